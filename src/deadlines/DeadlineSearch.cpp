#include "deadlines/DeadlineSearch.h"

#include "data/Dialect.h"
#include "search/GeneralSearch.h"

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
    return std::nullopt;
}

QString deadlineListQuery(const DeadlineCriteria &c, const Viewer &v)
{
    const Dialect::Engine e = Dialect::centralTarget().engine;
    QString sql = QStringLiteral(
        "SELECT x.Tab_DataEvasione, x.Tab_TipoProtocollo, x.Tab_NumeroProtocollo, x.Tab_DataProtocollo, x.Tab_Oggetto, "
        "x.Tab_SoggPrivacy, x.Tab_Intestatario, x.Tab_Denominazione, '' AS Indirizzo, x.Dipa_CodDipartimento, "
        "x.Tab_Ufficio, x.Tab_Descrizione, x.Tab_DataSerialeMov, x.Tab_DataSollecito, x.Tab_PersonaContattata, "
        "x.Tab_Risposta, ")
        + Dialect::daysBetween(e, QStringLiteral("x.Tab_DataEvasione"), QStringLiteral("NOW()"))
        + QStringLiteral(" FROM ProtocolliAssegnati_Competenza x WHERE x.Tab_Ente = ") + q(v.ente)
        + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento arch WHERE arch.Tab_TipoMovimento = 5 "
                         "AND arch.Tab_Ente = x.Tab_Ente AND arch.Tab_TipoProtocollo = x.Tab_TipoProtocollo "
                         "AND arch.Tab_NumeroProtocollo = x.Tab_NumeroProtocollo)");
    switch (c.kind) {
    case DeadlineCriteria::Kind::DueWithin:
        sql += QStringLiteral(" AND x.Tab_DataEvasione > NOW() AND x.Tab_DataEvasione <= ")
               + Dialect::addDays(e, QStringLiteral("NOW()"), c.days);
        break;
    case DeadlineCriteria::Kind::Overdue:
        sql += QStringLiteral(" AND x.Tab_DataEvasione < NOW()");
        break;
    case DeadlineCriteria::Kind::Between:
        sql += QStringLiteral(" AND x.Tab_DataEvasione >= ") + q(c.from.toString(Qt::ISODate))
               + QStringLiteral(" AND x.Tab_DataEvasione < ") + q(c.to.addDays(1).toString(Qt::ISODate));
        break;
    case DeadlineCriteria::Kind::None:
        break;
    }
    if (!c.correspondent.trimmed().isEmpty())
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(e, QStringLiteral("x.Tab_Denominazione"), q(QLatin1Char('%') + c.correspondent.trimmed() + QLatin1Char('%')));
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(e, QStringLiteral("x.Tab_Oggetto"), q(QLatin1Char('%') + c.subject.trimmed() + QLatin1Char('%')));
    if (!c.department.isEmpty())
        sql += QStringLiteral(" AND x.Dipa_CodDipartimento = ") + q(c.department);
    if (!c.office.isEmpty())
        sql += QStringLiteral(" AND x.Tab_Ufficio = ") + q(c.office);
    scope::DeadlineColumns cols;
    cols.operatorCode = QStringLiteral("x.Tab_codiceOpe");
    cols.office = QStringLiteral("x.Tab_Ufficio");
    cols.department = QStringLiteral("x.Dipa_CodDipartimento");
    sql += QStringLiteral(" AND ") + scope::deadlines(v, cols)
           + QStringLiteral(" ORDER BY x.Tab_DataEvasione, x.Tab_NumeroProtocollo");
    if (c.limit > 0)
        sql += Dialect::limit(c.limit + 1);
    return sql;
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
        row.reserved = search::masked(v, txt(5));
        row.subject = row.reserved ? QString::fromLatin1(search::kMask) : txt(4);
        row.correspondentId = txt(6);
        row.correspondent = txt(7);
        row.address = txt(8);
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
