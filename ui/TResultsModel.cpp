// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TResultsModel.h"

#include <algorithm>
#include <unordered_set>

#include <QBrush>
#include <QColor>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QPolygon>

#include "core/TextHelpers.h"

namespace {

const QColor VisitedBackground(166, 202, 240);
const QColor NewBackground(255, 255, 0);

int MonthSlot(int month) {
    return std::clamp(month, 0, 12);
}

int Sign(double value) {
    return (value > 0) - (value < 0);
}

/// A small triangle pointing down (descending) or up (ascending).
QIcon SortPicture(bool descending) {
    QPixmap picture(12, 12);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(60, 60, 60));
    const QPolygon down{{1, 3}, {11, 3}, {6, 9}};
    const QPolygon up{{1, 9}, {11, 9}, {6, 3}};
    painter.drawPolygon(descending ? down : up);
    return QIcon(picture);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString PriceText(double price) {
    return price > 0 ? Text(FormatDecimal(price)) : QStringLiteral("---");
}

/// Prices of 0 or more by value; -1 (never filled) and any other negative price below them.
int ComparePrices(double a, double b) {
    const bool aKnown = a >= 0;
    const bool bKnown = b >= 0;
    if (aKnown != bKnown)
        return aKnown ? 1 : -1;
    return aKnown ? Sign(a - b) : 0;
}

} // namespace

TResultsModel::TResultsModel(const int& sortColumn, const bool& sortAscending, QObject* parent)
    : QAbstractTableModel(parent), m_sortColumn(sortColumn), m_sortAscending(sortAscending) {
    m_monthRanks = MonthRanks(m_monthCounts);
}

TResultsModel::~TResultsModel() {
    Unbind();
}

void TResultsModel::Bind(TEntryList* list, bool following) {
    beginResetModel();
    Unbind();
    m_list = list;
    m_following = following;
    if (m_list)
        m_list->AddListener(this);
    FillFromList();
    endResetModel();
}

void TResultsModel::Unbind() {
    if (m_list)
        m_list->RemoveListener(this);
    m_list = nullptr;
}

void TResultsModel::FillFromList() {
    m_rows.clear();
    m_monthCounts.fill(0);
    if (m_list && m_following) {
        m_rows.reserve(m_list->size());
        for (const auto& entry : *m_list) {
            m_rows.push_back({entry.get(), false});
            CountMonth(*entry, 1);
        }
    }
    m_monthRanks = MonthRanks(m_monthCounts);
    if (Sorts())
        std::stable_sort(m_rows.begin(), m_rows.end(), [this](const TRow& a, const TRow& b) {
            return CompareEntries(*a.Entry, *b.Entry, m_sortColumn, m_sortAscending, m_monthRanks) < 0;
        });
}

bool TResultsModel::Sorts() const {
    return m_sortColumn == ColumnDate || m_sortColumn == ColumnPrice || m_sortColumn == ColumnLocation;
}

int TResultsModel::SortedPlace(const TEntry& entry) const {
    if (!Sorts())
        return static_cast<int>(m_rows.size());
    const auto place = std::upper_bound(m_rows.begin(), m_rows.end(), &entry, [this](const TEntry* a, const TRow& b) {
        return CompareEntries(*a, *b.Entry, m_sortColumn, m_sortAscending, m_monthRanks) < 0;
    });
    return static_cast<int>(place - m_rows.begin());
}

void TResultsModel::CountMonth(const TEntry& entry, int change) {
    m_monthCounts[static_cast<std::size_t>(MonthSlot(entry.Month))] += change;
}

void TResultsModel::UpdateMonthRanks() {
    const TMonthRanks ranks = MonthRanks(m_monthCounts);
    if (ranks == m_monthRanks)
        return;
    m_monthRanks = ranks;
    if (m_sortColumn == ColumnDate)
        Sort();
}

void TResultsModel::SetRows(const std::vector<std::pair<TEntry*, bool>>& rows) {
    beginResetModel();
    m_rows.clear();
    m_monthCounts.fill(0);
    m_rows.reserve(rows.size());
    for (const auto& [entry, checked] : rows) {
        m_rows.push_back({entry, checked});
        CountMonth(*entry, 1);
    }
    m_monthRanks = MonthRanks(m_monthCounts);
    if (Sorts())
        std::stable_sort(m_rows.begin(), m_rows.end(), [this](const TRow& a, const TRow& b) {
            return CompareEntries(*a.Entry, *b.Entry, m_sortColumn, m_sortAscending, m_monthRanks) < 0;
        });
    endResetModel();
}

int TResultsModel::AppendRow(TEntry& entry, bool checked) {
    CountMonth(entry, 1);
    const bool newMonth = m_monthCounts[static_cast<std::size_t>(MonthSlot(entry.Month))] == 1;
    if (newMonth)
        UpdateMonthRanks();
    const int row = SortedPlace(entry);
    beginInsertRows({}, row, row);
    m_rows.insert(m_rows.begin() + row, {&entry, checked});
    endInsertRows();
    return row;
}

void TResultsModel::RemoveRow(int row) {
    if (row < 0 || row >= rowCount())
        return;
    const TEntry& entry = *m_rows[static_cast<std::size_t>(row)].Entry;
    beginRemoveRows({}, row, row);
    CountMonth(entry, -1);
    m_rows.erase(m_rows.begin() + row);
    endRemoveRows();
    UpdateMonthRanks();
}

void TResultsModel::ClearRows() {
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    m_monthCounts.fill(0);
    m_monthRanks = MonthRanks(m_monthCounts);
    endResetModel();
}

void TResultsModel::Sort() {
    if (!Sorts() || m_rows.size() < 2)
        return;
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    const std::vector<TRow> old = m_rows;
    std::vector<int> order(m_rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return CompareEntries(*old[static_cast<std::size_t>(a)].Entry, *old[static_cast<std::size_t>(b)].Entry,
                              m_sortColumn, m_sortAscending, m_monthRanks) < 0;
    });
    std::vector<int> newRowOf(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        m_rows[i] = old[static_cast<std::size_t>(order[i])];
        newRowOf[static_cast<std::size_t>(order[i])] = static_cast<int>(i);
    }
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after << this->index(newRowOf[static_cast<std::size_t>(index.row())], index.column());
    changePersistentIndexList(before, after);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

TEntry* TResultsModel::EntryAt(int row) const {
    return row >= 0 && row < rowCount() ? m_rows[static_cast<std::size_t>(row)].Entry : nullptr;
}

int TResultsModel::FindRowByEntry(const TEntry* entry) const {
    const auto found =
        std::find_if(m_rows.begin(), m_rows.end(), [entry](const TRow& row) { return row.Entry == entry; });
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

bool TResultsModel::IsChecked(int row) const {
    return row >= 0 && row < rowCount() && m_rows[static_cast<std::size_t>(row)].Checked;
}

void TResultsModel::SetChecked(int row, bool checked) {
    if (row < 0 || row >= rowCount() || m_rows[static_cast<std::size_t>(row)].Checked == checked)
        return;
    m_rows[static_cast<std::size_t>(row)].Checked = checked;
    const QModelIndex mark = index(row, ColumnCheck);
    Q_EMIT dataChanged(mark, mark, {Qt::CheckStateRole});
}

void TResultsModel::SetAllChecked(bool checked) {
    if (m_rows.empty())
        return;
    for (TRow& row : m_rows)
        row.Checked = checked;
    Q_EMIT dataChanged(index(0, ColumnCheck), index(rowCount() - 1, ColumnCheck), {Qt::CheckStateRole});
}

std::vector<TEntry*> TResultsModel::CheckedEntries() const {
    std::vector<TEntry*> entries;
    for (const TRow& row : m_rows)
        if (row.Checked)
            entries.push_back(row.Entry);
    return entries;
}

int TResultsModel::HeaderImage(int column) const {
    return column >= 0 && column < ColumnCount ? m_headerImages[column] : ImageNone;
}

void TResultsModel::SetHeaderImage(int column, int image) {
    if (column < 0 || column >= ColumnCount || m_headerImages[column] == image)
        return;
    m_headerImages[column] = image;
    Q_EMIT headerDataChanged(Qt::Horizontal, column, column);
}

bool TResultsModel::IsLaterMonth(int a, int b) {
    if (a <= 3 && b >= 9)
        return true;
    return a > b && !(b <= 3 && a >= 9);
}

TResultsModel::TMonthRanks TResultsModel::MonthRanks(const std::array<int, 13>& monthCounts) {
    const auto occurs = [&](int from, int to) {
        for (int month = from; month <= to; ++month)
            if (monthCounts[static_cast<std::size_t>(month)] > 0)
                return true;
        return false;
    };
    // With one of the three groups missing, IsLaterMonth is an order: the year starts after
    // the missing group's place in the circle.
    int yearStart = 0;
    if (!occurs(9, 12))
        yearStart = 0;
    else if (!occurs(4, 8))
        yearStart = 9;
    else if (!occurs(0, 3))
        yearStart = 4;
    else {
        // All three occur: start the year after the widest gap between occurring months.
        int widest = -1;
        int previous = -1;
        int first = -1;
        for (int month = 0; month <= 12; ++month) {
            if (monthCounts[static_cast<std::size_t>(month)] == 0)
                continue;
            if (first < 0)
                first = month;
            if (previous >= 0 && month - previous > widest) {
                widest = month - previous;
                yearStart = month;
            }
            previous = month;
        }
        if (first + 13 - previous > widest)
            yearStart = first;
    }
    TMonthRanks ranks{};
    for (int month = 0; month <= 12; ++month)
        ranks[static_cast<std::size_t>(month)] = (month - yearStart + 13) % 13;
    return ranks;
}

int TResultsModel::CompareEntries(const TEntry& a, const TEntry& b, int sortColumn, bool sortAscending,
                                  const TMonthRanks& months) {
    int later = 0; // positive when a is the later, higher or greater
    switch (sortColumn) {
    case ColumnDate: {
        const int monthA = months[static_cast<std::size_t>(MonthSlot(a.Month))];
        const int monthB = months[static_cast<std::size_t>(MonthSlot(b.Month))];
        if (monthA == monthB && a.Day == b.Day)
            return a.New == b.New ? 0 : (a.New ? -1 : 1); // new first, in both directions
        later = monthA != monthB ? Sign(monthA - monthB) : Sign(a.Day - b.Day);
        break;
    }
    case ColumnPrice:
        later = ComparePrices(a.Price, b.Price);
        break;
    case ColumnLocation:
        later = a.Location.compare(b.Location) < 0 ? -1 : (a.Location == b.Location ? 0 : 1);
        break;
    default:
        return 0;
    }
    return sortAscending ? later : -later;
}

int TResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int TResultsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
    const TEntry* entry = index.isValid() ? EntryAt(index.row()) : nullptr;
    if (!entry)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case ColumnImage:
            return entry->HasImage ? QStringLiteral("img") : QStringLiteral("-");
        case ColumnDate:
            return Text(entry->Date.str());
        case ColumnPost:
            return Text(entry->Name);
        case ColumnPrice:
            return PriceText(entry->Price);
        case ColumnLocation:
            return Text(entry->Location);
        default:
            return {};
        }
    case Qt::CheckStateRole:
        if (index.column() == ColumnCheck)
            return IsChecked(index.row()) ? Qt::Checked : Qt::Unchecked;
        return {};
    case Qt::BackgroundRole:
        if (entry->Visited)
            return QBrush(VisitedBackground);
        if (entry->New)
            return QBrush(NewBackground);
        return {};
    case Qt::ForegroundRole:
        // Dark text on the row colours whatever the palette (a dark skin) says.
        if (entry->Visited || entry->New)
            return QBrush(Qt::black);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == ColumnImage)
            return QVariant::fromValue(Qt::AlignCenter);
        return {};
    case Qt::ToolTipRole:
        if (index.column() == ColumnPost || index.column() == ColumnLocation)
            return index.data(Qt::DisplayRole);
        return {};
    case EntryRole:
        return QVariant::fromValue(reinterpret_cast<quintptr>(entry));
    default:
        return {};
    }
}

bool TResultsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != ColumnCheck || role != Qt::CheckStateRole)
        return false;
    SetChecked(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags TResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == ColumnCheck)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant TResultsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    static const QString captions[ColumnCount] = {QString(),
                                                  QStringLiteral("Image"),
                                                  QStringLiteral(" Date"),
                                                  QStringLiteral(" Post"),
                                                  QStringLiteral(" Price"),
                                                  QStringLiteral("Location")};
    switch (role) {
    case Qt::DisplayRole:
        return captions[section];
    case Qt::DecorationRole:
        if (m_headerImages[section] == ImageNone)
            return {};
        return SortPicture(m_headerImages[section] == ImageDescending);
    case Qt::TextAlignmentRole:
        if (section == ColumnImage)
            return QVariant::fromValue(Qt::AlignCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

void TResultsModel::OnAboutToInsert(std::size_t, std::size_t) {}

void TResultsModel::OnInserted(std::size_t first, std::size_t last) {
    if (!m_following)
        return;
    for (std::size_t row = first; row <= last; ++row)
        AppendRow(*(*m_list)[row]);
}

void TResultsModel::OnAboutToRemove(std::size_t first, std::size_t last) {
    // The entries are freed before OnRemoved: their rows go now.
    for (std::size_t listRow = first; listRow <= last; ++listRow) {
        const TEntry* entry = (*m_list)[listRow].get();
        for (int row = FindRowByEntry(entry); row >= 0; row = FindRowByEntry(entry))
            RemoveRow(row);
    }
}

void TResultsModel::OnRemoved(std::size_t, std::size_t) {}

void TResultsModel::OnAboutToMove(std::size_t, std::size_t, std::size_t) {}

void TResultsModel::OnMoved(std::size_t, std::size_t, std::size_t) {}

void TResultsModel::OnAboutToReset() {
    beginResetModel();
    m_rows.clear();
}

void TResultsModel::OnReset() {
    FillFromList();
    endResetModel();
}

void TResultsModel::OnAboutToRemoveRows(const std::vector<std::size_t>& rows) {
    // One reset instead of a removal per row: thousands of rows go in one repaint.
    std::unordered_set<const TEntry*> going;
    going.reserve(rows.size());
    for (const std::size_t row : rows)
        going.insert((*m_list)[row].get());
    beginResetModel();
    std::erase_if(m_rows, [&](const TRow& row) {
        if (!going.contains(row.Entry))
            return false;
        CountMonth(*row.Entry, -1);
        return true;
    });
}

void TResultsModel::OnRemovedRows(const std::vector<std::size_t>&) {
    endResetModel();
    UpdateMonthRanks();
}

void TResultsModel::OnListDestroyed() {
    beginResetModel();
    m_list = nullptr;
    FillFromList();
    endResetModel();
}

void TResultsModel::OnChanged(std::size_t, std::size_t) {
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}
