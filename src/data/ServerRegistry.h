#pragma once
// Application servers are created at run time by their ProgID text through
// this registry. A ProgID that is not registered behaves exactly like a
// server that cannot be created.

#include <QString>
#include <QVariantList>
#include <functional>
#include <memory>

namespace nimbo {

class AppServer {
public:
    virtual ~AppServer() = default;
    // The one entry point: operation code and parameters (by reference).
    // Element 0 of the reply is the status (0 success), element 1 the text.
    virtual QVariantList Elabora(short operation, QVariantList &params) = 0;
    // Non-zero when the server could not get ready (no database, ...).
    virtual long errore() const { return 0; }
    virtual QString erroreTesto() const { return {}; }
};

using ServerFactory = std::function<std::unique_ptr<AppServer>()>;

namespace ServerRegistry {
void add(const QString &progId, ServerFactory factory);
void remove(const QString &progId);
bool contains(const QString &progId);
// Null when the ProgID is unknown or the factory failed; *error holds why.
std::unique_ptr<AppServer> create(const QString &progId, QString *error);
} // namespace ServerRegistry

// The object holder of a window or loader: empty until the first call,
// reused while held, released after the call.
struct ServerHolder {
    std::unique_ptr<AppServer> object;
    QString progId;
    void release() { object.reset(); progId.clear(); }
};

// Creates the server into an empty holder, or reuses the one it holds.
// On failure the holder is emptied and *errorText holds
// "Errore Creazione Oggetto " + ProgID + line break + error text, or
// "Errore Nella Creazione dell'Oggetto " + ProgID.
bool createServer(ServerHolder &holder, const QString &progId, QString *errorText);

} // namespace nimbo
