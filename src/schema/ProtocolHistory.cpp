// The protocol's history (Tab_Protocollo_Storico), written by the database:
// every change of a register row, by the protocol server or by plain SQL,
// leaves the row as it was before, dated by the database clock and signed by
// the new last writer (Tab_CodOper, which the server sets from the session).
// A change of the last writer alone, or a rewrite of the same values, is not
// a change. Rows are never deleted (the register's guards refuse it), and a
// new row is its own first state.

#include "schema/History.h"

namespace Schema::History {

using Dialect::Engine;

namespace {

const QString kTable = QStringLiteral("Tab_Protocollo");
const QString kHistory = QStringLiteral("Tab_Protocollo_Storico");
const QString kTrigger = QStringLiteral("tab_protocollo_storico");

bool isAudit(const QString &column)
{
    return column.compare(QLatin1String("Tab_CodOper"), Qt::CaseInsensitive) == 0
           || column.compare(QLatin1String("Tab_DatOper"), Qt::CaseInsensitive) == 0;
}

QString list(const QString &row, bool watchedOnly)
{
    QStringList out;
    for (const Column &c : protocolColumns())
        if (!watchedOnly || !isAudit(c.name))
            out << (row.isEmpty() ? c.name : row + QLatin1Char('.') + c.name);
    return out.join(QStringLiteral(", "));
}

QString insert(const QString &today, const QString &time)
{
    return QStringLiteral("INSERT INTO %1 (%2, Tab_DataModifica, Tab_OraModifica, Tab_OperatoreModifica) "
                          "VALUES (%3, %4, %5, NEW.Tab_CodOper);")
        .arg(kHistory, list(QString(), false), list(QStringLiteral("OLD"), false), today, time);
}

} // namespace

QStringList protocolStatements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out;
    if (e == Engine::SQLite) {
        QStringList changed;
        for (const Column &c : protocolColumns())
            if (!isAudit(c.name))
                changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c.name);
        out << QStringLiteral("DROP TRIGGER IF EXISTS %1_au").arg(kTrigger);
        out << QStringLiteral("CREATE TRIGGER %1_au AFTER UPDATE ON %2 FOR EACH ROW WHEN %3 BEGIN %4 END")
                   .arg(kTrigger, kTable, changed.join(QStringLiteral(" OR ")),
                        insert(QStringLiteral("date('now', 'localtime')"),
                               QStringLiteral("strftime('%H:%M:%S', 'now', 'localtime')")));
        return out;
    }
    out << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $hist$\n"
                          "BEGIN\n"
                          "  IF ROW(%2) IS DISTINCT FROM ROW(%3) THEN\n    %4\n  END IF;\n"
                          "  RETURN NULL;\n"
                          "END $hist$")
               .arg(kTrigger, list(QStringLiteral("NEW"), true), list(QStringLiteral("OLD"), true),
                    insert(QStringLiteral("CURRENT_DATE"), QStringLiteral("to_char(LOCALTIMESTAMP, 'HH24:MI:SS')")));
    // Runs with its owner's rights, as the other history triggers: the
    // workstations may only read the history.
    out << QStringLiteral("DO $$ BEGIN EXECUTE format('ALTER FUNCTION %1() SET search_path = %I, pg_temp', "
                          "current_schema()); END $$")
               .arg(kTrigger);
    out << QStringLiteral("REVOKE ALL ON FUNCTION %1() FROM PUBLIC").arg(kTrigger);
    out << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(kTrigger, kTable);
    out << QStringLiteral("CREATE TRIGGER %1 AFTER UPDATE ON %2 FOR EACH ROW EXECUTE FUNCTION %1()").arg(kTrigger, kTable);
    return out;
}

} // namespace Schema::History
