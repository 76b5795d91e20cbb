#include "schema/DirectionHistory.h"

namespace Schema::DirectionHistory {

QStringList statements(Kind kind, Dialect::Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_storico_numero ON Tab_Protocollo_Storico "
                           "(Tab_Ente, Tab_NumeroProtocollo, ID)")};
}

} // namespace Schema::DirectionHistory
