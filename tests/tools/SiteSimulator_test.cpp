// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net
#include "TSiteSimulator.h"

#include <algorithm>
#include <memory>
#include <set>

#include <gtest/gtest.h>
#include <httplib.h>

#include "TestSupport.h"
#include "search/TBrowser.h"

namespace {

// 14 April 2009: the generated postings carry dates of that spring.
constexpr long long SimNow = 1239700000;

std::string Between(const std::string& text, const std::string& from, const std::string& to, size_t start = 0) {
    const size_t begin = text.find(from, start);
    if (begin == std::string::npos)
        return {};
    const size_t end = text.find(to, begin + from.size());
    return text.substr(begin + from.size(), end == std::string::npos ? std::string::npos : end - begin - from.size());
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size()))
        ++count;
    return count;
}

/// The posting lines the program takes: after the first "Displaying: ", before the second
/// one or the few-local-results line.
std::vector<std::string> LocalBlocks(const std::string& page) {
    const size_t first = page.find("Displaying: ");
    if (first == std::string::npos)
        return {};
    size_t end = page.find("Displaying: ", first + 10);
    if (end == std::string::npos)
        end = page.find("Few <b>LOCAL</b> results found.", first);
    std::vector<std::string> blocks;
    for (size_t at = page.find("<p", first); at != std::string::npos && at < end; at = page.find("<p", at + 2))
        blocks.push_back(page.substr(at, page.find("</p>", at) - at));
    return blocks;
}

std::string LinkOfBlock(const std::string& block) {
    const size_t html = block.find(".html");
    const size_t quote = block.rfind('"', html);
    return block.substr(quote + 1, html + 5 - quote - 1);
}

std::vector<std::string> LocalLinks(const std::string& page) {
    std::vector<std::string> links;
    for (const std::string& block : LocalBlocks(page))
        links.push_back(LinkOfBlock(block));
    return links;
}

class SiteSimulatorTest : public testing::Test {
protected:
    void SetUp() override {
        TSiteSimulatorOptions options;
        options.Now = SimNow;
        m_sim = std::make_unique<TSiteSimulator>(options);
        ASSERT_TRUE(m_sim->Start());
    }

    /// Fetches a link of the real site through the simulator as proxy; the text of an
    /// error page too.
    std::string Get(const std::string& link) const {
        TFetchOptions options;
        options.Proxy = m_sim->Proxy();
        return FetchPage(link, options).Text;
    }

    TSimPosting Add(const std::string& site, const std::string& category, const std::string& title, double price = -1,
                    const std::string& marker = "", const std::string& body = "") {
        TSimPosting posting;
        posting.Site = site;
        posting.Category = category;
        posting.Title = title;
        posting.Price = price;
        posting.ImageMarker = marker;
        posting.Body = body;
        return m_sim->AddPosting(posting);
    }

    static std::string RelativeLink(const TSimPosting& posting) {
        return "/" + (posting.SubArea.empty() ? "" : posting.SubArea + "/") + posting.Category + "/" +
               std::to_string(posting.Id) + ".html";
    }

    std::unique_ptr<TSiteSimulator> m_sim;
};

} // namespace

TEST_F(SiteSimulatorTest, ResultsPagesShowAHundredNewestFirstWithPaging) {
    TSimSearch search;
    search.Site = "sfbay";
    search.Category = "sss";
    const std::vector<TSimPosting> expected = m_sim->Search(search);
    ASSERT_GT(expected.size(), 200u);

    const std::string first = Get("http://sfbay.craigslist.org/search/sss?query=+");
    const std::string counter = "Found: " + std::to_string(expected.size()) + " Displaying: 1 - 100";
    EXPECT_EQ(Count(first, counter), 2u);
    const std::vector<std::string> links = LocalLinks(first);
    ASSERT_EQ(links.size(), 100u);
    for (size_t i = 0; i < links.size(); ++i)
        EXPECT_EQ(links[i], RelativeLink(expected[i])) << i;
    for (size_t i = 1; i < expected.size(); ++i)
        ASSERT_GE(expected[i - 1].Time, expected[i].Time);

    const std::string second = Get("http://sfbay.craigslist.org/search/sss?query=+&s=100");
    EXPECT_EQ(Count(second, " Displaying: 101 - 200"), 2u);
    const std::vector<std::string> secondLinks = LocalLinks(second);
    ASSERT_EQ(secondLinks.size(), 100u);
    EXPECT_EQ(secondLinks.front(), RelativeLink(expected[100]));
}

TEST_F(SiteSimulatorTest, PostingLinesCarryDatePriceAndHonestImageMarkers) {
    const std::string page = Get("http://sfbay.craigslist.org/search/sss?query=+");
    size_t withImage = 0;
    for (const std::string& block : LocalBlocks(page)) {
        ASSERT_EQ(block.rfind("<p> Apr ", 0), 0u) << block;
        EXPECT_NE(block.find(" - <a href=\"/"), std::string::npos) << block;
        const bool marked = block.find("<span class=\"p\"> ") != std::string::npos;
        withImage += marked ? 1 : 0;
        // Nothing but the marker says "pic" or "img": the program reads those words as images.
        if (!marked) {
            EXPECT_TRUE(block.find("pic") == std::string::npos && block.find("img") == std::string::npos) << block;
        }
    }
    EXPECT_GT(withImage, 10u);
    EXPECT_LT(withImage, 100u);
    EXPECT_NE(page.find("&lt;&lt;<i><a href=\"/"), std::string::npos) << "category of each line on a main category";
    EXPECT_NE(page.find("</a><font size=\"-1\"> ("), std::string::npos);
    EXPECT_NE(page.find("</a> - <font size=\"-1\"> ("), std::string::npos);
}

TEST_F(SiteSimulatorTest, NothingFoundPage) {
    const std::string page = Get("http://miami.craigslist.org/search/bik?query=zzqqxxnothing");
    EXPECT_NE(page.find("Nothing found for that search ( All words must match )."), std::string::npos);
    EXPECT_EQ(page.find("Displaying: "), std::string::npos);
}

TEST_F(SiteSimulatorTest, KeywordSemantics) {
    const TSimPosting a = Add("miami", "bik", "zorblax red widget");
    const TSimPosting b = Add("miami", "bik", "zorblax blue widget");
    const TSimPosting c = Add("miami", "bik", "zorblax red gadget");
    const TSimPosting d = Add("miami", "bik", "zorblax green widget deluxe");
    const TSimPosting e = Add("miami", "bik", "zorblax a+b combo");
    const std::map<long long, char> names = {{a.Id, 'a'}, {b.Id, 'b'}, {c.Id, 'c'}, {d.Id, 'd'}, {e.Id, 'e'}};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"zorblax+red", "ac"},           {"zorblax+RED", "ac"},     {"zorblax+\"red+widget\"", "a"},
        {"zorblax+widget+-blue", "ad"},  {"zorblax+-widget", "ce"}, {"zorblax+(blue+|+green)", "bd"},
        {"zorblax+blue+|+gadget", "bc"}, {"zorblax+wid*", "abd"},   {"zorblax+a%2Bb", "e"},
        {"zorblax+red+blue", ""},        {"zorblax", "abcde"},
    };
    for (const auto& [query, expected] : cases) {
        const std::string page = Get("http://miami.craigslist.org/search/sss?query=" + query);
        std::string found;
        for (const std::string& link : LocalLinks(page)) {
            const long long id = std::stoll(link.substr(link.rfind('/') + 1));
            if (names.count(id))
                found += names.at(id);
        }
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, expected) << query;
        if (expected.empty()) {
            EXPECT_NE(page.find("Nothing found for that search"), std::string::npos) << query;
        }
    }
}

TEST_F(SiteSimulatorTest, CriteriaParameters) {
    Add("tampa", "bik", "quuxprice cheap", 50);
    Add("tampa", "bik", "quuxprice middle", 150, "pic");
    Add("tampa", "bik", "quuxprice dear", 250, "img");
    Add("tampa", "bik", "quuxprice unpriced", -1, "", "frobnicate inside");
    const std::vector<std::pair<std::string, std::set<std::string>>> cases = {
        {"quuxprice", {"cheap", "middle", "dear", "unpriced"}},
        {"quuxprice&minAsk=min&maxAsk=max", {"cheap", "middle", "dear", "unpriced"}},
        {"quuxprice&minAsk=100&maxAsk=200", {"middle"}},
        {"quuxprice&minAsk=min&maxAsk=200", {"cheap", "middle"}},
        {"quuxprice&minAsk=149.5&maxAsk=max", {"middle", "dear"}},
        {"quuxprice&hasPic=1", {"middle", "dear"}},
        {"frobnicate", {"unpriced"}},
        {"frobnicate&srchType=T", {}},
    };
    for (const auto& [query, expected] : cases) {
        const std::string page = Get("http://tampa.craigslist.org/search/bik?query=" + query);
        std::set<std::string> found;
        for (const std::string& block : LocalBlocks(page)) {
            const size_t at = block.find("quuxprice ");
            if (at != std::string::npos)
                found.insert(block.substr(at + 10, block.find_first_of(" -<", at + 10) - at - 10));
        }
        EXPECT_EQ(found, expected) << query;
    }
}

TEST_F(SiteSimulatorTest, HousingAndJobsFlags) {
    auto add = [this](const std::string& category, const std::string& title, int bedrooms,
                      std::vector<std::string> attributes) {
        TSimPosting posting;
        posting.Site = "boston";
        posting.Category = category;
        posting.Title = title;
        posting.Price = 1000;
        posting.Bedrooms = bedrooms;
        posting.Attributes = std::move(attributes);
        m_sim->AddPosting(posting);
    };
    add("apa", "glorptown one", 1, {"purrr"});
    add("apa", "glorptown two", 2, {"wooof"});
    add("apa", "glorptown three", 3, {"purrr", "wooof"});
    add("sof", "glorptown remote", 0, {"telecommuting"});
    add("sof", "glorptown office", 0, {});
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
        {"search/apa?query=glorptown&bedrooms=2&minAsk=min&maxAsk=max", {"two", "three"}},
        {"search/apa?query=glorptown&minAsk=min&maxAsk=max&addTwo=purrr", {"one", "three"}},
        {"search/apa?query=glorptown&addTwo=purrr&addThree=wooof", {"three"}},
        {"search/hhh?query=glorptown&addThree=wooof", {"two", "three"}},
        {"search/jjj?query=glorptown&addOne=telecommuting", {"remote"}},
        {"search/sof?query=glorptown", {"remote", "office"}},
    };
    for (const auto& [path, expected] : cases) {
        std::vector<std::string> found;
        for (const std::string& block : LocalBlocks(Get("http://boston.craigslist.org/" + path)))
            if (block.find("glorptown ") != std::string::npos)
                found.push_back(
                    Between(block, "glorptown ", " ").substr(0, Between(block, "glorptown ", " ").find('<')));
        std::vector<std::string> sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, sorted) << path;
    }
}

TEST_F(SiteSimulatorTest, SubAreaAndNeighbourhood) {
    TSimSearch search;
    search.Site = "sfbay";
    search.Category = "apa";
    search.SubArea = "sfc";
    const std::vector<TSimPosting> all = m_sim->Search(search);
    ASSERT_FALSE(all.empty());
    search.Neighborhood = all.back().Neighborhood;
    ASSERT_FALSE(search.Neighborhood.empty());
    const std::vector<TSimPosting> expected = m_sim->Search(search);
    const std::vector<std::string> links =
        LocalLinks(Get("http://sfbay.craigslist.org/search/apa/sfc?query=+&minAsk=min&maxAsk=max&neighborhood=" +
                       search.Neighborhood));
    ASSERT_EQ(links.size(), std::min<size_t>(expected.size(), 100));
    for (size_t i = 0; i < links.size(); ++i) {
        EXPECT_EQ(links[i], RelativeLink(expected[i]));
        EXPECT_EQ(links[i].rfind("/sfc/apa/", 0), 0u) << links[i];
        EXPECT_EQ(expected[i].Neighborhood, search.Neighborhood);
    }

    // Without the neighbourhood the sub-area holds more.
    EXPECT_GT(all.size(), expected.size());
}

TEST_F(SiteSimulatorTest, FewLocalResultsAreFollowedByNearbyOnes) {
    const std::string nearby = m_sim->NearestSite("raleigh");
    ASSERT_FALSE(nearby.empty());
    const TSimPosting local1 = Add("raleigh", "tag", "plonkfew lego set");
    const TSimPosting local2 = Add("raleigh", "tag", "plonkfew lego castle");
    const TSimPosting far = Add(nearby, "tag", "plonkfew lego ship");
    const std::string page = Get("http://raleigh.craigslist.org/search/tag?query=plonkfew");
    EXPECT_EQ(Count(page, "Displaying: "), 1u);
    EXPECT_NE(page.find("Few <b>LOCAL</b> results found."), std::string::npos);
    EXPECT_EQ(LocalLinks(page), (std::vector<std::string>{RelativeLink(local2), RelativeLink(local1)}));
    EXPECT_NE(page.find("href=\"http://" + nearby + ".craigslist.org" + RelativeLink(far) + "\""), std::string::npos);
}

TEST_F(SiteSimulatorTest, PostingPagesLiveAndRemoved) {
    const TSimPosting live = Add("miami", "fua", "oak table with four chairs", 120, "pic", "solid wood");
    const std::string page = Get(m_sim->LinkOf(live));
    EXPECT_NE(page.find("<h2>oak table with four chairs - $120</h2>"), std::string::npos);
    EXPECT_NE(page.find("PostingID: " + std::to_string(live.Id)), std::string::npos);
    EXPECT_NE(page.find("/flag/?flagCode=28&amp;postingID=" + std::to_string(live.Id)), std::string::npos);

    const std::vector<std::pair<TRemoval, std::vector<std::string>>> cases = {
        {TRemoval::Deleted, {"deleted by its author"}},
        {TRemoval::Flagged, {"This posting has been", "for removal"}},
        {TRemoval::Expired, {"posting has expired"}},
        {TRemoval::NotFound, {"404 Error"}},
    };
    for (const auto& [how, texts] : cases) {
        const TSimPosting gone = Add("miami", "fua", "soon gone");
        ASSERT_TRUE(m_sim->RemovePosting(gone.Id, how));
        const std::string removed = Get(m_sim->LinkOf(gone));
        for (const std::string& text : texts)
            EXPECT_NE(removed.find(text), std::string::npos) << text;
        EXPECT_EQ(removed.find("soon gone"), std::string::npos);
    }

    // Some generated postings are gone too, of every kind.
    TSimSearch search;
    search.Site = "sfbay";
    search.Category = "sss";
    std::set<TRemoval> kinds;
    for (const TSimPosting& posting : m_sim->Search(search))
        kinds.insert(posting.Removal);
    EXPECT_EQ(kinds.size(), 5u);

    EXPECT_NE(Get("http://miami.craigslist.org/mdc/fua/999.html").find("404 Error"), std::string::npos);
}

TEST_F(SiteSimulatorTest, FlagRequestsAreRecorded) {
    EXPECT_NE(Get("http://sfbay.craigslist.org/flag/?flagCode=15&postingID=1044195185").find("Thanks"),
              std::string::npos);
    Get("http://miami.craigslist.org/flag/?flagCode=9&postingID=77");
    const std::vector<TFlagRequest> flags = m_sim->FlagRequests();
    ASSERT_EQ(flags.size(), 2u);
    EXPECT_EQ(flags[0].Host, "sfbay.craigslist.org");
    EXPECT_EQ(flags[0].FlagCode, "15");
    EXPECT_EQ(flags[0].PostingId, "1044195185");
    EXPECT_EQ(flags[1].FlagCode, "9");
    const std::vector<std::string> requests = m_sim->Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], "miami.craigslist.org http://miami.craigslist.org/flag/?flagCode=9&postingID=77");
    const std::string listed = Get("http://127.0.0.1:" + std::to_string(m_sim->Port()) + "/_sim/flags");
    EXPECT_NE(listed.find("postingID=77 flagCode=9 host=miami.craigslist.org"), std::string::npos);
}

TEST_F(SiteSimulatorTest, AddedPostingsComeFirst) {
    const TSimPosting added = Add("sfbay", "bik", "brand new tandem");
    EXPECT_EQ(LocalLinks(Get("http://sfbay.craigslist.org/search/sss?query=+")).front(), RelativeLink(added));
    EXPECT_EQ(LocalLinks(Get("http://sfbay.craigslist.org/search/bik?query=tandem")).front(), RelativeLink(added));

    // The same through the control address, as scripts use it.
    const std::string answer = Get("http://127.0.0.1:" + std::to_string(m_sim->Port()) +
                                   "/_sim/add?site=sfbay&cat=bik&sub=sfc&title=even+newer+tandem&price=99&pic=1");
    const std::string link = answer.substr(answer.find(' ') + 1, answer.find('\n') - answer.find(' ') - 1);
    EXPECT_EQ(link.rfind("http://sfbay.craigslist.org/sfc/bik/", 0), 0u) << answer;
    const std::vector<std::string> links = LocalLinks(Get("http://sfbay.craigslist.org/search/sss/sfc?query=+"));
    ASSERT_FALSE(links.empty());
    EXPECT_EQ("http://sfbay.craigslist.org" + links.front(), link);
    EXPECT_NE(Get(link).find("even newer tandem"), std::string::npos);

    EXPECT_NE(Get("http://127.0.0.1:" + std::to_string(m_sim->Port()) + "/_sim/add?site=nowhere&cat=bik&title=x")
                  .find("unknown site"),
              std::string::npos);
}

TEST_F(SiteSimulatorTest, MakerPagesAndContentType) {
    httplib::Client client("127.0.0.1", m_sim->Port());
    for (const char* path : {"/sidescreen/index.html", "/to_how_it_works.php", "/"}) {
        const auto response = client.Get(path, {{"Host", "www.corvane.com"}});
        ASSERT_TRUE(response) << path;
        EXPECT_EQ(response->status, 200) << path;
        EXPECT_EQ(response->get_header_value("Content-Type"), "text/html") << path;
    }
    const auto missing = client.Get("/no/such/page", {{"Host", "sfbay.craigslist.org"}});
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(missing->get_header_value("Content-Type"), "text/html");
    EXPECT_NE(missing->body.find("404 Error"), std::string::npos);
}

TEST(SiteSimulatorDataTest, SameSeedSamePagesOtherSeedOtherPages) {
    TSiteSimulatorOptions options;
    options.Now = SimNow;
    TSiteSimulator first(options);
    TSiteSimulator second(options);
    options.Seed = 77;
    TSiteSimulator other(options);
    const TSimParams params = {{"query", ""}};
    const std::string page = first.Handle("denver.craigslist.org", "/search/sss", params).Body;
    EXPECT_EQ(page, second.Handle("denver.craigslist.org", "/search/sss", params).Body);
    EXPECT_NE(page, other.Handle("denver.craigslist.org", "/search/sss", params).Body);
    // Proxy form and plain path with a Host header give the same page.
    EXPECT_EQ(page, first.Handle("", "http://denver.craigslist.org/search/sss", params).Body);
}
