// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>

#include "account/TPublishedUpdate.h"
#include "core/TBackgroundWork.h"

class QObject;

/// How an installer download ended.
enum class TDownloadOutcome {
    /// The whole file arrived, of the published size and checksum, under its target name.
    Completed,
    /// Stopped on request; nothing is left behind.
    Cancelled,
    /// The link was not followed (not https, or a redirect to a link not permitted).
    Refused,
    /// No answer, an error status, or the transfer broke off.
    Failed,
    /// The server sent fewer or more bytes than published.
    WrongSize,
    /// The bytes differ from the published checksum.
    WrongChecksum,
    /// The file could not be written.
    NotWritten,
};

struct TDownloadResult {
    TDownloadOutcome Outcome = TDownloadOutcome::Failed;
    /// Why it did not complete, in words for the user; empty when it did.
    std::string Reason;
    /// Bytes received of the final answer.
    long long Received = 0;
};

/// Downloads the installer with libcurl into a temporary file beside the target and
/// renames it to the target only once its size and checksum are right; any other end
/// deletes it, and an earlier file at the target is deleted first, so that only a
/// verified installer is ever found there. received counts the bytes as they arrive;
/// stop cancels within about a second. Blocking; any thread.
TDownloadResult DownloadInstaller(const TInstallerDownload& download, std::atomic<long long>& received,
                                  std::stop_token stop);

/// The installer download as a background job (core/TBackgroundWork.h). Made, started,
/// cancelled and destroyed on the user-interface thread; the end is reported there.
/// Destroying it while the download runs cancels the download and drops its report; the
/// job owns what it uses and ends on its own.
class TDownloadThread final {
public:
    explicit TDownloadThread(TInstallerDownload download);
    ~TDownloadThread();
    TDownloadThread(const TDownloadThread&) = delete;
    TDownloadThread& operator=(const TDownloadThread&) = delete;

    const std::string URL;

    /// Starts the download; onDone runs on this (the calling) thread once it has ended,
    /// the file already renamed or deleted.
    void Start(std::function<void(const TDownloadResult&)> onDone);
    /// Asks the download to stop; onDone then reports Cancelled (unless it had ended).
    void Cancel();
    /// Bytes received so far.
    long long Received() const;

private:
    struct TShared;
    std::shared_ptr<TShared> m_shared;
    /// Receives the report on the starting thread; gone with this object.
    std::unique_ptr<QObject> m_receiver;
    std::function<void(const TDownloadResult&)> m_onDone;
    TBackgroundJob m_job;
};
