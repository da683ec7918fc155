// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TFavouritesPage.h"

#include <algorithm>

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QBrush>
#include <QColor>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include "core/TextHelpers.h"
#include "search/IEntryListListener.h"
#include "search/TSearch.h"
#include "ui/TResultsList.h"

namespace {

const QColor VisitedBackground(166, 202, 240);
const QUrl BlankPage(QStringLiteral("about:blank"));
constexpr int NoteHeaderHeight = 26;
constexpr int ImageColumnWidth = 50;
constexpr int DateColumnWidth = 65;
constexpr int PostColumnWidth = 250;
constexpr int PriceColumnWidth = 65;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

/// The rows of lvFavourites: row i is element i of the bound favourites list, read from it
/// whenever asked, and every change of that list reaches the view as the matching row
/// change (a move as a move, so that the selection goes with the moved row).
class TFavouritesModel final : public QAbstractTableModel, private IEntryListListener {
public:
    enum TColumn { ColumnCaption = 0, ColumnImage, ColumnDate, ColumnPost, ColumnPrice, ColumnCount };

    explicit TFavouritesModel(QObject* parent) : QAbstractTableModel(parent) {}
    ~TFavouritesModel() override { Unbind(); }

    void Bind(TFavouriteList* list) {
        beginResetModel();
        Unbind();
        m_list = list;
        if (m_list)
            m_list->AddListener(this);
        endResetModel();
    }
    TFavouriteList* BoundList() const { return m_list; }

    TFavourite* FavouriteAt(int row) const {
        if (!m_list || row < 0 || static_cast<std::size_t>(row) >= m_list->size())
            return nullptr;
        return (*m_list)[static_cast<std::size_t>(row)].get();
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() || !m_list ? 0 : static_cast<int>(m_list->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : ColumnCount; }

    QVariant data(const QModelIndex& index, int role) const override {
        const TFavourite* favourite = index.isValid() ? FavouriteAt(index.row()) : nullptr;
        if (!favourite)
            return {};
        switch (role) {
        case Qt::DisplayRole:
            return DisplayText(*favourite, index.column());
        case Qt::ToolTipRole:
            return index.column() == ColumnPost ? Text(favourite->Name) : QVariant();
        case TFavouritesPage::LocationRole:
            return Text(favourite->Location);
        case Qt::BackgroundRole:
            return favourite->Visited ? QVariant(QBrush(VisitedBackground)) : QVariant();
        case Qt::ForegroundRole:
            // Dark text on the row colour whatever the palette (a dark skin) says.
            return favourite->Visited ? QVariant(QBrush(Qt::black)) : QVariant();
        case Qt::TextAlignmentRole:
            if (index.column() == ColumnImage)
                return QVariant::fromValue(Qt::AlignCenter);
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
            return {};
        static const QString captions[ColumnCount] = {QString(), QStringLiteral("Image"), QStringLiteral(" Date"),
                                                      QStringLiteral(" Post"), QStringLiteral(" Price")};
        if (role == Qt::DisplayRole)
            return captions[section];
        if (role == Qt::TextAlignmentRole)
            return section == ColumnImage ? QVariant::fromValue(Qt::AlignCenter)
                                          : QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }

private:
    static QVariant DisplayText(const TFavourite& favourite, int column) {
        switch (column) {
        case ColumnImage:
            return favourite.HasImage ? QStringLiteral("img") : QStringLiteral("-");
        case ColumnDate:
            return Text(favourite.Date.str());
        case ColumnPost:
            return Text(favourite.Name);
        case ColumnPrice:
            return favourite.Price > 0 ? Text(FormatDecimal(favourite.Price)) : QStringLiteral("---");
        default:
            return QString();
        }
    }

    static int Row(std::size_t row) { return static_cast<int>(row); }

    void OnAboutToInsert(std::size_t first, std::size_t last) override { beginInsertRows({}, Row(first), Row(last)); }
    void OnInserted(std::size_t, std::size_t) override { endInsertRows(); }
    void OnAboutToRemove(std::size_t first, std::size_t last) override { beginRemoveRows({}, Row(first), Row(last)); }
    void OnRemoved(std::size_t, std::size_t) override { endRemoveRows(); }
    void OnAboutToMove(std::size_t first, std::size_t last, std::size_t destination) override {
        beginMoveRows({}, Row(first), Row(last), {}, Row(destination));
    }
    void OnMoved(std::size_t, std::size_t, std::size_t) override { endMoveRows(); }
    void OnAboutToReset() override { beginResetModel(); }
    void OnReset() override { endResetModel(); }
    void OnChanged(std::size_t first, std::size_t last) override {
        Q_EMIT dataChanged(index(Row(first), 0), index(Row(last), ColumnCount - 1));
    }
    void OnListDestroyed() override {
        beginResetModel();
        m_list = nullptr;
        endResetModel();
    }

    void Unbind() {
        if (m_list)
            m_list->RemoveListener(this);
        m_list = nullptr;
    }

    TFavouriteList* m_list = nullptr;
};

TFavouritesPage::TFavouritesPage(QWidget* page, QAction* actRemoveFromFavourites, QAction* actMoveFavouriteUp,
                                 QAction* actMoveFavouriteDown)
    : QObject(page), m_model(new TFavouritesModel(this)), m_remove(actRemoveFromFavourites),
      m_moveUp(actMoveFavouriteUp), m_moveDown(actMoveFavouriteDown) {
    PrepareAction(m_remove, QStyle::SP_DialogDiscardButton);
    PrepareAction(m_moveUp, QStyle::SP_ArrowUp);
    PrepareAction(m_moveDown, QStyle::SP_ArrowDown);
    BuildPage(page);
    if (m_remove)
        connect(m_remove, &QAction::triggered, this, &TFavouritesPage::RemoveSelected);
    if (m_moveUp)
        connect(m_moveUp, &QAction::triggered, this, &TFavouritesPage::MoveSelectedUp);
    if (m_moveDown)
        connect(m_moveDown, &QAction::triggered, this, &TFavouritesPage::MoveSelectedDown);
    OnSelectionChanged();
}

TFavouritesPage::~TFavouritesPage() = default;

void TFavouritesPage::PrepareAction(QAction* action, int standardPicture) {
    if (action && action->icon().isNull())
        action->setIcon(QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardPicture)));
}

// ---- Building ----

void TFavouritesPage::BuildPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    pcFavourites = new QTabWidget(page);
    pcFavourites->setObjectName(QStringLiteral("pcFavourites"));
    // Tabs drawn as buttons on the page, without the frame of a notebook.
    pcFavourites->setDocumentMode(true);
    pcFavourites->setTabPosition(QTabWidget::North);
    pcFavourites->tabBar()->setShape(QTabBar::RoundedNorth);
    pcFavourites->tabBar()->setExpanding(false);
    tsFavourites = BuildListTab();
    tsNote = BuildNoteTab();
    pcFavourites->addTab(tsFavourites, QStringLiteral("Favourites"));
    pcFavourites->addTab(tsNote, QStringLiteral("Note"));
    layout->addWidget(pcFavourites);
    connect(pcFavourites, &QTabWidget::currentChanged, this, [this](int index) {
        if (pcFavourites->widget(index) == tsNote)
            ShowSelectedNote();
    });
}

QWidget* TFavouritesPage::BuildListTab() {
    auto* tab = new QWidget(pcFavourites);
    tab->setObjectName(QStringLiteral("tsFavourites"));
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);

    sToolBar1 = new QToolBar(tab);
    sToolBar1->setObjectName(QStringLiteral("sToolBar1"));
    sToolBar1->setToolButtonStyle(Qt::ToolButtonIconOnly);
    sToolBar1->setIconSize(QSize(16, 16));
    if (m_remove)
        sToolBar1->addAction(m_remove);
    sToolBar1->addSeparator();
    if (m_moveUp)
        sToolBar1->addAction(m_moveUp);
    if (m_moveDown)
        sToolBar1->addAction(m_moveDown);
    layout->addWidget(sToolBar1);

    lvFavourites = new QTreeView(tab);
    lvFavourites->setObjectName(QStringLiteral("lvFavourites"));
    layout->addWidget(lvFavourites, 1);
    SetUpList();

    pmFavourites = new QMenu(lvFavourites);
    pmFavourites->setObjectName(QStringLiteral("pmFavourites"));
    for (QAction* action : {m_remove.data(), m_moveUp.data(), m_moveDown.data()})
        if (action)
            pmFavourites->addAction(action);
    return tab;
}

void TFavouritesPage::SetUpList() {
    // A selected row that goes leaves no selection: the view would select its neighbour.
    // Connected before the view's own handling.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        const int selected = SelectedRow();
        if (selected >= first && selected <= last)
            lvFavourites->selectionModel()->clear();
    });
    lvFavourites->setModel(m_model);
    lvFavourites->setRootIsDecorated(false);
    lvFavourites->setItemsExpandable(false);
    lvFavourites->setUniformRowHeights(true);
    lvFavourites->setAllColumnsShowFocus(true);
    lvFavourites->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvFavourites->setSelectionMode(QAbstractItemView::SingleSelection);
    lvFavourites->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvFavourites->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lvFavourites->setSortingEnabled(false);
    lvFavourites->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selected row stays as visible when the list loses the focus.
    QPalette palette = lvFavourites->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    lvFavourites->setPalette(palette);

    QHeaderView* header = lvFavourites->header();
    header->setSectionsMovable(false);
    header->setSectionsClickable(false);
    header->setStretchLastSection(true);
    header->resizeSection(TFavouritesModel::ColumnImage, ImageColumnWidth);
    header->resizeSection(TFavouritesModel::ColumnDate, DateColumnWidth);
    header->resizeSection(TFavouritesModel::ColumnPost, PostColumnWidth);
    header->resizeSection(TFavouritesModel::ColumnPrice, PriceColumnWidth);
    lvFavourites->setColumnHidden(TFavouritesModel::ColumnCaption, true);

    connect(lvFavourites, &QAbstractItemView::doubleClicked, this, [this] { OpenSelected(); });
    connect(lvFavourites, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { pmFavourites->popup(lvFavourites->viewport()->mapToGlobal(point)); });
    connect(lvFavourites->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TFavouritesPage::OnSelectionChanged);
    // A reset takes the selection without a selection signal.
    connect(m_model, &QAbstractItemModel::modelReset, this, &TFavouritesPage::OnSelectionChanged);
}

QWidget* TFavouritesPage::BuildNoteTab() {
    auto* tab = new QWidget(pcFavourites);
    tab->setObjectName(QStringLiteral("tsNote"));
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 2, 0, 0);
    layout->setSpacing(2);

    pnlNoteHeader = new QLabel(tab);
    pnlNoteHeader->setObjectName(QStringLiteral("pnlNoteHeader"));
    pnlNoteHeader->setFixedHeight(NoteHeaderHeight);
    pnlNoteHeader->setFrameShape(QFrame::StyledPanel);
    pnlNoteHeader->setIndent(4);
    pnlNoteHeader->setTextFormat(Qt::PlainText);
    // A long title is cut with an ellipsis to the width there is; the whole one is its tip.
    pnlNoteHeader->setMinimumWidth(1);
    pnlNoteHeader->installEventFilter(this);
    layout->addWidget(pnlNoteHeader);

    memoFavNote = new QPlainTextEdit(tab);
    memoFavNote->setObjectName(QStringLiteral("memoFavNote"));
    layout->addWidget(memoFavNote, 1);
    connect(memoFavNote, &QPlainTextEdit::textChanged, this, &TFavouritesPage::OnNoteEdited);
    return tab;
}

bool TFavouritesPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pnlNoteHeader && event->type() == QEvent::Resize)
        ShowNoteHeader();
    return QObject::eventFilter(watched, event);
}

// ---- Filling and adding ----

void TFavouritesPage::FillFavouriteList(TSearch* search) {
    m_search = search;
    m_model->Bind(search ? &search->Favourites : nullptr);
    lvFavourites->setColumnHidden(TFavouritesModel::ColumnCaption, true);
    pcFavourites->setCurrentWidget(tsFavourites);
    OnSelectionChanged();
}

TSearch* TFavouritesPage::Search() const {
    return m_model->BoundList() ? m_search : nullptr;
}

bool TFavouritesPage::AddFavourite(const TEntry& entry) {
    TFavouriteList* list = m_model->BoundList();
    if (!list)
        return false;
    const bool known =
        std::any_of(list->begin(), list->end(), [&](const auto& favourite) { return favourite->Link == entry.Link; });
    if (known)
        return false;
    list->push_back(std::make_unique<TFavourite>(entry));
    return true;
}

// ---- Removing and moving ----

void TFavouritesPage::RemoveSelected() {
    TFavouriteList* list = m_model->BoundList();
    const int row = SelectedRow();
    if (!list || row < 0)
        return;
    list->erase(list->begin() + row);
}

void TFavouritesPage::MoveSelectedUp() {
    MoveSelected(-1);
}

void TFavouritesPage::MoveSelectedDown() {
    MoveSelected(+1);
}

void TFavouritesPage::MoveSelected(int step) {
    TFavouriteList* list = m_model->BoundList();
    const int row = SelectedRow();
    const int target = row + step;
    if (!list || row < 0 || target < 0 || target >= RowCount())
        return;
    list->move(static_cast<std::size_t>(row), static_cast<std::size_t>(target));
    SelectRow(target);
    ScrollSelectedIntoView();
}

// ---- Selection and keys ----

int TFavouritesPage::RowCount() const {
    return m_model->rowCount();
}

int TFavouritesPage::SelectedRow() const {
    const QModelIndexList rows = lvFavourites->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

TFavourite* TFavouritesPage::SelectedFavourite() const {
    return m_model->FavouriteAt(SelectedRow());
}

void TFavouritesPage::SelectRow(int row) {
    if (row < 0 || row >= RowCount()) {
        ClearSelection();
        return;
    }
    lvFavourites->selectionModel()->setCurrentIndex(m_model->index(row, TFavouritesModel::ColumnImage),
                                                    QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFavouritesPage::ClearSelection() {
    lvFavourites->selectionModel()->clearSelection();
}

void TFavouritesPage::SelectPrevious() {
    const int row = SelectedRow();
    if (row > 0)
        SelectRow(row - 1);
    ScrollSelectedIntoView();
}

void TFavouritesPage::SelectNext() {
    const int row = SelectedRow();
    if (row < RowCount() - 1)
        SelectRow(row + 1);
    ScrollSelectedIntoView();
}

void TFavouritesPage::ScrollSelectedIntoView() {
    if (const int row = SelectedRow(); row >= 0)
        lvFavourites->scrollTo(m_model->index(row, TFavouritesModel::ColumnImage));
}

void TFavouritesPage::ScrollHorizontally(int pixels) {
    QScrollBar* bar = lvFavourites->horizontalScrollBar();
    bar->setValue(bar->value() + pixels);
}

void TFavouritesPage::OpenSelected() {
    TFavouriteList* list = m_model->BoundList();
    const int row = SelectedRow();
    if (!list || row < 0)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    OpenEntryInBrowser(*(*list)[static_cast<std::size_t>(row)]);
    list->NotifyChanged(static_cast<std::size_t>(row), static_cast<std::size_t>(row));
}

void TFavouritesPage::OnSelectionChanged() {
    const TFavourite* selected = SelectedFavourite();
    const int noteTab = pcFavourites->indexOf(tsNote);
    if (!selected)
        pcFavourites->setCurrentWidget(tsFavourites);
    pcFavourites->setTabVisible(noteTab, selected != nullptr);
    // The memo always shows the selected favourite's note: an edit never lands in another.
    ShowSelectedNote();
    if (m_reportedOnce && selected == m_reported)
        return;
    m_reportedOnce = true;
    m_reported = selected;
    Q_EMIT PreviewRequested(selected ? QUrl(Text(selected->Link)) : BlankPage);
}

// ---- Note ----

void TFavouritesPage::ShowSelectedNote() {
    const TFavourite* selected = SelectedFavourite();
    m_loadingNote = true;
    const auto loaded = qScopeGuard([this] { m_loadingNote = false; });
    const QString note = selected ? Text(selected->Note) : QString();
    if (memoFavNote->toPlainText() != note)
        memoFavNote->setPlainText(note);
    memoFavNote->setEnabled(selected != nullptr);
    ShowNoteHeader();
}

void TFavouritesPage::ShowNoteHeader() {
    const TFavourite* selected = SelectedFavourite();
    const QString title = selected ? Text(selected->Name) : QString();
    const int room = std::max(0, pnlNoteHeader->contentsRect().width() - 2 * pnlNoteHeader->indent());
    pnlNoteHeader->setText(pnlNoteHeader->fontMetrics().elidedText(title, Qt::ElideRight, room));
    pnlNoteHeader->setToolTip(title);
}

void TFavouritesPage::OnNoteEdited() {
    if (m_loadingNote)
        return;
    if (TFavourite* selected = SelectedFavourite())
        selected->Note = memoFavNote->toPlainText().toStdString();
}
