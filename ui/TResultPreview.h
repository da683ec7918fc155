// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QCheckBox;
class QGroupBox;
class QPushButton;
class QWebEngineView;
class QWidget;
class TResultsList;

/// The live preview of the search window: fills the group box gbResultPreview with the
/// check box cbShowPreview "Show preview", the panel pnlPreview holding the browser
/// wbPreview and the button btnPrint "Print preview". The browser (and with it the web
/// engine) is made when the first page other than "about:blank" is to be shown; until then
/// a white panel of the same place stands for the blank page. While "Show preview" is ticked the
/// browser shows the posting of the row selected in a followed list, "about:blank" when
/// none is; the browser shows no script dialogs and opens the page's own address in the
/// desktop's browser when the page asks for a new window. A posting page that says the
/// posting was removed takes that result out of the lists and the search's results.
///
/// Ticking the box makes the group 60 % of the window's height (again at each resize of
/// the window); unticking shrinks it to its title line and blanks the browser. When the
/// group sits in a QSplitter (splPreview), the heights are set through the splitter and its
/// handle is enabled only while the box is ticked.
///
/// The search window creates it after the group box is placed in the window and the lists
/// exist:
///
///     Preview = new TResultPreview(gbResultPreview, *Results, Session.Config.HttpProxy);
///     Preview->Follow(*FilteredResults);
///     Preview->SetActiveList(FilteredResults);   // in filter mode; Results in search mode
///
/// The object is a child of the box. User-interface thread only.
class TResultPreview final : public QObject {
    Q_OBJECT

public:
    /// results is lvResults' list, followed at once; httpProxy ("host:port", empty for the
    /// system's) becomes the program's proxy for web pages.
    TResultPreview(QGroupBox* box, TResultsList& results, const std::string& httpProxy = {});

    /// The preview also follows the selection of list (the filtered list).
    void Follow(TResultsList& list);
    /// The list the window's actions work on; a removed posting is looked up there.
    void SetActiveList(TResultsList* list);

    bool ShowPreview() const;
    /// Ticks or unticks "Show preview" and applies it (heights, panel, page), also when
    /// the box already shows that.
    void SetShowPreview(bool shown);
    /// Shows "about:blank" unless the browser is there already.
    void Blank();
    /// Shows link (a favourite, say; an empty link means "about:blank") while "Show preview"
    /// is ticked; otherwise the browser stays blank.
    void ShowLink(const QUrl& link);
    /// Scrolls the shown page by pixels (the window's keys S, X, comma, full stop, C); a
    /// blank page without a browser stays as it is.
    void ScrollPageBy(int dx, int dy);
    /// The print preview of the page (btnPrint).
    void PrintPreview();

    /// Null until a page other than "about:blank" has been shown.
    QWebEngineView* Browser() const { return m_browser; }
    QCheckBox* ShowPreviewBox() const { return m_showPreview; }

    /// Before the application object: lets the web engine share GL contexts with the windows
    /// without making the shared context (and loading the GL driver) until the first browser
    /// is made, and runs the engine without its sandbox for root, which it refuses to start as.
    static void PrepareWebEngine();

    /// Whether a posting page's body markup says that the posting was removed.
    static bool IsRemovedPosting(const QString& bodyMarkup);

Q_SIGNALS:
    /// A removed posting's result was taken out of the lists and the search; link is its
    /// link (the entry itself is freed).
    void RemovedPostingDropped(const QString& link);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildContents();
    void CreateBrowser();
    /// The browser's address; "about:blank" while there is no browser.
    QUrl ShownAddress() const;
    void OnSelectionChanged(TResultsList* list);
    void ApplyShowPreview();
    void ApplyHeight();
    void NavigateTo(const QUrl& address);
    void NavigateUnlessThere(const QUrl& address);
    void CheckForRemoval(const QUrl& page, int attemptsLeft = MarkupAttempts);
    void DropRemovedPosting(const QUrl& page);

    static constexpr int MarkupAttempts = 40;

    QGroupBox* m_box;
    QPointer<TResultsList> m_results;
    QPointer<TResultsList> m_filtered;
    QPointer<TResultsList> m_active;
    QCheckBox* m_showPreview = nullptr;
    QWidget* m_panel = nullptr;
    /// Stands for the blank page until the browser replaces it.
    QWidget* m_blankPage = nullptr;
    QWebEngineView* m_browser = nullptr;
    QPushButton* m_print = nullptr;
    QPointer<QWidget> m_window;
    /// The address last asked for.
    QUrl m_wanted;
};
