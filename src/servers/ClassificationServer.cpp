// Operations 303 and 304 of the protocol server: writing a dossier and
// closing a handled case (requests and replies in ClassificationRequests.h).

#include <QHash>
#include <QRegularExpression>
#include <QSqlError>
#include <limits>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "schema/Definition.h"
#include "servers/ClassificationRequests.h"
#include "servers/IterParse.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

QVariantList refusal(const QString &text) { return refusedRequest(text); }
UnitOutcome refusedUnit(const QString &text) { return {refusal(text)}; }

const QString kDossierFailure = QStringLiteral("Errore in registrazione del fascicolo: ");
const QString kCloseFailure = QStringLiteral("Errore in archiviazione della pratica: ");

// Dates a register holds: anything outside is a typing slip.
const QDate kEarliest(1900, 1, 1);
const QDate kLatest(2999, 12, 31);

QDate dateOf(const QVariant &v)
{
    if (v.isNull())
        return {};
    return v.typeId() == QMetaType::QDate ? v.toDate() : QDate::fromString(v.toString().left(10), Qt::ISODate);
}

QString shownDate(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

// ---- the row condition of a dossier ------------------------------------------------

struct DossierKey {
    QString ente, title, category, cls;
    qlonglong code = 0;
    QVariantList classBinds() const { return {ente, title, category, cls}; }
    QVariantList binds() const { return classBinds() << code; }
    QString shownClass() const { return title + QLatin1Char('.') + category + QLatin1Char('.') + cls; }
    QString shown() const { return shownClass() + QLatin1Char('.') + QString::number(code).rightJustified(5, QLatin1Char('0')); }
};

const QString kEnteCol = QStringLiteral("Tab_Ente");
const QString kTitleCol = QStringLiteral("Tab_Titolo");
const QString kCategoryCol = QStringLiteral("Tab_Categoria");
const QString kClassCol = QStringLiteral("Tab_Classe");
const QString kCodeCol = QStringLiteral("Tab_CodiceFascicolo");
const QString kDescription = QStringLiteral("Tab_Descrizione");
const QString kOpening = QStringLiteral("Tab_Apertura");
const QString kClosing = QStringLiteral("Tab_Chiusura");

bool parseDossierKey(const QString &condition, bool isNew, DossierKey *key, QString *why)
{
    QHash<QString, QString> v;
    if (!parseEqualities(condition, {kClassCol, kEnteCol, kCategoryCol, kTitleCol}, {kCodeCol}, &v)) {
        *why = QStringLiteral("Condizione di selezione del fascicolo non valida: sono ammessi solo Tab_CodiceFascicolo "
                              "(un numero), Tab_Classe, Tab_Ente, Tab_Categoria e Tab_Titolo (tra apici), ciascuno una "
                              "volta, uniti da \"AND\".");
        return false;
    }
    key->ente = v.value(kEnteCol).trimmed();
    key->title = v.value(kTitleCol).trimmed();
    key->category = v.value(kCategoryCol).trimmed();
    key->cls = v.value(kClassCol).trimmed();
    const struct {
        const QString *value;
        QString column;
    } parts[] = {{&key->ente, kEnteCol}, {&key->title, kTitleCol}, {&key->category, kCategoryCol}, {&key->cls, kClassCol}};
    for (const auto &p : parts) {
        if (const QString bad = TextCheck::problem(p.column, *p.value); !bad.isEmpty()) {
            *why = bad;
            return false;
        }
        if (p.value->isEmpty()) {
            *why = QStringLiteral("Codice mancante nella condizione di selezione del fascicolo: ") + p.column;
            return false;
        }
        const int most = Schema::entryLength(Schema::Kind::Central, QStringLiteral("Tab_Fascicoli"), p.column);
        if (most > 0 && p.value->size() > most) {
            *why = QStringLiteral("Codice troppo lungo per %1: al massimo %2 caratteri.").arg(p.column).arg(most);
            return false;
        }
    }
    bool ok = false;
    const QString digits = v.value(kCodeCol);
    key->code = digits.size() <= 10 ? digits.toLongLong(&ok) : 0;
    if (!ok || key->code > std::numeric_limits<qint32>::max()) {
        *why = QStringLiteral("Codice del fascicolo (Tab_CodiceFascicolo) fuori dai limiti: ") + digits;
        return false;
    }
    if (isNew && key->code != 0) {
        *why = QStringLiteral("Un nuovo fascicolo riceve il codice dal server: Tab_CodiceFascicolo deve essere 0 nella "
                              "condizione di selezione.");
        return false;
    }
    if (!isNew && key->code < 1) {
        *why = QStringLiteral("Codice del fascicolo da modificare (Tab_CodiceFascicolo) non valido: ") + digits;
        return false;
    }
    return true;
}

// The dossier's row as asked: its codes agree with the condition, the
// description is there and fits, the dates are dates of a register.
bool checkDossierRow(const RequestRow &row, const DossierKey &key, bool isNew, QString *why)
{
    const QString ours[] = {key.ente, key.title, key.category, key.cls};
    const QString columns[] = {kEnteCol, kTitleCol, kCategoryCol, kClassCol};
    for (int i = 0; i < 4; ++i)
        if (row.filled(columns[i]) && row.text(columns[i]).compare(ours[i], Qt::CaseInsensitive) != 0) {
            *why = QStringLiteral("Il valore di %1 (%2) non corrisponde alla condizione di selezione (%3).")
                       .arg(columns[i], row.text(columns[i]), ours[i]);
            return false;
        }
    if (row.filled(kCodeCol) && row.get(kCodeCol).toLongLong() != key.code && !(isNew && row.get(kCodeCol).toLongLong() == 0)) {
        *why = QStringLiteral("Il codice del fascicolo (Tab_CodiceFascicolo) non corrisponde alla condizione di "
                              "selezione: il codice di un fascicolo non cambia.");
        return false;
    }
    if (!row.filled(kDescription)) {
        *why = QStringLiteral("Descrizione del fascicolo (Tab_Descrizione) mancante: inserire la descrizione del "
                              "fascicolo");
        return false;
    }
    const int most = Schema::entryLength(Schema::Kind::Central, QStringLiteral("Tab_Fascicoli"), kDescription);
    if (row.text(kDescription).size() > most) {
        *why = QStringLiteral("Descrizione del fascicolo (Tab_Descrizione) troppo lunga: al massimo %1 caratteri.")
                   .arg(most);
        return false;
    }
    for (const QString &c : {kOpening, kClosing}) {
        const QDate d = dateOf(row.get(c));
        if (d.isValid() && (d < kEarliest || d > kLatest)) {
            *why = QStringLiteral("Data %1 (%2) fuori dall'intervallo ammesso (%3 - %4): inserire una data corretta")
                       .arg(c == kOpening ? QStringLiteral("di apertura") : QStringLiteral("di chiusura"), c,
                            shownDate(kEarliest), shownDate(kLatest));
            return false;
        }
    }
    return true;
}

QString closingBeforeOpening()
{
    return QStringLiteral("Data di chiusura (Tab_Chiusura): la data di chiusura fascicolo non può essere minore della "
                          "data di apertura fascicolo");
}

// ---- the movement that closes a case -------------------------------------------------

const QRegularExpression &elevenDigits()
{
    static const QRegularExpression re(QStringLiteral("^\\d{11}$"));
    return re;
}

struct CloseRequest {
    RequestRow row;
    iterrequest::Protocol protocol;
    QString note, office, op;
    QDate closing;
};

bool parseClose(const QVariantList &params, CloseRequest *r, QString *why)
{
    if (params.size() != 1) {
        *why = QStringLiteral("Richiesta di archiviazione non valida: è atteso un solo elemento (l'elenco delle colonne).");
        return false;
    }
    const Schema::Table *iter = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Iter_Documento"));
    if (!readRequestRow(params[0], iter, &r->row, why))
        return false;
    RequestRow &row = r->row;
    row.trimTexts();
    // What the server sets: a request may repeat it, never choose otherwise.
    if (row.filled(QStringLiteral("Tab_DataSerialeMov"))) {
        *why = QStringLiteral("La chiave del movimento (Tab_DataSerialeMov) è data dal server: non va indicata.");
        return false;
    }
    if (row.filled(QStringLiteral("Tab_TipoMovimento")) && row.get(QStringLiteral("Tab_TipoMovimento")).toLongLong() != 5) {
        *why = QStringLiteral("Tipo di movimento (Tab_TipoMovimento) non ammesso: l'archiviazione scrive il tipo 5.");
        return false;
    }
    if (row.filled(QStringLiteral("Tab_InCarico")) && row.text(QStringLiteral("Tab_InCarico")) != QLatin1String("N")) {
        *why = QStringLiteral("Una pratica archiviata non resta in carico: Tab_InCarico deve essere N.");
        return false;
    }
    r->protocol.ente = row.text(kEnteCol);
    r->protocol.direction = row.text(QStringLiteral("Tab_TipoProtocollo")).toUpper();
    r->protocol.number = row.text(QStringLiteral("Tab_NumeroProtocollo"));
    r->note = row.text(QStringLiteral("Tab_ProtoEvasione"));
    r->office = row.text(QStringLiteral("Tab_Ufficio"));
    if (r->protocol.ente.isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: Tab_Ente");
        return false;
    }
    if (r->protocol.direction != QLatin1String("E") && r->protocol.direction != QLatin1String("U")) {
        *why = QStringLiteral("Tipo protocollo (Tab_TipoProtocollo) non valido: deve essere E (Entrata) o U (Uscita).");
        return false;
    }
    if (!elevenDigits().match(r->protocol.number).hasMatch()) {
        *why = QStringLiteral("Numero del protocollo da archiviare (Tab_NumeroProtocollo) non valido: ")
               + r->protocol.number;
        return false;
    }
    if (!elevenDigits().match(r->note).hasMatch()) {
        *why = QStringLiteral("Numero di protocollo della nota di chiusura (Tab_ProtoEvasione) non valido: ") + r->note;
        return false;
    }
    if (r->note == r->protocol.number) {
        *why = QStringLiteral("Nota di chiusura (Tab_ProtoEvasione): il numero di protocollo della nota di chiusura deve "
                              "essere diverso da quello del documento da archiviare.");
        return false;
    }
    if (r->office.isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: Tab_Ufficio");
        return false;
    }
    r->closing = dateOf(row.get(QStringLiteral("Tab_DataChiusuraProcedimento")));
    if (!r->closing.isValid() || r->closing < kEarliest) {
        *why = QStringLiteral("Data di chiusura (Tab_DataChiusuraProcedimento): inserire una data corretta");
        return false;
    }
    const QDate due = dateOf(row.get(QStringLiteral("Tab_DataEvasione")));
    if (due.isValid() && (due < kEarliest || due > kLatest)) {
        *why = QStringLiteral("Data di evasione (Tab_DataEvasione) fuori dall'intervallo ammesso: inserire una data "
                              "corretta");
        return false;
    }
    const QString asked = row.filled(QStringLiteral("Tab_CodiceOpe")) ? row.text(QStringLiteral("Tab_CodiceOpe"))
                                                                      : row.text(QStringLiteral("Tab_CodOper"));
    r->op = writerOf(asked);
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Codice operatore (Tab_CodiceOpe) mancante nella richiesta.");
        return false;
    }
    return true;
}

// The body, its active operator and, when named, an office of the body:
// who asks must exist before anything is written.
RequestUnit::Check requester(RequestUnit &unit, const QString &ente, const QString &op, const QString &opColumn,
                             const QString &office)
{
    const RequestUnit::Check operatorOk = unit.operatorCheck(
        op, ente, true, QStringLiteral("Operatore (%1) sconosciuto o non attivo per l'ente: ").arg(opColumn));
    return [&unit, ente, office, operatorOk](QSqlQuery *&q) -> std::optional<QString> {
        bool found = false;
        if (!unit.exists(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {ente}, &found))
            return std::nullopt;
        if (!found)
            return QStringLiteral("Ente sconosciuto (Tab_Ente): ") + ente;
        const std::optional<QString> refused = operatorOk(q);
        if (!refused || !refused->isEmpty() || office.isEmpty())
            return refused;
        if (!unit.exists(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ? AND Tab_Ufficio = ?"),
                         {ente, office}, &found))
            return std::nullopt;
        return found ? QString() : QStringLiteral("Ufficio (Tab_Ufficio) sconosciuto per l'ente: ") + office;
    };
}

} // namespace

QVariantList ProtocolServer::dossier(const QVariantList &params)
{
    if (params.size() != 3)
        return refusal(QStringLiteral("Richiesta del fascicolo non valida: sono attesi 3 elementi (operazione, "
                                      "condizione, elenco delle colonne)."));
    const QString mode = params[0].toString().trimmed().toUpper();
    if (!isPlainValue(params[0]) || (mode != QLatin1String("A") && mode != QLatin1String("R")))
        return refusal(QStringLiteral("Tipo di operazione non previsto: ") + params[0].toString()
                       + QStringLiteral(" (attesi \"A\" o \"R\")."));
    const bool isNew = mode == QLatin1String("A");
    QString why;
    DossierKey key;
    if (!isPlainValue(params[1]) || !parseDossierKey(params[1].toString(), isNew, &key, &why))
        return refusal(why.isEmpty() ? QStringLiteral("Condizione di selezione del fascicolo non valida.") : why);
    RequestRow row;
    if (!readRequestRow(params[2], Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Fascicoli")), &row, &why))
        return refusal(why);
    row.trimTexts();
    if (!checkDossierRow(row, key, isNew, &why))
        return refusal(why);
    const QString op = writerOf(row.text(QStringLiteral("Tab_CodOper")));
    if (op.isEmpty())
        return refusal(QStringLiteral("Codice operatore (Tab_CodOper) mancante nella richiesta."));
    if (const QString bad = TextCheck::problem(QStringLiteral("codice operatore"), op); !bad.isEmpty())
        return refusal(bad);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    const QString where = QStringLiteral(" WHERE Tab_Ente = ? AND Tab_Titolo = ? AND Tab_Categoria = ? AND Tab_Classe = ? "
                                         "AND Tab_CodiceFascicolo = ?");
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kDossierFailure);
        if (auto stop = unit.open(requester(unit, key.ente, op, QStringLiteral("Tab_CodOper"), QString())))
            return *stop;
        QSqlQuery *&q = unit.q;
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        const QDate today = now.date();

        QDate opening = dateOf(row.get(kOpening));
        const QDate closing = dateOf(row.get(kClosing));
        qlonglong code = key.code;
        if (isNew) {
            // The class is held until the commit: a deactivation that
            // closes its dossiers waits and then closes this one too.
            // A class switched on again under a title or category still off
            // opens nothing either.
            if (!unit.run(QStringLiteral("SELECT k.Tab_Attivo, c.Tab_Attivo, t.Tab_Attivo FROM Tab_Classe k "
                                         "LEFT JOIN Tab_Categoria c ON c.Tab_Ente = k.Tab_Ente AND c.Tab_CodiceTitolo = "
                                         "k.Tab_CodiceTitolo AND c.Tab_Codice = k.Tab_CodiceCategoria "
                                         "LEFT JOIN Tab_Titolo t ON t.Tab_Ente = k.Tab_Ente AND t.Tab_Codice = "
                                         "k.Tab_CodiceTitolo WHERE k.Tab_Ente = ? AND k.Tab_CodiceTitolo = ? AND "
                                         "k.Tab_CodiceCategoria = ? AND k.Tab_Codice = ?")
                              + (pg ? QStringLiteral(" FOR SHARE OF k") : QString()),
                          key.classBinds()))
                return unit.failed();
            const bool found = q->next();
            const bool active = found && q->value(0).toLongLong() == 1 && q->value(1).toLongLong() == 1
                                && q->value(2).toLongLong() == 1;
            q->finish();
            if (!found)
                return refusedUnit(QStringLiteral("La classe (Tab_Classe) %1 non è presente in archivio.").arg(key.shownClass()));
            if (!active)
                return refusedUnit(QStringLiteral("La classe (Tab_Classe) %1 non è attiva: non vi si aprono nuovi fascicoli.")
                                       .arg(key.shownClass()));
            if (!opening.isValid())
                opening = today;
            if (closing.isValid() && closing < opening)
                return refusedUnit(closingBeforeOpening());
            // The class's next code, its counter row locked until the commit.
            if (!unit.run(QStringLiteral("INSERT INTO Tab_ContatoreFascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, "
                                         "Tab_Classe, Tab_UltimoFascicolo) VALUES (?, ?, ?, ?, 1) ON CONFLICT (Tab_Ente, "
                                         "Tab_Titolo, Tab_Categoria, Tab_Classe) DO UPDATE SET Tab_UltimoFascicolo = "
                                         "Tab_ContatoreFascicoli.Tab_UltimoFascicolo + 1 RETURNING Tab_UltimoFascicolo"),
                          key.classBinds())
                || !q->next())
                return unit.failed();
            code = q->value(0).toLongLong();
            q->finish();
            if (code > std::numeric_limits<qint32>::max())
                return refusedUnit(QStringLiteral("Codici dei fascicoli esauriti per la classe ") + key.shownClass());
            if (!unit.run(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                                         "Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_Chiusura, Tab_CodOper, "
                                         "Tab_DatOper) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                          key.classBinds()
                              << code << row.text(kDescription) << opening.toString(Qt::ISODate)
                              << (closing.isValid() ? QVariant(closing.toString(Qt::ISODate))
                                                    : QVariant(QMetaType(QMetaType::QString)))
                              << op << today.toString(Qt::ISODate)))
                return unit.failed();
            return unit.commit({F::kStatusOk, QString(), code});
        }

        if (!unit.run(QStringLiteral("SELECT Tab_Apertura FROM Tab_Fascicoli") + where
                          + (pg ? QStringLiteral(" FOR NO KEY UPDATE") : QString()),
                      key.binds()))
            return unit.failed();
        if (!q->next()) {
            q->finish();
            return refusedUnit(QStringLiteral("Il fascicolo (Tab_CodiceFascicolo) %1 non è presente in archivio: modifica "
                                              "non effettuata.")
                                   .arg(key.shown()));
        }
        const QDate stored = dateOf(q->value(0));
        q->finish();
        // An opening date left empty keeps the one the dossier has.
        if (!opening.isValid())
            opening = stored;
        const bool closingGiven = row.has(kClosing);
        if (closing.isValid() && opening.isValid() && closing < opening)
            return refusedUnit(closingBeforeOpening());
        QString sets = QStringLiteral("Tab_Descrizione = ?, Tab_Apertura = ?, Tab_CodOper = ?, Tab_DatOper = ?");
        QVariantList binds{row.text(kDescription),
                           opening.isValid() ? QVariant(opening.toString(Qt::ISODate)) : QVariant(QMetaType(QMetaType::QString)),
                           op, today.toString(Qt::ISODate)};
        if (closingGiven) {
            sets += QStringLiteral(", Tab_Chiusura = ?");
            binds << (closing.isValid() ? QVariant(closing.toString(Qt::ISODate)) : QVariant(QMetaType(QMetaType::QString)));
        }
        if (!unit.run(QStringLiteral("UPDATE Tab_Fascicoli SET ") + sets + where, binds + key.binds()))
            return unit.failed();
        return unit.commit({F::kStatusOk, QString(), code});
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::closeCase(const QVariantList &params)
{
    CloseRequest r;
    QString why;
    if (!parseClose(params, &r, &why))
        return refusal(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    const QVariantList key = r.protocol.binds();
    const QString shown = iterrequest::shown(r.protocol);
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kCloseFailure);
        if (auto stop = unit.open(requester(unit, r.protocol.ente, r.op, QStringLiteral("Tab_CodiceOpe"), r.office)))
            return *stop;
        QSqlQuery *&q = unit.q;
        bool found = false;
        QDate date;
        QString state;
        // Under the protocol's lock the second of two closings sees the
        // first one's movement and is refused.
        if (!lockProtocol(q, key, &found, &date, &state))
            return unit.failed();
        if (!found)
            return refusedUnit(QStringLiteral("Il protocollo da archiviare (Tab_NumeroProtocollo) N. ") + shown
                               + QStringLiteral(" non esiste in archivio."));
        if (state == QLatin1String("C"))
            return refusedUnit(QStringLiteral("Il protocollo da archiviare (Tab_NumeroProtocollo) N. ") + shown
                               + QStringLiteral(" è annullato."));
        if (!unit.exists(QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento WHERE Tab_Ente = ? AND "
                                        "Tab_TipoProtocollo = ? AND Tab_NumeroProtocollo = ? AND Tab_TipoMovimento = 5"),
                         key, &found))
            return unit.failed();
        if (found)
            return refusedUnit(QStringLiteral("Pratica Evasa: il documento di protocollo N. ") + shown
                               + QStringLiteral(" è già stato archiviato."));
        // The note is held too, so that it cannot be cancelled before the
        // commit.
        if (!unit.run(QStringLiteral("SELECT Tab_DataProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ? AND "
                                     "Tab_NumeroProtocollo = ? AND Tab_StatoProtocollo <> 'C'")
                          + (pg ? QStringLiteral(" FOR SHARE") : QString()),
                      {r.protocol.ente, r.note}))
            return unit.failed();
        found = q->next();
        const QDate noteDate = found ? dateOf(q->value(0)) : QDate();
        q->finish();
        if (!found)
            return refusedUnit(QStringLiteral("Nota di chiusura (Tab_ProtoEvasione) N. %1: il protocollo inserito non "
                                              "esiste in archivio o è stato annullato")
                                   .arg(r.note));
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        if (r.closing > now.date())
            return refusedUnit(QStringLiteral("Data di chiusura (Tab_DataChiusuraProcedimento): la data di chiusura non può "
                                              "essere maggiore della data corrente"));
        if (noteDate.isValid() && r.closing < noteDate)
            return refusedUnit(QStringLiteral("Data di chiusura (Tab_DataChiusuraProcedimento): la data di chiusura non può "
                                              "essere minore della data di protocollazione del documento di chiusura"));
        if (date.isValid() && r.closing < date)
            return refusedUnit(QStringLiteral("Data di chiusura (Tab_DataChiusuraProcedimento): la data di chiusura non può "
                                              "essere minore della data di protocollazione del documento"));
        if (date.isValid() && noteDate.isValid() && date > noteDate)
            return refusedUnit(QStringLiteral("La data di protocollo da evadere non può essere maggiore della data di "
                                              "protocollazione del documento di chiusura (%1)")
                                   .arg(shownDate(noteDate)));
        QString movement;
        if (!freeMovementKey(q, key, now, &movement))
            return unit.failed();
        RequestRow w = r.row;
        w.set(kEnteCol, r.protocol.ente);
        w.set(QStringLiteral("Tab_TipoProtocollo"), r.protocol.direction);
        w.set(QStringLiteral("Tab_DataSerialeMov"), movement);
        w.set(QStringLiteral("Tab_TipoMovimento"), 5);
        w.set(QStringLiteral("Tab_InCarico"), QStringLiteral("N"));
        w.set(QStringLiteral("Tab_CodiceOpe"), r.op);
        w.set(QStringLiteral("Tab_CodOper"), r.op);
        w.set(QStringLiteral("Tab_DatOper"), now.date().toString(Qt::ISODate));
        QStringList names, marks;
        QVariantList binds;
        for (const auto &[c, v] : w.values) {
            names << c->name;
            marks << QStringLiteral("?");
            binds << v;
        }
        if (!unit.run(QStringLiteral("INSERT INTO Tab_Iter_Documento (") + names.join(QLatin1Char(','))
                          + QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                      binds))
            return unit.failed();
        return unit.commit({F::kStatusOk, QString(), movement});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
