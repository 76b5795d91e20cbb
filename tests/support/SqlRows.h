#pragma once
// A test's own statements on its database: run with bound values (a
// failure is the test's), and rows read back as texts, trimmed, the
// columns of a row joined by "|".

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>
#include <gtest/gtest.h>

namespace nimbo::test {

inline void runSql(const QSqlDatabase &db, const QString &statement, const QVariantList &binds = {})
{
    QSqlQuery q(db);
    ASSERT_TRUE(q.prepare(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
    for (const QVariant &v : binds)
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << statement.toStdString() << " -> " << q.lastError().text().toStdString();
}

inline QStringList sqlRows(const QSqlDatabase &db, const QString &statement)
{
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(statement)) << statement.toStdString() << " -> " << q.lastError().text().toStdString();
    QStringList out;
    while (q.next()) {
        QStringList cols;
        for (int c = 0; c < q.record().count(); ++c)
            cols << q.value(c).toString().trimmed();
        out << cols.join(QLatin1Char('|'));
    }
    return out;
}

} // namespace nimbo::test
