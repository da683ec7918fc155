// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
#include "notify/TNewResultsMonitor.h"

#include <algorithm>
#include <condition_variable>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <httplib.h>

#include "TSiteSimulator.h"
#include "TSmtpTestServer.h"
#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "account/TGsmNetwork.h"
#include "account/TUser.h"
#include "session/TSession.h"
#include "refdata/TCategories.h"
#include "refdata/TPlaces.h"
#include "search/IResultsView.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "store/TSearches.h"

namespace {

constexpr int Orlando = 249;
constexpr int Miami = 253;
constexpr int Tampa = 260;
constexpr int Activities = 2; // "act"
const std::string Word = "zebracorn";
const std::string Sender = "notify@corvane.test";
const std::string Password = "k7w2pQ9XL4";
const std::string Checking = "Checking for new results...";

class TNullView final : public IResultsView {
public:
    void AddEntryRow(TEntry&) override {}
};

/// The proxy between the program and the site simulator: records every request, can hold
/// requests until released and can answer chosen links with pages of its own.
class TSiteProxy final {
public:
    explicit TSiteProxy(TSiteSimulator& simulator) : m_simulator(simulator) {
        m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            std::string page;
            bool own = false;
            {
                std::unique_lock lock(m_mutex);
                m_requests.push_back(request.target);
                m_changed.notify_all();
                m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return !m_holding; });
                if (auto found = m_pages.find(request.target); found != m_pages.end()) {
                    page = found->second;
                    own = true;
                    const auto status = m_statuses.find(request.target);
                    response.status = status == m_statuses.end() ? 200 : status->second;
                }
            }
            if (!own) {
                const TSimParams params(request.params.begin(), request.params.end());
                const TSimResponse answer = m_simulator.Handle(request.get_header_value("Host"), request.path, params);
                response.status = answer.Status;
                page = answer.Body;
            }
            response.set_content(page, "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TSiteProxy() {
        Hold(false);
        m_server.stop();
        m_thread.join();
    }
    std::string Proxy() const { return "127.0.0.1:" + std::to_string(m_port); }
    void SetPage(const std::string& link, const std::string& page, int status = 200) {
        std::lock_guard lock(m_mutex);
        m_pages[link] = page;
        m_statuses[link] = status;
    }
    void ForgetPage(const std::string& link) {
        std::lock_guard lock(m_mutex);
        m_pages.erase(link);
        m_statuses.erase(link);
    }
    void Hold(bool holding) {
        std::lock_guard lock(m_mutex);
        m_holding = holding;
        m_changed.notify_all();
    }
    std::vector<std::string> Requests() {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }
    void ClearRequests() {
        std::lock_guard lock(m_mutex);
        m_requests.clear();
    }

private:
    TSiteSimulator& m_simulator;
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::string> m_requests;
    std::map<std::string, std::string> m_pages;
    std::map<std::string, int> m_statuses;
    bool m_holding = false;
};

std::string PageLink(const std::string& site) {
    return "http://" + site + ".craigslist.org/search/act?query=" + Word;
}

/// A results page of today's markup listing postings with these links, topmost first.
std::string TodaysPageWith(const std::vector<std::string>& links) {
    std::string page = "<html><body><ol class=\"cl-static-search-results\">\n";
    long long pid = 7000;
    for (const std::string& link : links)
        page += "<li class=\"cl-static-search-result\" data-pid=\"" + std::to_string(pid++) + "\"><a href=\"" + link +
                "\" class=\"cl-app-anchor text-only posting-title\"><span class=\"label\">zebracorn walk</span></a>"
                "<div class=\"meta\">12 mins ago<span class=\"separator\">&middot;</span>miami</div></li>\n";
    return page + "</ol></body></html>";
}

/// A results page in the site's layout whose only posting has the given link.
std::string PageWith(const std::string& link, int counters = 2) {
    std::string page = "<html><body><blockquote><b>Found: 1 Displaying: 1 - 1</b>\n<p> Mar  5 - <a href=\"" + link +
                       "\">zebracorn walk -</a></p>\n<br>\n";
    if (counters > 1)
        page += "<b>Found: 1 Displaying: 1 - 1</b>\n";
    return page + "</blockquote></body></html>\n";
}

class TNewResultsMonitorTest : public testing::Test {
protected:
    void SetUp() override {
        folder.InstallShippedRefData();
        ASSERT_TRUE(simulator.Start());
        proxy = std::make_unique<TSiteProxy>(simulator);
        TConfig config = folder.Config();
        config.HttpProxy = proxy->Proxy();
        config.ParserPauseMs = 0;
        config.MailHost = "127.0.0.1";
        config.MailSender = Sender;
        session = std::make_unique<TSession>(config);
        session->SetTables(std::make_unique<TPlaces>(folder.File("Places.tx")),
                           std::make_unique<TCategories>(folder.File("Categories.tx")));
        session->Searches = std::make_unique<TSearches>(session->SearchesContext());
        session->GsmNetworks.push_back(std::make_unique<TGsmNetwork>(7, "Verizon", "vtext.com"));
        session->User = std::make_unique<TUser>();
        session->User->Phone = "(555) 123-4567";
        session->User->NetworkID = 7;
        session->User->EMail = " pat@example.test ";
        monitor = std::make_unique<TNewResultsMonitor>(session->MonitorContext());
        monitor->SignInPageShowing = [this] { return signInShowing; };
        monitor->SearchWindowVisible = [this] { return searchWindowVisible; };
        monitor->OnPassEnded = [this] { ++passesEnded; };
    }
    void TearDown() override {
        monitor.reset();
        EXPECT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
        EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(30)));
        session.reset();
        proxy.reset();
        simulator.Stop();
    }

    std::vector<std::unique_ptr<TSearch>>& Items() { return session->Searches->Items; }

    TSearch& AddSearch(const std::string& name, const std::vector<int>& places) {
        auto search = std::make_unique<TSearch>(&session->SearchContext());
        search->Name = name;
        search->Category = session->Categories->FindById(Activities);
        search->PositiveKeywords = Word;
        TPlaceList leaves;
        for (int id : places)
            leaves.push_back(session->Places->FindById(id));
        search->SetLeafLocations(leaves);
        search->NotifySms = true;
        search->NotifyEmail = true;
        Items().push_back(std::move(search));
        return *Items().back();
    }

    /// A run from the search window: fresh markers, the mark cleared.
    void Run(TSearch& search) {
        TNullView view;
        search.Run(&view);
        ASSERT_TRUE(WaitFor([&] { return search.CurrentRun().Idle && TBackgroundWork::Running() == 0; }));
    }

    std::string AddPosting(const std::string& site) {
        TSimPosting posting;
        posting.Site = site;
        posting.Category = "act";
        posting.Title = Word + " walk";
        posting.Body = "join us";
        return simulator.LinkOf(simulator.AddPosting(posting));
    }
    void AddPostings(const std::string& site, int count) {
        // Five or more, so that the site does not fill the page from a nearby site.
        for (int i = 0; i < count; ++i)
            AddPosting(site);
    }

    /// One F5 pass to its end; the requests it made.
    std::vector<std::string> Pass() {
        proxy->ClearRequests();
        const int ended = passesEnded;
        monitor->StartPass();
        EXPECT_TRUE(WaitFor([&] { return passesEnded > ended; }));
        EXPECT_FALSE(monitor->Checking());
        EXPECT_EQ(session->Status, "Idle");
        return proxy->Requests();
    }

    void UseMailServer(TSmtpTestServer& server) { session->Config.MailPort = server.Port(); }

    TTempDataFolder folder;
    TSiteSimulator simulator;
    std::unique_ptr<TSiteProxy> proxy;
    std::unique_ptr<TSession> session;
    std::unique_ptr<TNewResultsMonitor> monitor;
    bool signInShowing = false;
    bool searchWindowVisible = false;
    int passesEnded = 0;
};

TEST_F(TNewResultsMonitorTest, WithoutSearchesF5ChecksAndEndsAtOnceWhileTheTimerDoesNothing) {
    std::vector<std::string> seen;
    monitor->SignInPageShowing = [&] {
        seen.push_back(session->Status);
        return false;
    };
    session->Status = "Something else";
    monitor->TimerTick();
    EXPECT_EQ(session->Status, "Something else");
    EXPECT_EQ(passesEnded, 0);

    seen.clear();

    monitor->StartPass();
    EXPECT_EQ(seen, std::vector<std::string>{Checking});
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_EQ(passesEnded, 1);
    EXPECT_FALSE(monitor->Checking());
}

TEST_F(TNewResultsMonitorTest, TheTimerWaitsForTheSignInPageAndTheSearchWindowButF5DoesNot) {
    AddPostings("miami", 5);
    TSearch& search = AddSearch("Walks", {Miami});
    Run(search);
    proxy->ClearRequests();
    for (bool* flag : {&signInShowing, &searchWindowVisible}) {
        *flag = true;
        monitor->TimerTick();
        EXPECT_EQ(session->Status, "Idle");
        EXPECT_EQ(search.CheckCount, 0);
        *flag = false;
    }
    EXPECT_TRUE(proxy->Requests().empty());

    searchWindowVisible = true;
    EXPECT_EQ(Pass(), std::vector<std::string>{PageLink("miami")});
    searchWindowVisible = false;
    monitor->TimerTick();
    EXPECT_TRUE(WaitFor([&] { return passesEnded == 2; }));
    EXPECT_EQ(search.CheckCount, 2);
}

TEST_F(TNewResultsMonitorTest, ANewerPostingAtTheSecondLocationMarksAndNotifiesFromTheSecondCheckOn) {
    AddPostings("miami", 5);
    AddPostings("tampa", 5);
    TSearch& search = AddSearch("Walks", {Miami, Tampa});
    Run(search);
    ASSERT_EQ(search.LatestEntries.size(), 2u);
    TSmtpTestServer mail("login", Sender, Password);
    UseMailServer(mail);

    AddPosting("tampa");
    EXPECT_EQ(Pass(), (std::vector<std::string>{PageLink("miami"), PageLink("tampa")}));
    EXPECT_TRUE(search.NewResultsAvailable);
    EXPECT_EQ(search.CheckCount, 1);
    EXPECT_TRUE(search.CurrentRun().Idle) << "a check leaves the search's run alone";
    EXPECT_TRUE(TBackgroundWork::WaitForAll(std::chrono::seconds(30)));
    WaitFor([] { return false; }, std::chrono::milliseconds(300));
    EXPECT_TRUE(mail.Received().empty()) << "the first check after loading never notifies";

    Run(search);
    EXPECT_FALSE(search.NewResultsAvailable);
    Pass();
    EXPECT_FALSE(search.NewResultsAvailable);

    const std::string newest = AddPosting("tampa");
    Pass();
    EXPECT_TRUE(search.NewResultsAvailable);
    EXPECT_EQ(search.CheckCount, 3);
    const auto mails = mail.WaitForMails(2);
    ASSERT_EQ(mails.size(), 2u);
    std::vector<std::string> recipients{mails[0].To.at(0), mails[1].To.at(0)};
    std::sort(recipients.begin(), recipients.end());
    EXPECT_EQ(recipients, (std::vector<std::string>{"5551234567@vtext.com", "pat@example.test"}));

    // What the pass saw and what the mail server received, for the record.
    std::cout << "pass 3 examined:";
    for (const auto& link : monitor->CheckedLinks)
        std::cout << " " << link;
    std::cout << "\nmarker for tampa: " << search.LatestEntries[1]->EntryLink << "\nnewest on the site: " << newest
              << "\nNewResultsAvailable: " << search.NewResultsAvailable << ", status: " << session->Status << "\n";
    for (const auto& m : mails)
        std::cout << "--- mail (login " << m.Login << ", from " << m.From << ", to " << m.To.at(0) << ")\n"
                  << m.Data << "\n";
}

TEST_F(TNewResultsMonitorTest, AnUnchangedSiteFetchesEachLocationOncePerPassAndMarksNothing) {
    AddPostings("miami", 5);
    AddPostings("tampa", 5);
    TSearch& first = AddSearch("One", {Miami, Tampa});
    TSearch& second = AddSearch("Two", {Tampa});
    Run(first);
    Run(second);
    const std::vector<std::string> expected{PageLink("miami"), PageLink("tampa"), PageLink("tampa")};
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_EQ(Pass(), expected);
        EXPECT_EQ(monitor->CheckedLinks, expected);
        EXPECT_FALSE(first.NewResultsAvailable);
        EXPECT_FALSE(second.NewResultsAvailable);
        EXPECT_TRUE(first.CheckDone);
    }
}

TEST_F(TNewResultsMonitorTest, OnlyATopmostLinkBetweenTwoCountersCounts) {
    const std::string marker = "http://miami.craigslist.org/act/100.html";
    const struct {
        const char* what;
        std::string page;
        bool marked;
    } cases[] = {
        {"a newer posting", PageWith("/act/101.html"), true},
        {"the same posting", PageWith("/act/100.html"), false},
        {"the same posting, absolute", PageWith(marker), false},
        {"a link differing in letter case", PageWith("/ACT/100.html"), true},
        {"one counter only", PageWith("/act/101.html", 1), false},
        {"no link between the counters",
         "Displaying: 1 - 1 <p>none</p> Displaying: 1 - 1 <a href=\"/act/101.html\">x</a>", false},
        {"no counter", "<p> Mar 5 - <a href=\"/act/101.html\">x</a></p>", false},
        {"a posting the user deleted", PageWith("/act/99.html"), false},
        {"today's list, a newer posting", TodaysPageWith({"/act/d/walk/101.html", marker}), true},
        {"today's list, the same posting", TodaysPageWith({marker, "/act/d/walk/99.html"}), false},
        {"today's list, the posting the user deleted on top", TodaysPageWith({"/act/99.html", marker}), false},
        {"today's list, empty", TodaysPageWith({}), false},
    };
    for (const auto& c : cases) {
        Items().clear();
        TSearch& search = AddSearch("Walks", {Miami});
        search.LatestEntries.push_back(std::make_unique<TLatestEntry>(0, marker, PageLink("miami")));
        search.DeletedResults.push_back(
            std::make_unique<TEntry>("", "gone", "http://miami.craigslist.org/act/99.html", 0, "", false));
        proxy->SetPage(PageLink("miami"), c.page);
        EXPECT_EQ(Pass(), std::vector<std::string>{PageLink("miami")}) << c.what;
        EXPECT_EQ(search.NewResultsAvailable, c.marked) << c.what;
    }
}

TEST_F(TNewResultsMonitorTest, AMarkIsToldWithTheTopmostPostingsTitleAndLink) {
    std::vector<std::string> told;
    TMonitorContext context = session->MonitorContext();
    context.SearchMarked = [&told](TSearch& search, const std::string& title, const std::string& link) {
        told.push_back(std::string(search.Name) + " | " + title + " | " + link);
    };
    monitor = std::make_unique<TNewResultsMonitor>(context);
    monitor->OnPassEnded = [this] { ++passesEnded; };
    const std::string marker = "http://miami.craigslist.org/act/100.html";
    TSearch& search = AddSearch("Walks", {Miami});
    search.LatestEntries.push_back(std::make_unique<TLatestEntry>(0, marker, PageLink("miami")));
    for (const std::string& page :
         {PageWith("/act/101.html"), TodaysPageWith({"/act/d/walk/102.html"}), PageWith("/act/100.html")}) {
        search.NewResultsAvailable = false;
        proxy->SetPage(PageLink("miami"), page);
        Pass();
    }
    ASSERT_EQ(told.size(), 2u) << "the unchanged page tells nobody";
    // The title as the results list shows it.
    EXPECT_EQ(told[0], "Walks | zebracorn walk - | http://miami.craigslist.org/act/101.html");
    EXPECT_EQ(told[1], "Walks | zebracorn walk - (miami) | http://miami.craigslist.org/act/d/walk/102.html");
}

// Today's posting links run past 100 bytes: the marker keeps them whole, so an unchanged
// site is no news, and a posting differing only at the end of its link is.
TEST_F(TNewResultsMonitorTest, LongLinksAreComparedWhole) {
    const std::string path = "/act/d/" + std::string(120, 'x');
    proxy->SetPage(PageLink("miami"), PageWith(path + "/1.html"));
    TSearch& search = AddSearch("Walks", {Miami});
    for (int round = 0; round < 2; ++round) {
        Run(search);
        ASSERT_EQ(search.LatestEntries.size(), 1u);
        EXPECT_EQ(search.LatestEntries[0]->EntryLink, "http://miami.craigslist.org" + path + "/1.html");
        Pass();
        EXPECT_FALSE(search.NewResultsAvailable) << round;
    }
    proxy->SetPage(PageLink("miami"), PageWith(path + "/2.html"));
    Pass();
    EXPECT_TRUE(search.NewResultsAvailable);
}

TEST_F(TNewResultsMonitorTest, AFailedFetchEndsThatSearchsCheckAndThePassGoesOn) {
    for (const char* site : {"miami", "tampa", "orlando"})
        AddPostings(site, 5);
    TSearch& three = AddSearch("Three", {Miami, Tampa, Orlando});
    TSearch& next = AddSearch("Next", {Orlando});
    Run(three);
    Run(next);
    ASSERT_EQ(three.LatestEntries.size(), 3u);
    const std::string broken = "nosuchscheme://miami.craigslist.org/search/act?query=" + Word;
    three.LatestEntries[0]->PageLink = broken;
    AddPosting("tampa");
    AddPosting("orlando");

    EXPECT_EQ(Pass(), std::vector<std::string>{PageLink("orlando")}) << "locations two and three are left alone";
    EXPECT_EQ(monitor->CheckedLinks, (std::vector<std::string>{broken, PageLink("orlando")}));
    EXPECT_FALSE(three.NewResultsAvailable);
    EXPECT_TRUE(three.CheckDone);
    EXPECT_EQ(three.CheckEntryIndex, 0);
    EXPECT_NE(three.CheckFailure.find(broken), std::string::npos) << three.CheckFailure;
    EXPECT_TRUE(next.NewResultsAvailable);
    EXPECT_TRUE(next.CheckFailure.empty());
}

TEST_F(TNewResultsMonitorTest, AnErrorPageIsNotExaminedAndTheSearchSaysItWasNotChecked) {
    AddPostings("miami", 5);
    AddPostings("tampa", 5);
    TSearch& search = AddSearch("Walks", {Miami, Tampa});
    TSearch& other = AddSearch("Other", {Miami});
    Run(search);
    Run(other);
    // The error page shows a posting newer than the marker: read as a page it would mark.
    for (int status : {500, 503, 404}) {
        proxy->SetPage(PageLink("tampa"), PageWith("/act/999999.html"), status);
        EXPECT_EQ(Pass(), (std::vector<std::string>{PageLink("miami"), PageLink("tampa"), PageLink("miami")}));
        EXPECT_FALSE(search.NewResultsAvailable) << status;
        EXPECT_TRUE(search.CheckDone);
        EXPECT_EQ(search.CheckFailure, "HTTP status " + std::to_string(status) + ": " + PageLink("tampa"));
        EXPECT_TRUE(other.CheckFailure.empty());
    }

    proxy->ForgetPage(PageLink("tampa"));
    AddPosting("tampa");
    Pass();
    EXPECT_TRUE(search.NewResultsAvailable);
    EXPECT_TRUE(search.CheckFailure.empty());
}

TEST_F(TNewResultsMonitorTest, AMarkedSearchIsSkippedUntilItRuns) {
    AddPostings("miami", 5);
    TSearch& search = AddSearch("Walks", {Miami});
    TSearch& never = AddSearch("Never run", {Miami});
    Run(search);
    AddPosting("miami");
    EXPECT_EQ(Pass(), std::vector<std::string>{PageLink("miami")});
    EXPECT_TRUE(search.NewResultsAvailable);

    for (int pass = 0; pass < 2; ++pass) {
        AddPosting("miami");
        EXPECT_TRUE(Pass().empty());
        EXPECT_TRUE(search.NewResultsAvailable);
    }
    EXPECT_EQ(search.CheckCount, 3);
    EXPECT_EQ(never.CheckCount, 3);
    EXPECT_TRUE(never.CheckDone);

    Run(search);
    EXPECT_EQ(Pass(), std::vector<std::string>{PageLink("miami")});
    EXPECT_FALSE(search.NewResultsAvailable);
}

TEST_F(TNewResultsMonitorTest, AStartWhileAPageIsOutstandingDropsItAndBeginsAgain) {
    AddPostings("miami", 5);
    AddPostings("tampa", 5);
    TSearch& first = AddSearch("One", {Miami});
    TSearch& second = AddSearch("Two", {Tampa});
    Run(first);
    Run(second);
    proxy->ClearRequests();
    proxy->Hold(true);
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 1; }));
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 2; }));
    EXPECT_EQ(monitor->CheckIndex, 0);
    proxy->Hold(false);
    ASSERT_TRUE(WaitFor([&] { return passesEnded == 1; }));
    EXPECT_EQ(monitor->CheckedLinks, (std::vector<std::string>{PageLink("miami"), PageLink("tampa")}));
    EXPECT_EQ(first.CheckCount, 2);
    EXPECT_EQ(second.CheckCount, 1);

    // A new pass with nothing to fetch is not disturbed by the page of the one it replaced.
    proxy->ClearRequests();
    proxy->Hold(true);
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 1; }));
    first.NewResultsAvailable = true;
    second.NewResultsAvailable = true;
    monitor->StartPass();
    EXPECT_EQ(passesEnded, 2);
    proxy->Hold(false);
    WaitFor([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_TRUE(monitor->CheckedLinks.empty());
    EXPECT_EQ(passesEnded, 2);
    EXPECT_EQ(session->Status, "Idle");
}

TEST_F(TNewResultsMonitorTest, AStatusTakenOverDuringAPassEndsItIdle) {
    AddPostings("miami", 5);
    TSearch& first = AddSearch("One", {Miami});
    TSearch& second = AddSearch("Two", {Miami});
    Run(first);
    Run(second);
    proxy->ClearRequests();
    proxy->Hold(true);
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 1; }));
    session->Status = "Disconnecting...";
    proxy->Hold(false);
    ASSERT_TRUE(WaitFor([&] { return passesEnded == 1; }));
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_EQ(proxy->Requests().size(), 1u);
    EXPECT_EQ(second.CheckCount, 1);
    EXPECT_FALSE(monitor->Checking());
}

TEST_F(TNewResultsMonitorTest, APageArrivingWhileTheSignInPageShowsIsIgnored) {
    AddPostings("miami", 5);
    TSearch& search = AddSearch("Walks", {Miami});
    Run(search);
    AddPosting("miami");
    proxy->ClearRequests();
    proxy->Hold(true);
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 1; }));
    signInShowing = true;
    proxy->Hold(false);
    WaitFor([] { return false; }, std::chrono::milliseconds(500));
    EXPECT_FALSE(search.NewResultsAvailable);
    EXPECT_TRUE(monitor->CheckedLinks.empty());

    signInShowing = false;
    Pass();
    EXPECT_TRUE(search.NewResultsAvailable);
}

TEST_F(TNewResultsMonitorTest, AnErrorWhileExaminingAPageEndsThePassIdle) {
    AddPostings("miami", 5);
    TSearch& first = AddSearch("One", {Miami});
    TSearch& second = AddSearch("Two", {Miami});
    Run(first);
    Run(second);
    proxy->ClearRequests();
    proxy->Hold(true);
    monitor->StartPass();
    ASSERT_TRUE(WaitFor([&] { return proxy->Requests().size() == 1; }));
    // The markers the page is to be compared with go away while it is on its way.
    first.LatestEntries.clear();
    proxy->Hold(false);
    ASSERT_TRUE(WaitFor([&] { return passesEnded == 1; }));
    EXPECT_EQ(session->Status, "Idle");
    EXPECT_EQ(second.CheckCount, 0);
    EXPECT_EQ(proxy->Requests().size(), 1u);
}

} // namespace
