#pragma once
// The departments of an entity: the list with the detail of the chosen one
// (frmDipartimenti, opened from the entities), or the detail alone
// (frmGDipartimenti, from the structure tree). The entity comes from the
// opener as the context column Dipa_CodiceEnte.

#include "ui/RecordEditor.h"

class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmDipartimenti : public ui::RecordEditor {
    Q_OBJECT
public:
    enum class Variant { List, Detail };
    explicit FrmDipartimenti(Variant variant, QWidget *parent = nullptr);

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;

private:
    QString chosenCode() const;
    void openOffices();
    void openCounters();

    Variant variant_;
    ui::RowList *list_ = nullptr;
    ui::PickList *pick_;
    ui::CodeLookup *municipality_;
    QPushButton *cmdUff_ = nullptr;
    QPushButton *cmdStart_;
};

} // namespace nimbo::organisation
