// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TResultsPageParser.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "core/TextHelpers.h"
#include "search/SiteInterface.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool MatchesAt(const char* at, std::string_view part) {
    std::size_t i = 1;
    while (i < part.size() && at[i] == part[i])
        ++i;
    return i == part.size();
}

/// text.find(part, from) for the short markers of a page. A page has a "<" every few
/// characters, so candidates are found sixteen bytes at a time instead of by a library
/// call per candidate.
std::size_t Find(std::string_view text, std::string_view part, std::size_t from = 0) {
    if (part.empty())
        return from <= text.size() ? from : npos;
    if (from > text.size() || text.size() - from < part.size())
        return npos;
    const char* const begin = text.data();
    const char* at = begin + from;
    // Candidates start at or before last, so every comparison stays inside text.
    const char* const last = begin + (text.size() - part.size());
#ifdef __SSE2__
    // With two or more characters, a candidate must match the first two: a page has a "<"
    // every few characters but far fewer "<p". The second load reads at + 16, which stays
    // inside text because last lies at least two characters before its end.
    const __m128i first = _mm_set1_epi8(part[0]);
    const __m128i second = _mm_set1_epi8(part.size() > 1 ? part[1] : part[0]);
    const bool pair = part.size() > 1;
    while (last - at >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        __m128i hits = _mm_cmpeq_epi8(bytes, first);
        if (pair)
            hits =
                _mm_and_si128(hits, _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 1)), second));
        unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
        while (mask) {
            const char* candidate = at + __builtin_ctz(mask);
            if (MatchesAt(candidate, part))
                return static_cast<std::size_t>(candidate - begin);
            mask &= mask - 1;
        }
        at += 16;
    }
#endif
    for (; at <= last; ++at)
        if (*at == part[0] && MatchesAt(at, part))
            return static_cast<std::size_t>(at - begin);
    return npos;
}

bool Contains(std::string_view text, std::string_view part) {
    return Find(text, part) != npos;
}

} // namespace

std::size_t TResultsPageParser::TMarker::FindFrom(std::string_view page, std::size_t from) {
    // Blocks only move forward: an earlier answer at or after from is still the answer,
    // and no occurrence after an earlier from means none after a later one.
    if (!searched || (at != npos && at < from)) {
        at = Find(page, text, from);
        searched = true;
    }
    return at;
}

namespace {

/// The block's text into clean, whose buffer is reused from posting to posting.
void CleanText(std::string_view block, std::string& clean) {
    StripBlockTagsInto(block, clean);
    if (clean.find("&nbsp;") != std::string::npos) {
        clean = ReplaceAll(clean, "&nbsp; ", "");
        clean = ReplaceAll(clean, "&nbsp;", "");
    }
}

/// The date before the first "-"; when a "/" comes before that dash, the date between the
/// first ":" and the next "-".
std::string ReadDate(const std::string& clean) {
    const std::size_t dash = clean.find('-');
    const std::size_t slash = clean.find('/');
    if (slash == npos || dash == npos || dash < slash)
        return dash == npos ? std::string() : TrimControl(std::string_view(clean).substr(0, dash));
    const std::size_t colon = clean.find(':');
    const std::size_t from = colon == npos ? 0 : colon + 1;
    const std::size_t end = clean.find('-', from);
    return end == npos ? std::string() : TrimControl(std::string_view(clean).substr(from, end - from));
}

void ReadTitle(const std::string& clean, std::string& title) {
    const std::size_t dash = clean.find('-');
    std::string_view text = dash == npos ? std::string_view(clean) : std::string_view(clean).substr(dash + 1);
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 32)
        text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 32)
        text.remove_suffix(1);
    title.assign(text);
    if (title.find('&') != std::string::npos) {
        title = ReplaceAll(title, "&gt;", ">");
        title = ReplaceAll(title, "&lt;", "<");
        title = ReplaceAll(title, "&amp;", "&");
    }
}

std::string PriceText(const std::string& title) {
    if (Contains(title, "$")) {
        if (title[0] == '$')
            return TrimControl(TokenFromLeft(title, 1, ' ', 2));
        return TokenFromLeft(TrimControl(TokenFromRight(title, 1, '$', 0)), 1, ' ', 1);
    }
    if (const std::size_t eur = title.find("EUR"); eur != npos) {
        if (eur == 0)
            return TrimControl(TokenFromLeft(title, 1, ' ', 4));
        return TrimControl(std::string_view(title).substr(eur + 3));
    }
    if (title.size() >= 2 && title[0] == 'A' && title[1] == '?')
        return TrimControl(TokenFromLeft(title, 1, ' ', 3));
    return {};
}

/// The text between the double quote before the first ".html" and that ".html"'s last
/// letter; empty when the block has no ".html".
std::string_view ReadLink(std::string_view block) {
    const std::size_t html = Find(block, ".html");
    if (html == npos)
        return {};
    const std::size_t last = html + 4;
    const std::size_t quote = block.rfind('"', last);
    const std::size_t from = quote == npos ? 0 : quote + 1;
    return block.substr(from, last + 1 - from);
}

} // namespace

std::string StripBlockTags(std::string_view html) {
    std::string out;
    StripBlockTagsInto(html, out);
    return out;
}

void StripBlockTagsInto(std::string_view html, std::string& out) {
    // Text is kept after a ">" that is not the last character, up to the next "<"; inside
    // such text a further ">" (again not the last character) is dropped, as are line
    // feeds and tabs.
    const std::size_t size = html.size();
    out.resize(size);
    std::size_t length = 0;
    std::size_t p = 0;
    while (p < size) {
        const std::size_t open = html.find('>', p);
        if (open == npos || open + 1 >= size)
            break;
        p = open + 1;
        for (; p < size; ++p) {
            const char c = html[p];
            if (c == '<')
                break;
            if ((c == '>' && p + 1 < size) || c == '\n' || c == '\t')
                continue;
            out[length++] = c;
        }
    }
    // Trimmed in place: a copy per posting is measurable on a whole page.
    std::size_t first = 0;
    while (first < length && static_cast<unsigned char>(out[first]) <= 32)
        ++first;
    while (length > first && static_cast<unsigned char>(out[length - 1]) <= 32)
        --length;
    out.resize(length);
    out.erase(0, first);
}

namespace {

// Today's markup: <li data-pid="..."> ... <a href="LINK" class="... posting-title"><span
// class="label">TITLE</span></a><div class="meta">DATE<span class="separator">.</span>PLACE
// </div><span class="priceinfo">PRICE</span> ... </li>; an <img> in the item's gallery.

constexpr std::string_view PostingIdAttribute = "data-pid=\"";

bool IsNameEnd(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>' || c == '/';
}

/// The name of the tag that starts at open ("li" for "<li data-pid=...>").
std::string_view TagName(std::string_view text, std::size_t open) {
    std::size_t end = open + 1;
    while (end < text.size() && !IsNameEnd(text[end]))
        ++end;
    return text.substr(open + 1, end - open - 1);
}

/// Where the next li start tag that carries a posting id begins, at or after from; npos
/// when the page has no more. Ids on other elements (the 2014 rows, map tags) do not count.
std::size_t FindPostingItem(std::string_view page, std::size_t from) {
    for (std::size_t at = Find(page, PostingIdAttribute, from); at != npos;
         at = Find(page, PostingIdAttribute, at + 1)) {
        const std::size_t open = page.rfind('<', at);
        if (open == npos || open < from || page.substr(open, at - open).find('>') != npos)
            continue;
        if (TagName(page, open) == "li")
            return open;
    }
    return npos;
}

bool IsClassSeparator(char c) {
    return c == '"' || c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/// Where the class name occurs as a whole word of a class attribute of text, at or after
/// from; npos when it does not.
std::size_t FindClass(std::string_view text, std::string_view name, std::size_t from = 0) {
    constexpr std::string_view attribute = "class=\"";
    for (std::size_t at = Find(text, name, from); at != npos; at = Find(text, name, at + 1)) {
        const std::size_t end = at + name.size();
        if (at == 0 || end >= text.size() || !IsClassSeparator(text[at - 1]) || !IsClassSeparator(text[end]))
            continue;
        const std::size_t value = text.rfind(attribute, at);
        if (value != npos && text.find('"', value + attribute.size()) >= end)
            return at;
    }
    return npos;
}

/// Text of the item as a person reads it: line breaks and tabs are spaces, the entities
/// a page serialises are decoded ("&nbsp;" is a no-break space the poster typed, so a
/// space), and the ends are trimmed.
std::string ItemText(std::string_view raw) {
    std::string text(raw);
    for (char& c : text)
        if (c == '\n' || c == '\t' || c == '\r')
            c = ' ';
    if (text.find('&') != std::string::npos) {
        text = ReplaceAll(text, "&nbsp;", " ");
        text = ReplaceAll(text, "&gt;", ">");
        text = ReplaceAll(text, "&lt;", "<");
        text = ReplaceAll(text, "&quot;", "\"");
        text = ReplaceAll(text, "&#39;", "'");
        text = ReplaceAll(text, "&#x27;", "'");
        text = ReplaceAll(text, "&amp;", "&");
    }
    return TrimControl(text);
}

/// The text of the element whose start tag holds the class at, up to its first inner tag.
std::string_view ElementText(std::string_view item, std::size_t at) {
    const std::size_t start = item.find('>', at);
    if (start == npos)
        return {};
    const std::size_t end = item.find('<', start + 1);
    return item.substr(start + 1, (end == npos ? item.size() : end) - start - 1);
}

/// The link of the title element whose class is at: its own href, or that of the first
/// anchor inside it.
std::string_view ReadItemLink(std::string_view item, std::size_t at) {
    constexpr std::string_view href = "href=\"";
    const std::size_t open = item.rfind('<', at);
    const std::size_t tagEnd = item.find('>', at);
    if (open == npos || tagEnd == npos)
        return {};
    std::size_t value = Find(item.substr(0, tagEnd), href, open);
    if (value == npos)
        value = Find(item, href, tagEnd);
    if (value == npos)
        return {};
    value += href.size();
    const std::size_t end = item.find('"', value);
    return end == npos ? std::string_view() : item.substr(value, end - value);
}

/// The title of the title element whose class is at: the text of its label, or all of
/// its text when it has no label.
std::string ReadItemTitle(std::string_view item, std::size_t at, std::string& buffer) {
    const std::size_t tagEnd = item.find('>', at);
    if (tagEnd == npos)
        return {};
    const std::size_t open = item.rfind('<', at);
    const std::string closing = "</" + std::string(TagName(item, open));
    const std::size_t end = std::min(Find(item, closing, tagEnd), item.size());
    const std::string_view element = item.substr(0, end);
    const std::size_t label = FindClass(element, "label", tagEnd);
    if (label != npos)
        return ItemText(ElementText(element, label));
    StripBlockTagsInto(element.substr(tagEnd), buffer);
    return ItemText(buffer);
}

/// Date and place from the meta element whose class is at: its first and last texts,
/// leaving out the separators between them. A single text is the date.
void ReadItemMeta(std::string_view item, std::size_t at, std::string& date, std::string& place) {
    const std::size_t start = item.find('>', at);
    if (start == npos)
        return;
    const std::string closing = "</" + std::string(TagName(item, item.rfind('<', at)));
    const std::size_t end = std::min(Find(item, closing, start), item.size());
    bool inSeparator = false;
    bool first = true;
    for (std::size_t p = start + 1; p < end;) {
        if (item[p] == '<') {
            const std::size_t tagEnd = std::min(item.find('>', p), end);
            inSeparator =
                p + 1 < end && item[p + 1] != '/' && FindClass(item.substr(p, tagEnd + 1 - p), "separator") != npos;
            p = tagEnd + 1;
            continue;
        }
        const std::size_t next = std::min(item.find('<', p), end);
        if (!inSeparator) {
            std::string text = ItemText(item.substr(p, next - p));
            if (!text.empty()) {
                (first ? date : place) = std::move(text);
                first = false;
            }
        }
        p = next;
    }
}

} // namespace

TResultsPageParser::TResultsPageParser(std::string_view page, std::string_view pageLink, std::string_view domain)
    : m_page(page), m_linkPrefix(SiteInterface::LinkPrefix(pageLink, domain)) {
    const std::size_t first = Find(page, SiteInterface::DisplayingMarker);
    if (first == npos) {
        // A page without a counter may be today's list of posting items.
        m_next = FindPostingItem(page, 0);
        if (m_next != npos)
            m_markup = TResultsMarkup::PostingItems;
        return;
    }
    m_markup = TResultsMarkup::Paragraphs;
    // The end is searched from ten characters after the first marker.
    std::size_t end = Find(page, SiteInterface::DisplayingMarker, first + 10);
    if (end == npos)
        end = Find(page, SiteInterface::FewLocalMarker, first + 10);
    if (end == npos)
        return;
    m_next = first;
    m_end = end;
}

bool TResultsPageParser::HasPostings(std::string_view page) {
    return !page.empty() && !Contains(page, SiteInterface::NothingFoundMarker);
}

bool TResultsPageParser::NextBlock(std::string_view& block) {
    if (m_next == npos)
        return false;
    const std::size_t start = Find(m_page, "<p", m_next);
    if (start == npos || start > m_end) {
        m_next = npos;
        return false;
    }
    const std::size_t paragraphEnd = m_paragraphEnd.FindFrom(m_page, start);
    const std::size_t spanEnd = m_spanEnd.FindFrom(m_page, start);
    const std::size_t end = std::min(paragraphEnd, spanEnd);
    if (end == npos) {
        // A block that nothing closes ends the page's postings.
        m_next = npos;
        return false;
    }
    block = m_page.substr(start, end - start);
    m_next = end;
    return true;
}

bool TResultsPageParser::Next(TParsedPosting& posting) {
    if (m_markup == TResultsMarkup::PostingItems)
        return NextItem(posting);
    std::string_view block;
    while (NextBlock(block)) {
        const std::string_view link = ReadLink(block);
        if (link.empty())
            continue;
        CleanText(block, m_clean);
        posting.Date = ReadDate(m_clean);
        ReadTitle(m_clean, posting.Title);
        SiteInterface::AbsolutePostingLinkInto(link, m_linkPrefix, posting.Link);
        posting.Price = PriceToFloat(PriceText(posting.Title));
        posting.HasImage = Contains(posting.Title, "pic") || Contains(posting.Title, "img");
        return true;
    }
    return false;
}

bool TResultsPageParser::NextItem(TParsedPosting& posting) {
    while (m_next != npos) {
        const std::size_t start = m_next;
        // The next item's start also ends an item, as an li's end tag may be left out.
        const std::size_t next = FindPostingItem(m_page, start + 1);
        const std::size_t end = std::min(Find(m_page, "</li>", start), next);
        if (end == npos) {
            // An item that nothing closes ends the page's postings.
            m_next = npos;
            return false;
        }
        m_next = next;
        const std::string_view item = m_page.substr(start, end - start);
        const std::size_t titleAt = FindClass(item, "posting-title");
        const std::string_view link = titleAt == npos ? std::string_view() : ReadItemLink(item, titleAt);
        if (link.empty())
            continue;
        const std::string label = ReadItemTitle(item, titleAt, m_clean);
        std::string place;
        posting.Date.clear();
        if (const std::size_t meta = FindClass(item, "meta"); meta != npos)
            ReadItemMeta(item, meta, posting.Date, place);
        const std::size_t priceAt = FindClass(item, "priceinfo");
        const std::string price = priceAt == npos ? std::string() : ItemText(ElementText(item, priceAt));
        // The title line of the old pages: price first, so that it is the one read even
        // when the title itself holds a "$".
        posting.Title = price.empty() ? label : price + " " + label;
        if (!place.empty())
            posting.Title += " - (" + place + ")";
        if (Contains(item, "<img"))
            posting.Title += " pic";
        SiteInterface::AbsolutePostingLinkInto(link, m_linkPrefix, posting.Link);
        posting.Price = PriceToFloat(PriceText(posting.Title));
        posting.HasImage = Contains(posting.Title, "pic") || Contains(posting.Title, "img");
        return true;
    }
    return false;
}
