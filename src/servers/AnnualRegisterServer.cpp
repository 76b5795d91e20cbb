// Operation 502: the register rows of a body for a period (see
// servers/AnnualRegister.h).

#include <QDate>
#include <QSqlQuery>

#include "data/Funzioni_Com_1.h"
#include "servers/AnnualRegister.h"
#include "servers/ProtocolServer.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

const QString kFailure = QStringLiteral("Errore in lettura del registro di protocollo: ");

// A day of the request: a date, or its text day first or ISO.
QDate requestDay(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    const QString text = v.toString().trimmed();
    QDate d = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("d/M/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(text.left(10), Qt::ISODate);
    return d;
}

QString dayText(const QVariant &v)
{
    if (v.isNull())
        return {};
    const QDate d = requestDay(v);
    return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : v.toString();
}

QString shownNumber(const QString &number)
{
    const QString n = number.trimmed();
    return n.size() == 11 ? n.left(4) + QLatin1Char('-') + n.mid(4) : n;
}

} // namespace

QVariantList ProtocolServer::annualRegisterRows(const QVariantList &params)
{
    if (params.size() < 4)
        return refusedRequest(QStringLiteral("Richiesta del registro incompleta: sono attesi 4 elementi."));
    QString ente, requestedOp, why;
    if (!requestText(params[0], QStringLiteral("Tab_Ente"), true, &ente, &why)
        || !requestText(params[3], QStringLiteral("operatore"), true, &requestedOp, &why))
        return refusedRequest(why);
    const QDate from = requestDay(params[1]);
    const QDate to = requestDay(params[2]);
    if (!from.isValid() || from.year() < 1900)
        return refusedRequest(QStringLiteral("Data di inizio periodo (Tab_DataProtocollo) non valida: ")
                              + params[1].toString());
    if (!to.isValid() || to.year() < 1900)
        return refusedRequest(QStringLiteral("Data di fine periodo (Tab_DataProtocollo) non valida: ")
                              + params[2].toString());
    if (to < from)
        return refusedRequest(QStringLiteral("La data di fine periodo (Tab_DataProtocollo) precede quella di inizio."));
    const QString op = writerOf(requestedOp);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    auto exec = [this](QSqlQuery *&query, const QString &text, const QVariantList &binds) {
        return run(query, text, binds);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, kFailure);
        if (auto stop = unit.open(unit.operatorCheck(op, ente, true,
                                                     QStringLiteral("Operatore non attivo dell'ente ") + ente
                                                         + QStringLiteral(": "))))
            return *stop;
        QSqlQuery *&q = unit.q;
        if (!unit.run(QStringLiteral("SELECT Op_AbilPrivacy FROM Tab_Operatori WHERE Op_Codice_Operatore = ?"), {op}))
            return unit.failed();
        const bool privacy = q->next() && q->value(0).toString().trimmed().toUpper() == QLatin1String("S");
        q->finish();
        const QString select = QStringLiteral(
            "SELECT p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_OraProtocollo, p.Tab_TipoProtocollo, "
            "r.Tab_Denominazione, p.Tab_Oggetto, t.Tab_Descrizione, u.Tab_Descrizione, p.Tab_StatoProtocollo, "
            "p.Tab_SoggPrivacy FROM Tab_Protocollo p "
            "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario "
            "LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia "
            "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = p.Tab_Ente AND u.Tab_Dipartimento = p.Tab_SedeRicezione "
            "AND u.Tab_Ufficio = p.Tab_UfficioRegistrazione "
            "WHERE p.Tab_Ente = ? AND p.Tab_DataProtocollo >= ? AND p.Tab_DataProtocollo < ? "
            "ORDER BY p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo");
        if (!unit.run(select, {ente, from.toString(Qt::ISODate), to.addDays(1).toString(Qt::ISODate)}))
            return unit.failed();
        QVector<QVariantList> columns(registerrows::ColumnCount);
        using namespace registerrows;
        while (q->next()) {
            const bool masked = !privacy && q->value(9).toString().trimmed().toUpper() == QLatin1String("S");
            columns[Number] << shownNumber(q->value(0).toString());
            columns[Date] << dayText(q->value(1));
            columns[Time] << q->value(2).toString().trimmed();
            columns[Direction] << q->value(3).toString().trimmed();
            columns[Correspondent] << (masked ? kMasked : q->value(4).toString().trimmed());
            columns[Subject] << (masked ? kMasked : q->value(5).toString().trimmed());
            columns[DocumentType] << q->value(6).toString().trimmed();
            columns[Office] << q->value(7).toString().trimmed();
            columns[State] << (q->value(8).toString().trimmed().toUpper() == QLatin1String("C") ? kCancelled : kActive);
        }
        q->finish();
        if (columns[Number].isEmpty())
            return unit.commit({F::kStatusNoRows, QStringLiteral("Nessun protocollo nel periodo")});
        QVariantList packed;
        for (const QVariantList &c : columns)
            packed.append(QVariant(c));
        return unit.commit({F::kStatusOk, QString(), QVariant(packed)});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
