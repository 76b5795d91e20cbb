#include "addressbook/FrmRubrica.h"

#include <QComboBox>
#include <QDate>
#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "addressbook/AddressBookRules.h"
#include "addressbook/EntryChecks.h"
#include "data/Funzioni_Com_1.h"
#include "organisation/EditorParts.h"
#include "organisation/Lookups.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::addressbook {
namespace {

const QString kTitle = QStringLiteral("Gestione Mittenti/Destinatari");
const QString kName = QStringLiteral("Tab_Denominazione");
const QString kId = QStringLiteral("Tab_Identificativo");
// All the operator may do while an entry is being written.
const QString kWritingToolbar = QStringLiteral("ESCI;ANNULLA");

QLabel *description(QWidget *parent, const char *name)
{
    auto *l = new ui::DescriptionLabel(parent);
    l->setObjectName(QLatin1String(name));
    return l;
}

} // namespace

FrmRubrica::FrmRubrica(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmRubrica"));
    setWindowTitle(kTitle);
    ente_ = DicAmbiente::session().op.ente;
    setTable(QStringLiteral("Tab_Rubrica"));
    setContext(QStringLiteral("Tab_EnteRubrica"), ente_);
    setDeletable(true);
    setDeleteFailure(kMsgDeleteFailed);
    pick_ = organisation::fixedPitchPickList(this);

    // The search beside the detail, the names found under both.
    auto *criteria = new ui::FormGroup(QStringLiteral("Ricerca"), this);
    search_ = organisation::textField(criteria, "TxtRic", 30, true);
    filter_ = new QComboBox(criteria);
    filter_->setObjectName(QStringLiteral("CboFiltro"));
    filter_->addItem(QStringLiteral("Inizia per"), 1);
    filter_->addItem(QStringLiteral("Contiene la stringa"), 2);
    kinds_ = new QComboBox(criteria);
    kinds_->setObjectName(QStringLiteral("CboTipo"));
    fillKinds(kinds_, kAllKinds, kAllKinds + QStringLiteral(" - Tutte le tipologie"));
    rows_ = new QComboBox(criteria);
    rows_->setObjectName(QStringLiteral("NRec"));
    for (int n : {50, 100, 150, 200, 300, 500, 1000})
        rows_->addItem(QString::number(n), n);
    auto *go = new QPushButton(QStringLiteral("Cerca"), criteria);
    go->setObjectName(QStringLiteral("CmdCerca"));
    criteria->addRow(QStringLiteral("Denominazione"), {ui::Cell(search_, 1)});
    criteria->addRow(QStringLiteral("Criterio"), {ui::Cell(filter_, 1)});
    criteria->addRow(QStringLiteral("Tipologia"), {ui::Cell(kinds_, 1)});
    criteria->addRow(QStringLiteral("Righe"), {rows_, ui::Cell(new QWidget(criteria), 1), go});
    list_ = new ui::RowList(QStringLiteral("LwNomi"), this);
    list_->setColumns(QStringLiteral("Codice;Denominazione;Domicilio;Telefono"), QStringLiteral("7;30;30;15"));
    list_->setFitToWidth(true);
    connect(go, &QPushButton::clicked, this, &FrmRubrica::search);
    connect(search_, &QLineEdit::returnPressed, this, &FrmRubrica::search);

    // The entry at the right.
    auto *detail = new QWidget(this);
    auto *v = new QVBoxLayout(detail);
    v->setContentsMargins(0, 0, 0, 0);
    auto *who = new ui::FormGroup(QStringLiteral("Mittente/Destinatario"), detail);
    who->setObjectName(QStringLiteral("FraNome"));
    QLineEdit *code = organisation::textField(who, "TxtCodice", 10);
    ui::setReadOnly(code);
    code->setFixedWidth(ui::fieldWidth(code, 8));
    name_ = organisation::textField(who, "txtNome", 120, true);
    who->addRow(QStringLiteral("Codice"), {code});
    who->addRow(QStringLiteral("Denominazione"), {ui::Cell(name_, 1)});
    v->addWidget(who);

    auto *where = new ui::FormGroup(QStringLiteral("Indirizzo"), detail);
    QLineEdit *street = organisation::textField(where, "txtDom", 60, true);
    QLineEdit *number = organisation::textField(where, "TxtCivico", 10, true);
    number->setFixedWidth(ui::fieldWidth(number, 8));
    QLineEdit *com = organisation::codeField(where, "TxtCCom", 6, true);
    com->setToolTip(QStringLiteral("Codice ISTAT, inizio del nome (almeno 3 lettere) o CAP del comune"));
    municipalityName_ = description(where, "LblComune");
    postal_ = new QLabel(where);
    postal_->setObjectName(QStringLiteral("LblCap"));
    where->addRow(QStringLiteral("Via/Piazza"), {ui::Cell(street, 1), QStringLiteral("N."), number});
    where->addCodeRow(QStringLiteral("Comune"), com, municipalityName_, {postal_});
    v->addWidget(where);

    auto *reach = new ui::FormGroup(QStringLiteral("Recapiti"), detail);
    QLineEdit *phone = organisation::textField(reach, "TxtTel", 15);
    QLineEdit *fax = organisation::textField(reach, "TxtFax", 15);
    QLineEdit *mail = organisation::textField(reach, "TxtPosta", 150);
    reach->addRow(QStringLiteral("Telefono"), {phone, QStringLiteral("Fax"), fax});
    reach->addRow(QStringLiteral("Posta elettronica"), {ui::Cell(mail, 1)});
    v->addWidget(reach);

    auto *other = new ui::FormGroup(QStringLiteral("Altri dati"), detail);
    QLineEdit *kind = organisation::codeField(other, "TxtTipo", 3, true);
    kindName_ = description(other, "LblTipo");
    auto *ceased = new ui::DateField(other);
    ceased->setObjectName(QStringLiteral("TxtData"));
    auto *active = new QComboBox(other);
    active->setObjectName(QStringLiteral("CmbAttivo"));
    active->addItem(QStringLiteral("NO"), QStringLiteral("0"));
    active->addItem(QStringLiteral("SI"), QStringLiteral("1"));
    nimbo_ = new QComboBox(other);
    nimbo_->setObjectName(QStringLiteral("CboNIMBO"));
    nimbo_->addItems({QStringLiteral("S"), QStringLiteral("N")});
    nimbo_->setEnabled(false);
    nimbo_->setToolTip(QStringLiteral("S: scritto dalla rubrica; N: inserito durante la protocollazione"));
    QLineEdit *dp = organisation::textField(other, "TxtCodDP", 16, true);
    QLineEdit *sdp = organisation::textField(other, "TxtSCodDP", 4);
    sdp->setFixedWidth(ui::fieldWidth(sdp, 5));
    QLineEdit *notes = organisation::textField(other, "TxtNote", 180);
    other->addCodeRow(QStringLiteral("Tipologia"), kind, kindName_);
    other->addRow(QStringLiteral("Cessazione"), {ceased, QStringLiteral("Attivo"), active, QStringLiteral("Rubrica"),
                                                 nimbo_, ui::Cell(new QWidget(other), 1)});
    other->addRow(QStringLiteral("Cod. Dip. Prevenzione"), {ui::Cell(dp, 1), QStringLiteral("Sottocodice"), sdp});
    other->addRow(QStringLiteral("Annotazioni"), {ui::Cell(notes, 1)});
    v->addWidget(other);

    protocols_ = new QPushButton(QStringLiteral("Visualizza protocolli"), this);
    protocols_->setObjectName(QStringLiteral("CmdVisualizza"));
    protocols_->setToolTip(QStringLiteral("Protocolli dell'ente intestati al Mittente/Destinatario"));
    connect(protocols_, &QPushButton::clicked, this, &FrmRubrica::showProtocols);

    bind(kId, code, Kind::Number, true);
    bind(kName, name_);
    bind(QStringLiteral("Tab_Domicilio"), street);
    bind(QStringLiteral("Tab_NumeroCivico"), number);
    bind(QStringLiteral("Tab_ComuneUbicazione"), com);
    bind(QStringLiteral("Tab_Telefono"), phone);
    bind(QStringLiteral("Tab_Fax"), fax);
    bind(QStringLiteral("Tab_PostaElettronica"), mail);
    bind(QStringLiteral("Tab_Annotazioni"), notes);
    bind(QStringLiteral("Tab_Cessazione"), ceased, Kind::Date);
    bind(QStringLiteral("Tab_TipoUtenza"), kind);
    bind(QStringLiteral("Tab_CodInterno_DiPrev"), dp);
    bind(QStringLiteral("Tab_SCodInterno_DiPrev"), sdp, Kind::Number);
    bind(QStringLiteral("Tab_Attivo"), active, Kind::Number);

    municipality_ = organisation::municipalityLookup(com, municipalityName_, pick_, postal_);
    kind_ = new ui::CodeLookup(kind, kindName_, pick_, &findKinds, this);

    setLoad([this](const ui::Record &key) { return entrySql(ente_, key.value(kId).toLongLong()); }, entryColumns());
    setList(list_, [this] { return listQuery(); }, {{kId, 0}});
    arrangeSearch(nullptr, criteria, list_, detail, {protocols_});
    reloadList();
}

QString FrmRubrica::listQuery() const
{
    Search s;
    s.ente = ente_;
    s.kind = kinds_->currentData().toString();
    s.text = search_->text();
    s.contains = filter_->currentData().toInt() != 1;
    s.limit = rows_->currentData().toInt();
    s.only = preset_;
    return searchSql(s);
}

void FrmRubrica::search()
{
    preset_ = 0;
    if (list_->load(listQuery()) && list_->count() == 0)
        ui::tellNothingFound(this, kMsgNothingFound);
}

void FrmRubrica::setPresetIdentifier(qlonglong id)
{
    preset_ = id > 0 ? id : 0;
    reloadList();
    if (preset_ > 0 && openRecord({{kId, QString::number(preset_)}}))
        list_->select(0, QString::number(preset_));
}

void FrmRubrica::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("NUOVO"))
        askedAbout_.clear();
    const Mode before = editMode();
    RecordEditor::ELABORATBAR(key);
    // Starting a new entry or giving up forgets the preset entry; the list
    // shows the search again.
    const bool left = (key == QLatin1String("NUOVO") && editMode() == Mode::New)
                      || (key == QLatin1String("ANNULLA") && before != Mode::Browse && editMode() == Mode::Browse);
    if (left && preset_ > 0) {
        preset_ = 0;
        reloadList();
    }
}

QString FrmRubrica::toolbarFor(Mode mode) const
{
    return mode == Mode::Edit ? QStringLiteral("ESCI;NUOVO;REGISTRA;ANNULLA;CANCELLA") : RecordEditor::toolbarFor(mode);
}

ui::CheckList FrmRubrica::checks(bool isNew) const
{
    const QString title = kTitle;
    ui::CheckList list{
        required(kName, kMsgName),
        required(QStringLiteral("Tab_Domicilio"), kMsgStreet),
        required(QStringLiteral("Tab_ComuneUbicazione"), kMsgMunicipality),
        {QStringLiteral("Tab_PostaElettronica"),
         [](ui::Record &r) {
             const QString m = r.value(QStringLiteral("Tab_PostaElettronica"));
             return m.isEmpty() || m.contains(QLatin1Char('@'));
         },
         kMsgMail},
        {QStringLiteral("Tab_Cessazione"),
         [](ui::Record &r) {
             const QString d = r.value(QStringLiteral("Tab_Cessazione"));
             return d.isEmpty() || QDate::fromString(d, QStringLiteral("dd/MM/yyyy")).isValid();
         },
         kMsgDate},
        municipalityExists(QStringLiteral("Tab_ComuneUbicazione"), municipality_),
        {QStringLiteral("Tab_TipoUtenza"),
         [this](ui::Record &r) {
             if (r.value(QStringLiteral("Tab_TipoUtenza")).isEmpty()) {
                 r.insert(QStringLiteral("Tab_TipoUtenza"), kDefaultKind);
                 kind_->set(kDefaultKind, kDefaultKindLabel);
                 return true;
             }
             const QVector<ui::Match> found = findKinds(r.value(QStringLiteral("Tab_TipoUtenza")), false);
             if (found.isEmpty())
                 return false;
             kind_->set(found.first().code, found.first().description);
             return true;
         },
         kMsgKind},
    };
    // A new entry is asked about for each name typed; a changed one only
    // when its name was changed since it was read.
    const QString ente = ente_;
    const QString read = readName_;
    list << duplicateQuestion(
        title,
        [ente, read, isNew](const ui::Record &r) {
            const QString name = r.value(QStringLiteral("Tab_Denominazione"));
            if (!isNew && name == read)
                return QString();
            return duplicateSql(ente, name, isNew ? 0 : r.value(QStringLiteral("Tab_Identificativo")).toLongLong());
        },
        &askedAbout_);
    list << preventionChecks();
    return list;
}

bool FrmRubrica::writeRecord(const ui::Record &record, bool isNew)
{
    setToolbarKeys(kWritingToolbar);
    ui::Record r = record;
    bool ok = true;
    if (isNew) {
        // The identifier is the first step of writing a new entry; without
        // one nothing is written.
        lastWritten_ = requestIdentifier(ente_, kTitle);
        ok = lastWritten_ > 0;
        if (ok) {
            r.insert(kId, QString::number(lastWritten_));
            setFieldText(kId, QString::number(lastWritten_));
        } else {
            showBox(boxTitle(), kMsgNoIdentifier, Icon::Warning);
            name_->setFocus();
        }
    }
    ok = ok && RecordEditor::writeRecord(r, isNew);
    if (!ok)
        setToolbarKeys(toolbarFor(editMode()));
    return ok;
}

void FrmRubrica::addColumns(F::FieldList &fields, const ui::Record &record, bool) const
{
    for (F::Field &f : fields)
        if (f.name == QLatin1String("Tab_NumeroCivico"))
            f.value = storedHouseNumber(record.value(f.name));
    fields.append({QStringLiteral("Tab_Nimbo"), QStringLiteral("S")});
    fields.append({QStringLiteral("Tab_CodOper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("Tab_DatOper"), QDate::currentDate()});
    lastWritten_ = record.value(kId).toLongLong();
}

QVector<ui::UsageCheck> FrmRubrica::usageChecks(const ui::Record &record) const
{
    const qlonglong id = record.value(kId).toLongLong();
    return {{usedByProtocolSql(ente_, id), kMsgInUse},
            {usedByGroupSql(ente_, id), kMsgInUse},
            {othersKind999Sql(ente_, id, DicAmbiente::session().op.code), kMsgInUse}};
}

void FrmRubrica::enteredMode(Mode mode)
{
    ui::setReadOnly(qobject_cast<QLineEdit *>(field(kId)));
    ui::setReadOnly(name_, false);
    protocols_->setEnabled(mode == Mode::Edit);
    if (mode != Mode::Edit) {
        municipality_->clear();
        kind_->clear();
        postal_->clear();
        nimbo_->setCurrentIndex(0);
        readName_.clear();
    }
    if (mode == Mode::New) {
        setFieldText(QStringLiteral("Tab_Attivo"), QStringLiteral("1"));
        name_->setFocus();
    }
}

void FrmRubrica::loaded(const ui::Record &record)
{
    municipality_->set(record.value(QStringLiteral("Tab_ComuneUbicazione")), record.value(QStringLiteral("Com_Comune")));
    postal_->setText(organisation::postalCodeAndProvince(record.value(QStringLiteral("Tab_ComuneUbicazione"))));
    kind_->set(record.value(QStringLiteral("Tab_TipoUtenza")), record.value(QStringLiteral("TipoDescrizione")));
    nimbo_->setCurrentIndex(record.value(QStringLiteral("Tab_Nimbo")) == QLatin1String("N") ? 1 : 0);
    readName_ = record.value(kName);
    askedAbout_ = readName_;
    // An entry that cannot be deleted (a protocol carries it, a group
    // holds it, or it is another operator's kind 999) keeps its name, so
    // that nothing sent or to be sent to it changes addressee.
    bool frozen = false;
    for (const ui::UsageCheck &u : usageChecks(record)) {
        const F::LoadedRows used = F::loadRows(QStringLiteral("PROTOCOLLO"), u.sql);
        frozen = frozen || used.ok || !used.noRows();
    }
    ui::setReadOnly(name_, frozen);
    if (frozen)
        field(QStringLiteral("Tab_Domicilio"))->setFocus();
}

void FrmRubrica::written(bool deleted)
{
    if (deleted || lastWritten_ <= 0)
        return;
    // The entry just written, again in change mode.
    openRecord({{kId, QString::number(lastWritten_)}});
    list_->select(0, QString::number(lastWritten_));
}

void FrmRubrica::showProtocols()
{
    const qlonglong id = record().value(kId).toLongLong();
    if (id <= 0)
        return;
    auto *box = new QDialog(this);
    box->setObjectName(QStringLiteral("FrmProtocolliRubrica"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("Protocolli di ") + record().value(kName));
    auto *l = new QVBoxLayout(box);
    auto *found = new ui::RowList(QStringLiteral("LwProtocolli"), box);
    found->setColumns(QStringLiteral("Tipo;Numero;Data;Ricezione;Oggetto;Privacy"), QStringLiteral("5;12;10;10;40;6"));
    found->load(protocolsOfSql(ente_, id));
    l->addWidget(found);
    box->resize(760, 420);
    box->show();
}

} // namespace nimbo::addressbook
