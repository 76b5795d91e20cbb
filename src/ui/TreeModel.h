#pragma once
// A tree over rows ordered by their path: each row names, level by level,
// a code and a text (entity, department, office, member; title, class,
// subclass...). Walking the rows in order, a node is added whenever the
// codes of its path differ from the previous row's; an empty code ends the
// row's path there (outer joins give such rows for a node without
// children). Each node's key is the codes of its path joined by "|"
// ("001|PRO|ARC|3"), its text code, " - " and name.

#include <QAbstractItemModel>
#include <QHash>
#include <QVector>
#include <memory>

#include "data/Funzioni_Com_1.h"

namespace nimbo::ui {

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    // Where one level reads its code and its text in the rows.
    struct Level {
        int codeColumn;
        int textColumn;
    };

    explicit TreeModel(QObject *parent = nullptr);
    ~TreeModel() override;

    void setRows(const Funzioni_Com_1::Columns &columns, const QVector<Level> &levels);
    void clear();

    static constexpr int KeyRole = Qt::UserRole + 1;

    // "a|b|c" of a node; empty for an invalid index.
    QString key(const QModelIndex &index) const;
    // The codes of the node's path, first level first.
    QStringList codes(const QModelIndex &index) const;
    // 0 for the first level.
    int level(const QModelIndex &index) const;
    QModelIndex indexOfKey(const QString &key) const;
    int nodeCount() const { return int(byKey_.size()); }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    struct Node {
        Node *parent = nullptr;
        int row = 0;
        int level = -1;
        QString key;
        QString text;
        std::vector<std::unique_ptr<Node>> children;
    };
    Node *nodeOf(const QModelIndex &index) const;

    std::unique_ptr<Node> root_;
    QHash<QString, Node *> byKey_;
};

} // namespace nimbo::ui
