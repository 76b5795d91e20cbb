#include "schema/History.h"

namespace Schema::History {

using Dialect::Engine;

namespace {

QString base(const Link &l) { return l.history.toLower(); }

// "NEW.a, NEW.b, ..." over the table's columns.
QString refs(const QList<QPair<QString, QString>> &map, const QString &row)
{
    QStringList out;
    for (const auto &m : map)
        out << (row.isEmpty() ? m.second : row + QLatin1Char('.') + m.second);
    return out.join(QStringLiteral(", "));
}

// The recorded columns and the others whose change counts.
QString watched(const QList<QPair<QString, QString>> &map, const Link &l, const QString &row)
{
    QString out = refs(map, row);
    for (const QString &c : l.alsoWatched)
        out += QStringLiteral(", ") + row + QLatin1Char('.') + c;
    return out;
}

QString historyColumns(const Link &l, const QList<QPair<QString, QString>> &map)
{
    QStringList out{l.dateColumn, l.typeColumn};
    for (const auto &m : map)
        out << m.first;
    return out.join(QStringLiteral(", "));
}

QString quoted(const QString &type) { return QLatin1Char('\'') + type + QLatin1Char('\''); }

// The type an update records: a close ("D") when the closed flag turns to
// "SI", an activation when a closed record is opened again (it is active
// from then on, as a new one is), any other change otherwise. `differs` is
// the engine's null-safe "not equal".
QString updateTypeOf(const Link &l, const QString &differs)
{
    if (l.closedColumn.isEmpty())
        return quoted(l.updateType);
    return QStringLiteral("CASE WHEN NEW.%1 = 'SI' AND OLD.%1 %2 'SI' THEN 'D' "
                          "WHEN OLD.%1 = 'SI' AND NEW.%1 %2 'SI' THEN %3 ELSE %4 END")
        .arg(l.closedColumn, differs, quoted(l.insertType), quoted(l.updateType));
}

QStringList sqliteStatements(const Link &l, const QList<QPair<QString, QString>> &map)
{
    const QString today = l.stamped ? QStringLiteral("datetime('now', 'localtime')") : QStringLiteral("date('now', 'localtime')");
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3, %4, %5); END")
                               .arg(l.history, historyColumns(l, map), today);
    QStringList changed;
    for (const auto &m : map)
        changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(m.second);
    for (const QString &c : l.alsoWatched)
        changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c);
    const QString closing = updateTypeOf(l, QStringLiteral("IS NOT"));
    const QString b = base(l);
    QStringList out;
    for (const QString &n : triggerNames(l, Engine::SQLite))
        out << QStringLiteral("DROP TRIGGER IF EXISTS ") + n;
    out << QStringLiteral("CREATE TRIGGER %1_ai AFTER INSERT ON %2 FOR EACH ROW BEGIN ").arg(b, l.table)
               + insert.arg(quoted(l.insertType), refs(map, QStringLiteral("NEW")));
    out << QStringLiteral("CREATE TRIGGER %1_au AFTER UPDATE ON %2 FOR EACH ROW WHEN %3 BEGIN ")
                   .arg(b, l.table, changed.join(QStringLiteral(" OR ")))
               + insert.arg(closing, refs(map, QStringLiteral("NEW")));
    out << QStringLiteral("CREATE TRIGGER %1_ad AFTER DELETE ON %2 FOR EACH ROW BEGIN ").arg(b, l.table)
               + insert.arg(QStringLiteral("'D'"), refs(map, QStringLiteral("OLD")));
    return out;
}

QStringList postgresStatements(const Link &l, const QList<QPair<QString, QString>> &map)
{
    const QString cols = historyColumns(l, map);
    const QString now = l.stamped ? QStringLiteral("LOCALTIMESTAMP(0)") : QStringLiteral("CURRENT_DATE");
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3, %4, %5);").arg(l.history, cols, now);
    const QString b = base(l);
    const QString body =
        QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS $hist$\n"
                       "BEGIN\n"
                       "  IF TG_OP = 'INSERT' THEN\n    %2\n"
                       "  ELSIF TG_OP = 'UPDATE' THEN\n"
                       "    IF ROW(%3) IS DISTINCT FROM ROW(%4) THEN\n      %5\n    END IF;\n"
                       "  ELSIF TG_OP = 'DELETE' THEN\n    %6\n"
                       "  ELSE\n"
                       "    INSERT INTO %7 (%8) SELECT %11, 'D', %9 FROM %10;\n"
                       "  END IF;\n"
                       "  RETURN NULL;\n"
                       "END $hist$")
            .arg(b, insert.arg(quoted(l.insertType), refs(map, QStringLiteral("NEW"))),
                 watched(map, l, QStringLiteral("NEW")), watched(map, l, QStringLiteral("OLD")),
                 insert.arg(updateTypeOf(l, QStringLiteral("IS DISTINCT FROM")), refs(map, QStringLiteral("NEW"))),
                 insert.arg(QStringLiteral("'D'"), refs(map, QStringLiteral("OLD"))), l.history, cols)
            .arg(refs(map, QString()), l.table, now);
    QStringList out;
    out << body;
    // The function runs with its owner's rights, so that a workstation that
    // may only read the history still leaves its trace there; it then must
    // not look up names anywhere but in the register's own schema.
    out << QStringLiteral("DO $$ BEGIN EXECUTE format('ALTER FUNCTION %1() SET search_path = %I, pg_temp', "
                          "current_schema()); END $$")
               .arg(b);
    out << QStringLiteral("REVOKE ALL ON FUNCTION %1() FROM PUBLIC").arg(b);
    for (const QString &n : triggerNames(l, Engine::PostgreSQL))
        out << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(n, l.table);
    out << QStringLiteral("CREATE TRIGGER %1 AFTER INSERT OR UPDATE OR DELETE ON %2 FOR EACH ROW EXECUTE FUNCTION %1()")
               .arg(b, l.table);
    // Emptying the table at once is a deletion of every row.
    out << QStringLiteral("CREATE TRIGGER %1_truncate BEFORE TRUNCATE ON %2 FOR EACH STATEMENT EXECUTE FUNCTION %1()")
               .arg(b, l.table);
    return out;
}

} // namespace

const QList<Link> &links()
{
    static const QList<Link> l = {
        {QStringLiteral("Tab_Dipartimenti"), QStringLiteral("Tab_Dipartimenti_Storico"), QStringLiteral("Dipa_"),
         QStringLiteral("DipaS_"), QStringLiteral("DipaS_DataOperazione"), QStringLiteral("DipaS_TipoOperazione"),
         QStringLiteral("Dipa_Chiuso")},
        {QStringLiteral("Tab_Uffici"), QStringLiteral("Tab_Uffici_Storico"), QStringLiteral("Tab_"),
         QStringLiteral("Tab_"), QStringLiteral("Tab_DataOperazione"), QStringLiteral("Tab_TipoOperazione"),
         QStringLiteral("Tab_Chiuso")},
        {QStringLiteral("Tab_Operatori"), QStringLiteral("Log_Tab_Operatori"), QStringLiteral("Op_"),
         QStringLiteral("Op_"), QStringLiteral("Op_DataOperazione_Log"), QStringLiteral("Op_TipoOperazione_Log"),
         QString(), QStringLiteral("I"), QStringLiteral("U"), true, 9, {QStringLiteral("Op_Password")}},
    };
    return l;
}

QList<QPair<QString, QString>> columnMap(const Link &link, QString *error)
{
    const Table *table = findTable(Kind::Central, link.table);
    const Table *history = findTable(Kind::Central, link.history);
    if (!table || !history) {
        if (error)
            *error = QStringLiteral("tabella %1 o %2 non definita").arg(link.table, link.history);
        return {};
    }
    QList<QPair<QString, QString>> out;
    for (const Column &c : history->columns) {
        if (c.type == Type::Serial || c.name.compare(link.dateColumn, Qt::CaseInsensitive) == 0
            || c.name.compare(link.typeColumn, Qt::CaseInsensitive) == 0)
            continue;
        const Column *source = nullptr;
        if (c.name.startsWith(link.historyPrefix, Qt::CaseInsensitive))
            source = table->column(link.tablePrefix + c.name.mid(link.historyPrefix.size()));
        if (!source) {
            if (error)
                *error = QStringLiteral("la colonna %1 di %2 non corrisponde a nessuna colonna di %3")
                             .arg(c.name, link.history, link.table);
            return {};
        }
        out.append({c.name, source->name});
    }
    return out;
}

QStringList triggerNames(const Link &link, Engine e)
{
    const QString b = base(link);
    if (e == Engine::PostgreSQL)
        return {b, b + QStringLiteral("_truncate")};
    return {b + QStringLiteral("_ai"), b + QStringLiteral("_au"), b + QStringLiteral("_ad")};
}

namespace {

QStringList statementsOf(Kind kind, Engine e, int version)
{
    if (kind != Kind::Central)
        return {};
    QStringList out;
    for (const Link &l : links()) {
        if (l.version != version)
            continue;
        // An incomplete map is refused before the step runs (see mismatch()).
        const auto map = columnMap(l);
        if (!map.isEmpty())
            out << (e == Engine::PostgreSQL ? postgresStatements(l, map) : sqliteStatements(l, map));
    }
    return out;
}

} // namespace

QStringList statements(Kind kind, Engine e) { return statementsOf(kind, e, 7); }

QStringList operatorStatements(Kind kind, Engine e) { return statementsOf(kind, e, 9); }

QString mismatch()
{
    for (const Link &l : links()) {
        QString error;
        if (columnMap(l, &error).isEmpty())
            return error;
    }
    return {};
}

} // namespace Schema::History
