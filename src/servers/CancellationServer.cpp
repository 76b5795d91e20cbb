// Operation 15 of the protocol server: the cancellation of a protocol
// (request and reply in CancellationRequests.h).

#include <QRegularExpression>
#include <QSqlError>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "schema/Definition.h"
#include "servers/CancellationRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"
#include "session/DicAmbiente.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore in annullamento protocollo: ");
const QString kEnte = QStringLiteral("Tab_Ente");
const QString kTipo = QStringLiteral("Tab_TipoProtocollo");
const QString kNumero = QStringLiteral("Tab_NumeroProtocollo");
const QString kReason = QStringLiteral("Tab_MotivoCancellazione");
const QString kNotes = QStringLiteral("Tab_NoteCancellazione");
const QString kOffice = QStringLiteral("Tab_UfficioCancellazione");
const QString kState = QStringLiteral("Tab_StatoProtocollo");
const QStringList kAct = {QStringLiteral("Tab_TipoProvvCancellazione"), QStringLiteral("Tab_NumeroProvvCancellazione"),
                          QStringLiteral("Tab_DataProvvCancellazione")};
// What the server fills in itself, whatever the request says.
const QStringList kDecidedHere = {QStringLiteral("Tab_DataCancellazione"), QStringLiteral("Tab_CodiceOpeCanc"),
                                  QStringLiteral("Tab_CodOper"), QStringLiteral("Tab_DatOper")};

struct CancelRequest {
    QString ente, direction, number, op, office, reason, notes;
    QString actType, actNumber;
    QVariant actDate; // ISO text or null
    QVariantList key() const { return {ente, direction, number}; }
    QString shown() const { return direction + QStringLiteral(" N. ") + number.left(4) + QLatin1Char('-') + number.mid(4); }
};

bool parseCancellation(const QVariantList &params, CancelRequest *r, QString *why)
{
    if (params.size() != 6) {
        *why = QStringLiteral("Richiesta di annullamento non valida: sono attesi 6 elementi (operazione, protocollo, "
                              "colonne, operatore, data e ora, ufficio protocollo).");
        return false;
    }
    if (!isPlainValue(params[0]) || params[0].toString().trimmed().toUpper() != QLatin1String("R")) {
        *why = QStringLiteral("Tipo di operazione non previsto per l'annullamento: ") + params[0].toString()
               + QStringLiteral(" (atteso \"R\").");
        return false;
    }
    QHash<QString, QString> key;
    if (!isPlainValue(params[1]) || !parseEqualities(params[1].toString(), {kEnte, kTipo, kNumero}, {}, &key)) {
        *why = QStringLiteral("Condizione di selezione non valida: sono ammessi solo Tab_Ente, Tab_TipoProtocollo e "
                              "Tab_NumeroProtocollo confrontati con un valore tra apici e uniti da \"and\".");
        return false;
    }
    if (!requestText(key.value(kEnte), kEnte, true, &r->ente, why)
        || !requestText(key.value(kTipo), kTipo, true, &r->direction, why))
        return false;
    r->direction = r->direction.toUpper();
    if (r->direction != QLatin1String("E") && r->direction != QLatin1String("U")) {
        *why = QStringLiteral("Tipo protocollo (Tab_TipoProtocollo) non valido: ") + r->direction
               + QStringLiteral(" (attesi E o U).");
        return false;
    }
    r->number = key.value(kNumero).trimmed();
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (!elevenDigits.match(r->number).hasMatch()) {
        *why = QStringLiteral("Numero di protocollo (Tab_NumeroProtocollo) non valido: ") + r->number
               + QStringLiteral(" (attese 11 cifre).");
        return false;
    }

    const Schema::Table *table = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Protocollo"));
    RequestRow row;
    if (!readRequestRow(params[2], table, &row, why))
        return false;
    const QStringList allowed = QStringList{kReason, kNotes, kOffice, kState} + kAct + kDecidedHere;
    for (const auto &[column, value] : row.values)
        if (!allowed.contains(column->name)) {
            *why = QStringLiteral("Colonna non ammessa nell'annullamento di un protocollo: ") + column->name;
            return false;
        }
    row.trimTexts();
    if (row.has(kState) && row.text(kState) != QLatin1String("C")) {
        *why = QStringLiteral("Stato del protocollo (Tab_StatoProtocollo) non valido per l'annullamento: ")
               + row.text(kState) + QStringLiteral(" (atteso C).");
        return false;
    }
    r->reason = row.text(kReason);
    if (r->reason.isEmpty()) {
        *why = QStringLiteral("Motivo di cancellazione (Tab_MotivoCancellazione) mancante nella richiesta.");
        return false;
    }
    r->notes = row.text(kNotes);
    r->office = row.text(kOffice);
    r->actType = row.text(kAct[0]);
    r->actNumber = row.text(kAct[1]);
    r->actDate = row.get(kAct[2]);
    const int given = int(!r->actType.isEmpty()) + int(!r->actNumber.isEmpty()) + int(row.filled(kAct[2]));
    if (given != 0 && given != 3) {
        *why = QStringLiteral("Provvedimento di annullamento incompleto: indicare tipo (Tab_TipoProvvCancellazione), "
                              "numero (Tab_NumeroProvvCancellazione) e data (Tab_DataProvvCancellazione), o nessuno.");
        return false;
    }
    QString asked;
    if (!requestText(params[3], QStringLiteral("codice operatore (Tab_CodOper)"), false, &asked, why))
        return false;
    r->op = writerOf(asked);
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Codice operatore (Tab_CodOper) mancante nella richiesta.");
        return false;
    }
    if (const QString bad = TextCheck::problem(QStringLiteral("codice operatore (Tab_CodOper)"), r->op); !bad.isEmpty()) {
        *why = bad;
        return false;
    }
    // The office is the logged-in operator's, as the operator is.
    if (const QString logged = DicAmbiente::session().op.code.trimmed(); !logged.isEmpty())
        r->office = DicAmbiente::session().op.office.trimmed();
    if (r->office.isEmpty()) {
        *why = QStringLiteral("Ufficio dell'operatore (Tab_UfficioCancellazione) mancante nella richiesta.");
        return false;
    }
    if (!isPlainValue(params[4])) {
        *why = QStringLiteral("Data e ora della postazione non valide nella richiesta di annullamento.");
        return false;
    }
    const QString office = params[5].toString().trimmed().toUpper();
    if (!isPlainValue(params[5]) || (office != QLatin1String("SI") && office != QLatin1String("NO"))) {
        *why = QStringLiteral("Indicatore dell'ufficio protocollo non valido: ") + params[5].toString()
               + QStringLiteral(" (attesi SI o NO).");
        return false;
    }
    return true;
}

// True when the operator's function list withholds the cancellation.
bool withheld(const QString &functions)
{
    for (const QString &code : {kCancellationFunction, kProtocolMenuFunction})
        if (functions.contains(QLatin1Char('-') + code + QLatin1Char('-')))
            return true;
    return false;
}

} // namespace

QVariantList ProtocolServer::cancellation(const QVariantList &params)
{
    CancelRequest r;
    QString why;
    if (!parseCancellation(params, &r, &why))
        return refusedRequest(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        // Who asks, what for and from where, all before the protocol is
        // looked at: a refusal here writes nothing.
        const auto requester = [&](QSqlQuery *&q) -> std::optional<QString> {
            bool found = false;
            if (!unit.exists(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {r.ente}, &found))
                return std::nullopt;
            if (!found)
                return QStringLiteral("Ente sconosciuto (Tab_Ente): ") + r.ente;
            if (!unit.run(QStringLiteral("SELECT Op_Funzioni FROM Tab_Operatori WHERE Op_Codice_Operatore = ? AND "
                                         "Op_Ente = ? AND (Op_Attivo IS NULL OR Op_Attivo <> 'N')"),
                          {r.op, r.ente}))
                return std::nullopt;
            found = q->next();
            const QString functions = found ? q->value(0).toString() : QString();
            q->finish();
            if (!found)
                return QStringLiteral("Operatore (Tab_CodiceOpeCanc) sconosciuto o non attivo per l'ente: ") + r.op;
            if (withheld(functions))
                return QStringLiteral("L'operatore %1 non è abilitato alla cancellazione dei protocolli "
                                      "(Tab_CodiceOpeCanc).")
                    .arg(r.op);
            // Held until the commit, so that the reason cannot go meanwhile.
            if (!unit.run(QStringLiteral("SELECT Tab_Codice FROM Tab_Motivo_Cancella WHERE Tab_Codice = ?")
                              + (pg ? QStringLiteral(" FOR SHARE") : QString()),
                          {r.reason}))
                return std::nullopt;
            found = q->next();
            q->finish();
            if (!found)
                return QStringLiteral("Motivo di cancellazione (Tab_MotivoCancellazione) inesistente in archivio: ")
                       + r.reason;
            if (!unit.exists(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ? AND Tab_Ufficio = ?"),
                             {r.ente, r.office}, &found))
                return std::nullopt;
            if (!found)
                return QStringLiteral("Ufficio dell'operatore (Tab_UfficioCancellazione) sconosciuto per l'ente: ")
                       + r.office;
            return QString();
        };
        if (auto stop = unit.open(requester))
            return *stop;
        QSqlQuery *&q = unit.q;
        // The row is taken before it is looked at: of two cancellations of
        // one protocol side by side the second waits and then finds it
        // cancelled.
        bool found = false;
        QDate date;
        QString state;
        if (!lockProtocol(q, r.key(), &found, &date, &state))
            return unit.failed();
        if (!found)
            return UnitOutcome{refusedRequest(QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + r.shown()
                                              + QStringLiteral(" non esiste in archivio."))};
        if (state == QLatin1String("C"))
            return UnitOutcome{refusedRequest(QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + r.shown()
                                              + QStringLiteral(" è già annullato."))};
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        if (!now.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        const QDate actDate = r.actDate.isNull() ? QDate() : QDate::fromString(r.actDate.toString().left(10), Qt::ISODate);
        if (actDate.isValid() && actDate > now.date())
            return UnitOutcome{refusedRequest(QStringLiteral("La data del provvedimento di annullamento "
                                                             "(Tab_DataProvvCancellazione) non può essere successiva "
                                                             "alla data odierna."))};
        const QString today = now.date().toString(Qt::ISODate);
        const auto orNull = [](const QString &s) { return s.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(s); };
        if (!unit.run(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = ?, "
                                     "Tab_MotivoCancellazione = ?, Tab_NoteCancellazione = ?, Tab_CodiceOpeCanc = ?, "
                                     "Tab_UfficioCancellazione = ?, Tab_CodOper = ?, Tab_DatOper = ?, "
                                     "Tab_TipoProvvCancellazione = ?, Tab_NumeroProvvCancellazione = ?, "
                                     "Tab_DataProvvCancellazione = ? WHERE Tab_Ente = ? AND Tab_TipoProtocollo = ? "
                                     "AND Tab_NumeroProtocollo = ?"),
                      QVariantList{today, r.reason, orNull(r.notes), r.op, r.office, r.op, today, orNull(r.actType),
                                   orNull(r.actNumber), actDate.isValid() ? QVariant(actDate.toString(Qt::ISODate))
                                                                          : QVariant(QMetaType(QMetaType::QString))}
                          + r.key()))
            return unit.failed();
        if (q->numRowsAffected() != 1)
            return {{F::kStatusSqlFailed, kFailure + QStringLiteral("nessuna riga aggiornata.")}};
        return unit.commit({F::kStatusOk, QString(), now.date()});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
