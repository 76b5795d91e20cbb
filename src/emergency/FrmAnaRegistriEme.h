#pragma once
// The emergency registers of the body: paper registers and the electronic
// register of each workstation and year. Written by the protocol server.

#include "ui/RecordEditor.h"

class QCheckBox;
class QLineEdit;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
} // namespace nimbo::ui

namespace nimbo::emergency {

class FrmAnaRegistriEme : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmAnaRegistriEme(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }
    QString searchQuery() const;

protected:
    ui::CheckList checks(bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    ui::RowList *list_;
    QCheckBox *paper_, *electronic_;
    QLineEdit *findYear_, *findCode_;
    QLineEdit *year_, *type_, *id_, *number_, *notes_, *time_;
    ui::DateField *date_;
    ui::PickList *pick_;
    ui::CodeLookup *idLookup_;
    ui::Record lastWritten_;
    bool justWritten_ = false;
};

} // namespace nimbo::emergency
