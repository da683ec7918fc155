// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "search/TEntry.h"

/// The entries of one list by link, so that a run checks each posting against the search's
/// results and deleted results in constant time. Between lookups the list may grow at its
/// end, lose entries, be emptied or have its last entry replaced (the ways runs and users
/// change results): the index follows appended entries and indexes the list afresh after
/// any other change. Used on the thread that owns the list (the user-interface thread).
class TEntryLinkIndex final {
public:
    /// What FindEntryByLink(list, link) gives, for a link as an entry stores it.
    TEntry* Find(const TEntryList& list, std::string_view link);

private:
    /// Brings the index up to the list's current entries.
    void Follow(const TEntryList& list);
    void Clear();

    const TEntryList* m_list = nullptr;
    std::size_t m_indexed = 0;
    const TEntry* m_lastIndexed = nullptr;
    std::string m_lastLink;
    /// Position of the first entry with each link.
    std::unordered_map<std::string, std::size_t> m_first;
};
