#include "admin/Roles.h"

#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

#include "schema/Definition.h"
#include "schema/History.h"
#include "schema/Schema.h"
#include "schema/Transaction.h"

namespace Admin::Roles {
namespace {

const QString kRegister = QStringLiteral("tab_protocollo");

// Logs record what happened: a workstation adds to them and never rewrites
// them.
const QStringList kAppendOnly{QStringLiteral("log_accessi_proto")};
// Filled at installation and only read by the program; the protocol's
// history, which the database's trigger writes; the numbers let into the
// register without a registration, which only the owner admits, and the
// record of the late registrations written with them.
// Counters that only go up: a row deleted would hand its codes out again;
// the record of the daily registers produced, which a new production adds
// to or counts on.
const QStringList kNeverDeleted{QStringLiteral("tab_contatorefascicoli"), QStringLiteral("tab_registrogiornaliero")};
const QStringList kReadOnly{QStringLiteral("ab_storicoprotocollo"), QStringLiteral("tab_protocollo_storico"),
                            QStringLiteral("tab_protocollo_ammissioni"), QStringLiteral("tab_protocollorecuperato"),
                            QStringLiteral("tab_scadenzeincorso")};

QString quoteIdent(const QString &name)
{
    QString q = name;
    q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

QString quoteLiteral(const QString &text)
{
    QString q = text;
    q.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

struct Runner {
    QSqlDatabase &db;
    QString *error;

    bool operator()(const QString &sql, QString *state = nullptr)
    {
        QSqlQuery q(db);
        if (q.exec(sql))
            return true;
        if (state)
            *state = q.lastError().nativeErrorCode();
        // A password never reaches an error text: the statement is not shown.
        *error = q.lastError().databaseText().trimmed();
        if (!sql.contains(QLatin1String(" PASSWORD ")))
            *error += QStringLiteral(" [") + sql.left(200) + QLatin1Char(']');
        return false;
    }
    // First column of the first row; empty when none.
    QVariant value(const QString &sql, const QVariantList &binds, bool *ok)
    {
        QSqlQuery q(db);
        q.prepare(sql);
        for (const QVariant &b : binds)
            q.addBindValue(b);
        *ok = q.exec();
        if (!*ok) {
            *error = q.lastError().text().trimmed();
            return {};
        }
        return q.next() ? q.value(0) : QVariant();
    }
};

// What would let the role act as an owner: then no grant keeps it in check.
bool checkNotOwner(Runner &run, const QString &role)
{
    bool ok = false;
    const QString why =
        run.value(QStringLiteral(
                      "SELECT CASE "
                      "WHEN r.rolname = current_user THEN 'è l''utente con cui nimbo-admin si collega, proprietario "
                      "delle tabelle' "
                      "WHEN r.rolsuper THEN 'è un superutente' "
                      "WHEN pg_has_role(r.oid, (SELECT oid FROM pg_roles WHERE rolname = current_user), 'MEMBER') "
                      "THEN 'è membro del ruolo proprietario delle tabelle' "
                      "WHEN pg_has_role(r.oid, (SELECT datdba FROM pg_database WHERE datname = current_database()), "
                      "'MEMBER') THEN 'è proprietario del database' "
                      "WHEN pg_has_role(r.oid, (SELECT nspowner FROM pg_namespace WHERE nspname = current_schema()), "
                      "'MEMBER') THEN 'è proprietario dello schema' "
                      "WHEN EXISTS (SELECT 1 FROM pg_class c WHERE c.relnamespace = "
                      "(SELECT oid FROM pg_namespace WHERE nspname = current_schema()) AND pg_has_role(r.oid, "
                      "c.relowner, 'MEMBER')) THEN 'è proprietario di tabelle del protocollo' "
                      "ELSE '' END FROM pg_roles r WHERE r.rolname = ?"),
                  {role}, &ok)
            .toString();
    if (!ok)
        return false;
    if (!why.isEmpty()) {
        *run.error = QStringLiteral("Il ruolo %1 non può essere il ruolo delle postazioni perché %2: indicare un altro "
                                    "ruolo con --role.")
                         .arg(role, why);
        return false;
    }
    return true;
}

// The password goes to the server as a SCRAM secret computed here, so the
// clear text appears neither in the server's statement log nor in
// pg_stat_activity.
bool setPassword(Runner &run, const QString &role, const QString &password)
{
    const QVariant handle = run.db.driver()->handle();
    // Qt 6 names the handle's type after the struct behind libpq's typedef.
    const bool isPg = handle.isValid()
                      && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0);
    PGconn *conn = isPg ? *static_cast<PGconn *const *>(handle.data()) : nullptr;
    if (!conn) {
        *run.error = QStringLiteral("Collegamento a PostgreSQL non disponibile per cifrare la password.");
        return false;
    }
    char *secret = PQencryptPasswordConn(conn, password.toUtf8().constData(), role.toUtf8().constData(), nullptr);
    if (!secret) {
        *run.error = QStringLiteral("Cifratura della password del ruolo non riuscita: ")
                     + QString::fromLocal8Bit(PQerrorMessage(conn)).trimmed();
        return false;
    }
    const QString sql =
        QStringLiteral("ALTER ROLE %1 PASSWORD %2").arg(quoteIdent(role), quoteLiteral(QString::fromLatin1(secret)));
    PQfreemem(secret);
    QString state;
    if (run(sql, &state))
        return true;
    if (state == QLatin1String("42501"))
        *run.error = QStringLiteral("L'utente di nimbo-admin non può cambiare la password del ruolo %1 (serve "
                                    "l'attributo CREATEROLE): la imposti l'amministratore di PostgreSQL.")
                         .arg(role);
    return false;
}

bool createIfMissing(Runner &run, const QString &role, bool *created)
{
    bool ok = false;
    *created = false;
    if (run.value(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = ?"), {role}, &ok).isValid() || !ok)
        return ok;
    // Another installer may create the same role at the same moment: the
    // savepoint keeps its "already exists" from spoiling the transaction.
    if (!run(QStringLiteral("SAVEPOINT nimbo_role")))
        return false;
    QString state;
    if (run(QStringLiteral("CREATE ROLE %1 LOGIN").arg(quoteIdent(role)), &state)) {
        *created = true;
        return run(QStringLiteral("RELEASE SAVEPOINT nimbo_role"));
    }
    const QString why = *run.error;
    if (!run(QStringLiteral("ROLLBACK TO SAVEPOINT nimbo_role")))
        return false;
    if (state == QLatin1String("42710"))
        return true;
    *run.error = state == QLatin1String("42501")
                     ? QStringLiteral("Il ruolo %1 non esiste e l'utente di nimbo-admin non può crearlo (serve "
                                      "l'attributo CREATEROLE): lo crei l'amministratore di PostgreSQL con "
                                      "CREATE ROLE %1 LOGIN, poi ripetere create-central.")
                           .arg(role)
                     : QStringLiteral("Creazione del ruolo %1 non riuscita: %2").arg(role, why);
    return false;
}

bool grantAll(Runner &run, const QString &role)
{
    bool ok = false;
    const QString database = run.value(QStringLiteral("SELECT current_database()"), {}, &ok).toString();
    if (!ok)
        return false;
    const QString schema = run.value(QStringLiteral("SELECT current_schema()"), {}, &ok).toString();
    if (!ok)
        return false;
    const QString who = quoteIdent(role);
    // Nobody but the owner creates objects in the register's schema: what
    // the workstation may not do, PUBLIC (of which it is part) may not either.
    QStringList sql{QStringLiteral("REVOKE CREATE ON DATABASE %1 FROM %2").arg(quoteIdent(database), who),
                    QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(quoteIdent(database), who),
                    QStringLiteral("REVOKE CREATE ON SCHEMA %1 FROM PUBLIC").arg(quoteIdent(schema)),
                    QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM %2").arg(quoteIdent(schema), who),
                    QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(quoteIdent(schema), who)};
    QStringList objects{Schema::versionTableName()};
    for (const auto &t : Schema::tables(Schema::Kind::Central))
        objects << t.name;
    for (const auto &v : Schema::views(Schema::Kind::Central))
        objects << v.name;
    for (const QString &name : std::as_const(objects)) {
        if (!Schema::tableExists(run.db, name))
            continue;
        sql << QStringLiteral("REVOKE ALL ON %1 FROM %2").arg(name, who)
            << QStringLiteral("GRANT %1 ON %2 TO %3").arg(privilegesOn(name), name, who);
    }
    // Identity columns number rows without any right on their sequence;
    // the grant keeps currval() and lastval() usable all the same.
    for (const auto &t : Schema::tables(Schema::Kind::Central)) {
        for (const auto &c : t.columns) {
            if (c.type != Schema::Type::Serial || !Schema::tableExists(run.db, t.name))
                continue;
            const QVariant seq = run.value(QStringLiteral("SELECT pg_get_serial_sequence(?, ?)"),
                                           {t.name.toLower(), c.name.toLower()}, &ok);
            if (!ok)
                return false;
            if (!seq.isNull())
                sql << QStringLiteral("REVOKE ALL ON SEQUENCE %1 FROM %2").arg(seq.toString(), who)
                    << QStringLiteral("GRANT USAGE, SELECT ON SEQUENCE %1 TO %2").arg(seq.toString(), who);
        }
    }
    for (const QString &s : std::as_const(sql))
        if (!run(s))
            return false;
    return true;
}

// Rights the grants cannot take away because they come from elsewhere (a
// group role, PUBLIC on a schema this owner may not change): said, so that
// the DBA can remove them.
QStringList leftoverPowers(Runner &run, const QString &role)
{
    QStringList out;
    bool ok = false;
    const QString schema = run.value(QStringLiteral("SELECT current_schema()"), {}, &ok).toString();
    if (ok && run.value(QStringLiteral("SELECT has_schema_privilege(?, current_schema(), 'CREATE')"), {role}, &ok).toBool())
        out << QStringLiteral("Attenzione: il ruolo %1 può ancora creare oggetti nello schema %2; l'amministratore di "
                              "PostgreSQL tolga il permesso (REVOKE CREATE ON SCHEMA %2 FROM PUBLIC, e dai ruoli di "
                              "cui %1 è membro).")
                   .arg(role, schema);
    if (ok && run.value(QStringLiteral("SELECT has_database_privilege(?, current_database(), 'CREATE')"), {role}, &ok)
                  .toBool())
        out << QStringLiteral("Attenzione: il ruolo %1 può ancora creare schemi nel database; l'amministratore di "
                              "PostgreSQL tolga il permesso CREATE sul database.")
                   .arg(role);
    return out;
}

} // namespace

QString defaultName() { return QStringLiteral("nimbo_postazione"); }

bool validName(const QString &name)
{
    static const QRegularExpression re(QStringLiteral("^[a-z_][a-z0-9_]{0,62}$"));
    return re.match(name).hasMatch();
}

QString privilegesOn(const QString &table)
{
    const QString t = table.toLower();
    if (t == kRegister)
        return QStringLiteral("SELECT, INSERT, UPDATE");
    if (kAppendOnly.contains(t))
        return QStringLiteral("SELECT, INSERT");
    if (kNeverDeleted.contains(t))
        return QStringLiteral("SELECT, INSERT, UPDATE");
    if (kReadOnly.contains(t) || t == Schema::versionTableName().toLower())
        return QStringLiteral("SELECT");
    // Written by the database's own triggers, never by a workstation.
    for (const auto &l : Schema::History::links())
        if (l.history.toLower() == t)
            return QStringLiteral("SELECT");
    for (const auto &v : Schema::views(Schema::Kind::Central))
        if (v.name.toLower() == t)
            return QStringLiteral("SELECT");
    return QStringLiteral("SELECT, INSERT, UPDATE, DELETE");
}

bool ensure(QSqlDatabase &db, const QString &role, const std::optional<QString> &password, QStringList *report,
            QString *error)
{
    if (!validName(role)) {
        *error = QStringLiteral("Nome del ruolo non valido: %1 (lettere minuscole, cifre e _, al massimo 63).").arg(role);
        return false;
    }
    Schema::detail::Transaction tx(db);
    if (!tx.begin(error))
        return false;
    Runner run{db, error};
    bool created = false;
    if (!createIfMissing(run, role, &created) || !checkNotOwner(run, role))
        return false;
    if (password && !setPassword(run, role, *password))
        return false;
    if (!grantAll(run, role) || !tx.commit(error))
        return false;
    *report << (created ? QStringLiteral("Ruolo delle postazioni %1 creato").arg(role)
                        : QStringLiteral("Ruolo delle postazioni %1 già presente").arg(role))
                   + (password ? QStringLiteral(", password impostata.")
                               : created ? QStringLiteral(", senza password: la imposti l'amministratore di PostgreSQL.")
                                         : QStringLiteral(", password non modificata."));
    *report << QStringLiteral("Permessi del ruolo %1 applicati a tutte le tabelle del protocollo.").arg(role);
    *report << leftoverPowers(run, role);
    return true;
}

QStringList existing(QSqlDatabase &db, QString *error)
{
    QStringList out;
    if (!Schema::tableExists(db, kRegister))
        return out;
    QSqlQuery q(db);
    // aclexplode lists every grant on the table; the owner's own entry and
    // PUBLIC (grantee 0) are not workstation roles.
    if (!q.exec(QStringLiteral("SELECT DISTINCT r.rolname FROM pg_class c CROSS JOIN LATERAL aclexplode(c.relacl) a "
                               "JOIN pg_roles r ON r.oid = a.grantee WHERE c.oid = 'tab_protocollo'::regclass "
                               "AND a.privilege_type = 'INSERT' AND a.grantee <> c.relowner ORDER BY 1"))) {
        *error = q.lastError().text();
        return {};
    }
    while (q.next())
        out << q.value(0).toString();
    return out;
}

bool refresh(QSqlDatabase &db, const QString &except, QStringList *report, QString *error)
{
    QString why;
    const QStringList roles = existing(db, &why);
    if (!why.isEmpty()) {
        *error = why;
        return false;
    }
    for (const QString &role : roles) {
        if (!validName(role) || role == except)
            continue;
        Schema::detail::Transaction tx(db);
        if (!tx.begin(error))
            return false;
        Runner run{db, error};
        // A role given the owner's power by hand is reported, not changed:
        // the installation goes on and the DBA decides.
        QString refused;
        Runner check{db, &refused};
        if (!checkNotOwner(check, role)) {
            *report << QStringLiteral("Attenzione: ") + refused;
            continue;
        }
        if (!grantAll(run, role) || !tx.commit(error))
            return false;
        *report << QStringLiteral("Permessi aggiornati per il ruolo delle postazioni %1.").arg(role);
        *report << leftoverPowers(run, role);
    }
    return true;
}

} // namespace Admin::Roles
