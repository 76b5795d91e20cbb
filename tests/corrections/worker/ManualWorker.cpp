// Brings one number of a paper emergency register into the general register
// through the protocol server, one process among several: waits until the
// start file exists, so that every process asks at the same moment, then
// prints the reply's status and its number or message on one line.
//
//   nimbo_manual_worker sqlite|pg <file|conninfo> <ente> <E|U> <register> <number|dd/mm/yyyy> <start file>

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 8) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <E|U> <register> <number> <start>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    nimbo::ColumnValues columns = nimbo::test::newProtocolColumns(a[3], a[4], QStringLiteral("Dal registro cartaceo"));
    for (auto &[name, value] : columns) {
        if (name == QLatin1String("Tab_RegistroTemporaneo"))
            value = a[5];
        else if (name == QLatin1String("Tab_ProtocolloTemporaneo"))
            value = a[6];
    }
    QVariantList request = nimbo::registrationRequest(QStringLiteral("A"), nimbo::protocolCondition(a[3], a[4], QString()),
                                                      columns, QStringLiteral("OP01"));
    nimbo::ProtocolServer server(target);
    while (!QFile::exists(a[7]))
        QThread::usleep(500);
    const QVariantList reply = server.Elabora(nimbo::kOpRegistraProtocollo, request);
    const QString status = reply.value(0).toString();
    std::printf("%s %s\n", qPrintable(status),
                qPrintable(status == QLatin1String("0") ? reply.value(2).toString()
                                                        : reply.value(1).toString().replace(QLatin1Char('\n'), QLatin1Char(' '))));
    return status == QLatin1String("0") || status == nimbo::kStatusRefused ? 0 : 1;
}
