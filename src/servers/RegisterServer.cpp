// Operations 503 and 9 of the protocol server: the rows of the general
// register and the marking of the archived protocols (RegisterRequests.h).

#include <QRegularExpression>
#include <QSet>
#include <QSqlError>

#include "data/CorrespondentText.h"
#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "servers/ProtocolServer.h"
#include "servers/RegisterRequests.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore in aggiornamento stato protocolli: ");
const QString kReadFailure = QStringLiteral("Errore in lettura del registro generale: ");

bool isNumber(const QString &n)
{
    static const QRegularExpression eleven(QStringLiteral("^[0-9]{11}$"));
    return eleven.match(n).hasMatch();
}

QString shown(const QString &n) { return n.left(4) + QLatin1Char('-') + n.mid(4); }

QDate dateOf(const QVariant &v)
{
    if (v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QDate)
        return v.toDate();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

} // namespace

QVariantList ProtocolServer::registerRows(const QVariantList &params)
{
    if (params.size() != 5)
        return refusedRequest(QStringLiteral("Richiesta di stampa del registro non valida: sono attesi 5 elementi "
                                             "(ente, ultimo protocollo archiviato, data finale, ultimo numero letto, "
                                             "righe per volta)."));
    QString ente, last, after, why;
    if (!requestText(params[0], QStringLiteral("ente (Tab_Ente)"), true, &ente, &why)
        || !requestText(params[1], QStringLiteral("ultimo protocollo archiviato (Tab_NumeroProtocollo)"), false,
                        &last, &why)
        || !requestText(params[3], QStringLiteral("ultimo numero letto (Tab_NumeroProtocollo)"), false, &after, &why))
        return refusedRequest(why);
    for (const QString &n : {last, after})
        if (!n.isEmpty() && !isNumber(n))
            return refusedRequest(QStringLiteral("Numero di protocollo (Tab_NumeroProtocollo) non valido: ") + n
                                  + QStringLiteral(" (attese 11 cifre)."));
    const QDate end = isPlainValue(params[2]) ? dateOf(params[2]) : QDate();
    if (!end.isValid())
        return refusedRequest(QStringLiteral("Data finale del periodo (Tab_DataProtocollo) non valida: ")
                              + params[2].toString());
    bool numeric = false;
    const int batch = params[4].toInt(&numeric);
    if (!isPlainValue(params[4]) || !numeric || batch < 1 || batch > kRegisterBatchMax)
        return refusedRequest(QStringLiteral("Numero di righe per volta non valido: %1 (da 1 a %2).")
                                  .arg(params[4].toString())
                                  .arg(kRegisterBatchMax));
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    // An empty text, never Null: every number is after it.
    const QString from = qMax(last, after).isEmpty() ? QStringLiteral("") : qMax(last, after);
    auto attempt = [&]() -> UnitOutcome {
        QSqlQuery *q = nullptr;
        if (!run(q,
                 QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_TipoProtocollo, Tab_DataProtocollo, Tab_OraProtocollo, "
                                "Tab_NomiCorrispondenti, Tab_Oggetto, Tab_Tipologia, Tab_UfficioRegistrazione, "
                                "Tab_StatoProtocollo, Tab_SoggPrivacy FROM Tab_Protocollo WHERE Tab_Ente = ? AND "
                                "(Tab_Stampato IS NULL OR Tab_Stampato = 'N' OR Tab_Stampato = 'S') AND "
                                "Tab_NumeroProtocollo > ? AND Tab_DataProtocollo <= ? ORDER BY Tab_NumeroProtocollo ")
                     + Dialect::limit(batch),
                 {ente, from, end.toString(Qt::ISODate)}))
            return statementFailure(sql, q->lastError(), kReadFailure);
        QVariantList rows;
        QString lastRead;
        while (q->next()) {
            const QString number = q->value(0).toString();
            const bool reserved = q->value(9).toString().trimmed() == QLatin1String("S");
            QStringList row(RegFieldCount);
            row[RegNumber] = shown(number);
            row[RegDirection] = q->value(1).toString();
            row[RegDate] = dateOf(q->value(2)).toString(QStringLiteral("dd/MM/yyyy"));
            row[RegTime] = q->value(3).toString();
            row[RegCorrespondent] = reserved ? kReservedText : correspondentsOnOneLine(q->value(4).toString());
            row[RegSubject] = reserved ? kReservedText : q->value(5).toString();
            row[RegType] = q->value(6).toString();
            row[RegOffice] = q->value(7).toString();
            row[RegState] = q->value(8).toString() == QLatin1String("C") ? QStringLiteral("Annullato") : QString();
            row[RegStoredNumber] = number;
            rows << QVariant(row);
            lastRead = number;
        }
        q->finish();
        if (rows.isEmpty())
            return {{F::kStatusNoRows, QString(), QVariantList(), QString()}};
        return {{F::kStatusOk, QString(), rows, lastRead}};
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::archiveRegister(const QVariantList &params)
{
    if (params.size() != 4)
        return refusedRequest(QStringLiteral("Richiesta di archiviazione non valida: sono attesi 4 elementi "
                                             "(operazione, ente, operatore, numeri dei protocolli)."));
    if (!isPlainValue(params[0]) || params[0].toString().trimmed().toUpper() != QLatin1String("R"))
        return refusedRequest(QStringLiteral("Tipo di operazione non previsto per l'archiviazione: ")
                              + params[0].toString() + QStringLiteral(" (atteso \"R\")."));
    QString ente, asked, why;
    if (!requestText(params[1], QStringLiteral("ente (Tab_Ente)"), true, &ente, &why)
        || !requestText(params[2], QStringLiteral("codice operatore (Tab_CodOper)"), false, &asked, &why))
        return refusedRequest(why);
    const QString op = writerOf(asked);
    if (op.isEmpty())
        return refusedRequest(QStringLiteral("Codice operatore (Tab_CodOper) mancante nella richiesta."));
    const QStringList numbers = params[3].toStringList();
    if (numbers.isEmpty())
        return refusedRequest(QStringLiteral("Nessun protocollo (Tab_NumeroProtocollo) da archiviare nella richiesta."));
    QSet<QString> seen;
    for (const QString &n : numbers) {
        if (!isNumber(n))
            return refusedRequest(QStringLiteral("Numero di protocollo (Tab_NumeroProtocollo) non valido: ") + n
                                  + QStringLiteral(" (attese 11 cifre)."));
        if (seen.contains(n))
            return refusedRequest(QStringLiteral("Protocollo (Tab_NumeroProtocollo) ripetuto nella richiesta: ")
                                  + shown(n));
        seen.insert(n);
    }
    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        if (auto stop = unit.open(unit.operatorCheck(
                op, ente, true, QStringLiteral("Operatore (Tab_CodOper) sconosciuto o non attivo per l'ente: "))))
            return *stop;
        QSqlQuery *&q = unit.q;
        QDateTime now;
        if (!databaseNow(q, &now))
            return unit.failed();
        const QString today = now.date().toString(Qt::ISODate);
        for (const QString &n : numbers) {
            // The number alone names the protocol in its body; only a
            // printed one may be archived.
            if (!unit.run(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Stampato = 'M', Tab_CodOper = ?, Tab_DatOper = ? "
                                         "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ? AND Tab_Stampato = 'S'"),
                          {op, today, ente, n}))
                return unit.failed();
            if (q->numRowsAffected() != 1)
                return UnitOutcome{refusedRequest(QStringLiteral("Il protocollo (Tab_NumeroProtocollo) ") + shown(n)
                                                  + QStringLiteral(" non è nel registro stampato dell'ente e non "
                                                                   "può essere archiviato."))};
        }
        return unit.commit({F::kStatusOk, QString(), int(numbers.size())});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
