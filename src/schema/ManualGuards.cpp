#include "schema/ManualGuards.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "schema/Schema.h"

namespace Schema::ManualGuards {

QStringList statements(Kind kind, Dialect::Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ux_tab_protocollo_cartaceo ON Tab_Protocollo (Tab_Ente, "
                           "Tab_RegistroTemporaneo, (%1)) WHERE %2")
                .arg(kPaperNumberPart, kPaperRegister)};
}

bool noPaperTwins(const QSqlDatabase &db, Kind kind, QString *why)
{
    if (kind != Kind::Central || !tableExists(db, QStringLiteral("Tab_Protocollo")))
        return true;
    QSqlQuery q(db);
    const QString twins = QStringLiteral("SELECT Tab_Ente, Tab_RegistroTemporaneo, %1 AS n FROM Tab_Protocollo WHERE %2 "
                                         "GROUP BY Tab_Ente, Tab_RegistroTemporaneo, %1 HAVING COUNT(*) > 1")
                              .arg(kPaperNumberPart, kPaperRegister);
    if (!q.exec(QStringLiteral("SELECT p.Tab_Ente, p.Tab_RegistroTemporaneo, p.Tab_ProtocolloTemporaneo, "
                               "p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p JOIN (")
                + twins
                + QStringLiteral(") d ON d.Tab_Ente = p.Tab_Ente AND d.Tab_RegistroTemporaneo = p.Tab_RegistroTemporaneo "
                                 "AND d.n = substr(p.Tab_ProtocolloTemporaneo, 1, 7) ORDER BY 1, 2, 3, 5 LIMIT 60"))) {
        *why = q.lastError().text();
        return false;
    }
    QStringList lines;
    while (q.next())
        lines << QStringLiteral("ente %1, registro cartaceo %2, numero %3: protocollo %4 N. %5")
                     .arg(q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                          q.value(2).toString().trimmed(), q.value(3).toString().trimmed(),
                          q.value(4).toString().trimmed());
    if (lines.isEmpty())
        return true;
    *why = QStringLiteral("il registro contiene numeri di registri cartacei di emergenza recuperati in più protocolli; "
                          "ciascuno deve restare in un solo protocollo: correggerli e ripetere l'aggiornamento:\n")
           + lines.join(QLatin1Char('\n'));
    return false;
}

} // namespace Schema::ManualGuards
