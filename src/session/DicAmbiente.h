#pragma once
// Configuration file reader and the session values that start-up and login
// set once and every window reads.

#include <QDate>
#include <QString>
#include <QVector>

namespace DicAmbiente {

struct DbDeclaration {
    QString name; // logical name in upper case: "PROTOCOLLO" or "TABLOCAL"
    QString path; // PATHDB followed by the value
};

constexpr int kMaxDbDeclarations = 9;

// Values read from the .ini beside the program. Defaults are those that hold
// when a key is absent.
struct Config {
    QString portaCom;
    QString pathDb;
    QString report;
    QString utente;          // defaults to the computer name
    QString applTemp;        // work folder, absolute, ends with '/'
    bool applTrace = false;
    bool log = true;
    QString sysMda;
    QString scanner;
    QString cdWriter;
    QString serverImg;
    QString image;
    QString postazione;
    QString doc;
    QString protocollo;      // central register database file
    QString tabLocal;        // local work database file
    QString oleGp;
    QString oleImg;
    QString oleEml;
    QString oleStorico;
    QString oleGenerica;
    QString ausl;
    QString istituto;
    QString storicoEmail;
    QString aooStorico = QStringLiteral("001");
    QString stampanteEtichette;
    QString stampanteReport; // printer of the reports; empty: the default printer; "PDF": a PDF file
    qint16 scadenzaPassword = 60;
    qint16 compresso = 0;
    qint16 showSetupBeforeScan = 0;
    // Ours: a libpq connection string naming a PostgreSQL central database
    // that replaces the PROTOCOLLO file when set.
    QString serverDb;
    // Ours: key file for the secretbox cipher of stored secrets.
    QString keyFile;
    // Ours: the certificates (PEM) trusted for the mail servers besides the
    // system's, for a body whose servers use a certificate of its own.
    QString mailCa;
    // Ours: the body's codes in the national index of administrations (the
    // administration, its area and register), that protocol messages
    // exchanged with other administrations carry. Empty: none are sent.
    QString codiceIpa, codiceAoo, codiceRegistro;
    QVector<DbDeclaration> databases;
};

// Installation parameters of the operator's structure (Tab_Parm_Gen).
struct ParmGen {
    QString enteCodiceAsl;
    bool enteTipoUtente = false;  // true when ente_tipo_utente is 9
    qint16 enteTipoRegistro = 0;
    QString enteCodiceDip;
    QString enteCodiceProt;
    QString enteIdServer;
    QString enteUserFtp;
    QString entePwdFtp;           // clear text, only in memory
};

// Profile of the logged-in operator.
struct Operator {
    QString code;
    QString ente;
    QString department;
    QString office;
    int level = 0;                 // 6 personal, 7 office, 8 department, 9 whole body
    bool privacy = false;          // Op_AbilPrivacy
    QString direction = QStringLiteral("0"); // "0" both, "1" incoming only, "2" outgoing only
    QString functions;             // op_funzioni
    QString name;                  // surname, blank, first name
    QString surname;               // Op_Cognome
    QString firstName;             // op_nome
    QString flPassword;            // op_fl_password: "S" may change his own password
    QString password;              // op_password as stored (the one-way hash)
    QDate passwordDate;            // op_data, last password change
    QString email;
    QString mailUser;
    QString mailPassword;          // clear text, only in memory
    QString supervisor;            // Op_Sup
    struct DeptOffice { QString department; QString office; };
    QVector<DeptOffice> extra;     // Tab_Operatori_DIP
};

struct Session {
    QString programFolder;   // absolute, without trailing '/'
    QString programName;     // executable base name, e.g. "Nimbo"
    Config cfg;
    ParmGen parm;
    Operator op;
    QString structureCode;   // set by the login
    bool emergency = false;
    QString emergencyStructure;
    QString emergencySession; // "yyyy/T/<register>/nnn"; empty for an ordinary login
    // Mail settings of the operator's entity (Tab_enti).
    QString entePostaPop;
    QString entePostaSmtp;
    QString entePostaPorta;
    int lockWaitSeconds = 10;
};

Session &session();
// Back to a fresh session (tests, and the start of start-up).
void resetSession();

// The values in force before the file is read: UTENTE is the computer name
// and the work folder is <programFolder>/temp/.
Config defaultConfig(const QString &programFolder);

// Reads the configuration file into cfg, starting from defaultConfig().
// Returns false (cfg untouched) when the file cannot be opened; errors inside
// the file never stop the reading. The program folder, which relative work
// folders and key files hang from, is the session's, or the file's own folder
// when the session has none yet.
bool readConfig(const QString &path, Config &cfg);
bool readConfig(const QString &path, Config &cfg, const QString &programFolder);

// Sets session().programFolder and programName from the executable path (the
// running program's when none is given). NIMBO_HOME, when set, names the
// folder instead; the name is always the executable's base name.
void locateProgram();
void locateProgram(const QString &executablePath);

// Path of the configuration file for a program folder and base name.
QString configPath(const QString &programFolder, const QString &programName);
// The same for the session's program.
QString configPath();

// Looks a logical database name up among the declarations; empty when absent.
// When a name is declared more than once the last declaration wins, as it
// does for the session field of the same key.
QString declaredDatabase(const Config &cfg, const QString &logicalName);

// Creates the working folders under the program folder, and the files that
// come with a folder made for the first time. Returns false when a folder
// could not be made.
bool ensureFolders(const QString &programFolder);
// Creates the work folder (one level) when missing; true when it exists.
bool ensureWorkFolder(const QString &folder);

// The work folder the writers use: APPLTEMP, or <program folder>/temp/ while
// no configuration was read; empty when neither is known (nothing is written).
QString workFolder();

// Names of the daily files in the work folder, for today or a given day.
QString logFilePath();
QString traceFilePath();
QString logFilePath(const QDate &day);
QString traceFilePath(const QDate &day);

// Makes the work folder and deletes each daily file of today's number that
// was last modified on another date, so the same day appends and a month-old
// file starts afresh.
void prepareDailyFiles();
void prepareDailyFiles(const QDate &today);

} // namespace DicAmbiente
