#include "data/Dialect.h"
#include "data/DialectPrefix.h"

#include <QFileInfo>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include "data/WalCheckpoint.h"
#include "platform/FileSystem.h"
#include "session/DicAmbiente.h"

namespace Dialect {
namespace {

void sqliteNow(sqlite3_context *ctx, int, sqlite3_value **)
{
    // Local time, second precision, ISO shape: text order is time order.
    sqlite3 *db = sqlite3_context_db_handle(ctx);
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT datetime('now','localtime')", -1, &st, nullptr) == SQLITE_OK
        && sqlite3_step(st) == SQLITE_ROW) {
        sqlite3_result_text(ctx, reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), -1,
                            SQLITE_TRANSIENT);
    } else {
        sqlite3_result_error(ctx, "NOW() failed", -1);
    }
    sqlite3_finalize(st);
}

// SQLite's own UPPER folds ASCII only, so "città" never met "CITTÀ" in a
// search. This one folds every letter, as PostgreSQL does; plain ASCII
// text, nearly all of the register, keeps a byte loop.
void sqliteUpper(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    if (!text) {
        sqlite3_result_null(ctx);
        return;
    }
    const int n = sqlite3_value_bytes(argv[0]);
    QByteArray out(text, n);
    bool ascii = true;
    for (char &c : out) {
        if (c & 0x80) {
            ascii = false;
            break;
        }
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    if (!ascii)
        out = QString::fromUtf8(text, n).toUpper().toUtf8();
    sqlite3_result_text(ctx, out.constData(), int(out.size()), SQLITE_TRANSIENT);
}

bool prepareSqlite(QSqlDatabase &db, QString *error)
{
    QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        *error = QStringLiteral("SQLite handle not available");
        return false;
    }
    auto *h = *static_cast<sqlite3 *const *>(handle.data());
    if (!h || sqlite3_create_function(h, "NOW", 0, SQLITE_UTF8, nullptr, sqliteNow, nullptr, nullptr)
                  != SQLITE_OK) {
        *error = QStringLiteral("SQLite NOW() registration failed");
        return false;
    }
    if (sqlite3_create_function(h, "UPPER", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                                sqliteUpper, nullptr, nullptr)
        != SQLITE_OK) {
        *error = QStringLiteral("SQLite UPPER() registration failed");
        return false;
    }
    QSqlQuery q(db);
    // FULL: in WAL mode NORMAL may lose the last commits on a power cut, and a
    // lost registration would hand its number out a second time. The local
    // database holds the emergency register, so it gets the same.
    // Cache: a word search reads tens of thousands of scattered register
    // rows, more than the default 2 MB hold. The file is not memory-mapped:
    // every commit of another connection makes SQLite drop a connection's
    // whole mapping, and mapping the pages again cost each registration's
    // checks more than they cost through the cache.
    // A read-only connection cannot change the file's journal: it reads the
    // file in whatever mode its writer left it.
    const bool readOnly = db.connectOptions().contains(QLatin1String("QSQLITE_OPEN_READONLY"));
    for (const char *pragma : {"PRAGMA foreign_keys=ON", "PRAGMA journal_mode=WAL", "PRAGMA synchronous=FULL",
                               "PRAGMA mmap_size=0", "PRAGMA cache_size=-65536"}) {
        if (readOnly && qstrcmp(pragma, "PRAGMA journal_mode=WAL") == 0)
            continue;
        if (!q.exec(QString::fromLatin1(pragma))) {
            *error = q.lastError().text();
            return false;
        }
    }
    WalCheckpoint::watch(h);
    return true;
}

// A value for libpq with its blanks, quotes and backslashes escaped by a
// backslash (libpq's rule for unquoted values).
QString quoteConnValue(const QString &v)
{
    QString q;
    for (const QChar c : v) {
        if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            q += QLatin1Char('\\');
        q += c;
    }
    return q;
}

} // namespace

Target centralTarget()
{
    const auto &cfg = DicAmbiente::session().cfg;
    if (!cfg.serverDb.trimmed().isEmpty())
        return Target::postgres(cfg.serverDb.trimmed());
    return Target::sqlite(DicAmbiente::declaredDatabase(cfg, QStringLiteral("PROTOCOLLO")));
}

QList<QPair<QString, QString>> parseConnInfo(const QString &conninfo)
{
    QList<QPair<QString, QString>> out;
    int i = 0;
    const int n = conninfo.size();
    while (i < n) {
        while (i < n && conninfo[i].isSpace())
            ++i;
        if (i >= n)
            break;
        int eq = conninfo.indexOf(QLatin1Char('='), i);
        if (eq < 0)
            break;
        QString key = conninfo.mid(i, eq - i).trimmed();
        i = eq + 1;
        while (i < n && conninfo[i].isSpace())
            ++i;
        QString value;
        if (i < n && conninfo[i] == QLatin1Char('\'')) {
            ++i;
            while (i < n && conninfo[i] != QLatin1Char('\'')) {
                if (conninfo[i] == QLatin1Char('\\') && i + 1 < n)
                    ++i;
                value += conninfo[i++];
            }
            ++i;
        } else {
            while (i < n && !conninfo[i].isSpace())
                value += conninfo[i++];
        }
        out.append({key, value});
    }
    return out;
}

bool open(const QString &connectionName, const Target &target, QString *error)
{
    QString dummy;
    if (!error)
        error = &dummy;
    if (QSqlDatabase::contains(connectionName)) {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isOpen() || db.open())
            return true;
        *error = db.lastError().text();
        return false;
    }
    const bool pg = target.engine == Engine::PostgreSQL;
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(pg ? QStringLiteral("QPSQL") : QStringLiteral("QSQLITE"),
                                                    connectionName);
        if (!db.isValid()) {
            *error = QStringLiteral("Driver del database non disponibile: ") + db.driverName();
        } else if (pg) {
            // Qt's driver writes host, port, database, user and password
            // into the libpq string itself; every other key (service,
            // sslmode, hostaddr, passfile, options, ...) goes through its
            // connect options, where a quoted value does not survive and
            // each ';' becomes a blank: values go there with backslash
            // escapes instead, and a ';' is refused.
            QStringList options;
            QString badOption;
            for (const auto &[k, v] : parseConnInfo(target.location)) {
                if (k == QLatin1String("host"))
                    db.setHostName(v);
                else if (k == QLatin1String("port"))
                    db.setPort(v.toInt());
                else if (k == QLatin1String("dbname"))
                    db.setDatabaseName(v);
                else if (k == QLatin1String("user"))
                    db.setUserName(v);
                else if (k == QLatin1String("password"))
                    db.setPassword(v);
                else if (v.contains(QLatin1Char(';')))
                    badOption = k;
                else
                    options << k + QLatin1Char('=') + quoteConnValue(v);
            }
            if (!options.isEmpty())
                db.setConnectOptions(options.join(QLatin1Char(';')));
            if (!badOption.isEmpty()) {
                *error = QStringLiteral("Il valore di %1 nella stringa di connessione non può contenere ';'").arg(badOption);
            } else if (!db.open()) {
                *error = db.lastError().text();
            } else {
                QSqlQuery q(db);
                // Dates in ISO shape and the workstation's idea of local time.
                ok = q.exec(QStringLiteral("SET datestyle TO ISO, YMD"))
                     && q.exec(QStringLiteral("SET client_min_messages TO warning"))
                     && (!target.readOnly || q.exec(QStringLiteral("SET default_transaction_read_only TO on")));
                if (!ok)
                    *error = q.lastError().text();
                // Every read here is short and interactive: on a large
                // register the planner's cost passes the compile threshold
                // and compiling the plan takes seconds where running it takes
                // milliseconds. A server without the setting just refuses it.
                // Parallel workers likewise: starting them costs milliseconds
                // on every Gather (tens on a busy server), more than the
                // short reads they would share, and the planner puts them
                // under branches it takes for large on a default estimate
                // that then read nothing.
                else {
                    q.exec(QStringLiteral("SET jit TO off"));
                    q.exec(QStringLiteral("SET max_parallel_workers_per_gather TO 0"));
                }
            }
        } else {
            if (target.location.isEmpty()) {
                *error = QStringLiteral("Percorso del database non indicato");
            } else {
                // A new database is made for the owner only before SQLite
                // opens it: SQLite gives its journal, WAL and shared-memory
                // files the mode of the database file.
                if (!target.readOnly && !target.location.startsWith(QLatin1Char(':'))
                    && !QFileInfo::exists(target.location))
                    nimbo::fs::makeOwnerFile(target.location);
                db.setDatabaseName(target.location);
                // The dispatcher does its own waiting on locks; a short busy
                // timeout keeps single statements from failing on a brief lock.
                db.setConnectOptions(target.readOnly ? QStringLiteral("QSQLITE_BUSY_TIMEOUT=200;QSQLITE_OPEN_READONLY")
                                                     : QStringLiteral("QSQLITE_BUSY_TIMEOUT=200"));
                if (!db.open())
                    *error = db.lastError().text();
                else
                    ok = prepareSqlite(db, error);
            }
        }
        if (!ok && db.isOpen())
            db.close();
    }
    if (!ok)
        QSqlDatabase::removeDatabase(connectionName);
    return ok;
}

void close(const QString &connectionName)
{
    forgetLockWait(connectionName);
    if (!QSqlDatabase::contains(connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
}

Engine engineOf(const QSqlDatabase &db)
{
    return db.driverName() == QLatin1String("QPSQL") ? Engine::PostgreSQL : Engine::SQLite;
}

bool isLockError(const QSqlDatabase &db, const QString &nativeCode, const QString &text)
{
    if (engineOf(db) == Engine::SQLite)
        return nativeCode == QLatin1String("5") || nativeCode == QLatin1String("6")
               || text.contains(QLatin1String("database is locked"), Qt::CaseInsensitive)
               || text.contains(QLatin1String("database table is locked"), Qt::CaseInsensitive);
    // lock_not_available, deadlock_detected, serialization_failure
    return nativeCode == QLatin1String("55P03") || nativeCode == QLatin1String("40P01")
           || nativeCode == QLatin1String("40001");
}

QString serverTimeQuery(Engine e)
{
    return e == Engine::PostgreSQL ? QStringLiteral("SELECT LOCALTIMESTAMP(0) ")
                                   : QStringLiteral("SELECT NOW() ");
}

QString addDays(Engine e, const QString &dateExpr, int days)
{
    if (e == Engine::PostgreSQL)
        return QStringLiteral("(CAST(%1 AS DATE) + %2)").arg(dateExpr).arg(days);
    return QStringLiteral("date(%1, '%2%3 days')").arg(dateExpr, days >= 0 ? QStringLiteral("+") : QString()).arg(days);
}

QString daysBetween(Engine e, const QString &a, const QString &b)
{
    if (e == Engine::PostgreSQL)
        return QStringLiteral("(CAST(%2 AS DATE) - CAST(%1 AS DATE))").arg(a, b);
    return QStringLiteral("CAST(julianday(date(%2)) - julianday(date(%1)) AS INTEGER)").arg(a, b);
}

QString likeNoCase(Engine e, const QString &column, const QString &quotedPattern)
{
    if (e == Engine::PostgreSQL)
        return column + QStringLiteral(" ILIKE ") + quotedPattern;
    // SQLite's LIKE ignores ASCII case only; the connection's own UPPER on
    // both sides covers accented letters too.
    return QStringLiteral("UPPER(") + column + QStringLiteral(") LIKE UPPER(") + quotedPattern + QLatin1Char(')');
}

QString beginsNoCase(Engine e, const QString &column, const QString &typed)
{
    QString quoted = typed;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    quoted = QLatin1Char('\'') + quoted + QStringLiteral("%'");
    const QString exact = likeNoCase(e, column, quoted);
    if (e == Engine::PostgreSQL)
        return exact;
    // SQLite's own LIKE ignores the case of ASCII letters only: beside the
    // exact condition it narrows the rows through the index only when the
    // text holds nothing else.
    for (const QChar ch : typed)
        if (ch.unicode() >= 0x80 || ch.unicode() < 0x20)
            return exact;
    return QLatin1Char('(') + column + QStringLiteral(" LIKE ") + quoted + QStringLiteral(" AND ") + exact
           + QLatin1Char(')');
}

QString limit(int n) { return QStringLiteral(" LIMIT ") + QString::number(n); }

QString beginStatement(Engine e)
{
    return e == Engine::PostgreSQL ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE");
}

bool isReadOnly(const QSqlDatabase &db)
{
    if (engineOf(db) == Engine::PostgreSQL) {
        QSqlQuery q(db);
        return q.exec(QStringLiteral("SHOW default_transaction_read_only")) && q.next()
               && q.value(0).toString() == QLatin1String("on");
    }
    QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    auto *h = *static_cast<sqlite3 *const *>(handle.data());
    return h && sqlite3_db_readonly(h, "main") == 1;
}

namespace {

// The lock_timeout each connection of this thread was given, in ms.
QHash<QString, int> &boundsSet()
{
    thread_local QHash<QString, int> set;
    return set;
}

int lockWaitMs()
{
    const int s = DicAmbiente::session().lockWaitSeconds;
    return (s == 0 ? 30 : s) * 1000;
}

} // namespace

bool boundLockWaits(QSqlDatabase &db, QString *error)
{
    if (engineOf(db) != Engine::PostgreSQL)
        return true; // the busy timeout set at open already bounds it
    const int ms = lockWaitMs();
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("SET lock_timeout TO '%1ms'").arg(ms))) {
        boundsSet().insert(db.connectionName(), ms);
        return true;
    }
    if (error)
        *error = q.lastError().text();
    return false;
}

void followLockWait(QSqlDatabase &db)
{
    if (engineOf(db) != Engine::PostgreSQL)
        return;
    const auto it = boundsSet().constFind(db.connectionName());
    if (it != boundsSet().constEnd() && *it == lockWaitMs())
        return;
    boundLockWaits(db, nullptr);
}

void forgetLockWait(const QString &connectionName) { boundsSet().remove(connectionName); }

void prepareThread() { boundsSet(); }

bool lockWaitSpent(const QSqlDatabase &db, const QString &nativeCode)
{
    return engineOf(db) == Engine::PostgreSQL && nativeCode == QLatin1String("55P03");
}

bool isConnectionLost(const QSqlDatabase &db, const QSqlError &error)
{
    if (error.type() == QSqlError::NoError)
        return false;
    if (error.type() == QSqlError::ConnectionError || !db.isOpen())
        return true;
    if (engineOf(db) != Engine::PostgreSQL)
        return false;
    // connection_exception (08...), admin_shutdown, crash_shutdown,
    // cannot_connect_now; libpq's own failures come without a code.
    const QString code = error.nativeErrorCode();
    if (code.startsWith(QLatin1String("08")) || code == QLatin1String("57P01") || code == QLatin1String("57P02")
        || code == QLatin1String("57P03"))
        return true;
    const QString text = error.text();
    for (const char *sign : {"server closed the connection", "terminating connection", "no connection to the server",
                             "connection to server", "could not send data to server", "could not receive data"})
        if (text.contains(QLatin1String(sign), Qt::CaseInsensitive))
            return true;
    return false;
}

} // namespace Dialect
