#include "data/ServerRegistry.h"

#include <QHash>

namespace nimbo {
namespace {
QHash<QString, ServerFactory> &factories()
{
    static QHash<QString, ServerFactory> f;
    return f;
}
QString key(const QString &progId) { return progId.trimmed().toUpper(); }
} // namespace

namespace ServerRegistry {
void add(const QString &progId, ServerFactory factory) { factories().insert(key(progId), std::move(factory)); }
void remove(const QString &progId) { factories().remove(key(progId)); }
bool contains(const QString &progId) { return factories().contains(key(progId)); }

std::unique_ptr<AppServer> create(const QString &progId, QString *error)
{
    auto it = factories().constFind(key(progId));
    if (progId.trimmed().isEmpty() || it == factories().constEnd()) {
        if (error)
            *error = QStringLiteral("Classe non registrata");
        return nullptr;
    }
    std::unique_ptr<AppServer> obj = (*it)();
    if (!obj && error)
        *error = QStringLiteral("Impossibile creare l'oggetto");
    return obj;
}
} // namespace ServerRegistry

bool createServer(ServerHolder &holder, const QString &progId, QString *errorText)
{
    if (holder.object && holder.progId.compare(progId, Qt::CaseInsensitive) == 0)
        return true;
    holder.release();
    QString why;
    std::unique_ptr<AppServer> obj = ServerRegistry::create(progId, &why);
    if (!obj) {
        if (errorText)
            *errorText = why.isEmpty() ? QStringLiteral("Errore Nella Creazione dell'Oggetto ") + progId
                                       : QStringLiteral("Errore Creazione Oggetto ") + progId + QLatin1Char('\n') + why;
        return false;
    }
    if (obj->errore() != 0) {
        if (errorText)
            *errorText = QStringLiteral("Errore Creazione Oggetto ") + progId + QLatin1Char('\n') + obj->erroreTesto();
        return false;
    }
    holder.object = std::move(obj);
    holder.progId = progId;
    return true;
}

} // namespace nimbo
