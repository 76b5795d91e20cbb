#include "organisation/FrmUffici.h"

#include <QComboBox>
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
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {
const QString kEnte = QStringLiteral("Tab_Ente");
const QString kDip = QStringLiteral("Tab_Dipartimento");
const QString kCode = QStringLiteral("Tab_Ufficio");
const QString kMembers = QStringLiteral("FrmComponenti");
} // namespace

FrmUffici::FrmUffici(Variant variant, QWidget *parent) : StructureEditor(variant, parent)
{
    const bool list = isList();
    const bool units = officesAreUnits();
    setObjectName(list ? QStringLiteral("FrmUffici") : QStringLiteral("FrmGUffici"));
    setWindowTitle(units ? QStringLiteral("Gestione Unità Operative") : QStringLiteral("Gestione Uffici"));
    setBoxTitle(windowTitle());
    setTable(QStringLiteral("Tab_Uffici"));
    setDeletable(true);
    setLoadFailure(QStringLiteral("Errore nella visualizzazione dei dati dell'ufficio."));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice Ufficio Corrente"));
    setContext(kEnte, QString());
    setContext(kDip, QString());

    QLabel *heading = makeHeading(units ? QStringLiteral("GESTIONE UNITA' OPERATIVE ") : QStringLiteral("GESTIONE UFFICI "));
    QVBoxLayout *v = nullptr;
    QWidget *detail = makeDetail(&v);

    auto *id = new ui::FormGroup(units ? QStringLiteral("Dettaglio Unità Operativa") : QStringLiteral("Dettaglio Ufficio"),
                                 detail);
    id->setObjectName(QStringLiteral("FraUfficio"));
    QLineEdit *code = codeField(id, "TxtCodice", lengthOf(kCode), true);
    QLineEdit *name = textField(id, "TxtDescrizione", lengthOf(QStringLiteral("Tab_Descrizione")), true);
    QLineEdit *street = textField(id, "TxtDomicilio", lengthOf(QStringLiteral("Tab_Domicilio")), true);
    QLineEdit *number = codeField(id, "TxtNumeroCivico", lengthOf(QStringLiteral("Tab_Numero_Civico")), true);
    QLineEdit *com = codeField(id, "TxtCCom", lengthOf(QStringLiteral("Tab_Comune")), true);
    auto *comName = new ui::DescriptionLabel(id);
    comName->setObjectName(QStringLiteral("LblComune"));
    QLineEdit *head = textField(id, "TxtResponsabile", lengthOf(QStringLiteral("Tab_Responsabile")), true);
    id->addRow(QStringLiteral("Codice"), {code});
    id->addRow(QStringLiteral("Denominazione"), {name});
    id->addRow(QStringLiteral("Indirizzo"), {ui::Cell(street, 1), "N. civico", number});
    id->addCodeRow(QStringLiteral("Comune"), com, comName);
    id->addRow(QStringLiteral("Responsabile"), {head});
    v->addWidget(id);

    const auto [phone, fax, mail] = addContacts(v, detail, lengthOf(QStringLiteral("Tab_Telefono")), lengthOf(QStringLiteral("Tab_Email")));

    QComboBox *closed = choiceField(detail, "CboChiuso", {QStringLiteral("NO"), QStringLiteral("SI")});
    const auto [from, to] = addPeriod(v, detail, QStringLiteral("Data chiusura"), closed, QStringLiteral("Chiuso"),
                                      {QStringLiteral("Tab_DataInizio"), QStringLiteral("Tab_DataFine"),
                                       QStringLiteral("Tab_Chiuso")});

    bind(kCode, code, Kind::Text, true);
    bind(QStringLiteral("Tab_Descrizione"), name);
    bind(QStringLiteral("Tab_Domicilio"), street);
    bind(QStringLiteral("Tab_Numero_Civico"), number);
    bindMunicipality(QStringLiteral("Tab_Comune"), com, comName);
    bind(QStringLiteral("Tab_Telefono"), phone);
    bind(QStringLiteral("Tab_Fax"), fax);
    bind(QStringLiteral("Tab_Responsabile"), head);
    bind(QStringLiteral("Tab_Email"), mail);
    bind(QStringLiteral("Tab_DataInizio"), from, Kind::Date);
    bind(QStringLiteral("Tab_DataFine"), to, Kind::Date);
    bind(QStringLiteral("Tab_Chiuso"), closed);

    setLoad(
        [](const ui::Record &key) {
            return QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione, Tab_Domicilio, Tab_Numero_Civico, Tab_Comune, "
                                  "Tab_Comuni.Com_Comune, Tab_Telefono, Tab_Fax, Tab_Responsabile, Tab_Email, "
                                  "Tab_DataInizio, Tab_DataFine, Tab_Chiuso FROM Tab_Uffici LEFT JOIN Tab_Comuni ON "
                                  "Tab_Uffici.Tab_Comune = Tab_Comuni.Com_Codcom WHERE Tab_Ente=") +
                   ui::sqlText(key.value(kEnte)) + QStringLiteral(" and Tab_Dipartimento= ") +
                   ui::sqlText(key.value(kDip)) + QStringLiteral(" and Tab_Ufficio= ") + ui::sqlText(key.value(kCode));
        },
        {kCode, QStringLiteral("Tab_Descrizione"), QStringLiteral("Tab_Domicilio"), QStringLiteral("Tab_Numero_Civico"),
         QStringLiteral("Tab_Comune"), QStringLiteral("Com_Comune"), QStringLiteral("Tab_Telefono"),
         QStringLiteral("Tab_Fax"), QStringLiteral("Tab_Responsabile"), QStringLiteral("Tab_Email"),
         QStringLiteral("Tab_DataInizio"), QStringLiteral("Tab_DataFine"), QStringLiteral("Tab_Chiuso")});

    QList<QWidget *> buttons;
    if (list) {
        list_ = new ui::RowList(QStringLiteral("LwUffici"), this);
        list_->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("10;85"));
        list_->setFitToWidth(true);
        list_->setToolTip(units ? QStringLiteral("Elenco Unità Operative") : QStringLiteral("Elenco Uffici"));
        setList(
            list_,
            [this] {
                return QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente= ") +
                       ui::sqlText(context(kEnte)) + QStringLiteral(" and Tab_Dipartimento =") +
                       ui::sqlText(context(kDip)) + QStringLiteral(" ORDER BY Tab_Descrizione");
            },
            {{kCode, 0}});
        cmdComponenti_ = button(this, "CmdComponenti",
                                units ? QStringLiteral("Gestione Uffici ") : QStringLiteral("Gestione Componenti"));
        connect(cmdComponenti_, &QPushButton::clicked, this, &FrmUffici::openMembers);
        buttons << cmdComponenti_;
    }
    arrange(heading, list_, detail, buttons);
    enteredMode(Mode::Browse);
}

ui::CheckList FrmUffici::checks(bool isNew) const { return officeChecks(isNew); }

void FrmUffici::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    fields.append({QStringLiteral("tab_CodOper"), writer()});
    fields.append({QStringLiteral("tab_DatOper"), QDate::currentDate()});
    orderColumns(fields, officeColumns());
}

QVector<ui::UsageCheck> FrmUffici::usageChecks(const ui::Record &record) const
{
    return officeUsageChecks(context(kEnte), key().value(kCode, record.value(kCode)));
}

void FrmUffici::enteredMode(Mode mode)
{
    // An office's start date is always today's; only an existing one is closed.
    ui::setReadOnly(qobject_cast<QLineEdit *>(field(QStringLiteral("Tab_DataInizio"))), true);
    field(QStringLiteral("Tab_Chiuso"))->setEnabled(mode == Mode::Edit);
    StructureEditor::enteredMode(mode);
    if (cmdComponenti_)
        cmdComponenti_->setEnabled(WindowRegistry::contains(kMembers));
}

void FrmUffici::showEvent(QShowEvent *event)
{
    // The members window may be registered after this one was made.
    if (cmdComponenti_)
        cmdComponenti_->setEnabled(WindowRegistry::contains(kMembers));
    RecordEditor::showEvent(event);
}

void FrmUffici::openMembers()
{
    const QString code = chosenCode(kCode, QStringLiteral("Selezionare un Ufficio dall'elenco"));
    if (code.isEmpty())
        return;
    const QString name = record().value(QStringLiteral("Tab_Descrizione"));
    const bool units = officesAreUnits();
    openEditorFor(kMembers,
                  {{kEnte, context(kEnte)}, {kDip, context(kDip)}, {kCode, code}},
                  (units ? QStringLiteral("Gestione Uffici ") : QStringLiteral("Gestione Componenti dell'Ufficio ")) + name,
                  (units ? QStringLiteral("GESTIONE UFFICI DELL'UNITA' OP.: ")
                         : QStringLiteral("GESTIONE COMPONENTI DELL'UFFICIO: ")) +
                      name);
}

} // namespace nimbo::organisation
