// Registers one provisional e-mail protocol through the protocol server:
// one process among several that wait for the start file, so that all ask
// at the same moment. Prints the reply's status and its number or refusal
// on one line.
//
//   nimbo_email_worker sqlite|pg <file or conninfo> <ente> <provisional number> <start file>

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "servers/MailRequests.h"
#include "support/ProtocolRequests.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 6) {
        std::fprintf(stderr, "usage: %s sqlite|pg <file|conninfo> <ente> <provisional> <start>\n", argv[0]);
        return 2;
    }
    const Dialect::Target target = a[1] == QLatin1String("pg") ? Dialect::Target::postgres(a[2])
                                                               : Dialect::Target::sqlite(a[2]);
    const QString ente = a[3];
    nimbo::ProtocolServer server(target);
    const nimbo::ColumnValues columns =
        nimbo::test::newProtocolColumns(ente, QStringLiteral("E"), QStringLiteral("E-mail ") + a[4]);
    QVariantList request = nimbo::mailreq::registerEmailRequest(
        nimbo::registrationRequest(QStringLiteral("A"), nimbo::protocolCondition(ente, QStringLiteral("E"), QString()),
                                   columns, QStringLiteral("OP01")),
        a[4].toLongLong());
    while (!QFile::exists(a[5]))
        QThread::usleep(500);
    const QVariantList reply = server.Elabora(nimbo::kOpProtocollaEmail, request);
    const bool ok = reply.value(0).toString() == QLatin1String("0");
    std::printf("%s|%s\n", qPrintable(reply.value(0).toString()), qPrintable(reply.value(ok ? 2 : 1).toString()));
    std::fflush(stdout);
    return 0;
}
