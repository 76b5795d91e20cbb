#pragma once
// Configuration file reader and the session values that start-up and login
// set once and every window reads.

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
    qint16 scadenzaPassword = 60;
    qint16 compresso = 0;
    qint16 showSetupBeforeScan = 0;
    // Ours: a libpq connection string naming a PostgreSQL central database
    // that replaces the PROTOCOLLO file when set.
    QString serverDb;
    // Ours: key file for the secretbox cipher of stored secrets.
    QString keyFile;
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
    QString name;
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
    int lockWaitSeconds = 10;
};

Session &session();
// Back to a fresh session (tests, and the start of start-up).
void resetSession();

// Reads the configuration file into cfg. Returns false when the file cannot
// be opened; errors inside the file never stop the reading.
bool readConfig(const QString &path, Config &cfg);

// Path of the configuration file for a program folder and base name.
QString configPath(const QString &programFolder, const QString &programName);

// Looks a logical database name up among the declarations; empty when absent.
QString declaredDatabase(const Config &cfg, const QString &logicalName);

// Names of today's daily files in the work folder.
QString logFilePath();
QString traceFilePath();

} // namespace DicAmbiente
