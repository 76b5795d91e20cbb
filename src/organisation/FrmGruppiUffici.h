#pragma once
// The groups of offices (and of their members) of the operator's
// department: one name for many recipients of a document. The list of the
// department's groups at the left; the chosen group's name, the offices of
// a department with their members, and the members of the group, moved
// across with CmdTrasferisci. A group is written whole by the protocol
// server and deleted as a whole.

#include "organisation/GroupRules.h"
#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;
class QTreeView;

namespace nimbo::ui {
class RowList;
class TreeModel;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmGruppiUffici : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmGruppiUffici(QWidget *parent = nullptr);

    QVector<GroupMember> members() const { return members_; }

    void ELABORATBAR(const QString &key) override;

    // Shows the offices of a department (a code of the combo).
    void showDepartment(const QString &code);
    // Opens a group of the list by name.
    bool openGroup(const QString &name);

protected:
    ui::CheckList checks(bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    QString toolbarFor(Mode mode) const override;
    QString writeCondition(const ui::Record &key) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    void transfer();
    void removeMember();
    void showMembers();

    QString ente_;
    QString owner_;
    QVector<GroupMember> members_;

    ui::RowList *groups_;
    QLineEdit *name_;
    QLineEdit *previous_;
    QComboBox *departments_;
    QTreeView *offices_;
    ui::TreeModel *tree_;
    ui::RowList *memberList_;
};

} // namespace nimbo::organisation
