#pragma once
// The sessions of an electronic emergency register: opened, closed, marked
// aligned once their registrations are in the general register. Written by
// the protocol server, which numbers a new session.

#include "ui/RecordEditor.h"

class QLineEdit;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
} // namespace nimbo::ui

namespace nimbo::emergency {

class FrmSessioniEme : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmSessioniEme(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *registers() const { return registers_; }
    ui::RowList *sessions() const { return sessions_; }
    // Selects the electronic register whose sessions are shown.
    void chooseRegister(const QString &year, const QString &id, qlonglong number = 1);
    // The session key of the loaded session ("2007TABCD001"), empty when none.
    QString sessionKeyOf(const ui::Record &record) const;

protected:
    ui::CheckList checks(bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    QString registersQuery() const;
    QString sessionsQuery() const;

    ui::RowList *registers_;
    ui::RowList *sessions_;
    QLineEdit *findYear_, *findCode_;
    QLineEdit *regYear_, *regType_, *regId_, *regNumber_;
    QLineEdit *number_, *openedAt_, *reason_, *notes_, *closedAt_, *aligned_, *first_, *last_;
    QLineEdit *firstShown_, *lastShown_;
    ui::DateField *opened_, *closed_;
    ui::PickList *pick_;
    ui::CodeLookup *reasonLookup_;
    ui::Record lastWritten_;
};

} // namespace nimbo::emergency
