#pragma once
// Test databases made by the schema code.
//
//   nimbo::test::TestDb db(Dialect::Engine::SQLite);   // or PostgreSQL
//   ASSERT_TRUE(db.ok()) << db.error().toStdString();
//   QSqlQuery q(db.central());
//
// A TestDb is a fresh central database (a temporary SQLite file, or on the
// PostgreSQL server named by NIMBO_TEST_PG a new database
// nimbo_t_<pid>_<n> that is dropped afterwards) plus a local work database
// (SQLite), both created with Schema::createOrUpgrade and optionally filled
// with the demo data. It also points DicAmbiente::session() at them:
// programFolder is a temporary folder, cfg.pathDb its "db/" sub-folder,
// cfg.protocollo / cfg.tabLocal and the PROTOCOLLO / TABLOCAL declarations
// name the two files, and cfg.serverDb holds the libpq connection string on
// PostgreSQL (empty on SQLite), so Dialect::centralTarget() and every loader
// or server find the same database. The session is reset when it goes.
//
// To run a test body on both engines derive from EngineTest:
//
//   class MyTest : public nimbo::test::EngineTest {};
//   TEST_P(MyTest, Something) { QSqlQuery q(db().central()); ... }
//   NIMBO_INSTANTIATE_ENGINES(MyTest);
//
// The PostgreSQL instance is skipped when NIMBO_TEST_PG is unset.

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "data/Dialect.h"

namespace nimbo::test {

// Empty: schema only. Demo: schema and demo data. NoSchema: an empty central
// database (for tests of creation and upgrade); the local one is created.
enum class Seed { Empty, Demo, NoSchema };

class TestDb {
public:
    explicit TestDb(Dialect::Engine engine = Dialect::Engine::SQLite, Seed seed = Seed::Empty);
    ~TestDb();
    TestDb(const TestDb &) = delete;
    TestDb &operator=(const TestDb &) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }
    Dialect::Engine engine() const { return engine_; }

    // Open Qt connections owned by this object.
    QSqlDatabase central() const;
    QSqlDatabase local() const;
    QString centralConnectionName() const { return centralName_; }
    QString localConnectionName() const { return localName_; }

    Dialect::Target centralTarget() const { return target_; }
    QString localPath() const { return localPath_; }
    QString folder() const { return dir_.path(); } // the temporary program folder

    // The server named by NIMBO_TEST_PG, empty when unset.
    static QString postgresAdminConnInfo();
    // conninfo with its dbname replaced.
    static QString withDatabase(const QString &conninfo, const QString &dbname);

private:
    Dialect::Engine engine_;
    QTemporaryDir dir_;
    QString error_;
    QString centralName_, localName_;
    QString pgDatabase_;
    QString localPath_;
    Dialect::Target target_;
};

class EngineTest : public ::testing::TestWithParam<Dialect::Engine> {
protected:
    void SetUp() override;
    void TearDown() override { db_.reset(); }
    // Seed of the database SetUp makes; override to get the demo data.
    virtual Seed seed() const { return Seed::Empty; }
    TestDb &db() { return *db_; }

private:
    std::unique_ptr<TestDb> db_;
};

std::string engineName(const ::testing::TestParamInfo<Dialect::Engine> &info);

// A register made by TestDb admits protocol rows written by hand (a row of
// Tab_Protocollo_Ammissioni for every body and number), so that fixtures
// can seed protocols without registering them; the tests of the
// registration's guard close that door again. admitProtocolRows opens it on
// a register made otherwise.
bool admitProtocolRows(const QSqlDatabase &db, QString *error = nullptr);
bool closeProtocolAdmissions(const QSqlDatabase &db, QString *error = nullptr);

} // namespace nimbo::test

#define NIMBO_INSTANTIATE_ENGINES(Fixture)                                                                    \
    INSTANTIATE_TEST_SUITE_P(Engines, Fixture,                                                               \
                             ::testing::Values(Dialect::Engine::SQLite, Dialect::Engine::PostgreSQL),        \
                             ::nimbo::test::engineName)
