#include "schema/Guards.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Schema::Guards {

using Dialect::Engine;

namespace {

// A rule on one column of a new or changed row; `valid` is an SQL condition
// on %1, the column as the context names it (NEW.x in a trigger, x in a
// query), that passes on NULL where the column may stay empty.
struct CodeRule {
    const char *column;
    const char *valid;    // both engines
    const char *validPg;  // PostgreSQL, when it differs
    const char *message;
};

const std::vector<CodeRule> &codeRules()
{
    static const std::vector<CodeRule> r = {
        {"Tab_TipoProtocollo", "%1 IN ('E', 'U')", nullptr,
         "Valore non ammesso in Tab_TipoProtocollo: il tipo protocollo è E (Entrata) o U (Uscita)."},
        {"Tab_StatoProtocollo", "(%1 IS NOT NULL AND %1 IN ('A', 'C'))", nullptr,
         "Valore non ammesso in Tab_StatoProtocollo: lo stato è A (attivo) o C (annullato)."},
        {"Tab_SoggPrivacy", "(%1 IS NULL OR %1 IN ('S', 'N'))", nullptr,
         "Valore non ammesso in Tab_SoggPrivacy: il vincolo di riservatezza è S o N."},
        {"Tab_Stampato", "(%1 IS NULL OR %1 IN ('N', 'S', 'M'))", nullptr,
         "Valore non ammesso in Tab_Stampato: lo stato di stampa è N, S, M o vuoto."},
        {"Tab_NumeroProtocollo", "(length(%1) = 11 AND %1 NOT GLOB '*[^0-9]*')", "%1 ~ '^[0-9]{11}$'",
         "Numero di protocollo non valido in Tab_NumeroProtocollo: sono attese 11 cifre, l'anno e il progressivo."},
    };
    return r;
}

QString validFor(const CodeRule &r, Engine e, const QString &ref)
{
    const char *text = e == Engine::PostgreSQL && r.validPg ? r.validPg : r.valid;
    return QString::fromUtf8(text).arg(ref);
}

QString sqlText(const QString &s) { return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); }

const QString kDeleteRefused = QStringLiteral(
    "Un protocollo registrato non può essere eliminato dal registro: si può solo annullare.");
const QString kFixedRefused =
    QStringLiteral("Il campo %1 è fissato alla registrazione del protocollo e non può essere modificato.");
const QString kReactivateRefused =
    QStringLiteral("Un protocollo annullato non può tornare attivo (Tab_StatoProtocollo).");
const QString kTruncateRefused = QStringLiteral("Il registro dei protocolli non può essere svuotato.");

QStringList sqliteStatements()
{
    QStringList out;
    auto trigger = [&out](const QString &name, const QString &when, const QString &condition, const QString &message) {
        out << QStringLiteral("DROP TRIGGER IF EXISTS ") + name;
        out << QStringLiteral("CREATE TRIGGER %1 %2 ON Tab_Protocollo FOR EACH ROW%3 BEGIN SELECT RAISE(ABORT, %4); END")
                   .arg(name, when, condition.isEmpty() ? QString() : QStringLiteral(" WHEN ") + condition,
                        sqlText(message));
    };
    trigger(QStringLiteral("tab_protocollo_no_delete"), QStringLiteral("BEFORE DELETE"), QString(), kDeleteRefused);
    for (const QString &c : fixedColumns())
        trigger(QStringLiteral("tab_protocollo_fixed_") + c.toLower(), QStringLiteral("BEFORE UPDATE OF ") + c,
                QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c), kFixedRefused.arg(c));
    for (const QString &c : fixedOnceSetColumns())
        trigger(QStringLiteral("tab_protocollo_fixed_") + c.toLower(), QStringLiteral("BEFORE UPDATE OF ") + c,
                QStringLiteral("trim(coalesce(OLD.%1, '')) <> '' AND OLD.%1 IS NOT NEW.%1").arg(c),
                kFixedRefused.arg(c));
    trigger(QStringLiteral("tab_protocollo_no_reactivation"), QStringLiteral("BEFORE UPDATE OF Tab_StatoProtocollo"),
            QStringLiteral("OLD.Tab_StatoProtocollo = 'C' AND NEW.Tab_StatoProtocollo IS NOT 'C'"), kReactivateRefused);
    for (const CodeRule &r : codeRules()) {
        const QString column = QString::fromLatin1(r.column);
        const QString invalid = QStringLiteral("NOT (%1)").arg(validFor(r, Engine::SQLite, QStringLiteral("NEW.") + column));
        const QString message = QString::fromUtf8(r.message);
        trigger(QStringLiteral("tab_protocollo_check_ins_") + column.toLower(), QStringLiteral("BEFORE INSERT"),
                invalid, message);
        trigger(QStringLiteral("tab_protocollo_check_upd_") + column.toLower(),
                QStringLiteral("BEFORE UPDATE OF ") + column, invalid, message);
    }
    return out;
}

QStringList postgresStatements()
{
    QStringList out;
    // Real CHECK constraints hold the rules; the trigger in front of them
    // only gives the refusal a text an operator can read.
    QString checks;
    for (const CodeRule &r : codeRules()) {
        const QString column = QString::fromLatin1(r.column);
        const QString name = QStringLiteral("tab_protocollo_ck_") + column.toLower();
        out << QStringLiteral("ALTER TABLE Tab_Protocollo DROP CONSTRAINT IF EXISTS ") + name;
        out << QStringLiteral("ALTER TABLE Tab_Protocollo ADD CONSTRAINT %1 CHECK (%2)")
                   .arg(name, validFor(r, Engine::PostgreSQL, column));
        checks += QStringLiteral("  IF NOT (%1) THEN RAISE EXCEPTION USING ERRCODE = 'check_violation', MESSAGE = %2; END IF;\n")
                      .arg(validFor(r, Engine::PostgreSQL, QStringLiteral("NEW.") + column), sqlText(QString::fromUtf8(r.message)));
    }
    QString fixed;
    for (const QString &c : fixedColumns())
        fixed += QStringLiteral("    IF NEW.%1 IS DISTINCT FROM OLD.%1 THEN RAISE EXCEPTION USING ERRCODE = "
                                "'integrity_constraint_violation', MESSAGE = %2; END IF;\n")
                     .arg(c, sqlText(kFixedRefused.arg(c)));
    for (const QString &c : fixedOnceSetColumns())
        fixed += QStringLiteral("    IF trim(coalesce(OLD.%1, '')) <> '' AND NEW.%1 IS DISTINCT FROM OLD.%1 THEN RAISE "
                                "EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %2; END IF;\n")
                     .arg(c, sqlText(kFixedRefused.arg(c)));
    out << QStringLiteral(
               "CREATE OR REPLACE FUNCTION tab_protocollo_guard() RETURNS trigger LANGUAGE plpgsql AS $guard$\n"
               "BEGIN\n"
               "  IF TG_OP = 'DELETE' THEN\n"
               "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %1;\n"
               "  END IF;\n"
               "  IF TG_OP = 'UPDATE' THEN\n%2"
               "    IF OLD.Tab_StatoProtocollo = 'C' AND NEW.Tab_StatoProtocollo IS DISTINCT FROM 'C' THEN\n"
               "      RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %3;\n"
               "    END IF;\n"
               "  END IF;\n%4"
               "  RETURN NEW;\n"
               "END $guard$")
               .arg(sqlText(kDeleteRefused), fixed, sqlText(kReactivateRefused), checks);
    out << QStringLiteral("CREATE OR REPLACE FUNCTION tab_protocollo_no_truncate() RETURNS trigger LANGUAGE plpgsql AS "
                          "$guard$ BEGIN RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %1; "
                          "END $guard$")
               .arg(sqlText(kTruncateRefused));
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_guard ON Tab_Protocollo");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_guard BEFORE INSERT OR UPDATE OR DELETE ON Tab_Protocollo "
                          "FOR EACH ROW EXECUTE FUNCTION tab_protocollo_guard()");
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_no_truncate ON Tab_Protocollo");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_no_truncate BEFORE TRUNCATE ON Tab_Protocollo "
                          "FOR EACH STATEMENT EXECUTE FUNCTION tab_protocollo_no_truncate()");
    return out;
}

} // namespace

const QStringList &fixedColumns()
{
    static const QStringList c = {QStringLiteral("Tab_Ente"),           QStringLiteral("Tab_NumeroProtocollo"),
                                  QStringLiteral("Tab_DataProtocollo"), QStringLiteral("Tab_OraProtocollo"),
                                  QStringLiteral("Tab_DataRegistrazione"), QStringLiteral("Tab_CodiceOpeReg")};
    return c;
}

const QStringList &fixedOnceSetColumns()
{
    static const QStringList c = {QStringLiteral("Tab_RegistroTemporaneo"), QStringLiteral("Tab_ProtocolloTemporaneo")};
    return c;
}

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out = e == Engine::PostgreSQL ? postgresStatements() : sqliteStatements();
    // One number per body, whatever the direction: a lagging counter must not
    // give an incoming and an outgoing protocol the same number.
    out << QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ux_tab_protocollo_numero ON Tab_Protocollo "
                          "(Tab_Ente, Tab_NumeroProtocollo)");
    return out;
}

QStringList violations(const QSqlDatabase &db, int limit, QString *error)
{
    const Engine e = Dialect::engineOf(db);
    struct Probe {
        QString sql;
        QString why;
    };
    QVector<Probe> probes;
    probes.append({QStringLiteral("SELECT p.Tab_Ente, p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p "
                                  "JOIN (SELECT Tab_Ente, Tab_NumeroProtocollo FROM Tab_Protocollo GROUP BY Tab_Ente, "
                                  "Tab_NumeroProtocollo HAVING COUNT(*) > 1) d ON d.Tab_Ente = p.Tab_Ente AND "
                                  "d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo "
                                  "ORDER BY p.Tab_Ente, p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo"),
                   QStringLiteral("lo stesso numero è dato a più protocolli dell'ente")});
    for (const CodeRule &r : codeRules()) {
        const QString column = QString::fromLatin1(r.column);
        probes.append({QStringLiteral("SELECT Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo FROM Tab_Protocollo "
                                      "WHERE NOT (%1) ORDER BY Tab_Ente, Tab_NumeroProtocollo")
                           .arg(validFor(r, e, column)),
                       QString::fromUtf8(r.message)});
    }
    QStringList out;
    int more = 0;
    for (const Probe &p : probes) {
        QSqlQuery q(db);
        if (!q.exec(p.sql)) {
            if (error)
                *error = q.lastError().text();
            return out;
        }
        while (q.next()) {
            if (out.size() >= limit) {
                ++more;
                continue;
            }
            out << QStringLiteral("ente %1, %2 N. %3: %4")
                       .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), p.why);
        }
    }
    if (more > 0)
        out << QStringLiteral("... e altre %1 righe.").arg(more);
    return out;
}

} // namespace Schema::Guards
