// Replaces the further recipients of one outgoing protocol through the
// protocol server, again and again, one process among several. Starts at
// the given time (milliseconds since the epoch) so that the processes meet;
// prints "OK <round>" for each replacement; any other reply goes to stderr
// and makes the exit status 1.
//
//   nimbo_recipient_worker sqlite|pg <file|conninfo> <ente> <number> <operator> <start> <rounds> <identifier>...

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>

#include "servers/ProtocolServer.h"
#include "servers/RecipientRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 9) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <number> <operator> <start> <rounds> "
                             "<identifier>...\n",
                     argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    QVector<qlonglong> ids;
    for (const QString &id : a.mid(8))
        ids << id.toLongLong();
    nimbo::ProtocolServer server(target);
    const qint64 start = a[6].toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < start)
        QThread::msleep(1);
    int status = 0;
    for (int round = 0; round < a[7].toInt(); ++round) {
        QVariantList request = nimbo::links::recipientsRequest(a[3], QStringLiteral("U"), a[4], a[5], ids, false);
        const QVariantList reply = server.Elabora(nimbo::kOpAltriDestinatari, request);
        if (reply.value(0).toString() == QLatin1String("0")) {
            std::printf("OK %d\n", round);
        } else {
            std::fprintf(stderr, "%s: %s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(1).toString()));
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}
