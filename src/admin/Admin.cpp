#include "admin/Admin.h"
#include "admin/AdminOptions.h"
#include "admin/DailyRegisterCommand.h"
#include "admin/MailCommands.h"
#include "admin/Roles.h"
#include "admin/Secret.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <optional>

#include <sodium.h>

#include "data/Cipher.h"
#include "data/Dialect.h"
#include "data/Password.h"
#include "schema/ClassificationScheme.h"
#include "schema/DemoData.h"
#include "schema/FunctionTable.h"
#include "schema/MaintainedTables.h"
#include "schema/Municipalities.h"
#include "schema/Schema.h"
#include "schema/StructureNotices.h"
#include "schema/Transaction.h"

namespace Admin {

Options parse(const QStringList &args, const QStringList &withValue, const QStringList &bare)
{
    Options o;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a.startsWith(QStringLiteral("--"))) {
            const QString name = a.mid(2);
            if (bare.contains(name)) {
                o.flags << name;
            } else if (withValue.contains(name)) {
                if (i + 1 >= args.size()) {
                    o.error = QStringLiteral("Manca il valore dell'opzione ") + a;
                    return o;
                }
                o.values[name] = args[++i];
            } else {
                o.error = QStringLiteral("Opzione sconosciuta: ") + a;
                return o;
            }
        } else {
            o.positional << a;
        }
    }
    return o;
}

bool targetOf(const Options &o, Dialect::Target *t, QString *error)
{
    const bool lite = o.values.contains(QStringLiteral("sqlite"));
    const bool pg = o.values.contains(QStringLiteral("pg"));
    if (lite == pg) {
        *error = QStringLiteral("Indicare il database centrale con --sqlite FILE oppure --pg \"CONNINFO\".");
        return false;
    }
    *t = lite ? Dialect::Target::sqlite(o.values[QStringLiteral("sqlite")])
              : Dialect::Target::postgres(o.values[QStringLiteral("pg")]);
    if (t->location.trimmed().isEmpty()) {
        *error = QStringLiteral("Percorso o stringa di connessione vuoti.");
        return false;
    }
    if (pg) {
        for (const auto &kv : Dialect::parseConnInfo(t->location)) {
            if (kv.first == QLatin1String("password")) {
                *error = QStringLiteral("La stringa di connessione contiene la password, che nella riga di comando "
                                        "ogni utente del computer può leggere: toglierla e lasciarla leggere a "
                                        "PostgreSQL dal file delle password (~/.pgpass) o dalla variabile "
                                        "PGPASSWORD.");
                return false;
            }
        }
    }
    return true;
}


namespace {

const QString kConn = QStringLiteral("nimbo_admin");

QString describe(const Dialect::Target &t)
{
    return t.engine == Dialect::Engine::SQLite ? t.location
                                               : QStringLiteral("server PostgreSQL (") + t.location + QLatin1Char(')');
}

// Opens the database; a SQLite file must lie in an existing folder, and
// when mustExist is set the file itself must exist.
bool openTarget(const Dialect::Target &t, bool mustExist, QString *error)
{
    if (t.engine == Dialect::Engine::SQLite) {
        const QFileInfo fi(t.location);
        if (!fi.absoluteDir().exists()) {
            *error = QStringLiteral("La cartella %1 non esiste.").arg(fi.absolutePath());
            return false;
        }
        if (fi.exists() && !fi.isFile()) {
            *error = QStringLiteral("%1 non è un file di database.").arg(t.location);
            return false;
        }
        if (mustExist && !fi.exists()) {
            *error = QStringLiteral("Il database %1 non esiste: crearlo prima con create-central.").arg(t.location);
            return false;
        }
    }
    QString why;
    if (!Dialect::open(kConn, t, &why)) {
        *error = (t.engine == Dialect::Engine::SQLite ? QStringLiteral("Impossibile aprire il database %1: ")
                                                      : QStringLiteral("Impossibile collegarsi al %1: "))
                     .arg(describe(t))
                 + why.trimmed();
        return false;
    }
    // SQLite opens lazily: make sure the file can really be read and written.
    QSqlQuery q(QSqlDatabase::database(kConn, false));
    if (!q.exec(QStringLiteral("SELECT 1"))) {
        *error = QStringLiteral("Impossibile usare il database %1: %2").arg(describe(t), q.lastError().text());
        return false;
    }
    return true;
}

// Creates or upgrades, and says which of the two happened.
// An upgrade re-grants the workstation roles, since the new version may
// have brought new tables; create-central does that itself.
bool prepare(Schema::Kind kind, const QString &what, QTextStream &out, QString *error, bool regrant = true)
{
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    const int before = Schema::version(db, error);
    if (before < 0)
        return false;
    if (!Schema::createOrUpgrade(db, kind, error))
        return false;
    // A register made without the demo must still enforce rights.
    if (kind == Schema::Kind::Central && !FunctionTable::fill(db, error))
        return false;
    // Nor without the code tables' list.
    if (kind == Schema::Kind::Central && !Schema::fillMaintainedTables(db, error))
        return false;
    const int now = Schema::currentVersion(kind);
    QStringList roles;
    if (regrant && before > 0 && before < now && kind == Schema::Kind::Central
        && Dialect::engineOf(db) == Dialect::Engine::PostgreSQL && !Roles::refresh(db, {}, &roles, error))
        return false;
    if (before == 0)
        out << what << QStringLiteral(" creato (versione %1 dello schema).").arg(now) << Qt::endl;
    else if (before < now)
        out << what << QStringLiteral(" aggiornato dalla versione %1 alla versione %2.").arg(before).arg(now) << Qt::endl;
    else
        out << what << QStringLiteral(" già alla versione %1: nessuna modifica.").arg(now) << Qt::endl;
    for (const QString &line : std::as_const(roles))
        out << line << Qt::endl;
    return true;
}

bool requireSchema(QTextStream &out, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    const int v = Schema::version(db, error);
    if (v < 0)
        return false;
    if (v == 0) {
        *error = QStringLiteral("Il database non contiene lo schema del protocollo: eseguire prima create-central.");
        return false;
    }
    return prepare(Schema::Kind::Central, QStringLiteral("Database centrale"), out, error);
}

int createCentral(const Options &o, QTextStream &out, QString *error)
{
    Dialect::Target t;
    if (!targetOf(o, &t, error))
        return 1;
    const bool roleWanted = !o.flags.contains(QStringLiteral("no-role"));
    const QString role = o.values.value(QStringLiteral("role"), Roles::defaultName());
    const bool askPassword = o.flags.contains(QStringLiteral("set-role-password"));
    if (t.engine == Dialect::Engine::SQLite) {
        if (o.values.contains(QStringLiteral("role")) || askPassword || !roleWanted) {
            *error = QStringLiteral("--role, --set-role-password e --no-role valgono solo per PostgreSQL (--pg).");
            return 2;
        }
    } else if (roleWanted && !Roles::validName(role)) {
        *error = QStringLiteral("Nome del ruolo non valido: %1 (lettere minuscole, cifre e _, al massimo 63).").arg(role);
        return 2;
    } else if (!roleWanted && (askPassword || o.values.contains(QStringLiteral("role")))) {
        *error = QStringLiteral("--no-role esclude --role e --set-role-password.");
        return 2;
    }
    // Asked before connecting: nothing is written until the password is known.
    std::optional<QString> password;
    if (roleWanted && askPassword) {
        QString typed;
        if (!readSecret(QStringLiteral("Password del ruolo delle postazioni %1").arg(role), true, &typed, error))
            return 1;
        if (typed.isEmpty() || typed.contains(QChar(0))) {
            *error = QStringLiteral("La password del ruolo non può essere vuota.");
            return 2;
        }
        password = typed;
    }
    if (!openTarget(t, false, error))
        return 1;
    out << QStringLiteral("Database centrale: ") << describe(t) << Qt::endl;
    if (!prepare(Schema::Kind::Central, QStringLiteral("Database centrale"), out, error, false))
        return 1;
    if (t.engine == Dialect::Engine::SQLite)
        return 0;
    // The named role first, then any other role that holds the
    // workstation's rights (one named differently at an earlier run).
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    QStringList report;
    if ((roleWanted && !Roles::ensure(db, role, password, &report, error))
        || !Roles::refresh(db, roleWanted ? role : QString(), &report, error))
        return 1;
    for (const QString &line : std::as_const(report))
        out << line << Qt::endl;
    return 0;
}

int createLocal(const Options &o, QTextStream &out, QString *error)
{
    if (o.positional.size() != 1) {
        *error = QStringLiteral("Uso: nimbo-admin create-local FILE");
        return 2;
    }
    const auto t = Dialect::Target::sqlite(o.positional[0]);
    if (!openTarget(t, false, error))
        return 1;
    out << QStringLiteral("Database locale: ") << t.location << Qt::endl;
    return prepare(Schema::Kind::Local, QStringLiteral("Database locale"), out, error) ? 0 : 1;
}

int addOperator(const Options &o, QTextStream &out, QString *error)
{
    const auto v = [&](const char *k) { return o.values.value(QString::fromLatin1(k)).trimmed(); };
    const QString code = v("code").toUpper();
    bool levelOk = false;
    const int level = v("level").toInt(&levelOk);
    const QString direction = o.values.contains(QStringLiteral("direction")) ? v("direction") : QStringLiteral("0");
    if (code.isEmpty() || code.size() > 8) {
        *error = QStringLiteral("Il codice operatore (--code) è obbligatorio e non può superare 8 caratteri.");
        return 2;
    }
    if (!levelOk || level < 6 || level > 9) {
        *error = QStringLiteral("Il livello (--level) deve essere 6, 7, 8 o 9.");
        return 2;
    }
    if (v("ente").isEmpty() || v("department").isEmpty() || v("office").isEmpty()) {
        *error = QStringLiteral("Ente, dipartimento e ufficio (--ente, --department, --office) sono obbligatori.");
        return 2;
    }
    if (direction != QLatin1String("0") && direction != QLatin1String("1") && direction != QLatin1String("2")) {
        *error = QStringLiteral("L'abilitazione (--direction) deve essere 0, 1 o 2.");
        return 2;
    }
    Dialect::Target t;
    if (!targetOf(o, &t, error))
        return 1;
    if (!openTarget(t, true, error) || !requireSchema(out, error))
        return 1;
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT 1 FROM Tab_Operatori WHERE Op_Codice_Operatore = ?"));
    q.addBindValue(code);
    if (!q.exec()) {
        *error = q.lastError().text();
        return 1;
    }
    if (q.next()) {
        *error = QStringLiteral("L'operatore %1 esiste già: non è stato modificato.").arg(code);
        return 1;
    }
    q.finish();
    // Asked only once the operator can be added.
    QString password;
    if (!readSecret(QStringLiteral("Password dell'operatore %1").arg(code), true, &password, error))
        return 1;
    if (password.trimmed().size() < 8) {
        *error = QStringLiteral("la Password deve essere composta da almeno 8 caratteri.");
        return 2;
    }
    const QString stored = Password::hash(password);
    if (stored.isEmpty()) {
        *error = QStringLiteral("Cifratura della password non riuscita.");
        return 1;
    }
    QSqlQuery ins(db);
    ins.prepare(QStringLiteral(
        "INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Data, Op_Password, Op_Fl_Password, "
        "Op_CodiceUfficio, Op_Dipartimento, Op_Ente, Op_Livello, Op_Abilitazioni, Op_Funzioni, Op_Codoper, "
        "Op_Datoper, Op_AbilPrivacy, Op_Attivo) VALUES (?, ?, ?, ?, ?, 'S', ?, ?, ?, ?, ?, '', 'ADMIN', ?, ?, 'S')"));
    for (const QVariant &x : QVariantList{code, v("surname"), v("name"), QDate::currentDate(), stored,
                                          v("office").toUpper(), v("department").toUpper(), v("ente").toUpper(),
                                          QString::number(level), direction, QDate::currentDate(),
                                          o.flags.contains(QStringLiteral("privacy")) ? QStringLiteral("S")
                                                                                       : QStringLiteral("N")})
        ins.addBindValue(x);
    if (!ins.exec()) {
        *error = QStringLiteral("Inserimento dell'operatore non riuscito: ") + ins.lastError().text();
        return 1;
    }
    out << QStringLiteral("Operatore %1 aggiunto (livello %2, ente %3, dipartimento %4, ufficio %5).")
               .arg(code)
               .arg(level)
               .arg(v("ente").toUpper(), v("department").toUpper(), v("office").toUpper())
        << Qt::endl;
    return 0;
}

bool demo(QTextStream &out, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    int added = 0;
    if (!Schema::loadDemo(db, error, &added))
        return false;
    out << QStringLiteral("Dati dimostrativi: %1 righe aggiunte.").arg(added) << Qt::endl;
    return true;
}

int loadDemo(const Options &o, QTextStream &out, QString *error)
{
    Dialect::Target t;
    if (!targetOf(o, &t, error) || !openTarget(t, false, error))
        return 1;
    if (!prepare(Schema::Kind::Central, QStringLiteral("Database centrale"), out, error) || !demo(out, error))
        return 1;
    return 0;
}

// The function table rebuilt from the program's menu tree; codes already
// given are kept, so operators' rights stay as they were.
int createFunctions(const Options &o, QTextStream &out, QString *error)
{
    Dialect::Target t;
    if (!targetOf(o, &t, error) || !openTarget(t, true, error))
        return 1;
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    const int v = Schema::version(db, error);
    if (v <= 0) {
        if (v == 0)
            *error = QStringLiteral("Il database non contiene lo schema del protocollo: eseguire prima create-central.");
        return 1;
    }
    int written = 0;
    if (!FunctionTable::fill(db, error, &written))
        return 1;
    out << QStringLiteral("Tabella delle funzioni: %1 voci di menu registrate.").arg(written) << Qt::endl;
    return 0;
}

// A key file already in place is kept: the secrets enciphered with it
// would be lost with it.
int createKey(const Options &o, QTextStream &out, QString *error)
{
    if (o.positional.size() != 1) {
        *error = QStringLiteral("Uso: nimbo-admin create-key FILE");
        return 2;
    }
    const QString path = o.positional[0];
    if (QFileInfo::exists(path)) {
        out << QStringLiteral("Chiave di cifratura %1 già presente: non modificata.").arg(path) << Qt::endl;
        return 0;
    }
    if (!Cipher::createKey(path, error))
        return 1;
    out << QStringLiteral("Chiave di cifratura creata: ") << path << Qt::endl;
    return 0;
}

// Notices of structure changes decided elsewhere, from a CSV file: every
// row is checked first, and a file with one bad row imports nothing.
int importStructureChanges(const Options &o, QTextStream &out, QString *error)
{
    if (o.positional.size() != 1) {
        *error = QStringLiteral("Uso: nimbo-admin import-structure-changes --sqlite FILE | --pg \"CONNINFO\" FILE_CSV");
        return 2;
    }
    Dialect::Target t;
    if (!targetOf(o, &t, error))
        return 2;
    const QString path = o.positional[0];
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Impossibile leggere il file %1: %2").arg(path, file.errorString());
        return 1;
    }
    QList<Schema::StructureNotices::Notice> notices;
    QStringList problems;
    if (!Schema::StructureNotices::read(file.readAll(), &notices, &problems)) {
        problems << QStringLiteral("Nessuna variazione importata: correggere il file %1 e ripetere il comando.").arg(path);
        *error = problems.join(QLatin1Char('\n'));
        return 1;
    }
    if (!openTarget(t, true, error) || !requireSchema(out, error))
        return 1;
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    if (!Schema::StructureNotices::import(db, notices, error)) {
        *error = QStringLiteral("Importazione non riuscita, nessuna variazione importata: ") + *error;
        return 1;
    }
    out << QStringLiteral("Variazioni della struttura importate: %1.").arg(notices.size()) << Qt::endl;
    return 0;
}

// Regions, provinces and municipalities from the statistics office's
// yearly list and, with --cap, their postal codes; without a list, the one
// shipped with the program. Both files are checked whole before the
// database is opened: a wrong file changes nothing.
int loadMunicipalities(const Options &o, QTextStream &out, QString *error)
{
    namespace M = Schema::Municipalities;
    Dialect::Target t;
    if (!targetOf(o, &t, error))
        return 2;
    const auto read = [error](const QString &path, QByteArray *content) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || !QFileInfo(path).isFile()) {
            *error = QStringLiteral("Impossibile leggere il file %1: %2").arg(path, file.errorString());
            return false;
        }
        *content = file.readAll();
        return true;
    };
    M::List list;
    const bool withCaps = o.values.contains(QStringLiteral("cap"));
    if (o.positional.isEmpty()) {
        if (withCaps) {
            *error = QStringLiteral("--cap si indica insieme al file dell'elenco dei comuni.");
            return 2;
        }
        if (!M::readShipped(&list, error))
            return 1;
        out << QStringLiteral("Elenco dei comuni fornito con il programma (ISTAT, 1 gennaio 2020), con i CAP.") << Qt::endl;
    } else {
        QByteArray content;
        if (!read(o.positional[0], &content) || !M::readList(content, &list, error))
            return 1;
        if (withCaps && (!read(o.values[QStringLiteral("cap")], &content) || !M::readPostalCodes(content, &list, error)))
            return 1;
    }
    if (!openTarget(t, true, error) || !requireSchema(out, error))
        return 1;
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    M::Summary summary;
    if (!M::load(db, list, QStringLiteral("ADMIN"), &summary, error)) {
        *error = QStringLiteral("Caricamento dei comuni non riuscito, nessuna modifica al database: ") + *error;
        return 1;
    }
    for (const QString &line : summary.lines())
        out << line << Qt::endl;
    return 0;
}

// A body's classification scheme from a CSV file: the file is checked
// whole, then every line is written in one transaction; one wrong line and
// nothing is loaded.
int loadClassification(const Options &o, QTextStream &out, QString *error)
{
    namespace S = Schema::ClassificationScheme;
    const QString ente = o.values.value(QStringLiteral("ente")).trimmed();
    if (o.positional.size() != 1 || ente.isEmpty()) {
        *error = QStringLiteral("Uso: nimbo-admin load-classification --sqlite FILE | --pg \"CONNINFO\" --ente ENTE FILE_CSV");
        return 2;
    }
    Dialect::Target t;
    if (!targetOf(o, &t, error))
        return 2;
    const QString path = o.positional[0];
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("Impossibile leggere il file %1: %2").arg(path, file.errorString());
        return 1;
    }
    const auto refuse = [&](QStringList problems) {
        problems << QStringLiteral("Nessun elemento caricato: correggere il file %1 e ripetere il comando.").arg(path);
        *error = problems.join(QLatin1Char('\n'));
        return 1;
    };
    QList<S::Element> elements;
    QStringList problems;
    if (!S::read(file.readAll(), &elements, &problems))
        return refuse(problems);
    if (!openTarget(t, true, error) || !requireSchema(out, error))
        return 1;
    QSqlDatabase db = QSqlDatabase::database(kConn, false);
    Schema::detail::Transaction tx(db);
    if (!tx.begin(error))
        return 1;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT 1 FROM Tab_Enti WHERE Ente_Codice = ?"));
    q.addBindValue(ente);
    if (!q.exec()) {
        *error = q.lastError().text();
        return 1;
    }
    if (!q.next()) {
        *error = QStringLiteral("Ente sconosciuto (--ente): %1. Nessun elemento caricato.").arg(ente);
        return 1;
    }
    q.finish();
    S::Summary summary;
    if (!S::apply(db, ente, elements, false, QStringLiteral("ADMIN"), &summary, &problems, error)) {
        if (!problems.isEmpty())
            return refuse(problems);
        *error = QStringLiteral("Caricamento della classificazione non riuscito, nessun elemento caricato: ") + *error;
        return 1;
    }
    if (!tx.commit(error))
        return 1;
    out << QStringLiteral("Ente %1. ").arg(ente) << summary.text() << Qt::endl;
    return 0;
}

struct Command {
    const char *name;
    QStringList withValue;
    QStringList bare;
    int (*run)(const Options &, QTextStream &, QString *);
    int positional = 0; // file names the command takes
};

const QList<Command> &commands()
{
    static const QList<Command> list{
        {"create-central",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("role")},
         {QStringLiteral("set-role-password"), QStringLiteral("no-role")},
         createCentral},
        {"create-local", {}, {}, createLocal, 1},
        {"add-operator",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("code"), QStringLiteral("level"), QStringLiteral("ente"), QStringLiteral("department"), QStringLiteral("office"),
          QStringLiteral("surname"), QStringLiteral("name"), QStringLiteral("direction")},
         {QStringLiteral("privacy")},
         addOperator},
        {"load-demo", {QStringLiteral("sqlite"), QStringLiteral("pg")}, {}, loadDemo},
        {"create-key", {}, {}, createKey, 1},
        {"create-functions", {QStringLiteral("sqlite"), QStringLiteral("pg")}, {}, createFunctions},
        {"import-structure-changes", {QStringLiteral("sqlite"), QStringLiteral("pg")}, {}, importStructureChanges, 1},
        {"load-municipalities", {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("cap")}, {},
         loadMunicipalities, 1},
        {"load-classification", {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("ente")}, {},
         loadClassification, 1},
        {"set-mailbox",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("ente"), QStringLiteral("key"),
          QStringLiteral("address"), QStringLiteral("imap"), QStringLiteral("imap-port"), QStringLiteral("smtp"),
          QStringLiteral("smtp-port"), QStringLiteral("security"), QStringLiteral("imap-security"),
          QStringLiteral("user"), QStringLiteral("folder")},
         {},
         setMailbox},
        {"fetch-mail",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("ente"), QStringLiteral("key"),
          QStringLiteral("ca"), QStringLiteral("operator")},
         {},
         fetchMail},
        {"send-mail",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("ente"), QStringLiteral("key"),
          QStringLiteral("ca")},
         {},
         sendMail},
        {"daily-register",
         {QStringLiteral("sqlite"), QStringLiteral("pg"), QStringLiteral("date"), QStringLiteral("out"),
          QStringLiteral("ente")},
         {},
         dailyRegister},
    };
    return list;
}

} // namespace

QString usage()
{
    return QStringLiteral(
        "Uso: nimbo-admin COMANDO [OPZIONI]\n"
        "  create-central --sqlite FILE | --pg \"CONNINFO\" [--role RUOLO] [--set-role-password] [--no-role]\n"
        "      crea il database centrale o lo porta alla versione corrente dello schema; su PostgreSQL crea\n"
        "      o aggiorna anche il ruolo delle postazioni (predefinito nimbo_postazione), che legge e scrive\n"
        "      ma non cancella protocolli, non svuota tabelle e non modifica lo schema; con\n"
        "      --set-role-password ne legge la password dallo standard input o la chiede\n"
        "  create-local FILE\n"
        "      crea o aggiorna il database locale di lavoro di una postazione\n"
        "  add-operator --sqlite FILE | --pg \"CONNINFO\" --code CODICE --level 6|7|8|9\n"
        "               --ente ENTE --department DIPARTIMENTO --office UFFICIO\n"
        "               [--surname COGNOME] [--name NOME] [--direction 0|1|2] [--privacy]\n"
        "      aggiunge un operatore con la password cifrata; la password si legge dallo standard input\n"
        "      (printf '%s\\n' 'almeno8c' | nimbo-admin add-operator ...) o si digita quando viene chiesta\n"
        "  load-demo --sqlite FILE | --pg \"CONNINFO\"\n"
        "      crea o aggiorna il database centrale e vi carica i dati dimostrativi\n"
        "  create-key FILE\n"
        "      crea la chiave di cifratura delle password da rileggere (KEYFILE), se manca\n"
        "  create-functions --sqlite FILE | --pg \"CONNINFO\"\n"
        "      ricostruisce la tabella delle funzioni (Tab_Funzioni) dalle voci di menu\n"
        "  import-structure-changes --sqlite FILE | --pg \"CONNINFO\" FILE_CSV\n"
        "      aggiunge le variazioni della struttura (Prot_Strutture_I) lette da un file CSV in UTF-8 la cui\n"
        "      prima riga nomina le colonne (separatore \";\" o \",\"): Cod_OP (A, D, M), Livello (1, 2, 3),\n"
        "      Data_EFF (gg/mm/aaaa o aaaa-mm-gg), Cod_dip, des_dip, Cod_Uff, Des_Uff, cod_Ser, Des_ser,\n"
        "      Stato_Acquisizione (0, 1, 2; 0 se vuoto); se una riga è errata non importa nulla\n"
        "  load-municipalities --sqlite FILE | --pg \"CONNINFO\" [ELENCO_CSV [--cap FILE_CAP]]\n"
        "      carica regioni, province e comuni dall'elenco dei comuni italiani dell'ISTAT nel formato in cui\n"
        "      lo pubblica ogni anno (CSV separato da \";\", Latin-1) e con --cap i loro CAP (CSV UTF-8\n"
        "      codice_istat;denominazione;sigla;codice_catastale;cap); aggiunge quel che manca, aggiorna nomi e\n"
        "      codici, non cancella alcun comune; se un file è errato non modifica nulla; senza ELENCO_CSV carica\n"
        "      l'elenco fornito con il programma (1 gennaio 2020) con i suoi CAP\n"
        "  load-classification --sqlite FILE | --pg \"CONNINFO\" --ente ENTE FILE_CSV\n"
        "      carica il titolario dell'ente (titoli, categorie, classi) da un file CSV in UTF-8 con la riga di\n"
        "      intestazione title;category;class;description;active: una riga di titolo lascia vuote categoria e\n"
        "      classe, una di categoria lascia vuota la classe; codici di al massimo 3 caratteri, active 1, 0 o\n"
        "      vuoto (1); aggiunge gli elementi nuovi e aggiorna descrizione e stato di quelli presenti; se una\n"
        "      riga è errata non carica nulla e indica la riga\n")
        + mailUsage() + dailyRegisterUsage() + QStringLiteral(
        "Le password non si scrivono mai nella riga di comando: CONNINFO non contiene la password, che\n"
        "PostgreSQL legge dal file ~/.pgpass o dalla variabile PGPASSWORD.\n");
}

int run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty() || args[0] == QLatin1String("--help") || args[0] == QLatin1String("help")) {
        (args.isEmpty() ? err : out) << usage();
        return args.isEmpty() ? 2 : 0;
    }
    if (sodium_init() < 0) {
        err << QStringLiteral("Libreria di cifratura non disponibile.") << Qt::endl;
        return 1;
    }
    for (const Command &c : commands()) {
        if (args[0] != QLatin1String(c.name))
            continue;
        for (const QString &a : args.mid(1)) {
            if (a == QLatin1String("--password") || a.startsWith(QLatin1String("--password="))) {
                err << howToPassSecret(QString::fromLatin1(c.name)) << Qt::endl;
                return 2;
            }
        }
        Options o = parse(args.mid(1), c.withValue, c.bare);
        if (o.error.isEmpty() && o.positional.size() > c.positional)
            o.error = QStringLiteral("Argomento non previsto: ") + o.positional.value(c.positional);
        if (!o.error.isEmpty()) {
            err << o.error << Qt::endl << usage();
            return 2;
        }
        QString error;
        int rc = c.run(o, out, &error);
        if (rc != 0 && !error.isEmpty())
            err << error << Qt::endl;
        QSqlDatabase::database(kConn, false).close();
        QSqlDatabase::removeDatabase(kConn);
        return rc;
    }
    err << QStringLiteral("Comando sconosciuto: ") << args[0] << Qt::endl << usage();
    return 2;
}

} // namespace Admin
