#include "data/ConnectionPool.h"
#include "data/UnitRetry.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QThread>
#include <atomic>
#include <libpq-fe.h>
#include <memory>
#include <sys/stat.h>

#include "session/GECentr.h"

namespace nimbo::ConnectionPool {
namespace {

struct Pool {
    std::map<QString, std::unique_ptr<Connection>> connections;
    ~Pool() { clear(); }
    void clear()
    {
        for (auto &[key, c] : connections) {
            // Closed first: statements that outlive their driver are simply
            // dropped, instead of each asking a server that may be gone to
            // free it.
            Dialect::close(c->db.connection);
            c->prepared.clear();
        }
        connections.clear();
    }
};

Pool &pool()
{
    // The engine layer's state of this thread is made before the pool, so
    // that at the thread's end it is destroyed after the pool: closing a
    // connection updates it.
    Dialect::prepareThread();
    thread_local Pool p;
    return p;
}

QString keyOf(const QString &purpose, const Dialect::Target &target)
{
    return purpose + QLatin1Char('|') + QString::number(int(target.engine)) + QLatin1Char('|')
           + (target.readOnly ? QLatin1Char('r') : QLatin1Char('w')) + QLatin1Char('|') + target.location;
}

bool fileId(const QString &path, quint64 *device, quint64 *inode)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    *device = quint64(st.st_dev);
    *inode = quint64(st.st_ino);
    return true;
}

bool openInto(Connection *c, QString *error)
{
    static std::atomic<int> serial{0};
    c->db.connection = QStringLiteral("pool_%1_%2").arg(c->purpose).arg(++serial);
    c->db.path = c->target.location;
    c->db.readOnly = c->target.readOnly;
    const bool lite = c->target.engine == Dialect::Engine::SQLite;
    if (lite && !QFileInfo(c->target.location).isFile()) {
        *error = QStringLiteral("Archivio inesistente: ") + c->target.location;
        c->db.connection.clear();
        return false;
    }
    QString err;
    if (!Dialect::open(c->db.connection, c->target, &err)) {
        *error = err;
        c->db.connection.clear();
        return false;
    }
    QSqlDatabase sql = QSqlDatabase::database(c->db.connection, false);
    if (!Dialect::boundLockWaits(sql, &err)) {
        Dialect::close(c->db.connection);
        c->db.connection.clear();
        *error = err;
        return false;
    }
    if (lite)
        fileId(c->target.location, &c->device, &c->inode);
    return true;
}

// False once the server is known to have dropped the connection: libpq
// marks it bad when a statement meets the loss, and a bad connection never
// works again, whatever the statement that met it was (a commit included).
bool alive(const Connection *c)
{
    const QSqlDatabase sql = c->db.sql();
    if (!sql.isOpen())
        return false;
    if (c->target.engine != Dialect::Engine::PostgreSQL || !sql.driver())
        return true;
    const QVariant handle = sql.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "PGconn*") != 0)
        return true;
    const PGconn *pg = *static_cast<PGconn *const *>(handle.constData());
    return pg && PQstatus(pg) == CONNECTION_OK;
}

// The database as the log names it: never the whole connection string,
// which may hold the password.
QString shownName(const Dialect::Target &t)
{
    if (t.engine == Dialect::Engine::SQLite)
        return QFileInfo(t.location).fileName();
    for (const auto &[k, v] : Dialect::parseConnInfo(t.location))
        if (k == QLatin1String("dbname"))
            return v;
    return QStringLiteral("PostgreSQL");
}

void drop(Connection *c)
{
    if (!c->db.connection.isEmpty())
        Dialect::close(c->db.connection);
    c->prepared.clear(); // after the close: see Pool::clear()
    c->db.connection.clear();
}

// The main thread's connections close with the application, while Qt's SQL
// layer is still there.
void closeWithApplication()
{
    static bool registered = false;
    if (registered || !QCoreApplication::instance()
        || QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    registered = true;
    qAddPostRoutine([] { pool().clear(); });
}

} // namespace

Connection *acquire(const QString &purpose, const Dialect::Target &target, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const QString key = keyOf(purpose, target);
    auto &all = pool().connections;
    auto it = all.find(key);
    if (it != all.end()) {
        Connection *c = it->second.get();
        bool same = c->db.valid();
        if (same && !alive(c)) {
            if (!reopen(c, shownName(target), QStringLiteral("connessione chiusa dal server"), error)) {
                all.erase(it);
                return nullptr;
            }
            return c;
        }
        if (same && target.engine == Dialect::Engine::SQLite) {
            quint64 device = 0, inode = 0;
            same = fileId(target.location, &device, &inode) && device == c->device && inode == c->inode;
        }
        if (same)
            return c;
        drop(c);
        if (!openInto(c, error)) {
            all.erase(it);
            return nullptr;
        }
        return c;
    }
    auto c = std::make_unique<Connection>();
    c->purpose = purpose;
    c->target = target;
    if (!openInto(c.get(), error))
        return nullptr;
    closeWithApplication();
    return all.emplace(key, std::move(c)).first->second.get();
}

bool reopen(Connection *c, const QString &what, const QString &why, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    drop(c);
    // The outcome comes first: the log line is cut at a fixed length and
    // the engine's text can be long.
    if (!openInto(c, error)) {
        GECentr::writeLog(QStringLiteral("Connessione al database ") + what
                              + QStringLiteral(" interrotta, riapertura non riuscita: ") + error->simplified()
                              + QStringLiteral(" (") + why.simplified() + QLatin1Char(')'),
                          QStringLiteral("Elabora"), c->purpose);
        return false;
    }
    GECentr::writeLog(QStringLiteral("Connessione al database ") + what
                          + QStringLiteral(" interrotta e riaperta: ") + why.simplified(),
                      QStringLiteral("Elabora"), c->purpose);
    return true;
}

void runUnit(Connection *c, const QString &what, const std::function<AttemptEnd()> &attempt,
             const std::function<void()> &letGo)
{
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(C_GestDB::lockWaitSeconds());
    bool reopened = false;
    for (;;) {
        const AttemptEnd end = attempt();
        if (end.lost && !reopened) {
            reopened = true;
            if (letGo)
                letGo();
            if (!reopen(c, what, end.why, nullptr))
                return;
            continue;
        }
        if (!end.lock || QDateTime::currentDateTime() >= deadline)
            return;
        QThread::msleep(5 + QRandomGenerator::global()->bounded(20));
    }
}

void closeAll() { pool().clear(); }

int size() { return int(pool().connections.size()); }

} // namespace nimbo::ConnectionPool
