#pragma once
// The address-book groups of the operator's department: the department's
// groups at the left; the chosen group's name, its shared flag and its
// members, with a search of active, not ceased entries whose results
// CmdTrasferisci moves into the members. The protocol server writes a group
// whole (operation 12) and deletes it (operation 13).

#include "ui/RecordEditor.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::addressbook {

class FrmGruppiRubrica : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmGruppiRubrica(QWidget *parent = nullptr);

    struct Member {
        qlonglong id = 0;
        QString name, street, municipality, ceased;
    };
    QVector<Member> members() const { return members_; }

    // Searches the entries that may join, with the criteria shown; the
    // clerk's own search says when it found nothing.
    void search(bool tell = true);
    // Moves the ticked results (or the current one) into the members.
    void transfer();
    // Takes the current member out.
    void removeMember();
    void ELABORATBAR(const QString &key) override;

protected:
    ui::CheckList checks(bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;
    bool deleteRecord() override;

private:
    void showMembers();
    // Calls the protocol server; false when it failed (shown).
    bool callServer(short operation, QVariantList request, bool deleting);

    QString ente_;
    QString owner_;
    QVector<Member> members_;
    ui::RowList *groups_;
    QLineEdit *name_;
    QCheckBox *shared_;
    ui::RowList *list_;
    QLineEdit *search_;
    QComboBox *filter_;
    QComboBox *kinds_;
    ui::RowList *found_;
};

} // namespace nimbo::addressbook
