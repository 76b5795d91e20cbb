#pragma once
// The members of an office: the office's list (FrmComponenti), the one
// member opened from the structure tree (FrmGComponenti) and the reduced
// list without operator accounts and assignments (FrmComponentiASL4). The
// opener gives the entity, department and office as context.

#include "organisation/MemberRules.h"
#include "ui/RecordEditor.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace nimbo::ui {
class DateField;
}

namespace nimbo::organisation {

class FrmComponenti : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmComponenti(MemberVariant variant, QWidget *parent = nullptr);

    MemberVariant variant() const { return variant_; }
    QString statusText() const;

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void written(bool deleted) override;

private:
    MemberScope scope() const;
    // The office's name in the heading, read whenever the opener has given
    // (or changed) the office.
    void refreshHeading();

    MemberVariant variant_;
    QLabel *heading_;
    QLabel *status_;
    QLineEdit *code_;
    QLineEdit *name_;
    ui::DateField *start_;
    QComboBox *flag_ = nullptr;
    QString headedOffice_;
};

} // namespace nimbo::organisation
