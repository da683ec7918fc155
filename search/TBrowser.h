// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include <QObject>
#include <QPointer>

struct TConfig;

class TDownloadURLThread;

/// A page fetch that failed; what() is the message for the user.
class TFetchError final : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
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

    /// The defaults with the configured HttpProxy.
    static TFetchOptions FromConfig(const TConfig& config);
};

/// Fetches link with one HTTP GET and returns the body as bytes, whole (zero bytes
/// included), redirects followed, never from a cache. Any HTTP status counts as a page:
/// a "404 Error" page is returned like any other. Throws TFetchError with "Unable to
/// initialize Wininet" when no session can be made and "Cannot open URL <link>" when the
/// link cannot be fetched (bad link, no connection, time-out). Any thread.
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
    /// Body of the last fetched page; empty while a fetch runs and when it failed.
    std::string PageText;
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
    /// The end of worker's fetch, on the user-interface thread: page is the body, empty
    /// when the fetch failed. Called by the worker's hand-over only.
    void DownloadDone(TDownloadURLThread* worker, std::string page);

private:
    void Detach();
};
