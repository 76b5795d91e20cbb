#include "organisation/FrmEnti.h"

#include <QComboBox>
#include <QDate>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "organisation/EditorParts.h"
#include "organisation/Lookups.h"
#include "organisation/OrganisationRules.h"
#include "platform/Dialogs.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {

FrmEnti::FrmEnti(Variant variant, QWidget *parent) : RecordEditor(parent), variant_(variant)
{
    const bool list = variant == Variant::List;
    setObjectName(list ? QStringLiteral("frmEnti") : QStringLiteral("frmGEnti"));
    setWindowTitle(list ? QStringLiteral("Gestione Anagrafiche Enti")
                        : QStringLiteral("Gestione Anagrafica Aree Organizzative Omogenee"));
    setBoxTitle(list ? QStringLiteral("Anagrafiche Strutture")
                     : QStringLiteral("Anagrafica Aree Organizzative Omogenee"));
    setTable(QStringLiteral("Tab_Enti"));
    setLoadFailure(QStringLiteral("Errore nella visualizzazione dell'anagrafica dell'Ente"));

    auto *heading = new QLabel(list ? QStringLiteral("REGISTRAZIONE ANAGRAFICHE ENTI")
                                    : QStringLiteral("REGISTRAZIONE ANAGRAFICA Aree Organizzative Omogenee"),
                               this);
    heading->setObjectName(QStringLiteral("LblTitolo"));
    auto *detail = new QWidget(this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    pick_ = fixedPitchPickList(this);

    auto *id = new ui::FormGroup(list ? QStringLiteral("Anagrafica Strutture")
                                      : QStringLiteral("Anagrafica Aree Organizzative Omogenee"),
                                 detail);
    QLineEdit *code = codeField(id, "TxtCodice", lengthOf(QStringLiteral("Ente_Codice")), true);
    QLineEdit *name = textField(id, "TxtDenominazione", lengthOf(QStringLiteral("Ente_Denominazione")), true);
    QLineEdit *street = textField(id, "TxtIndirizzo", lengthOf(QStringLiteral("Ente_Indirizzo")), true);
    QLineEdit *com = codeField(id, "TxtCCom", lengthOf(QStringLiteral("Ente_Comune")), true);
    auto *comName = new ui::DescriptionLabel(id);
    comName->setObjectName(QStringLiteral("LblComune"));
    QLineEdit *reg = codeField(id, "TxtRegione", lengthOf(QStringLiteral("Ente_Codice_Regione")), true);
    auto *regName = new ui::DescriptionLabel(id);
    regName->setObjectName(QStringLiteral("LblRegione"));
    QLineEdit *fiscal = codeField(id, "TxtCodFiscale", lengthOf(QStringLiteral("Ente_Codice_Fiscale")), true);
    QLineEdit *vat = codeField(id, "TxtPartitaIva", lengthOf(QStringLiteral("Ente_Partita_Iva")), false);
    id->addRow(QStringLiteral("Codice"), {code});
    id->addRow(QStringLiteral("Denominazione"), {name});
    id->addRow(QStringLiteral("Indirizzo"), {street});
    id->addCodeRow(QStringLiteral("Comune"), com, comName);
    id->addCodeRow(QStringLiteral("Regione"), reg, regName);
    id->addRow(QStringLiteral("Codice Fiscale"), {fiscal, "Partita IVA", vat});
    v->addWidget(id);

    const auto [phone, fax, mail] = addContacts(v, detail, lengthOf(QStringLiteral("Ente_Telefono")), lengthOf(QStringLiteral("Ente_PostaElettronica")));

    // The mailbox the e-mails are read from (IMAP) and the server they are
    // sent through (SMTP) share the account; an empty user is the address.
    auto *post = new ui::FormGroup(QStringLiteral("Posta elettronica dell'Ente"), detail);
    QLineEdit *pop = textField(post, "TxtPop", lengthOf(QStringLiteral("Ente_Posta_POP")));
    QLineEdit *imapPort = codeField(post, "TxtPortaImap", lengthOf(QStringLiteral("Ente_Posta_PortaIMAP")), false);
    QLineEdit *smtp = textField(post, "TxtSmtp", lengthOf(QStringLiteral("Ente_Posta_SMTP")));
    QLineEdit *port = codeField(post, "TxtPorta", lengthOf(QStringLiteral("Ente_Posta_PortaServer")), false);
    // Empty security: what the port usually means.
    const QStringList securities{QString(), QStringLiteral("SSL"), QStringLiteral("STARTTLS")};
    QComboBox *imapSecurity = choiceField(post, "CboSicurezzaImap", securities);
    QComboBox *security = choiceField(post, "CboSicurezza", securities);
    QLineEdit *folder = textField(post, "TxtCartella", lengthOf(QStringLiteral("Ente_Posta_Cartella")));
    QLineEdit *user = textField(post, "TxtUtentePosta", lengthOf(QStringLiteral("Ente_Posta_Utente")));
    QLineEdit *pwd = codeField(post, "TxtPwdPosta", lengthOf(QStringLiteral("Ente_PWD_Posta")), false);
    pwd->setEchoMode(QLineEdit::Password);
    post->addRow(QStringLiteral("Server IMAP"), {ui::Cell(pop, 1), "Porta", imapPort, "Sicurezza", imapSecurity});
    post->addRow(QStringLiteral("Server SMTP"), {ui::Cell(smtp, 1), "Porta", port, "Sicurezza", security});
    post->addRow(QStringLiteral("Utente casella"), {ui::Cell(user, 1), "Password", pwd});
    post->addRow(QStringLiteral("Cartella"), {ui::Cell(folder, 1)});
    v->addWidget(post);

    auto *options = new ui::FormGroup(QStringLiteral("Opzioni"), detail);
    QComboBox *perDept = choiceField(options, "CboProtDip", {QString(), QStringLiteral("S"), QStringLiteral("N")});
    QComboBox *scan = choiceField(options, "CboScanPost", {QString(), QStringLiteral("S"), QStringLiteral("N")});
    options->addRow(QStringLiteral("Protocolli per dipartimento"), {perDept, "Scansione posta", scan});
    v->addWidget(options);

    bind(QStringLiteral("Ente_Codice"), code, Kind::Text, true);
    bind(QStringLiteral("Ente_Denominazione"), name);
    bind(QStringLiteral("Ente_Indirizzo"), street);
    bind(QStringLiteral("Ente_Comune"), com);
    bind(QStringLiteral("Ente_Codice_Regione"), reg);
    bind(QStringLiteral("Ente_Codice_Fiscale"), fiscal);
    bind(QStringLiteral("Ente_Partita_Iva"), vat);
    bind(QStringLiteral("Ente_Telefono"), phone);
    bind(QStringLiteral("Ente_FAX"), fax);
    bind(QStringLiteral("Ente_PostaElettronica"), mail);
    bind(QStringLiteral("Ente_PWD_Posta"), pwd);
    bind(QStringLiteral("Ente_ProtocolliDipartimento"), perDept);
    bind(QStringLiteral("Ente_ScanPost"), scan);
    bind(QStringLiteral("Ente_Posta_POP"), pop);
    bind(QStringLiteral("Ente_Posta_SMTP"), smtp);
    bind(QStringLiteral("Ente_Posta_PortaServer"), port);
    bind(QStringLiteral("Ente_Posta_PortaIMAP"), imapPort);
    bind(QStringLiteral("Ente_Posta_Sicurezza"), security);
    bind(QStringLiteral("Ente_Posta_SicurezzaIMAP"), imapSecurity);
    bind(QStringLiteral("Ente_Posta_Utente"), user);
    bind(QStringLiteral("Ente_Posta_Cartella"), folder);

    municipality_ = municipalityLookup(com, comName, pick_);
    region_ = regionLookup(reg, regName, pick_);

    // The mailbox password is never read back: the field stays empty.
    setLoad(
        [](const ui::Record &key) {
            return QStringLiteral(
                       "SELECT Tab_Enti.Ente_Codice, Tab_Enti.Ente_Denominazione, Tab_Enti.Ente_Indirizzo, "
                       "Tab_Enti.Ente_Comune, Tab_Comuni.Com_Comune, Tab_Enti.Ente_Codice_Regione, "
                       "Tab_Regioni.Reg_Descrizione, Tab_Enti.Ente_Codice_Fiscale, Tab_Enti.Ente_Partita_Iva, "
                       "Tab_Enti.Ente_Telefono, Tab_Enti.Ente_FAX, Tab_Enti.Ente_PostaElettronica, "
                       "Tab_Enti.Ente_ProtocolliDipartimento, Tab_Enti.Ente_ScanPost, Ente_Posta_POP, "
                       "Ente_Posta_SMTP, Ente_Posta_PortaServer, Ente_Posta_PortaIMAP, Ente_Posta_Sicurezza, "
                       "Ente_Posta_SicurezzaIMAP, Ente_Posta_Utente, Ente_Posta_Cartella FROM (Tab_Enti LEFT JOIN Tab_Regioni ON "
                       "Tab_Regioni.Reg_Codreg = Tab_Enti.Ente_Codice_Regione) LEFT JOIN Tab_Comuni ON "
                       "Tab_Enti.Ente_Comune = Tab_Comuni.Com_Codcom WHERE Tab_Enti.Ente_Codice= ") +
                   ui::sqlText(key.value(QStringLiteral("Ente_Codice")));
        },
        {QStringLiteral("Ente_Codice"), QStringLiteral("Ente_Denominazione"), QStringLiteral("Ente_Indirizzo"),
         QStringLiteral("Ente_Comune"), QStringLiteral("Com_Comune"), QStringLiteral("Ente_Codice_Regione"),
         QStringLiteral("Reg_Descrizione"), QStringLiteral("Ente_Codice_Fiscale"), QStringLiteral("Ente_Partita_Iva"),
         QStringLiteral("Ente_Telefono"), QStringLiteral("Ente_FAX"), QStringLiteral("Ente_PostaElettronica"),
         QStringLiteral("Ente_ProtocolliDipartimento"), QStringLiteral("Ente_ScanPost"),
         QStringLiteral("Ente_Posta_POP"), QStringLiteral("Ente_Posta_SMTP"),
         QStringLiteral("Ente_Posta_PortaServer"), QStringLiteral("Ente_Posta_PortaIMAP"),
         QStringLiteral("Ente_Posta_Sicurezza"), QStringLiteral("Ente_Posta_SicurezzaIMAP"),
         QStringLiteral("Ente_Posta_Utente"),
         QStringLiteral("Ente_Posta_Cartella")});

    QList<QWidget *> buttons;
    if (list) {
        list_ = new ui::RowList(QStringLiteral("LwEnti"), this);
        list_->setColumns(QStringLiteral("CODICE;DESCRIZIONE"), QStringLiteral("8;60"));
        list_->setFitToWidth(true);
        list_->setToolTip(QStringLiteral("Anagrafiche Enti"));
        setList(list_, &FrmEnti::listQuery, {{QStringLiteral("Ente_Codice"), 0}});
        cmdDip_ = button(this, "CmdDip", QStringLiteral("Dipartimenti..."));
        connect(cmdDip_, &QPushButton::clicked, this, &FrmEnti::openDepartments);
        buttons << cmdDip_;
    }
    cmdStart_ = button(this, "CmdStart", QStringLiteral("Contatori..."));
    connect(cmdStart_, &QPushButton::clicked, this, &FrmEnti::openCounters);
    buttons << cmdStart_;
    arrange(heading, list_, detail, buttons);
    enteredMode(Mode::Browse);
    reloadList();
}

QString FrmEnti::listQuery()
{
    return QStringLiteral("SELECT Ente_Codice,Ente_Denominazione FROM Tab_Enti ORDER BY Ente_Denominazione");
}

bool FrmEnti::inList(const QString &code) const
{
    for (int r = 0; list_ && r < list_->count(); ++r)
        if (list_->text(r, 0).trimmed() == code)
            return true;
    return false;
}

ui::CheckList FrmEnti::checks(bool isNew) const
{
    if (variant_ == Variant::List)
        return entityChecks(isNew, true, [this](const QString &code) { return inList(code); });
    return entityChecks(isNew, false, &entityCodeInArchive);
}

void FrmEnti::addColumns(F::FieldList &fields, const ui::Record &record, bool isNew) const
{
    // The stored password stays unless a new one was typed, and only its
    // enciphered form is written.
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].name == QLatin1String("Ente_PWD_Posta")) {
            if (!record.value(kEnciphered).isEmpty())
                fields[i].value = record.value(kEnciphered);
            else if (isNew)
                fields[i].value = QVariant(QMetaType(QMetaType::QString));
            else
                fields.remove(i);
            break;
        }
    fields.append({QStringLiteral("Ente_CodOper"), writer()});
    fields.append({QStringLiteral("Ente_DatOper"), QDate::currentDate()});
    if (isNew)
        fields.append({QStringLiteral("Ente_ProgressivoRubrica"), 0});
    orderColumns(fields, entityColumns());
}

void FrmEnti::enteredMode(Mode mode)
{
    // The stored password is never shown: an empty field keeps it.
    auto *pwd = qobject_cast<QLineEdit *>(field(QStringLiteral("Ente_PWD_Posta")));
    pwd->setPlaceholderText(mode == Mode::Edit ? QStringLiteral("invariata") : QString());
    pwd->setToolTip(mode == Mode::Edit ? QStringLiteral("Lasciare vuoto per mantenere la password registrata")
                                       : QString());
    if (mode != Mode::Edit) {
        municipality_->clear();
        region_->clear();
    }
    cmdStart_->setEnabled(mode == Mode::Edit);
}

void FrmEnti::loaded(const ui::Record &record)
{
    municipality_->set(record.value(QStringLiteral("Ente_Comune")), record.value(QStringLiteral("Com_Comune")));
    region_->set(record.value(QStringLiteral("Ente_Codice_Regione")), record.value(QStringLiteral("Reg_Descrizione")));
}

void FrmEnti::written(bool deleted)
{
    cmdStart_->setEnabled(false);
    if (!deleted && variant_ == Variant::Detail)
        showBox(boxTitle(), QStringLiteral("Registrazione effettuata con successo."), Icon::Information);
}

void FrmEnti::openDepartments()
{
    const QString code = key().value(QStringLiteral("Ente_Codice"));
    if (editMode() != Mode::Edit || code.isEmpty()) {
        showBox(boxTitle(), QStringLiteral("Selezionare un Ente dall'elenco"), Icon::Warning);
        return;
    }
    const QString name = record().value(QStringLiteral("Ente_Denominazione"));
    openEditorFor(QStringLiteral("frmDipartimenti"), {{QStringLiteral("Dipa_CodiceEnte"), code}},
                  QStringLiteral("Gestione Dipartimenti Ente ") + name,
                  QStringLiteral("GESTIONE DIPARTIMENTI ENTE: ") + name);
}

void FrmEnti::openCounters()
{
    const QString code = key().value(QStringLiteral("Ente_Codice"));
    if (editMode() != Mode::Edit || code.isEmpty())
        return;
    organisation::openCounters(this, code, QString(),
                               QStringLiteral("CONTATORI ENTE ") + record().value(QStringLiteral("Ente_Denominazione")));
}

} // namespace nimbo::organisation
