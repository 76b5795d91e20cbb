#include "emergency/FrmAnaRegistriEme.h"
#include "emergency/Emergency.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>

#include "emergency/EmergencyRules.h"
#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "servers/EmergencyRequests.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::emergency {
namespace {

const QString kEnte = QStringLiteral("Tab_Ente");
const QString kYear = QStringLiteral("Tab_AnnoRegistro");
const QString kType = QStringLiteral("Tab_TipoRegistro");
const QString kId = QStringLiteral("Tab_IDRegistro");
const QString kNumber = QStringLiteral("Tab_NumeroRegistro");
const QString kNotes = QStringLiteral("Tab_NoteRegistro");
const QString kDate = QStringLiteral("Tab_DataIstituzione");
const QString kTime = QStringLiteral("Tab_OraIstituzione");
// The list's first column, "2007/T/ABCD".
const QString kShown = QStringLiteral("Registro");

QString ente() { return DicAmbiente::session().op.ente; }

bool found(const QString &sql) { return F::Caricadati(kCentral, sql).has_value(); }

QLineEdit *edit(QWidget *parent, const char *name, int chars, bool upper)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    ui::makeCodeField(e, chars, upper);
    return e;
}

} // namespace

FrmAnaRegistriEme::FrmAnaRegistriEme(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmAnaRegistriEme"));
    setWindowTitle(QStringLiteral("Gestione Anagrafe Registri Emergenza"));
    setBoxTitle(QStringLiteral("Anagrafe Registri di Emergenza"));
    setTable(QStringLiteral("Tab_AnaRegistriEme"));
    setContext(kEnte, ente());
    setDeletable(true);
    setLoadFailure(QStringLiteral("Errore! Il registro richiesto non è presente in archivio."));
    setDeleteFailure(QStringLiteral("ATTENZIONE! Errore in cancellazione Anagrafe Registro di Emergenza"));

    auto *search = new ui::FormGroup(QStringLiteral("Ricerca Registri"), this);
    paper_ = new QCheckBox(QStringLiteral("Cartacei"), search);
    paper_->setObjectName(QStringLiteral("ChkCartacei"));
    electronic_ = new QCheckBox(QStringLiteral("Telematici"), search);
    electronic_->setObjectName(QStringLiteral("ChkTelematici"));
    paper_->setChecked(true);
    electronic_->setChecked(true);
    search->addRow(QStringLiteral("Tipo"), {paper_, electronic_});
    findYear_ = edit(search, "txtanno", 4, false);
    search->addRow(QStringLiteral("Relativi all'anno:"), {findYear_});
    findCode_ = edit(search, "TxtCodice", 4, true);
    auto *go = new QPushButton(QStringLiteral("Avvia Ricerca"), search);
    go->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    search->addRow(QStringLiteral("Identificati dal codice:"), {findCode_});
    search->addRow(QString(), {go});
    list_ = new ui::RowList(QStringLiteral("LwRegistri"), this);
    list_->setColumns(QStringLiteral("Identificativo Registro;Progr.;Descrizione;Data Istituzione;Ora Istituzione"),
                      QStringLiteral("14;7;45;10;7"));
    list_->setFitToWidth(true);
    connect(go, &QPushButton::clicked, this, [this] { reloadList(); });
    for (QLineEdit *e : {findYear_, findCode_})
        connect(e, &QLineEdit::returnPressed, this, [this] { reloadList(); });

    auto *detail = new ui::FormGroup(QStringLiteral("Registro di Emergenza"), this);
    year_ = edit(detail, "TxtAReg", 4, false);
    type_ = edit(detail, "TxtTreg", 1, true);
    detail->addRow(QStringLiteral("Anno"), {year_, QStringLiteral("Tipo (C/T)"), type_});
    id_ = edit(detail, "TxtIdReg", 4, true);
    auto *station = new ui::DescriptionLabel(detail);
    station->setObjectName(QStringLiteral("LblPostazione"));
    detail->addCodeRow(QStringLiteral("Identificativo"), id_, station);
    number_ = edit(detail, "TxtNreg", 4, false);
    detail->addRow(QStringLiteral("Progr."), {number_});
    notes_ = new QLineEdit(detail);
    notes_->setObjectName(QStringLiteral("NoteA"));
    detail->addRow(QStringLiteral("Descrizione"), {ui::Cell(notes_, 1)});
    date_ = new ui::DateField(detail);
    date_->setObjectName(QStringLiteral("DataA"));
    time_ = edit(detail, "OraA", 5, false);
    detail->addRow(QStringLiteral("Data Istituzione"), {date_, QStringLiteral("Ora"), time_});

    pick_ = new ui::PickList(this);
    pick_->setObjectName(QStringLiteral("ListDecod"));
    idLookup_ = new ui::CodeLookup(id_, station, pick_, [](const QString &typed, bool) {
        QVector<ui::Match> out;
        const F::LoadedRows rows = F::loadRows(
            kCentral, QStringLiteral("SELECT ID_Postazione, Descrizione FROM Tab_Postazioni WHERE Ente = ")
                          + ui::sqlText(ente()) + QStringLiteral(" AND ID_Postazione LIKE ")
                          + ui::sqlText(typed.trimmed().toUpper() + QLatin1Char('%'))
                          + QStringLiteral(" ORDER BY Descrizione"));
        for (int r = 0; rows.ok && r < rows.rowCount(); ++r)
            out.append({rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed(), QString()});
        return out;
    }, this);
    idLookup_->setPicksAmongCodes(true);

    bind(kYear, year_, Kind::Text, true);
    bind(kType, type_, Kind::Text, true);
    bind(kId, id_, Kind::Text, true);
    bind(kNumber, number_, Kind::Number, true);
    bind(kNotes, notes_);
    bind(kDate, date_, Kind::Date);
    bind(kTime, time_);
    setList(list_, [this] { return searchQuery(); }, {{kShown, 0}, {kNumber, 1}});
    setLoad([](const ui::Record &k) {
        // Chosen from the list the key is "2007/T/ABCD"; opened otherwise it
        // comes column by column.
        const QStringList parts = k.value(kShown).split(QLatin1Char('/'));
        const auto part = [&](int i, const QString &column) {
            return parts.size() == 3 ? parts.at(i).trimmed() : k.value(column);
        };
        return QStringLiteral("SELECT Tab_AnnoRegistro, Tab_TipoRegistro, Tab_IDRegistro, Tab_NumeroRegistro, "
                              "Tab_NoteRegistro, Tab_DataIstituzione, Tab_OraIstituzione FROM Tab_AnaRegistriEme "
                              "WHERE Tab_Ente = ")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" AND Tab_AnnoRegistro = ") + ui::sqlText(part(0, kYear))
               + QStringLiteral(" AND Tab_TipoRegistro = ") + ui::sqlText(part(1, kType))
               + QStringLiteral(" AND Tab_IDRegistro = ") + ui::sqlText(part(2, kId))
               + QStringLiteral(" AND Tab_NumeroRegistro = ") + QString::number(k.value(kNumber).toLongLong());
    },
            {kYear, kType, kId, kNumber, kNotes, kDate, kTime});
    arrangeSearch(new QLabel(QStringLiteral("ANAGRAFE REGISTRI DI EMERGENZA"), this), search, list_, detail);
    reloadList();
}

QString FrmAnaRegistriEme::searchQuery() const
{
    QString sql = QStringLiteral("SELECT Tab_AnnoRegistro || '/' || Tab_TipoRegistro || '/' || Tab_IDRegistro, "
                                 "Tab_NumeroRegistro, Tab_NoteRegistro, Tab_DataIstituzione, Tab_OraIstituzione "
                                 "FROM Tab_AnaRegistriEme WHERE Tab_Ente = ")
                  + ui::sqlText(ente());
    if (paper_->isChecked() != electronic_->isChecked())
        sql += QStringLiteral(" AND Tab_TipoRegistro = ") + ui::sqlText(paper_->isChecked() ? QStringLiteral("C") : QStringLiteral("T"));
    if (const QString y = findYear_->text().trimmed(); !y.isEmpty())
        sql += QStringLiteral(" AND Tab_AnnoRegistro = ") + ui::sqlText(y);
    if (const QString c = findCode_->text().trimmed(); !c.isEmpty())
        sql += QStringLiteral(" AND Tab_IDRegistro LIKE ") + ui::sqlText(QLatin1Char('%') + c.toUpper() + QLatin1Char('%'));
    return sql + QStringLiteral(" ORDER BY Tab_AnnoRegistro DESC, Tab_TipoRegistro DESC, Tab_IDRegistro DESC, "
                                "Tab_NumeroRegistro DESC");
}

ui::CheckList FrmAnaRegistriEme::checks(bool isNew) const
{
    const auto v = [](const ui::Record &r, const QString &c) { return r.value(c).trimmed(); };
    const auto electronic = [v](const ui::Record &r) { return v(r, kType) == QLatin1String("T"); };
    ui::CheckList c{
        {kYear, [v](ui::Record &r) {
             static const QRegularExpression year(QStringLiteral("^(19|20)\\d{2}$"));
             return year.match(v(r, kYear)).hasMatch();
         },
         QStringLiteral("Inserire un anno corretto.")},
        {kType, [v](ui::Record &r) {
             r[kType] = v(r, kType).toUpper();
             return r[kType] == QLatin1String("C") || r[kType] == QLatin1String("T");
         },
         QStringLiteral("specificare 'C' per registro cartaceo, 'T' per registro telematico.")},
        {kId, [v](ui::Record &r) { return !v(r, kId).isEmpty(); },
         QStringLiteral("specificare il codice identificativo del registro.")},
        {kId, [v](ui::Record &r) { return v(r, kId).size() == 4; },
         QStringLiteral("Il codice identificativo del registro deve essere di 4 caratteri")},
        // Whatever reached the field, the identifier is kept in upper case.
        {kId, [v](ui::Record &r) {
             r[kId] = v(r, kId).toUpper();
             return true;
         },
         QString()},
        {kNumber, [v, electronic](ui::Record &r) {
             // An electronic register is always number 1.
             if (electronic(r))
                 r[kNumber] = QStringLiteral("1");
             bool ok = false;
             return v(r, kNumber).toLongLong(&ok) > 0 && ok;
         },
         QStringLiteral("Inserire un valore numerico.")},
        {kId, [v, electronic](ui::Record &r) {
             return !electronic(r)
                    || found(QStringLiteral("SELECT ID_Postazione FROM Tab_Postazioni WHERE Ente = ") + ui::sqlText(v(r, kEnte))
                             + QStringLiteral(" AND ID_Postazione = ") + ui::sqlText(v(r, kId)));
         },
         QStringLiteral("Il Codice Postazione specificato non è tra quelli abilitati all'utilizzo della procedura")}};
    if (isNew)
        c.append({kId, [v, electronic](ui::Record &r) {
                      return !electronic(r)
                             || !found(QStringLiteral("SELECT Tab_IDRegistro FROM Tab_AnaRegistriEme WHERE Tab_Ente = ")
                                       + ui::sqlText(v(r, kEnte)) + QStringLiteral(" AND Tab_AnnoRegistro = ")
                                       + ui::sqlText(v(r, kYear)) + QStringLiteral(" AND Tab_TipoRegistro = 'T' AND "
                                                                                   "Tab_IDRegistro = ")
                                       + ui::sqlText(v(r, kId)) + QStringLiteral(" AND Tab_NumeroRegistro = 1"));
                  },
                  QStringLiteral("Attenzione! Esiste già un registro per la postazione e l'anno specificati.")});
    c.append({kNotes, [v](ui::Record &r) { return !v(r, kNotes).isEmpty(); },
              QStringLiteral("inserire la descrizione del registro di emergenza.")});
    c.append({kDate, [v](ui::Record &r) { return typedDate(v(r, kDate)).isValid(); },
              QStringLiteral("Inserire la data di istituzione del registro!")});
    c.append({kTime, [v](ui::Record &r) { return typedTime(v(r, kTime)); },
              QStringLiteral("Inserire l'ora di istituzione del registro!")});
    return c;
}

QVector<ui::UsageCheck> FrmAnaRegistriEme::usageChecks(const ui::Record &r) const
{
    return {{QStringLiteral("SELECT ses_progr FROM Tab_SessioniEmergenza WHERE ses_Ente = ") + ui::sqlText(r.value(kEnte))
                 + QStringLiteral(" AND ses_AnnoRegistro = ") + ui::sqlText(r.value(kYear))
                 + QStringLiteral(" AND ses_TipoRegistro = ") + ui::sqlText(r.value(kType))
                 + QStringLiteral(" AND ses_IDRegistro = ") + ui::sqlText(r.value(kId))
                 + QStringLiteral(" AND ses_NumeroRegistro = ") + QString::number(r.value(kNumber).toLongLong()),
             QStringLiteral("Cancellazione non possibile. Esistono informazioni correlate al registro in esame.")}};
}

void FrmAnaRegistriEme::enteredMode(Mode mode)
{
    setWindowTitle(mode == Mode::Browse ? QStringLiteral("Gestione Anagrafe Registri Emergenza")
                                        : QStringLiteral("Gestione Registri Emergenza"));
    if (mode == Mode::New)
        idLookup_->clear();
}

void FrmAnaRegistriEme::loaded(const ui::Record &r) { idLookup_->refresh(); (void)r; }

QString FrmAnaRegistriEme::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;NUOVO;AVVIA RICERCA");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;AVVIA RICERCA");
    case Mode::Edit:
        return justWritten_ ? QStringLiteral("ESCI;NUOVO;REGISTRA")
                            : QStringLiteral("ESCI;REGISTRA;CANCELLA;NUOVO;AVVIA RICERCA");
    }
    return {};
}

bool FrmAnaRegistriEme::writeRecord(const ui::Record &r, bool isNew)
{
    RegisterRecord rec;
    const ui::Record k = isNew ? r : key();
    rec.key = {k.value(kEnte, ente()), k.value(kYear), k.value(kType), k.value(kId), k.value(kNumber).toLongLong()};
    rec.notes = r.value(kNotes);
    rec.instituted = typedDate(r.value(kDate));
    rec.time = r.value(kTime);
    const CallOutcome out = callProtocolServer(kOpRegistroEmergenza,
                                               registerRequest(isNew ? QStringLiteral("A") : QStringLiteral("R"), rec,
                                                               DicAmbiente::session().op.code),
                                               QStringLiteral("OLE - Protocollo Documenti"));
    if (!out.ok()) {
        reportFailure(out, boxTitle(), QStringLiteral("Server Ole, Errore in Registrazione Registro "),
                      QStringLiteral("RegistraRegistro"));
        showBox(boxTitle(), QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"), Icon::Critical);
        return false;
    }
    showBox(boxTitle(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"), Icon::Information);
    lastWritten_ = {{kYear, rec.key.year}, {kType, rec.key.type}, {kId, rec.key.id},
                    {kNumber, QString::number(rec.key.number)}};
    return true;
}

void FrmAnaRegistriEme::written(bool deleted)
{
    if (deleted || lastWritten_.isEmpty())
        return;
    // The register just written stays on screen for changes.
    const ui::Record k = lastWritten_;
    lastWritten_.clear();
    justWritten_ = true;
    openRecord(k);
    justWritten_ = false;
    list_->select(0, k.value(kYear) + QLatin1Char('/') + k.value(kType) + QLatin1Char('/') + k.value(kId));
}

void FrmAnaRegistriEme::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("AVVIA RICERCA"))
        reloadList();
    else
        RecordEditor::ELABORATBAR(key);
}

} // namespace nimbo::emergency
