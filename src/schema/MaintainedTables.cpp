#include "schema/MaintainedTables.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "schema/Transaction.h"

namespace Schema {

const QVector<MaintainedTable> &maintainedTables()
{
    static const QVector<MaintainedTable> t = {
        {1, QStringLiteral("TAB_TIPODOCUMENTO"), QStringLiteral("Tipi documento")},
        {2, QStringLiteral("TAB_MOTIVO_CANCELLA"), QStringLiteral("Motivi di cancellazione")},
        {3, QStringLiteral("TAB_MOTIVO_REGTEMP"), QStringLiteral("Motivi di registrazione in emergenza")},
        {4, QStringLiteral("TAB_TIPOUTENZA"), QStringLiteral("Tipi di mittente/destinatario")},
        {5, QStringLiteral("TAB_PROVINCIE"), QStringLiteral("Province")},
        {6, QStringLiteral("TAB_REGIONI"), QStringLiteral("Regioni")},
    };
    return t;
}

namespace detail {

bool addMissingMaintainedTables(QSqlDatabase &db, QString *error, int *added)
{
    int written = 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Tab_Codice, Tab_NomeTabella FROM Tab_Tabelle"))) {
        *error = QStringLiteral("Lettura di Tab_Tabelle: ") + q.lastError().text();
        return false;
    }
    QSet<int> codes;
    QSet<QString> names;
    int highest = 0;
    while (q.next()) {
        const int code = q.value(0).toInt();
        codes.insert(code);
        highest = qMax(highest, code);
        names.insert(q.value(1).toString().trimmed().toUpper());
    }
    QSqlQuery ins(db);
    if (!ins.prepare(QStringLiteral("INSERT INTO Tab_Tabelle (Tab_Codice, Tab_NomeTabella, Tab_Descrizione) VALUES (?, ?, ?)"))) {
        *error = ins.lastError().text();
        return false;
    }
    for (const MaintainedTable &t : maintainedTables()) {
        if (names.contains(t.name))
            continue;
        const int code = codes.contains(t.code) ? ++highest : t.code;
        highest = qMax(highest, code);
        codes.insert(code);
        ins.bindValue(0, code);
        ins.bindValue(1, t.name);
        ins.bindValue(2, t.description);
        if (!ins.exec()) {
            *error = QStringLiteral("Registrazione della tabella ") + t.name + QStringLiteral(" in Tab_Tabelle: ")
                     + ins.lastError().text();
            return false;
        }
        ++written;
    }
    if (added)
        *added += written;
    return true;
}

} // namespace detail

bool fillMaintainedTables(QSqlDatabase &db, QString *error, int *added)
{
    detail::Transaction tx(db);
    if (!tx.begin(error))
        return false;
    int written = 0;
    if (!detail::addMissingMaintainedTables(db, error, &written))
        return false;
    if (!tx.commit(error))
        return false;
    if (added)
        *added = written;
    return true;
}

} // namespace Schema
