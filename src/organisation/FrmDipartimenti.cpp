#include "organisation/FrmDipartimenti.h"

#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "organisation/EditorParts.h"
#include "organisation/Lookups.h"
#include "organisation/OrganisationRules.h"
#include "platform/Dialogs.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {
const QString kEnte = QStringLiteral("Dipa_CodiceEnte");
const QString kCode = QStringLiteral("Dipa_CodDipartimento");
} // namespace

FrmDipartimenti::FrmDipartimenti(Variant variant, QWidget *parent) : StructureEditor(variant, parent)
{
    const bool list = isList();
    setObjectName(list ? QStringLiteral("frmDipartimenti") : QStringLiteral("frmGDipartimenti"));
    setWindowTitle(list ? QStringLiteral("Gestione Dipartimenti") : QStringLiteral("Gestione Dipartimento"));
    setBoxTitle(QStringLiteral("Gestione Dipartimenti"));
    setTable(QStringLiteral("Tab_Dipartimenti"));
    setDeletable(true);
    setLoadFailure(QStringLiteral("Errore nella visualizzazioen dell'anagrafica del Dipartimento"));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice Dipartimento Corrente"));
    setContext(kEnte, QString());

    QLabel *heading =
        makeHeading(list ? QStringLiteral("GESTIONE DIPARTIMENTI") : QStringLiteral("DETTAGLIO DIPARTIMENTO"));
    QVBoxLayout *v = nullptr;
    QWidget *detail = makeDetail(&v);

    auto *id = new ui::FormGroup(QStringLiteral("Dipartimento"), detail);
    QLineEdit *code = codeField(id, "TxtCodice", lengthOf(kCode), true);
    QLineEdit *name = textField(id, "TxtDenominazione", lengthOf(QStringLiteral("Dipa_Denominazione")), true);
    QLineEdit *street = textField(id, "TxtDomicilio", lengthOf(QStringLiteral("Dipa_Domicilio")), true);
    QLineEdit *com = codeField(id, "TxtCCom", lengthOf(QStringLiteral("Dipa_Comune")), true);
    auto *comName = new ui::DescriptionLabel(id);
    comName->setObjectName(QStringLiteral("LblComune"));
    id->addRow(QStringLiteral("Codice"), {code});
    id->addRow(QStringLiteral("Denominazione"), {name});
    id->addRow(QStringLiteral("Domicilio"), {street});
    id->addCodeRow(QStringLiteral("Comune"), com, comName);
    v->addWidget(id);

    const auto [phone, fax, mail] = addContacts(v, detail, lengthOf(QStringLiteral("Dipa_Telefono")), lengthOf(QStringLiteral("Dipa_PostaElettronica")));

    QLineEdit *closed = codeField(detail, "TxtChiuso", lengthOf(QStringLiteral("Dipa_Chiuso")), true);
    const auto [from, to] = addPeriod(v, detail, QStringLiteral("Data disattivazione"), closed,
                                      QStringLiteral("Chiuso (SI/NO)"),
                                      {QStringLiteral("Dipa_DataInizio"), QStringLiteral("Dipa_DataFine"),
                                       QStringLiteral("Dipa_Chiuso")});

    bind(kCode, code, Kind::Text, true);
    bind(QStringLiteral("Dipa_Denominazione"), name);
    bind(QStringLiteral("Dipa_Domicilio"), street);
    bindMunicipality(QStringLiteral("Dipa_Comune"), com, comName);
    bind(QStringLiteral("Dipa_Telefono"), phone);
    bind(QStringLiteral("Dipa_FAX"), fax);
    bind(QStringLiteral("Dipa_PostaElettronica"), mail);
    bind(QStringLiteral("Dipa_DataInizio"), from, Kind::Date);
    bind(QStringLiteral("Dipa_DataFine"), to, Kind::Date);
    bind(QStringLiteral("Dipa_Chiuso"), closed);

    setLoad(
        [](const ui::Record &key) {
            return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione, Dipa_Domicilio, Dipa_Comune, "
                                  "Tab_Comuni.Com_Comune, Dipa_Telefono, Dipa_FAX, Dipa_PostaElettronica, "
                                  "Dipa_DataInizio, Dipa_DataFine, Dipa_Chiuso FROM Tab_Dipartimenti LEFT JOIN "
                                  "Tab_Comuni ON Tab_Dipartimenti.Dipa_Comune = Tab_Comuni.Com_Codcom WHERE "
                                  "Dipa_CodDipartimento= ") +
                   ui::sqlText(key.value(kCode)) + QStringLiteral(" AND Dipa_CodiceEnte= ") +
                   ui::sqlText(key.value(kEnte));
        },
        {kCode, QStringLiteral("Dipa_Denominazione"), QStringLiteral("Dipa_Domicilio"), QStringLiteral("Dipa_Comune"),
         QStringLiteral("Com_Comune"), QStringLiteral("Dipa_Telefono"), QStringLiteral("Dipa_FAX"),
         QStringLiteral("Dipa_PostaElettronica"), QStringLiteral("Dipa_DataInizio"), QStringLiteral("Dipa_DataFine"),
         QStringLiteral("Dipa_Chiuso")});

    QList<QWidget *> buttons;
    if (list) {
        list_ = new ui::RowList(QStringLiteral("LwDipartimenti"), this);
        list_->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;85"));
        list_->setFitToWidth(true);
        setList(
            list_,
            [this] {
                return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                                      "Dipa_CodiceEnte= ") +
                       ui::sqlText(context(kEnte)) + QStringLiteral(" ORDER BY Dipa_Denominazione");
            },
            {{kCode, 0}});
        cmdUff_ = button(this, "CmdUff", officesAreUnits() ? QStringLiteral("Unità Operative...")
                                                           : QStringLiteral("Uffici..."));
        connect(cmdUff_, &QPushButton::clicked, this, &FrmDipartimenti::openOffices);
        buttons << cmdUff_;
    }
    cmdStart_ = button(this, "CmdStart", QStringLiteral("Contatori..."));
    connect(cmdStart_, &QPushButton::clicked, this, &FrmDipartimenti::openCounters);
    buttons << cmdStart_;
    arrange(heading, list_, detail, buttons);
    enteredMode(Mode::Browse);
}

ui::CheckList FrmDipartimenti::checks(bool isNew) const { return departmentChecks(isNew); }

void FrmDipartimenti::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    fields.append({QStringLiteral("Dipa_CodOper"), writer()});
    fields.append({QStringLiteral("Dipa_DatOper"), QDate::currentDate()});
    orderColumns(fields, departmentColumns());
}

QVector<ui::UsageCheck> FrmDipartimenti::usageChecks(const ui::Record &record) const
{
    return departmentUsageChecks(context(kEnte), key().value(kCode, record.value(kCode)));
}

void FrmDipartimenti::enteredMode(Mode mode)
{
    StructureEditor::enteredMode(mode);
    cmdStart_->setEnabled(mode == Mode::Edit);
}

void FrmDipartimenti::written(bool deleted)
{
    cmdStart_->setEnabled(false);
    StructureEditor::written(deleted);
}

bool FrmDipartimenti::deleteRecord()
{
    const ui::Record k = key();
    const QString counters = QStringLiteral("Tab_CodiceEnte = ") + ui::sqlText(context(kEnte))
                             + QStringLiteral(" AND Tab_CodDipartimento = ") + ui::sqlText(k.value(kCode));
    if (F::Update_Tabella({{QStringLiteral("C"), QStringLiteral("TAB_STARTDIPARTIMENTI"), {}, counters},
                           {QStringLiteral("C"), QStringLiteral("Tab_Dipartimenti"), {}, writeCondition(k)}},
                          QStringLiteral("PROTOCOLLO")))
        return true;
    showBox(boxTitle(), QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice Dipartimento Corrente"), Icon::Critical);
    return false;
}

void FrmDipartimenti::openOffices()
{
    const QString code = chosenCode(kCode, QStringLiteral("Selezionare un Dipartimento dall'eleco"));
    if (code.isEmpty())
        return;
    const QString name = record().value(QStringLiteral("Dipa_Denominazione"));
    const bool units = officesAreUnits();
    openEditorFor(QStringLiteral("FrmUffici"),
                  {{QStringLiteral("Tab_Ente"), context(kEnte)}, {QStringLiteral("Tab_Dipartimento"), code}},
                  (units ? QStringLiteral("Gestione Unità Operative ") : QStringLiteral("Gestione Uffici Dip. ")) + name,
                  (units ? QStringLiteral("GESTIONE UNITA' OPERATIVE ") : QStringLiteral("GESTIONE UFFICI DIP. ")) + name);
}

void FrmDipartimenti::openCounters()
{
    const QString code = chosenCode(kCode, QStringLiteral("Selezionare un Dipartimento dall'elenco"));
    if (code.isEmpty())
        return;
    organisation::openCounters(this, context(kEnte), code,
                               QStringLiteral("START DIPARTIMENTO ") +
                                   record().value(QStringLiteral("Dipa_Denominazione")));
}

} // namespace nimbo::organisation
