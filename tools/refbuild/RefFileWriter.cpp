// SPDX-License-Identifier: GPL-3.0-or-later
#include "RefFileWriter.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "core/TextHelpers.h"
#include "refdata/TPlace.h"

namespace {

template <typename T> void AppendNumber(std::string& out, T value) {
    char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.append(bytes, sizeof value);
}

void AppendText(std::string& out, const std::string& text, std::size_t capacity) {
    const std::string cut = CutToBytes(text, capacity);
    out += static_cast<char>(cut.size());
    out += cut;
    out.append(capacity - cut.size(), '\0');
}

} // namespace

std::string EncodeRefFile(const std::vector<TRefRecord>& records, std::int64_t count) {
    std::string out(PlaceTableHeader);
    AppendNumber<std::int32_t>(out, static_cast<std::int32_t>(count < 0 ? records.size() : count));
    for (const TRefRecord& record : records) {
        AppendNumber(out, record.Id);
        AppendNumber(out, record.ParentId);
        AppendText(out, record.Name, 50);
        AppendNumber(out, record.Level);
        AppendText(out, record.Link, 100);
        AppendText(out, record.AuxText, 50);
        AppendNumber(out, record.Latitude);
        AppendNumber(out, record.Longitude);
    }
    return out;
}

void WriteRefFile(const std::string& path, const std::vector<TRefRecord>& records) {
    const std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        const std::string bytes = EncodeRefFile(records);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file)
            throw std::runtime_error("cannot write " + temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0)
        throw std::runtime_error("cannot rename " + temporary + " to " + path);
}

std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false;
    bool rowHasData = false;
    auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
    };
    auto endRow = [&] {
        endField();
        rows.push_back(std::move(row));
        row.clear();
        rowHasData = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            rowHasData = true;
        } else if (c == ',') {
            endField();
            rowHasData = true;
        } else if (c == '\n') {
            endRow();
        } else if (c != '\r') {
            field += c;
            rowHasData = true;
        }
    }
    if (rowHasData || !field.empty())
        endRow();
    return rows;
}
