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
#include <QFileInfo>
#include <QThread>
#include <cstdio>

#include "protocol/ProtocolLinks.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 10) {
        std::fprintf(stderr, "usage: %s sqlite|pg <central> <local> <folder> <ente> <dir> <number> <dirC> <numberC>\n",
                     argv[0]);
        return 2;
    }
    const bool pg = a[1] == QLatin1String("pg");
    auto &s = DicAmbiente::session();
    s.programFolder = a[4];
    s.programName = QStringLiteral("Nimbo");
    s.cfg = DicAmbiente::defaultConfig(a[4]);
    s.cfg.pathDb = QFileInfo(a[3]).absolutePath() + QLatin1Char('/');
    s.cfg.protocollo = pg ? QString() : a[2];
    s.cfg.tabLocal = a[3];
    s.cfg.databases = {{QStringLiteral("PROTOCOLLO"), s.cfg.protocollo}, {QStringLiteral("TABLOCAL"), a[3]}};
    s.cfg.serverDb = pg ? a[2] : QString();
    s.cfg.oleGenerica = nimbo::kGenericProgId;
    s.op.code = QStringLiteral("DEMO9");
    s.op.ente = a[5];
    nimbo::registerServers();

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
