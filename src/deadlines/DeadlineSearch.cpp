#include "deadlines/DeadlineSearch.h"

#include "data/Dialect.h"
#include "protocol/ContainsIndex.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {

using protocol::Viewer;
namespace scope = protocol::scope;

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QDateTime timeOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate().startOfDay();
    QDateTime t = QDateTime::fromString(v.toString().left(19), Qt::ISODate);
    if (!t.isValid())
        t = QDate::fromString(v.toString().left(10), Qt::ISODate).startOfDay();
    return t;
}

} // namespace

std::optional<QString> checkCriteria(const DeadlineCriteria &c)
{
    if (c.kind == DeadlineCriteria::Kind::None)
        return QStringLiteral("Specificare il tipo di ricerca da effettuare");
    if (c.kind == DeadlineCriteria::Kind::DueWithin && c.days <= 0)
        return QStringLiteral("specificare il numero di giorni di riferimento");
    if (c.kind == DeadlineCriteria::Kind::Between && (!c.from.isValid() || !c.to.isValid()))
        return QStringLiteral("Inserire una data corretta");
    if (c.kind == DeadlineCriteria::Kind::Between && c.to < c.from)
        return QStringLiteral("La data finale non può essere minore della data iniziale");
    return std::nullopt;
}

namespace {

// The database server's clock, local time: never the workstation's.
QString serverNow(Dialect::Engine e)
{
    return e == Dialect::Engine::PostgreSQL ? QStringLiteral("LOCALTIMESTAMP(0)") : QStringLiteral("NOW()");
}

// n days after now, to the second.
QString serverNowPlusDays(Dialect::Engine e, int days)
{
    return e == Dialect::Engine::PostgreSQL ? QStringLiteral("(LOCALTIMESTAMP(0) + INTERVAL '1 day' * %1)").arg(days)
                                            : QStringLiteral("datetime(NOW(), '+%1 days')").arg(days);
}

} // namespace

QString deadlineListQuery(const DeadlineCriteria &c, const Viewer &v)
{
    const Dialect::Engine e = Dialect::centralTarget().engine;
    // The deadlines in force are kept by the database (one row per protocol
    // and competent office, handled and cancelled protocols left out; on
    // SQLite in NOW()'s own shape), so every period below is a range of the
    // index the viewer's level reads. The rows are chosen and cut first,
    // reading the register and the address book only for a filter that
    // needs them; what the list shows is joined to the chosen rows alone.
    const QString due = QStringLiteral("k.Tab_DataEvasione");
    const QString correspondent = c.correspondent.trimmed(), subject = c.subject.trimmed();
    const bool texts = !correspondent.isEmpty() || !subject.isEmpty();
    const auto contains = [&](const QString &column, const QString &text) {
        return text.isEmpty() ? QString()
                              : QStringLiteral(" AND ")
                                    + Dialect::likeNoCase(e, column, q(QLatin1Char('%') + text + QLatin1Char('%')));
    };
    // The protocols whose texts match, as a join: fp (and fr) named.
    const QString textJoin =
        QStringLiteral(" JOIN Tab_Protocollo fp ON fp.Tab_Ente = k.Tab_Ente AND fp.Tab_TipoProtocollo = "
                       "k.Tab_TipoProtocollo AND fp.Tab_NumeroProtocollo = k.Tab_NumeroProtocollo")
        + (correspondent.isEmpty() ? QString()
                                   : QStringLiteral(" JOIN Tab_Rubrica fr ON fr.Tab_EnteRubrica = fp.Tab_Ente "
                                                    "AND fr.Tab_Identificativo = fp.Tab_Intestatario"));
    // A subject the viewer may not read is not searched either: a match
    // would tell what the mask hides.
    const QString textConditions =
        contains(QStringLiteral("fr.Tab_Denominazione"), correspondent) + contains(QStringLiteral("fp.Tab_Oggetto"), subject)
        + (subject.isEmpty() || v.privacy ? QString() : QStringLiteral(" AND COALESCE(fp.Tab_SoggPrivacy, 'N') <> 'S'"));

    QString where = QStringLiteral(" WHERE k.Tab_Ente = ") + q(v.ente);
    switch (c.kind) {
    case DeadlineCriteria::Kind::DueWithin:
        where += QStringLiteral(" AND %1 > %2 AND %1 <= %3").arg(due, serverNow(e), serverNowPlusDays(e, c.days));
        break;
    case DeadlineCriteria::Kind::Overdue:
        where += QStringLiteral(" AND %1 < %2").arg(due, serverNow(e));
        break;
    case DeadlineCriteria::Kind::Between:
        where += QStringLiteral(" AND %1 >= %2 AND %1 < %3")
                     .arg(due, q(c.from.toString(Qt::ISODate)), q(c.to.addDays(1).toString(Qt::ISODate)));
        break;
    case DeadlineCriteria::Kind::None:
        break;
    }
    if (!c.department.isEmpty())
        where += QStringLiteral(" AND k.Tab_Dipartimento = ") + q(c.department);
    if (!c.office.isEmpty())
        where += QStringLiteral(" AND k.Tab_Ufficio = ") + q(c.office);
    scope::DeadlineColumns cols;
    cols.operatorCode = QStringLiteral("k.Tab_CodiceOpe");
    cols.office = QStringLiteral("k.Tab_Ufficio");
    cols.department = QStringLiteral("k.Tab_Dipartimento");
    where += QStringLiteral(" AND ") + scope::deadlines(v, cols);
    const QString order =
        QStringLiteral(" ORDER BY k.Tab_DataEvasione, k.Tab_NumeroProtocollo, k.Tab_TipoProtocollo, k.Tab_Ufficio");
    const QString limit = c.limit > 0 ? Dialect::limit(c.limit + 1) : QString();
    const QString columns = QStringLiteral("SELECT k.Tab_Ente, k.Tab_NumeroProtocollo, k.Tab_TipoProtocollo, k.Tab_Ufficio, "
                                           "k.Tab_Dipartimento, k.Tab_DataSerialeMov, k.Tab_DataEvasione "
                                           "FROM Tab_ScadenzeInCorso k");
    QString with, chosen;
    if (!texts) {
        chosen = columns + where + order + limit;
    } else {
        // A text many protocols hold is met soon along the deadlines (a
        // correspondent's name read by the protocol's key, OFFSET 0 keeping
        // it a probe on PostgreSQL); a rarer one is found through the text
        // indexes and joined. Which, the protocols holding it decide, counted no
        // further than the bound.
        constexpr int kBound = 2000;
        // On SQLite a subject's words are counted on their trigram table,
        // which stops at the bound: every body's subjects, reserved or not,
        // which at worst sends a rare word down the walk too.
        const QString ordered = correspondent.isEmpty() && protocol::contains::indexable(subject)
                                    ? protocol::contains::orderedSubjectMatch(subject)
                                    : QString();
        if (!ordered.isEmpty())
            with = QStringLiteral("WITH few AS MATERIALIZED (SELECT COUNT(*) AS n FROM (SELECT 1 FROM "
                                  "Tab_Protocollo_Ordine_fts WHERE ")
                   + ordered + QStringLiteral(" LIMIT %1) f0) ").arg(kBound + 1);
        else
            with = QStringLiteral("WITH few AS MATERIALIZED (SELECT COUNT(*) AS n FROM (SELECT 1 FROM Tab_Protocollo fp")
                   + (correspondent.isEmpty() ? QString()
                                              : QStringLiteral(" JOIN Tab_Rubrica fr ON fr.Tab_EnteRubrica = fp.Tab_Ente "
                                                               "AND fr.Tab_Identificativo = fp.Tab_Intestatario"))
                   + QStringLiteral(" WHERE fp.Tab_Ente = ") + q(v.ente) + textConditions
                   + QStringLiteral(" LIMIT %1) f0) ").arg(kBound + 1);
        // The subject and its privacy are kept beside each deadline: only a
        // correspondent needs the register and the address book.
        const QString keptSubject =
            contains(QStringLiteral("k.Tab_Oggetto"), subject)
            + (subject.isEmpty() || v.privacy ? QString() : QStringLiteral(" AND COALESCE(k.Tab_SoggPrivacy, 'N') <> 'S'"));
        const QString probe =
            correspondent.isEmpty()
                ? QString()
                : QStringLiteral(" AND EXISTS (SELECT 1 FROM Tab_Protocollo fp JOIN Tab_Rubrica fr ON "
                                 "fr.Tab_EnteRubrica = fp.Tab_Ente AND fr.Tab_Identificativo = fp.Tab_Intestatario "
                                 "WHERE fp.Tab_Ente = k.Tab_Ente AND fp.Tab_TipoProtocollo = k.Tab_TipoProtocollo AND "
                                 "fp.Tab_NumeroProtocollo = k.Tab_NumeroProtocollo")
                      + contains(QStringLiteral("fr.Tab_Denominazione"), correspondent)
                      + (e == Dialect::Engine::PostgreSQL ? QStringLiteral(" OFFSET 0)") : QStringLiteral(")"));
        // The count gates each branch inside its own WHERE, so that the
        // branch not taken is never run (SQLite would fill it first).
        chosen = QStringLiteral("SELECT * FROM (") + columns + where + keptSubject + probe
                 + QStringLiteral(" AND (SELECT n FROM few) > %1").arg(kBound) + order + limit
                 + QStringLiteral(") walked UNION ALL SELECT * FROM (") + columns + textJoin + where + textConditions
                 + QStringLiteral(" AND (SELECT n FROM few) <= %1").arg(kBound) + order + limit
                 + QStringLiteral(") joined");
    }
    // The correspondent and the town of each listed row, read by key. On
    // PostgreSQL a lateral probe: the list's length is seldom estimated
    // well, and a plan for one row would read the whole address book for
    // each of a thousand.
    const bool pg = e == Dialect::Engine::PostgreSQL;
    const QString address =
        pg ? QStringLiteral("LEFT JOIN LATERAL (SELECT r0.Tab_Denominazione, r0.Tab_Domicilio, r0.Tab_NumeroCivico, "
                            "c0.com_cap, c0.com_Comune FROM Tab_Rubrica r0 LEFT JOIN Tab_Comuni c0 ON c0.Com_Codcom = "
                            "r0.Tab_ComuneUbicazione WHERE r0.Tab_EnteRubrica = p.Tab_Ente AND r0.Tab_Identificativo = "
                            "p.Tab_Intestatario OFFSET 0) r ON TRUE ")
           : QStringLiteral("LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                            "p.Tab_Intestatario LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione ");
    const QString town = pg ? QStringLiteral("r.com_cap, r.com_Comune") : QStringLiteral("c.com_cap, c.com_Comune");

    return with + QStringLiteral(
               "SELECT k.Tab_DataEvasione, k.Tab_TipoProtocollo, k.Tab_NumeroProtocollo, p.Tab_DataProtocollo, "
               "p.Tab_Oggetto, p.Tab_SoggPrivacy, p.Tab_Intestatario, r.Tab_Denominazione, r.Tab_Domicilio, "
               "k.Tab_Dipartimento, k.Tab_Ufficio, u.Tab_Descrizione, k.Tab_DataSerialeMov, sol.Tab_DataSollecito, "
               "sol.Tab_PersonaContattata, sol.Tab_Risposta, %1, r.Tab_NumeroCivico, %3 "
               "FROM (%2) k "
               "JOIN Tab_Protocollo p ON p.Tab_Ente = k.Tab_Ente AND p.Tab_TipoProtocollo = k.Tab_TipoProtocollo "
               "AND p.Tab_NumeroProtocollo = k.Tab_NumeroProtocollo "
               "JOIN Tab_Uffici u ON u.Tab_Ente = k.Tab_Ente AND u.Tab_Ufficio = k.Tab_Ufficio %4"
               "LEFT JOIN Tab_ProSolleciti sol ON sol.Tab_ProgrSollecito = (SELECT MAX(s.Tab_ProgrSollecito) "
               "FROM Tab_ProSolleciti s WHERE s.Tab_Ente = k.Tab_Ente AND s.Tab_Protocollo = k.Tab_NumeroProtocollo)")
               .arg(Dialect::daysBetween(e, due, serverNow(e)), chosen, town, address)
           + order;
}

QString addressOf(const QString &street, const QString &number, const QString &postcode, const QString &town)
{
    if (street.isEmpty() && number.isEmpty() && postcode.isEmpty() && town.isEmpty())
        return {};
    return (street + QStringLiteral(", ") + number + QStringLiteral(" - ") + postcode + QStringLiteral("   ") + town)
        .trimmed();
}

QVector<DeadlineRow> deadlineRows(const F::LoadedRows &r, const Viewer &v)
{
    QVector<DeadlineRow> out;
    out.reserve(r.rowCount());
    for (int i = 0; i < r.rowCount(); ++i) {
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        DeadlineRow row;
        row.deadline = timeOf(r.value(0, i));
        row.direction = txt(1);
        row.number = txt(2);
        row.protocolDate = timeOf(r.value(3, i)).date();
        row.reserved = txt(5) == QLatin1String("S") && !v.privacy;
        row.subject = scope::shownSubject(v, txt(4), txt(5), QString::fromLatin1(scope::kDeadlineMask));
        row.correspondentId = txt(6);
        row.correspondent = txt(7);
        row.address = addressOf(txt(8), txt(17), txt(18), txt(19));
        row.department = txt(9);
        row.office = txt(10);
        row.officeName = txt(11);
        row.serial = txt(12);
        row.assigned = QDate::fromString(row.serial.left(8), QStringLiteral("yyyyMMdd"));
        row.lastReminder = timeOf(r.value(13, i)).date();
        row.reminderPerson = txt(14);
        row.reminderAnswer = txt(15);
        row.delayDays = r.value(16, i).toInt();
        out.append(row);
    }
    return out;
}

} // namespace nimbo::deadlines
