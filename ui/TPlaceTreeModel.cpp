// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TPlaceTreeModel.h"

#include <algorithm>

TPlaceTreeModel::TPlaceTreeModel(const TPlaceList& roots, QObject* parent) : QAbstractItemModel(parent) {
    // A place is shown once: a record met again (a parent loop in the table) is left out.
    std::unordered_set<const TPlace*> added;
    for (TPlace* root : roots)
        if (root && !added.contains(root))
            m_roots.push_back(AddSubtree(root, -1, added));
    for (std::size_t row = 0; row < m_roots.size(); ++row)
        m_nodes[static_cast<std::size_t>(m_roots[row])].Row = static_cast<int>(row);
}

int TPlaceTreeModel::AddSubtree(TPlace* place, int parent, std::unordered_set<const TPlace*>& added) {
    const int node = static_cast<int>(m_nodes.size());
    added.insert(place);
    m_nodes.push_back({place, parent, 0, 0, {}, TMark::Unchecked});
    for (TPlace* child : place->Children) {
        if (!child || added.contains(child))
            continue;
        const int childNode = AddSubtree(child, node, added);
        auto& children = m_nodes[static_cast<std::size_t>(node)].Children;
        m_nodes[static_cast<std::size_t>(childNode)].Row = static_cast<int>(children.size());
        children.push_back(childNode);
    }
    m_nodes[static_cast<std::size_t>(node)].SubtreeEnd = static_cast<int>(m_nodes.size());
    return node;
}

QModelIndex TPlaceTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0)
        return {};
    const std::vector<int>& rows =
        parent.isValid() ? m_nodes[static_cast<std::size_t>(NodeOf(parent))].Children : m_roots;
    if (static_cast<std::size_t>(row) >= rows.size())
        return {};
    return createIndex(row, 0, static_cast<quintptr>(rows[static_cast<std::size_t>(row)]));
}

QModelIndex TPlaceTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return IndexOf(m_nodes[static_cast<std::size_t>(NodeOf(child))].Parent);
}

int TPlaceTreeModel::rowCount(const QModelIndex& parent) const {
    if (!parent.isValid())
        return static_cast<int>(m_roots.size());
    if (parent.column() != 0)
        return 0;
    return static_cast<int>(m_nodes[static_cast<std::size_t>(NodeOf(parent))].Children.size());
}

int TPlaceTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

QVariant TPlaceTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const TNode& node = m_nodes[static_cast<std::size_t>(NodeOf(index))];
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(node.Place->Name);
    case Qt::CheckStateRole:
        switch (node.Mark) {
        case TMark::Checked:
            return Qt::Checked;
        case TMark::Partly:
            return Qt::PartiallyChecked;
        case TMark::Unchecked:
            break;
        }
        return Qt::Unchecked;
    default:
        return {};
    }
}

bool TPlaceTreeModel::setData(const QModelIndex& index, const QVariant&, int role) {
    if (!index.isValid() || role != Qt::CheckStateRole)
        return false;
    Toggle(index);
    return true;
}

Qt::ItemFlags TPlaceTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void TPlaceTreeModel::ShowChosen(const TPlaceList& chosenLeaves) {
    const std::unordered_set<const TPlace*> chosen(chosenLeaves.begin(), chosenLeaves.end());
    beginResetModel();
    // Children follow their parent in tree order, so going backwards sets every child
    // before its parent.
    for (auto node = m_nodes.rbegin(); node != m_nodes.rend(); ++node) {
        if (!node->Children.empty())
            node->Mark = MarkFromChildren(*node);
        else
            node->Mark = chosen.contains(node->Place) ? TMark::Checked : TMark::Unchecked;
    }
    endResetModel();
}

void TPlaceTreeModel::Toggle(const QModelIndex& index) {
    if (!index.isValid())
        return;
    const int node = NodeOf(index);
    const TNode& toggled = m_nodes[static_cast<std::size_t>(node)];
    const TMark mark = toggled.Mark == TMark::Unchecked ? TMark::Checked : TMark::Unchecked;
    for (int below = node; below < toggled.SubtreeEnd; ++below)
        m_nodes[static_cast<std::size_t>(below)].Mark = mark;
    UpdateAncestors(node);
    AnnounceMarks(node, toggled.SubtreeEnd);
}

TPlaceTreeModel::TMark TPlaceTreeModel::MarkOf(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[static_cast<std::size_t>(NodeOf(index))].Mark : TMark::Unchecked;
}

TPlace* TPlaceTreeModel::PlaceOf(const QModelIndex& index) const {
    return index.isValid() ? m_nodes[static_cast<std::size_t>(NodeOf(index))].Place : nullptr;
}

TPlaceList TPlaceTreeModel::ChosenPlaces() const {
    TPlaceList places;
    for (int root : m_roots)
        CollectPlaces(root, places);
    return places;
}

TPlaceList TPlaceTreeModel::ChosenRoots() const {
    TPlaceList roots;
    for (int root : m_roots)
        CollectRoots(root, roots);
    return roots;
}

QModelIndex TPlaceTreeModel::FindFirst(const std::string& text) const {
    const auto found = std::find_if(m_nodes.begin(), m_nodes.end(), [&text](const TNode& node) {
        return node.Place->Name.find(text) != std::string::npos;
    });
    return found == m_nodes.end() ? QModelIndex{} : IndexOf(static_cast<int>(found - m_nodes.begin()));
}

QModelIndex TPlaceTreeModel::IndexOf(int node) const {
    if (node < 0)
        return {};
    return createIndex(m_nodes[static_cast<std::size_t>(node)].Row, 0, static_cast<quintptr>(node));
}

int TPlaceTreeModel::NodeOf(const QModelIndex& index) const {
    return static_cast<int>(index.internalId());
}

TPlaceTreeModel::TMark TPlaceTreeModel::MarkFromChildren(const TNode& node) const {
    bool anyChecked = false;
    bool anyUnchecked = false;
    for (int child : node.Children) {
        switch (m_nodes[static_cast<std::size_t>(child)].Mark) {
        case TMark::Partly:
            return TMark::Partly;
        case TMark::Checked:
            anyChecked = true;
            break;
        case TMark::Unchecked:
            anyUnchecked = true;
            break;
        }
    }
    if (anyChecked && anyUnchecked)
        return TMark::Partly;
    return anyChecked ? TMark::Checked : TMark::Unchecked;
}

void TPlaceTreeModel::UpdateAncestors(int node) {
    // Above a partly checked parent every ancestor is partly checked too.
    bool partly = false;
    for (int parent = m_nodes[static_cast<std::size_t>(node)].Parent; parent >= 0;
         parent = m_nodes[static_cast<std::size_t>(parent)].Parent) {
        TNode& ancestor = m_nodes[static_cast<std::size_t>(parent)];
        ancestor.Mark = partly ? TMark::Partly : MarkFromChildren(ancestor);
        partly = ancestor.Mark == TMark::Partly;
    }
}

void TPlaceTreeModel::AnnounceMarks(int first, int end) {
    const QList<int> roles{Qt::CheckStateRole};
    // One signal per row of children keeps checking a country with hundreds of places cheap.
    for (int node = first; node < end; ++node) {
        const auto& children = m_nodes[static_cast<std::size_t>(node)].Children;
        if (!children.empty())
            Q_EMIT dataChanged(IndexOf(children.front()), IndexOf(children.back()), roles);
    }
    for (int node = first; node >= 0; node = m_nodes[static_cast<std::size_t>(node)].Parent)
        Q_EMIT dataChanged(IndexOf(node), IndexOf(node), roles);
}

bool TPlaceTreeModel::CollectPlaces(int node, TPlaceList& places) const {
    const TNode& visited = m_nodes[static_cast<std::size_t>(node)];
    bool collectedBelow = false;
    for (int child : visited.Children)
        collectedBelow = CollectPlaces(child, places) || collectedBelow;
    if (collectedBelow)
        return true;
    if (visited.Mark != TMark::Checked)
        return false;
    places.push_back(visited.Place);
    return true;
}

void TPlaceTreeModel::CollectRoots(int node, TPlaceList& roots) const {
    const TNode& visited = m_nodes[static_cast<std::size_t>(node)];
    for (int child : visited.Children)
        CollectRoots(child, roots);
    if (visited.Mark == TMark::Checked &&
        (visited.Parent < 0 || m_nodes[static_cast<std::size_t>(visited.Parent)].Mark == TMark::Partly))
        roots.push_back(visited.Place);
}
