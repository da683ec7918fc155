// SPDX-License-Identifier: GPL-3.0-or-later
// Builds "Places.tx" and "Categories.tx" from the reference CSV tables:
//   trawlix-refbuild places.csv categories.csv OUTPUT_FOLDER
#include <charconv>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>

#include "RefFileWriter.h"

namespace {

using Table = std::vector<std::vector<std::string>>;

Table ReadCsv(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw std::runtime_error("cannot open " + path);
    std::stringstream text;
    text << file.rdbuf();
    Table rows = ParseCsv(text.str());
    if (rows.empty())
        throw std::runtime_error(path + " is empty");
    return rows;
}

/// Column positions by header name.
std::map<std::string, std::size_t> Columns(const std::vector<std::string>& header) {
    std::map<std::string, std::size_t> columns;
    for (std::size_t i = 0; i < header.size(); ++i)
        columns[header[i]] = i;
    return columns;
}

template <typename T> T Number(const std::string& text, const std::string& what) {
    if (text.empty())
        return T{};
    T value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::runtime_error("bad " + what + ": " + text);
    return value;
}

/// Reads rows into records; parents are named by key, and a record's level comes from
/// the level column when there is one, otherwise from whether it has a parent.
std::vector<TRefRecord> Records(const Table& rows, bool places) {
    auto columns = Columns(rows.front());
    auto cell = [&](const std::vector<std::string>& row, const std::string& name) -> std::string {
        auto column = columns.find(name);
        if (column == columns.end())
            throw std::runtime_error("missing column " + name);
        return column->second < row.size() ? row[column->second] : std::string();
    };
    std::map<std::string, std::int32_t> idByKey;
    for (std::size_t r = 1; r < rows.size(); ++r)
        idByKey[cell(rows[r], "key")] = Number<std::int32_t>(cell(rows[r], "id"), "id");
    std::vector<TRefRecord> records;
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const auto& row = rows[r];
        TRefRecord record;
        record.Id = Number<std::int32_t>(cell(row, "id"), "id");
        const std::string parentKey = cell(row, "parent_key");
        if (!parentKey.empty()) {
            auto parent = idByKey.find(parentKey);
            if (parent == idByKey.end())
                throw std::runtime_error("unknown parent key " + parentKey);
            record.ParentId = parent->second;
        }
        record.Name = cell(row, "name");
        if (places) {
            record.Level = Number<std::int32_t>(cell(row, "level"), "level");
            record.Link = cell(row, "link");
            record.Latitude = Number<double>(cell(row, "lat"), "latitude");
            record.Longitude = Number<double>(cell(row, "lon"), "longitude");
        } else {
            record.Level = parentKey.empty() ? 1 : 2;
            record.Link = cell(row, "code");
        }
        records.push_back(record);
    }
    return records;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: trawlix-refbuild places.csv categories.csv OUTPUT_FOLDER\n";
        return 2;
    }
    try {
        const std::string folder = std::string(argv[3]) + "/";
        WriteRefFile(folder + "Places.tx", Records(ReadCsv(argv[1]), true));
        WriteRefFile(folder + "Categories.tx", Records(ReadCsv(argv[2]), false));
    } catch (const std::exception& error) {
        std::cerr << "trawlix-refbuild: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
