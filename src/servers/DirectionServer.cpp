#include "servers/ProtocolServer.h"
#include "servers/DirectionRequests.h"

namespace nimbo {

QVariantList ProtocolServer::directionChange(const QVariantList &)
{
    return {kStatusRefused, QStringLiteral("Operazione non disponibile.")};
}

} // namespace nimbo
