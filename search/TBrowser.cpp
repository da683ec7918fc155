// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TBrowser.h"

#include <cstdlib>
#include <exception>
#include <mutex>

#include <curl/curl.h>

#include "core/Log.h"
#include "core/TConfig.h"
#include "search/TDownloadURLThread.h"

namespace {

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

/// The easy handle and its header list, released on every path.
class TCurlRequest final {
public:
    TCurlRequest() : m_handle(curl_easy_init()) {}
    ~TCurlRequest() {
        curl_slist_free_all(m_headers);
        if (m_handle)
            curl_easy_cleanup(m_handle);
    }
    TCurlRequest(const TCurlRequest&) = delete;
    TCurlRequest& operator=(const TCurlRequest&) = delete;

    CURL* Handle() const { return m_handle; }
    void AddHeader(const char* header) { m_headers = curl_slist_append(m_headers, header); }
    curl_slist* Headers() const { return m_headers; }

private:
    CURL* m_handle;
    curl_slist* m_headers = nullptr;
};

bool GlobalInit() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

} // namespace

TFetchOptions TFetchOptions::FromConfig(const TConfig& config) {
    TFetchOptions options;
    options.Proxy = config.HttpProxy;
    return options;
}

std::string FetchUrl(const std::string& link, const TFetchOptions& options) {
    if (!GlobalInit())
        throw TFetchError("Unable to initialize Wininet");
    TCurlRequest request;
    CURL* curl = request.Handle();
    if (!curl)
        throw TFetchError("Unable to initialize Wininet");
    request.AddHeader("Cache-Control: no-cache");
    request.AddHeader("Pragma: no-cache");

    std::string body;
    curl_easy_setopt(curl, CURLOPT_URL, link.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Trawlix");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, request.Headers());
    // Only web links: a link taken from a page must not read local files.
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, options.LowSpeedLimitBytesPerSecond);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, options.LowSpeedTimeSeconds);
    if (!options.Proxy.empty())
        curl_easy_setopt(curl, CURLOPT_PROXY, options.Proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);

    if (curl_easy_perform(curl) != CURLE_OK)
        throw TFetchError("Cannot open URL " + link);
    return body;
}

TBrowser::TBrowser() = default;

TBrowser::~TBrowser() {
    Detach();
}

void TBrowser::Fetch(const std::string& link) {
    Detach();
    URL = link;
    Cancelled = false;
    PageText.clear();
    auto* worker = new TDownloadURLThread(this, link, Options);
    Worker = worker;
    worker->Start();
}

void TBrowser::Cancel() {
    Cancelled = true;
}

void TBrowser::DownloadDone(TDownloadURLThread* worker, std::string page) {
    if (worker != Worker)
        return;
    Worker = nullptr;
    worker->Browser = nullptr;
    PageText = std::move(page);
    if (OnDone && !Cancelled) {
        // The handler runs inside a hand-over; an exception must not cross the event loop.
        try {
            OnDone();
        } catch (const std::exception& error) {
            try {
                WriteLog(std::string("TBrowser.DownloadDone: ") + error.what());
            } catch (...) {
            }
        }
    }
}

void TBrowser::Detach() {
    if (Worker)
        Worker->Browser = nullptr;
    Worker = nullptr;
}
