// The PostgreSQL role the workstations log in with, made by create-central:
// what it may not do, tried with PostgreSQL's own client, and the program
// working with it end to end, connected the way the README deploys it (a
// service name in SERVERDB, the password in a password file).

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

#include "AdminRun.h"
#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "servers/ClassificationRequests.h"
#include "servers/GenericServer.h"
#include "servers/IterRequests.h"
#include "servers/ProtocolServer.h"
#include "servers/Servers.h"
#include "schema/Schema.h"
#include "session/DicAmbiente.h"
#include "support/ProtocolRequests.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

using namespace nimbo::test;
namespace F = Funzioni_Com_1;

namespace {

const QByteArray kRolePassword = "Postazione-2026";

struct Psql {
    int status = -1;
    QString out, err;
};

// Sets an environment variable for the test and puts the old value back.
class EnvGuard {
public:
    EnvGuard(const char *name, const QByteArray &value) : name_(name), had_(qEnvironmentVariableIsSet(name))
    {
        old_ = qgetenv(name);
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
    ~EnvGuard()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

class WorkstationRole : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (TestDb::postgresAdminConnInfo().isEmpty())
            GTEST_SKIP() << "NIMBO_TEST_PG not set";
        db = std::make_unique<TestDb>(Dialect::Engine::PostgreSQL, Seed::Demo);
        ASSERT_TRUE(db->ok()) << db->error().toStdString();
        for (const auto &[k, v] : Dialect::parseConnInfo(db->centralTarget().location)) {
            if (k == QLatin1String("host") || k == QLatin1String("port") || k == QLatin1String("dbname"))
                server[k] = v;
        }
    }
    void TearDown() override
    {
        C_GestDB::closeLocalDatabase();
        if (db) {
            dropRole(db->central(), role);
            db.reset();
        }
    }

    // The workstation's connection string: no password in it.
    QString roleConnInfo() const
    {
        return QStringLiteral("host=%1 port=%2 dbname=%3 user=%4 connect_timeout=10")
            .arg(server.value(QStringLiteral("host"), QStringLiteral("127.0.0.1")),
                 server.value(QStringLiteral("port"), QStringLiteral("5432")), server.value(QStringLiteral("dbname")),
                 role);
    }

    // One statement through psql as the workstation role; the password
    // travels in the environment, not among the arguments.
    Psql psql(const QString &sql)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PGPASSWORD"), QString::fromUtf8(kRolePassword));
        env.remove(QStringLiteral("PGSERVICEFILE"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-A"),
                                         QStringLiteral("-t"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                         QStringLiteral("-d"), roleConnInfo(), QStringLiteral("-c"), sql});
        if (!p.waitForStarted())
            return {-1, {}, QStringLiteral("psql not started")};
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
                QString::fromUtf8(p.readAllStandardError()).trimmed()};
    }

    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db->central());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("<failed>"));
    }

    std::unique_ptr<TestDb> db;
    QMap<QString, QString> server;
    const QString role = uniqueRole("ws");
};

TEST_F(WorkstationRole, MayNotDeleteProtocolsTruncateOrChangeTheSchemaButRunsTheProgram)
{
    const QStringList create =
        QStringList{QStringLiteral("create-central")} + targetArgs(*db)
        << QStringLiteral("--role") << role << QStringLiteral("--set-role-password");
    AdminResult r = admin(create, kRolePassword + '\n');
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Ruolo delle postazioni %1 creato, password impostata").arg(role)))
        << r.out.toStdString();
    // The register admits no protocol row but a registration's.
    ASSERT_TRUE(closeProtocolAdmissions(db->central()));
    // The server got a hash, never the clear text.
    EXPECT_TRUE(scalar(QStringLiteral("SELECT rolpassword FROM pg_authid WHERE rolname = '%1'").arg(role))
                    .toString()
                    .startsWith(QStringLiteral("SCRAM-SHA-256$")));

    // Run again (as after an upgrade) without a password: the role and its
    // password stay, the grants are applied once more.
    r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--role") << role);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("già presente, password non modificata"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Permessi del ruolo %1 applicati").arg(role))) << r.out.toStdString();
    // Without naming it, the role is found by its rights.
    r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--no-role"));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Permessi aggiornati per il ruolo delle postazioni %1").arg(role)))
        << r.out.toStdString();

    // ---- the program, as the role, through a service name and a password file
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString passFile = dir.filePath(QStringLiteral("pgpass"));
    const QString serviceFile = dir.filePath(QStringLiteral("pg_service.conf"));
    {
        QFile f(passFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("*:*:%1:%2:").arg(server.value(QStringLiteral("dbname")), role).toUtf8() + kRolePassword
                + '\n');
        f.close();
        // libpq ignores a password file that others may read.
        ASSERT_TRUE(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QFile s(serviceFile);
        ASSERT_TRUE(s.open(QIODevice::WriteOnly));
        s.write(QStringLiteral("[nimbo]\nhost=%1\nport=%2\ndbname=%3\nuser=%4\n")
                    .arg(server.value(QStringLiteral("host"), QStringLiteral("127.0.0.1")),
                         server.value(QStringLiteral("port"), QStringLiteral("5432")),
                         server.value(QStringLiteral("dbname")), role)
                    .toUtf8());
    }
    const EnvGuard noPassword("PGPASSWORD", QByteArray());
    const EnvGuard pass("PGPASSFILE", passFile.toUtf8());
    const EnvGuard service("PGSERVICEFILE", serviceFile.toUtf8());
    auto &cfg = DicAmbiente::session().cfg;
    cfg.serverDb = QStringLiteral("service=nimbo");
    nimbo::registerServers();
    cfg.oleGenerica = nimbo::kGenericProgId;
    DicAmbiente::ensureWorkFolder(cfg.applTemp);
    ScriptedDialogs boxes;
    {
        QString err;
        ASSERT_TRUE(Dialect::open(QStringLiteral("ws_check"), Dialect::centralTarget(), &err)) << err.toStdString();
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("ws_check")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT current_user")) && q.next());
        EXPECT_EQ(q.value(0).toString(), role);
    }
    Dialect::close(QStringLiteral("ws_check"));

    // A registration and its rewrite (which also writes the history).
    nimbo::ProtocolServer protocols;
    nimbo::ColumnValues cols = newProtocolColumns(QStringLiteral("001"), QStringLiteral("E"),
                                                  QStringLiteral("Richiesta di accesso agli atti"),
                                                  QStringLiteral("DEMO9"));
    for (auto &[name, value] : cols) {
        if (name == QLatin1String("Tab_SedeRicezione"))
            value = QStringLiteral("PRO");
        if (name == QLatin1String("Tab_UfficioRegistrazione"))
            value = QStringLiteral("UPR");
    }
    QVariantList request = nimbo::registrationRequest(
        QStringLiteral("A"), nimbo::protocolCondition(QStringLiteral("001"), QStringLiteral("E"), QString()), cols,
        QStringLiteral("DEMO9"));
    QVariantList reply = protocols.Elabora(nimbo::kOpRegistraProtocollo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    const QString number = reply.value(2).toString();
    ASSERT_EQ(number.size(), 11);
    for (auto &[name, value] : cols) {
        if (name == QLatin1String("Tab_Oggetto"))
            value = QStringLiteral("Richiesta di accesso agli atti del concorso");
        if (name == QLatin1String("Tab_NumeroProtocollo"))
            value = number;
    }
    request = nimbo::registrationRequest(
        QStringLiteral("R"), nimbo::protocolCondition(QStringLiteral("001"), QStringLiteral("E"), number), cols,
        QStringLiteral("DEMO9"));
    reply = protocols.Elabora(nimbo::kOpRegistraProtocollo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo_Storico")).toInt(), 1);

    // The iter as the role: an assignment, then taking it in charge (which
    // locks the protocol's row and removes the delivery).
    nimbo::iter::AssignmentRequest assign;
    assign.ente = QStringLiteral("001");
    assign.direction = QStringLiteral("E");
    assign.number = number;
    assign.operatorCode = QStringLiteral("DEMO9");
    assign.office = QStringLiteral("UPR");
    assign.department = QStringLiteral("PRO");
    assign.recipients = {{QStringLiteral("RAG"), 0, true, nimbo::kPerCompetenza, QString()}};
    request = nimbo::iter::assignmentRequest(assign);
    reply = protocols.Elabora(nimbo::kOpAssegnazione, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    nimbo::iter::InChargeRequest take;
    take.ente = QStringLiteral("001");
    take.department = QStringLiteral("AMM");
    take.office = QStringLiteral("RAG");
    take.operatorCode = QStringLiteral("DEMO8");
    take.items = {{QStringLiteral("E"), number,
                   scalar(QStringLiteral("SELECT Tab_progressivo FROM Tab_Iter_Trasmissioni")).toLongLong()}};
    request = nimbo::iter::takeInChargeRequest(take);
    reply = protocols.Elabora(nimbo::kOpPresaInCarico, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Trasmissioni")).toInt(), 0);

    // A new dossier: its code from the class's counter, which the role
    // raises but may not delete.
    request = nimbo::classification::dossierRequest(
        QStringLiteral("A"),
        nimbo::classification::dossierCondition(QStringLiteral("001"), QStringLiteral("01"), QStringLiteral("04"),
                                                QStringLiteral("01"), 0),
        {{QStringLiteral("Tab_Descrizione"), QStringLiteral("RECLAMI DEI CITTADINI 2025")},
         {QStringLiteral("Tab_CodOper"), QStringLiteral("DEMO9")}});
    reply = protocols.Elabora(nimbo::kOpScriviFascicolo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toInt(), 3);

    // A read through the generic server.
    const auto read = F::Caricadati(QStringLiteral("PROTOCOLLO"),
                                    QStringLiteral("SELECT Tab_Oggetto FROM Tab_Protocollo WHERE Tab_Ente='001' "
                                                   "AND Tab_NumeroProtocollo='%1'")
                                        .arg(number));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->value(0).toString(), QStringLiteral("Richiesta di accesso agli atti del concorso"));

    // A batch that adds, rewrites and deletes code-table rows.
    const QString proto = QStringLiteral("PROTOCOLLO");
    const F::Statement add{QStringLiteral("A"), QStringLiteral("Tab_TipoDocumento"),
                           {{QStringLiteral("Tab_Codice"), QStringLiteral("VRB")},
                            {QStringLiteral("Tab_Descrizione"), QStringLiteral("VERBALE")}},
                           {}};
    const F::Statement change{QStringLiteral("R"), QStringLiteral("Tab_TipoDocumento"),
                              {{QStringLiteral("Tab_Descrizione"), QStringLiteral("VERBALE DI SEDUTA")}},
                              QStringLiteral("Tab_Codice='VRB'")};
    const F::Statement drop{QStringLiteral("C"), QStringLiteral("Tab_TipoDocumento"), {},
                            QStringLiteral("Tab_Codice='FAX'")};
    EXPECT_TRUE(F::Update_Tabella({add, change, drop}, proto));
    EXPECT_EQ(boxes.texts(), QStringList{});
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Descrizione FROM Tab_TipoDocumento WHERE Tab_Codice='VRB'")).toString(),
              QStringLiteral("VERBALE DI SEDUTA"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento WHERE Tab_Codice='FAX'")).toInt(), 0);

    // The workstation may only read the office history, yet its change of
    // an office is recorded there by the database.
    const QString officeChanges = QStringLiteral("SELECT COUNT(*) FROM Tab_Uffici_Storico WHERE Tab_Ufficio='ARC' AND "
                                                 "Tab_TipoOperazione='M' AND Tab_Responsabile='BRUNO ADA'");
    EXPECT_EQ(scalar(officeChanges).toInt(), 0);
    EXPECT_TRUE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Uffici"),
                                    {{QStringLiteral("Tab_Responsabile"), QStringLiteral("BRUNO ADA")}},
                                    QStringLiteral("Tab_Ente='001' AND Tab_Ufficio='ARC'")}},
                                  proto));
    EXPECT_EQ(scalar(officeChanges).toInt(), 1);

    // ---- what the role may not do, with psql
    const Psql works = psql(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo"));
    ASSERT_EQ(works.status, 0) << works.err.toStdString();
    EXPECT_EQ(works.out, QStringLiteral("1"));

    const struct {
        const char *sql;
        const char *refusal;
    } refused[] = {
        {"DELETE FROM Tab_Protocollo", "permission denied for table tab_protocollo"},
        {"TRUNCATE Tab_TipoDocumento", "permission denied for table tab_tipodocumento"},
        {"TRUNCATE Tab_Protocollo", "permission denied for table tab_protocollo"},
        {"DROP TABLE Tab_Rubrica", "must be owner of table tab_rubrica"},
        {"ALTER TABLE Tab_Protocollo DISABLE TRIGGER ALL", "must be owner of table tab_protocollo"},
        {"CREATE TABLE nimbo_extra (a INTEGER)", "permission denied for schema public"},
        {"UPDATE Tab_Protocollo_Storico SET Tab_Oggetto = 'riscritto'", "permission denied for table tab_protocollo_storico"},
        {"DELETE FROM Tab_Protocollo_Storico", "permission denied for table tab_protocollo_storico"},
        {"UPDATE Schema_Version SET description = 'x'", "permission denied for table schema_version"},
        {"INSERT INTO Tab_Uffici_Storico (Tab_TipoOperazione) VALUES ('M')", "permission denied for table tab_uffici_storico"},
        {"DELETE FROM Tab_Dipartimenti_Storico", "permission denied for table tab_dipartimenti_storico"},
        {"SELECT tab_uffici_storico()", "permission denied for function tab_uffici_storico"},
        {"SET ROLE postgres", "permission denied to set role"},
        {"DELETE FROM Tab_ContatoreFascicoli", "permission denied for table tab_contatorefascicoli"},
        {"INSERT INTO Tab_Protocollo_Storico (Tab_Ente, Tab_Oggetto) VALUES ('001', 'falso')",
         "permission denied for table tab_protocollo_storico"},
        {"INSERT INTO Tab_Protocollo_Ammissioni (Amm_Motivo) VALUES ('tutti')",
         "permission denied for table tab_protocollo_ammissioni"},
        {"SELECT tab_protocollo_storico()", "permission denied for function tab_protocollo_storico"},
        // A protocol dated 2015 by another operator, and one numbered ahead
        // of the counter, which would stop the next registration.
        {"INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
         "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, Tab_Oggetto) VALUES ('001', 'E', '20150000001', "
         "'2015-06-01', '10:00:00', '2015-06-01', 'ROSSI', 'Retrodatato')",
         "contatore dei protocolli"},
        {"INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
         "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_CodiceOpeReg, Tab_Oggetto) SELECT '001', 'U', "
         "to_char(CURRENT_DATE, 'YYYY') || lpad((GREATEST(Tab_ProtocolloEntrata, tab_protocolloUscita) + 1)::text, 7, "
         "'0'), CURRENT_DATE, to_char(LOCALTIMESTAMP, 'HH24:MI:SS'), CURRENT_DATE, 'DEMO9', 'Avanti' FROM "
         "TAB_STARTPROTOCOLLO WHERE Tab_CodiceEnte = '001' AND Tab_AnnoProtocollo = extract(year FROM CURRENT_DATE)",
         "contatore dei protocolli"},
    };
    for (const auto &c : refused) {
        const Psql p = psql(QString::fromUtf8(c.sql));
        EXPECT_NE(p.status, 0) << c.sql;
        EXPECT_TRUE(p.err.contains(QString::fromUtf8(c.refusal))) << c.sql << ": " << p.err.toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")).toInt(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo_Storico")).toInt(), 1);
    // A rewrite by plain SQL commits, but not without its trace.
    const Psql hidden = psql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Oggetto nascosto'"));
    ASSERT_EQ(hidden.status, 0) << hidden.err.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Oggetto || '|' || Tab_OperatoreModifica || '|' || "
                                    "(Tab_DataModifica = CURRENT_DATE) FROM Tab_Protocollo_Storico ORDER BY ID DESC "
                                    "LIMIT 1"))
                  .toString(),
              QStringLiteral("Richiesta di accesso agli atti del concorso|DEMO9|true"));
    // The next registration is not stopped by anything tried above.
    request = nimbo::registrationRequest(
        QStringLiteral("A"), nimbo::protocolCondition(QStringLiteral("001"), QStringLiteral("E"), QString()), cols,
        QStringLiteral("DEMO9"));
    reply = protocols.Elabora(nimbo::kOpRegistraProtocollo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toString().mid(4).toInt(), number.mid(4).toInt() + 1);
    EXPECT_GT(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_TipoDocumento")).toInt(), 0);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT to_regclass('tab_rubrica') IS NOT NULL")).toBool());
}

TEST_F(WorkstationRole, RoleWithTheOwnersPowerIsRefused)
{
    // The owner itself, and a role that may act as the owner, would make
    // every grant pointless.
    QString user;
    for (const auto &[k, v] : Dialect::parseConnInfo(db->centralTarget().location))
        if (k == QLatin1String("user"))
            user = v;
    ASSERT_FALSE(user.isEmpty());
    AdminResult r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--role")
                                                                                           << user);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("non può essere il ruolo delle postazioni"))) << r.err.toStdString();

    QSqlQuery q(db->central());
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE ROLE %1 LOGIN IN ROLE %2").arg(role, user)));
    r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--role") << role);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("membro del ruolo proprietario"))) << r.err.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM information_schema.role_table_grants WHERE grantee = '%1'")
                         .arg(role))
                  .toInt(),
              0);

    // A right the role draws from a group is beyond create-central's
    // grants: it is reported for the DBA.
    const QString group = uniqueRole("grp");
    struct DropLater {
        QSqlDatabase db;
        QString role;
        ~DropLater() { dropRole(db, role); }
    } dropGroup{db->central(), group};
    ASSERT_TRUE(q.exec(QStringLiteral("REVOKE %1 FROM %2").arg(user, role)));
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE ROLE %1 NOLOGIN").arg(group)));
    ASSERT_TRUE(q.exec(QStringLiteral("GRANT CREATE ON SCHEMA public TO %1").arg(group)));
    ASSERT_TRUE(q.exec(QStringLiteral("GRANT %1 TO %2").arg(group, role)));
    r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--role") << role);
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("Attenzione: il ruolo %1 può ancora creare oggetti nello schema public")
                                   .arg(role)))
        << r.out.toStdString();

    r = admin(QStringList{QStringLiteral("create-central")} + targetArgs(*db) << QStringLiteral("--role")
                                                                               << QStringLiteral("Postazione; DROP"));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nome del ruolo non valido"))) << r.err.toStdString();
}

TEST_F(WorkstationRole, OwnerWithoutSuperuserRightsSetsUpTheRoleWithItsPasswordFromAPasswordFile)
{
    // As the README deploys it: the DBA makes an owner that may create
    // roles and gives it a database; nimbo-admin runs as that owner, whose
    // password libpq reads from the password file.
    const QString owner = uniqueRole("own");
    const QString database = QStringLiteral("nimbo_t_own_%1").arg(QCoreApplication::applicationPid());
    QSqlQuery q(db->central());
    struct Cleanup {
        QSqlDatabase db;
        QString database, owner;
        ~Cleanup()
        {
            QSqlQuery c(db);
            c.exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database));
            dropRole(db, owner);
        }
    } cleanup{db->central(), database, owner};
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE ROLE %1 LOGIN CREATEROLE PASSWORD 'Proprietario-1'").arg(owner)));
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE DATABASE %1 OWNER %2").arg(database, owner)));

    QTemporaryDir dir;
    const QString passFile = dir.filePath(QStringLiteral("pgpass"));
    QFile f(passFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QStringLiteral("*:*:%1:%2:Proprietario-1\n").arg(database, owner).toUtf8());
    f.close();
    ASSERT_TRUE(f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    const QString ownerConn = QStringLiteral("host=%1 port=%2 dbname=%3 user=%4")
                                  .arg(server.value(QStringLiteral("host"), QStringLiteral("127.0.0.1")),
                                       server.value(QStringLiteral("port"), QStringLiteral("5432")), database, owner);
    const AdminResult r = admin({QStringLiteral("create-central"), QStringLiteral("--pg"), ownerConn,
                                 QStringLiteral("--role"), role, QStringLiteral("--set-role-password")},
                                kRolePassword + '\n',
                                {{QStringLiteral("PGPASSWORD"), QString()}, {QStringLiteral("PGPASSFILE"), passFile}});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("creato, password impostata"))) << r.out.toStdString();
    EXPECT_FALSE(r.out.contains(QStringLiteral("Attenzione"))) << r.out.toStdString();

    server[QStringLiteral("dbname")] = database;
    const Psql reads = psql(QStringLiteral("SELECT current_user || ' ' || COUNT(*) FROM Tab_TipoDocumento"));
    EXPECT_EQ(reads.out, role + QStringLiteral(" 0")) << reads.err.toStdString();
    const Psql create = psql(QStringLiteral("CREATE TABLE nimbo_extra (a INTEGER)"));
    EXPECT_TRUE(create.err.contains(QStringLiteral("permission denied for schema public"))) << create.err.toStdString();
    const Psql remove = psql(QStringLiteral("DELETE FROM Tab_Protocollo"));
    EXPECT_TRUE(remove.err.contains(QStringLiteral("permission denied for table tab_protocollo")))
        << remove.err.toStdString();
    // The role's grants live in that database: take them out before it goes.
    QString err;
    const QString conn = QStringLiteral("owner_db_%1").arg(QCoreApplication::applicationPid());
    ASSERT_TRUE(Dialect::open(conn, Dialect::Target::postgres(TestDb::withDatabase(TestDb::postgresAdminConnInfo(), database)),
                              &err))
        << err.toStdString();
    dropRole(QSqlDatabase::database(conn), role);
    Dialect::close(conn);
}

TEST_F(WorkstationRole, UpgradeThroughAnyCommandGrantsTheNewTablesToTheRole)
{
    // A register of the first schema version whose workstation role was set
    // up by hand, as an older installation had it.
    QSqlDatabase c = db->central();
    QSqlQuery q(c);
    ASSERT_TRUE(q.exec(QStringLiteral("DROP SCHEMA public CASCADE")) && q.exec(QStringLiteral("CREATE SCHEMA public")));
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 1)) << err.toStdString();
    ASSERT_FALSE(Schema::tableExists(c, QStringLiteral("Tab_Protocollo_Storico")));
    ASSERT_TRUE(q.exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(role)));
    ASSERT_TRUE(q.exec(QStringLiteral("GRANT SELECT, INSERT, UPDATE, DELETE ON Tab_Protocollo TO %1").arg(role)));

    // load-demo upgrades the schema on its way: the history table that
    // arrives with it is granted as well, and the role loses what it
    // should never have had.
    const AdminResult r = admin(QStringList{QStringLiteral("load-demo")} + targetArgs(*db));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const auto may = [&](const char *table, const char *what) {
        return scalar(QStringLiteral("SELECT has_table_privilege('%1', '%2', '%3')")
                          .arg(role, QLatin1String(table), QLatin1String(what)))
            .toBool();
    };
    // The history is the database's to write; so are the admissions.
    EXPECT_TRUE(may("tab_protocollo_storico", "SELECT"));
    EXPECT_FALSE(may("tab_protocollo_storico", "INSERT"));
    EXPECT_FALSE(may("tab_protocollo_storico", "UPDATE"));
    EXPECT_FALSE(may("tab_protocollo_ammissioni", "INSERT"));
    EXPECT_FALSE(may("tab_protocollo", "DELETE"));
    EXPECT_TRUE(may("tab_protocollo", "UPDATE"));
    EXPECT_TRUE(may("tab_tipodocumento", "DELETE"));
    EXPECT_FALSE(may("tab_tipodocumento", "TRUNCATE"));
    EXPECT_TRUE(may("schema_version", "SELECT"));
    EXPECT_FALSE(may("schema_version", "INSERT"));
}

} // namespace
