#include "addressbook/AddressBookRules.h"

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/ContainsIndex.h"
#include "servers/ProtocolServer.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::addressbook {
namespace {

QString q(const QString &text) { return ui::sqlText(text); }

} // namespace

QString nameCondition(const QString &column, const QString &rowid, const QString &text, bool contains)
{
    const QString t = text.trimmed();
    QString out = Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                                      q((contains ? QStringLiteral("%") : QString()) + t + QLatin1Char('%')));
    if (const QString narrowed = protocol::contains::nameRowsCondition(rowid, t); !narrowed.isEmpty())
        out = narrowed + QStringLiteral(" AND ") + out;
    return out;
}

QString searchSql(const Search &s)
{
    QString sql = QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, r.Tab_Domicilio || ', ' || "
                                 "COALESCE(r.Tab_NumeroCivico, '') || ' - ' || c.Com_Comune AS Domicilio, "
                                 "r.Tab_Telefono FROM Tab_Rubrica r INNER JOIN Tab_Comuni c ON "
                                 "r.Tab_ComuneUbicazione = c.Com_Codcom WHERE r.Tab_EnteRubrica = ")
                  + q(s.ente);
    if (!s.kind.trimmed().isEmpty() && s.kind.trimmed() != kAllKinds)
        sql += QStringLiteral(" AND r.Tab_TipoUtenza = ") + q(s.kind.trimmed());
    if (!s.text.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + nameCondition(QStringLiteral("r.Tab_Denominazione"), QStringLiteral("r.rowid"),
                                                       s.text, s.contains);
    if (s.only > 0)
        sql += QStringLiteral(" AND r.Tab_Identificativo = ") + QString::number(s.only);
    return sql + QStringLiteral(" ORDER BY r.Tab_Denominazione") + Dialect::limit(s.limit > 0 ? s.limit : 50);
}

QStringList entryColumns()
{
    return {QStringLiteral("Tab_Identificativo"),    QStringLiteral("Tab_Denominazione"),
            QStringLiteral("Tab_Domicilio"),         QStringLiteral("Tab_NumeroCivico"),
            QStringLiteral("Tab_ComuneUbicazione"),  QStringLiteral("Com_Comune"),
            QStringLiteral("Tab_Telefono"),          QStringLiteral("Tab_Fax"),
            QStringLiteral("Tab_PostaElettronica"),  QStringLiteral("Tab_Annotazioni"),
            QStringLiteral("Tab_Cessazione"),        QStringLiteral("Tab_Nimbo"),
            QStringLiteral("Tab_TipoUtenza"),        QStringLiteral("TipoDescrizione"),
            QStringLiteral("Tab_CodInterno_DiPrev"), QStringLiteral("Tab_SCodInterno_DiPrev"),
            QStringLiteral("Tab_Attivo"),            QStringLiteral("Tab_CodOper")};
}

QString entrySql(const QString &ente, qlonglong id)
{
    return QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, r.Tab_Domicilio, r.Tab_NumeroCivico, "
                          "r.Tab_ComuneUbicazione, c.Com_Comune, r.Tab_Telefono, r.Tab_Fax, r.Tab_PostaElettronica, "
                          "r.Tab_Annotazioni, r.Tab_Cessazione, r.Tab_Nimbo, r.Tab_TipoUtenza, k.Tab_Descrizione, "
                          "r.Tab_CodInterno_DiPrev, r.Tab_SCodInterno_DiPrev, r.Tab_Attivo, r.Tab_CodOper "
                          "FROM Tab_Rubrica r LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione "
                          "LEFT JOIN Tab_TipoUtenza k ON k.Tab_Codice = r.Tab_TipoUtenza WHERE r.Tab_EnteRubrica = ")
           + q(ente) + QStringLiteral(" AND r.Tab_Identificativo = ") + QString::number(id);
}

QString usedByProtocolSql(const QString &ente, qlonglong id)
{
    const QString n = QString::number(id);
    return QStringLiteral("SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Intestatario = ") + n
           + QStringLiteral(" UNION ALL SELECT 1 FROM Tab_ProtocolloDestinatari WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_MittDest = ") + n + Dialect::limit(1);
}

QString usedByGroupSql(const QString &ente, qlonglong id)
{
    return QStringLiteral("SELECT Tab_Identificativo FROM Tab_RubricaGruppi WHERE Tab_Identificativo = ")
           + QString::number(id) + QStringLiteral(" AND Tab_Ente = ") + q(ente) + Dialect::limit(1);
}

QString othersKind999Sql(const QString &ente, qlonglong id, const QString &operatorCode)
{
    return QStringLiteral("SELECT 1 FROM Tab_Rubrica WHERE Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND Tab_Identificativo = ") + QString::number(id)
           + QStringLiteral(" AND Tab_TipoUtenza = '999' AND COALESCE(Tab_CodOper, '') <> ") + q(operatorCode);
}

QString duplicateSql(const QString &ente, const QString &name, qlonglong id)
{
    QString sql = QStringLiteral("SELECT Tab_Denominazione FROM Tab_Rubrica WHERE Tab_Denominazione = ") + q(name)
                  + QStringLiteral(" AND Tab_EnteRubrica = ") + q(ente);
    if (id > 0)
        sql += QStringLiteral(" AND Tab_Identificativo <> ") + QString::number(id);
    return sql + Dialect::limit(1);
}

QString departmentDuplicateSql(const QString &ente, const QString &name, const QString &department)
{
    return QStringLiteral("SELECT Tab_Denominazione FROM Tab_Rubrica INNER JOIN Tab_Operatori ON "
                          "Tab_Rubrica.Tab_CodOper = Tab_Operatori.Op_Codice_Operatore WHERE Tab_Denominazione = ")
           + q(name) + QStringLiteral(" AND Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND Tab_Operatori.Op_Dipartimento = ") + q(department) + Dialect::limit(1);
}

QString kindsSql() { return QStringLiteral("SELECT Tab_codice, Tab_descrizione FROM Tab_TipoUtenza order by Tab_Codice"); }

QString protocolsOfSql(const QString &ente, qlonglong id)
{
    return QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, Tab_DataRicezione, "
                          "Tab_Oggetto, Tab_SoggPrivacy FROM Tab_Protocollo WHERE Tab_Ente = ")
           + q(ente) + QStringLiteral(" and Tab_Intestatario = ") + QString::number(id)
           + QStringLiteral(" ORDER BY Tab_NumeroProtocollo DESC");
}

QString correspondentLabel(const QString &name, const QString &street, const QString &number,
                           const QString &municipality)
{
    return name.trimmed() + QStringLiteral(" - ") + street.trimmed() + QStringLiteral(", ") + number.trimmed()
           + QStringLiteral(" - ") + municipality.trimmed();
}

QString storedHouseNumber(const QString &typed) { return typed.trimmed() + QLatin1Char(' '); }

QString groupsSql(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT distinct Tab_Raggruppamento FROM Tab_RubricaGruppi WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" ORDER BY Tab_Raggruppamento");
}

QString groupMembersSql(const QString &ente, const QString &department, const QString &name)
{
    return QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, r.Tab_Domicilio || ', ' || "
                          "COALESCE(r.Tab_NumeroCivico, ''), c.Com_Comune, r.Tab_Cessazione, g.Tab_Condiviso "
                          "FROM Tab_RubricaGruppi g INNER JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = g.Tab_Ente AND "
                          "r.Tab_Identificativo = g.Tab_Identificativo LEFT JOIN Tab_Comuni c ON "
                          "c.Com_Codcom = r.Tab_ComuneUbicazione WHERE r.Tab_Attivo = 1 AND g.Tab_Raggruppamento = ")
           + q(name) + QStringLiteral(" AND g.Tab_Ente = ") + q(ente) + QStringLiteral(" AND g.Tab_Dipartimento = ")
           + q(department) + QStringLiteral(" ORDER BY r.Tab_Denominazione");
}

QString groupSearchSql(const GroupSearch &s)
{
    QString sql = QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, r.Tab_Domicilio || ', ' || "
                                 "COALESCE(r.Tab_NumeroCivico, '') AS Via, c.Com_Comune FROM Tab_Comuni c INNER JOIN "
                                 "Tab_Rubrica r ON c.Com_Codcom = r.Tab_ComuneUbicazione WHERE r.Tab_EnteRubrica = ")
                  + q(s.ente) + QStringLiteral(" AND r.Tab_Cessazione IS NULL AND r.Tab_Attivo = 1");
    if (!s.text.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + nameCondition(QStringLiteral("r.Tab_Denominazione"), QStringLiteral("r.rowid"),
                                                       s.text, s.contains);
    if (!s.kind.trimmed().isEmpty() && s.kind.trimmed() != kAllKinds)
        sql += QStringLiteral(" AND r.Tab_TipoUtenza = ") + q(s.kind.trimmed());
    if (!s.leaveOut.isEmpty()) {
        QStringList ids;
        for (qlonglong id : s.leaveOut)
            ids << QString::number(id);
        sql += QStringLiteral(" AND r.Tab_Identificativo NOT IN (") + ids.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    return sql + QStringLiteral(" ORDER BY r.Tab_Denominazione") + Dialect::limit(300);
}

QString groupNameUsedSql(const QString &ente, const QString &name)
{
    return QStringLiteral("SELECT Tab_Raggruppamento FROM Tab_RubricaGruppi WHERE Tab_Raggruppamento = ") + q(name)
           + QStringLiteral(" AND Tab_Ente = ") + q(ente) + Dialect::limit(1);
}

qlonglong requestIdentifier(const QString &ente, const QString &title)
{
    QVariantList request{QStringLiteral("1"), ente};
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere.Scrittura su remoto in corso"));
        busy::setRequestTitle(QStringLiteral("OLE - Gestione Protocollo"));
        ServerHolder holder;
        QString why;
        const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
        if (created)
            reply = holder.object->Elabora(kOpProgressivoRubrica, request);
        holder.release();
        busy::setRequestTitle(QString());
        busy::setWaitText(QString());
        if (!created) {
            GECentr::writeLog(why, QStringLiteral("requestIdentifier"), QStringLiteral("Rubrica"));
            showBox(title, QStringLiteral("Errore In Creazione OLE OLEGP"), Icon::Critical);
            return 0;
        }
    }
    if (reply.value(0).toString().trimmed() != QLatin1String("0")) {
        // The server's own words name what went wrong.
        GECentr::writeLog(reply.value(1).toString(), QStringLiteral("requestIdentifier"), QStringLiteral("Rubrica"));
        showBox(title, QStringLiteral("Server Ole, Errore in Incremento Progressivo Rubrica ")
                           + reply.value(0).toString() + QLatin1Char(' ') + reply.value(1).toString(),
                Icon::Critical);
        return 0;
    }
    return reply.value(2).toLongLong();
}

} // namespace nimbo::addressbook
