// Registers protocols through the protocol server, one process among
// several: prints each number it gets on its own line.
//
//   nimbo_protocol_worker sqlite|pg <file or conninfo> <count, 0 = until killed> <ente>

#include <QCoreApplication>
#include <cstdio>

#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"

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
    const QString ente = a[4];
    nimbo::ProtocolServer server(target);
    for (long i = 0; count == 0 || i < count; ++i) {
        const QString dir = i % 2 ? QStringLiteral("U") : QStringLiteral("E");
        QVariantList req = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(ente, dir, QString()),
            nimbo::test::newProtocolColumns(ente, dir, QStringLiteral("Pratica %1").arg(i)), QStringLiteral("OP01"),
            {nimbo::test::dossierColumns(ente, 1), nimbo::test::dossierColumns(ente, 2)});
        const QVariantList reply = server.Elabora(nimbo::kOpRegistraProtocollo, req);
        if (reply.value(0).toString() != QLatin1String("0")) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(1).toString()));
            return 1;
        }
        std::printf("%s\n", qPrintable(reply.value(2).toString()));
        std::fflush(stdout);
    }
    return 0;
}
