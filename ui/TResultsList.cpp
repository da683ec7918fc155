// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TResultsList.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTreeView>
#include <QUrl>

#include "search/TSearch.h"

namespace {

constexpr int CheckColumnWidth = 30;
constexpr int ImageColumnWidth = 50;
constexpr int DateColumnWidth = 65;
constexpr int PostColumnWidth = 250;
constexpr int PriceColumnWidth = 65;
constexpr int LocationColumnWidth = 250;
/// Where the header's menu opens, in the list's coordinates: just below the header.
const QPoint HeaderMenuPoint(2, 20);

} // namespace

void OpenEntryInBrowser(TEntry& entry) {
    entry.Visited = true;
    QDesktopServices::openUrl(QUrl(QString::fromStdString(entry.Link)));
}

TResultsList::TResultsList(QTreeView* view, int& sortColumn, bool& sortAscending, TMode mode)
    : QObject(view), m_view(view), m_model(new TResultsModel(sortColumn, sortAscending, this)),
      m_sortColumn(sortColumn), m_sortAscending(sortAscending), m_mode(mode) {
    m_model->Bind(nullptr, mode == Follow);
    SetUpView();
}

void TResultsList::SetUpView() {
    // A selected row that goes leaves no selection (the view would select the next row):
    // what follows a deletion is the window's choice. Connected before the view's own.
    connect(m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this, [this](const QModelIndex&, int first, int last) {
        const int current = m_view->currentIndex().row();
        if (current >= first && current <= last)
            m_view->selectionModel()->clear();
    });
    m_view->setModel(m_model);
    m_view->setRootIsDecorated(false);
    m_view->setItemsExpandable(false);
    m_view->setUniformRowHeights(true); // thousands of rows scroll without measuring each
    m_view->setAllColumnsShowFocus(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_view->setSortingEnabled(false); // header clicks sort by the window's own rules
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    // The selected row stays as visible when the list loses the focus.
    QPalette palette = m_view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    m_view->setPalette(palette);

    QHeaderView* header = m_view->header();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setSectionsMovable(false);
    header->setStretchLastSection(true);
    header->setMinimumSectionSize(CheckColumnWidth);
    header->resizeSection(TResultsModel::ColumnCheck, CheckColumnWidth);
    header->setSectionResizeMode(TResultsModel::ColumnCheck, QHeaderView::Fixed);
    header->resizeSection(TResultsModel::ColumnImage, ImageColumnWidth);
    header->resizeSection(TResultsModel::ColumnDate, DateColumnWidth);
    header->resizeSection(TResultsModel::ColumnPost, PostColumnWidth);
    header->resizeSection(TResultsModel::ColumnPrice, PriceColumnWidth);
    header->resizeSection(TResultsModel::ColumnLocation, LocationColumnWidth);

    connect(header, &QHeaderView::sectionClicked, this, &TResultsList::HeaderClicked);
    connect(m_view, &QAbstractItemView::doubleClicked, this, [this] { OpenSelected(); });
    connect(m_view, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { ShowMenu(m_view->viewport()->mapToGlobal(point), false); });
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { ReportSelection(true); });
    // A reset or a removal can take the selected row without a selection signal.
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] { ReportSelection(false); });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, [this] { ReportSelection(false); });
    m_view->installEventFilter(this);
}

void TResultsList::FillEntryList(TSearch* search) {
    m_search = search;
    m_model->Bind(search ? &search->Results : nullptr, m_mode == Follow);
    if (search && m_mode == Follow && !search->SelectedEntry.empty())
        for (int row = 0; row < RowCount(); ++row)
            if (EntryAt(row)->Link == search->SelectedEntry) {
                SelectRow(row);
                break;
            }
}

void TResultsList::AddEntryRow(TEntry& entry) {
    int row = FindRowByEntry(&entry);
    if (row < 0)
        row = m_model->AppendRow(entry);
    if (const TSearch* search = Search(); search && entry.Link == search->SelectedEntry)
        SelectRow(row);
}

void TResultsList::AppendRowFrom(const TResultsList& source, int row) {
    if (TEntry* entry = source.EntryAt(row))
        m_model->AppendRow(*entry, source.Model()->IsChecked(row));
}

void TResultsList::CopyRowsFrom(const TResultsList& source, const std::function<bool(const TEntry&)>& keep) {
    std::vector<std::pair<TEntry*, bool>> rows;
    for (int row = 0; row < source.RowCount(); ++row)
        if (TEntry* entry = source.EntryAt(row); keep(*entry))
            rows.emplace_back(entry, source.Model()->IsChecked(row));
    m_model->SetRows(rows);
}

int TResultsList::RemoveEntryRow(const TEntry* entry) {
    const int row = FindRowByEntry(entry);
    m_model->RemoveRow(row);
    return row;
}

void TResultsList::ClearRows() {
    m_model->ClearRows();
}

void TResultsList::Sort() {
    m_model->Sort();
}

int TResultsList::RowCount() const {
    return m_model->rowCount();
}

TEntry* TResultsList::EntryAt(int row) const {
    return m_model->EntryAt(row);
}

int TResultsList::FindRowByEntry(const TEntry* entry) const {
    return m_model->FindRowByEntry(entry);
}

int TResultsList::SelectedRow() const {
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

TEntry* TResultsList::SelectedEntry() const {
    return EntryAt(SelectedRow());
}

void TResultsList::SelectRow(int row) {
    if (row < 0 || row >= RowCount()) {
        ClearSelection();
        return;
    }
    m_view->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TResultsList::ClearSelection() {
    m_view->selectionModel()->clearSelection();
}

void TResultsList::SelectPrevious() {
    const int row = SelectedRow();
    if (row > 0)
        SelectRow(row - 1);
    if (SelectedRow() >= 0)
        m_view->scrollTo(m_model->index(SelectedRow(), 0));
}

void TResultsList::SelectNext() {
    const int row = SelectedRow();
    if (row < RowCount() - 1)
        SelectRow(row + 1);
    if (SelectedRow() >= 0)
        m_view->scrollTo(m_model->index(SelectedRow(), 0));
}

void TResultsList::ScrollHorizontally(int pixels) {
    QScrollBar* bar = m_view->horizontalScrollBar();
    bar->setValue(bar->value() + pixels);
}

void TResultsList::SetPopupMenu(QMenu* menu, QList<QAction*> hiddenInHeaderMode) {
    m_menu = menu;
    m_hiddenInHeaderMode = std::move(hiddenInHeaderMode);
}

void TResultsList::ResetSortMarks() {
    for (int column = TResultsModel::ColumnImage; column < TResultsModel::ColumnCount; ++column)
        m_model->SetHeaderImage(column, column == TResultsModel::ColumnDate ? TResultsModel::ImageDescending
                                                                            : TResultsModel::ImageNone);
}

void TResultsList::HeaderClicked(int column) {
    if (column == TResultsModel::ColumnCheck) {
        ClearSelection();
        ShowMenu(m_view->mapToGlobal(HeaderMenuPoint), true);
        return;
    }
    m_sortColumn = -1;
    if (column != TResultsModel::ColumnDate && column != TResultsModel::ColumnPrice &&
        column != TResultsModel::ColumnLocation)
        return;
    for (int other = TResultsModel::ColumnImage; other < TResultsModel::ColumnCount; ++other)
        if (other != column)
            m_model->SetHeaderImage(other, TResultsModel::ImageNone);
    const int image = m_model->HeaderImage(column);
    if (image == TResultsModel::ImageNone ||
        (column == TResultsModel::ColumnDate && image == TResultsModel::ImageAscending)) {
        m_model->SetHeaderImage(column, TResultsModel::ImageDescending);
        m_sortColumn = column;
        m_sortAscending = false;
    } else if (image == TResultsModel::ImageDescending) {
        m_model->SetHeaderImage(column, TResultsModel::ImageAscending);
        m_sortColumn = column;
        m_sortAscending = true;
    } else {
        m_model->SetHeaderImage(column, TResultsModel::ImageNone);
    }
    m_model->Sort();
}

void TResultsList::ShowMenu(const QPoint& globalPosition, bool headerMode) {
    m_headerMode = headerMode;
    if (!m_menu)
        return;
    for (QAction* action : std::as_const(m_hiddenInHeaderMode))
        if (action)
            action->setVisible(!headerMode);
    m_menu->popup(globalPosition);
}

void TResultsList::ReportSelection(bool always) {
    const auto selected = reinterpret_cast<quintptr>(SelectedEntry());
    if (!always && selected == m_reportedEntry)
        return;
    m_reportedEntry = selected;
    Q_EMIT SelectionChanged(this);
}

void TResultsList::OpenSelected() {
    TEntry* entry = SelectedEntry();
    if (!entry)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
    OpenEntryInBrowser(*entry);
    AnnounceChanged(*entry);
}

void TResultsList::AnnounceChanged(const TEntry& entry) {
    TEntryList* list = m_model->BoundList();
    if (list) {
        const auto found =
            std::find_if(list->begin(), list->end(), [&](const auto& item) { return item.get() == &entry; });
        if (found != list->end()) {
            const auto row = static_cast<std::size_t>(found - list->begin());
            list->NotifyChanged(row, row);
            return;
        }
    }
    const int row = FindRowByEntry(&entry);
    if (row >= 0)
        Q_EMIT m_model->dataChanged(m_model->index(row, 0), m_model->index(row, TResultsModel::ColumnCount - 1));
}

bool TResultsList::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex current = m_view->currentIndex();
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier && current.isValid()) {
            m_model->SetChecked(current.row(), !m_model->IsChecked(current.row()));
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
