#include "servers/ProtocolServer.h"
#include "servers/LateRequests.h"

#include <QRegularExpression>

#include "data/Funzioni_Com_1.h"
#include "schema/FunctionTable.h"
#include "schema/LateGuards.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

QString yearStart(int year) { return QString::number(year).rightJustified(4, QLatin1Char('0')) + QStringLiteral("0000000"); }
QString yearEnd(int year) { return QString::number(year).rightJustified(4, QLatin1Char('0')) + QStringLiteral("9999999"); }

QString lateNumber(const QString &year, const QString &progressive)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,7}$"));
    static const QRegularExpression fourDigits(QStringLiteral("^\\d{4}$"));
    const QString y = year.trimmed(), p = progressive.trimmed();
    if (!fourDigits.match(y).hasMatch() || !digits.match(p).hasMatch() || p.toLongLong() < 1)
        return {};
    return y + QString::number(p.toLongLong()).rightJustified(7, QLatin1Char('0'));
}

QVariantList lateRegistrationRequest(const QString &ente, const QString &direction, const QString &number,
                                     const QDate &date, ColumnValues columns, const QString &operatorCode,
                                     const QVector<ColumnValues> &dossiers, bool protocolOffice)
{
    for (auto &[name, value] : columns) {
        if (name == QLatin1String("Tab_NumeroProtocollo"))
            value = number;
        else if (name == QLatin1String("Tab_DataProtocollo"))
            value = date.toString(QStringLiteral("MM/dd/yyyy"));
        else if (name == QLatin1String("Tab_OraProtocollo"))
            value = kLateTime;
    }
    return registrationRequest(QStringLiteral("A"), protocolCondition(ente, direction, number), columns, operatorCode,
                               dossiers, protocolOffice);
}

namespace {

// With no ente the query is left with its values to bind: ente, the year's
// start and end, the day.
QString boundQuery(const char *aggregate, const char *comparison, const QString &ente = {}, const QDate &day = {})
{
    const bool literal = day.isValid();
    const QString quotedEnte = QLatin1Char('\'') + F::quote(ente) + QLatin1Char('\'');
    const auto value = [literal](const QString &text) { return literal ? QLatin1Char('\'') + text + QLatin1Char('\'') : QStringLiteral("?"); };
    return QStringLiteral("SELECT %1(Tab_NumeroProtocollo) FROM Tab_Protocollo WHERE Tab_Ente = %2 AND "
                          "Tab_NumeroProtocollo >= %3 AND Tab_NumeroProtocollo <= %4 AND Tab_DataProtocollo %5 %6")
        .arg(QLatin1String(aggregate), literal ? quotedEnte : QStringLiteral("?"), value(yearStart(day.year())),
             value(yearEnd(day.year())), QLatin1String(comparison), value(day.toString(Qt::ISODate)));
}

} // namespace

QString lateLowerQuery(const QString &ente, const QDate &day) { return boundQuery("MAX", "<", ente, day); }
QString lateUpperQuery(const QString &ente, const QDate &day) { return boundQuery("MIN", ">", ente, day); }

LateBounds lateBounds(int year, const QString &greatestBefore, const QString &smallestAfter, qlonglong lastGiven)
{
    LateBounds b;
    b.after = greatestBefore.isEmpty() ? yearStart(year) : greatestBefore;
    // Without a counter nothing of the year was given: nothing is free.
    b.before = lastGiven < 0 ? yearStart(year)
                             : QString::number(year).rightJustified(4, QLatin1Char('0'))
                                   + QString::number(lastGiven).rightJustified(7, QLatin1Char('0'));
    if (!smallestAfter.isEmpty() && smallestAfter < b.before)
        b.before = smallestAfter;
    return b;
}

QVariantList ProtocolServer::lateRegistration(const QVariantList &params)
{
    if (params.size() < 4)
        return refusedRequest(QStringLiteral("Richiesta di recupero incompleta: sono attesi almeno 4 elementi."));
    if (params[0].toString().trimmed().toUpper() != QLatin1String("A"))
        return refusedRequest(QStringLiteral("Il recupero registra un nuovo protocollo: tipo di operazione \"A\" "
                                             "atteso, non ")
                              + params[0].toString());
    QHash<QString, QString> key;
    const QString numberColumn = QStringLiteral("Tab_NumeroProtocollo");
    if (!parseEqualities(params[1].toString(),
                         {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_TipoProtocollo"), numberColumn}, {}, &key))
        return registration(params); // its refusal names what is wrong with the condition
    Late late;
    late.number = key.value(numberColumn).trimmed();
    static const QRegularExpression elevenDigits(QStringLiteral("^\\d{11}$"));
    if (!elevenDigits.match(late.number).hasMatch() || late.number.mid(4).toLongLong() < 1)
        return refusedRequest(QStringLiteral("Specificare un numero di protocollo corretto."));

    const Schema::Table *protocol = Schema::findTable(Schema::Kind::Central, QStringLiteral("Tab_Protocollo"));
    RequestRow row;
    QString why;
    if (!readRequestRow(params[2], protocol, &row, &why))
        return refusedRequest(why);
    late.date = QDate::fromString(row.text(QStringLiteral("Tab_DataProtocollo")).left(10), Qt::ISODate);
    if (!late.date.isValid())
        return refusedRequest(QStringLiteral("Inserire la data di protocollo del documento."));
    if (late.date.year() != late.number.left(4).toInt())
        return refusedRequest(
            QStringLiteral("incongruenza tra l'anno del protocollo e l'anno specificato nella data di protocollazione"));
    if (row.filled(numberColumn) && row.text(numberColumn) != late.number)
        return refusedRequest(QStringLiteral("Il numero di protocollo della lista delle colonne (Tab_NumeroProtocollo) "
                                             "non corrisponde a quello della condizione di selezione."));
    // A number recovered by hand is no emergency registration brought in.
    for (const QString &c : {QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral("Tab_ProtocolloTemporaneo")})
        if (row.filled(c))
            return refusedRequest(QStringLiteral("Un protocollo recuperato non porta dati di emergenza (") + c
                                  + QStringLiteral(")."));
    return registration(params, &late);
}

std::optional<QString> ProtocolServer::admitLate(QSqlQuery *&q, const QString &ente, const QString &direction,
                                                 const Late &late, const QString &op, const QDateTime &now)
{
    // The right is read from the register, as the menu reads it, for the
    // operator the session names: a function withheld from him since he
    // logged in is withheld here too.
    if (!run(q, QStringLiteral("SELECT o.Op_Funzioni, f.tf_codice FROM Tab_Operatori o LEFT JOIN Tab_Funzioni f ON "
                               "f.tf_nome = ? WHERE o.Op_Codice_Operatore = ?"),
             {FunctionTable::rightOf(kLateRightItem), op}))
        return std::nullopt;
    const bool known = q->next();
    const QString withheld = known ? q->value(0).toString() : QString();
    const QString code = known ? q->value(1).toString().trimmed() : QString();
    q->finish();
    // A function table that does not name the late registration gives
    // nobody the right to write below the counter.
    if (code.isEmpty() || withheld.contains(QLatin1Char('-') + code + QLatin1Char('-')))
        return kLateNoRight;
    if (late.date > now.date())
        return QStringLiteral("La data di protocollo (Tab_DataProtocollo) non può essere successiva alla data odierna.");

    // The counter row first, as a registration takes it: one about to hand
    // out this number waits here, or has given it and is seen below.
    const int year = late.date.year();
    if (!run(q, QStringLiteral("UPDATE TAB_STARTPROTOCOLLO SET Tab_ProtocolloEntrata = Tab_ProtocolloEntrata WHERE "
                               "Tab_CodiceEnte = ? AND Tab_AnnoProtocollo = ? RETURNING CASE WHEN "
                               "COALESCE(Tab_ProtocolloEntrata, 0) > COALESCE(tab_protocolloUscita, 0) THEN "
                               "COALESCE(Tab_ProtocolloEntrata, 0) ELSE COALESCE(tab_protocolloUscita, 0) END"),
             {ente, year}))
        return std::nullopt;
    const qlonglong lastGiven = q->next() ? q->value(0).toLongLong() : -1;
    q->finish();
    bool used = false;
    if (!exists(q, QStringLiteral("SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?"),
                {ente, late.number}, &used))
        return std::nullopt;
    if (used)
        return kLateNumberUsed;
    QString bound[2];
    const QString queries[2] = {boundQuery("MAX", "<"), boundQuery("MIN", ">")};
    const QVariantList binds{ente, yearStart(year), yearEnd(year), late.date.toString(Qt::ISODate)};
    for (int i = 0; i < 2; ++i) {
        if (!run(q, queries[i], binds) || !q->next())
            return std::nullopt;
        bound[i] = q->value(0).isNull() ? QString() : q->value(0).toString().trimmed();
        q->finish();
    }
    if (!lateBounds(year, bound[0], bound[1], lastGiven).contains(late.number))
        return kLateOutOfRange;

    // The register lets the row in only with its number admitted.
    if (Dialect::engineOf(db_.sql()) == Dialect::Engine::PostgreSQL) {
        if (!run(q, QStringLiteral("SELECT ") + Schema::LateGuards::kAdmitFunction + QStringLiteral("(?, ?, ?, ?, ?)"),
                 {ente, direction, late.number, late.date, op}))
            return std::nullopt;
        q->finish();
        return QString();
    }
    const QString stamp = now.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!run(q, QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Ente, Amm_NumeroProtocollo, Amm_Motivo, "
                               "Amm_CodOper, Amm_DataOra) VALUES (?, ?, 'recupero', ?, ?)"),
             {ente, late.number, op, stamp})
        || !run(q, QStringLiteral("INSERT INTO Tab_ProtocolloRecuperato (Rec_Ente, Rec_TipoProtocollo, "
                                  "Rec_NumeroProtocollo, Rec_DataProtocollo, Rec_DataOraScrittura, Rec_CodOper) VALUES "
                                  "(?, ?, ?, ?, ?, ?)"),
                {ente, direction, late.number, late.date.toString(Qt::ISODate), stamp, op}))
        return std::nullopt;
    return QString();
}

} // namespace nimbo
