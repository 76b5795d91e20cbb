#include "search/GeneralSearch.h"

#include <QRegularExpression>
#include <QStringList>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "data/LetterGrams.h"
#include "protocol/ContainsIndex.h"
#include "protocol/ProtocolSearch.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

const char *const kMask = "*****************************************";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

bool numeric(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

QString quotedList(QStringList values)
{
    for (QString &v : values)
        v = q(v);
    values.removeDuplicates();
    return values.join(QStringLiteral(", "));
}

// The protocol of p routed (an iter recipient) to one of the offices a
// subquery or list gives. The recipients are probed through the index that
// ends with the receiving office, so the probe reads no table row; office
// codes are unique in a body, so the office alone names it.
//
// PostgreSQL would rather read every protocol routed to the offices into a
// hash (all the iter of a department: over a second on a large register),
// because it prices the probes for all the rows the criteria leave and not
// for the few that the list's limit lets it read. OFFSET 0 keeps the probe.
QString routedTo(const QString &offices)
{
    const bool postgres = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL;
    return QStringLiteral("EXISTS (SELECT 1 FROM Tab_Iter_Destinatari r WHERE r.Tab_Ente = p.Tab_Ente AND "
                          "r.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND r.Tab_NumeroProtocollo = "
                          "p.Tab_NumeroProtocollo AND r.Tab_UfficioDestinatario IN (")
           + offices + (postgres ? QStringLiteral(") OFFSET 0)") : QStringLiteral("))"));
}

// The offices of the departments listed, as a subquery: read once, not per row.
QString officesOf(const QString &ente, const QString &departments)
{
    return QStringLiteral("SELECT u.Tab_Ufficio FROM Tab_Uffici u WHERE u.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND u.Tab_Dipartimento IN (") + departments + QLatin1Char(')');
}

// A protocol "reaches" a set of offices when it was registered there
// (a condition on p) or routed to one of them (a list or subquery of codes).
QString reach(const QString &registered, const QString &offices)
{
    return QLatin1Char('(') + registered + QStringLiteral(" OR ") + routedTo(offices) + QLatin1Char(')');
}

// What the viewer may see: level 6 what he registered; 7 what was
// registered by, or routed to, his office and the offices of his further
// pairs; 8 the same for his departments; 9 the whole body. The chosen
// department and office narrow it and never widen it.
QString scopeCondition(const GeneralCriteria &c, const protocol::Viewer &v)
{
    QStringList all;
    const QString department = c.department.trimmed(), office = c.office.trimmed();
    QStringList departments{v.department};
    for (const auto &pair : v.extra)
        departments << pair.department;
    switch (v.level) {
    case 6:
        all << QStringLiteral("p.Tab_CodiceOpeReg = ") + q(v.operatorCode);
        break;
    case 7: {
        QStringList registered{QStringLiteral("(p.Tab_SedeRicezione = %1 AND p.Tab_UfficioRegistrazione = %2)")
                                   .arg(q(v.department), q(v.office))};
        QStringList offices{v.office};
        for (const auto &pair : v.extra) {
            registered << QStringLiteral("(p.Tab_SedeRicezione = %1 AND p.Tab_UfficioRegistrazione = %2)")
                              .arg(q(pair.department), q(pair.office));
            offices << pair.office;
        }
        registered.removeDuplicates();
        all << reach(QLatin1Char('(') + registered.join(QStringLiteral(" OR ")) + QLatin1Char(')'), quotedList(offices));
        break;
    }
    case 8:
        // A department of his own, once chosen, holds all he may see of it.
        if (department.isEmpty() || !departments.contains(department)) {
            const QString listed = quotedList(departments);
            all << reach(QStringLiteral("p.Tab_SedeRicezione IN (") + listed + QLatin1Char(')'), officesOf(v.ente, listed));
        }
        break;
    case 9:
        break;
    default:
        all << QString::fromLatin1(protocol::scope::kNothing);
        break;
    }
    if (!department.isEmpty())
        all << reach(QStringLiteral("p.Tab_SedeRicezione = ") + q(department), officesOf(v.ente, q(department)));
    if (!department.isEmpty() && !office.isEmpty())
        all << reach(QStringLiteral("p.Tab_UfficioRegistrazione = ") + q(office), q(office));
    return all.isEmpty() ? QString::fromLatin1(protocol::scope::kEverything) : all.join(QStringLiteral(" AND "));
}

QString dateLiteral(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

// The criteria: every one (filters), and all but the texts (base).
struct Conditions {
    QString base, filters;
    QString periodFrom, periodTo;
};

Conditions conditions(const GeneralCriteria &c, const protocol::Viewer &v)
{
    QString sql = QStringLiteral("p.Tab_Ente = ") + q(v.ente);
    if (c.before.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtocollo < ") + dateLiteral(c.before);
    Conditions out;
    QString subject, corr;
    if (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) {
        // The number names one protocol: nothing else narrows it but the scope.
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(searchedNumber(c.year, c.number));
    } else if (!c.emergencyNumber.trimmed().isEmpty()) {
        // Only recovered protocols hold an emergency number: the first term
        // names the partial index that lists them.
        sql += QStringLiteral(" AND p.Tab_ProtocolloTemporaneo IS NOT NULL AND p.Tab_ProtocolloTemporaneo LIKE ")
               + q(QLatin1Char('%') + c.emergencyNumber.trimmed().rightJustified(7, QLatin1Char('0')) + QLatin1Char('%'));
    } else {
        if (c.date.isValid()) {
            const bool upTo = c.dateOperator == QLatin1String("<=");
            sql += QStringLiteral(" AND p.Tab_DataProtocollo ") + (upTo ? QStringLiteral("<= ") : QStringLiteral(">= "))
                   + dateLiteral(c.date);
            (upTo ? out.periodTo : out.periodFrom) = dateLiteral(c.date);
        }
        if (!c.docType.trimmed().isEmpty())
            sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(c.docType.trimmed());
        if (c.incoming != c.outgoing)
            sql += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
        if (!c.subject.trimmed().isEmpty()) {
            subject = QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
        }
        if (!c.correspondent.trimmed().isEmpty()) {
            corr = QStringLiteral(" AND ") + protocol::correspondentMatch(v.ente, c.correspondent);
        }
    }
    const QString scope = QStringLiteral(" AND ") + scopeCondition(c, v);
    out.base = sql + scope;
    out.filters = sql + scope + subject + corr;
    return out;
}

const char *const kColumns = "p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                             "r.Tab_Denominazione, p.Tab_StatoProtocollo, p.Tab_SoggPrivacy, p.Tab_CodiceOpeReg";
const char *const kHolder = "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                            "p.Tab_Intestatario";

// The protocols up to a date, newest number first. Walking the register
// down from its newest number would pass every protocol registered since
// the date before the first one listed. A protocol numbered in the year of
// its date is numbered no higher than the highest of the protocols dated
// up to that day in that year, or, when that year has none, than the
// highest number of the earlier years; the walk starts there. That highest
// number is found day by day along the date index, one look-up per day of
// the year up to the date. Protocols numbered in another year than their
// date's (few, in an index of their own) are added when numbered higher.
QString upToDateQuery(const QString &filters, const GeneralCriteria &c, const protocol::Viewer &v, int limit)
{
    const Dialect::Engine engine = Dialect::centralTarget().engine;
    const QString ente = q(v.ente);
    const int year = c.date.year();
    const QString first = dateLiteral(QDate(year, 1, 1)), last = dateLiteral(c.date);
    const auto number = [](int y) {
        return QStringLiteral("'%1'").arg(qlonglong(y) * 10000000, 11, 10, QLatin1Char('0'));
    };
    const QString days =
        QStringLiteral("days(d) AS (SELECT MAX(s.Tab_DataProtocollo) FROM Tab_Protocollo s WHERE s.Tab_Ente = %1 AND "
                       "s.Tab_DataProtocollo >= %2 AND s.Tab_DataProtocollo <= %3 UNION ALL SELECT (SELECT "
                       "MAX(s.Tab_DataProtocollo) FROM Tab_Protocollo s WHERE s.Tab_Ente = %1 AND s.Tab_DataProtocollo "
                       ">= %2 AND s.Tab_DataProtocollo < days.d) FROM days WHERE days.d IS NOT NULL)")
            .arg(ente, first, last);
    const QString top =
        QStringLiteral("top AS MATERIALIZED (SELECT COALESCE((SELECT MAX((SELECT MAX(s.Tab_NumeroProtocollo) FROM "
                       "Tab_Protocollo s WHERE s.Tab_Ente = %1 AND s.Tab_DataProtocollo = days.d AND "
                       "s.Tab_NumeroProtocollo >= %2 AND s.Tab_NumeroProtocollo < %3)) FROM days), (SELECT "
                       "MAX(s.Tab_NumeroProtocollo) FROM Tab_Protocollo s WHERE s.Tab_Ente = %1 AND "
                       "s.Tab_NumeroProtocollo < %2), '') AS m)")
            .arg(ente, number(year), number(year + 1));
    const QString from = QStringLiteral("SELECT ") + QLatin1String(kColumns) + QStringLiteral(" FROM Tab_Protocollo p ")
                         + QLatin1String(kHolder) + QStringLiteral(" WHERE ") + filters;
    const QString lim = QString::number(limit);
    return QStringLiteral("WITH RECURSIVE ") + days + QStringLiteral(", ") + top + QStringLiteral(" SELECT * FROM (")
           + from
           + QStringLiteral(" AND p.Tab_NumeroProtocollo <= (SELECT m FROM top) ORDER BY p.Tab_NumeroProtocollo DESC "
                            "LIMIT ")
           + lim + QStringLiteral(") w UNION ALL SELECT * FROM (") + from + QStringLiteral(" AND ")
           + LetterGrams::offYear(engine, QStringLiteral("p"))
           + QStringLiteral(" AND p.Tab_NumeroProtocollo > (SELECT m FROM top)) o ORDER BY 2 DESC LIMIT ") + lim;
}

} // namespace

std::optional<CriteriaProblem> checkCriteria(const GeneralCriteria &c)
{
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if (year != number)
        return CriteriaProblem{QString::fromUtf8("inserire entrambi i dati relativi all'anno ed al numero di protocollo"),
                               year ? QStringLiteral("TxtNumero") : QStringLiteral("txtAnno")};
    if (year && !(numeric(c.year) && c.year.trimmed().size() <= 4 && numeric(c.number) && c.number.trimmed().size() <= 7))
        return CriteriaProblem{QString::fromUtf8("specificare valori numerici per i campi relativi all'anno ed al numero di "
                                                 "protocollo"),
                               numeric(c.year) ? QStringLiteral("TxtNumero") : QStringLiteral("txtAnno")};
    if (!c.emergencyNumber.trimmed().isEmpty()
        && !(numeric(c.emergencyNumber) && c.emergencyNumber.trimmed().size() <= 7))
        return CriteriaProblem{QString::fromUtf8("inserire un valore numerico"), QStringLiteral("TxtNumEme")};
    return std::nullopt;
}

QString searchedNumber(const QString &year, const QString &number)
{
    return QStringLiteral("%1%2")
        .arg(year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
        .arg(number.trimmed().toLongLong(), 7, 10, QLatin1Char('0'));
}

QString listQuery(const GeneralCriteria &c, const protocol::Viewer &v)
{
    const Conditions w = conditions(c, v);
    // One row past the limit: it is never shown, it only says that the
    // criteria find more than the list holds.
    const int limit = qMax(1, c.limit) + 1;
    const bool byNumber =
        (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) || !c.emergencyNumber.trimmed().isEmpty();
    const bool texts = !c.subject.trimmed().isEmpty() || !c.correspondent.trimmed().isEmpty();
    if (!byNumber && texts && v.level != 6) {
        // The registration window's search: the texts' indexes or a walk
        // along the register, whichever meets the list sooner.
        protocol::TextQuery t;
        t.columns = QLatin1String(kColumns);
        t.joins = QLatin1String(kHolder);
        t.ente = v.ente;
        t.base = w.base;
        t.subject = c.subject;
        t.correspondent = c.correspondent;
        t.from = w.periodFrom;
        t.to = w.periodTo;
        if (c.date.isValid())
            (w.periodTo.isEmpty() ? t.fromYear : t.toYear) = c.date.year();
        t.limit = limit;
        t.narrow = v.level == 7 || v.level == 8 || !c.department.trimmed().isEmpty();
        return protocol::textQuery(t);
    }
    if (!byNumber && v.level != 6 && c.date.isValid() && c.dateOperator == QLatin1String("<="))
        return upToDateQuery(w.filters, c, v, limit);
    // An operator's own registrations are read through the registrar's
    // index and sorted: walking the register by number to find them would
    // pass every other operator's protocols.
    const QString order = v.level == 6 ? QStringLiteral("p.Tab_NumeroProtocollo || '' DESC")
                                       : QStringLiteral("p.Tab_NumeroProtocollo DESC");
    return QStringLiteral("SELECT ") + QLatin1String(kColumns) + QStringLiteral(" FROM Tab_Protocollo p ")
           + QLatin1String(kHolder) + QStringLiteral(" WHERE ") + w.filters + QStringLiteral(" ORDER BY ") + order
           + Dialect::limit(limit);
}

bool masked(const protocol::Viewer &v, const QString &privacyFlag)
{
    return !v.privacy && privacyFlag.trimmed() == QLatin1String("S");
}

} // namespace nimbo::search
