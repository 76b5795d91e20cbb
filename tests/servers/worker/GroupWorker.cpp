// Writes new groups through the protocol server, one process among several
// writing the same names at once: address-book groups (operation 12) or
// groups of offices (operation 22) named "GARA 0", "GARA 1", ... Starts at
// the given time (milliseconds since the epoch) so that the processes meet
// on each name; prints "OK <n>" or "991 <n> <text>" for each; anything else
// goes to stderr and makes the exit status 1.
//
//   nimbo_group_worker sqlite|pg <file or conninfo> 12|22 <ente> <department> <start> <count> <member>...
//
// A member is an address-book identifier (12) or "department/office/member" (22).

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <cstdio>

#include "servers/ProtocolServer.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 9) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> 12|22 <ente> <department> <start> <count> <member>...\n",
                     argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    const short op = short(a[3].toInt());
    QVariantList members;
    for (const QString &m : a.mid(8)) {
        if (op == nimbo::kOpGruppiRubrica) {
            members << m.toLongLong();
        } else {
            const QStringList f = m.split(QLatin1Char('/'));
            members << QVariant(QVariantList{f.value(0), f.value(1), f.value(2)});
        }
    }
    nimbo::ProtocolServer server(target);
    const qint64 start = a[6].toLongLong();
    while (QDateTime::currentMSecsSinceEpoch() < start)
        QThread::msleep(1);
    int status = 0;
    for (int i = 0; i < a[7].toInt(); ++i) {
        const QString name = QStringLiteral("GARA %1").arg(i);
        QVariantList request{a[4], name, QStringLiteral("DEMO9"), a[5], QVariant(members), QString()};
        if (op == nimbo::kOpGruppiRubrica)
            request << QStringLiteral("0");
        const QVariantList reply = server.Elabora(op, request);
        const QString code = reply.value(0).toString();
        if (code == QLatin1String("0")) {
            std::printf("OK %d\n", i);
        } else if (code == nimbo::kStatusRefused) {
            std::printf("991 %d %s\n", i, qPrintable(reply.value(1).toString()));
        } else {
            std::fprintf(stderr, "%s: %s\n", qPrintable(code), qPrintable(reply.value(1).toString()));
            status = 1;
        }
        std::fflush(stdout);
    }
    return status;
}
