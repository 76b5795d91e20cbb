#include "organisation/StructureEditor.h"

#include <QDate>
#include <QLineEdit>
#include <QVBoxLayout>

#include "organisation/Lookups.h"
#include "platform/Dialogs.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"

namespace nimbo::organisation {

StructureEditor::StructureEditor(Variant variant, QWidget *parent) : RecordEditor(parent), variant_(variant)
{
    pick_ = fixedPitchPickList(this);
}

QLabel *StructureEditor::makeHeading(const QString &text)
{
    auto *heading = new QLabel(text, this);
    heading->setObjectName(QStringLiteral("LblTitolo"));
    return heading;
}

QWidget *StructureEditor::makeDetail(QVBoxLayout **layout)
{
    auto *detail = new QWidget(this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    *layout = new QVBoxLayout(detail);
    (*layout)->setContentsMargins(0, 0, 0, 0);
    return detail;
}

void StructureEditor::bindMunicipality(const QString &column, QLineEdit *code, QLabel *name)
{
    bind(column, code);
    municipality_ = municipalityLookup(code, name, pick_);
    municipalityColumn_ = column;
}

StructureEditor::Period StructureEditor::addPeriod(QVBoxLayout *into, QWidget *detail, const QString &endCaption,
                                                  QWidget *closed, const QString &closedCaption,
                                                  const QStringList &columns)
{
    auto *life = new ui::FormGroup(QStringLiteral("Attivazione e chiusura"), detail);
    auto *from = new ui::DateField(life);
    from->setObjectName(QStringLiteral("TxtDataInizio"));
    auto *to = new ui::DateField(life);
    to->setObjectName(QStringLiteral("TxtDataFine"));
    closed->setParent(life);
    life->addRow(QStringLiteral("Data attivazione"), {from, endCaption, to});
    life->addRow(closedCaption, {closed});
    into->addWidget(life);
    period_ = columns;
    return {from, to};
}

QString StructureEditor::chosenCode(const QString &column, const QString &noneChosen) const
{
    const QString code = editMode() == Mode::Edit ? key().value(column) : QString();
    if (code.isEmpty())
        showBox(boxTitle(), noneChosen, Icon::Warning);
    return code;
}

void StructureEditor::enteredMode(Mode mode)
{
    // The end date belongs to a record that exists.
    ui::setReadOnly(qobject_cast<QLineEdit *>(field(period_.value(1))), mode != Mode::Edit);
    if (mode == Mode::New) {
        setFieldText(period_.value(0), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
        setFieldText(period_.value(2), QStringLiteral("NO"));
    }
    if (mode != Mode::Edit && municipality_)
        municipality_->clear();
}

void StructureEditor::loaded(const ui::Record &record)
{
    if (municipality_)
        municipality_->set(record.value(municipalityColumn_), record.value(QStringLiteral("Com_Comune")));
}

void StructureEditor::written(bool deleted)
{
    if (!deleted && variant_ == Variant::Detail)
        showBox(boxTitle(), QStringLiteral("Registrazione effettuata con successo."), Icon::Information);
}

} // namespace nimbo::organisation
