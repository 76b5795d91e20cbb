#include "ui/TreeModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::ui {

TreeModel::TreeModel(QObject *parent) : QAbstractItemModel(parent), root_(std::make_unique<Node>()) {}

TreeModel::~TreeModel() = default;

void TreeModel::clear() { setRows({}, {}); }

void TreeModel::setRows(const F::Columns &columns, const QVector<Level> &levels)
{
    beginResetModel();
    root_ = std::make_unique<Node>();
    byKey_.clear();
    const int rows = columns.isEmpty() ? 0 : int(columns.first().size());
    const auto cell = [&](int column, int row) {
        return column >= 0 && column < columns.size() ? F::displayValue(columns.at(column).value(row)).trimmed()
                                                      : QString();
    };
    for (int r = 0; r < rows; ++r) {
        Node *at = root_.get();
        QString key;
        for (int l = 0; l < levels.size(); ++l) {
            const QString code = cell(levels.at(l).codeColumn, r);
            if (code.isEmpty())
                break;
            key += (l ? QStringLiteral("|") : QString()) + code;
            // Rows come ordered by path, so an existing node is the last
            // child; the lookup keeps a stray order from doubling a node.
            Node *next = byKey_.value(key);
            if (!next) {
                auto node = std::make_unique<Node>();
                node->parent = at;
                node->row = int(at->children.size());
                node->level = l;
                node->key = key;
                const QString name = cell(levels.at(l).textColumn, r);
                node->text = name.isEmpty() ? code : code + QStringLiteral(" - ") + name;
                next = node.get();
                byKey_.insert(key, next);
                at->children.push_back(std::move(node));
            }
            at = next;
        }
    }
    endResetModel();
}

TreeModel::Node *TreeModel::nodeOf(const QModelIndex &index) const
{
    return index.isValid() ? static_cast<Node *>(index.internalPointer()) : root_.get();
}

QString TreeModel::key(const QModelIndex &index) const { return index.isValid() ? nodeOf(index)->key : QString(); }

QStringList TreeModel::codes(const QModelIndex &index) const
{
    return index.isValid() ? key(index).split(QLatin1Char('|')) : QStringList();
}

int TreeModel::level(const QModelIndex &index) const { return index.isValid() ? nodeOf(index)->level : -1; }

QModelIndex TreeModel::indexOfKey(const QString &key) const
{
    Node *n = byKey_.value(key);
    return n ? createIndex(n->row, 0, n) : QModelIndex();
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex &parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (parent.isValid() && parent.column() != 0)
        return {};
    Node *p = nodeOf(parent);
    if (row >= int(p->children.size()))
        return {};
    return createIndex(row, 0, p->children[size_t(row)].get());
}

QModelIndex TreeModel::parent(const QModelIndex &child) const
{
    if (!child.isValid())
        return {};
    Node *p = nodeOf(child)->parent;
    if (!p || p == root_.get())
        return {};
    return createIndex(p->row, 0, p);
}

int TreeModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int TreeModel::columnCount(const QModelIndex &) const { return 1; }

QVariant TreeModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const Node *n = nodeOf(index);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole: return n->text;
    case KeyRole: return n->key;
    default: return {};
    }
}

} // namespace nimbo::ui
