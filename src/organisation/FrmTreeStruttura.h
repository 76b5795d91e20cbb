#pragma once
// The whole organisation in one tree (entities, departments, offices,
// members) and the way into their editors: the context menu of a node
// opens the editor of its level with the node's codes, and the tree is read
// again, as the operator left it, whenever an editor writes.

#include <QHash>
#include <QPointer>

#include "ui/ChildWindow.h"

class QAction;
class QMenu;
class QPushButton;
class QTreeView;

namespace nimbo::ui {
class RecordEditor;
class TreeModel;
}

namespace nimbo::organisation {

struct TreeEntry;

class FrmTreeStruttura : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmTreeStruttura(QWidget *parent = nullptr);

    ui::TreeModel *model() const { return model_; }
    QTreeView *tree() const { return tree_; }
    QMenu *contextMenu() const { return menu_; }

    // Reads the structure again, keeping the expanded nodes and the
    // current one (or its nearest ancestor still there); false when the
    // read failed (reported).
    bool reload();
    // Shows the entries of the node's level (or of the empty area).
    void prepareMenu(const QModelIndex &index);

    void ELABORATBAR(const QString &key) override;

private:
    void openEntry(const QString &item);
    void editorSaved();
    void makeCurrent(const QString &key);

    QTreeView *tree_;
    ui::TreeModel *model_;
    QMenu *menu_;
    QHash<QString, QAction *> actions_;
    // What each open editor was opened for, to find its node after a write.
    QHash<QObject *, QString> openedBy_;
};

} // namespace nimbo::organisation
