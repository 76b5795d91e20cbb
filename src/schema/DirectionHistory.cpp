#include "schema/DirectionHistory.h"

namespace Schema::DirectionHistory {

QStringList statements(Kind kind, Dialect::Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_storico_numero ON Tab_Protocollo_Storico "
                           "(Tab_Ente, Tab_NumeroProtocollo, ID)"),
            // The rows of a link held by the other protocol, found by the
            // number they name when the protocol turns around.
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollicollegati_numeroc ON Tab_ProtocolliCollegati "
                           "(Tab_Ente, Tab_NumeroProtocolloC)")};
}

} // namespace Schema::DirectionHistory
