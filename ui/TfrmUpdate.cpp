// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmUpdate.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "core/IUserMessages.h"
#include "core/Log.h"
#include "core/TDatabaseError.h"
#include "session/TSession.h"

namespace {

constexpr int ProgressMaximum = 1000;

/// The hourglass while the database is asked; normal again on every way out.
class TWaitCursor final {
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { Restore(); }
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;
    void Restore() {
        if (std::exchange(m_active, false))
            QApplication::restoreOverrideCursor();
    }

private:
    bool m_active = true;
};

const std::string ConnectionError = "Error connecting to database server! Please try again later.";

} // namespace

TfrmUpdate::TfrmUpdate(TInstallerDownload download, QWidget* parent)
    : QDialog(parent), ExpectedSize(download.ExpectedSize), m_download(std::move(download)) {
    setObjectName(QStringLiteral("frmUpdate"));
    setWindowTitle(QStringLiteral("Trawlix update"));
    auto* heading = new QLabel(QStringLiteral("Updating Trawlix. This may take a few moments..."));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    lblStatus = new QLabel(QStringLiteral("Downloading updates..."));
    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    pbDownload = new QProgressBar;
    pbDownload->setObjectName(QStringLiteral("pbDownload"));
    pbDownload->setRange(0, ProgressMaximum);
    pbDownload->setValue(0);
    pbDownload->setTextVisible(false);

    actCancel = new QAction(QStringLiteral("Cancel"), this);
    actCancel->setObjectName(QStringLiteral("actCancel"));
    connect(actCancel, &QAction::triggered, this, [this] { reject(); });
    auto* buttons = new QDialogButtonBox;
    btnCancel = buttons->addButton(QStringLiteral("Cancel"), QDialogButtonBox::RejectRole);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    connect(btnCancel, &QPushButton::clicked, actCancel, &QAction::trigger);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(18, 16, 18, 12);
    column->setSpacing(8);
    column->addWidget(heading);
    column->addWidget(lblStatus);
    column->addWidget(pbDownload);
    column->addSpacing(4);
    column->addWidget(buttons);
    setMinimumWidth(380);

    ProgressTimer = new QTimer(this);
    ProgressTimer->setObjectName(QStringLiteral("ProgressTimer"));
    ProgressTimer->setInterval(500);
    connect(ProgressTimer, &QTimer::timeout, this, [this] { ProgressTimerTimer(); });
}

TfrmUpdate::~TfrmUpdate() = default;

int TfrmUpdate::Execute() {
    return exec();
}

void TfrmUpdate::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_started) {
        m_started = true;
        StartDownload();
    }
}

void TfrmUpdate::StartDownload() {
    pbDownload->setValue(0);
    DownloadEnded = false;
    DownloadThread = std::make_unique<TDownloadThread>(m_download);
    DownloadThread->Start([this](const TDownloadResult& result) { DownloadDone(result); });
    ProgressTimer->start();
}

void TfrmUpdate::ProgressTimerTimer() {
    if (!DownloadThread || ExpectedSize <= 0)
        return;
    const double ratio = static_cast<double>(DownloadThread->Received()) / static_cast<double>(ExpectedSize);
    pbDownload->setValue(static_cast<int>(std::lround(std::clamp(ratio, 0.0, 1.0) * ProgressMaximum)));
}

void TfrmUpdate::DownloadDone(const TDownloadResult& result) {
    ProgressTimer->stop();
    m_outcome = result.Outcome;
    switch (result.Outcome) {
    case TDownloadOutcome::Completed:
        pbDownload->setValue(ProgressMaximum);
        RunInstaller();
        return;
    case TDownloadOutcome::Cancelled:
        AllowClose(false);
        return;
    default:
        ReportDownloadError(result);
        AllowClose(false);
        return;
    }
}

void TfrmUpdate::RunInstaller() {
    const QString file = QString::fromStdString(m_download.Target);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(file))) {
        WriteLog("The installer " + m_download.Target + " could not be opened");
        UserMessages().Error("The installer could not be started. It has been saved as " + m_download.Target +
                             "; please start it yourself.");
        AllowClose(false);
        return;
    }
    AllowClose(true);
    Q_EMIT EndProgramRequested();
}

void TfrmUpdate::ReportDownloadError(const TDownloadResult& result) {
    UserMessages().Error("Download error!\n\n" + result.Reason + "\n\nNothing has been installed.");
}

void TfrmUpdate::AllowClose(bool accepted) {
    DownloadEnded = true;
    if (accepted)
        accept();
    else
        QDialog::reject();
}

void TfrmUpdate::reject() {
    if (DownloadEnded) {
        QDialog::reject();
        return;
    }
    // Closes once the download has stopped and its file is gone.
    if (DownloadThread)
        DownloadThread->Cancel();
    lblStatus->setText(QStringLiteral("Cancelling the download..."));
    btnCancel->setEnabled(false);
}

void TfrmUpdate::closeEvent(QCloseEvent* event) {
    if (DownloadEnded) {
        QDialog::closeEvent(event);
        return;
    }
    event->ignore();
    reject();
}

void TfrmUpdate::CheckForUpdate(TSession& session, QWidget* parent, const std::function<void()>& endProgram) {
    TWaitCursor hourglass;
    TPublishedUpdate update;
    try {
        const TPropertyReader read = [&session](const std::string& name) { return session.ReadProperty(name); };
        switch (CompareVersions(read("TRAWLIX_VERSION"))) {
        case TVersionComparison::NotPublished:
            return;
        case TVersionComparison::Latest:
            hourglass.Restore();
            UserMessages().Information("You are using the latest version of Trawlix!");
            return;
        case TVersionComparison::Different:
            break;
        }
        hourglass.Restore();
        if (!UserMessages().Question("There is a new Trawlix version available. Do you want to update?"))
            return;
        TWaitCursor reading;
        update = ReadPublishedUpdate(read, session.Config);
    } catch (const TDatabaseError& error) {
        WriteLog(error.what());
        hourglass.Restore();
        UserMessages().Error(ConnectionError);
        return;
    }
    if (!update.Error.empty()) {
        UserMessages().Error("Download error!\n\n" + update.Error + "\n\nNothing has been installed.");
        return;
    }
    TfrmUpdate dialog(update.Download, parent);
    connect(&dialog, &TfrmUpdate::EndProgramRequested, &dialog, [&endProgram] {
        if (endProgram)
            endProgram();
    });
    dialog.Execute();
}
