// Postpones one protocol's deadline through the protocol server, one process
// among several: waits until the start file exists, so that every process
// asks at the same moment, then asks `count` times for the dates from
// `first` on, `step` days apart, and prints each reply's status and the
// date asked on one line.
//
//   nimbo_postpone_worker sqlite|pg <file|conninfo> <ente> <number> <operator> <yyyy-mm-dd> <step> <count> <start>

#include <QCoreApplication>
#include <QDate>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "servers/DeadlineRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 10) {
        std::fprintf(stderr, "usage: %s sqlite|pg <target> <ente> <number> <operator> <first> <step> <count> <start>\n",
                     argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    nimbo::ProtocolServer server(target);
    const QDate first = QDate::fromString(a[6], Qt::ISODate);
    const int step = a[7].toInt(), count = a[8].toInt();
    while (!QFile::exists(a[9]))
        QThread::usleep(500);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        nimbo::postpone::Postponement p;
        p.ente = a[3];
        p.number = a[4];
        p.operatorCode = a[5];
        p.deadline = first.addDays(qint64(i) * step);
        p.reason = QStringLiteral("Richiesta di integrazione");
        p.official = QStringLiteral("Dott. Conti");
        QVariantList request = nimbo::postpone::postponeRequest(p);
        const QVariantList reply = server.Elabora(nimbo::kOpRegistraScadenza, request);
        const QString status = reply.value(0).toString();
        if (status != QLatin1String("0") && status != nimbo::kStatusRefused)
            ++failures;
        std::printf("%s %s %s\n", qPrintable(status), qPrintable(p.deadline.toString(Qt::ISODate)),
                    qPrintable(reply.value(1).toString().replace(QLatin1Char('\n'), QLatin1Char(' '))));
    }
    return failures == 0 ? 0 : 1;
}
