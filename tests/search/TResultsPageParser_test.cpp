// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TResultsPageParser.h"

#include <algorithm>
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

// Today's markup: one li with a data-pid per posting.

std::string Item(const std::string& pid, const std::string& inner) {
    return "<li data-pid=\"" + pid + "\" class=\"cl-search-result\" title=\"t\">" + inner + "</li>";
}

std::string TitleAnchor(const std::string& link, const std::string& label) {
    return "<a tabindex=\"0\" href=\"" + link +
           "\" class=\"cl-app-anchor text-only posting-title\"><span class=\"label\">" + label + "</span></a>";
}

std::string Meta(const std::string& date, const std::string& place) {
    return "<div class=\"meta\">" + date + "<span class=\"separator\">\xC2\xB7</span>" + place + "</div>";
}

std::string PriceInfo(const std::string& price) {
    return "<span class=\"priceinfo\">" + price + "</span>";
}

const std::string Gallery = "<div class=\"cl-gallery\"><a class=\"main\" href=\"/x/1.html\"><img alt=\"a\" "
                            "src=\"https://images.example.invalid/1.jpg\"></a></div>";
const std::string EmptyGallery = "<div class=\"cl-gallery empty\"><a class=\"main empty\" href=\"/x/1.html\"><p>no "
                                 "image</p></a></div>";

std::string ItemsPage(const std::string& items) {
    return "<html><body><p class=\"no-results\">no postings</p><div class=\"results\"><ol>" + items +
           "</ol></div><span class=\"label\">hide</span></body></html>";
}

std::string ReadFixture(const std::string& name) {
    return ReadAll(std::filesystem::path(TRAWLIX_SOURCE_DIR) / "tests/fixtures/pages" / name);
}

// The saved 2023 page is the list as a browser showed it, its items filled by the site's
// scripts: 120 postings, 94 of them with a price. The golden folder holds every one.
TEST(TResultsPageParserTest, TodaysPageGivesEveryPostingInPageOrder) {
    std::string page = ReadFixture("new-results-2023-boston-sss.html");
    DecodePage(page, "text/html");
    const std::string link = "https://boston.craigslist.org/search/sss";
    EXPECT_EQ(TResultsPageParser(page, link, Domain).Markup(), TResultsMarkup::PostingItems);
    const auto postings = ParseAll(page, link);
    ASSERT_EQ(postings.size(), 120u);

    // Each posting's link ends with the id of its item, in the order of the items.
    std::size_t at = 0;
    for (const TParsedPosting& posting : postings) {
        at = page.find("<li data-pid=\"", at);
        ASSERT_NE(at, std::string::npos);
        at += 14;
        const std::string id = page.substr(at, page.find('"', at) - at);
        EXPECT_TRUE(posting.Link.starts_with("https://boston.craigslist.org/")) << posting.Link;
        EXPECT_TRUE(posting.Link.ends_with("/" + id + ".html")) << posting.Link;
        EXPECT_FALSE(posting.Title.empty()) << id;
        EXPECT_TRUE(posting.Date.ends_with(" mins ago")) << posting.Date;
    }
    EXPECT_EQ(std::count_if(postings.begin(), postings.end(), [](const auto& p) { return p.Price > 0; }), 94);
    // Six items have an empty gallery and no "pic" or "img" in their titles.
    EXPECT_EQ(std::count_if(postings.begin(), postings.end(), [](const auto& p) { return p.HasImage; }), 114);

    EXPECT_EQ(postings[0].Title, "$5 Solar tea light - (Peabody) pic");
    EXPECT_EQ(postings[0].Link, "https://boston.craigslist.org/nos/for/d/peabody-solar-tea-light/7692736931.html");
    EXPECT_EQ(postings[0].Price, 5);
    EXPECT_EQ(postings[0].Date, "12 mins ago");
    EXPECT_TRUE(postings[0].HasImage);
    // An empty gallery: no image mark; the entity of the title is decoded.
    EXPECT_EQ(postings[1].Title, "$75 WEN by Chaz Dean Bella Spirit & Classic Set - (south shore)");
    EXPECT_EQ(postings[1].Link,
              "https://boston.craigslist.org/sob/hab/d/pembroke-wen-by-chaz-dean-bella-spirit/7692736919.html");
    EXPECT_EQ(postings[1].Price, 75);
    EXPECT_FALSE(postings[1].HasImage);
}

TEST(TResultsPageParserTest, TheMarkupIsChosenByWhatThePageHolds) {
    // No page of the old site is read as today's list: the 2014 rows carry data-pid on
    // paragraphs and map tags, not on list items.
    for (const auto& file :
         std::filesystem::directory_iterator(std::filesystem::path(TRAWLIX_SOURCE_DIR) / "tests/fixtures/pages")) {
        const std::string name = file.path().filename().string();
        if (!name.starts_with("old-results-"))
            continue;
        const std::string page = ReadAll(file.path());
        const TResultsMarkup expected =
            page.find("Displaying: ") == std::string::npos ? TResultsMarkup::None : TResultsMarkup::Paragraphs;
        EXPECT_EQ(TResultsPageParser(page, "http://miami.craigslist.org/", Domain).Markup(), expected) << name;
    }

    const std::string item = Item("1", TitleAnchor("/a/7.html", "today's lamp"));
    const struct {
        std::string name;
        std::string page;
        TResultsMarkup markup;
        std::vector<std::string> titles;
    } cases[] = {
        {"neither markup: paragraphs with posting links but no counter, data-pid off list items",
         "<html><p> Mar 5 - <a href=\"/a/1.html\">x</a></p><ol><li class=\"data-pid\">" +
             TitleAnchor("/a/2.html", "y") + "</li></ol><span data-pid=\"3\"></span><p data-pid=\"4\">" +
             TitleAnchor("/a/4.html", "z") + "</p></html>",
         TResultsMarkup::None,
         {}},
        {"empty page", "", TResultsMarkup::None, {}},
        {"both: the counter decides",
         Page("<p> Mar 5 - <a href=\"/a/1.html\">old lamp</a></p>" + item),
         TResultsMarkup::Paragraphs,
         {"old lamp"}},
        {"items only", ItemsPage(item), TResultsMarkup::PostingItems, {"today's lamp"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TResultsPageParser(c.page, "http://miami.craigslist.org/", Domain).Markup(), c.markup);
        std::vector<std::string> titles;
        for (const TParsedPosting& posting : ParseAll(c.page))
            titles.push_back(posting.Title);
        EXPECT_EQ(titles, c.titles);
    }
}

TEST(TResultsPageParserTest, ReadsTitleLinkDatePlacePriceAndImageOfAnItem) {
    const struct {
        std::string item;
        std::string date;
        std::string title;
        std::string link;
        double price;
        bool image;
    } cases[] = {
        {Item("1", Gallery + TitleAnchor("https://miami.craigslist.org/mdc/for/d/lamp/1.html", "Solar lamp") +
                       Meta("12 mins ago", "Kendall") + PriceInfo("$5")),
         "12 mins ago", "$5 Solar lamp - (Kendall) pic", "https://miami.craigslist.org/mdc/for/d/lamp/1.html", 5, true},
        // The price shown apart comes first, before any "$" of the title itself.
        {Item("2", EmptyGallery + TitleAnchor("/a/2.html", "$5 each or all") + Meta("11/27", "Coral Gables") +
                       PriceInfo("$3,200")),
         "11/27", "$3,200 $5 each or all - (Coral Gables)", "http://miami.craigslist.org/a/2.html", 3200, false},
        // Without a price apart, the title's own price is read as on the old pages.
        {Item("3", TitleAnchor("/a/3.html", "Couch $40 obo") + Meta("1 hour ago", "Doral")), "1 hour ago",
         "Couch $40 obo - (Doral)", "http://miami.craigslist.org/a/3.html", 40, false},
        {Item("4", TitleAnchor("/a/4.html", "EUR120 sofa")), "", "EUR120 sofa", "http://miami.craigslist.org/a/4.html",
         120, false},
        {Item("5", TitleAnchor("/a/5.html", "chair") + PriceInfo("free")), "", "free chair",
         "http://miami.craigslist.org/a/5.html", 0, false},
        // The image mark is read from the title line, as on the old pages.
        {Item("6", EmptyGallery + TitleAnchor("/a/6.html", "picnic table")), "", "picnic table",
         "http://miami.craigslist.org/a/6.html", 0, true},
        // Entities as a page serialises them; a no-break space the poster typed is a space.
        {Item("7", TitleAnchor("/a/7.html", "A &amp; B &lt;3&gt; II&nbsp;Strap &quot;new&quot; it&#39;s\n\tok")), "",
         "A & B <3> II Strap \"new\" it's  ok", "http://miami.craigslist.org/a/7.html", 0, false},
        // A meta with one text has a date only; with three, the last is the place.
        {Item("8", TitleAnchor("/a/8.html", "x") + "<div class=\"meta\"> 11/26 </div>"), "11/26", "x",
         "http://miami.craigslist.org/a/8.html", 0, false},
        {Item("9", TitleAnchor("/a/9.html", "x") +
                       "<div class=\"meta\">11/26<span class=\"separator\">.</span>3mi<span "
                       "class=\"separator\">.</span> Hialeah </div>"),
         "11/26", "x - (Hialeah)", "http://miami.craigslist.org/a/9.html", 0, false},
        // A title without a label is the text of its anchor; a title element that is not
        // an anchor takes the link of the anchor inside it.
        {Item("10", "<a href=\"/a/10.html\" class=\"posting-title\"><b>bold</b> lamp</a>"), "", "bold lamp",
         "http://miami.craigslist.org/a/10.html", 0, false},
        {Item("11", "<div class=\"title posting-title\"><a href=\"/a/11.html\"><span class=\"label\">in "
                    "div</span></a></div>"),
         "", "in div", "http://miami.craigslist.org/a/11.html", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        const auto postings = ParseAll(ItemsPage(c.item));
        ASSERT_EQ(postings.size(), 1u);
        EXPECT_EQ(postings[0].Date, c.date);
        EXPECT_EQ(postings[0].Title, c.title);
        EXPECT_EQ(postings[0].Link, c.link);
        EXPECT_EQ(postings[0].Price, c.price);
        EXPECT_EQ(postings[0].HasImage, c.image);
    }
}

TEST(TResultsPageParserTest, ItemsWithoutATitleLinkAreSkippedAndAnUnclosedItemEndsTheList) {
    const std::string link = TitleAnchor("/a/1.html", "first");
    const auto postings = ParseAll(ItemsPage(
        Item("1", link) + Item("2", "<a href=\"/a/2.html\" class=\"main\">no title</a><span class=\"label\">x</span>") +
        Item("3", "<a class=\"posting-title\"><span class=\"label\">no href</span></a>") +
        // A class that only begins with the name is another class.
        Item("4", "<a href=\"/a/4.html\" class=\"posting-title-x\">other class</a>") +
        // An end tag left out: the next item ends this one.
        "<li data-pid=\"5\">" + TitleAnchor("/a/5.html", "open") + Item("6", TitleAnchor("/a/6.html", "last")) +
        "<li data-pid=\"7\">" + TitleAnchor("/a/7.html", "never closed")));
    std::vector<std::string> titles;
    for (const TParsedPosting& posting : postings)
        titles.push_back(posting.Title);
    EXPECT_EQ(titles, (std::vector<std::string>{"first", "open", "last"}));
}

// Pieces of the markup cut off at every length never read past the page.
TEST(TResultsPageParserTest, ItemsCutOffAnywhereAreReadSafely) {
    const std::string page =
        ItemsPage(Item("1", Gallery + TitleAnchor("/a/1.html", "lamp") + Meta("Mar 5", "Doral") + PriceInfo("$5")));
    for (std::size_t length = 0; length <= page.size(); ++length) {
        const std::string cut = page.substr(0, length);
        const auto postings = ParseAll(cut);
        ASSERT_LE(postings.size(), 1u);
    }
    // A tag cut off right after "<" at the end of a meta.
    ParseAll(ItemsPage(Item("2", TitleAnchor("/a/2.html", "x") + "<div class=\"meta\">Mar 5<")));
}

} // namespace
