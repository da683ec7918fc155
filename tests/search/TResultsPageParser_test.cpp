// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TResultsPageParser.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "core/TextHelpers.h"
#include "search/PageDecoding.h"

namespace {

const std::string Domain = ".craigslist.org";

std::vector<TParsedPosting> ParseAll(const std::string& page,
                                     const std::string& link = "http://miami.craigslist.org/search/sss?query=+") {
    std::vector<TParsedPosting> postings;
    if (!TResultsPageParser::HasPostings(page))
        return postings;
    TResultsPageParser parser(page, link, Domain);
    TParsedPosting posting;
    while (parser.Next(posting))
        postings.push_back(posting);
    return postings;
}

/// One line per posting: date, title, link, price, image mark, separated by tabs.
std::string ToTsv(const std::vector<TParsedPosting>& postings) {
    std::string tsv;
    for (const TParsedPosting& p : postings)
        tsv += p.Date + "\t" + p.Title + "\t" + p.Link + "\t" + FormatDecimal(p.Price) + "\t" +
               (p.HasImage ? "1" : "0") + "\n";
    return tsv;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Each folder under golden/ holds a real results page (page.html), the link it was fetched
// from (link.txt) and the postings expected from it (expected.tsv). The page is decoded as
// a fetch decodes it when the server names no charset. TRAWLIX_WRITE_GOLDEN=1 writes the
// actual postings instead, for review.
TEST(TResultsPageParserTest, GoldenPages) {
    const std::filesystem::path root = std::filesystem::path(TRAWLIX_SOURCE_DIR) / "tests/search/golden";
    int cases = 0;
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        SCOPED_TRACE(folder.path().filename().string());
        ++cases;
        std::string page = ReadAll(folder.path() / "page.html");
        DecodePage(page, "text/html");
        const std::string actual = ToTsv(ParseAll(page, ReadAll(folder.path() / "link.txt")));
        if (std::getenv("TRAWLIX_WRITE_GOLDEN")) {
            std::ofstream(folder.path() / "expected.tsv", std::ios::binary) << actual;
            continue;
        }
        EXPECT_EQ(actual, ReadAll(folder.path() / "expected.tsv"));
    }
    EXPECT_GE(cases, 3);
}

std::string Page(const std::string& postings, const std::string& end = "Displaying: 1 - 3") {
    return "<html><p>before the list: <a href=\"/x/1.html\">no</a></p>Found: 3 Displaying: 1 - 3\n" + postings + end +
           "\n<p> after - <a href=\"/x/9.html\">after the list</a></p></html>";
}

TEST(TResultsPageParserTest, StripBlockTagsMatchesStripTags) {
    std::vector<std::string> texts = {
        "",          ">",  "<",        "a>b",      "a>b>",       "<p>x</p>",    "<p> a > b</p>", "<b>x>",
        "x>\ty\nz<", ">>", "> \x01a ", "<a>b<c>d", "<p>>x>y<z>", "<p>\n\t</p>", "no tags"};
    const std::filesystem::path root = std::filesystem::path(TRAWLIX_SOURCE_DIR) / "tests/search/golden";
    for (const auto& folder : std::filesystem::directory_iterator(root)) {
        const std::string page = ReadAll(folder.path() / "page.html");
        texts.push_back(page);
        for (std::size_t at = 0; (at = page.find("<p", at)) != std::string::npos; ++at)
            texts.push_back(page.substr(at, page.find("</p>", at) - at));
    }
    for (const std::string& text : texts)
        ASSERT_EQ(StripBlockTags(text), StripTags(text)) << text;
}

TEST(TResultsPageParserTest, TakesOnlyThePostingsBetweenTheMarkers) {
    const auto postings = ParseAll(Page("<p> Mar  5 - <a href=\"/mdc/sss/1.html\">red bike -</a></p>"
                                        "<p> Mar 4 - <a href=\"/mdc/sss/2.html\">blue bike -</a></p>"));
    ASSERT_EQ(postings.size(), 2u);
    EXPECT_EQ(postings[0].Date, "Mar  5");
    EXPECT_EQ(postings[0].Title, "red bike -");
    EXPECT_EQ(postings[0].Link, "http://miami.craigslist.org/mdc/sss/1.html");
    EXPECT_EQ(postings[1].Link, "http://miami.craigslist.org/mdc/sss/2.html");
}

TEST(TResultsPageParserTest, MarkersAtTheVeryEndOfThePageAreFound) {
    // Pages of every length around the sixteen-byte steps of the marker search.
    for (std::size_t pad = 0; pad < 40; ++pad) {
        const std::string page = std::string(pad, 'x') + "Displaying: 1<p> Mar 5 - <a href=\"/a/1.html\">t</a></span>" +
                                 std::string(pad % 17, '<') + "Displaying: ";
        const auto postings = ParseAll(page);
        ASSERT_EQ(postings.size(), 1u) << pad;
        EXPECT_EQ(postings[0].Title, "t");
    }
}

TEST(TResultsPageParserTest, TheFewLocalResultsLineEndsThePostings) {
    const auto postings =
        ParseAll(Page("<p> Mar 5 - <a href=\"/a/1.html\">local</a></p>"
                      "Few <b>LOCAL</b> results found.<p> Mar 5 - <a href=\"/a/2.html\">nearby</a></p>",
                      ""));
    ASSERT_EQ(postings.size(), 1u);
    EXPECT_EQ(postings[0].Title, "local");
}

TEST(TResultsPageParserTest, PagesWithoutPostings) {
    const struct {
        std::string name;
        std::string page;
    } cases[] = {
        {"empty page (failed fetch)", ""},
        {"nothing found", "<p> x - <a href=\"/a/1.html\">t</a></p> Displaying: Nothing found for that search ( All "
                          "words must match ). Displaying: "},
        {"no Displaying", "<p> Mar 5 - <a href=\"/a/1.html\">t</a></p>"},
        {"no end marker", "Displaying: 1 - 3 <p> Mar 5 - <a href=\"/a/1.html\">t</a></p>"},
        {"a block that nothing closes", "Displaying: 1 <p> Mar 5 - <a href=\"/a/1.html\">t</a> Displaying: 1"},
        {"postings after the end marker only", "Displaying: 1 - 3 Displaying: <p> x - <a href=\"/a/1.html\">t</a></p>"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(ParseAll(c.page).empty()) << c.name;
}

TEST(TResultsPageParserTest, SecondMarkerIsSearchedTenCharactersAfterTheFirst) {
    // "Displaying: " starting within ten characters of the first does not end the list.
    const auto postings =
        ParseAll("Displaying:Displaying: <p> Mar 5 - <a href=\"/a/1.html\">t</a></p> Displaying: end");
    EXPECT_EQ(postings.size(), 1u);
}

TEST(TResultsPageParserTest, ABlockEndsAtTheFirstSpanEndBeforeItsParagraphEnd) {
    const auto postings =
        ParseAll(Page("<p> Mar 5 - <a href=\"/a/1.html\">desk -</a><font> (Tampa)</font> <span "
                      "class=\"p\"> pic</span> &lt;&lt;<a href=\"/fur/\">furniture - by owner</a></p>"));
    ASSERT_EQ(postings.size(), 1u);
    EXPECT_EQ(postings[0].Title, "desk - (Tampa)  pic");
    EXPECT_TRUE(postings[0].HasImage);
}

TEST(TResultsPageParserTest, BlocksWithoutAPostingLinkArePassedOver) {
    const auto postings = ParseAll(Page("<p> Mar 5 - <a href=\"/a/\">no posting</a></p>"
                                        "<p> Mar 5 - <a href=\"/a/2.html\">posting</a></p>"));
    ASSERT_EQ(postings.size(), 1u);
    EXPECT_EQ(postings[0].Title, "posting");
}

TEST(TResultsPageParserTest, ReadsDateTitleLinkPriceAndImageOfABlock) {
    const struct {
        std::string block;
        std::string date;
        std::string title;
        std::string link;
        double price;
        bool image;
    } cases[] = {
        {"<p> Mar 5 - <a href=\"/abc/123.html\">$350 couch</a></p>", "Mar 5", "$350 couch",
         "http://miami.craigslist.org/abc/123.html", 350, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">bike - $40 (town)</a></p>", "Mar 5", "bike - $40 (town)",
         "http://miami.craigslist.org/a/1.html", 40, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">EUR120 sofa</a></p>", "Mar 5", "EUR120 sofa",
         "http://miami.craigslist.org/a/1.html", 120, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">sofa for EUR 75 obo</a></p>", "Mar 5", "sofa for EUR 75 obo",
         "http://miami.craigslist.org/a/1.html", 75, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">A?99 lamp</a></p>", "Mar 5", "A?99 lamp",
         "http://miami.craigslist.org/a/1.html", 99, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">free picture frame</a></p>", "Mar 5", "free picture frame",
         "http://miami.craigslist.org/a/1.html", 0, true},
        {"<p> Mar 5 - <a href=\"/a/1.html\">PIC of IMG</a></p>", "Mar 5", "PIC of IMG",
         "http://miami.craigslist.org/a/1.html", 0, false},
        {"<p> Mar 5 - <a href=\"/a/1.html\">$1,250.50 / 2br</a></p>", "Mar 5", "$1,250.50 / 2br",
         "http://miami.craigslist.org/a/1.html", 1250.5, false}, // the comma groups thousands
        {"<p> Mar 5 - <a href=\"/a/1.html\">$abc couch</a></p>", "Mar 5", "$abc couch",
         "http://miami.craigslist.org/a/1.html", 0, false},
        // Absolute links stay as they are, whatever the letter case of the scheme.
        {"<p> Jul 1 - <a href=\"HTTP://tampa.craigslist.org/x/5.html\">t</a></p>", "Jul 1", "t",
         "HTTP://tampa.craigslist.org/x/5.html", 0, false},
        // Entities: "&nbsp;" goes, "&gt;", "&lt;", "&amp;" are decoded after the date is cut.
        {"<p> Mar&nbsp;5 - <a href=\"/a/1.html\">pic&nbsp; img &lt;b&gt; A &amp;amp; B</a></p>", "Mar5",
         "picimg <b> A &amp; B", "http://miami.craigslist.org/a/1.html", 0, true},
        // No dash: no date, the whole text is the title.
        {"<p><a href=\"/a/1.html\">$5 only title</a></p>", "", "$5 only title", "http://miami.craigslist.org/a/1.html",
         5, false},
        // A "/" before the first dash: the date is read between the first ":" and the next "-".
        {"<p>12/03 posted: Mar 5 - <a href=\"/a/1.html\">lamp</a></p>", "Mar 5", "lamp",
         "http://miami.craigslist.org/a/1.html", 0, false},
        {"<p>1/2 bath - <a href=\"/a/1.html\">lamp</a></p>", "1/2 bath", "lamp", "http://miami.craigslist.org/a/1.html",
         0, false},
        {"<p>a/b - <a href=\"/a/1.html\">x</a></p>", "a/b", "x", "http://miami.craigslist.org/a/1.html", 0, false},
        {"<p>a/b c - <a href=\"/a/1.html\">x</a></p>", "a/b c", "x", "http://miami.craigslist.org/a/1.html", 0, false},
        {"<p>a / b-c - <a href=\"/a/1.html\">x</a></p>", "a / b", "c - x", "http://miami.craigslist.org/a/1.html", 0,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        const auto postings = ParseAll(Page(c.block));
        ASSERT_EQ(postings.size(), 1u);
        EXPECT_EQ(postings[0].Date, c.date);
        EXPECT_EQ(postings[0].Title, c.title);
        EXPECT_EQ(postings[0].Link, c.link);
        EXPECT_EQ(postings[0].Price, c.price);
        EXPECT_EQ(postings[0].HasImage, c.image);
    }
}

TEST(TResultsPageParserTest, RelativeLinksTakeTheSchemeAndCityOfThePageLink) {
    const std::string page = Page("<p> Mar 5 - <a href=\"/abc/123.html\">t</a></p>");
    const auto fromSubArea = ParseAll(page, "http://sfbay.craigslist.org/search/sss/sfc?query=+&neighborhood=149");
    ASSERT_EQ(fromSubArea.size(), 1u);
    EXPECT_EQ(fromSubArea[0].Link, "http://sfbay.craigslist.org/abc/123.html");

    TResultsPageParser parser(page, "http://miami.example.net/search/sss", ".test.invalid");
    TParsedPosting posting;
    ASSERT_TRUE(parser.Next(posting));
    EXPECT_EQ(posting.Link, "http://miami.test.invalid/abc/123.html");
}

} // namespace
