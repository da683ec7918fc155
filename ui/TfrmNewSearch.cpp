// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TfrmNewSearch.h"

#include <algorithm>
#include <cmath>

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include "core/IUserMessages.h"
#include "search/TBrowser.h"
#include "search/TFavourite.h"
#include "search/TSearch.h"
#include "search/TSearchRun.h"
#include "session/TSession.h"
#include "store/TSearches.h"
#include "ui/TCriteriaPanel.h"
#include "ui/TExportResults.h"
#include "ui/TFavouritesPage.h"
#include "ui/TFetchHealthPanel.h"
#include "ui/TResultActions.h"
#include "ui/TResultPreview.h"
#include "ui/TResultsList.h"
#include "ui/TSideBanner.h"
#include "ui/TfrmAdvancedKeywords.h"
#include "ui/TfrmSelectLocations.h"

namespace {

/// A link is kept with the search cut to this many characters.
constexpr int SelectedEntryCapacity = 100;
/// Pixels the keys N and M scroll a list sideways.
constexpr int ListScrollStep = 5;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

struct TActionSpec {
    QAction* TfrmNewSearch::*Field;
    const char* Name;
    const char* Caption;
    const char* Category;
    const char* Shortcut;
};

} // namespace

TfrmNewSearch::TfrmNewSearch(TSession& session, TfrmAdvancedKeywords& advanced, QWidget* parent)
    : QWidget(parent, Qt::Window), m_session(session), m_advanced(advanced) {
    setObjectName(QStringLiteral("frmNewSearch"));
    setWindowTitle(QStringLiteral("Trawlix"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    EndProgram = [] { QApplication::quit(); };
    CreateActions();
    BuildLayout();
    m_criteria->CurrentSearch = [this] { return CurrentSearch(); };
    // Key preview: the window sees every key of its controls before they do.
    qApp->installEventFilter(this);
    connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
            &TfrmNewSearch::ActionList1Update);
}

TfrmNewSearch::~TfrmNewSearch() {
    if (qApp)
        qApp->removeEventFilter(this);
    m_criteria->Picker = nullptr;
}

// ---- Building ----

void TfrmNewSearch::CreateActions() {
    // Name, caption, category, shortcut; the result actions' work is done by the result lists.
    static const TActionSpec specs[] = {
        {&TfrmNewSearch::actStartSearch, "actStartSearch", "Start search", "Search", ""},
        {&TfrmNewSearch::actStopSearch, "actStopSearch", "Stop search", "Search", ""},
        {&TfrmNewSearch::actAddToFavourites, "actAddToFavourites", "Add to favourites", "Favourites", ""},
        {&TfrmNewSearch::actRemoveFromFavourites, "actRemoveFromFavourites", "Remove from favourites", "Favourites",
         ""},
        {&TfrmNewSearch::actMoveFavouriteUp, "actMoveFavouriteUp", "Move up", "Favourites", ""},
        {&TfrmNewSearch::actMoveFavouriteDown, "actMoveFavouriteDown", "Move down", "Favourites", ""},
        {&TfrmNewSearch::actFilter, "actFilter", "Filter", "", ""},
        {nullptr, "actMiscat", "Miscategorized", "Flag selected", ""},
        {nullptr, "actProhibited", "Prohibited", "Flag selected", ""},
        {nullptr, "actSpam", "Spam / Overpost", "Flag selected", "Ctrl+R"},
        {nullptr, "actBest", "Best of craigslist", "Flag selected", ""},
        {&TfrmNewSearch::actSearchSettings, "actSearchSettings", "Search settings", "Menu", ""},
        {&TfrmNewSearch::actFilterSettings, "actFilterSettings", "Filter settings", "Menu", ""},
        {&TfrmNewSearch::actFavourites, "actFavourites", "Favourites", "Menu", ""},
        {&TfrmNewSearch::actSavedSearches, "actSavedSearches", "Saved searches", "Menu", ""},
        {nullptr, "actDeleteResult", "Delete selected", "", "Ctrl+Del"},
        {nullptr, "actDeleteAllChecked", "Delete all checked", "", "Shift+Del"},
        {nullptr, "actCheckAll", "Check all", "", "Ctrl+A"},
        {nullptr, "actUncheckAll", "Uncheck all", "", "Ctrl+Shift+A"},
        {nullptr, "actMiscatChecked", "Miscategorized", "Flag checked", ""},
        {nullptr, "actProhibitedChecked", "Prohibited", "Flag checked", ""},
        {nullptr, "actSpamChecked", "Spam / Overpost", "Flag checked", "Ctrl+Shift+R"},
        {nullptr, "actBestChecked", "Best of craigslist", "Flag checked", ""},
        {nullptr, "actExportResults", "Export results...", "", ""},
        {nullptr, "actExportFavourites", "Export favourites...", "", ""},
    };
    for (const TActionSpec& spec : specs) {
        auto* action = new QAction(QLatin1String(spec.Caption), this);
        action->setObjectName(QLatin1String(spec.Name));
        action->setProperty("category", QLatin1String(spec.Category));
        if (*spec.Shortcut)
            action->setShortcut(QKeySequence(QLatin1String(spec.Shortcut)));
        addAction(action);
        if (spec.Field)
            this->*spec.Field = action;
        else
            m_alwaysEnabled << action;
    }
    m_alwaysEnabled << actAddToFavourites << actSavedSearches;
    actStartSearch->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    actStopSearch->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    actSearchSettings->setCheckable(true);
    actFilterSettings->setCheckable(true);
    m_modeGroup = new QActionGroup(this);
    m_modeGroup->addAction(actSearchSettings);
    m_modeGroup->addAction(actFilterSettings);
    actSearchSettings->setChecked(true);

    connect(actStartSearch, &QAction::triggered, this, &TfrmNewSearch::actStartSearchExecute);
    connect(actStopSearch, &QAction::triggered, this, &TfrmNewSearch::actStopSearchExecute);
    connect(actSearchSettings, &QAction::triggered, this, &TfrmNewSearch::actSearchSettingsExecute);
    connect(actFilterSettings, &QAction::triggered, this, &TfrmNewSearch::actFilterSettingsExecute);
    connect(actFavourites, &QAction::triggered, this, &TfrmNewSearch::actFavouritesExecute);
    connect(actSavedSearches, &QAction::triggered, this, [this] {
        if (ShowSavedSearches)
            ShowSavedSearches();
    });
}

void TfrmNewSearch::BuildLayout() {
    sSplitter1 = new QSplitter(Qt::Horizontal, this);
    sSplitter1->setObjectName(QStringLiteral("sSplitter1"));
    sSplitter1->setChildrenCollapsible(false);
    sSplitter1->addWidget(BuildLeftPanel());
    sSplitter1->addWidget(BuildCentre());
    sSplitter1->setStretchFactor(0, 0);
    sSplitter1->setStretchFactor(1, 1);
    // The panel is as wide as the criteria need in this font, and never narrower than its
    // standard width.
    LeftPanelWidth = std::max(DefaultLeftPanelWidth, m_criteria->minimumSizeHint().width() +
                                                         tsSearchCriteria->verticalScrollBar()->sizeHint().width() + 2);
    pnlLeft->setMinimumWidth(LeftPanelWidth);
    sSplitter1->setSizes({LeftPanelWidth, 1000});

    m_banner = new TSideBanner(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(sSplitter1, 1);
    layout->addWidget(m_banner);
}

QWidget* TfrmNewSearch::BuildLeftPanel() {
    pnlLeft = new QWidget(this);
    pnlLeft->setObjectName(QStringLiteral("pnlLeft"));
    auto* layout = new QVBoxLayout(pnlLeft);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);

    sPanel4 = new QLabel(QStringLiteral("Main menu"), pnlLeft);
    sPanel4->setObjectName(QStringLiteral("sPanel4"));
    sPanel4->setAlignment(Qt::AlignCenter);
    sPanel4->setFrameShape(QFrame::StyledPanel);
    QFont bold = sPanel4->font();
    bold.setBold(true);
    sPanel4->setFont(bold);
    sPanel4->setMinimumHeight(22);
    layout->addWidget(sPanel4);

    auto makeButton = [this](QAction* action, const char* name) {
        auto* button = new QToolButton(pnlLeft);
        button->setObjectName(QLatin1String(name));
        button->setDefaultAction(action);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setMinimumHeight(26);
        return button;
    };
    btnSearchSettings = makeButton(actSearchSettings, "btnSearchSettings");
    btnFilterSettings = makeButton(actFilterSettings, "btnFilterSettings");
    btnFavourites = makeButton(actFavourites, "btnFavourites");
    btnSavedSearches = makeButton(actSavedSearches, "btnSavedSearches");
    auto* modes = new QHBoxLayout;
    modes->setSpacing(2);
    modes->addWidget(btnSearchSettings);
    modes->addWidget(btnFilterSettings);
    layout->addLayout(modes);
    auto* lists = new QHBoxLayout;
    lists->setSpacing(2);
    lists->addWidget(btnFavourites);
    lists->addWidget(btnSavedSearches);
    layout->addLayout(lists);

    pcLeft = new QStackedWidget(pnlLeft);
    pcLeft->setObjectName(QStringLiteral("pcLeft"));
    tsSearchCriteria = new QScrollArea(pcLeft);
    tsSearchCriteria->setObjectName(QStringLiteral("tsSearchCriteria"));
    tsSearchCriteria->setWidgetResizable(true);
    tsSearchCriteria->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tsSearchCriteria->setFrameShape(QFrame::NoFrame);
    m_criteria = new TCriteriaPanel(m_session, m_advanced);
    tsSearchCriteria->setWidget(m_criteria);
    tsFilter = new QWidget(pcLeft);
    tsFilter->setObjectName(QStringLiteral("tsFilter"));
    tsFavouritesMain = new QWidget(pcLeft);
    tsFavouritesMain->setObjectName(QStringLiteral("tsFavouritesMain"));
    pcLeft->addWidget(tsSearchCriteria);
    pcLeft->addWidget(tsFilter);
    pcLeft->addWidget(tsFavouritesMain);
    layout->addWidget(pcLeft, 1);

    auto* sPanel5 = new QWidget(pnlLeft);
    sPanel5->setObjectName(QStringLiteral("sPanel5"));
    auto* footer = new QHBoxLayout(sPanel5);
    footer->setContentsMargins(4, 2, 4, 2);
    lblCurrVersion = new QLabel(sPanel5);
    lblCurrVersion->setObjectName(QStringLiteral("lblCurrVersion"));
    BitBtn1 = new QPushButton(QStringLiteral("How it works"), sPanel5);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setAutoDefault(false);
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_MessageBoxQuestion));
    footer->addWidget(lblCurrVersion, 1);
    footer->addWidget(BitBtn1);
    layout->addWidget(sPanel5);

    connect(BitBtn1, &QPushButton::clicked, this, &TfrmNewSearch::BitBtn1Click);
    connect(m_criteria->btnStartSearch, &QPushButton::clicked, actStartSearch, &QAction::trigger);
    connect(m_criteria->sBitBtn2, &QPushButton::clicked, actStopSearch, &QAction::trigger);
    return pnlLeft;
}

QWidget* TfrmNewSearch::BuildCentre() {
    sPanel2 = new QWidget(this);
    sPanel2->setObjectName(QStringLiteral("sPanel2"));
    auto* layout = new QVBoxLayout(sPanel2);
    layout->setContentsMargins(0, 0, 0, 0);

    splPreview = new QSplitter(Qt::Vertical, sPanel2);
    splPreview->setObjectName(QStringLiteral("splPreview"));
    auto* lists = new QWidget(splPreview);
    auto* listsLayout = new QVBoxLayout(lists);
    listsLayout->setContentsMargins(0, 0, 0, 0);
    listsLayout->setSpacing(0);
    pcMain = new QStackedWidget(lists);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    auto makeListPage = [this](const char* pageName, const char* title, const char* listName) {
        auto* page = new QWidget(pcMain);
        page->setObjectName(QLatin1String(pageName));
        auto* pageLayout = new QVBoxLayout(page);
        pageLayout->setContentsMargins(0, 0, 0, 0);
        auto* group = new QGroupBox(QLatin1String(title), page);
        auto* groupLayout = new QVBoxLayout(group);
        auto* list = new QTreeView(group);
        list->setObjectName(QLatin1String(listName));
        groupLayout->addWidget(list);
        pageLayout->addWidget(group);
        pcMain->addWidget(page);
        return std::pair{page, list};
    };
    std::tie(tsSearchM, lvResults) = makeListPage("tsSearchM", "Results", "lvResults");
    std::tie(tsFilterM, lvFilteredResults) = makeListPage("tsFilterM", "Filtered results", "lvFilteredResults");
    m_results = new TResultsList(lvResults, SortColumn, SortAscending, TResultsList::Follow);
    m_filtered = new TResultsList(lvFilteredResults, SortColumn, SortAscending, TResultsList::Snapshot);
    listsLayout->addWidget(pcMain, 1);

    btnShowHide = new QToolButton(lists);
    btnShowHide->setObjectName(QStringLiteral("btnShowHide"));
    btnShowHide->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    btnShowHide->setToolTip(QStringLiteral("Hide or show the left panel"));
    btnShowHide->setAutoRaise(true);
    btnShowHide->setFixedSize(18, 18);
    auto* corner = new QHBoxLayout;
    corner->setContentsMargins(2, 0, 0, 0);
    corner->addWidget(btnShowHide);
    lblRunProgress = new QLabel(lists);
    lblRunProgress->setObjectName(QStringLiteral("lblRunProgress"));
    corner->addWidget(lblRunProgress);
    corner->addStretch(1);
    listsLayout->addLayout(corner);
    pnlFetchHealth = new TFetchHealthPanel(lists);
    listsLayout->addWidget(pnlFetchHealth);
    connect(pnlFetchHealth, &TFetchHealthPanel::RetryRequested, this, &TfrmNewSearch::RetryLocation);
    connect(btnShowHide, &QToolButton::clicked, this, &TfrmNewSearch::btnShowHideClick);

    gbResultPreview = new QGroupBox(splPreview);
    gbResultPreview->setObjectName(QStringLiteral("gbResultPreview"));
    gbResultPreview->setMinimumHeight(0);
    splPreview->addWidget(lists);
    splPreview->addWidget(gbResultPreview);
    splPreview->setStretchFactor(0, 1);
    splPreview->setCollapsible(0, false);
    layout->addWidget(splPreview);
    m_preview = new TResultPreview(gbResultPreview, *m_results, m_session.Config.HttpProxy);
    m_preview->Follow(*m_filtered);
    m_resultActions = new TResultActions(
        *this, *m_results, *m_filtered, [this]() -> TResultsList& { return ActiveList(); },
        [this] { return CurrentSearch(); }, m_session.Config);
    m_resultActions->BuildFilterPage(*tsFilter, *actFilter);
    m_favourites =
        new TFavouritesPage(tsFavouritesMain, actRemoveFromFavourites, actMoveFavouriteUp, actMoveFavouriteDown);
    connect(m_favourites, &TFavouritesPage::PreviewRequested, m_preview, &TResultPreview::ShowLink);
    connect(actAddToFavourites, &QAction::triggered, this, &TfrmNewSearch::actAddToFavouritesExecute);
    connect(findChild<QAction*>(QStringLiteral("actExportResults")), &QAction::triggered, this,
            &TfrmNewSearch::actExportResultsExecute);
    auto* actExportFavourites = findChild<QAction*>(QStringLiteral("actExportFavourites"));
    connect(actExportFavourites, &QAction::triggered, this, &TfrmNewSearch::actExportFavouritesExecute);
    if (auto* pmFavourites = tsFavouritesMain->findChild<QMenu*>(QStringLiteral("pmFavourites"))) {
        pmFavourites->addSeparator();
        pmFavourites->addAction(actExportFavourites);
    }
    BuildResultsMenu();
    return sPanel2;
}

void TfrmNewSearch::BuildResultsMenu() {
    const auto action = [this](const char* name) { return findChild<QAction*>(QLatin1String(name)); };
    pmResults = new QMenu(this);
    pmResults->setObjectName(QStringLiteral("pmResults"));
    pmResults->addActions({actAddToFavourites, action("actDeleteResult"), action("actDeleteAllChecked")});
    pmResults->addSeparator();
    pmResults->addActions({action("actCheckAll"), action("actUncheckAll")});
    pmResults->addSeparator();
    QMenu* highlighted = pmResults->addMenu(QStringLiteral("Flag highlighted as..."));
    highlighted->setObjectName(QStringLiteral("pmFlagHighlighted"));
    highlighted->addActions({action("actMiscat"), action("actProhibited"), action("actSpam"), action("actBest")});
    QMenu* checked = pmResults->addMenu(QStringLiteral("Flag checked as..."));
    checked->setObjectName(QStringLiteral("pmFlagChecked"));
    checked->addActions({action("actMiscatChecked"), action("actProhibitedChecked"), action("actSpamChecked"),
                         action("actBestChecked")});
    pmResults->addSeparator();
    pmResults->addAction(action("actExportResults"));
    // A click on the first column's header clears the selection: what needs one is hidden then.
    const QList<QAction*> needSelection{action("actDeleteResult"), highlighted->menuAction()};
    m_results->SetPopupMenu(pmResults, needSelection);
    m_filtered->SetPopupMenu(pmResults, needSelection);
}

void TfrmNewSearch::ShowSearch(TSearch* search) {
    m_results->FillEntryList(search);
    m_filtered->FillEntryList(search);
    m_favourites->FillFavouriteList(search);
}

void TfrmNewSearch::actAddToFavouritesExecute() {
    if (const TEntry* entry = ActiveList().SelectedEntry())
        m_favourites->AddFavourite(*entry);
}

// ---- Opening and loading ----

void TfrmNewSearch::Open(int searchId) {
    LoadSearch(searchId);
    BringToFront();
}

void TfrmNewSearch::BringToFront() {
    // Maximized; without a window manager the geometry still covers the desktop.
    if (const QScreen* screen = this->screen())
        setGeometry(screen->availableGeometry());
    showMaximized();
    raise();
    activateWindow();
}

void TfrmNewSearch::OpenSavedSearch(int searchId) {
    const TSearch* current = CurrentSearch();
    const bool showing = current && current != m_ownSearch.get() && current->SearchId == searchId;
    if (showing || !SaveBeforeLeaving()) {
        BringToFront();
        return;
    }
    Open(searchId);
}

void TfrmNewSearch::NewSearch() {
    if (!SaveBeforeLeaving()) {
        BringToFront();
        return;
    }
    LoadSearch(0, true);
    BringToFront();
}

bool TfrmNewSearch::SaveBeforeLeaving() {
    TSearch* current = CurrentSearch();
    if (!current)
        return true;
    if (!current->CurrentRun().Idle || !m_session.Searches)
        return false;
    try {
        StoreCriteria();
        SaveToFile(*current);
    } catch (const std::exception& error) {
        UserMessages().Error(error.what());
        return false;
    }
    return true;
}

void TfrmNewSearch::SaveToFile(TSearch& search) {
    TSearches& searches = *m_session.Searches;
    if (&search == m_ownSearch.get() && search.SearchId == 0) {
        // Below every id in use: ids above 0 are the account database's, and a search
        // with an id below 1 is a new one there.
        int lowest = 0;
        for (const auto& item : searches.Items)
            lowest = std::min(lowest, item->SearchId);
        search.SearchId = lowest - 1;
    }
    searches.Save(search, true, false);
}

void TfrmNewSearch::EnsurePicker() {
    const TPlaces* places = m_session.Places.get();
    if (places && (!m_picker || m_pickerPlaces != places)) {
        m_criteria->Picker = nullptr;
        m_picker = std::make_unique<TfrmSelectLocations>(*places, this);
        m_pickerPlaces = places;
    } else if (!places) {
        m_picker.reset();
        m_pickerPlaces = nullptr;
    }
    m_criteria->Picker = m_picker.get();
}

void TfrmNewSearch::LoadSearch(int searchId, bool blank) {
    m_banner->ShowSideBanner(m_session.Config.BannerServer, TFetchOptions::FromConfig(m_session.Config));
    setWindowTitle(QStringLiteral("FREE Trawlix Reader PRO v%1 by Trawlix").arg(QLatin1String(Version)));
    lblCurrVersion->setText(QStringLiteral("local version is: %1").arg(QLatin1String(Version)));

    // Nothing of an earlier opening survives but what was saved.
    m_runClock.invalidate();
    // The lists let go of the search before the reload frees it.
    ShowSearch(nullptr);
    m_currentSearch = nullptr;
    m_searchesOfCurrent = nullptr;
    m_ownSearch.reset();
    TSearches& searches = m_session.LoadSearches();
    if (SearchesReloaded)
        SearchesReloaded();
    auto chosen = searches.Items.end();
    if (searchId != 0)
        chosen = std::find_if(searches.Items.begin(), searches.Items.end(),
                              [searchId](const auto& item) { return item->SearchId == searchId; });
    else if (!blank && searches.Items.size() == 1)
        chosen = searches.Items.begin();
    if (chosen != searches.Items.end()) {
        m_currentSearch = chosen->get();
        m_searchesOfCurrent = &searches;
    }

    ResetWindow();
    EnsurePicker();
    m_criteria->FillCategories();
    actSearchSettings->trigger();
    TSearch* search = CurrentSearch();
    if (!search) {
        m_criteria->ClearFields(false);
        m_criteria->ChooseDefaultLocations();
        return;
    }
    m_criteria->LoadCriteria(*search);
    ShowSearch(search);
    m_preview->SetShowPreview(search->ShowPreview);
}

void TfrmNewSearch::ResetWindow() {
    SortColumn = TResultsModel::ColumnDate;
    SortAscending = false;
    m_results->ResetSortMarks();
    m_filtered->ResetSortMarks();
    m_criteria->ResetForOpening();
    m_resultActions->ResetForOpening();
    pnlFetchHealth->ShowFailedFetches({});
    m_healthShown = true;
    pcLeft->setCurrentWidget(tsSearchCriteria);
    m_preview->SetShowPreview(true);
}

TSearch* TfrmNewSearch::CurrentSearch() const {
    if (m_currentSearch && m_currentSearch != m_ownSearch.get() && m_searchesOfCurrent != m_session.Searches.get())
        return nullptr; // its collection has been released
    return m_currentSearch;
}

// ---- Storing, running, saving ----

bool TfrmNewSearch::StoreCriteria() {
    TSearch* search = CurrentSearch();
    if (!search)
        return true;
    const bool stored = m_criteria->StoreCriteria(*search);
    const TEntry* selected = m_results->SelectedEntry();
    search->SelectedEntry = selected ? Q(selected->Link).left(SelectedEntryCapacity).toStdString() : std::string();
    search->ShowPreview = m_preview->ShowPreview();
    return stored;
}

void TfrmNewSearch::actStartSearchExecute() {
    // Checked before anything changes, so that bad input costs neither results nor typing.
    if (const QString problem = m_criteria->InputProblem(); !problem.isEmpty()) {
        UserMessages().Information(problem.toStdString());
        return;
    }
    if (!CurrentSearch()) {
        m_ownSearch = std::make_unique<TSearch>(&m_session.SearchContext());
        m_currentSearch = m_ownSearch.get();
        m_searchesOfCurrent = nullptr;
    }
    TSearch& search = *CurrentSearch();
    StoreCriteria();
    search.ResetResults(!search.KeepOldResults);
    ShowSearch(&search);
    if (search.LeafLocations().empty()) {
        UserMessages().Information("There are no locations chosen, to search in!");
        return;
    }
    actStartSearch->setEnabled(false);
    m_criteria->UpdateRunLocations();
    m_resultsAtStart = search.Results.size();
    m_runEndedMs = -1;
    m_runClock.start();
    pnlFetchHealth->ShowFailedFetches({});
    m_healthShown = false;
    search.Run(m_results);
}

void TfrmNewSearch::RetryLocation(const std::string& location) {
    TSearch* search = CurrentSearch();
    if (!search || !search->CurrentRun().Idle)
        return;
    m_resultsAtStart = search->Results.size();
    m_runEndedMs = -1;
    m_runClock.start();
    pnlFetchHealth->SetRetryEnabled(false);
    m_healthShown = false;
    if (!search->CurrentRun().RetryLocation(location, m_results)) {
        m_healthShown = true;
        pnlFetchHealth->SetRetryEnabled(true);
    }
}

void TfrmNewSearch::actExportFavouritesExecute() {
    const TSearch* search = CurrentSearch();
    std::vector<const TEntry*> entries;
    if (search)
        for (const auto& favourite : search->Favourites)
            entries.push_back(favourite.get());
    ExportResults(this, entries);
}

void TfrmNewSearch::actExportResultsExecute() {
    const TResultsList& list = ActiveList();
    std::vector<const TEntry*> entries;
    entries.reserve(static_cast<std::size_t>(list.RowCount()));
    for (int row = 0; row < list.RowCount(); ++row)
        entries.push_back(list.EntryAt(row));
    ExportResults(this, entries);
}

QString TfrmNewSearch::RunProgressText() const {
    const TSearch* search = CurrentSearch();
    if (!search || !m_runClock.isValid())
        return {};
    const TSearchRun& run = search->CurrentRun();
    const qsizetype found = static_cast<qsizetype>(search->Results.size()) - static_cast<qsizetype>(m_resultsAtStart);
    const QString pages =
        QStringLiteral("%1 page%2 fetched").arg(run.FetchedLinks.size()).arg(run.FetchedLinks.size() == 1 ? "" : "s");
    const QString postings =
        QStringLiteral("%1 new posting%2").arg(std::max<qsizetype>(found, 0)).arg(found == 1 ? "" : "s");
    const qint64 ms = run.Idle && m_runEndedMs >= 0 ? m_runEndedMs : m_runClock.elapsed();
    const QString seconds = QString::number(static_cast<double>(ms) / 1000.0, 'f', 1);
    const int locations = static_cast<int>(run.LocationsToSearch.size());
    if (!run.Idle)
        return QStringLiteral("Searching location %1 of %2: %3, %4, %5 s")
            .arg(std::min(run.LocationIndex + 1, std::max(locations, 1)))
            .arg(locations)
            .arg(pages, postings, seconds);
    QString text = QStringLiteral("Search ended: %1 location%2, %3, %4 in %5 s")
                       .arg(locations)
                       .arg(locations == 1 ? "" : "s")
                       .arg(pages, postings, seconds);
    if (!run.FailedFetches.empty())
        text += QStringLiteral("; %1 page%2 could not be fetched")
                    .arg(run.FailedFetches.size())
                    .arg(run.FailedFetches.size() == 1 ? "" : "s");
    return text + QLatin1Char('.');
}

void TfrmNewSearch::actStopSearchExecute() {
    if (TSearch* search = CurrentSearch())
        search->Stop();
}

void TfrmNewSearch::SaveOnExit() {
    try {
        TSearch* search = CurrentSearch();
        if (!search || !m_session.Searches)
            return;
        // A distance that is no number keeps the one stored before; the rest is saved as typed.
        StoreCriteria();
        // The file is replaced whole by the save, never deleted first: a failed write
        // leaves the last good one.
        SaveToFile(*search);
        ShowSearch(nullptr);
        m_currentSearch = nullptr;
        m_searchesOfCurrent = nullptr;
        m_session.Searches.reset();
    } catch (...) {
        // The program ends regardless.
    }
}

void TfrmNewSearch::closeEvent(QCloseEvent* event) {
    try {
        if (TSearch* search = CurrentSearch(); search && !search->CurrentRun().Idle)
            actStopSearchExecute();
        m_results->ClearSelection();
        m_favourites->ClearSelection();
    } catch (...) {
        // Closing must end the program whatever happened here.
    }
    event->accept();
    if (EndProgram)
        EndProgram();
}

// ---- Enabling rules ----

void TfrmNewSearch::ActionList1Update() {
    TSearch* search = CurrentSearch();
    const bool idle = !search || search->CurrentRun().Idle;
    // The clock stops with the run: its end keeps the time it took.
    if (idle && m_runClock.isValid() && m_runEndedMs < 0)
        m_runEndedMs = m_runClock.elapsed();
    if (idle && !m_healthShown) {
        m_healthShown = true;
        if (search) {
            pnlFetchHealth->ShowFailedFetches(search->CurrentRun().FailedFetches);
            pnlFetchHealth->SetRetryEnabled(true);
        }
    }
    if (const QString progress = RunProgressText(); lblRunProgress->text() != progress)
        lblRunProgress->setText(progress);
    const bool hasRows = m_results->RowCount() > 0;
    const bool resultSelected = m_results->SelectedRow() >= 0;
    const bool favouriteSelected = m_favourites->HasSelection();

    actSearchSettings->setEnabled(true);
    actFilterSettings->setEnabled(hasRows);
    actFilter->setEnabled(hasRows);
    actFavourites->setEnabled(resultSelected);
    actStartSearch->setEnabled(m_criteria->HasPlaces() && m_criteria->HasCategory() && idle);
    actStopSearch->setEnabled(!idle);
    for (QAction* action : {actRemoveFromFavourites, actMoveFavouriteUp, actMoveFavouriteDown})
        action->setEnabled(favouriteSelected);
    for (QAction* action : std::as_const(m_alwaysEnabled))
        action->setEnabled(true);
    m_criteria->btnStartSearch->setEnabled(actStartSearch->isEnabled());
    m_criteria->sBitBtn2->setEnabled(actStopSearch->isEnabled());

    const bool noPlaces = !m_criteria->HasPlaces();
    if (m_criteria->pnlNoLocations->isVisibleTo(m_criteria) != noPlaces)
        m_criteria->pnlNoLocations->setVisible(noPlaces);
    QString hint;
    if (idle && noPlaces)
        hint = QStringLiteral("Choose the locations to search in to start a search.");
    else if (idle && !m_criteria->HasCategory())
        hint = QStringLiteral("Choose a category to start a search.");
    if (m_criteria->lblStartHint->text() != hint)
        m_criteria->lblStartHint->setText(hint);
    m_criteria->lblStartHint->setVisible(!hint.isEmpty());

    // Minimized while another program is in front: the program goes to the tray instead.
    if (isVisible() && isMinimized() && QApplication::applicationState() != Qt::ApplicationActive) {
        hide();
        setWindowState(Qt::WindowMaximized);
        if (MinimizeToTray)
            MinimizeToTray();
    }
}

// ---- Left panel, help, size ----

void TfrmNewSearch::actSearchSettingsExecute() {
    actSearchSettings->setChecked(true);
    pcLeft->setCurrentWidget(tsSearchCriteria);
    pcMain->setCurrentWidget(tsSearchM);
    m_preview->SetActiveList(m_results);
}

void TfrmNewSearch::actFilterSettingsExecute() {
    actFilterSettings->setChecked(true);
    pcLeft->setCurrentWidget(tsFilter);
    pcMain->setCurrentWidget(tsFilterM);
    m_preview->SetActiveList(m_filtered);
}

void TfrmNewSearch::actFavouritesExecute() {
    pcLeft->setCurrentWidget(tsFavouritesMain);
}

TResultsList& TfrmNewSearch::ActiveList() const {
    return actFilterSettings->isChecked() ? *m_filtered : *m_results;
}

void TfrmNewSearch::btnShowHideClick() {
    if (pnlLeft->isVisible()) {
        LeftPanelWidth = pnlLeft->width();
        pnlLeft->hide();
        btnShowHide->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    } else {
        pnlLeft->show();
        sSplitter1->setSizes({LeftPanelWidth, std::max(0, sSplitter1->width() - LeftPanelWidth)});
        btnShowHide->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    }
}

void TfrmNewSearch::BitBtn1Click() {
    QDesktopServices::openUrl(QUrl(Q(m_session.Config.MakerServer) + QStringLiteral("/to_how_it_works.php")));
}

// ---- Keyboard ----

bool TfrmNewSearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        QWidget* focus = QApplication::focusWidget();
        // Once per key: at the control that has the focus, or at the window itself.
        const bool atFocus = widget == focus || (widget == this && (!focus || focus->window() != this));
        if (atFocus && widget->window() == this) {
            const auto* key = static_cast<QKeyEvent*>(event);
            FormKeyDown(key->key(), key->modifiers());
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmNewSearch::FormKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    const Qt::KeyboardModifiers held =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::NoModifier && key == Qt::Key_Escape) {
        close();
        return;
    }
    if (held == Qt::NoModifier) {
        TResultsList& list = ActiveList();
        if (key == Qt::Key_A)
            list.SelectPrevious();
        else if (key == Qt::Key_Z)
            list.SelectNext();
        else if (key == Qt::Key_N || key == Qt::Key_M)
            list.ScrollHorizontally(key == Qt::Key_N ? -ListScrollStep : ListScrollStep);
    } else if (held == Qt::ShiftModifier) {
        if (key == Qt::Key_A)
            m_favourites->SelectPrevious();
        else if (key == Qt::Key_Z)
            m_favourites->SelectNext();
        else if (key == Qt::Key_N || key == Qt::Key_M)
            m_favourites->ScrollHorizontally(key == Qt::Key_N ? -ListScrollStep : ListScrollStep);
    }
    ScrollPreviewForKey(key);
}

void TfrmNewSearch::ScrollPreviewForKey(int key) {
    switch (key) {
    case Qt::Key_S:
        m_preview->ScrollPageBy(0, -10);
        break;
    case Qt::Key_X:
        m_preview->ScrollPageBy(0, 10);
        break;
    case Qt::Key_Comma:
    case Qt::Key_Less:
        m_preview->ScrollPageBy(-5, 0);
        break;
    case Qt::Key_Period:
    case Qt::Key_Greater:
        m_preview->ScrollPageBy(5, 0);
        break;
    case Qt::Key_C:
        m_preview->ScrollPageBy(0, 30000);
        break;
    default:
        break;
    }
}
