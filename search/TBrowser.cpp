// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/TBrowser.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <mutex>

#include <curl/curl.h>

#include "core/Log.h"
#include "core/TConfig.h"
#include "search/PageDecoding.h"
#include "search/TDownloadURLThread.h"

namespace {

/// The body as it arrives, cut off at the size cap.
struct TBody {
    std::string Bytes;
    std::size_t Limit = 0;
    bool TooLarge = false;
};

size_t AppendBody(char* data, size_t size, size_t count, void* target) {
    auto& body = *static_cast<TBody*>(target);
    const std::size_t length = size * count;
    if (length > body.Limit - std::min(body.Limit, body.Bytes.size())) {
        body.TooLarge = true;
        return 0; // ends the transfer with a write error
    }
    body.Bytes.append(data, length);
    return length;
}

std::string SizeText(long long bytes) {
    constexpr long long megabyte = 1024 * 1024;
    if (bytes >= megabyte && bytes % megabyte == 0)
        return std::to_string(bytes / megabyte) + " MB";
    return std::to_string(bytes) + " bytes";
}

/// Why a transfer that libcurl ended with code failed, in words for the user.
std::string TransferFailure(CURLcode code, const char* detail, const TBody& body, const TFetchOptions& options,
                            std::chrono::steady_clock::duration elapsed) {
    if (body.TooLarge || code == CURLE_FILESIZE_EXCEEDED)
        return "the page is larger than " + SizeText(options.MaxPageBytes);
    // The connect and low-speed limits are shorter: a time-out this late is the overall one.
    // libcurl times with CLOCK_MONOTONIC_RAW, which drifts a little from steady_clock, hence the slack.
    constexpr auto clockSlack = std::chrono::milliseconds(250);
    if (code == CURLE_OPERATION_TIMEDOUT && elapsed + clockSlack >= std::chrono::seconds(options.TimeLimitSeconds))
        return "the page did not arrive within " + std::to_string(options.TimeLimitSeconds) + " s";
    return *detail ? std::string(detail) : std::string(curl_easy_strerror(code));
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
    options.TimeLimitSeconds = config.FetchTimeLimitSeconds;
    options.MaxPageBytes = static_cast<long long>(config.FetchSizeLimitMB) * 1024 * 1024;
    return options;
}

TFetchResult FetchPage(const std::string& link, const TFetchOptions& options) {
    TFetchResult result;
    TCurlRequest request;
    CURL* curl = GlobalInit() ? request.Handle() : nullptr;
    if (!curl) {
        result.InitFailed = true;
        result.Reason = "libcurl could not be initialised";
        return result;
    }
    request.AddHeader("Cache-Control: no-cache");
    request.AddHeader("Pragma: no-cache");

    TBody body;
    body.Limit = static_cast<std::size_t>(std::max(0LL, options.MaxPageBytes));
    char detail[CURL_ERROR_SIZE] = "";
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
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.TimeLimitSeconds);
    // Refuses a body announced too large before it comes; AppendBody catches the others.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(body.Limit));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    if (!options.Proxy.empty())
        curl_easy_setopt(curl, CURLOPT_PROXY, options.Proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, AppendBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);

    const auto start = std::chrono::steady_clock::now();
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
    if (code != CURLE_OK) {
        result.Reason = TransferFailure(code, detail, body, options, std::chrono::steady_clock::now() - start);
        return result;
    }
    const char* contentType = nullptr;
    curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &contentType);
    result.Text = std::move(body.Bytes);
    DecodePage(result.Text, contentType ? contentType : "");
    // A redirect that names no target also ends here: it is no page either.
    if (result.Status < 200 || result.Status > 299)
        result.Reason = "HTTP status " + std::to_string(result.Status);
    return result;
}

std::string FetchUrl(const std::string& link, const TFetchOptions& options) {
    TFetchResult result = FetchPage(link, options);
    if (result.InitFailed)
        throw TFetchError("Unable to initialize Wininet", result.Reason);
    if (!result.Ok())
        throw TFetchError("Cannot open URL " + link, result.Reason);
    return std::move(result.Text);
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
    Error.clear();
    auto* worker = new TDownloadURLThread(this, link, Options);
    Worker = worker;
    worker->Start();
}

void TBrowser::Cancel() {
    Cancelled = true;
}

void TBrowser::DownloadDone(TDownloadURLThread* worker, std::string page, std::string error) {
    if (worker != Worker)
        return;
    Worker = nullptr;
    worker->Browser = nullptr;
    PageText = std::move(page);
    Error = std::move(error);
    if (OnDone && !Cancelled) {
        // The handler runs inside a hand-over; an exception must not cross the event loop.
        try {
            OnDone();
        } catch (const std::exception& error) {
            WriteLog(std::string("TBrowser.DownloadDone: ") + error.what());
        }
    }
}

void TBrowser::Detach() {
    if (Worker)
        Worker->Browser = nullptr;
    Worker = nullptr;
}
