#pragma once
// The entities: the list of all of them with the detail of the chosen one
// (frmEnti, from the menu), or the detail alone (frmGEnti, from the
// structure tree). Entities are never deleted.

#include "ui/RecordEditor.h"

class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class FrmEnti : public ui::RecordEditor {
    Q_OBJECT
public:
    enum class Variant { List, Detail };
    explicit FrmEnti(Variant variant, QWidget *parent = nullptr);

    static QString listQuery();

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;

private:
    void openDepartments();
    void openCounters();
    bool inList(const QString &code) const;

    Variant variant_;
    ui::RowList *list_ = nullptr;
    ui::PickList *pick_;
    ui::CodeLookup *municipality_;
    ui::CodeLookup *region_;
    QPushButton *cmdDip_ = nullptr;
    QPushButton *cmdStart_;
};

} // namespace nimbo::organisation
