#include "servers/ProtocolServer.h"
#include "servers/LateRequests.h"

namespace nimbo {

QVariantList ProtocolServer::lateRegistration(const QVariantList &)
{
    return {kStatusRefused, QStringLiteral("Operazione non disponibile.")};
}

} // namespace nimbo
