// Operation 18 of the protocol server: a protocol turned to the other
// direction with every row that carries it, in one transaction (request,
// steps and reply in DirectionRequests.h).

#include <QRegularExpression>
#include <QSqlError>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "servers/DirectionRequests.h"
#include "servers/ImageRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore nella modifica del tipo protocollo: ");

struct DirectionRequest {
    QString ente, direction, number, op;
    QString shown() const { return number.left(4) + QLatin1Char('-') + number.mid(4); }
};

bool parseDirection(const QVariantList &params, DirectionRequest *r, QString *why)
{
    if (params.size() != 4) {
        *why = QStringLiteral("Richiesta di modifica del tipo protocollo non valida: sono attesi 4 elementi (ente, tipo "
                              "e numero del protocollo, operatore).");
        return false;
    }
    QString asked;
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &r->ente, why)
        || !requestText(params[1], QStringLiteral("Tab_TipoProtocollo"), true, &r->direction, why)
        || !requestText(params[2], QStringLiteral("Tab_NumeroProtocollo"), true, &r->number, why)
        || !requestText(params[3], QStringLiteral("codice operatore (Tab_CodOper)"), false, &asked, why))
        return false;
    r->direction = r->direction.toUpper();
    if (direction::opposite(r->direction).isEmpty()) {
        *why = QStringLiteral("Tipo protocollo (Tab_TipoProtocollo) non valido: ") + r->direction
               + QStringLiteral(" (atteso E o U).");
        return false;
    }
    static const QRegularExpression elevenDigits(QStringLiteral("^[0-9]{11}$"));
    if (!elevenDigits.match(r->number).hasMatch()) {
        *why = QStringLiteral("Numero di protocollo (Tab_NumeroProtocollo) non valido: ") + r->number
               + QStringLiteral(" (attese 11 cifre).");
        return false;
    }
    r->op = writerOf(asked);
    if (r->op.isEmpty()) {
        *why = QStringLiteral("Codice operatore (Tab_CodOper) mancante nella richiesta.");
        return false;
    }
    if (const QString bad = TextCheck::problem(QStringLiteral("codice operatore (Tab_CodOper)"), r->op); !bad.isEmpty()) {
        *why = bad;
        return false;
    }
    return true;
}

// One step: the table it names when it fails and its statements, each with
// its bound values.
struct Step {
    QString table;
    QVector<QPair<QString, QVariantList>> statements;
};

// The steps of a change to `to`, in their order. The direction columns are
// compared with both directions, so that the indexes that begin with body,
// direction and number serve the rows of the number whatever they say.
QVector<Step> stepsOf(const DirectionRequest &r, const QString &to, qlonglong correspondent, const QString &today)
{
    const QString both = QStringLiteral(" IN ('E', 'U')");
    const auto byNumber = [&](const QString &directionColumn) {
        return QStringLiteral(" WHERE Tab_Ente = ? AND ") + directionColumn + both
               + QStringLiteral(" AND Tab_NumeroProtocollo = ?");
    };
    const QVariantList key{r.ente, r.number};
    const auto retype = [&](const QString &table) {
        return Step{table,
                    {{QStringLiteral("UPDATE ") + table + QStringLiteral(" SET Tab_TipoProtocollo = ?")
                          + byNumber(QStringLiteral("Tab_TipoProtocollo")),
                      QVariantList{to} + key}}};
    };
    QVector<Step> steps;
    steps << Step{QStringLiteral("Tab_Protocollo"),
                  {{QStringLiteral("UPDATE Tab_Protocollo SET Tab_TipoProtocollo = ?, Tab_CodOper = ?, Tab_DatOper = ? "
                                   "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?"),
                    QVariantList{to, r.op, today} + key}}};
    // Outgoing: the correspondent becomes the one main recipient; whatever
    // the number held there before (further recipients of an earlier
    // outgoing life, rows under the wrong direction) is no longer true.
    Step recipients{QStringLiteral("Tab_ProtocolloDestinatari"),
                    {{QStringLiteral("DELETE FROM Tab_ProtocolloDestinatari") + byNumber(QStringLiteral("Tab_TipoProtocollo")),
                      key}}};
    if (to == QLatin1String("U"))
        recipients.statements.append({QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, "
                                                     "Tab_NumeroProtocollo, Tab_MittDest, Tab_principale, Tab_CodOper, "
                                                     "Tab_DatOper) VALUES (?, 'U', ?, ?, 'S', ?, ?)"),
                                      {r.ente, r.number, correspondent, r.op, today}});
    steps << recipients;
    steps << retype(QStringLiteral("Tab_DocumentiCollegati"));
    // The image reader looks images up by Tipo_protocollo ("E"/"D"), the
    // documents list by Prot_EU: both follow, or the images vanish.
    steps << Step{QStringLiteral("Tab_immagini"),
                  {{QStringLiteral("UPDATE Tab_immagini SET Prot_EU = ?, Tipo_protocollo = ? WHERE ID_ente = ? AND "
                                   "Prot_EU")
                        + both + QStringLiteral(" AND Prot_Numero = ?"),
                    QVariantList{to, image::imageDirection(to)} + key}}};
    for (const char *table : {"Tab_Iter_Destinatari", "Tab_Iter_Documento", "Tab_Iter_Trasmissioni", "Tab_ProFascicoli",
                              "Tab_ProSchedari", "Tab_ProIntegrazioni"})
        steps << retype(QString::fromLatin1(table));
    // A link is held from each side: the protocol's rows and the rows of the
    // protocols it is linked to, which name it in the C columns.
    Step links = retype(QStringLiteral("Tab_ProtocolliCollegati"));
    links.statements.append({QStringLiteral("UPDATE Tab_ProtocolliCollegati SET Tab_TipoProtocolloC = ? WHERE Tab_Ente = ? "
                                            "AND Tab_NumeroProtocolloC = ?"),
                             QVariantList{to} + key});
    steps << links;
    return steps;
}

} // namespace

QVariantList ProtocolServer::directionChange(const QVariantList &params)
{
    DirectionRequest r;
    QString why;
    if (!parseDirection(params, &r, &why))
        return refusedRequest(why);
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    const bool pg = Dialect::engineOf(sql) == Dialect::Engine::PostgreSQL;
    const QString shown = QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + r.shown();
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        if (auto stop = unit.open(unit.operatorCheck(
                r.op, r.ente, true, QStringLiteral("Operatore (Tab_CodOper) sconosciuto o non attivo per l'ente: "))))
            return *stop;
        QSqlQuery *&q = unit.q;
        // Taken before anything is looked at: every other writer of the
        // protocol (iter, recipients, cancellation) takes the same row first
        // and, once this commits, no longer finds it under the old direction.
        if (!unit.run(QStringLiteral("SELECT Tab_TipoProtocollo, Tab_CodiceOpeReg, Tab_Stampato, Tab_StatoProtocollo, "
                                     "Tab_Intestatario FROM Tab_Protocollo WHERE Tab_Ente = ? AND "
                                     "Tab_NumeroProtocollo = ?")
                          + (pg ? QStringLiteral(" FOR UPDATE") : QString()),
                      {r.ente, r.number}))
            return unit.failed();
        if (!q->next()) {
            q->finish();
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" non è presente in archivio."))};
        }
        const QString now = q->value(0).toString().trimmed();
        const QString registeredBy = q->value(1).toString().trimmed();
        const QString printed = q->value(2).toString().trimmed();
        const QString state = q->value(3).toString().trimmed();
        const qlonglong correspondent = q->value(4).isNull() ? 0 : q->value(4).toLongLong();
        q->finish();
        if (now != r.direction)
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" non è più di tipo %1 (Tab_TipoProtocollo): è "
                                                                     "stato modificato nel frattempo.")
                                                          .arg(r.direction))};
        if (registeredBy.compare(r.op, Qt::CaseInsensitive) != 0)
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" è stato registrato da un altro operatore "
                                                                     "(Tab_CodiceOpeReg): solo chi lo ha registrato "
                                                                     "ne può modificare il tipo."))};
        if (printed == QLatin1String("M"))
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" è già archiviato su supporto permanente "
                                                                     "(Tab_Stampato): il tipo non si modifica."))};
        if (state == QLatin1String("C"))
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" è annullato (Tab_StatoProtocollo): il tipo non "
                                                                     "si modifica."))};
        const QString to = direction::opposite(r.direction);
        if (to == QLatin1String("U") && correspondent <= 0)
            return UnitOutcome{refusedRequest(shown + QStringLiteral(" non ha un corrispondente (Tab_Intestatario) da "
                                                                     "indicare come destinatario principale."))};
        QDateTime clock;
        if (!databaseNow(q, &clock))
            return unit.failed();
        if (!clock.isValid())
            return {{F::kStatusSqlFailed, QStringLiteral("Data e ora del server non disponibili.")}};
        const QString today = clock.date().toString(Qt::ISODate);
        for (const Step &step : stepsOf(r, to, correspondent, today))
            for (const auto &[text, binds] : step.statements)
                if (!unit.run(text, binds)) {
                    // The clerk reads which table; the log keeps the database's words.
                    UnitOutcome out = unit.failed();
                    out.reply = {out.reply.value(0), direction::stepFailure(step.table), q->lastError().text().trimmed()};
                    return out;
                }
        return unit.commit({F::kStatusOk, QString(), to});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
