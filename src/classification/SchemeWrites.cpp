#include "classification/SchemeWrites.h"

#include "data/Dialect.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

F::BuildResult failure(const C_GestDB::Result &r)
{
    F::BuildResult b;
    b.errNumber = r.errNumber;
    b.errText = r.errText.isEmpty() ? QStringLiteral("errore del database") : r.errText;
    b.lock = r.lock;
    b.lost = r.lost;
    return b;
}

} // namespace

F::BuildResult writeSchemeElement(const C_GestDB::Database &db, const SchemeWrite &w)
{
    C_GestDB::Transaction tx(db);
    if (const C_GestDB::Result begun = tx.begin(); !begun.ok)
        return failure(begun);
    const QString table = QLatin1String(textOf(w.level).table);
    F::BuildResult b = w.isNew ? F::runInsert(db, table, w.fields)
                               : F::runUpdate(db, table, w.fields, elementCondition(w.level, w.path));
    if (b.ok() && !w.isNew && b.rows == 0)
        b.errText = QStringLiteral("Nessuna riga di ") + table
                    + QStringLiteral(" corrisponde alla condizione: aggiornamento non eseguito");
    if (!b.ok())
        return b; // the guard rolls back
    if (!w.active) {
        // Any level below may have nothing left to change: only a failed
        // statement stops the write.
        for (const F::Statement &s : cascadeStatements(w.level, w.path, w.today, w.writer)) {
            b = F::runUpdate(db, s.table, s.fields, s.condition);
            if (!b.ok())
                return b;
        }
    }
    if (const C_GestDB::Result done = tx.commit(); !done.ok)
        return failure(done);
    return {};
}

F::BuildResult writeSchemeElement(const SchemeWrite &w)
{
    Dialect::Target target;
    if (!F::resolveDatabase(QStringLiteral("PROTOCOLLO"), &target)) {
        F::BuildResult b;
        b.errText = F::undeclaredText(QStringLiteral("PROTOCOLLO"));
        return b;
    }
    const C_GestDB::Result opened = C_GestDB::openDatabase(target);
    if (!opened.ok)
        return failure(opened);
    const F::BuildResult b = writeSchemeElement(opened.database, w);
    C_GestDB::closeDatabase(opened.database);
    return b;
}

} // namespace nimbo::classification
