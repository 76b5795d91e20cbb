#pragma once
// The classification tree of the summary, read one level at a time: the
// titles when it is loaded, the children of a node the first time it is
// expanded (the view asks through canFetchMore/fetchMore). A scheme of
// thousands of classes and a hundred thousand dossiers opens at once and
// costs only what the clerk opens. Two columns: the element ("code -
// description") and its state (active flag, or the dossier's closing date).

#include <QAbstractItemModel>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "classification/SummaryQueries.h"

namespace nimbo::classification {

class SummaryTree : public QAbstractItemModel {
    Q_OBJECT
public:
    // Reads the children of a path (see summary::childrenQuery); nothing
    // when the read failed (the reader has told the operator).
    using Reader = std::function<std::optional<QVector<summary::Element>>(const QStringList &path)>;

    explicit SummaryTree(Reader reader, QObject *parent = nullptr);
    ~SummaryTree() override;

    // Drops everything and reads the titles again; false when they could
    // not be read.
    bool reload();

    // 0 title, 1 category, 2 class, 3 dossier; -1 for no node.
    int level(const QModelIndex &index) const;
    // The codes from the title down to the node.
    QStringList path(const QModelIndex &index) const;
    QString description(const QModelIndex &index) const;
    // The child of parent whose code is `code`, fetching the parent's
    // children first when needed; invalid when there is none.
    QModelIndex child(const QModelIndex &parent, const QString &code);
    // Levels of the tree read so far (for tests: the tree stays lazy).
    int fetchedNodes() const { return fetched_; }

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    bool hasChildren(const QModelIndex &parent = {}) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Node {
        Node *parent = nullptr;
        int row = 0;
        int level = -1;
        summary::Element element;
        bool fetched = false;
        std::vector<std::unique_ptr<Node>> children;
    };
    Node *nodeOf(const QModelIndex &index) const;
    QModelIndex indexOf(Node *node, int column = 0) const;

    Reader reader_;
    std::unique_ptr<Node> root_;
    int fetched_ = 0;
    bool failed_ = false; // the last read failed
};

} // namespace nimbo::classification
