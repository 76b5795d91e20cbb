#include "servers/Servers.h"

#include "data/ServerRegistry.h"
#include "servers/GenericServer.h"
#include "servers/ProtocolServer.h"

namespace nimbo {

void registerServers()
{
    ServerRegistry::add(kGenericProgId, [] { return std::make_unique<GenericServer>(); });
    ServerRegistry::add(kProtocolProgId, [] { return std::make_unique<ProtocolServer>(); });
}

} // namespace nimbo
