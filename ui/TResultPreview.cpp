// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TResultPreview.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QGroupBox>
#include <QNetworkProxy>
#include <QOpenGLContext>
#include <QPainter>
#include <QPalette>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QSurfaceFormat>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include "core/IUserMessages.h"
#include "search/TSearch.h"
#include "ui/TResultsList.h"

// Qt's own, exported but in no public header: the context every GL context shares with.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);
QT_END_NAMESPACE

namespace {

const QUrl BlankPage(QStringLiteral("about:blank"));
constexpr double PreviewShareOfWindow = 0.6;
constexpr int MarkupRetryMs = 50;

/// A page that never shows a script dialog and turns every new-window request into the
/// page's own address opened in the desktop's browser.
class TPreviewPage final : public QWebEnginePage {
public:
    explicit TPreviewPage(QObject* parent) : QWebEnginePage(parent) {}

protected:
    QWebEnginePage* createWindow(WebWindowType) override {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        QDesktopServices::openUrl(url());
        return nullptr; // no new window, whatever opening gave
    }
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override { return false; }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString&, int, const QString&) override {}
};

/// "host:port" or "http://host:port" as an HTTP proxy; null when it names no port.
QNetworkProxy ProxyFrom(const std::string& setting) {
    const QString text = QString::fromStdString(setting);
    const QUrl url(text.contains(QStringLiteral("://")) ? text : QStringLiteral("http://") + text);
    if (url.host().isEmpty() || url.port() <= 0)
        return QNetworkProxy(QNetworkProxy::DefaultProxy);
    return QNetworkProxy(QNetworkProxy::HttpProxy, url.host(), static_cast<quint16>(url.port()));
}

} // namespace

TResultPreview::TResultPreview(QGroupBox* box, TResultsList& results, const std::string& httpProxy)
    : QObject(box), m_box(box), m_results(&results), m_active(&results) {
    if (!httpProxy.empty())
        QNetworkProxy::setApplicationProxy(ProxyFrom(httpProxy));
    BuildContents();
    Follow(results);
    m_window = box->window();
    m_window->installEventFilter(this);
    SetShowPreview(true);
}

void TResultPreview::PrepareWebEngine() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    // Linking the web engine makes the application object create this context (and load the
    // GL driver, tens of megabytes) unless one is set already; CreateBrowser makes it.
    if (QOpenGLContext::globalShareContext())
        return;
    auto* shared = new QOpenGLContext;
    shared->setFormat(QSurfaceFormat::defaultFormat());
    qt_gl_set_global_share_context(shared);
    qAddPostRoutine([] {
        QOpenGLContext* made = QOpenGLContext::globalShareContext();
        qt_gl_set_global_share_context(nullptr);
        delete made;
    });
}

void TResultPreview::BuildContents() {
    auto* layout = new QVBoxLayout(m_box);
    layout->setContentsMargins(4, 2, 4, 4);
    layout->setSpacing(2);

    m_showPreview = new QCheckBox(QStringLiteral("Show preview"), m_box);
    m_showPreview->setObjectName(QStringLiteral("cbShowPreview"));
    // The print button sits on the title line, beside the box, not over the page's corner.
    auto* titleLine = new QHBoxLayout;
    titleLine->addWidget(m_showPreview);
    titleLine->addStretch(1);
    layout->addLayout(titleLine);

    m_panel = new QWidget(m_box);
    m_panel->setObjectName(QStringLiteral("pnlPreview"));
    auto* panelLayout = new QGridLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    // The browser starts the web engine (its processes, GL, tens of megabytes): until a page
    // is to be shown, a white panel stands where the blank page would be.
    m_blankPage = new QWidget(m_panel);
    m_blankPage->setObjectName(QStringLiteral("pnlPreviewBlank"));
    QPalette white = m_blankPage->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_blankPage->setPalette(white);
    m_blankPage->setAutoFillBackground(true);
    panelLayout->addWidget(m_blankPage, 0, 0);
    m_print = new QPushButton(QStringLiteral("Print preview"), m_box);
    m_print->setObjectName(QStringLiteral("btnPrint"));
    titleLine->addWidget(m_print);
    layout->addWidget(m_panel, 1);

    connect(m_showPreview, &QCheckBox::clicked, this, [this] { ApplyShowPreview(); });
    connect(m_print, &QPushButton::clicked, this, &TResultPreview::PrintPreview);
}

void TResultPreview::CreateBrowser() {
    // The engine's GL contexts share with this one, which the program leaves unmade until now.
    if (QOpenGLContext* shared = QOpenGLContext::globalShareContext(); shared && !shared->isValid()) {
        shared->setScreen(QGuiApplication::primaryScreen()); // there was none when it was set
        shared->create();
    }
    // Taking in the browser remakes the window's native window (it turns to drawing through
    // GL), which loses the activation and the focus: they are given back below.
    const bool wasActive = m_window && m_window->isActiveWindow();
    const QPointer<QWidget> focused = QApplication::focusWidget();
    m_browser = new QWebEngineView(m_panel);
    m_browser->setObjectName(QStringLiteral("wbPreview"));
    m_browser->setPage(new TPreviewPage(m_browser));
    // A posting is shown as the site has it now: a removed one must not come from a cache.
    m_browser->page()->profile()->setHttpCacheType(QWebEngineProfile::NoCache);
    delete m_panel->layout()->replaceWidget(m_blankPage, m_browser);
    delete m_blankPage;
    m_blankPage = nullptr;
    if (wasActive)
        // After the browser is shown, which is when the window is remade.
        QMetaObject::invokeMethod(
            this,
            [this, focused] {
                if (!m_window)
                    return;
                m_window->activateWindow();
                if (focused)
                    focused->setFocus();
            },
            Qt::QueuedConnection);
    // Told with the address whose load ended, which a quick change of selection cannot mix up.
    connect(m_browser->page(), &QWebEnginePage::loadingChanged, this, [this](const QWebEngineLoadingInfo& info) {
        if (info.status() != QWebEngineLoadingInfo::LoadSucceededStatus &&
            info.status() != QWebEngineLoadingInfo::LoadFailedStatus)
            return;
        // A blank page still loading swallows an address asked for meanwhile: ask again.
        if (info.url() == BlankPage && m_wanted != BlankPage && m_browser->url() != m_wanted) {
            m_browser->setUrl(m_wanted);
            return;
        }
        CheckForRemoval(info.url());
    });
}

void TResultPreview::Follow(TResultsList& list) {
    if (&list != m_results)
        m_filtered = &list;
    connect(&list, &TResultsList::SelectionChanged, this, &TResultPreview::OnSelectionChanged, Qt::UniqueConnection);
}

void TResultPreview::SetActiveList(TResultsList* list) {
    m_active = list;
}

bool TResultPreview::ShowPreview() const {
    return m_showPreview->isChecked();
}

void TResultPreview::SetShowPreview(bool shown) {
    m_showPreview->setChecked(shown);
    ApplyShowPreview();
}

void TResultPreview::Blank() {
    NavigateUnlessThere(BlankPage);
}

void TResultPreview::ShowLink(const QUrl& link) {
    if (!ShowPreview() || link.isEmpty()) {
        Blank();
        return;
    }
    NavigateTo(link);
}

void TResultPreview::ScrollPageBy(int dx, int dy) {
    if (!m_browser)
        return; // a blank page does not scroll
    m_browser->page()->runJavaScript(QStringLiteral("window.scrollBy(%1, %2);").arg(dx).arg(dy));
}

void TResultPreview::PrintPreview() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    bool failed = false;
    QPrinter printer;
    QPrintPreviewDialog dialog(&printer, m_panel);
    dialog.setObjectName(QStringLiteral("dlgPrintPreview"));
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, [&](QPrinter* target) {
        if (!m_browser) {
            QPainter blankPage(target);
            return;
        }
        // The page prints on its own process: wait here until it has.
        QEventLoop loop;
        bool printed = false;
        connect(m_browser, &QWebEngineView::printFinished, &loop, [&](bool success) {
            printed = success;
            loop.quit();
        });
        m_browser->print(target);
        loop.exec();
        failed = failed || !printed;
    });
    // The dialog is modal: the arrow is wanted inside it.
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    dialog.exec();
    QApplication::restoreOverrideCursor();
    if (failed)
        UserMessages().Error("The print preview of the page could not be made.");
}

bool TResultPreview::IsRemovedPosting(const QString& bodyMarkup) {
    return bodyMarkup.contains(QStringLiteral("deleted by its author")) ||
           (bodyMarkup.contains(QStringLiteral("This posting has been")) &&
            bodyMarkup.contains(QStringLiteral("for removal"))) ||
           bodyMarkup.contains(QStringLiteral("posting has expired")) ||
           bodyMarkup.contains(QStringLiteral("404 Error"));
}

bool TResultPreview::eventFilter(QObject* watched, QEvent* event) {
    // After the window's layout has taken the new size.
    if (watched == m_window && event->type() == QEvent::Resize && ShowPreview())
        QMetaObject::invokeMethod(this, &TResultPreview::ApplyHeight, Qt::QueuedConnection);
    return QObject::eventFilter(watched, event);
}

void TResultPreview::OnSelectionChanged(TResultsList* list) {
    if (!ShowPreview())
        return;
    const TEntry* entry = list ? list->SelectedEntry() : nullptr;
    NavigateTo(entry ? QUrl(QString::fromStdString(entry->Link)) : BlankPage);
}

void TResultPreview::ApplyShowPreview() {
    const bool shown = ShowPreview();
    m_panel->setVisible(shown);
    m_print->setVisible(shown);
    ApplyHeight();
    const TEntry* entry = shown && m_results ? m_results->SelectedEntry() : nullptr;
    NavigateUnlessThere(entry ? QUrl(QString::fromStdString(entry->Link)) : BlankPage);
}

void TResultPreview::ApplyHeight() {
    const bool shown = ShowPreview();
    // Unticked, only the title line with the check box stays.
    const int height = shown ? static_cast<int>(std::lround(m_window->height() * PreviewShareOfWindow))
                             : m_box->minimumSizeHint().height();
    m_box->setMaximumHeight(shown ? QWIDGETSIZE_MAX : height);
    auto* splitter = qobject_cast<QSplitter*>(m_box->parentWidget());
    if (!splitter) {
        m_box->resize(m_box->width(), height);
        return;
    }
    const int at = splitter->indexOf(m_box);
    QList<int> sizes = splitter->sizes();
    int total = 0;
    for (int size : sizes)
        total += size;
    if (at < 0 || sizes.size() < 2 || total <= 0)
        return;
    const int boxHeight = std::min(height, total);
    const int others = total - boxHeight;
    const int otherCount = static_cast<int>(sizes.size()) - 1;
    for (int i = 0; i < sizes.size(); ++i)
        sizes[i] = i == at ? boxHeight : others / otherCount;
    splitter->setSizes(sizes);
    if (at > 0)
        splitter->handle(at)->setEnabled(shown);
}

void TResultPreview::NavigateTo(const QUrl& address) {
    m_wanted = address;
    if (!m_browser && address == BlankPage)
        return;
    if (!m_browser)
        CreateBrowser();
    m_browser->setUrl(address);
}

void TResultPreview::NavigateUnlessThere(const QUrl& address) {
    if (ShownAddress() != address)
        NavigateTo(address);
}

QUrl TResultPreview::ShownAddress() const {
    return m_browser ? m_browser->url() : BlankPage;
}

void TResultPreview::CheckForRemoval(const QUrl& page, int attemptsLeft) {
    // Pages the site answers with an error status are read too: "404 Error" is one.
    if (page == BlankPage || page.isEmpty())
        return;
    QPointer<TResultPreview> self(this);
    m_browser->page()->toHtml([self, page, attemptsLeft](const QString& markup) {
        // Right after the engine has swapped the page's process the markup may come back
        // empty: read it again shortly while the page is still shown.
        if (markup.isEmpty()) {
            if (self && attemptsLeft > 0 && self->m_browser->url() == page)
                QTimer::singleShot(MarkupRetryMs, self, [self, page, attemptsLeft] {
                    if (self)
                        self->CheckForRemoval(page, attemptsLeft - 1);
                });
            return;
        }
        const qsizetype body = markup.indexOf(QStringLiteral("<body"));
        if (self && IsRemovedPosting(body < 0 ? markup : markup.mid(body)))
            self->DropRemovedPosting(page);
    });
}

void TResultPreview::DropRemovedPosting(const QUrl& page) {
    if (!m_results || !m_active)
        return;
    TEntry* entry = m_active->SelectedEntry();
    // The selection may have moved on while the page loaded: only the posting shown goes.
    if (!entry || QUrl(QString::fromStdString(entry->Link)) != page || m_browser->url() != page)
        return;
    const QString link = QString::fromStdString(entry->Link);
    m_active->ClearSelection();
    m_results->RemoveEntryRow(entry);
    if (m_filtered)
        m_filtered->RemoveEntryRow(entry);
    if (TSearch* search = m_results->Search()) {
        TEntryList& results = search->Results;
        const auto found =
            std::find_if(results.begin(), results.end(), [entry](const auto& item) { return item.get() == entry; });
        if (found != results.end())
            results.erase(found);
    }
    Q_EMIT RemovedPostingDropped(link);
}
