// SPDX-License-Identifier: GPL-3.0-or-later
// A fetched results page: decoded to UTF-8, then cut into postings as a search run does.
#include <cstdlib>

#include "FuzzSupport.h"
#include "core/TextHelpers.h"
#include "search/PageDecoding.h"
#include "search/TResultsPageParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string page(InputText(data, size));
    DecodePage(page, "");
    // The quick tag stripper must read every text as the plain one does.
    if (StripBlockTags(page) != StripTags(page))
        std::abort();
    if (!TResultsPageParser::HasPostings(page))
        return 0;
    TResultsPageParser parser(page, "http://miami.craigslist.org/search/apa?query=sunny", ".craigslist.org");
    TParsedPosting posting;
    while (parser.Next(posting))
        if (posting.Link.empty())
            std::abort();
    return 0;
}
