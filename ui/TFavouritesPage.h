// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QAction;
class QEvent;
class QAbstractItemModel;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QTabWidget;
class QToolBar;
class QTreeView;
class QWidget;
class TEntry;
class TFavourite;
class TFavouritesModel;
class TSearch;

/// The favourites page of the search window's left panel: fills the page widget
/// (tsFavouritesMain) with the tabs pcFavourites, "Favourites" (tsFavourites: the tool bar
/// sToolBar1 and the list lvFavourites with its menu pmFavourites) and "Note" (tsNote: the
/// header pnlNoteHeader with the favourite's title and the memo memoFavNote, whose every
/// change is written into the favourite's note at once). The "Note" tab is there only while
/// a favourite is selected.
///
/// Row i of the list always shows element i of the search's Favourites: the list's model
/// reads that list and hears every change of it, and every change here is made to the list.
///
/// The search window creates it once its actions and the page exist, and connects the
/// preview:
///
///     m_favourites = new TFavouritesPage(tsFavouritesMain, actRemoveFromFavourites,
///                                        actMoveFavouriteUp, actMoveFavouriteDown);
///     connect(m_favourites, &TFavouritesPage::PreviewRequested, m_preview, &TResultPreview::ShowLink);
///
/// then shows a search with FillFavouriteList(search) at every opening, and
/// FillFavouriteList(nullptr) before that search is destroyed. The object is a child of the
/// page. User-interface thread only.
class TFavouritesPage final : public QObject {
    Q_OBJECT

public:
    /// The actions (not owned; they belong to the window) are connected to the page's
    /// operations and put on the tool bar and the menu. An action without a picture gets one
    /// of the style's standard pictures.
    TFavouritesPage(QWidget* page, QAction* actRemoveFromFavourites, QAction* actMoveFavouriteUp,
                    QAction* actMoveFavouriteDown);
    ~TFavouritesPage() override;

    /// Shows the favourites of search (or none), replacing every row, with the "Favourites"
    /// tab in front and nothing selected. Call with nullptr before the search is destroyed.
    void FillFavouriteList(TSearch* search);
    /// The search shown; null once its favourites list has been destroyed.
    TSearch* Search() const;

    /// Appends a favourite made from entry (its fields and marks, an empty note) to the
    /// search's favourites, and so its row. A posting that is a favourite already (the same
    /// link) is refused, as is any entry while no search is shown: false then, and nothing
    /// changes.
    bool AddFavourite(const TEntry& entry);
    /// Removes (frees) the selected favourite and its row; nothing when none is selected.
    void RemoveSelected();
    /// Moves the selected favourite one place up or down, in the list and in the search's
    /// favourites alike; it stays selected. Nothing at the first or last place.
    void MoveSelectedUp();
    void MoveSelectedDown();

    /// The keyboard's Shift+A and Shift+Z: the favourite before or after the selected one
    /// (Shift+Z with nothing selected: the first), then the selected one scrolled into view.
    void SelectPrevious();
    void SelectNext();
    /// Shift+N and Shift+M: scrolls the columns by pixels (negative: to the left).
    void ScrollHorizontally(int pixels);

    int RowCount() const;
    /// The selected row, or -1.
    int SelectedRow() const;
    /// The selected favourite, or nullptr.
    TFavourite* SelectedFavourite() const;
    /// What the window's enabling rules ask (remove, move up and down, the "Note" tab).
    bool HasSelection() const { return SelectedRow() >= 0; }
    /// Selects row; -1 or a row out of range clears the selection.
    void SelectRow(int row);
    void ClearSelection();
    /// Marks the selected favourite visited and opens its link in the desktop's browser
    /// (what a double click on the list does).
    void OpenSelected();

    QTreeView* List() const { return lvFavourites; }
    QTabWidget* Tabs() const { return pcFavourites; }

    /// Data role giving a row's location, which no column shows.
    static constexpr int LocationRole = Qt::UserRole + 2;

Q_SIGNALS:
    /// The selection changed: the selected favourite's link, or about:blank when none is
    /// selected. The window passes it to the preview.
    void PreviewRequested(const QUrl& link);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildPage(QWidget* page);
    QWidget* BuildListTab();
    QWidget* BuildNoteTab();
    void SetUpList();
    void PrepareAction(QAction* action, int standardPicture);
    void OnSelectionChanged();
    void ShowSelectedNote();
    void ShowNoteHeader();
    void OnNoteEdited();
    void MoveSelected(int step);
    void ScrollSelectedIntoView();

    TFavouritesModel* m_model = nullptr;
    /// The search whose favourites the model is bound to.
    TSearch* m_search = nullptr;
    QTabWidget* pcFavourites = nullptr;
    QWidget* tsFavourites = nullptr;
    QWidget* tsNote = nullptr;
    QToolBar* sToolBar1 = nullptr;
    QTreeView* lvFavourites = nullptr;
    QMenu* pmFavourites = nullptr;
    QLabel* pnlNoteHeader = nullptr;
    QPlainTextEdit* memoFavNote = nullptr;
    QPointer<QAction> m_remove;
    QPointer<QAction> m_moveUp;
    QPointer<QAction> m_moveDown;
    /// The favourite last reported by PreviewRequested (compared, never used).
    const TFavourite* m_reported = nullptr;
    bool m_reportedOnce = false;
    /// The memo is being filled from a favourite: that is no edit.
    bool m_loadingNote = false;
};
