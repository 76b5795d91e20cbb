#include "support/TestDb.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>

#include "data/ConnectionPool.h"
#include "data/WalCheckpoint.h"
#include "schema/DemoData.h"
#include "schema/Schema.h"
#include "session/DicAmbiente.h"

namespace nimbo::test {
namespace {

int nextSerial()
{
    static int n = 0;
    return ++n;
}

QString quoteConnValue(const QString &v)
{
    if (!v.isEmpty() && !v.contains(QLatin1Char(' ')) && !v.contains(QLatin1Char('\''))
        && !v.contains(QLatin1Char('\\')))
        return v;
    QString out = v;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

} // namespace

QString TestDb::postgresAdminConnInfo() { return qEnvironmentVariable("NIMBO_TEST_PG").trimmed(); }

QString TestDb::withDatabase(const QString &conninfo, const QString &dbname)
{
    QStringList parts;
    bool replaced = false;
    for (const auto &[k, v] : Dialect::parseConnInfo(conninfo)) {
        if (k == QLatin1String("dbname")) {
            parts << QStringLiteral("dbname=") + quoteConnValue(dbname);
            replaced = true;
        } else {
            parts << k + QLatin1Char('=') + quoteConnValue(v);
        }
    }
    if (!replaced)
        parts << QStringLiteral("dbname=") + quoteConnValue(dbname);
    return parts.join(QLatin1Char(' '));
}

namespace {

// Benchmarks: filling a large register takes minutes. With NIMBO_TESTDB_KEEP
// set to a name, the central database is that PostgreSQL database, or the
// SQLite file of that name in the temporary folder: made and seeded when
// missing, otherwise opened and brought to the current schema without
// seeding; never dropped.
QString keptName() { return qEnvironmentVariable("NIMBO_TESTDB_KEEP").trimmed().toLower(); }

// Making a register and loading the demo into it costs far more than a
// test's own work, and most tests want the same one. It is made once per
// build and seed, as a template shared by every test program of the build
// and named after the files the register is made of (the schema and demo
// code's libraries, the shipped lists: any change remakes it); every test
// database is a copy of it: a file copy on SQLite, CREATE DATABASE ...
// TEMPLATE on PostgreSQL. Processes running side by side make the template
// once, under a lock. Templates of earlier builds go.
struct TemplateName {
    QString family; // build folder and seed: the templates that replace each other
    QString name;   // the family and the state of the files
};

TemplateName templateName(Seed seed)
{
    const QStringList sources = QStringLiteral(NIMBO_REGISTER_SOURCES).split(QLatin1Char('|'));
    const auto hex = [](const QString &text) {
        return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha1).toHex().left(10));
    };
    QString state;
    for (const QString &path : sources) {
        const QFileInfo file(path);
        state += QString::number(file.size()) + QLatin1Char(':')
                 + QString::number(file.lastModified().toMSecsSinceEpoch()) + QLatin1Char('|');
    }
    TemplateName t;
    t.family = QStringLiteral("nimbo_tpl_") + hex(sources.join(QLatin1Char('|')))
               + (seed == Seed::Demo ? QStringLiteral("_d_") : QStringLiteral("_e_"));
    t.name = t.family + hex(state);
    return t;
}

// Schema and seed into an open, empty central database.
bool fill(QSqlDatabase &db, Seed seed, QString *error)
{
    if (!Schema::createOrUpgrade(db, Schema::Kind::Central, error))
        return false;
    return seed != Seed::Demo || Schema::loadDemo(db, error);
}

// The program's SQLite template for the seed, made when missing; its path.
QString sqliteTemplate(Seed seed, QString *error)
{
    const TemplateName t = templateName(seed);
    const QString folder = QDir::tempPath() + QLatin1Char('/');
    const QString path = folder + t.name + QStringLiteral(".sqlite");
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (!lock.lock()) {
        *error = QStringLiteral("template lock not taken: ") + path;
        return {};
    }
    if (QFile::exists(path))
        return path;
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    const QString connection = QStringLiteral("testdb_template_") + QString::number(QCoreApplication::applicationPid());
    if (!Dialect::open(connection, Dialect::Target::sqlite(building), error))
        return {};
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::database(connection, false);
        ok = fill(db, seed, error);
        // One file, nothing left in a log beside it.
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    Dialect::close(connection);
    WalCheckpoint::waitIdle(30000);
    if (!ok || !QFile::rename(building, path)) {
        if (ok)
            *error = QStringLiteral("template not stored: ") + path;
        QFile::remove(building);
        return {};
    }
    for (const QString &old : QDir(folder).entryList({t.family + QStringLiteral("*.sqlite")}, QDir::Files))
        if (folder + old != path)
            QFile::remove(folder + old);
    return path;
}

// Creates database `name` on the server of the admin connection as a copy
// of the program's template for the seed, which is made first when missing.
bool postgresCopy(const QString &adminConnection, const QString &admin, Seed seed, const QString &name,
                  QString *error)
{
    const TemplateName t = templateName(seed);
    QSqlQuery q(QSqlDatabase::database(adminConnection));
    const qint64 key = qint64(qHash(t.family));
    const auto failed = [&](const QString &what) {
        *error = what + QStringLiteral(": ") + q.lastError().text();
        q.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(key));
        return false;
    };
    if (!q.exec(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(key)))
        return failed(QStringLiteral("template lock"));
    if (!q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(t.name)))
        return failed(QStringLiteral("template look-up"));
    if (!q.next()) {
        const QString building = t.name + QStringLiteral("_new");
        if (!q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(building))
            || !q.exec(QStringLiteral("CREATE DATABASE ") + building))
            return failed(QStringLiteral("template creation"));
        const QString connection = QStringLiteral("testdb_template_") + QString::number(QCoreApplication::applicationPid());
        QString err;
        bool ok = Dialect::open(connection, Dialect::Target::postgres(TestDb::withDatabase(admin, building)), &err);
        if (ok) {
            QSqlDatabase db = QSqlDatabase::database(connection, false);
            ok = fill(db, seed, &err);
        }
        Dialect::close(connection);
        if (!ok) {
            *error = QStringLiteral("template: ") + err;
            q.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(key));
            return false;
        }
        if (!q.exec(QStringLiteral("ALTER DATABASE %1 RENAME TO %2").arg(building, t.name)))
            return failed(QStringLiteral("template rename"));
        QStringList old;
        if (q.exec(QStringLiteral("SELECT datname FROM pg_database WHERE datname LIKE '%1%%' AND datname <> '%2'")
                       .arg(t.family, t.name)))
            while (q.next())
                old << q.value(0).toString();
        for (const QString &o : old)
            q.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(o));
    }
    if (!q.exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(name, t.name)))
        return failed(QStringLiteral("copy of the template"));
    q.exec(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(key));
    return true;
}

} // namespace

TestDb::TestDb(Dialect::Engine engine, Seed seed) : engine_(engine)
{
    const int n = nextSerial();
    const QString tag = QStringLiteral("%1_%2").arg(QCoreApplication::applicationPid()).arg(n);
    centralName_ = QStringLiteral("testdb_central_") + tag;
    localName_ = QStringLiteral("testdb_local_") + tag;
    if (!dir_.isValid()) {
        error_ = QStringLiteral("temporary folder not available");
        return;
    }
    const QString dbFolder = dir_.path() + QStringLiteral("/db/");
    QDir().mkpath(dbFolder);
    const QString keep = keptName();
    const bool kept = !keep.isEmpty();
    bool reused = false;
    bool copied = false; // a copy of the program's template: schema and seed are there
    const QString centralFile =
        kept ? QDir::tempPath() + QLatin1Char('/') + keep + QStringLiteral(".sqlite") : dbFolder + QStringLiteral("central.sqlite");
    if (kept && engine == Dialect::Engine::SQLite)
        reused = QFile::exists(centralFile);
    localPath_ = dbFolder + QStringLiteral("locale.sqlite");

    if (engine == Dialect::Engine::PostgreSQL) {
        const QString admin = postgresAdminConnInfo();
        if (admin.isEmpty()) {
            error_ = QStringLiteral("NIMBO_TEST_PG not set");
            return;
        }
        const QString adminName = QStringLiteral("testdb_admin_") + tag;
        QString err;
        if (!Dialect::open(adminName, Dialect::Target::postgres(admin), &err)) {
            error_ = QStringLiteral("PostgreSQL server not reachable: ") + err;
            return;
        }
        {
            QSqlQuery q(QSqlDatabase::database(adminName));
            pgDatabase_ = kept ? keep : QStringLiteral("nimbo_t_") + tag;
            if (kept) {
                q.exec(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = '%1'").arg(pgDatabase_));
                reused = q.next();
            } else {
                q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + pgDatabase_ + QStringLiteral(" WITH (FORCE)"));
            }
            if (!reused && !kept && seed != Seed::NoSchema) {
                copied = postgresCopy(adminName, admin, seed, pgDatabase_, &error_);
                if (!copied)
                    pgDatabase_.clear();
            } else if (!reused && !q.exec(QStringLiteral("CREATE DATABASE ") + pgDatabase_)) {
                error_ = q.lastError().text();
                pgDatabase_.clear();
            }
        }
        Dialect::close(adminName);
        if (!error_.isEmpty())
            return;
        target_ = Dialect::Target::postgres(withDatabase(admin, pgDatabase_));
    } else {
        target_ = Dialect::Target::sqlite(centralFile);
        if (!reused && !kept && seed != Seed::NoSchema) {
            const QString from = sqliteTemplate(seed, &error_);
            if (from.isEmpty())
                return;
            if (!QFile::copy(from, centralFile)) {
                error_ = QStringLiteral("copy of the template: ") + from;
                return;
            }
            QFile::setPermissions(centralFile, QFile::ReadOwner | QFile::WriteOwner);
            copied = true;
        }
    }

    QString err;
    if (!Dialect::open(centralName_, target_, &err)) {
        error_ = QStringLiteral("central database: ") + err;
        return;
    }
    QSqlDatabase c = central();
    if (seed != Seed::NoSchema && !Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) {
        error_ = err;
        return;
    }
    if (seed == Seed::Demo && !reused && !copied && !Schema::loadDemo(c, &err)) {
        error_ = err;
        return;
    }
    // The tests write protocol rows of their own by hand: the register
    // admits every number, as for a register loaded from elsewhere. Tests
    // of the registration's guard take the admission away.
    if (seed != Seed::NoSchema && !reused && !admitProtocolRows(c, &err)) {
        error_ = err;
        return;
    }
    if (!Dialect::open(localName_, Dialect::Target::sqlite(localPath_), &err)) {
        error_ = QStringLiteral("local database: ") + err;
        return;
    }
    QSqlDatabase l = local();
    if (!Schema::createOrUpgrade(l, Schema::Kind::Local, &err)) {
        error_ = err;
        return;
    }

    DicAmbiente::resetSession();
    auto &s = DicAmbiente::session();
    s.programFolder = dir_.path();
    s.programName = QStringLiteral("Nimbo");
    s.cfg = DicAmbiente::defaultConfig(dir_.path());
    s.cfg.pathDb = dbFolder;
    s.cfg.protocollo = centralFile;
    s.cfg.tabLocal = localPath_;
    s.cfg.databases = {{QStringLiteral("PROTOCOLLO"), centralFile}, {QStringLiteral("TABLOCAL"), localPath_}};
    s.cfg.serverDb = engine == Dialect::Engine::PostgreSQL ? target_.location : QString();
    if (seed == Seed::Demo)
        s.cfg.aooStorico = Schema::demoBody();
}

bool admitProtocolRows(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("INSERT INTO Tab_Protocollo_Ammissioni (Amm_Motivo, Amm_CodOper) VALUES "
                              "('righe di prova scritte dai test', 'TEST')")))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

bool closeProtocolAdmissions(const QSqlDatabase &db, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(QStringLiteral("DELETE FROM Tab_Protocollo_Ammissioni")))
        return true;
    if (error)
        *error = q.lastError().text();
    return false;
}

TestDb::~TestDb()
{
    // The servers' connections of the session go with its database.
    nimbo::ConnectionPool::closeAll();
    Dialect::close(centralName_);
    Dialect::close(localName_);
    // A long write asks the background thread for a checkpoint, on its own
    // connection; should it still run while the folder is removed, it would
    // delete or create the log files under the removal's feet.
    WalCheckpoint::waitIdle(30000);
    if (!pgDatabase_.isEmpty() && keptName().isEmpty()) {
        const QString adminName = centralName_ + QStringLiteral("_drop");
        if (Dialect::open(adminName, Dialect::Target::postgres(postgresAdminConnInfo()), nullptr)) {
            {
                QSqlQuery q(QSqlDatabase::database(adminName));
                // FORCE: connections the code under test left open must not
                // keep the database alive.
                q.exec(QStringLiteral("DROP DATABASE IF EXISTS ") + pgDatabase_ + QStringLiteral(" WITH (FORCE)"));
            }
            Dialect::close(adminName);
        }
    }
    DicAmbiente::resetSession();
}

QSqlDatabase TestDb::central() const { return QSqlDatabase::database(centralName_, false); }
QSqlDatabase TestDb::local() const { return QSqlDatabase::database(localName_, false); }

void EngineTest::SetUp()
{
    if (GetParam() == Dialect::Engine::PostgreSQL && TestDb::postgresAdminConnInfo().isEmpty())
        GTEST_SKIP() << "NIMBO_TEST_PG not set";
    db_ = std::make_unique<TestDb>(GetParam(), seed());
    ASSERT_TRUE(db_->ok()) << db_->error().toStdString();
}

std::string engineName(const ::testing::TestParamInfo<Dialect::Engine> &info)
{
    return info.param == Dialect::Engine::PostgreSQL ? "PostgreSQL" : "SQLite";
}

} // namespace nimbo::test
