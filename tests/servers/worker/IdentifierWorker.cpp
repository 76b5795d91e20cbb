// Asks the protocol server for address-book identifiers, one process among
// several: prints each identifier it gets on its own line.
//
//   nimbo_identifier_worker sqlite|pg <file or conninfo> <count> <ente>

#include <QCoreApplication>
#include <cstdio>

#include "servers/ProtocolServer.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 5) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <count> <ente>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    const long count = a[3].toLong();
    nimbo::ProtocolServer server(target);
    for (long i = 0; i < count; ++i) {
        QVariantList req{QStringLiteral("1"), a[4]};
        const QVariantList reply = server.Elabora(nimbo::kOpProgressivoRubrica, req);
        if (reply.value(0).toString() != QLatin1String("0")) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(1).toString()));
            return 1;
        }
        std::printf("%s\n", qPrintable(reply.value(2).toString()));
        std::fflush(stdout);
    }
    return 0;
}
