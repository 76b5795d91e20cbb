// Takes deliveries in charge through the protocol server, one process among
// several, one request per delivery in an order of its own, as operator OP02
// of office U02 (department D01): prints "OK <movement key>" or "991 <text>"
// for each; anything else goes to stderr and makes the exit status 1.
//
//   nimbo_iter_worker sqlite|pg <file or conninfo> <ente> <seed> <direction:number:delivery>...

#include <QCoreApplication>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

#include "servers/IterRequests.h"
#include "servers/ProtocolServer.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <seed> <dir:number:delivery>...\n",
                     argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    QStringList items = a.mid(5);
    QRandomGenerator random(a[4].toUInt() + 1);
    std::shuffle(items.begin(), items.end(), random);
    nimbo::ProtocolServer server(target);
    int status = 0;
    for (const QString &item : items) {
        const QStringList f = item.split(QLatin1Char(':'));
        nimbo::iter::InChargeRequest r;
        r.ente = a[3];
        r.department = QStringLiteral("D01");
        r.office = QStringLiteral("U02");
        r.operatorCode = QStringLiteral("OP02");
        r.notes = QStringLiteral("worker ") + a[4];
        r.items.append({f.value(0), f.value(1), f.value(2).toLongLong()});
        QVariantList request = nimbo::iter::takeInChargeRequest(r);
        const QVariantList reply = server.Elabora(nimbo::kOpPresaInCarico, request);
        const QString code = reply.value(0).toString();
        if (code == QLatin1String("0")) {
            std::printf("OK %s\n", qPrintable(nimbo::iter::movementKeys(reply).value(0)));
        } else if (code == nimbo::kStatusRefused) {
            std::printf("991 %s\n", qPrintable(reply.value(1).toString()));
        } else {
            std::fprintf(stderr, "%s: %s\n", qPrintable(code), qPrintable(reply.value(1).toString()));
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}
