#include "startup/Notices.h"

namespace F = Funzioni_Com_1;

namespace Notices {

QString pendingStructureCountQuery()
{
    return QStringLiteral("SELECT count(ID) FROM PROT_STRUTTURE_I WHERE (Stato_Acquisizione = '0' OR ") +
           QStringLiteral("Stato_Acquisizione IS NULL)");
}

QString recentStructureChangesQuery(Dialect::Engine e)
{
    return QStringLiteral("SELECT Cod_dip,Cod_Uff,Cod_Ser,Des_Dip,Des_Uff,Des_Ser,Cod_Op, Livello ") +
           QStringLiteral("From Prot_Strutture_I ") + QStringLiteral("WHERE (") +
           Dialect::daysBetween(e, QStringLiteral("Data_Eff"), QStringLiteral("NOW()")) +
           QStringLiteral(" < 8) AND (Stato_Acquisizione = '2')");
}

QString structureChangesText(const F::LoadedRows &rows)
{
    QStringList lines{kStructureTitle};
    for (int r = 0; r < rows.rowCount(); ++r) {
        const auto v = [&](int c) { return rows.value(c, r).toString().trimmed(); };
        const QString op = v(6);
        QString line = op == QLatin1String("A")   ? QStringLiteral("   - ATTIVAZIONE ")
                       : op == QLatin1String("D") ? QStringLiteral("   - DISATTIVAZIONE ")
                                                  : QStringLiteral("   - MODIFICA ");
        const QString level = v(7);
        // Code and description columns of the level: department, office, service.
        const int which = level == QLatin1String("2") ? 1 : level == QLatin1String("3") ? 2 : 0;
        line += which == 0 ? QStringLiteral("DEL DIPARTIMENTO: ")
                : which == 1 ? QStringLiteral("DELL'UFFICIO: ")
                             : QStringLiteral("DEL SERVIZIO: ");
        line += v(which) + QStringLiteral(" - ") + v(which + 3);
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

QString waitingDocumentQuery(const Who &who)
{
    if (who.level < 6 || who.level > 9)
        return {};
    const QString op = F::quote(who.code);
    const QString addressed = who.level == 6
                                  ? QStringLiteral("Tab_Iter_Trasmissioni.Tab_Componente = Tab_UfficiComponenti.Tab_Progressivo")
                                  : QStringLiteral("(Tab_Iter_Trasmissioni.Tab_Componente = 0 OR "
                                                   "Tab_Iter_Trasmissioni.Tab_Componente = "
                                                   "Tab_UfficiComponenti.Tab_Progressivo)");
    return QStringLiteral("SELECT tab_protocollo.Tab_NumeroProtocollo FROM Tab_Protocollo "
                          "JOIN Tab_Iter_Documento ON Tab_Iter_Documento.Tab_Ente = Tab_Protocollo.Tab_Ente "
                          "AND Tab_Iter_Documento.Tab_TipoProtocollo = Tab_Protocollo.Tab_TipoProtocollo "
                          "AND Tab_Iter_Documento.Tab_NumeroProtocollo = Tab_Protocollo.Tab_NumeroProtocollo "
                          "JOIN Tab_Iter_Trasmissioni ON Tab_Iter_Trasmissioni.Tab_Ente = Tab_Iter_Documento.Tab_Ente "
                          "AND Tab_Iter_Trasmissioni.Tab_TipoProtocollo = Tab_Iter_Documento.Tab_TipoProtocollo "
                          "AND Tab_Iter_Trasmissioni.Tab_NumeroProtocollo = Tab_Iter_Documento.Tab_NumeroProtocollo "
                          "AND Tab_Iter_Trasmissioni.Tab_DataSerialeMov = Tab_Iter_Documento.Tab_DataSerialeMov "
                          "JOIN Tab_UfficiComponenti ON Tab_UfficiComponenti.Tab_Ente = Tab_Iter_Trasmissioni.Tab_Ente "
                          "AND Tab_UfficiComponenti.Tab_Ufficio = Tab_Iter_Trasmissioni.Tab_UfficioDestinatario "
                          "JOIN Tab_Uffici ON Tab_Uffici.Tab_Ente = Tab_UfficiComponenti.Tab_Ente "
                          "AND Tab_Uffici.Tab_Ufficio = Tab_UfficiComponenti.Tab_Ufficio "
                          "JOIN Tab_Dipartimenti ON Tab_Dipartimenti.Dipa_CodiceEnte = Tab_Uffici.Tab_Ente "
                          "AND Tab_Dipartimenti.Dipa_CodDipartimento = Tab_Uffici.Tab_Dipartimento "
                          "WHERE Tab_Protocollo.Tab_Ente = '") +
           F::quote(who.entity) + QStringLiteral("' AND Tab_UfficiComponenti.Tab_IdUser = '") + op +
           QStringLiteral("' AND ") + addressed +
           QStringLiteral(" AND COALESCE(Tab_Protocollo.Tab_StatoProtocollo, 'A') <> 'C'") + Dialect::limit(1);
}

QString dueSoonQuery(Dialect::Engine e, const Who &who)
{
    const QString entity = F::quote(who.entity);
    // A protocol archived by anyone (a type-5 movement of the body) has
    // nothing left to do. The movement is matched on the whole protocol key
    // through the iter table's own columns: a condition on a column that
    // table lacks would bind to the view outside and let archived protocols
    // through.
    QString sql = QStringLiteral("SELECT Tab_NumeroProtocollo From ProtocolliAssegnati_Competenza ") +
                  QStringLiteral("WHERE (Tab_DataEvasione <= ") + Dialect::addDays(e, QStringLiteral("NOW()"), 5) +
                  QStringLiteral(") AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento arch ") +
                  QStringLiteral("WHERE arch.Tab_TipoMovimento = 5 ") +
                  QStringLiteral("AND arch.Tab_Ente = ProtocolliAssegnati_Competenza.Tab_Ente ") +
                  QStringLiteral("AND arch.Tab_TipoProtocollo = ProtocolliAssegnati_Competenza.Tab_TipoProtocollo ") +
                  QStringLiteral("AND arch.Tab_NumeroProtocollo = ProtocolliAssegnati_Competenza.Tab_NumeroProtocollo)") +
                  QStringLiteral(" AND (Tab_DataEvasione >= ") + Dialect::addDays(e, QStringLiteral("NOW()"), 0) +
                  QStringLiteral(") AND (Tab_Ente = '") + entity + QStringLiteral("')");
    if (who.level == 6)
        sql += QStringLiteral(" AND ProtocolliAssegnati_Competenza.Tab_codiceOpe='") + F::quote(who.code) +
               QStringLiteral("'");
    else if (who.level == 7)
        sql += QStringLiteral(" AND ProtocolliAssegnati_Competenza.Tab_Ufficio='") + F::quote(who.office) +
               QStringLiteral("'");
    else if (who.level == 8)
        sql += QStringLiteral(" AND (ProtocolliAssegnati_Competenza.Dipa_CodDipartimento='") +
               F::quote(who.department) + QStringLiteral("')");
    return sql + Dialect::limit(1);
}

} // namespace Notices
