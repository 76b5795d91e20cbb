// A PostgreSQL connection string reaches libpq whole: the keys Qt's driver
// does not take itself (service, application_name, options, ...) keep
// their quoted values, and a value Qt would mangle is refused.

#include <QSqlQuery>
#include <gtest/gtest.h>

#include "data/Dialect.h"
#include "support/TestDb.h"

namespace {

QString show(const QString &connection, const char *setting)
{
    QSqlQuery q(QSqlDatabase::database(connection, false));
    return q.exec(QStringLiteral("SHOW ") + QLatin1String(setting)) && q.next() ? q.value(0).toString()
                                                                                 : QStringLiteral("<failed>");
}

TEST(ConnectionString, QuotedValuesOfOtherKeysArePassedAsWritten)
{
    const QString server = nimbo::test::TestDb::postgresAdminConnInfo();
    if (server.isEmpty())
        GTEST_SKIP() << "NIMBO_TEST_PG not set";
    const QString name = QStringLiteral("connstring_check");
    QString err;
    ASSERT_TRUE(Dialect::open(name,
                              Dialect::Target::postgres(server + QStringLiteral(
                                  " application_name='Nimbo postazione 3' options='-c statement_timeout=12345'")),
                              &err))
        << err.toStdString();
    EXPECT_EQ(show(name, "application_name"), QStringLiteral("Nimbo postazione 3"));
    EXPECT_EQ(show(name, "statement_timeout"), QStringLiteral("12345ms"));
    Dialect::close(name);
    ASSERT_TRUE(Dialect::open(
        name, Dialect::Target::postgres(server + QStringLiteral(" application_name='l\\'ufficio \\\\ 2'")), &err))
        << err.toStdString();
    EXPECT_EQ(show(name, "application_name"), QStringLiteral("l'ufficio \\ 2"));
    Dialect::close(name);

    // Qt turns every ';' of these keys into a blank: better refused than
    // silently changed.
    EXPECT_FALSE(Dialect::open(name, Dialect::Target::postgres(server + QStringLiteral(" application_name='a;b'")), &err));
    EXPECT_TRUE(err.contains(QStringLiteral("application_name"))) << err.toStdString();
    EXPECT_FALSE(QSqlDatabase::contains(name));
}

} // namespace
