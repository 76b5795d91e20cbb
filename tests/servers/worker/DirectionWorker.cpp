// Turns one protocol around through the protocol server, again and again,
// one process among several: each round asks for incoming -> outgoing and
// then outgoing -> incoming. Starts at the given time (milliseconds since
// the epoch) so that the processes meet; prints "OK" for a change made and
// "STALE" for one refused because another process turned the protocol
// first; any other reply goes to stderr and makes the exit status 1.
//
//   nimbo_direction_worker sqlite|pg <file|conninfo> <ente> <number> <operator> <start> <rounds>

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>

#include "servers/DirectionRequests.h"
#include "servers/ProtocolServer.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 8) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <number> <operator> <start> <rounds>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    nimbo::ProtocolServer server(target);
    const qint64 start = a[6].toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < start)
        QThread::msleep(1);
    int status = 0;
    for (int round = 0; round < a[7].toInt(); ++round)
        for (const QString &from : {QStringLiteral("E"), QStringLiteral("U")}) {
            QVariantList request = nimbo::direction::changeRequest(a[3], from, a[4], a[5]);
            const QVariantList reply = server.Elabora(nimbo::kOpInvertiTipo, request);
            const QString code = reply.value(0).toString();
            if (code == QLatin1String("0")) {
                std::printf("OK\n");
            } else if (code == nimbo::kStatusRefused && reply.value(1).toString().contains(QLatin1String("nel frattempo"))) {
                std::printf("STALE\n");
            } else {
                std::fprintf(stderr, "%s: %s %s\n", qPrintable(code), qPrintable(reply.value(1).toString()),
                             qPrintable(reply.value(2).toString()));
                status = 1;
            }
            std::fflush(stdout);
        }
    return status;
}
