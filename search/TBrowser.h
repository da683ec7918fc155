// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

#include <QObject>
#include <QPointer>

struct TConfig;

class TDownloadURLThread;

/// A page fetch that failed; what() is the message for the user, Reason() says why
/// ("HTTP status 500", "Connection refused", ...).
class TFetchError final : public std::runtime_error {
public:
    explicit TFetchError(const std::string& message, std::string reason = {})
        : std::runtime_error(message), m_reason(std::move(reason)) {}
    const std::string& Reason() const { return m_reason; }

private:
    std::string m_reason;
};

/// How one fetch reaches the site and when it gives up.
struct TFetchOptions {
    /// Proxy as "host:port" or "http://host:port"; empty uses libcurl's default, which
    /// honours the http_proxy environment variable.
    std::string Proxy;
    /// Seconds to wait for the connection.
    long ConnectTimeoutSeconds = 15;
    /// A transfer slower than LowSpeedLimitBytesPerSecond for LowSpeedTimeSeconds is cut
    /// off; a slow but live download still completes.
    long LowSpeedLimitBytesPerSecond = 1;
    long LowSpeedTimeSeconds = 30;
    /// Every fetch ends within this many seconds, however the server sends.
    long TimeLimitSeconds = 120;
    /// A longer body is not a page: the fetch fails once it is exceeded.
    long long MaxPageBytes = 20LL * 1024 * 1024;

    /// The defaults with the configured HttpProxy and fetch limits.
    static TFetchOptions FromConfig(const TConfig& config);
};

/// The outcome of one fetch.
struct TFetchResult {
    /// The body as UTF-8 text (see DecodePage), also of an error page.
    std::string Text;
    /// The last HTTP status; 0 when no answer came.
    long Status = 0;
    /// Why the page could not be had; empty when it came whole with a 2xx status.
    std::string Reason;
    /// libcurl could not be set up at all.
    bool InitFailed = false;

    bool Ok() const { return Reason.empty(); }
};

/// Fetches link with one HTTP GET: the body whole (zero bytes included) and decoded to
/// UTF-8, redirects followed, never from a cache. An HTTP status other than 2xx, a
/// transport failure (no connection, reset, body cut short, too many redirects), the
/// time limit and the size cap are failures with their reason. Never throws. Any thread.
TFetchResult FetchPage(const std::string& link, const TFetchOptions& options);
/// FetchPage's text of a page that came whole with a 2xx status. Throws TFetchError with
/// "Unable to initialize Wininet" when no session can be made and "Cannot open URL <link>"
/// for any other failure, the reason beside. Any thread.
std::string FetchUrl(const std::string& link, const TFetchOptions& options);

/// Fetches pages asynchronously, one fetch that counts at a time, and calls OnDone on the
/// user-interface thread when a fetch that was not cancelled ends (successful or not).
/// Lives on the user-interface thread; every member is used there only.
class TBrowser final {
public:
    TBrowser();
    /// Detaches an outstanding fetch: its completion never reaches this fetcher.
    ~TBrowser();
    TBrowser(const TBrowser&) = delete;
    TBrowser& operator=(const TBrowser&) = delete;

    /// The thread of the outstanding fetch; null when idle.
    QPointer<TDownloadURLThread> Worker;
    /// Text of the last fetched page (UTF-8); empty while a fetch runs and when it failed.
    std::string PageText;
    /// Why the last fetch failed; empty while a fetch runs and when it succeeded.
    std::string Error;
    /// Link of the last fetch started.
    std::string URL;
    /// Called once per fetch that ends while Cancelled is false.
    std::function<void()> OnDone;
    /// While true a finishing fetch does not call OnDone; true until the first Fetch.
    bool Cancelled = true;
    /// Options for the next fetches.
    TFetchOptions Options;

    /// Starts fetching link on a new TDownloadURLThread and returns at once. An outstanding
    /// fetch is detached: its page and completion are dropped.
    void Fetch(const std::string& link);
    /// Suppresses OnDone for the outstanding fetch; its page still lands in PageText.
    void Cancel();
    /// The end of worker's fetch, on the user-interface thread: page is the text, empty
    /// when the fetch failed, error why it failed. Called by the worker's hand-over only.
    void DownloadDone(TDownloadURLThread* worker, std::string page, std::string error);

private:
    void Detach();
};
