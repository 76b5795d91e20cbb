#pragma once
// The groups of offices (and of their members) of the operator's
// department: one name for many recipients of a document. The list of the
// department's groups at the left; the chosen group's name, the offices of
// a department with their members, and the members of the group, moved
// across with CmdTrasferisci. A group is written whole by the protocol
// server and deleted as a whole.

#include "organisation/GroupRules.h"
#include "ui/ChildWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace nimbo::ui {
class RowList;
class TreeModel;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmGruppiUffici : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmGruppiUffici(QWidget *parent = nullptr);

    enum class Mode { Browse, New, Edit };
    Mode editMode() const { return mode_; }
    QVector<GroupMember> members() const { return members_; }

    void ELABORATBAR(const QString &key) override;

    // Shows the offices of a department (a code of the combo).
    void showDepartment(const QString &code);
    // Opens a group of the list by name.
    bool openGroup(const QString &name);

signals:
    // A group was written or deleted.
    void saved();

private:
    void enter(Mode mode);
    void reloadGroups();
    void transfer();
    void removeMember();
    void showMembers();
    bool save();
    bool removeGroup(bool ask);
    bool confirmDiscard();

    QString ente_;
    QString owner_;
    Mode mode_ = Mode::Browse;
    QVector<GroupMember> members_;

    ui::RowList *groups_;
    QWidget *detail_;
    QLineEdit *name_;
    QLineEdit *previous_;
    QComboBox *departments_;
    QTreeView *offices_;
    ui::TreeModel *tree_;
    QPushButton *transfer_;
    QPushButton *remove_;
    ui::RowList *list_;
    QLabel *status_;
};

} // namespace nimbo::organisation
