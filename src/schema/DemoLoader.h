#pragma once
// Internal: writes demo rows whose key is not yet present.

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace Schema::detail {

class Loader {
public:
    explicit Loader(QSqlDatabase &db) : db_(db) {}

    bool ensure(const QString &table, const QStringList &key, const QStringList &columns, const QVariantList &values)
    {
        if (!error_.isEmpty())
            return false;
        QStringList cond;
        QVariantList keyValues;
        for (const QString &k : key) {
            cond << k + QStringLiteral(" = ?");
            keyValues << values.at(columns.indexOf(k));
        }
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" WHERE ") + cond.join(QStringLiteral(" AND ")));
        for (const auto &v : keyValues)
            q.addBindValue(v);
        if (!q.exec())
            return fail(table, q);
        if (q.next())
            return true;
        QSqlQuery ins(db_);
        ins.prepare(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + columns.join(QStringLiteral(", "))
                    + QStringLiteral(") VALUES (") + QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))
                    + QLatin1Char(')'));
        for (const auto &v : values)
            ins.addBindValue(v);
        if (!ins.exec())
            return fail(table, ins);
        ++added_;
        return true;
    }

    bool exists(const QString &table, const QStringList &key, const QVariantList &keyValues)
    {
        QStringList cond;
        for (const QString &k : key)
            cond << k + QStringLiteral(" = ?");
        QSqlQuery q(db_);
        q.prepare(QStringLiteral("SELECT 1 FROM ") + table + QStringLiteral(" WHERE ") + cond.join(QStringLiteral(" AND ")));
        for (const auto &v : keyValues)
            q.addBindValue(v);
        if (!q.exec()) {
            fail(table, q);
            return false;
        }
        return q.next();
    }

    void setError(const QString &e) { error_ = e; }

    bool exec(const QString &sql, const QVariantList &values)
    {
        if (!error_.isEmpty())
            return false;
        QSqlQuery q(db_);
        q.prepare(sql);
        for (const auto &v : values)
            q.addBindValue(v);
        return q.exec() || fail(sql.left(40), q);
    }

    QString error() const { return error_; }
    int added() const { return added_; }

private:
    bool fail(const QString &what, const QSqlQuery &q)
    {
        error_ = QStringLiteral("Caricamento dati dimostrativi non riuscito (%1): %2").arg(what, q.lastError().text());
        return false;
    }

    QSqlDatabase &db_;
    QString error_;
    int added_ = 0;
};

void demoOrganisation(Loader &l);

} // namespace Schema::detail
