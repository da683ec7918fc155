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

/// Cuts a results page of the site into its posting blocks and reads date, title, link,
/// price and image mark from each. Only the postings between the first "Displaying: " and
/// the second one (or the few-local-results line) are taken. Holds views of the texts it
/// is given, which must outlive it. Used on one thread at a time.
class TResultsPageParser final {
public:
    /// pageLink is the link the page was fetched from, domain the site's domain suffix:
    /// together they make site-relative posting links absolute.
    TResultsPageParser(std::string_view page, std::string_view pageLink, std::string_view domain);

    /// The page is neither empty nor the site's nothing-found page.
    static bool HasPostings(std::string_view page);

    /// Reads the next posting block into posting; false when the page has no more. A block
    /// without a posting link is passed over.
    bool Next(TParsedPosting& posting);

private:
    /// The next block's text (from its "<p" up to its end marker); false when none.
    bool NextBlock(std::string_view& block);

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
