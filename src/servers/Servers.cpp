#include "servers/Servers.h"

#include "data/ServerRegistry.h"
#include "servers/GenericServer.h"

namespace nimbo {

void registerServers()
{
    ServerRegistry::add(kGenericProgId, [] { return std::make_unique<GenericServer>(); });
}

} // namespace nimbo
