#pragma once
// What the department and office editors have in common: a list variant
// (opened from the record above) and a detail variant (opened from the
// structure tree, which reports a successful write), a detail panel with a
// municipality looked up by code or name, and a period of activity: a new
// record starts today and open, and only an existing one gets an end date.

#include "ui/RecordEditor.h"

class QLineEdit;
class QVBoxLayout;
class QWidget;

namespace nimbo::ui {
class CodeLookup;
class DateField;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::organisation {

class StructureEditor : public ui::RecordEditor {
    Q_OBJECT
public:
    enum class Variant { List, Detail };

protected:
    StructureEditor(Variant variant, QWidget *parent);

    bool isList() const { return variant_ == Variant::List; }
    // The heading and the detail panel ("FraDettaglio", its fields one
    // group under the other in `layout`).
    QLabel *makeHeading(const QString &text);
    QWidget *makeDetail(QVBoxLayout **layout);
    // Binds the municipality code field to its column and looks it up.
    void bindMunicipality(const QString &column, QLineEdit *code, QLabel *name);
    // The "Attivazione e chiusura" group: start and end date
    // (TxtDataInizio, TxtDataFine) and the closed flag, whose columns are
    // given in that order.
    struct Period {
        ui::DateField *from;
        ui::DateField *to;
    };
    Period addPeriod(QVBoxLayout *into, QWidget *detail, const QString &endCaption, QWidget *closed,
                     const QString &closedCaption, const QStringList &columns);
    // The code of the record being changed; empty, with the message shown,
    // while none is.
    QString chosenCode(const QString &column, const QString &noneChosen) const;

    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;

    ui::RowList *list_ = nullptr;
    ui::PickList *pick_;

private:
    Variant variant_;
    ui::CodeLookup *municipality_ = nullptr;
    QString municipalityColumn_;
    QStringList period_; // start, end, closed
};

} // namespace nimbo::organisation
