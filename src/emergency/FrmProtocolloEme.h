#pragma once
// Registration in emergency: incoming and outgoing documents registered on
// the workstation's local work database while the central register cannot
// be reached, with provisional numbers of the register's year. Nothing
// central is read or written here.

#include "ui/RecordEditor.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::emergency {

class FrmProtocolloEme : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmProtocolloEme(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }
    QString searchQuery() const;
    // The session key without separators ("2007TABCD001").
    QString sessionKey() const { return sessionKey_; }
    // The stamp of the registration on screen; empty when none is loaded.
    QString stamp() const;

protected:
    ui::CheckList checks(bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    void directionChosen();
    void printStamp();

    QString sessionKey_;
    ui::RowList *list_;
    QComboBox *findDirection_;
    ui::DateField *findFrom_, *findTo_;
    QLineEdit *findWho_;
    QLineEdit *session_, *direction_, *number_, *time_, *receivedAt_, *who_, *type_, *subject_, *notes_;
    QLineEdit *refNumber_, *recipients_, *general_;
    QLineEdit *recordSession_, *numberShown_, *generalShown_;
    ui::DateField *date_, *received_, *refDate_;
    QRadioButton *incoming_, *outgoing_;
    QLabel *whoCaption_, *state_;
    QPushButton *stampButton_, *scanButton_, *docsButton_;
    ui::Record lastWritten_;
};

} // namespace nimbo::emergency
