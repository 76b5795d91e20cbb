#pragma once
// The municipalities of one province at a time: the province chosen above
// the list (Potenza first, when the register has it), the list of its
// municipalities and the detail of one. A municipality that an address,
// entity, department or office names cannot be deleted.

#include "ui/RecordEditor.h"

class QComboBox;
class QLineEdit;

namespace nimbo::municipalities {

class FrmComuni : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmComuni(QWidget *parent = nullptr);

    ui::RowList *list() const { return list_; }
    QComboBox *provinces() const { return province_; }
    // The plate code of the chosen province ("PZ").
    QString province() const;
    // The municipalities of the chosen province.
    QString listQuery() const;

    void ELABORATBAR(const QString &key) override;

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    QVector<ui::UsageCheck> usageChecks(const ui::Record &record) const override;
    void enteredMode(Mode mode) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    void loaded(const ui::Record &record) override;
    bool writeRecord(const ui::Record &record, bool isNew) override;
    bool deleteRecord() override;

private:
    void fillProvinces();

    QComboBox *province_;
    ui::RowList *list_;
    // Until the operator first starts or opens a record the toolbar reads
    // "NUOVO;ESCI", afterwards "ESCI;NUOVO".
    bool begun_ = false;
    // The postal code as read, which a change replaces among the town's.
    QString readCap_;
};

} // namespace nimbo::municipalities
