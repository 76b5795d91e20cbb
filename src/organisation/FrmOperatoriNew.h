#pragma once
// The operators: who may use the program, with which level, protocol right,
// functions, own office and mailbox. Operators are created active, then
// deactivated and reactivated, never deleted. Passwords are stored as
// one-way hashes: the password fields are always empty on screen, and the
// stored hash changes only when a new password is typed.

#include <QHash>

#include "ui/RecordEditor.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmOperatoriNew : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmOperatoriNew(QWidget *parent = nullptr);

    void ELABORATBAR(const QString &key) override;
    bool isActiveOperator() const { return active_; }
    ui::RowList *list() const { return list_; }

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;

private:
    QLineEdit *campo(int i) const { return campo_.value(i); }
    void fillFunctions();
    QStringList withheldFunctions() const;
    void setActive(bool active);
    void changeActivation(bool activate);
    void openAssignments();

    QHash<int, QLineEdit *> campo_;
    ui::RowList *list_ = nullptr;
    QComboBox *level_ = nullptr;
    QComboBox *right_ = nullptr;
    QComboBox *privacy_ = nullptr;
    QLineEdit *cf_ = nullptr;
    QCheckBox *changePwd_ = nullptr;
    QCheckBox *internet_ = nullptr;
    QListWidget *functions_ = nullptr;
    QLabel *activeLabel_ = nullptr;
    QPushButton *assign_ = nullptr;
    ui::PickList *pick_ = nullptr;
    ui::CodeLookup *ente_ = nullptr;
    ui::CodeLookup *dept_ = nullptr;
    ui::CodeLookup *office_ = nullptr;
    bool active_ = true;
    QString storedEnte_;
    // The level and withheld functions of the record as it was read.
    QString storedLevel_, storedWithheld_;
};

} // namespace nimbo::organisation
