#include "classification/SummaryTree.h"

#include <QBrush>
#include <QPalette>

namespace nimbo::classification {

namespace {
constexpr int kDossierLevel = 3;
} // namespace

SummaryTree::SummaryTree(Reader reader, QObject *parent)
    : QAbstractItemModel(parent), reader_(std::move(reader)), root_(std::make_unique<Node>())
{
}

SummaryTree::~SummaryTree() = default;

bool SummaryTree::reload()
{
    beginResetModel();
    root_ = std::make_unique<Node>();
    fetched_ = 0;
    endResetModel();
    failed_ = false;
    fetchMore({});
    return !failed_;
}

SummaryTree::Node *SummaryTree::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : root_.get();
}

QModelIndex SummaryTree::indexOf(Node *node, int column) const
{
    return node == root_.get() ? QModelIndex() : createIndex(node->row, column, node);
}

int SummaryTree::level(const QModelIndex &index) const { return index.isValid() ? nodeOf(index)->level : -1; }

QStringList SummaryTree::path(const QModelIndex &index) const
{
    QStringList out;
    for (Node *n = nodeOf(index); n && n != root_.get(); n = n->parent)
        out.prepend(n->element.code);
    return out;
}

QString SummaryTree::description(const QModelIndex &index) const
{
    return index.isValid() ? nodeOf(index)->element.description : QString();
}

QModelIndex SummaryTree::child(const QModelIndex &parent, const QString &code)
{
    const QModelIndex first = parent.sibling(parent.row(), 0);
    if (canFetchMore(first))
        fetchMore(first);
    Node *n = nodeOf(first);
    for (const auto &c : n->children)
        if (c->element.code == code)
            return indexOf(c.get());
    return {};
}

QModelIndex SummaryTree::index(int row, int column, const QModelIndex &parent) const
{
    if (column < 0 || column >= 2 || row < 0)
        return {};
    Node *p = nodeOf(parent);
    if (parent.isValid() && parent.column() != 0)
        return {};
    if (row >= int(p->children.size()))
        return {};
    return createIndex(row, column, p->children[size_t(row)].get());
}

QModelIndex SummaryTree::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    Node *p = nodeOf(child)->parent;
    return p ? indexOf(p) : QModelIndex();
}

int SummaryTree::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int SummaryTree::columnCount(const QModelIndex &) const { return 2; }

bool SummaryTree::hasChildren(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return false;
    const Node *n = nodeOf(parent);
    // Until a node is opened its children are not known: the expander
    // stays, and disappears once the node turns out to have none.
    if (n->level >= kDossierLevel)
        return false;
    return n->fetched ? !n->children.empty() : true;
}

bool SummaryTree::canFetchMore(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return false;
    const Node *n = nodeOf(parent);
    return !n->fetched && n->level < kDossierLevel;
}

void SummaryTree::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    Node *n = nodeOf(parent);
    // Marked first: a read that failed is not retried at every repaint.
    n->fetched = true;
    ++fetched_;
    const auto elements = reader_ ? reader_(path(parent)) : std::nullopt;
    failed_ = !elements;
    if (!elements || elements->isEmpty()) {
        // The expander goes away.
        if (parent.isValid())
            emit dataChanged(parent, parent);
        return;
    }
    beginInsertRows(parent, 0, int(elements->size()) - 1);
    for (const auto &e : *elements) {
        auto c = std::make_unique<Node>();
        c->parent = n;
        c->row = int(n->children.size());
        c->level = n->level + 1;
        c->element = e;
        c->fetched = c->level >= kDossierLevel;
        n->children.push_back(std::move(c));
    }
    endInsertRows();
}

QVariant SummaryTree::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Node *n = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        if (index.column() == 1)
            return n->element.state;
        return n->element.code + QStringLiteral(" - ") + n->element.description;
    case Qt::ForegroundRole:
        if (n->element.inactive)
            return QBrush(QPalette().color(QPalette::Disabled, QPalette::Text));
        return {};
    default:
        return {};
    }
}

QVariant SummaryTree::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("Classificazione") : QStringLiteral("Stato");
}

} // namespace nimbo::classification
