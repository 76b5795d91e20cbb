// Registers one protocol late, under a given number and date, through the
// protocol server: one process among several. Prints the reply's status and
// its number or refusal on one line.
//
//   nimbo_late_worker sqlite|pg <file or conninfo> <ente> <number> <yyyy-mm-dd>

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

#include "servers/LateRequests.h"
#include "support/ProtocolRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <number> <yyyy-mm-dd>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    const QString ente = a[3];
    nimbo::ProtocolServer server(target);
    nimbo::ColumnValues columns =
        nimbo::test::newProtocolColumns(ente, QStringLiteral("E"), QStringLiteral("Recupero ") + a[4]);
    const QDate day = QDate::fromString(a[5], Qt::ISODate);
    for (auto &[name, value] : columns)
        if (name == QLatin1String("Tab_DataRicezione"))
            value = day.toString(QStringLiteral("MM/dd/yyyy"));
    QVariantList req = nimbo::lateRegistrationRequest(ente, QStringLiteral("E"), a[4], day, columns,
                                                      QStringLiteral("OP01"));
    const QVariantList reply = server.Elabora(nimbo::kOpRecuperaProtocollo, req);
    std::printf("%s|%s\n", qPrintable(reply.value(0).toString()),
                qPrintable(reply.value(reply.value(0).toString() == QLatin1String("0") ? 2 : 1).toString()));
    std::fflush(stdout);
    return 0;
}
