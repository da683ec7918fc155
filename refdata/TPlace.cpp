// SPDX-License-Identifier: GPL-3.0-or-later
#include "refdata/TPlace.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "core/TextHelpers.h"

namespace {

constexpr std::size_t HeaderSize = PlaceTableHeader.size();
static_assert(HeaderSize == 11);
constexpr std::size_t RecordSize = 231;
using RecordBytes = std::array<char, RecordSize>;

static_assert(std::endian::native == std::endian::little, "the table files are little-endian");

template <typename T> T ReadNumber(const char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

std::string ReadText(const char* field, std::size_t capacity) {
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(field[0]), capacity);
    return CutToBytes(std::string_view(field + 1, length), length);
}

std::unique_ptr<TPlace> DecodeRecord(const RecordBytes& bytes) {
    auto place = std::make_unique<TPlace>();
    const char* data = bytes.data();
    place->Id = ReadNumber<std::int32_t>(data + 0);
    place->ParentId = ReadNumber<std::int32_t>(data + 4);
    place->Name = ReadText(data + 8, TPlace::NameCapacity);
    place->Level = ReadNumber<std::int32_t>(data + 59);
    place->Link = ReadText(data + 63, TPlace::LinkCapacity);
    place->AuxText = ReadText(data + 164, TPlace::AuxTextCapacity);
    place->Latitude = ReadNumber<double>(data + 215);
    place->Longitude = ReadNumber<double>(data + 223);
    return place;
}

} // namespace

TPlace* TPlace::Parent() const {
    if (ParentId == 0)
        return nullptr;
    if (TPlace* linked = m_parent.load())
        return linked;
    TPlace* found = Table ? FindRecordById(*Table, ParentId) : nullptr;
    if (found)
        m_parent.store(found);
    return found;
}

std::string TPlace::FullName() const {
    // Walks up iteratively and stops at a repeated record, so a damaged file whose parent
    // ids form a loop still gives a name; the set keeps a deep chain linear.
    std::vector<const TPlace*> chain{this};
    std::unordered_set<const TPlace*> seen{this};
    for (const TPlace* parent = Parent(); parent && seen.insert(parent).second; parent = parent->Parent())
        chain.push_back(parent);
    std::size_t length = 0;
    for (const TPlace* place : chain)
        length += place->Name.size() + 3;
    std::string name;
    name.reserve(length);
    name = chain.back()->Name;
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it)
        name.append(" - ").append((*it)->Name);
    return name;
}

namespace {

/// The leaves under place, depth first, with an explicit stack: a chain of any depth is
/// walked without deepening the call stack.
void AppendLeaves(TPlace* place, TPlaceList& target) {
    if (place->Children.empty()) {
        target.push_back(place);
        return;
    }
    struct TLevel {
        const TPlace* Record;
        std::size_t NextChild;
    };
    std::unordered_set<const TPlace*> seen{place};
    std::vector<TLevel> path{{place, 0}};
    while (!path.empty()) {
        TLevel& level = path.back();
        if (level.NextChild == level.Record->Children.size()) {
            path.pop_back();
            continue;
        }
        TPlace* child = level.Record->Children[level.NextChild++];
        if (!seen.insert(child).second)
            continue;
        if (child->Children.empty())
            target.push_back(child);
        else
            path.push_back({child, 0});
    }
}

} // namespace

void ExpandToLeaves(const TPlaceList& source, TPlaceList& target) {
    TPlaceList expanded;
    for (TPlace* place : source)
        AppendLeaves(place, expanded);
    target = std::move(expanded);
}

void InsertAfterNamed(const std::string& name, TPlace* record, TPlaceList& list) {
    auto anchor = std::find_if(list.begin(), list.end(), [&](const TPlace* item) { return item->Name == name; });
    if (anchor == list.end())
        list.insert(list.begin(), record);
    else
        list.insert(anchor + 1, record);
}

std::string ReadPlaceRecords(const std::string& path, TPlaceItems& items) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        throw TReadError("Cannot open file \"" + path + "\". No such file or directory");
    std::array<char, HeaderSize> header{};
    if (!file.read(header.data(), header.size()) || std::string_view(header.data(), header.size()) != PlaceTableHeader)
        throw TReadError("\"" + path + "\" is not a table file of Trawlix");
    std::array<char, 4> countBytes{};
    if (!file.read(countBytes.data(), countBytes.size()))
        throw TReadError("Read beyond end of file");
    const std::int32_t count = ReadNumber<std::int32_t>(countBytes.data());
    if (count < 0)
        throw TReadError("\"" + path + "\" holds a negative record count (" + std::to_string(count) + ")");
    RecordBytes record{};
    for (std::int32_t i = 0; i < count; ++i) {
        // The count is not trusted for allocation: records are appended as they are read.
        if (!file.read(record.data(), record.size()))
            return "Read beyond end of file";
        items.push_back(DecodeRecord(record));
        items.back()->Table = &items;
    }
    return {};
}

void LinkPlaceRecords(TPlaceItems& items) {
    // Equivalent to pairing every record with every other, in linear time: children are
    // appended in items order to every record carrying their parent's id, and a child of
    // several same-id records keeps the last one as its parent.
    std::unordered_map<int, std::vector<TPlace*>> byId;
    for (const auto& place : items)
        byId[place->Id].push_back(place.get());
    for (const auto& child : items) {
        auto parents = byId.find(child->ParentId);
        if (child->ParentId == 0 || parents == byId.end())
            continue;
        for (TPlace* parent : parents->second)
            parent->Children.push_back(child.get());
        child->SetParent(parents->second.back());
    }
}

TPlace* FindRecordById(const TPlaceItems& items, int id) {
    for (const auto& place : items)
        if (place->Id == id)
            return place.get();
    return nullptr;
}
