// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
#include "search/TSearch.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include "TFailingProxy.h"
#include "TShadowList.h"
#include "TSiteSimulator.h"
#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "core/Log.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/IResultsView.h"
#include "search/TSearchRun.h"

namespace {

constexpr int Miami = 253;
constexpr int MiamiDade = 254;
constexpr int Tampa = 260;
constexpr int SanFrancisco = 66;
constexpr int Activities = 2; // "act"
const std::string Word = "zebracorn";

/// Records the rows a run shows; can act on a row (on the user-interface thread).
class TRecordingView final : public IResultsView {
public:
    void AddEntryRow(TEntry& entry) override {
        Rows.push_back(entry.Link);
        if (OnRow)
            OnRow(entry);
    }
    std::vector<std::string> Rows;
    std::function<void(TEntry&)> OnRow;
};

/// A proxy that answers every request with one page; held ones wait until released.
class THeldProxy final {
public:
    explicit THeldProxy(
        std::string page = "<html>Displaying: 1 <p> Mar 5 - <a href=\"/a/1.html\">late</a></p> Displaying: </html>",
        bool held = true)
        : m_page(std::move(page)), m_released(!held) {
        m_server.Get(".*", [this](const httplib::Request&, httplib::Response& response) {
            std::unique_lock lock(m_mutex);
            ++m_arrived;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_released; });
            response.set_content(m_page, "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~THeldProxy() {
        Release();
        m_server.stop();
        m_thread.join();
    }
    std::string Proxy() const { return "127.0.0.1:" + std::to_string(m_port); }
    int Arrived() {
        std::lock_guard lock(m_mutex);
        return m_arrived;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }

private:
    const std::string m_page;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_arrived = 0;
    bool m_released = false;
};

class TSearchRunTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        ASSERT_TRUE(simulator.Start());
        StartSession(simulator.Proxy());
    }
    void TearDown() override {
        search.reset();
        EXPECT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
        session.reset();
        simulator.Stop();
    }

    void StartSession(const std::string& proxy) {
        search.reset();
        session.reset();
        TConfig config = folder.Config();
        config.HttpProxy = proxy;
        config.ParserPauseMs = 0;
        session = std::make_unique<TSession>(config);
        session->SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")),
                           std::make_unique<TCategories>(folder.File("Categories.tx")));
        search = std::make_unique<TSearch>(&session->SearchContext());
        search->Category = session->Categories->FindById(Activities);
        search->PositiveKeywords = Word;
    }

    TPlace* PlaceById(int id) const { return session->Places->FindById(id); }
    TSearchRun& CurrentRun() const { return search->CurrentRun(); }

    /// Adds count postings with the test word to a site, oldest first; returns their links,
    /// newest first (the order of the results pages).
    std::vector<std::string> AddPostings(const std::string& site, int count, const std::string& subArea = {}) {
        std::vector<std::string> links;
        for (int i = 0; i < count; ++i) {
            TSimPosting posting;
            posting.Site = site;
            posting.SubArea = subArea;
            posting.Category = "act";
            posting.Title = Word + " walk " + std::to_string(i);
            posting.Body = "join us";
            links.insert(links.begin(), simulator.LinkOf(simulator.AddPosting(posting)));
        }
        return links;
    }

    void RunAndWait(IResultsView* view = nullptr) {
        search->Run(view);
        ASSERT_TRUE(WaitFor([this] { return CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
    }

    static std::vector<std::string> Links(const TEntryList& entries) {
        std::vector<std::string> links;
        for (const auto& entry : entries)
            links.push_back(entry->Link);
        return links;
    }

    TTempDataFolder folder;
    TSiteSimulator simulator;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TSearch> search;
};

TEST_F(TSearchRunTest, OneLocationFetchesTwoPagesAndMarksOnlyTheFirst) {
    const auto links = AddPostings("miami", 105);
    search->SetLeafLocations({PlaceById(Miami)});
    search->NewResultsAvailable = true;
    search->LatestEntries.push_back(std::make_unique<TLatestEntry>(5, "old", "old page"));
    TRecordingView view;
    RunAndWait(&view);

    const std::string first = "http://miami.craigslist.org/search/act?query=" + Word;
    EXPECT_EQ(CurrentRun().FetchedLinks, (std::vector<std::string>{first, first + "&s=100"}));
    EXPECT_EQ(Links(search->Results), links);
    EXPECT_EQ(view.Rows, links);
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->LocationId, 0);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, links[0]);
    EXPECT_EQ(search->LatestEntries[0]->PageLink, first);
    EXPECT_FALSE(search->NewResultsAvailable);
    EXPECT_TRUE(std::all_of(search->Results.begin(), search->Results.end(), [](const auto& e) { return e->New; }));
    EXPECT_EQ(search->Results[0]->Location, "united states - florida - south florida");
    EXPECT_EQ(search->Results[0]->Name, Word + " walk 104 -");
    EXPECT_EQ(CurrentRun().Parser, nullptr);
}

TEST_F(TSearchRunTest, ARunWithoutAViewKeepsTheNewResultsMark) {
    AddPostings("miami", 1);
    search->SetLeafLocations({PlaceById(Miami)});
    search->NewResultsAvailable = true;
    RunAndWait(nullptr);
    EXPECT_TRUE(search->NewResultsAvailable);
    EXPECT_EQ(search->Results.size(), 1u);
}

TEST_F(TSearchRunTest, SeveralLocationsFetchTheFirstPageOfEach) {
    const auto miami = AddPostings("miami", 3);
    const auto tampa = AddPostings("tampa", 102);
    search->SetLeafLocations({PlaceById(Miami), PlaceById(Tampa)});
    RunAndWait();

    EXPECT_EQ(CurrentRun().FetchedLinks,
              (std::vector<std::string>{"http://miami.craigslist.org/search/act?query=" + Word,
                                        "http://tampa.craigslist.org/search/act?query=" + Word}));
    std::vector<std::string> expected = miami;
    expected.insert(expected.end(), tampa.begin(), tampa.begin() + 100);
    EXPECT_EQ(Links(search->Results), expected);
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, miami[0]);
    EXPECT_EQ(search->LatestEntries[1]->LocationId, 1);
    EXPECT_EQ(search->LatestEntries[1]->EntryLink, tampa[0]);
}

TEST_F(TSearchRunTest, TheNeighbourhoodsOfASubAreaChosenTogetherAreFetchedOnce) {
    const auto links = AddPostings("sfbay", 2, "sfc");
    TPlace* sanFrancisco = PlaceById(SanFrancisco);
    search->SetLocations({sanFrancisco});
    RunAndWait();

    EXPECT_EQ(CurrentRun().LocationsToSearch, sanFrancisco->Children);
    EXPECT_EQ(CurrentRun().FetchedLinks,
              std::vector<std::string>{"http://sfbay.craigslist.org/search/act/sfc?query=" + Word});
    EXPECT_EQ(Links(search->Results), links);
    EXPECT_EQ(search->Results[0]->Location, "united states - california - san francisco bay area - san francisco");
    // Every neighbourhood's link was built and logged, even those skipped as already fetched.
    const std::string log = folder.ReadFile("log.tx");
    std::size_t lines = 0;
    for (std::size_t at = 0; (at = log.find("TSearch.MakeSearchLink: ", at)) != std::string::npos; ++at)
        ++lines;
    EXPECT_EQ(lines, sanFrancisco->Children.size());
}

TEST_F(TSearchRunTest, TwoCitiesWithinRangeAreEachFetchedOnce) {
    AddPostings("miami", 2, "mdc");
    search->SetLeafLocations({PlaceById(Miami), PlaceById(MiamiDade)});
    search->Distance = 1;
    RunAndWait();

    // Each place once, though each lies within range of both leaf locations.
    EXPECT_EQ(CurrentRun().LocationsToSearch, (TPlaceList{PlaceById(Miami), PlaceById(MiamiDade)}));
    EXPECT_EQ(CurrentRun().FetchedLinks,
              (std::vector<std::string>{"http://miami.craigslist.org/search/act?query=" + Word,
                                        "http://miami.craigslist.org/search/act/mdc?query=" + Word}));
    EXPECT_EQ(search->Results.size(), 2u) << "the second page's postings were already there";
}

TEST_F(TSearchRunTest, DeletedResultsAreLeftOutAndTheMarkerSkipsThem) {
    const auto links = AddPostings("miami", 3);
    search->DeletedResults.push_back(std::make_unique<TEntry>("", "gone", links[0], 0, "", false));
    search->SetLeafLocations({PlaceById(Miami)});
    RunAndWait();

    EXPECT_EQ(Links(search->Results), (std::vector<std::string>{links[1], links[2]}));
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, links[1]);
    EXPECT_EQ(search->DeletedResults.size(), 1u);
}

TEST_F(TSearchRunTest, KnownPostingsAreDroppedOrAddedAgainByKeepOldResults) {
    const auto links = AddPostings("miami", 3);
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        search->Results.clear();
        search->Results.push_back(std::make_unique<TEntry>("Mar 1", "known", links[1], 5, "x", false));
        search->Results[0]->Visited = true;
        search->KeepOldResults = keep;
        search->ResetResults(false);
        search->SetLeafLocations({PlaceById(Miami)});
        TRecordingView view;
        RunAndWait(&view);

        EXPECT_EQ(search->Results[0]->Name, "known");
        EXPECT_TRUE(search->Results[0]->Visited);
        if (keep) {
            EXPECT_EQ(Links(search->Results), (std::vector<std::string>{links[1], links[0], links[2]}));
            EXPECT_EQ(view.Rows, (std::vector<std::string>{links[0], links[2]}));
        } else {
            EXPECT_EQ(Links(search->Results), (std::vector<std::string>{links[1], links[0], links[1], links[2]}));
            EXPECT_FALSE(search->Results[2]->New) << "added again, not new";
            EXPECT_TRUE(search->Results[1]->New);
            EXPECT_EQ(view.Rows, (std::vector<std::string>{links[0], links[1], links[2]}));
        }
    }
}

// A list model kept from the notifications alone shows each accepted entry as it is added,
// before the view hears of it, through runs that keep, drop and leave out postings.
TEST_F(TSearchRunTest, TheResultsListenerHearsEveryChangeOfARunInOrder) {
    const auto links = AddPostings("miami", 3);
    search->SetLeafLocations({PlaceById(Miami)});
    search->Results.push_back(std::make_unique<TEntry>("Mar 1", "known", links[1], 5, "x", false));
    TShadowList<TEntry> shadow(search->Results);
    TRecordingView view;
    view.OnRow = [&](TEntry& entry) {
        ASSERT_FALSE(shadow.Rows().empty());
        EXPECT_EQ(shadow.Rows().back().Item, &entry);
    };

    search->ResetResults(false);
    RunAndWait(&view);
    EXPECT_EQ(shadow.Events, (std::vector<std::string>{"change 0-0", "insert 1-1", "insert 2-2"}));

    search->KeepOldResults = false;
    search->ResetResults(true);
    RunAndWait(&view);
    search->MarkDeleted(*search->Results[1]);
    RunAndWait(&view);
    EXPECT_EQ(shadow.Events,
              (std::vector<std::string>{"change 0-0", "insert 1-1", "insert 2-2", "reset", "insert 0-0", "insert 1-1",
                                        "insert 2-2", "remove 1-1", "insert 2-2", "insert 3-3"}));
    EXPECT_EQ(Links(search->Results), (std::vector<std::string>{links[0], links[2], links[0], links[2]}));
    EXPECT_TRUE(shadow.Matches());
}

TEST_F(TSearchRunTest, NearbyPostingsAfterTheFewLocalLineAreNotTaken) {
    const auto local = AddPostings("miami", 2);
    // Whichever Florida site the simulator picks as miami's neighbour has postings too.
    for (const TPlace* city : PlaceById(Miami)->Parent()->Children)
        if (city->Id != Miami && city->Level == 3 && !city->Link.empty())
            try {
                AddPostings(city->Link.substr(7, city->Link.find('.') - 7), 1);
            } catch (const std::invalid_argument&) {
            }
    search->SetLeafLocations({PlaceById(Miami)});
    RunAndWait();
    TFetchOptions options;
    options.Proxy = simulator.Proxy();
    ASSERT_NE(FetchUrl(CurrentRun().FetchedLinks[0], options).find("Few <b>LOCAL</b> results found."),
              std::string::npos);
    EXPECT_EQ(Links(search->Results), local);
}

TEST_F(TSearchRunTest, StopWhileFetchingNeverParsesThePage) {
    THeldProxy held;
    StartSession(held.Proxy());
    search->SetLeafLocations({PlaceById(Miami)});
    search->Run(nullptr);
    ASSERT_TRUE(WaitFor([&] { return held.Arrived() == 1; }));
    EXPECT_FALSE(CurrentRun().Idle);
    search->Stop();
    EXPECT_TRUE(CurrentRun().Idle);
    EXPECT_EQ(CurrentRun().Parser, nullptr);
    held.Release();
    ASSERT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    // Let the late page arrive and find nobody waiting for it.
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(search->Results.empty());
    EXPECT_EQ(CurrentRun().FetchedLinks.size(), 1u);
    EXPECT_TRUE(CurrentRun().Idle);
}

TEST_F(TSearchRunTest, TheSearchKeepsItsMarkersUntilTheRunEndsWithNewOnes) {
    THeldProxy held;
    StartSession(held.Proxy());
    search->SetLeafLocations({PlaceById(Miami)});
    search->LatestEntries.push_back(std::make_unique<TLatestEntry>(0, "old", "old page"));
    search->Run(nullptr);
    ASSERT_TRUE(WaitFor([&] { return held.Arrived() == 1; }));
    // A check during the run compares with what the last run saw.
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, "old");

    held.Release();
    ASSERT_TRUE(WaitFor([this] { return CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_NE(search->LatestEntries[0]->EntryLink, "old");
    EXPECT_EQ(search->LatestEntries[0]->PageLink, CurrentRun().FetchedLinks.at(0));
}

TEST_F(TSearchRunTest, StopWhileParsingEndsAtTheNextPostingAndKeepsWhatWasAdded) {
    AddPostings("miami", 50);
    search->SetLeafLocations({PlaceById(Miami)});
    TRecordingView view;
    view.OnRow = [this](TEntry&) { search->Stop(); };
    int idleCalls = 0;
    CurrentRun().OnIdle = [&] { ++idleCalls; };
    RunAndWait(&view);
    EXPECT_EQ(search->Results.size(), 1u);
    EXPECT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(CurrentRun().FetchedLinks.size(), 1u);
    EXPECT_EQ(idleCalls, 1);
    // The marker made before the stop is the search's now.
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, search->Results[0]->Link);

    // The search can run again afterwards.
    view.OnRow = nullptr;
    search->ResetResults(true);
    RunAndWait(&view);
    EXPECT_EQ(search->Results.size(), 50u);
}

// Today's posting links run past 100 bytes and differ only in their id at the end.
TEST_F(TSearchRunTest, PostingsWhoseLinksShareTheirFirst100BytesAreTwoResults) {
    const std::string path = "/mdc/act/d/" + std::string(100, 'w');
    std::string page = "<html>Displaying: 1 - 2 ";
    for (const char* id : {"7712345601", "7712345602"})
        page += "<p> Mar 5 - <a href=\"" + path + "/" + id + ".html\">walk</a></p> ";
    THeldProxy site(page + "Displaying: 1 - 2</html>", false);
    StartSession(site.Proxy());
    search->SetLeafLocations({PlaceById(Miami)});
    RunAndWait();
    const std::string base = "http://miami.craigslist.org" + path;
    EXPECT_EQ(Links(search->Results), (std::vector<std::string>{base + "/7712345601.html", base + "/7712345602.html"}));
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, base + "/7712345601.html");
}

// A page of today's markup: its postings are left out when deleted, dropped or added again
// when known, marked new and make the location's marker as those of the old pages do.
TEST_F(TSearchRunTest, TodaysListFollowsEveryRuleOfARun) {
    std::string page = "<html><body><ol>";
    const char* const titles[] = {"deleted lamp", "walk shoes", "known chair"};
    for (int i = 0; i < 3; ++i)
        page += "<li data-pid=\"77000000" + std::to_string(i) + "\"><div class=\"cl-gallery\"><img alt=\"\"></div>" +
                "<a href=\"/mdc/act/d/x/77000000" + std::to_string(i) + ".html\" class=\"posting-title\"><span " +
                "class=\"label\">" + titles[i] + "</span></a><div class=\"meta\">Mar " + std::to_string(5 - i) +
                "<span class=\"separator\">&#183;</span>Kendall</div><span class=\"priceinfo\">$" +
                std::to_string(10 * (i + 1)) + "</span></li>";
    THeldProxy site(page + "</ol></body></html>", false);
    StartSession(site.Proxy());
    const std::string base = "http://miami.craigslist.org/mdc/act/d/x/77000000";
    const std::string links[] = {base + "0.html", base + "1.html", base + "2.html"};

    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep);
        search->Results.clear();
        search->Results.push_back(std::make_unique<TEntry>("Mar 1", "known", links[2], 5, "x", false));
        search->DeletedResults.clear();
        search->DeletedResults.push_back(std::make_unique<TEntry>("", "gone", links[0], 0, "", false));
        search->KeepOldResults = keep;
        search->ResetResults(false);
        search->SetLeafLocations({PlaceById(Miami)});
        TRecordingView view;
        RunAndWait(&view);

        // One location: pages 1 and 2 are fetched, and the site answers both with this list.
        ASSERT_EQ(CurrentRun().FetchedLinks.size(), 2u);
        ASSERT_EQ(search->LatestEntries.size(), 1u);
        EXPECT_EQ(search->LatestEntries[0]->EntryLink, links[1]) << "the marker skips the deleted posting";
        EXPECT_EQ(search->LatestEntries[0]->PageLink, CurrentRun().FetchedLinks[0]);
        EXPECT_EQ(search->Results[0]->Name, "known");
        if (keep) {
            EXPECT_EQ(Links(search->Results), (std::vector<std::string>{links[2], links[1]}));
            EXPECT_EQ(view.Rows, (std::vector<std::string>{links[1]}));
        } else {
            EXPECT_EQ(Links(search->Results),
                      (std::vector<std::string>{links[2], links[1], links[2], links[1], links[2]}));
            EXPECT_TRUE(search->Results[1]->New);
            for (std::size_t i = 2; i < search->Results.size(); ++i)
                EXPECT_FALSE(search->Results[i]->New) << i;
        }
        const TEntry& walk = *search->Results[1];
        EXPECT_EQ(walk.Name, "$20 walk shoes - (Kendall) pic");
        EXPECT_EQ(walk.Price, 20);
        EXPECT_TRUE(walk.HasImage);
        EXPECT_EQ(walk.Date, "Mar 4");
        EXPECT_EQ(walk.Month, 3);
        EXPECT_EQ(walk.Day, 4);
        EXPECT_EQ(walk.Location, PlaceById(Miami)->FullName());
        EXPECT_TRUE(walk.New);
    }
}

TEST_F(TSearchRunTest, AFailedFetchMovesOnToTheNextLocation) {
    simulator.Stop(); // nothing listens on the proxy port now
    search->SetLeafLocations({PlaceById(Miami), PlaceById(Tampa)});
    RunAndWait();
    EXPECT_EQ(CurrentRun().FetchedLinks.size(), 2u);
    EXPECT_TRUE(search->Results.empty());
    EXPECT_TRUE(search->LatestEntries.empty());
    ASSERT_EQ(CurrentRun().FailedFetches.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(CurrentRun().FailedFetches[i].Link, CurrentRun().FetchedLinks[i]);
        EXPECT_FALSE(CurrentRun().FailedFetches[i].Reason.empty());
    }
    EXPECT_EQ(CurrentRun().FailedFetches[1].Location, PlaceById(Tampa)->FullName());
}

TEST_F(TSearchRunTest, APageThatCannotBeFetchedKeepsItsMarkerAndTheMarkAndIsReported) {
    TFailingProxy proxy(simulator, "tampa.craigslist.org");
    StartSession(proxy.Proxy());
    const auto miami = AddPostings("miami", 5);
    const auto tampa = AddPostings("tampa", 5);
    search->SetLeafLocations({PlaceById(Miami), PlaceById(Tampa)});
    RunAndWait();
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    const std::string tampaPage = search->LatestEntries[1]->PageLink;
    search->NewResultsAvailable = true;
    const auto newerMiami = AddPostings("miami", 1);
    AddPostings("tampa", 1);

    proxy.SetFailing(true);
    TRecordingView view;
    RunAndWait(&view);
    // Tampa's error page is no results page.
    for (const std::string& link : view.Rows)
        EXPECT_EQ(link.find("tampa"), std::string::npos) << link;
    ASSERT_EQ(CurrentRun().FailedFetches.size(), 1u);
    EXPECT_EQ(CurrentRun().FailedFetches[0].Location, PlaceById(Tampa)->FullName());
    EXPECT_EQ(CurrentRun().FailedFetches[0].Link, tampaPage);
    EXPECT_EQ(CurrentRun().FailedFetches[0].Reason, "HTTP status 500");
    // Miami's marker is new; Tampa's is the one from before, so a check still finds its
    // newer posting. The mark stays: not every location was seen.
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, newerMiami[0]);
    EXPECT_EQ(search->LatestEntries[1]->EntryLink, tampa[0]);
    EXPECT_EQ(search->LatestEntries[1]->PageLink, tampaPage);
    EXPECT_EQ(search->LatestEntries[1]->LocationId, 1);
    EXPECT_TRUE(search->NewResultsAvailable);

    // Once every page comes again, the run starts afresh.
    proxy.SetFailing(false);
    RunAndWait(&view);
    EXPECT_TRUE(CurrentRun().FailedFetches.empty());
    EXPECT_FALSE(search->NewResultsAvailable);
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    EXPECT_NE(search->LatestEntries[1]->EntryLink, tampa[0]);
}

/// A run over Miami and Tampa whose Tampa page could not be fetched.
class TRetryTest : public TSearchRunTest {
protected:
    void SetUp() override {
        TSearchRunTest::SetUp();
        proxy = std::make_unique<TFailingProxy>(simulator, "tampa.craigslist.org");
        StartSession(proxy->Proxy());
        miami = AddPostings("miami", 3);
        tampa = AddPostings("tampa", 3);
        search->SetLeafLocations({PlaceById(Miami), PlaceById(Tampa)});
        search->NewResultsAvailable = true;
        proxy->SetFailing(true);
        RunAndWait(&view);
        ASSERT_EQ(CurrentRun().FailedFetches.size(), 1u);
        tampaName = PlaceById(Tampa)->FullName();
        ASSERT_EQ(CurrentRun().FailedFetches[0].Location, tampaName);
    }
    void TearDown() override {
        TSearchRunTest::TearDown();
        proxy.reset();
    }

    /// Retries location and waits for the retry to end; false when it did not start.
    bool RetryAndWait(const std::string& location) {
        if (!CurrentRun().RetryLocation(location, &view))
            return false;
        EXPECT_TRUE(WaitFor([this] { return CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
        return true;
    }

    std::unique_ptr<TFailingProxy> proxy;
    TRecordingView view;
    std::vector<std::string> miami;
    std::vector<std::string> tampa;
    std::string tampaName;
};

TEST_F(TRetryTest, ALocationFetchedOnRetryLeavesTheFailuresAndAddsItsPostingsAndMarker) {
    ASSERT_EQ(Links(search->Results), miami);
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    const std::string tampaPage = CurrentRun().FailedFetches[0].Link;
    const auto fetchedBefore = CurrentRun().FetchedLinks;
    EXPECT_TRUE(search->NewResultsAvailable) << "Tampa was not seen";

    proxy->SetFailing(false);
    view.Rows.clear();
    ASSERT_TRUE(RetryAndWait(tampaName));

    EXPECT_TRUE(CurrentRun().FailedFetches.empty());
    EXPECT_EQ(view.Rows, tampa);
    std::vector<std::string> expected = miami;
    expected.insert(expected.end(), tampa.begin(), tampa.end());
    EXPECT_EQ(Links(search->Results), expected);
    // Miami's marker stays; Tampa's comes after it, as a whole run would leave them.
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, miami[0]);
    EXPECT_EQ(search->LatestEntries[1]->EntryLink, tampa[0]);
    EXPECT_EQ(search->LatestEntries[1]->PageLink, tampaPage);
    EXPECT_EQ(search->LatestEntries[1]->LocationId, 1);
    EXPECT_FALSE(search->NewResultsAvailable) << "every location has been seen now";
    EXPECT_EQ(CurrentRun().FetchedLinks, fetchedBefore) << "nothing but the failed page was fetched";
}

TEST_F(TRetryTest, ALocationThatFailsAgainStaysWithTheNewReasonAndChangesNothing) {
    proxy->SetFailureStatus(503);
    const auto results = Links(search->Results);
    const std::string marker = search->LatestEntries.at(0)->EntryLink;
    view.Rows.clear();
    ASSERT_TRUE(RetryAndWait(tampaName));

    ASSERT_EQ(CurrentRun().FailedFetches.size(), 1u);
    EXPECT_EQ(CurrentRun().FailedFetches[0].Location, tampaName);
    EXPECT_EQ(CurrentRun().FailedFetches[0].Reason, "HTTP status 503");
    EXPECT_TRUE(view.Rows.empty());
    EXPECT_EQ(Links(search->Results), results);
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, marker);
    EXPECT_TRUE(search->NewResultsAvailable);
}

TEST_F(TRetryTest, ARetryFollowsTheRulesForKnownAndDeletedPostings) {
    // tampa[0] is deleted, tampa[1] already a result; old results are kept.
    search->DeletedResults.push_back(std::make_unique<TEntry>("", "gone", tampa[0], 0, "", false));
    search->Results.push_back(std::make_unique<TEntry>("Mar 1", "known", tampa[1], 5, "x", false));
    search->KeepOldResults = true;
    proxy->SetFailing(false);
    view.Rows.clear();
    ASSERT_TRUE(RetryAndWait(tampaName));

    EXPECT_EQ(view.Rows, std::vector<std::string>{tampa[2]});
    std::vector<std::string> expected = miami;
    expected.push_back(tampa[1]);
    expected.push_back(tampa[2]);
    EXPECT_EQ(Links(search->Results), expected);
    EXPECT_TRUE(search->Results.back()->New);
    ASSERT_EQ(search->LatestEntries.size(), 2u);
    EXPECT_EQ(search->LatestEntries[1]->EntryLink, tampa[1]) << "the marker skips the deleted posting";
}

TEST_F(TRetryTest, NoRetryStartsForALocationWithoutFailuresOrDuringARun) {
    for (const std::string& location : {PlaceById(Miami)->FullName(), std::string(), std::string("nowhere")}) {
        SCOPED_TRACE(location);
        EXPECT_FALSE(CurrentRun().RetryLocation(location, &view));
        EXPECT_TRUE(CurrentRun().Idle);
    }
    proxy->SetFailing(false);
    search->Run(&view);
    EXPECT_FALSE(CurrentRun().RetryLocation(tampaName, &view)) << "a run is active";
    ASSERT_TRUE(WaitFor([this] { return CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
    EXPECT_TRUE(CurrentRun().FailedFetches.empty());
    EXPECT_FALSE(CurrentRun().RetryLocation(tampaName, &view)) << "nothing failed in the new run";
}

// One location is fetched over two pages; both failed, both are fetched again.
TEST_F(TSearchRunTest, RetryingASingleLocationFetchesBothOfItsPages) {
    TFailingProxy proxy(simulator, "miami.craigslist.org");
    StartSession(proxy.Proxy());
    const auto links = AddPostings("miami", 105);
    search->SetLeafLocations({PlaceById(Miami)});
    proxy.SetFailing(true);
    RunAndWait();
    ASSERT_EQ(CurrentRun().FailedFetches.size(), 2u);
    EXPECT_EQ(CurrentRun().FailedFetches[0].Page, 1);
    EXPECT_EQ(CurrentRun().FailedFetches[1].Page, 2);
    EXPECT_TRUE(search->Results.empty());
    EXPECT_TRUE(search->LatestEntries.empty());

    proxy.SetFailing(false);
    ASSERT_TRUE(CurrentRun().RetryLocation(PlaceById(Miami)->FullName(), nullptr));
    ASSERT_TRUE(WaitFor([this] { return CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
    EXPECT_TRUE(CurrentRun().FailedFetches.empty());
    EXPECT_EQ(Links(search->Results), links);
    ASSERT_EQ(search->LatestEntries.size(), 1u);
    EXPECT_EQ(search->LatestEntries[0]->EntryLink, links[0]);
}

TEST_F(TSearchRunTest, ALocationWithoutALinkIsSkippedAndTheRunEndsIdle) {
    const auto links = AddPostings("miami", 2);
    // A neighbourhood whose sub-area is missing from the table yields no link.
    auto orphan = std::make_unique<TPlace>();
    orphan->Id = 999999;
    orphan->ParentId = 888888;
    orphan->Level = 4;
    orphan->Link = "7";
    orphan->Table = &session->Places->Items;
    TPlace* noLink = orphan.get();
    session->Places->Items.push_back(std::move(orphan));

    for (const TPlaceList& leaves : {TPlaceList{PlaceById(Miami), noLink}, TPlaceList{noLink, PlaceById(Miami)}}) {
        search->Results.clear();
        search->SetLeafLocations(leaves);
        RunAndWait();
        EXPECT_EQ(CurrentRun().LocationsToSearch, leaves);
        EXPECT_EQ(CurrentRun().FetchedLinks.size(), 1u);
        EXPECT_EQ(Links(search->Results), links);
    }

    // No location has a link: nothing is fetched and the run still ends.
    search->Category = nullptr;
    search->Results.clear();
    RunAndWait();
    EXPECT_TRUE(CurrentRun().FetchedLinks.empty());
    EXPECT_TRUE(search->Results.empty());
}

TEST_F(TSearchRunTest, AnUnwritableLogNeitherStopsTheRunNorGoesUnsaid) {
    const auto links = AddPostings("miami", 2);
    search->SetLeafLocations({PlaceById(Miami)});
    TRecordingMessages messages;
    TTempDataFolder gone;
    ResetLog(gone.Path());
    std::filesystem::remove_all(gone.Path());
    RunAndWait();
    ResetLog(folder.Path());
    EXPECT_EQ(CurrentRun().FetchedLinks.size(), 2u); // both pages of the one location
    EXPECT_EQ(Links(search->Results), links);
    ASSERT_EQ(messages.Shown.size(), 1u);
    EXPECT_EQ(messages.Shown[0].rfind("error: Cannot write the log file", 0), 0u) << messages.Shown[0];
}

TEST_F(TSearchRunTest, DestroyingASearchDuringARunStopsIt) {
    AddPostings("miami", 100);
    search->SetLeafLocations({PlaceById(Miami)});
    TRecordingView view;
    bool destroyed = false;
    view.OnRow = [&](TEntry&) {
        if (!destroyed) {
            destroyed = true;
            search.reset();
        }
    };
    search->Run(&view);
    ASSERT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    EXPECT_TRUE(destroyed);
    EXPECT_EQ(view.Rows.size(), 1u);
}

} // namespace
