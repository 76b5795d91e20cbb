// TEMPORARY skeleton: the session helper replaces this file with the full reader.
#include "session/DicAmbiente.h"

namespace DicAmbiente {
namespace {
Session g_session;
}
Session &session() { return g_session; }
void resetSession() { g_session = Session(); }
bool readConfig(const QString &, Config &) { return false; }
QString configPath(const QString &folder, const QString &name) { return folder + QLatin1Char('/') + name + QStringLiteral(".ini"); }
QString declaredDatabase(const Config &cfg, const QString &logicalName)
{
    for (const auto &d : cfg.databases)
        if (d.name.compare(logicalName, Qt::CaseInsensitive) == 0)
            return d.path;
    return {};
}
QString logFilePath() { return {}; }
QString traceFilePath() { return {}; }
} // namespace DicAmbiente
