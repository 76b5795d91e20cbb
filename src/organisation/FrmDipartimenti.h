#pragma once
// The departments of an entity: the list with the detail of the chosen one
// (frmDipartimenti, opened from the entities), or the detail alone
// (frmGDipartimenti, from the structure tree). The entity comes from the
// opener as the context column Dipa_CodiceEnte.

#include "organisation/StructureEditor.h"

class QPushButton;

namespace nimbo::organisation {

class FrmDipartimenti : public StructureEditor {
    Q_OBJECT
public:
    explicit FrmDipartimenti(Variant variant, QWidget *parent = nullptr);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void written(bool deleted) override;
    // The department goes with its protocol counters (rows of years in
    // which it registered nothing: a protocol keeps the department).
    bool deleteRecord() override;

private:
    void openOffices();
    void openCounters();

    QPushButton *cmdUff_ = nullptr;
    QPushButton *cmdStart_;
};

} // namespace nimbo::organisation
