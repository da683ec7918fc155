// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

/// One posting block of a results page, as read from the page.
struct TParsedPosting {
    std::string Date;
    std::string Title;
    /// Absolute link of the posting.
    std::string Link;
    double Price = 0;
    bool HasImage = false;
};

/// The same text as StripTags, made without a call per character: the parser strips every
/// posting block of every page.
std::string StripBlockTags(std::string_view html);
/// StripBlockTags into out, reusing its buffer.
void StripBlockTagsInto(std::string_view html, std::string& out);

/// The two shapes of results page the site has served.
enum class TResultsMarkup {
    /// Neither shape: the page yields no postings.
    None,
    /// The 2009-2010 list: a paragraph per posting between two "Displaying: " counters.
    Paragraphs,
    /// Today's list: an li element with a data-pid per posting.
    PostingItems,
};

/// Cuts a results page of the site into its posting blocks and reads date, title, link,
/// price and image mark from each. The markup is chosen per page: a page with a
/// "Displaying: " counter is read as paragraphs, and only the postings between the first
/// counter and the second one (or the few-local-results line) are taken; otherwise a page
/// with posting items is read item by item. Holds views of the texts it is given, which
/// must outlive it. Used on one thread at a time.
class TResultsPageParser final {
public:
    /// pageLink is the link the page was fetched from, domain the site's domain suffix:
    /// together they make site-relative posting links absolute.
    TResultsPageParser(std::string_view page, std::string_view pageLink, std::string_view domain);

    /// The page is neither empty nor the site's nothing-found page.
    static bool HasPostings(std::string_view page);

    /// The markup the page is read by.
    TResultsMarkup Markup() const { return m_markup; }

    /// Reads the next posting block into posting; false when the page has no more. A block
    /// without a posting link is passed over.
    bool Next(TParsedPosting& posting);

private:
    /// The next block's text (from its "<p" up to its end marker); false when none.
    bool NextBlock(std::string_view& block);
    /// Next for today's markup: each item gives the posting's title line as the old
    /// pages showed it ("$5 lamp - (Peabody) pic"), so that price and image mark are read
    /// from it by the same rules.
    bool NextItem(TParsedPosting& posting);

    TResultsMarkup m_markup = TResultsMarkup::None;
    std::string_view m_page;
    std::string m_linkPrefix;
    /// The current block's text; its buffer is reused from posting to posting.
    std::string m_clean;
    std::size_t m_next = std::string_view::npos;
    std::size_t m_end = std::string_view::npos;
    /// An end marker and where it was last found, so that a page is scanned once.
    struct TMarker {
        std::string_view text;
        bool searched = false;
        std::size_t at = std::string_view::npos;
        std::size_t FindFrom(std::string_view page, std::size_t from);
    };
    TMarker m_paragraphEnd{"</p>"};
    TMarker m_spanEnd{"</span>"};
};
