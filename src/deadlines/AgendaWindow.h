#pragma once
// "SCADENZARIO ATTIVITA'": the dated activities of the body's offices, not
// tied to protocols, from today on.

#include "ui/RecordEditor.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
} // namespace nimbo::ui

namespace nimbo::deadlines {

class FrmScadenzario : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmScadenzario(QWidget *parent = nullptr);

    ui::RowList *list() const { return list_; }
    // Writes the listed activities to an iCalendar file the operator names.
    bool exportCalendar();

protected:
    ui::CheckList checks(bool isNew) const override;
    void addColumns(Funzioni_Com_1::FieldList &fields, const ui::Record &record, bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private:
    QString listQuery(bool forCalendar = false) const;

    ui::RowList *list_;
    QLineEdit *code_, *department_, *office_, *time_, *subject_;
    QPlainTextEdit *notes_;
    ui::DateField *date_;
    ui::PickList *pick_;
    ui::CodeLookup *departmentLookup_, *officeLookup_;
    QPushButton *export_;
};

} // namespace nimbo::deadlines
