#include "deadlines/DeadlineSearch.h"

#include "data/Dialect.h"

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

// The deadline as a point in time both engines compare with their clock.
// SQLite keeps it as text: a day alone ("2026-03-01") or a day and time
// written with a space or a "T"; datetime() brings every shape to the one
// NOW() returns, so that text order is time order.
QString deadlineAt(Dialect::Engine e, const QString &column)
{
    return e == Dialect::Engine::PostgreSQL ? column : QStringLiteral("datetime(%1)").arg(column);
}

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
    const QString due = deadlineAt(e, QStringLiteral("x.Tab_DataEvasione"));
    QString sql = QStringLiteral(
        "SELECT x.Tab_DataEvasione, x.Tab_TipoProtocollo, x.Tab_NumeroProtocollo, x.Tab_DataProtocollo, x.Tab_Oggetto, "
        "x.Tab_SoggPrivacy, x.Tab_Intestatario, x.Tab_Denominazione, r.Tab_Domicilio, x.Dipa_CodDipartimento, "
        "x.Tab_Ufficio, x.Tab_Descrizione, x.Tab_DataSerialeMov, x.Tab_DataSollecito, x.Tab_PersonaContattata, "
        "x.Tab_Risposta, ")
        + Dialect::daysBetween(e, QStringLiteral("x.Tab_DataEvasione"), serverNow(e))
        + QStringLiteral(", r.Tab_NumeroCivico, c.com_cap, c.com_Comune "
                         "FROM ProtocolliAssegnati_Competenza x "
                         "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = x.Tab_Ente AND r.Tab_Identificativo = x.Tab_Intestatario "
                         "LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione "
                         "WHERE x.Tab_Ente = ") + q(v.ente)
        + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento arch WHERE arch.Tab_TipoMovimento = 5 "
                         "AND arch.Tab_Ente = x.Tab_Ente AND arch.Tab_TipoProtocollo = x.Tab_TipoProtocollo "
                         "AND arch.Tab_NumeroProtocollo = x.Tab_NumeroProtocollo)");
    switch (c.kind) {
    case DeadlineCriteria::Kind::DueWithin:
        sql += QStringLiteral(" AND %1 > %2 AND %1 <= %3").arg(due, serverNow(e), serverNowPlusDays(e, c.days));
        break;
    case DeadlineCriteria::Kind::Overdue:
        sql += QStringLiteral(" AND %1 < %2").arg(due, serverNow(e));
        break;
    case DeadlineCriteria::Kind::Between:
        // Text order is time order for every shape SQLite holds, and a
        // PostgreSQL date compares with a date literal: the column is read
        // as it is.
        sql += QStringLiteral(" AND x.Tab_DataEvasione >= ") + q(c.from.toString(Qt::ISODate))
               + QStringLiteral(" AND x.Tab_DataEvasione < ") + q(c.to.addDays(1).toString(Qt::ISODate));
        break;
    case DeadlineCriteria::Kind::None:
        break;
    }
    const auto contains = [&](const QString &column, const QString &text) {
        if (!text.trimmed().isEmpty())
            sql += QStringLiteral(" AND ")
                   + Dialect::likeNoCase(e, column, q(QLatin1Char('%') + text.trimmed() + QLatin1Char('%')));
    };
    contains(QStringLiteral("x.Tab_Denominazione"), c.correspondent);
    contains(QStringLiteral("x.Tab_Oggetto"), c.subject);
    if (!c.department.isEmpty())
        sql += QStringLiteral(" AND x.Dipa_CodDipartimento = ") + q(c.department);
    if (!c.office.isEmpty())
        sql += QStringLiteral(" AND x.Tab_Ufficio = ") + q(c.office);
    scope::DeadlineColumns cols;
    cols.operatorCode = QStringLiteral("x.Tab_codiceOpe");
    cols.office = QStringLiteral("x.Tab_Ufficio");
    cols.department = QStringLiteral("x.Dipa_CodDipartimento");
    sql += QStringLiteral(" AND ") + scope::deadlines(v, cols)
           + QStringLiteral(" ORDER BY x.Tab_DataEvasione, x.Tab_NumeroProtocollo, x.Tab_TipoProtocollo, x.Tab_Ufficio");
    if (c.limit > 0)
        sql += Dialect::limit(c.limit + 1);
    return sql;
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
