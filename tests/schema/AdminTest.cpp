// The installer's command run as an installer runs it: a separate process
// whose exit status and messages are all that the caller sees.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "data/Dialect.h"
#include "data/Password.h"
#include "AdminRun.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

using Result = AdminResult;

int count(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery q(db);
    EXPECT_TRUE(q.exec(sql) && q.next()) << sql.toStdString();
    return q.value(0).toInt();
}

class AdminCommand : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
    void TearDown() override
    {
        if (GetParam() == Dialect::Engine::PostgreSQL && !IsSkipped())
            dropRole(db().central(), role);
        EngineTest::TearDown();
    }
    // create-central with this process's own workstation role.
    QStringList createCentral()
    {
        QStringList a = QStringList{QStringLiteral("create-central")} + targetArgs(db());
        if (GetParam() == Dialect::Engine::PostgreSQL)
            a << QStringLiteral("--role") << role;
        return a;
    }
    const QString role = uniqueRole("adm");
};

TEST_P(AdminCommand, CreatesLoadsDemoAndAddsOperatorsRepeatablyWithoutOverwriting)
{
    const QStringList target = targetArgs(db());
    Result r = admin(createCentral());
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("creato"))) << r.out.toStdString();

    r = admin(QStringList{QStringLiteral("load-demo")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const int operators = count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori"));
    EXPECT_GE(operators, 4);

    // A second run finds everything in place and changes nothing.
    r = admin(QStringList{QStringLiteral("load-demo")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("nessuna modifica"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral(": 0 righe aggiunte"))) << r.out.toStdString();

    const QStringList op{QStringLiteral("--code"), QStringLiteral("rossi"), QStringLiteral("--level"),
                         QStringLiteral("7"), QStringLiteral("--ente"), QStringLiteral("001"),
                         QStringLiteral("--department"), QStringLiteral("PRO"), QStringLiteral("--office"),
                         QStringLiteral("UPR")};
    const QStringList addOp = QStringList{QStringLiteral("add-operator")} + target + op;
    // The password on the command line is refused before anything is read
    // or written, with the way to pass it.
    r = admin(QStringList{addOp} << QStringLiteral("--password") << QStringLiteral("Segreta-2026"));
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("standard input"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("printf '%s\\n' 'almeno8c' | nimbo-admin add-operator")))
        << r.err.toStdString();
    EXPECT_EQ(admin(QStringList{addOp} << QStringLiteral("--password=Segreta-2026")).status, 2);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori")), operators);

    // Piped in as a line; a Windows line end is not part of it.
    r = admin(addOp, "Segreta-2026\r\n");
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Op_Password, Op_Livello FROM Tab_Operatori WHERE Op_Codice_Operatore = 'ROSSI'")));
    ASSERT_TRUE(q.next());
    const QString stored = q.value(0).toString();
    EXPECT_FALSE(stored.contains(QStringLiteral("SEGRETA"), Qt::CaseInsensitive));
    EXPECT_TRUE(Password::verify(QStringLiteral("Segreta-2026"), stored));
    EXPECT_FALSE(Password::verify(QStringLiteral("Segreta-2027"), stored));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("7"));
    q.finish();

    // The same code again is refused and the stored row stays as it was.
    r = admin(addOp, "Altra-password\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("esiste già"))) << r.err.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori")), operators + 1);

    // Bad operator data never reaches the database: a short password, no
    // password at all (standard input empty), a wrong level.
    QStringList other = addOp;
    other[other.indexOf(QStringLiteral("rossi"))] = QStringLiteral("BIANCHI");
    r = admin(other, "corta\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("almeno 8 caratteri"))) << r.err.toStdString();
    r = admin(other);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Nessuna password"))) << r.err.toStdString();
    QStringList badLevel = other;
    badLevel[badLevel.indexOf(QStringLiteral("7"))] = QStringLiteral("5");
    r = admin(badLevel, "Segreta-2026\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_Codice_Operatore = 'BIANCHI'")), 0);
}

TEST_P(AdminCommand, FunctionTableIsFilledAtCreationAndRebuiltKeepingItsCodes)
{
    const QStringList target = targetArgs(db());
    ASSERT_EQ(admin(QStringList{QStringLiteral("create-central")} + target).status, 0);
    // A register made without the demo already knows every menu item.
    const int items = count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni"));
    // The 60 items of the menu, our "Anagrafe Enti" and "Registro Giornaliero di Protocollo".
    EXPECT_EQ(items, 62);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni WHERE tf_nome = 'mnuEnti' AND "
                                                   "tf_codice = 'SE18'")),
              1);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(DISTINCT tf_codice) FROM Tab_Funzioni")), items);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT tf_codice, Tf_Caption FROM Tab_Funzioni WHERE tf_nome = 'mnuProtDoc'")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("PR01"));
    EXPECT_EQ(q.value(1).toString(), QStringLiteral("Protocollo Documenti"));
    q.finish();

    // An item lost and a code given by hand: the rebuild brings the item
    // back and keeps the code the operators' rights name.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Funzioni WHERE tf_nome = 'mnuiter'")));
    ASSERT_TRUE(q.exec(QStringLiteral("UPDATE Tab_Funzioni SET tf_codice = 'ZZ99' WHERE tf_nome = 'mnuProtDoc'")));
    const Result r = admin(QStringList{QStringLiteral("create-functions")} + target);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("62 voci di menu"))) << r.out.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni WHERE tf_nome = 'mnuiter' "
                                                   "AND tf_codice = 'PR04'")), 1);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni WHERE tf_nome = 'mnuProtDoc' "
                                                   "AND tf_codice = 'ZZ99'")), 1);
    // An upgrade run of create-central fills it again too.
    ASSERT_TRUE(q.exec(QStringLiteral("DELETE FROM Tab_Funzioni")));
    ASSERT_EQ(admin(QStringList{QStringLiteral("create-central")} + target).status, 0);
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT COUNT(*) FROM Tab_Funzioni")), items);
}

TEST_P(AdminCommand, NewerDatabaseIsRefusedAndLeftAsItIs)
{
    ASSERT_EQ(admin(createCentral()).status, 0);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral(
        "INSERT INTO Schema_Version (version_number, schema_kind, applied_at) VALUES (999, 'central', 'x')")));
    const Result r = admin(createCentral());
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("più recente"))) << r.err.toStdString();
    EXPECT_EQ(count(db().central(), QStringLiteral("SELECT MAX(version_number) FROM Schema_Version")), 999);
}

NIMBO_INSTANTIATE_ENGINES(AdminCommand);

TEST(AdminCommandErrors, WrongPathUnreachableServerAndBadUsageGiveMessages)
{
    QTemporaryDir dir;
    Result r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("manca/centrale.db"))});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("non esiste"))) << r.err.toStdString();

    r = admin({QStringLiteral("add-operator"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("nessuno.db")),
               QStringLiteral("--code"), QStringLiteral("X"), QStringLiteral("--level"), QStringLiteral("9"),
               QStringLiteral("--ente"), QStringLiteral("001"), QStringLiteral("--department"), QStringLiteral("PRO"),
               QStringLiteral("--office"), QStringLiteral("UPR")},
              "12345678\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("crearlo prima"))) << r.err.toStdString();

    // A PostgreSQL password would show in the process list as well: refused
    // before connecting, without repeating it.
    r = admin({QStringLiteral("create-central"), QStringLiteral("--pg"),
               QStringLiteral("host=127.0.0.1 port=1 dbname=nimbo user=nimbo password=s3greta")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("~/.pgpass"))) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("s3greta"))) << r.err.toStdString();
    // Role options mean nothing for a file; a stray argument is not ignored.
    r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("c.db")),
               QStringLiteral("--role"), QStringLiteral("nimbo_x")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("solo per PostgreSQL"))) << r.err.toStdString();
    r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), dir.filePath(QStringLiteral("c.db")),
               QStringLiteral("--set-role-password"), QStringLiteral("segreta")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Argomento non previsto"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("c.db"))));

    r = admin({QStringLiteral("create-central"), QStringLiteral("--pg"),
               QStringLiteral("host=127.0.0.1 port=1 dbname=nimbo user=nimbo connect_timeout=3")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Impossibile collegarsi"))) << r.err.toStdString();

    r = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), QStringLiteral("a.db"),
               QStringLiteral("--pg"), QStringLiteral("host=x")});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("oppure"))) << r.err.toStdString();

    r = admin({QStringLiteral("distruggi")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Comando sconosciuto"))) << r.err.toStdString();
    r = admin({QStringLiteral("create-local"), QStringLiteral("--tutto")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Opzione sconosciuta"))) << r.err.toStdString();
}

// Runs nimbo-admin on a pseudo-terminal, as an installer typing at it:
// answers each prompt in turn and returns everything the terminal showed.
struct TerminalRun {
    int status = -1;
    int signal = 0; // the signal that ended it, if one did
    QByteArray screen;
    bool echoLeftOn = false; // the terminal's echo once it ended
};

TerminalRun atTerminal(const QStringList &args, const QList<QPair<QByteArray, QByteArray>> &answers)
{
    QList<QByteArray> argv8{QByteArray(NIMBO_ADMIN_PATH)};
    for (const QString &a : args)
        argv8 << a.toLocal8Bit();
    std::vector<char *> argv;
    for (QByteArray &a : argv8)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    int master = -1;
    const pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
    if (pid == 0) {
        execv(argv[0], argv.data());
        _exit(127);
    }
    TerminalRun run;
    if (pid < 0)
        return run;
    int next = 0;
    for (;;) {
        pollfd p{master, POLLIN, 0};
        // A safety net against a hung child, not a measure of speed.
        if (poll(&p, 1, 60000) <= 0)
            break;
        char buf[512];
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break; // the child has gone: Linux answers EIO
        run.screen.append(buf, n);
        if (next < answers.size() && run.screen.endsWith(answers[next].first)) {
            const QByteArray &typed = answers[next++].second;
            if (write(master, typed.constData(), size_t(typed.size())) != typed.size())
                break;
        }
    }
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    termios after{};
    run.echoLeftOn = tcgetattr(master, &after) == 0 && (after.c_lflag & ECHO) != 0;
    close(master);
    run.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    run.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    return run;
}

TEST(AdminCommandPrompt, PasswordTypedAtATerminalIsAskedTwiceAndNeverShown)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("centrale.db"));
    ASSERT_EQ(admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), file}).status, 0);
    const QStringList args{QStringLiteral("add-operator"), QStringLiteral("--sqlite"), file, QStringLiteral("--code"),
                           QStringLiteral("verdi"), QStringLiteral("--level"), QStringLiteral("8"),
                           QStringLiteral("--ente"), QStringLiteral("001"), QStringLiteral("--department"),
                           QStringLiteral("AMM"), QStringLiteral("--office"), QStringLiteral("RAG")};

    // Ctrl-C at the prompt ends the command and gives the echo back.
    TerminalRun t = atTerminal(args, {{"Password dell'operatore VERDI: ", "\x03"}});
    EXPECT_EQ(t.signal, SIGINT) << t.screen.toStdString();
    EXPECT_TRUE(t.echoLeftOn);

    // A mistyped confirmation writes nothing.
    t = atTerminal(args, {{"Password dell'operatore VERDI: ", "Digitata-1\n"},
                                      {"Ripetere la password: ", "Digitata-2\n"}});
    EXPECT_EQ(t.status, 1) << t.screen.toStdString();
    EXPECT_TRUE(t.screen.contains("non coincidono")) << t.screen.toStdString();

    t = atTerminal(args, {{"Password dell'operatore VERDI: ", "Digitata-1\n"},
                          {"Ripetere la password: ", "Digitata-1\n"}});
    EXPECT_EQ(t.status, 0) << t.screen.toStdString();
    EXPECT_TRUE(t.echoLeftOn);
    EXPECT_TRUE(t.screen.contains("Operatore VERDI aggiunto")) << t.screen.toStdString();
    EXPECT_FALSE(t.screen.contains("Digitata")) << t.screen.toStdString();

    QString err;
    ASSERT_TRUE(Dialect::open(QStringLiteral("prompt_check"), Dialect::Target::sqlite(file), &err)) << err.toStdString();
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("prompt_check")));
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT Op_Password FROM Tab_Operatori WHERE Op_Codice_Operatore = 'VERDI'")));
        ASSERT_TRUE(q.next());
        EXPECT_TRUE(Password::verify(QStringLiteral("Digitata-1"), q.value(0).toString()));
        EXPECT_FALSE(q.next());
    }
    Dialect::close(QStringLiteral("prompt_check"));
}

TEST(AdminCommandFiles, DatabasesAreMadeForTheOwnerOnlyWhateverTheMask)
{
    QTemporaryDir dir;
    const mode_t mask = ::umask(022);
    const QString central = dir.filePath(QStringLiteral("Protocollo.db"));
    const QString local = dir.filePath(QStringLiteral("Locale.db"));
    const Result made = admin({QStringLiteral("create-central"), QStringLiteral("--sqlite"), central});
    const Result madeLocal = admin({QStringLiteral("create-local"), local});
    ::umask(mask);
    ASSERT_EQ(made.status, 0) << made.err.toStdString();
    ASSERT_EQ(madeLocal.status, 0) << madeLocal.err.toStdString();
    for (const QString &file : QDir(dir.path()).entryList(QDir::Files)) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(dir.filePath(file)).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << file.toStdString();
    }
}

TEST(AdminCommandKey, KeyFileIsMadeOnceAndNeverReplaced)
{
    QTemporaryDir dir;
    const QString key = dir.filePath(QStringLiteral("nimbo.key"));
    ASSERT_EQ(admin({QStringLiteral("create-key"), key}).status, 0);
    QFile f(key);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray first = f.readAll();
    f.close();
    EXPECT_FALSE(first.isEmpty());

    const Result again = admin({QStringLiteral("create-key"), key});
    EXPECT_EQ(again.status, 0);
    EXPECT_TRUE(again.out.contains(QStringLiteral("non modificata"))) << again.out.toStdString();
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), first);

    EXPECT_EQ(admin({QStringLiteral("create-key")}).status, 2);
}

} // namespace
