#include "schema/Guards.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Schema::Guards {

using Dialect::Engine;

namespace {

// A rule on one column of a new or changed row: the values it admits (a
// pattern for the number), and whether it may stay empty (NULL).
struct CodeRule {
    const char *column;
    QStringList allowed;  // empty: the pattern below
    bool nullable;
    const char *message;
};

const std::vector<CodeRule> &codeRules()
{
    static const std::vector<CodeRule> r = {
        {"Tab_TipoProtocollo", {QStringLiteral("E"), QStringLiteral("U")}, false,
         "Valore non ammesso in Tab_TipoProtocollo: il tipo protocollo è E (Entrata) o U (Uscita)."},
        {"Tab_StatoProtocollo", {QStringLiteral("A"), QStringLiteral("C")}, false,
         "Valore non ammesso in Tab_StatoProtocollo: lo stato è A (attivo) o C (annullato)."},
        {"Tab_SoggPrivacy", {QStringLiteral("S"), QStringLiteral("N")}, true,
         "Valore non ammesso in Tab_SoggPrivacy: il vincolo di riservatezza è S o N."},
        {"Tab_Stampato", {QStringLiteral("N"), QStringLiteral("S"), QStringLiteral("M")}, true,
         "Valore non ammesso in Tab_Stampato: lo stato di stampa è N, S, M o vuoto."},
        {"Tab_NumeroProtocollo", {}, false,
         "Numero di protocollo non valido in Tab_NumeroProtocollo: sono attese 11 cifre, l'anno e il progressivo."},
    };
    return r;
}

// The rule as an SQL condition on ref (NEW.x in a trigger, x in a query)
// that passes on NULL where the column may stay empty.
QString validFor(const CodeRule &r, Engine e, const QString &ref)
{
    if (r.allowed.isEmpty())
        return e == Engine::PostgreSQL ? QStringLiteral("%1 ~ '^[0-9]{11}$'").arg(ref)
                                       : QStringLiteral("(length(%1) = 11 AND %1 NOT GLOB '*[^0-9]*')").arg(ref);
    const QString in = QStringLiteral("%1 IN ('") + r.allowed.join(QStringLiteral("', '")) + QStringLiteral("')");
    return ((r.nullable ? QStringLiteral("(%1 IS NULL OR ") : QStringLiteral("(%1 IS NOT NULL AND ")) + in
            + QLatin1Char(')'))
        .arg(ref);
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

// A protocol row comes from a registration: its number is the one the
// body's counter of that year and direction has just reached, and its date
// and time are the database clock's. A plain INSERT can then neither
// backdate a protocol nor take a number ahead of the counter, which would
// stop every later registration on a number already used.
//
// The only way past is a row of Tab_Protocollo_Ammissioni naming the body
// and the number (or leaving them empty: every number, every body). The
// workstations may only read that table; a registration that must choose
// its own number or date (the late registration of a number left free)
// is to go through a function of the owner that checks its rules and writes
// the admission, in the registration's transaction.
const QString kNotRegistered =
    QStringLiteral("Un protocollo entra nel registro solo con la registrazione: ");
const QString kCounterRefused =
    kNotRegistered
    + QStringLiteral("Tab_NumeroProtocollo deve essere il numero appena assegnato dal contatore dei protocolli "
                     "dell'ente per l'anno e il tipo.");
const QString kClockRefused =
    kNotRegistered
    + QStringLiteral("Tab_DataProtocollo, Tab_OraProtocollo e Tab_DataRegistrazione sono la data e l'ora del "
                     "database al momento della registrazione.");

const QString kAdmitted = QStringLiteral(
    "EXISTS (SELECT 1 FROM Tab_Protocollo_Ammissioni WHERE (Amm_Ente IS NULL OR Amm_Ente = NEW.Tab_Ente) AND "
    "(Amm_NumeroProtocollo IS NULL OR Amm_NumeroProtocollo = NEW.Tab_NumeroProtocollo))");
const QString kCounterReached = QStringLiteral(
    "EXISTS (SELECT 1 FROM TAB_STARTPROTOCOLLO WHERE Tab_CodiceEnte = NEW.Tab_Ente AND Tab_AnnoProtocollo = "
    "CAST(substr(NEW.Tab_NumeroProtocollo, 1, 4) AS INTEGER) AND (CASE WHEN NEW.Tab_TipoProtocollo = 'E' THEN "
    "Tab_ProtocolloEntrata ELSE tab_protocolloUscita END) = CAST(substr(NEW.Tab_NumeroProtocollo, 5) AS INTEGER))");

// The row's date and time within five minutes of the database clock (the
// server reads the clock in the same transaction; the margin covers a
// statement that runs a moment later on SQLite).
QString onTheClock(Engine e)
{
    if (e == Engine::PostgreSQL)
        return QStringLiteral(
            "NEW.Tab_DataRegistrazione = NEW.Tab_DataProtocollo AND to_char(NEW.Tab_DataProtocollo, 'YYYY-MM-DD') "
            "|| ' ' || NEW.Tab_OraProtocollo BETWEEN to_char(LOCALTIMESTAMP - interval '5 minutes', "
            "'YYYY-MM-DD HH24:MI:SS') AND to_char(LOCALTIMESTAMP + interval '5 minutes', 'YYYY-MM-DD HH24:MI:SS')");
    return QStringLiteral(
        "NEW.Tab_DataRegistrazione = NEW.Tab_DataProtocollo AND NEW.Tab_DataProtocollo || ' ' || "
        "NEW.Tab_OraProtocollo BETWEEN datetime('now', 'localtime', '-5 minutes') AND "
        "datetime('now', 'localtime', '+5 minutes')");
}

} // namespace

QStringList registrationStatements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out;
    if (e == Engine::SQLite) {
        const auto trigger = [&out](const QString &name, const QString &passes, const QString &message) {
            out << QStringLiteral("DROP TRIGGER IF EXISTS ") + name;
            out << QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON Tab_Protocollo FOR EACH ROW WHEN NOT %2 AND NOT "
                                  "coalesce((%3), 0) BEGIN SELECT RAISE(ABORT, %4); END")
                       .arg(name, kAdmitted, passes, sqlText(message));
        };
        // The date is looked at once the number is right, so that a row
        // that fails both is refused for its number on either engine.
        trigger(QStringLiteral("tab_protocollo_registrazione_numero"), kCounterReached, kCounterRefused);
        trigger(QStringLiteral("tab_protocollo_registrazione_data"),
                QStringLiteral("NOT coalesce(%1, 0) OR (%2)").arg(kCounterReached, onTheClock(e)), kClockRefused);
        return out;
    }
    // Fires after tab_protocollo_guard (triggers go in name order), which
    // has refused a number that is not eleven digits.
    out << QStringLiteral(
               "CREATE OR REPLACE FUNCTION tab_protocollo_registrazione() RETURNS trigger LANGUAGE plpgsql AS $reg$\n"
               "BEGIN\n"
               "  IF %1 THEN\n    RETURN NEW;\n  END IF;\n"
               "  IF NOT coalesce(%2, false) THEN\n"
               "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %3;\n  END IF;\n"
               "  IF NOT coalesce(%4, false) THEN\n"
               "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %5;\n  END IF;\n"
               "  RETURN NEW;\n"
               "END $reg$")
               .arg(kAdmitted, kCounterReached, sqlText(kCounterRefused), onTheClock(e), sqlText(kClockRefused));
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_registrazione ON Tab_Protocollo");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_registrazione BEFORE INSERT ON Tab_Protocollo FOR EACH ROW "
                          "EXECUTE FUNCTION tab_protocollo_registrazione()");
    return out;
}

QString valueProblem(const QString &table, const QString &column, QVariant *value)
{
    if (table.compare(QLatin1String("Tab_Protocollo"), Qt::CaseInsensitive) != 0)
        return {};
    for (const CodeRule &r : codeRules()) {
        // The number is never taken from a request: the counter gives it.
        if (r.allowed.isEmpty() || column.compare(QLatin1String(r.column), Qt::CaseInsensitive) != 0)
            continue;
        const QString v = value->isNull() ? QString() : value->toString().trimmed().toUpper();
        if (v.isEmpty()) {
            // A code that may stay empty is stored empty; one that may not
            // is filled in by the server or refused by the register.
            if (r.nullable)
                *value = QVariant(QMetaType(QMetaType::QString));
            return {};
        }
        if (!r.allowed.contains(v))
            return QString::fromUtf8(r.message);
        *value = v;
        return {};
    }
    return {};
}

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
