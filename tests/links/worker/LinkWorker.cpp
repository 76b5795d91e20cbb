// Links two protocols the way the link window does (the writer of links
// through the generic server), one process among the workstations doing the
// same at once. What the clerk would be told is printed on stdout (nothing
// when the link was written); the exit status is 0 when the call came back.
//
//   nimbo_link_worker sqlite|pg <central> <local> <folder> <ente> <dir> <number> <dirC> <numberC>
//
// It starts when the file <folder>/go appears, so that the processes meet.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <cstdio>

#include "../../support/WorkerSession.h"
#include "protocol/ProtocolLinks.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 10) {
        std::fprintf(stderr, "usage: %s sqlite|pg <central> <local> <folder> <ente> <dir> <number> <dirC> <numberC>\n",
                     argv[0]);
        return 2;
    }
    nimbo::test::startWorkerSession(a[1] == QLatin1String("pg"), a[2], a[3], a[4], a[5]);

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(a[4] + QStringLiteral("/go")) && waited.elapsed() < 20000)
        QThread::msleep(2);
    namespace L = nimbo::protocol::links;
    const L::Result r = L::link(a[5], {a[6], a[7]}, {a[8], a[9]});
    if (!r.ok())
        std::printf("%s\n", qPrintable(L::linkMessage(r)));
    return 0;
}
