// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QWidget>

class QAction;
class QActionGroup;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QScrollArea;
class QSplitter;
class QStackedWidget;
class QToolButton;
class QTreeView;
class TCriteriaPanel;
class TfrmAdvancedKeywords;
class TfrmSelectLocations;
class TPlaces;
class TFavouritesPage;
class TFetchHealthPanel;
class TResultActions;
class TResultPreview;
class TResultsList;
class TSearch;
class TSearches;
class TSession;
class TSideBanner;

/// The search window, the program's working window after sign-in: the criteria panel on
/// the left, the result lists and the preview in the centre, the side banner on the right.
/// It shows one search at a time, runs it, and saves it when the program ends. Created
/// once, hidden, at program start; closing it ends the program. Every key pressed in it
/// passes through FormKeyDown first (and still reaches the focused control).
/// User-interface thread.
class TfrmNewSearch final : public QWidget {
    Q_OBJECT

public:
    static constexpr int MinimumWidth = 1001;
    static constexpr int MinimumHeight = 370;
    static constexpr int DefaultLeftPanelWidth = 233;
    static constexpr const char* Version = "3.33";

    /// advanced lives as long as the window.
    TfrmNewSearch(TSession& session, TfrmAdvancedKeywords& advanced, QWidget* parent = nullptr);
    ~TfrmNewSearch() override;

    /// Loads the searches file and shows the window in front (after every sign-in).
    void Open(int searchId = 0);
    /// Shows the saved search with searchId, as Open does, after saving the search shown now
    /// (a search made by Start is saved as a new one). A search that runs, or cannot be
    /// saved, stays, and the window only comes forward.
    void OpenSavedSearch(int searchId);
    /// Shows a new, empty search after saving the search shown now, as OpenSavedSearch does.
    void NewSearch();
    /// Reloads the searches, resets the window and shows the saved search with searchId, or
    /// (searchId 0) the file's search when the file holds exactly one; with blank, no
    /// search at all (a new one), whatever the file holds.
    void LoadSearch(int searchId = 0, bool blank = false);
    /// Stores the controls into the current search; false when the distance typed is no
    /// whole number (the rest is stored all the same, the distance kept as it was).
    bool StoreCriteria();
    /// After the event loop has ended: stores the criteria and writes the current search
    /// into the searches file, which the collection then writes once more as it goes.
    /// Every failure is swallowed.
    void SaveOnExit();
    /// Runs every enabling rule; called whenever the event loop goes idle.
    void ActionList1Update();

    /// The search the window shows and edits, or null.
    TSearch* CurrentSearch() const;
    /// The result list the result actions work on: lvResults in search mode,
    /// lvFilteredResults in filter mode.
    TResultsList& ActiveList() const;
    TResultsList& Results() const { return *m_results; }
    TResultsList& FilteredResults() const { return *m_filtered; }
    TResultPreview& Preview() const { return *m_preview; }
    TResultActions& ResultActions() const { return *m_resultActions; }
    TFavouritesPage& Favourites() const { return *m_favourites; }
    TfrmSelectLocations* Picker() const { return m_picker.get(); }

    /// Sort state shared by the result lists; set at every opening.
    int SortColumn = 2;
    bool SortAscending = false;
    /// Width of the left panel, remembered while it is hidden.
    int LeftPanelWidth = DefaultLeftPanelWidth;

    /// Ends the program's event loop (closing the window does); QApplication::quit unless set.
    std::function<void()> EndProgram;
    /// Hides the program in the tray (the window minimized while another program is active).
    std::function<void()> MinimizeToTray;
    /// Shows the main window with the saved searches (the "Saved searches" button).
    std::function<void()> ShowSavedSearches;
    /// Told after the window has replaced the session's searches (lists showing the old
    /// ones must refill).
    std::function<void()> SearchesReloaded;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void BuildLayout();
    QWidget* BuildLeftPanel();
    QWidget* BuildCentre();
    void ResetWindow();
    void BringToFront();
    /// Stores and saves the current search before the window shows another; false (the
    /// user told why when saving failed) while it runs or when it cannot be saved.
    bool SaveBeforeLeaving();
    /// Writes search into the searches file; a search made by Start first gets an id that
    /// no other search in the file has, so that it never replaces one.
    void SaveToFile(TSearch& search);

    void actStartSearchExecute();
    void actStopSearchExecute();
    void actSearchSettingsExecute();
    void actFilterSettingsExecute();
    void actFavouritesExecute();
    void btnShowHideClick();
    void BitBtn1Click();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    /// Shows search (or nothing) in the result lists and on the favourites page.
    void ShowSearch(TSearch* search);
    /// Adds the active list's selected posting to the favourites.
    void actAddToFavouritesExecute();
    /// Makes the picker for the session's place table when it has none for it yet.
    void EnsurePicker();
    void BuildResultsMenu();
    /// The keys S, X, comma, full stop and C scroll the previewed page.
    void ScrollPreviewForKey(int key);
    void RetryLocation(const std::string& location);
    /// Writes the active list's rows, in its order, to a CSV or JSON file the user chooses.
    void actExportResultsExecute();
    /// Writes the search's favourites, in their order, the same way.
    void actExportFavouritesExecute();

    TSession& m_session;
    TfrmAdvancedKeywords& m_advanced;
    std::unique_ptr<TfrmSelectLocations> m_picker;
    const TPlaces* m_pickerPlaces = nullptr;
    /// The current search: one of the session's searches, or m_ownSearch.
    TSearch* m_currentSearch = nullptr;
    /// The collection m_currentSearch belongs to, to notice it has gone.
    const TSearches* m_searchesOfCurrent = nullptr;
    /// A search made by Start search without a current search; not in the collection.
    std::unique_ptr<TSearch> m_ownSearch;
    /// The progress line's text for the current search's run (empty before any run).
    QString RunProgressText() const;
    /// When the run shown in the progress line started; invalid before any run.
    QElapsedTimer m_runClock;
    /// Results the search held when the run started (kept old results are no news).
    std::size_t m_resultsAtStart = 0;
    /// How long the last run took, once it has ended; -1 while it runs.
    qint64 m_runEndedMs = -1;
    TResultsList* m_results = nullptr;
    TResultsList* m_filtered = nullptr;
    TResultPreview* m_preview = nullptr;
    TResultActions* m_resultActions = nullptr;
    TFavouritesPage* m_favourites = nullptr;
    /// The locations the last run could not fetch, with Retry.
    TFetchHealthPanel* pnlFetchHealth = nullptr;
    /// The panel shows the end of the last run or retry (false while one goes).
    bool m_healthShown = true;
    /// The results menu of both lists.
    QMenu* pmResults = nullptr;

    QSplitter* sSplitter1 = nullptr;
    QWidget* pnlLeft = nullptr;
    QLabel* sPanel4 = nullptr;
    QToolButton* btnSearchSettings = nullptr;
    QToolButton* btnFilterSettings = nullptr;
    QToolButton* btnFavourites = nullptr;
    QToolButton* btnSavedSearches = nullptr;
    QStackedWidget* pcLeft = nullptr;
    QScrollArea* tsSearchCriteria = nullptr;
    QWidget* tsFilter = nullptr;
    QWidget* tsFavouritesMain = nullptr;
    TCriteriaPanel* m_criteria = nullptr;
    QLabel* lblCurrVersion = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QWidget* sPanel2 = nullptr;
    QSplitter* splPreview = nullptr;
    QStackedWidget* pcMain = nullptr;
    QWidget* tsSearchM = nullptr;
    QWidget* tsFilterM = nullptr;
    QTreeView* lvResults = nullptr;
    QTreeView* lvFilteredResults = nullptr;
    QToolButton* btnShowHide = nullptr;
    QGroupBox* gbResultPreview = nullptr;
    /// Where the run stands (location i of n, pages, postings, time), and how it ended.
    QLabel* lblRunProgress = nullptr;
    TSideBanner* m_banner = nullptr;

    QActionGroup* m_modeGroup = nullptr;
    QAction* actStartSearch = nullptr;
    QAction* actStopSearch = nullptr;
    QAction* actAddToFavourites = nullptr;
    QAction* actRemoveFromFavourites = nullptr;
    QAction* actMoveFavouriteUp = nullptr;
    QAction* actMoveFavouriteDown = nullptr;
    QAction* actFilter = nullptr;
    QAction* actSearchSettings = nullptr;
    QAction* actFilterSettings = nullptr;
    QAction* actFavourites = nullptr;
    QAction* actSavedSearches = nullptr;
    /// Always enabled: the flag, delete and check actions.
    QList<QAction*> m_alwaysEnabled;
};
