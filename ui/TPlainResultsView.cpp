// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TPlainResultsView.h"

#include <QItemSelectionModel>
#include <QLocale>
#include <QStandardItemModel>
#include <QTreeView>

#include "search/TSearch.h"

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString PriceText(double price) {
    if (price <= 0)
        return QStringLiteral("---");
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(price, 'g', QLocale::FloatingPointShortest);
}

} // namespace

TPlainResultsView::TPlainResultsView(QTreeView& list) : QObject(&list), m_list(list) {
    m_model = new QStandardItemModel(0, 6, this);
    m_model->setHorizontalHeaderLabels({QString(), QStringLiteral("Image"), QStringLiteral(" Date"),
                                        QStringLiteral(" Post"), QStringLiteral(" Price"), QStringLiteral("Location")});
    m_list.setModel(m_model);
    m_list.setRootIsDecorated(false);
    m_list.setUniformRowHeights(true);
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    const int widths[] = {30, 50, 65, 250, 65, 250};
    for (int column = 0; column < 6; ++column)
        m_list.setColumnWidth(column, widths[column]);
}

void TPlainResultsView::AddEntryRow(TEntry& entry) {
    QList<QStandardItem*> row;
    auto* check = new QStandardItem;
    check->setCheckable(true);
    check->setData(Q(entry.Link), LinkRole);
    row << check << new QStandardItem(entry.HasImage ? QStringLiteral("img") : QStringLiteral("-"))
        << new QStandardItem(Q(entry.Date)) << new QStandardItem(Q(entry.Name))
        << new QStandardItem(PriceText(entry.Price)) << new QStandardItem(Q(entry.Location));
    for (QStandardItem* item : row)
        item->setEditable(false);
    m_model->appendRow(row);
    if (Search && !Search->SelectedEntry.empty() && entry.Link == Search->SelectedEntry)
        m_list.setCurrentIndex(m_model->index(m_model->rowCount() - 1, 0));
}

void TPlainResultsView::FillEntryList(const TEntryList& entries) {
    Clear();
    for (const auto& entry : entries)
        AddEntryRow(*entry);
}

void TPlainResultsView::Clear() {
    m_model->removeRows(0, m_model->rowCount());
}

int TPlainResultsView::RowCount() const {
    return m_model->rowCount();
}

std::string TPlainResultsView::SelectedLink() const {
    const QModelIndexList rows = m_list.selectionModel()->selectedRows();
    if (rows.isEmpty())
        return {};
    return m_model->index(rows.first().row(), 0).data(LinkRole).toString().toStdString();
}
