#pragma once
// The session of a worker process that a race test starts: the test's
// central database (a SQLite file, or the PostgreSQL connection string),
// its local database and program folder, DEMO9 of the given body at work,
// and the application servers registered.

#include <QFileInfo>

#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"

namespace nimbo::test {

inline void startWorkerSession(bool pg, const QString &central, const QString &local, const QString &folder,
                               const QString &ente)
{
    auto &s = DicAmbiente::session();
    s.programFolder = folder;
    s.programName = QStringLiteral("Nimbo");
    s.cfg = DicAmbiente::defaultConfig(folder);
    s.cfg.pathDb = QFileInfo(local).absolutePath() + QLatin1Char('/');
    s.cfg.protocollo = pg ? QString() : central;
    s.cfg.tabLocal = local;
    s.cfg.databases = {{QStringLiteral("PROTOCOLLO"), s.cfg.protocollo}, {QStringLiteral("TABLOCAL"), local}};
    s.cfg.serverDb = pg ? central : QString();
    s.cfg.oleGenerica = kGenericProgId;
    s.cfg.oleGp = kProtocolProgId;
    s.op.code = QStringLiteral("DEMO9");
    s.op.ente = ente;
    registerServers();
}

} // namespace nimbo::test
