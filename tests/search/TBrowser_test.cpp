// SPDX-License-Identifier: GPL-3.0-or-later
// ctest-labels: net threads
#include "search/TBrowser.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>
#include <httplib.h>

#include <QByteArray>

#include "TestSupport.h"
#include "core/TBackgroundWork.h"
#include "session/TSession.h"

namespace {

/// A local HTTP server with a few fixed pages and one page held back until released.
class TTestServer final {
public:
    TTestServer() {
        m_server.Get("/long", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(LongBody(), "text/html");
        });
        m_server.Get("/zeros", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(ZeroBody(), "application/octet-stream");
        });
        m_server.Get("/fast", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("fast page", "text/html");
        });
        m_server.Get("/missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("<h1>404 Error</h1>", "text/html");
        });
        m_server.Get("/moved",
                     [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/fast"); });
        m_server.Get("/held", [this](const httplib::Request&, httplib::Response& response) {
            std::unique_lock lock(m_mutex);
            ++m_heldArrived;
            m_changed.notify_all();
            m_changed.wait_for(lock, std::chrono::seconds(30), [this] { return m_released; });
            response.set_content("held page", "text/html");
        });
        m_server.Get("/trickle", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [](size_t offset, httplib::DataSink& sink) {
                if (offset >= 12) {
                    sink.done();
                    return true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                sink.write("x", 1);
                return true;
            });
        });
        m_server.Get("/broken", [](const httplib::Request&, httplib::Response& response) {
            response.status = 500;
            response.set_content(ErrorPage(), "text/html");
        });
        m_server.Get("/loop",
                     [](const httplib::Request&, httplib::Response& response) { response.set_redirect("/loop"); });
        // The connection closes in the middle of the body.
        m_server.Get("/cut", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [](size_t offset, httplib::DataSink& sink) {
                if (offset > 0)
                    return false;
                return sink.write("the first half", 14);
            });
        });
        m_server.Get("/drip", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink& sink) {
                std::this_thread::sleep_for(std::chrono::milliseconds(500));
                return sink.write("x", 1);
            });
        });
        m_server.Get("/endless", [](const httplib::Request&, httplib::Response& response) {
            response.set_chunked_content_provider("text/html", [](size_t, httplib::DataSink& sink) {
                const std::string chunk(64 * 1024, 'x');
                return sink.write(chunk.data(), chunk.size());
            });
        });
        m_server.Get("/big", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(2 * 1024 * 1024, 'x'), "text/html");
        });
        // Pages in other character sets: /text?type=<Content-Type>&bytes=<body>.
        m_server.Get("/text", [](const httplib::Request& request, httplib::Response& response) {
            response.set_content(request.get_param_value("bytes"), request.get_param_value("type").c_str());
        });
        // Proxy requests carry the absolute link; record what arrived.
        m_server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            {
                std::lock_guard lock(m_mutex);
                m_lastTarget = request.target;
                m_lastHost = request.get_header_value("Host");
            }
            response.set_content("proxied page", "text/html");
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~TTestServer() {
        Release();
        m_server.stop();
        m_thread.join();
    }

    static std::string LongBody() {
        std::string body;
        for (int line = 0; body.size() < 100000; ++line)
            body += "line " + std::to_string(line) + " of the page\n";
        return body;
    }
    /// An error page that reads like a results page.
    static std::string ErrorPage() {
        return "<html>Displaying: 1 <p> Mar 5 - <a href=\"/a/1.html\">server trouble</a></p> Displaying: </html>";
    }
    static std::string ZeroBody() {
        std::string body = "before";
        body += std::string(3, '\0');
        body += std::string(2000, 'a') + '\0' + "after";
        return body;
    }

    std::string Link(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(m_port) + path; }
    std::string Proxy() const { return "127.0.0.1:" + std::to_string(m_port); }
    /// Waits until a request for the held page has arrived.
    bool WaitForHeld(int count = 1) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(20), [&] { return m_heldArrived >= count; });
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    std::pair<std::string, std::string> LastProxied() {
        std::lock_guard lock(m_mutex);
        return {m_lastTarget, m_lastHost};
    }

private:
    httplib::Server m_server;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_heldArrived = 0;
    bool m_released = false;
    std::string m_lastTarget;
    std::string m_lastHost;
};

/// A port that accepts connections (the kernel completes them) and never answers.
class TSilentPort final {
public:
    TSilentPort() {
        m_socket = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(m_socket, 8);
        socklen_t length = sizeof address;
        getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }
    ~TSilentPort() { close(m_socket); }
    std::string Link() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/never"; }

private:
    int m_socket = -1;
    int m_port = 0;
};

/// A port nothing listens on: connections to it are refused.
std::string ClosedLink() {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    close(probe);
    return "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/page";
}

TFetchOptions ShortTimeouts() {
    TFetchOptions options;
    options.ConnectTimeoutSeconds = 5;
    options.LowSpeedTimeSeconds = 2;
    return options;
}

class TBrowserTest : public testing::Test {
protected:
    void SetUp() override {
        m_browser.Options = TFetchOptions{};
        m_browser.OnDone = [this] {
            ++m_calls;
            m_pages.push_back(m_browser.PageText);
        };
    }
    void TearDown() override {
        m_server.Release();
        // No fetch thread may outlive the test.
        EXPECT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    }
    bool WaitForCalls(int count) {
        return WaitFor([&] { return m_calls >= count; });
    }

    TTestServer m_server;
    TBrowser m_browser;
    int m_calls = 0;
    std::vector<std::string> m_pages;
};

} // namespace

TEST(FetchUrlTest, ReturnsTheWholeBodyInOrder) {
    TTestServer server;
    EXPECT_EQ(FetchUrl(server.Link("/long"), TFetchOptions{}), TTestServer::LongBody());
}

TEST(FetchUrlTest, KeepsZeroBytes) {
    TTestServer server;
    const std::string page = FetchUrl(server.Link("/zeros"), TFetchOptions{});
    EXPECT_EQ(page, TTestServer::ZeroBody());
    EXPECT_EQ(page.size(), TTestServer::ZeroBody().size());
}

TEST(FetchUrlTest, AnErrorStatusIsAFailureWithItsReason) {
    TTestServer server;
    const struct {
        std::string path;
        std::string reason;
        std::string body;
    } cases[] = {{"/missing", "HTTP status 404", "<h1>404 Error</h1>"},
                 {"/broken", "HTTP status 500", TTestServer::ErrorPage()}};
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.path);
        const TFetchResult result = FetchPage(server.Link(failing.path), TFetchOptions{});
        EXPECT_FALSE(result.Ok());
        EXPECT_EQ(result.Reason, failing.reason);
        // The error page itself stays readable for whoever wants it.
        EXPECT_EQ(result.Text, failing.body);
        try {
            FetchUrl(server.Link(failing.path), TFetchOptions{});
            ADD_FAILURE() << "no error raised";
        } catch (const TFetchError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open URL " + server.Link(failing.path));
            EXPECT_EQ(error.Reason(), failing.reason);
        }
    }
    const TFetchResult fine = FetchPage(server.Link("/fast"), TFetchOptions{});
    EXPECT_TRUE(fine.Ok());
    EXPECT_EQ(fine.Status, 200);
}

TEST(FetchUrlTest, TransportFailuresAreFailuresWithTheirReason) {
    TTestServer server;
    const struct {
        std::string name;
        std::string link;
        std::string reason;
    } cases[] = {
        {"refused", ClosedLink(), "Failed to connect"},
        {"body cut short", server.Link("/cut"), "transfer closed"},
        {"redirect loop", server.Link("/loop"), "redirects followed"},
    };
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.name);
        const TFetchResult result = FetchPage(failing.link, ShortTimeouts());
        EXPECT_FALSE(result.Ok());
        EXPECT_NE(result.Reason.find(failing.reason), std::string::npos) << result.Reason;
        EXPECT_THROW(FetchUrl(failing.link, ShortTimeouts()), TFetchError);
    }
}

TEST(FetchUrlTest, EveryFetchEndsWithinItsTimeAndSizeLimits) {
    TTestServer server;
    TFetchOptions options = ShortTimeouts();
    options.TimeLimitSeconds = 1;
    options.MaxPageBytes = 1024 * 1024;
    const struct {
        std::string path;
        std::string reason;
    } cases[] = {
        // Two bytes a second pass the low-speed limit; only the overall limit ends them.
        {"/drip", "the page did not arrive within 1 s"},
        {"/endless", "the page is larger than 1 MB"},
        {"/big", "the page is larger than 1 MB"},
    };
    for (const auto& failing : cases) {
        SCOPED_TRACE(failing.path);
        const auto start = std::chrono::steady_clock::now();
        const TFetchResult result = FetchPage(server.Link(failing.path), options);
        EXPECT_EQ(result.Reason, failing.reason);
        EXPECT_TRUE(result.Text.empty());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
    // Limits are limits, not sizes: a page just under both comes whole.
    options.MaxPageBytes = 2 * 1024 * 1024;
    EXPECT_EQ(FetchPage(server.Link("/big"), options).Text.size(), 2u * 1024 * 1024);
}

TEST(FetchUrlTest, PagesAreDecodedToUtf8WhereTheyArrive) {
    TTestServer server;
    const struct {
        std::string name;
        std::string type;
        std::string bytes;
        std::string text;
    } cases[] = {
        {"windows-1252 without a charset", "text/html", "Children\x92s \x93toys\x94", "Children’s “toys”"},
        {"UTF-8 without a charset", "text/html", "caf\xc3\xa9", "café"},
        {"charset in the header", "text/html; charset=koi8-r", "\xf0\xd2\xc9\xd7\xc5\xd4", "Привет"},
        {"charset in the markup", "text/html",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">na\xefve",
         "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">naïve"},
        {"the header over the markup", "text/html; charset=UTF-8", "<meta charset=\"windows-1252\">caf\xc3\xa9",
         "<meta charset=\"windows-1252\">café"},
    };
    for (const auto& page : cases) {
        SCOPED_TRACE(page.name);
        auto encoded = [](const std::string& text) {
            return QByteArray::fromStdString(text).toPercentEncoding().toStdString();
        };
        const std::string link = server.Link("/text?type=" + encoded(page.type) + "&bytes=" + encoded(page.bytes));
        EXPECT_EQ(FetchUrl(link, TFetchOptions{}), page.text);
    }
}

TEST(FetchUrlTest, FetchLimitsComeFromTheConfiguration) {
    TTempDataFolder folder;
    EXPECT_EQ(folder.Config().FetchTimeLimitSeconds, 120);
    EXPECT_EQ(folder.Config().FetchSizeLimitMB, 20);
    folder.WriteFile("trawlix.ini", "[General]\nFetchTimeLimitSeconds=30\nFetchSizeLimitMB=5\n");
    EXPECT_EQ(folder.Config().FetchTimeLimitSeconds, 30);
    EXPECT_EQ(folder.Config().FetchSizeLimitMB, 5);
    setenv("TRAWLIX_FETCH_TIME_LIMIT_SECONDS", "7", 1);
    setenv("TRAWLIX_FETCH_SIZE_LIMIT_MB", "3", 1);
    const TConfig fromEnvironment = folder.Config();
    EXPECT_EQ(fromEnvironment.FetchTimeLimitSeconds, 7);
    EXPECT_EQ(fromEnvironment.FetchSizeLimitMB, 3);
    // A limit of 0 or less would be none: such values give the default.
    for (const char* bad : {"0", "-5", "soon", "99999999999"}) {
        setenv("TRAWLIX_FETCH_TIME_LIMIT_SECONDS", bad, 1);
        setenv("TRAWLIX_FETCH_SIZE_LIMIT_MB", bad, 1);
        EXPECT_EQ(folder.Config().FetchTimeLimitSeconds, 120) << bad;
        EXPECT_EQ(folder.Config().FetchSizeLimitMB, 20) << bad;
    }
    unsetenv("TRAWLIX_FETCH_TIME_LIMIT_SECONDS");
    unsetenv("TRAWLIX_FETCH_SIZE_LIMIT_MB");

    // What the session hands to every search.
    TSession session(fromEnvironment);
    const TFetchOptions& options = session.SearchContext().Fetch;
    EXPECT_EQ(options.TimeLimitSeconds, 7);
    EXPECT_EQ(options.MaxPageBytes, 3LL * 1024 * 1024);
}

TEST(FetchUrlTest, FollowsRedirects) {
    TTestServer server;
    EXPECT_EQ(FetchUrl(server.Link("/moved"), TFetchOptions{}), "fast page");
}

TEST(FetchUrlTest, ClosedPortRaisesCannotOpen) {
    const std::string link = ClosedLink();
    try {
        FetchUrl(link, TFetchOptions{});
        FAIL() << "no error raised";
    } catch (const TFetchError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot open URL " + link);
    }
}

TEST(FetchUrlTest, RefusesLinksThatAreNotWebLinks) {
    EXPECT_THROW(FetchUrl("file:///etc/passwd", TFetchOptions{}), TFetchError);
}

TEST(FetchUrlTest, GoesThroughTheProxy) {
    TTestServer server;
    TFetchOptions options;
    options.Proxy = server.Proxy();
    const std::string link = "http://sfbay.craigslist.org/search/sss?query=red+bike";
    EXPECT_EQ(FetchUrl(link, options), "proxied page");
    const auto [target, host] = server.LastProxied();
    EXPECT_EQ(target, link);
    EXPECT_EQ(host, "sfbay.craigslist.org");
}

TEST(FetchUrlTest, OptionsTakeTheProxyFromTheConfiguration) {
    TTempDataFolder folder;
    setenv("TRAWLIX_HTTP_PROXY", "127.0.0.1:1", 1);
    EXPECT_EQ(TFetchOptions::FromConfig(folder.Config()).Proxy, "127.0.0.1:1");
    unsetenv("TRAWLIX_HTTP_PROXY");
    EXPECT_EQ(TFetchOptions::FromConfig(folder.Config()).Proxy, "");
}

TEST(FetchUrlTest, ServerThatNeverAnswersIsCutOff) {
    TSilentPort silent;
    EXPECT_THROW(FetchUrl(silent.Link(), ShortTimeouts()), TFetchError);
}

TEST(FetchUrlTest, SlowButLiveDownloadCompletes) {
    TTestServer server;
    EXPECT_EQ(FetchUrl(server.Link("/trickle"), ShortTimeouts()), std::string(12, 'x'));
}

TEST_F(TBrowserTest, FreshFetcherIsCancelledAndIdle) {
    TBrowser browser;
    EXPECT_TRUE(browser.Cancelled);
    EXPECT_TRUE(browser.Worker.isNull());
    EXPECT_TRUE(browser.PageText.empty());
    EXPECT_TRUE(browser.URL.empty());
}

TEST_F(TBrowserTest, DeliversTheWholePageOnce) {
    m_browser.Fetch(m_server.Link("/long"));
    EXPECT_FALSE(m_browser.Cancelled);
    EXPECT_FALSE(m_browser.Worker.isNull());
    EXPECT_EQ(m_browser.URL, m_server.Link("/long"));
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(m_pages.at(0), TTestServer::LongBody());
    EXPECT_TRUE(m_browser.Worker.isNull());
    EXPECT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    EXPECT_EQ(m_calls, 1);
}

TEST_F(TBrowserTest, FailedFetchCallsTheHandlerOnceWithAnEmptyPage) {
    m_browser.Fetch(ClosedLink());
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    EXPECT_EQ(m_calls, 1);
    EXPECT_TRUE(m_pages.at(0).empty());
    EXPECT_NE(m_browser.Error.find("Failed to connect"), std::string::npos) << m_browser.Error;
}

TEST_F(TBrowserTest, AnErrorPageIsAFailedFetchAndTheNextFetchStartsClean) {
    m_browser.Fetch(m_server.Link("/broken"));
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_TRUE(m_pages.at(0).empty());
    EXPECT_EQ(m_browser.Error, "HTTP status 500");

    m_browser.Fetch(m_server.Link("/fast"));
    EXPECT_TRUE(m_browser.Error.empty());
    ASSERT_TRUE(WaitForCalls(2));
    EXPECT_EQ(m_pages.at(1), "fast page");
    EXPECT_TRUE(m_browser.Error.empty());
}

TEST_F(TBrowserTest, SilentServerEndsAsFailedFetch) {
    TSilentPort silent;
    m_browser.Options = ShortTimeouts();
    m_browser.Fetch(silent.Link());
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_TRUE(m_pages.at(0).empty());
}

TEST_F(TBrowserTest, CancelSuppressesTheHandlerButKeepsThePage) {
    m_browser.Fetch(m_server.Link("/held"));
    ASSERT_TRUE(m_server.WaitForHeld());
    m_browser.Cancel();
    m_server.Release();
    ASSERT_TRUE(WaitFor([&] { return m_browser.Worker.isNull(); }));
    EXPECT_EQ(m_calls, 0);
    EXPECT_EQ(m_browser.PageText, "held page");

    // The next fetch clears the cancellation.
    m_browser.Fetch(m_server.Link("/fast"));
    EXPECT_FALSE(m_browser.Cancelled);
    EXPECT_TRUE(m_browser.PageText.empty());
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(m_pages.at(0), "fast page");
}

TEST_F(TBrowserTest, NewFetchDetachesTheOutstandingOne) {
    m_browser.Fetch(m_server.Link("/held"));
    ASSERT_TRUE(m_server.WaitForHeld());
    m_browser.Fetch(m_server.Link("/fast"));
    ASSERT_TRUE(WaitForCalls(1));
    m_server.Release();
    ASSERT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    EXPECT_EQ(m_calls, 1);
    EXPECT_EQ(m_browser.PageText, "fast page");
    EXPECT_EQ(m_browser.URL, m_server.Link("/fast"));
}

TEST_F(TBrowserTest, DestroyedFetcherNeverHearsFromItsWorker) {
    bool called = false;
    auto browser = std::make_unique<TBrowser>();
    browser->OnDone = [&called] { called = true; };
    browser->Fetch(m_server.Link("/held"));
    ASSERT_TRUE(m_server.WaitForHeld());
    browser.reset();
    m_server.Release();
    ASSERT_TRUE(WaitFor([] { return TBackgroundWork::Running() == 0; }));
    EXPECT_FALSE(called);
}

TEST_F(TBrowserTest, FetchesThroughTheConfiguredProxy) {
    TFetchOptions options;
    options.Proxy = m_server.Proxy();
    m_browser.Options = options;
    m_browser.Fetch("http://sfbay.craigslist.org/search/sss?query=+");
    ASSERT_TRUE(WaitForCalls(1));
    EXPECT_EQ(m_pages.at(0), "proxied page");
    EXPECT_EQ(m_server.LastProxied().second, "sfbay.craigslist.org");
}
