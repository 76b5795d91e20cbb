#include "search/GeneralSearch.h"

#include <QRegularExpression>
#include <QStringList>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"

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

// Every condition on p but the order and the limit.
QString conditions(const GeneralCriteria &c, const protocol::Viewer &v)
{
    QString sql = QStringLiteral("p.Tab_Ente = ") + q(v.ente);
    if (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) {
        // The number names one protocol: nothing else narrows it but the scope.
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(searchedNumber(c.year, c.number));
    } else if (!c.emergencyNumber.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND p.Tab_ProtocolloTemporaneo LIKE ")
               + q(QLatin1Char('%') + c.emergencyNumber.trimmed().rightJustified(7, QLatin1Char('0')) + QLatin1Char('%'));
    } else {
        if (c.date.isValid())
            sql += QStringLiteral(" AND p.Tab_DataProtocollo ")
                   + (c.dateOperator == QLatin1String("<=") ? QStringLiteral("<= ") : QStringLiteral(">= "))
                   + QLatin1Char('\'') + c.date.toString(Qt::ISODate) + QLatin1Char('\'');
        if (!c.correspondent.trimmed().isEmpty())
            sql += QStringLiteral(" AND (p.Tab_Intestatario IN (SELECT Tab_Identificativo FROM Tab_Rubrica WHERE "
                                  "Tab_EnteRubrica = ")
                   + q(v.ente) + QStringLiteral(" AND ") + contains(QStringLiteral("Tab_Denominazione"), c.correspondent)
                   + QStringLiteral(") OR EXISTS (SELECT 1 FROM Tab_ProtocolloDestinatari d JOIN Tab_Rubrica r2 ON "
                                    "r2.Tab_EnteRubrica = d.Tab_Ente AND r2.Tab_Identificativo = d.Tab_MittDest WHERE "
                                    "d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND "
                                    "d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND ")
                   + contains(QStringLiteral("r2.Tab_Denominazione"), c.correspondent) + QStringLiteral("))");
        if (!c.docType.trimmed().isEmpty())
            sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(c.docType.trimmed());
        if (!c.subject.trimmed().isEmpty())
            sql += QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
        if (c.incoming != c.outgoing)
            sql += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
    }
    // The chosen department and office narrow the operator's scope; they
    // never widen it.
    const QString routed = QStringLiteral("EXISTS (SELECT 1 FROM Tab_Iter_Destinatari i%1 WHERE i.Tab_Ente = p.Tab_Ente "
                                          "AND i.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND i.Tab_NumeroProtocollo = "
                                          "p.Tab_NumeroProtocollo AND %2)");
    if (!c.department.trimmed().isEmpty())
        sql += QStringLiteral(" AND (p.Tab_SedeRicezione = ") + q(c.department.trimmed()) + QStringLiteral(" OR ")
               + routed.arg(QStringLiteral(" JOIN Tab_Uffici u ON u.Tab_Ente = i.Tab_Ente AND u.Tab_Ufficio = "
                                           "i.Tab_UfficioDestinatario"),
                            QStringLiteral("u.Tab_Dipartimento = ") + q(c.department.trimmed()))
               + QLatin1Char(')');
    if (!c.department.trimmed().isEmpty() && !c.office.trimmed().isEmpty())
        sql += QStringLiteral(" AND (p.Tab_UfficioRegistrazione = ") + q(c.office.trimmed()) + QStringLiteral(" OR ")
               + routed.arg(QString(), QStringLiteral("i.Tab_UfficioDestinatario = ") + q(c.office.trimmed()))
               + QLatin1Char(')');
    sql += QStringLiteral(" AND ") + protocol::scope::generalSearch(v);
    return sql;
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
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "r.Tab_Denominazione, p.Tab_StatoProtocollo, p.Tab_SoggPrivacy, p.Tab_CodiceOpeReg "
                          "FROM Tab_Protocollo p LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                          "r.Tab_Identificativo = p.Tab_Intestatario WHERE ")
           + conditions(c, v) + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC")
           + Dialect::limit(qMax(1, c.limit));
}

QString countQuery(const GeneralCriteria &c, const protocol::Viewer &v)
{
    return QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo p WHERE ") + conditions(c, v);
}

bool masked(const protocol::Viewer &v, const QString &privacyFlag)
{
    return !v.privacy && privacyFlag.trimmed() == QLatin1String("S");
}

} // namespace nimbo::search
