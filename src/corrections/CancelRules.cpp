#include "corrections/CancelRules.h"

#include <QRegularExpression>

#include "data/Dialect.h"
#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::corrections::cancel {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString cell(const F::LoadedRows &r, int column, int row) { return r.value(column, row).toString().trimmed(); }

} // namespace

QString typedNumber(const QString &typed)
{
    static const QRegularExpression shapes(QStringLiteral("^(\\d{4})\\s*[-/]?\\s*(\\d{1,7})$"));
    const QString t = typed.trimmed();
    if (t.size() == 11 && !t.contains(QRegularExpression(QStringLiteral("\\D"))))
        return t;
    const auto m = shapes.match(t);
    if (!m.hasMatch() || t.size() == 4)
        return {};
    return m.captured(1) + m.captured(2).rightJustified(7, QLatin1Char('0'));
}

QString searchQuery(const QString &ente, const Criteria &c)
{
    QString sql = QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, "
                                 "r.Tab_Denominazione, p.Tab_Oggetto, p.Tab_SoggPrivacy, p.Tab_Tipologia, "
                                 "t.Tab_Descrizione FROM Tab_Protocollo p "
                                 "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                                 "r.Tab_Identificativo = p.Tab_Intestatario "
                                 "LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia "
                                 "WHERE p.Tab_Ente = ")
                  + q(ente) + QStringLiteral(" AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'");
    if (!c.direction.isEmpty())
        sql += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.direction);
    if (c.from.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + protocol::sqlDate(c.from);
    if (c.to.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtocollo <= ") + protocol::sqlDate(c.to);
    if (c.correspondent > 0)
        sql += QStringLiteral(" AND p.Tab_Intestatario = ") + QString::number(c.correspondent);
    if (!c.number.isEmpty())
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(c.number);
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("p.Tab_Oggetto"),
                                     q(QLatin1Char('%') + c.subject.trimmed() + QLatin1Char('%')));
    return sql + QStringLiteral(" ORDER BY p.Tab_DataProtocollo DESC, p.Tab_NumeroProtocollo DESC")
           + Dialect::limit(kSearchLimit);
}

Shown shownRow(const F::LoadedRows &rows, int row, bool privacyRight)
{
    const bool masked = !privacyRight && cell(rows, CPrivacy, row).toUpper() == QLatin1String("S");
    const QString type = cell(rows, CDocType, row);
    const QString typeName = cell(rows, CDocTypeName, row);
    return {cell(rows, CDirection, row),
            shownNumber(cell(rows, CNumber, row)),
            protocol::dateText(rows.value(CDate, row)),
            masked ? kMasked : cell(rows, CCorrespondent, row),
            masked ? kMasked : rows.value(CSubject, row).toString(),
            typeName.isEmpty() ? type : type + QStringLiteral(" - ") + typeName};
}

QString reasonQuery(const QString &typed, bool byDescription)
{
    const QString t = typed.trimmed();
    if (byDescription)
        return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_Motivo_Cancella WHERE ")
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("Tab_Descrizione"),
                                     q(t + QLatin1Char('%')))
               + QStringLiteral(" ORDER BY Tab_Descrizione");
    return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_Motivo_Cancella WHERE Tab_Codice = ") + q(t)
           + QStringLiteral(" ORDER BY Tab_Codice");
}

ui::CodeLookup::Finder reasonFinder()
{
    return [](const QString &typed, bool byDescription) {
        QVector<ui::Match> out;
        const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), reasonQuery(typed, byDescription));
        for (int i = 0; r.ok && i < r.rowCount(); ++i)
            out.append({r.value(0, i).toString().trimmed(), r.value(1, i).toString().trimmed(), QString()});
        return out;
    };
}

QString reasonDescriptionQuery(const QString &code)
{
    return QStringLiteral("SELECT Tab_Descrizione FROM Tab_Motivo_Cancella WHERE Tab_Codice = ") + q(code.trimmed());
}

QString actProblem(const ActInput &act, const QDate &today)
{
    const bool type = !act.type.trimmed().isEmpty(), number = !act.number.trimmed().isEmpty(),
               date = !act.date.trimmed().isEmpty();
    if (!type && !number && !date)
        return {};
    const QDate d = protocol::shownDate(act.date);
    if (!type || !number || !d.isValid())
        return kActIncomplete;
    if (d > today)
        return kActInFuture;
    return {};
}

} // namespace nimbo::corrections::cancel
