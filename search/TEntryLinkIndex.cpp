// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TEntryLinkIndex.h"

TEntry* TEntryLinkIndex::Find(const TEntryList& list, std::string_view link) {
    Follow(list);
    auto hit = m_first.find(std::string(link));
    if (hit == m_first.end())
        return nullptr;
    TEntry* entry = list[hit->second].get();
    if (entry && std::string_view(entry->Link) == link)
        return entry;
    // An entry was replaced where it stood: the positions are out of date.
    Clear();
    Follow(list);
    hit = m_first.find(std::string(link));
    return hit == m_first.end() ? nullptr : list[hit->second].get();
}

void TEntryLinkIndex::Follow(const TEntryList& list) {
    // The link is compared too: a new entry may be allocated where a removed one was.
    const TEntry* last = m_indexed == 0 || list.size() < m_indexed ? nullptr : list[m_indexed - 1].get();
    const bool grewAtItsEnd =
        &list == m_list && list.size() >= m_indexed &&
        (m_indexed == 0 || (last == m_lastIndexed && (!last || std::string_view(last->Link) == m_lastLink)));
    if (!grewAtItsEnd) {
        Clear();
        m_list = &list;
    }
    for (std::size_t i = m_indexed; i < list.size(); ++i)
        if (list[i])
            m_first.emplace(std::string(std::string_view(list[i]->Link)), i);
    m_indexed = list.size();
    m_lastIndexed = list.empty() ? nullptr : list.back().get();
    m_lastLink = m_lastIndexed ? std::string(std::string_view(m_lastIndexed->Link)) : std::string();
}

void TEntryLinkIndex::Clear() {
    m_first.clear();
    m_indexed = 0;
    m_lastIndexed = nullptr;
    m_lastLink.clear();
}
