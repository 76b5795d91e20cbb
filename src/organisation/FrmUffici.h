#pragma once
// The offices of a department: the list with the detail of the chosen one
// (FrmUffici, opened from the departments), or the detail alone
// (FrmGUffici, from the structure tree). Entity and department come from
// the opener as the context columns Tab_Ente and Tab_Dipartimento.

#include "organisation/StructureEditor.h"

class QPushButton;

namespace nimbo::organisation {

class FrmUffici : public StructureEditor {
    Q_OBJECT
public:
    explicit FrmUffici(Variant variant, QWidget *parent = nullptr);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void showEvent(QShowEvent *event) override;

private:
    void openMembers();

    QPushButton *cmdComponenti_ = nullptr;
};

} // namespace nimbo::organisation
