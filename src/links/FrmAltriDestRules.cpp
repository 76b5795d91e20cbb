#include "links/FrmAltriDestRules.h"

#include <QSet>

#include "addressbook/AddressBookRules.h"
#include "data/Dialect.h"
#include "ui/RecordEditor.h"

namespace nimbo::links::recipients {
namespace {

QString q(const QString &text) { return ui::sqlText(text); }

// The columns of an entry as every list of this window reads them.
const char *const kEntryColumns = "r.Tab_Identificativo, r.Tab_Denominazione, r.Tab_Domicilio, r.Tab_NumeroCivico, "
                                  "c.com_Comune";
const char *const kTown = " LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione";

// The groups the operator may use: his department's and the shared ones.
QString groupsOf(const Search &s, const QString &g)
{
    return g + QStringLiteral(".Tab_Ente = ") + q(s.ente) + QStringLiteral(" AND (") + g
           + QStringLiteral(".Tab_Dipartimento = ") + q(s.department) + QStringLiteral(" OR ") + g
           + QStringLiteral(".Tab_Condiviso = 1)");
}

} // namespace

QString address(const QString &street, const QString &number, const QString &town)
{
    QString out = street.trimmed();
    if (!number.trimmed().isEmpty())
        out += QStringLiteral(", ") + number.trimmed();
    if (!town.trimmed().isEmpty())
        out += QStringLiteral(" - ") + town.trimmed();
    return out;
}

QString offered(const Recipient &r)
{
    return r.address.isEmpty() ? r.name : r.name + QStringLiteral("  -  ") + r.address;
}

QString protocolSql(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "p.Tab_SoggPrivacy, p.Tab_StatoProtocollo, p.Tab_Intestatario, r.Tab_Denominazione FROM "
                          "Tab_Protocollo p LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                          "r.Tab_Identificativo = p.Tab_Intestatario WHERE p.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(number);
}

QString listSql(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT d.Tab_MittDest, r.Tab_Denominazione, r.Tab_Domicilio, r.Tab_NumeroCivico, "
                          "c.com_Comune FROM Tab_ProtocolloDestinatari d LEFT JOIN Tab_Rubrica r ON "
                          "r.Tab_EnteRubrica = d.Tab_Ente AND r.Tab_Identificativo = d.Tab_MittDest")
           + QLatin1String(kTown) + QStringLiteral(" WHERE d.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND d.Tab_TipoProtocollo = ") + q(direction) + QStringLiteral(" AND d.Tab_NumeroProtocollo = ")
           + q(number) + QStringLiteral(" AND d.Tab_principale = 'N' ORDER BY r.Tab_Denominazione, d.Tab_MittDest");
}

QString entrySql(const QString &ente, qlonglong id)
{
    return QStringLiteral("SELECT ") + QLatin1String(kEntryColumns) + QStringLiteral(" FROM Tab_Rubrica r")
           + QLatin1String(kTown) + QStringLiteral(" WHERE r.Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND r.Tab_Identificativo = ") + QString::number(id);
}

QString singlesSql(const Search &s)
{
    QString sql = QStringLiteral("SELECT ") + QLatin1String(kEntryColumns) + QStringLiteral(" FROM Tab_Rubrica r")
                  + QLatin1String(kTown) + QStringLiteral(" WHERE r.Tab_EnteRubrica = ") + q(s.ente)
                  + QStringLiteral(" AND r.Tab_Attivo = 1");
    if (!s.text.trimmed().isEmpty())
        sql += QStringLiteral(" AND ")
               + addressbook::nameCondition(QStringLiteral("r.Tab_Denominazione"), QStringLiteral("r.rowid"), s.text,
                                            s.contains);
    // Left out in the query, so that the first entries shown are all new.
    QStringList out;
    if (s.mainRecipient > 0)
        out << QString::number(s.mainRecipient);
    for (qlonglong id : s.listed)
        out << QString::number(id);
    if (!out.isEmpty())
        sql += QStringLiteral(" AND r.Tab_Identificativo NOT IN (") + out.join(QLatin1Char(',')) + QLatin1Char(')');
    return sql + QStringLiteral(" ORDER BY r.Tab_Denominazione, r.Tab_Identificativo") + Dialect::limit(kSinglesShown);
}

QString groupsSql(const Search &s)
{
    QString sql = QStringLiteral("SELECT DISTINCT g.Tab_Raggruppamento FROM Tab_RubricaGruppi g WHERE ") + groupsOf(s, QStringLiteral("g"));
    if (!s.text.trimmed().isEmpty())
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("g.Tab_Raggruppamento"),
                                     q((s.contains ? QStringLiteral("%") : QString()) + s.text.trimmed()
                                       + QLatin1Char('%')));
    return sql + QStringLiteral(" ORDER BY g.Tab_Raggruppamento");
}

QString membersSql(const Search &s, const QStringList &groups)
{
    QStringList names;
    for (const QString &g : groups)
        names << q(g);
    if (names.isEmpty())
        names << QStringLiteral("NULL");
    return QStringLiteral("SELECT ") + QLatin1String(kEntryColumns)
           + QStringLiteral(" FROM Tab_RubricaGruppi g JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = g.Tab_Ente AND "
                            "r.Tab_Identificativo = g.Tab_Identificativo")
           + QLatin1String(kTown) + QStringLiteral(" WHERE ") + groupsOf(s, QStringLiteral("g"))
           + QStringLiteral(" AND g.Tab_Raggruppamento IN (") + names.join(QLatin1Char(','))
           + QStringLiteral(") AND r.Tab_Attivo = 1 AND r.Tab_Cessazione IS NULL ORDER BY r.Tab_Denominazione, "
                            "r.Tab_Identificativo");
}

int addRecipients(QVector<Recipient> &list, const QVector<Recipient> &candidates, qlonglong mainRecipient)
{
    QSet<qlonglong> present;
    for (const Recipient &r : std::as_const(list))
        present.insert(r.id);
    int added = 0;
    for (const Recipient &r : candidates) {
        if (r.id <= 0 || r.id == mainRecipient || present.contains(r.id))
            continue;
        present.insert(r.id);
        list.append(r);
        ++added;
    }
    return added;
}

} // namespace nimbo::links::recipients
