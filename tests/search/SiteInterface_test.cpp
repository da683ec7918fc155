// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/SiteInterface.h"

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

std::string FixturePage(const std::string& name) {
    std::ifstream file(FixtureFile("pages/" + name), std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(SiteInterfaceTest, FlagLinkNamesTheHostThePostingAndTheCode) {
    const std::string domain = ".craigslist.org";
    EXPECT_EQ(SiteInterface::FlagLink("http://miami.craigslist.org/mdc/reb/1127160035.html", 16, domain),
              "http://miami.craigslist.org/flag/?flagCode=16&postingID=1127160035");
    EXPECT_EQ(SiteInterface::FlagLink("http://sfbay.craigslist.org/sfc/art/55.html", 9, domain),
              "http://sfbay.craigslist.org/flag/?flagCode=9&postingID=55");
    // A link on another domain keeps its text up to the host's first ".".
    EXPECT_EQ(SiteInterface::FlagLink("http://tampa.example.net/x/7.html", 15, domain),
              "http://tampa.craigslist.org/flag/?flagCode=15&postingID=7");
}

TEST(SiteInterfaceTest, TellsRemovedPostingPages) {
    EXPECT_TRUE(SiteInterface::IsRemovedPostingPage(FixturePage("posting-2009-deleted-by-author.html")));
    EXPECT_TRUE(SiteInterface::IsRemovedPostingPage(FixturePage("posting-2009-flagged-for-removal.html")));
    EXPECT_FALSE(SiteInterface::IsRemovedPostingPage(FixturePage("posting-2009-miami-300zx.html")));
    const struct {
        std::string page;
        bool removed;
    } cases[] = {
        {"This posting has been deleted by its author.", true},
        {"This posting has been flagged for removal.", true},
        {"This posting has been", false},
        {"flagged for removal", false},
        {"This posting has expired.", true},
        {"<h1>404 Error</h1>", true},
        {"404 error", false}, // the texts are compared exactly
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SiteInterface::IsRemovedPostingPage(c.page), c.removed) << c.page;
}

TEST(SiteInterfaceTest, PostingLinksAreMadeAbsoluteOneWay) {
    const std::string prefix =
        SiteInterface::LinkPrefix("http://miami.craigslist.org/search/sss?query=x", ".example.org");
    EXPECT_EQ(prefix, "http://miami.example.org");
    const struct {
        std::string link;
        std::string absolute;
    } cases[] = {
        {"/mdc/bik/123.html", "http://miami.example.org/mdc/bik/123.html"},
        {"http://tampa.craigslist.org/bik/5.html", "http://tampa.craigslist.org/bik/5.html"},
        {"HTTPS://tampa.craigslist.org/bik/5.html", "HTTPS://tampa.craigslist.org/bik/5.html"},
        // "http://" inside a relative link does not make it absolute: the parser and the
        // new-results check once disagreed here, and every check then reported news.
        {"/go?to=http://x.org/7.html", "http://miami.example.org/go?to=http://x.org/7.html"},
        {"", "http://miami.example.org"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SiteInterface::AbsolutePostingLink(c.link, prefix), c.absolute) << c.link;
}

} // namespace
