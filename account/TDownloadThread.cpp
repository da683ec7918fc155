// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/TDownloadThread.h"

#include <mutex>
#include <utility>

#include <curl/curl.h>

#include <QCryptographicHash>
#include <QFile>
#include <QObject>
#include <QSaveFile>

#include "core/Log.h"
#include "core/UiHandOver.h"

namespace {

constexpr int MaxRedirects = 5;

/// The state of one transfer, seen by libcurl's callbacks.
struct TTransfer {
    CURL* Curl = nullptr;
    QSaveFile* File = nullptr;
    QCryptographicHash Hash{QCryptographicHash::Sha256};
    std::atomic<long long>* Received = nullptr;
    long long Limit = 0;
    long long Written = 0;
    bool TooLarge = false;
    bool WriteFailed = false;
    std::stop_token Stop;
};

/// Keeps only the body of a successful answer: redirects and error pages are no installer.
size_t WriteBody(char* data, size_t size, size_t count, void* target) {
    auto& transfer = *static_cast<TTransfer*>(target);
    const auto length = static_cast<long long>(size * count);
    long status = 0;
    curl_easy_getinfo(transfer.Curl, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299)
        return size * count;
    if (transfer.Written + length > transfer.Limit) {
        transfer.TooLarge = true;
        return 0; // ends the transfer with a write error
    }
    if (transfer.File->write(data, length) != length) {
        transfer.WriteFailed = true;
        return 0;
    }
    transfer.Hash.addData(QByteArrayView(data, static_cast<qsizetype>(length)));
    transfer.Written += length;
    transfer.Received->store(transfer.Written);
    return size * count;
}

/// Called at least once a second, also while nothing arrives: the place to notice a stop.
int CheckStop(void* target, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<TTransfer*>(target)->Stop.stop_requested() ? 1 : 0;
}

bool CurlReady() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

class TCurlHandle final {
public:
    TCurlHandle() : m_handle(CurlReady() ? curl_easy_init() : nullptr) {}
    ~TCurlHandle() {
        if (m_handle)
            curl_easy_cleanup(m_handle);
    }
    TCurlHandle(const TCurlHandle&) = delete;
    TCurlHandle& operator=(const TCurlHandle&) = delete;
    CURL* Get() const { return m_handle; }

private:
    CURL* m_handle;
};

void SetOptions(CURL* curl, const TInstallerDownload& download, TTransfer& transfer, char* detail) {
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "Trawlix");
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed by hand, each target checked like the published link.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, download.ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, download.LowSpeedTimeSeconds);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(download.ExpectedSize));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, detail);
    if (!download.Proxy.empty())
        curl_easy_setopt(curl, CURLOPT_PROXY, download.Proxy.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, WriteBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckStop);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
}

TDownloadResult Ended(TDownloadOutcome outcome, std::string reason, const TTransfer& transfer) {
    return {outcome, std::move(reason), transfer.Written};
}

/// Runs the transfer, following permitted redirects; the file holds the final body.
TDownloadResult Transfer(const TInstallerDownload& download, TTransfer& transfer) {
    TCurlHandle handle;
    CURL* curl = handle.Get();
    if (!curl)
        return Ended(TDownloadOutcome::Failed, "libcurl could not be initialised", transfer);
    transfer.Curl = curl;
    char detail[CURL_ERROR_SIZE] = "";
    SetOptions(curl, download, transfer, detail);
    std::string link = download.URL;
    for (int hop = 0; hop <= MaxRedirects; ++hop) {
        if (!IsPermittedDownloadLink(link, download.MakerServer))
            return Ended(TDownloadOutcome::Refused, "The link is not a secure (https) link: " + link, transfer);
        curl_easy_setopt(curl, CURLOPT_URL, link.c_str());
        const CURLcode code = curl_easy_perform(curl);
        if (code == CURLE_ABORTED_BY_CALLBACK)
            return Ended(TDownloadOutcome::Cancelled, "The download was cancelled.", transfer);
        if (transfer.TooLarge || code == CURLE_FILESIZE_EXCEEDED)
            return Ended(TDownloadOutcome::WrongSize,
                         "The server sent more than the published " + std::to_string(download.ExpectedSize) + " bytes.",
                         transfer);
        if (transfer.WriteFailed)
            return Ended(TDownloadOutcome::NotWritten, "The installer could not be written.", transfer);
        if (code != CURLE_OK)
            return Ended(TDownloadOutcome::Failed, *detail ? detail : curl_easy_strerror(code), transfer);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        char* next = nullptr;
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next);
        if (status >= 300 && status <= 399 && next) {
            link = next;
            continue;
        }
        if (status < 200 || status > 299)
            return Ended(TDownloadOutcome::Failed, "The server answered with HTTP status " + std::to_string(status),
                         transfer);
        return Ended(TDownloadOutcome::Completed, "", transfer);
    }
    return Ended(TDownloadOutcome::Failed, "Too many redirects", transfer);
}

/// Size and checksum of a complete transfer.
TDownloadResult Verified(const TInstallerDownload& download, TTransfer& transfer) {
    if (transfer.Written != download.ExpectedSize)
        return Ended(TDownloadOutcome::WrongSize,
                     "The download is incomplete: " + std::to_string(transfer.Written) + " of " +
                         std::to_string(download.ExpectedSize) + " bytes arrived.",
                     transfer);
    if (!download.Sha256.empty() && transfer.Hash.result().toHex().toStdString() != download.Sha256)
        return Ended(TDownloadOutcome::WrongChecksum, "The downloaded file does not match the published checksum.",
                     transfer);
    return Ended(TDownloadOutcome::Completed, "", transfer);
}

} // namespace

TDownloadResult DownloadInstaller(const TInstallerDownload& download, std::atomic<long long>& received,
                                  std::stop_token stop) {
    received = 0;
    QFile::remove(QString::fromStdString(download.Target));
    TTransfer transfer;
    transfer.Received = &received;
    transfer.Limit = download.ExpectedSize;
    transfer.Stop = std::move(stop);
    // Written beside the target and renamed only when verified; discarded otherwise.
    QSaveFile file(QString::fromStdString(download.Target));
    transfer.File = &file;
    if (!file.open(QIODevice::WriteOnly))
        return Ended(TDownloadOutcome::NotWritten,
                     "The installer could not be written: " + file.errorString().toStdString(), transfer);
    TDownloadResult result = Transfer(download, transfer);
    if (result.Outcome == TDownloadOutcome::Completed)
        result = Verified(download, transfer);
    if (result.Outcome == TDownloadOutcome::Completed && !file.commit())
        result = Ended(TDownloadOutcome::NotWritten,
                       "The installer could not be written: " + file.errorString().toStdString(), transfer);
    if (result.Outcome != TDownloadOutcome::Completed)
        file.cancelWriting();
    return result;
}

struct TDownloadThread::TShared {
    explicit TShared(TInstallerDownload request) : Download(std::move(request)) {}

    const TInstallerDownload Download;
    std::atomic<long long> Received{0};
    std::mutex Mutex;
    /// Where the report goes; reset under Mutex when the thread object goes.
    QObject* Receiver = nullptr;
};

TDownloadThread::TDownloadThread(TInstallerDownload download)
    : URL(download.URL), m_shared(std::make_shared<TShared>(std::move(download))),
      m_receiver(std::make_unique<QObject>()) {
    m_shared->Receiver = m_receiver.get();
}

TDownloadThread::~TDownloadThread() {
    {
        std::lock_guard lock(m_shared->Mutex);
        m_shared->Receiver = nullptr;
    }
    m_job.RequestStop();
}

void TDownloadThread::Start(std::function<void(const TDownloadResult&)> onDone) {
    m_onDone = std::move(onDone);
    m_job = TBackgroundWork::Start([shared = m_shared, self = this](std::stop_token stop) {
        TDownloadResult result;
        try {
            result = DownloadInstaller(shared->Download, shared->Received, stop);
        } catch (const std::exception& error) {
            result = {TDownloadOutcome::Failed, error.what(), shared->Received.load()};
        }
        WriteLog("Installer download of " + shared->Download.URL + ": " +
                 (result.Reason.empty() ? std::string("complete") : result.Reason));
        // The receiver cannot go while the lock is held; once the report is posted it is
        // delivered only while the receiver, and with it this object, still lives.
        std::lock_guard lock(shared->Mutex);
        if (shared->Receiver)
            PostToUiThread(shared->Receiver, [self, result] {
                if (self->m_onDone)
                    self->m_onDone(result);
            });
    });
}

void TDownloadThread::Cancel() {
    m_job.RequestStop();
}

long long TDownloadThread::Received() const {
    return m_shared->Received.load();
}
