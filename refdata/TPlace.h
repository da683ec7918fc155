// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

class TPlace;
using TPlaceList = std::vector<TPlace*>;
using TPlaceItems = std::vector<std::unique_ptr<TPlace>>;

/// One record of the place or the category table: a location (country, region, city,
/// sub-area, neighbourhood) or a category. Built by the loader, read by every thread.
class TPlace final {
public:
    static constexpr std::size_t NameCapacity = 50;
    static constexpr std::size_t LinkCapacity = 100;
    static constexpr std::size_t AuxTextCapacity = 50;

    int Id = 0;
    int ParentId = 0;
    std::string Name;
    int Level = 0;
    /// A site address for a place, the neighbourhood code for a level-4 place, the
    /// site's code for a category.
    std::string Link;
    std::string AuxText;
    double Latitude = 0;
    double Longitude = 0;
    /// Child records in file order (not owned).
    TPlaceList Children;

    /// The table the record belongs to, searched when the parent was not linked.
    const TPlaceItems* Table = nullptr;

    /// The parent record, or nullptr when ParentId is 0 or names no record.
    TPlace* Parent() const;
    void SetParent(TPlace* parent) { m_parent.store(parent); }
    /// Names from the top of the tree down to this record, joined with " - ". Linear in the
    /// depth; a parent loop ends at the first record met again.
    std::string FullName() const;

private:
    mutable std::atomic<TPlace*> m_parent{nullptr};
};

/// Empties target, then appends each source record itself when it has no children,
/// otherwise the expansion of its children, depth first. Within one source record's
/// expansion a record met again (a parent loop) is passed over.
void ExpandToLeaves(const TPlaceList& source, TPlaceList& target);
/// Inserts record after the first item named exactly name; at the front when none is.
void InsertAfterNamed(const std::string& name, TPlace* record, TPlaceList& list);

/// Raised when a table file cannot be read; what() is the message shown to the user.
class TReadError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// The first bytes of every table file the project writes.
inline constexpr std::string_view PlaceTableHeader = "TRAWLIXREF1";

/// Reads the records of a table file into items (file order). Throws TReadError when the
/// file cannot be opened, does not begin with PlaceTableHeader, or holds no record count
/// or a negative one. A record cut short ends the reading
/// and its message is returned; an empty text means every record was read.
std::string ReadPlaceRecords(const std::string& path, TPlaceItems& items);
/// Links every record to its parent and its parent's child list.
void LinkPlaceRecords(TPlaceItems& items);
/// The first record with the given id, or nullptr.
TPlace* FindRecordById(const TPlaceItems& items, int id);
