#include "servers/ProtocolServer.h"
#include "servers/CancellationRequests.h"

namespace nimbo {

QVariantList ProtocolServer::cancellation(const QVariantList &)
{
    return {kStatusRefused, QStringLiteral("Operazione non disponibile.")};
}

} // namespace nimbo
