#include "servers/Servers.h"

#include "data/ServerRegistry.h"
#include "servers/GenericServer.h"
#include "servers/HistoryServer.h"
#include "servers/ImageServer.h"
#include "servers/MailServer.h"
#include "servers/ProtocolServer.h"

namespace nimbo {

void registerServers()
{
    ServerRegistry::add(kGenericProgId, [] { return std::make_unique<GenericServer>(); });
    ServerRegistry::add(kProtocolProgId, [] { return std::make_unique<ProtocolServer>(); });
    ServerRegistry::add(kImageProgId, [] { return std::make_unique<ImageServer>(); });
    ServerRegistry::add(kHistoryProgId, [] { return std::make_unique<HistoryServer>(); });
    ServerRegistry::add(kMailProgId, [] { return std::make_unique<MailServer>(); });
}

} // namespace nimbo
