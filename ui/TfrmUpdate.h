// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "account/TDownloadThread.h"

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TSession;

/// The update dialog: downloads the published installer on a TDownloadThread with a
/// progress bar and a working Cancel, hands the verified file to the desktop's installer
/// and then asks for the program to end. A failed, short, oversized or mismatching
/// download is reported and deleted; nothing is started. User-interface thread.
class TfrmUpdate final : public QDialog {
    Q_OBJECT
public:
    TfrmUpdate(TInstallerDownload download, QWidget* parent = nullptr);
    ~TfrmUpdate() override;

    /// "Check for update": compares the published version with this one, tells the user
    /// or asks whether to update, and on Yes runs the dialog. endProgram is called once the
    /// installer has been handed over (the main window quits the session there).
    static void CheckForUpdate(TSession& session, QWidget* parent, const std::function<void()>& endProgram);

    /// Shows the dialog modally and downloads; returns when it has closed.
    int Execute();
    /// How the download ended (Failed until it has).
    TDownloadOutcome Outcome() const { return m_outcome; }

    /// False while the download runs: the dialog closes only once it has ended.
    bool DownloadEnded = true;
    const long long ExpectedSize;
    std::unique_ptr<TDownloadThread> DownloadThread;
    QTimer* ProgressTimer = nullptr;
    QProgressBar* pbDownload = nullptr;
    QLabel* lblStatus = nullptr;
    QAction* actCancel = nullptr;
    QPushButton* btnCancel = nullptr;

Q_SIGNALS:
    /// The installer has been handed to the desktop: the program should end now.
    void EndProgramRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    /// Escape and the Cancel button: cancel the download, close once it has stopped.
    void reject() override;

private:
    void StartDownload();
    void ProgressTimerTimer();
    void DownloadDone(const TDownloadResult& result);
    void RunInstaller();
    void ReportDownloadError(const TDownloadResult& result);
    void AllowClose(bool accepted);

    const TInstallerDownload m_download;
    TDownloadOutcome m_outcome = TDownloadOutcome::Failed;
    bool m_started = false;
};
