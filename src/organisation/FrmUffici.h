#pragma once
// The offices of a department: the list with the detail of the chosen one
// (FrmUffici, opened from the departments), or the detail alone
// (FrmGUffici, from the structure tree). Entity and department come from
// the opener as the context columns Tab_Ente and Tab_Dipartimento.

#include "ui/RecordEditor.h"

class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmUffici : public ui::RecordEditor {
    Q_OBJECT
public:
    enum class Variant { List, Detail };
    explicit FrmUffici(Variant variant, QWidget *parent = nullptr);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    void showEvent(QShowEvent *event) override;

private:
    void openMembers();

    Variant variant_;
    ui::RowList *list_ = nullptr;
    ui::PickList *pick_;
    ui::CodeLookup *municipality_;
    QPushButton *cmdComponenti_ = nullptr;
};

} // namespace nimbo::organisation
