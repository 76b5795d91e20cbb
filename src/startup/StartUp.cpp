#include "startup/StartUp.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QScreen>

#include "data/C_GestDB.h"
#include "data/Cipher.h"
#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "startup/MDIMenu.h"
#include "startup/PSWMask.h"
#include "startup/Sfondo.h"

namespace StartUp {
namespace {

Login g_login;
MainWindowFactory g_mainFactory;
FileSystemProbe g_fsProbe;
QPointer<Sfondo> g_background;
QPointer<QWidget> g_main;

void closeBackground()
{
    if (g_background) {
        g_background->close();
        delete g_background;
    }
}

QString text(const QVariantList &row, int i) { return row.value(i).isNull() ? QString() : row.value(i).toString(); }

} // namespace

void setLogin(Login login) { g_login = std::move(login); }
void setFileSystemProbe(FileSystemProbe probe) { g_fsProbe = std::move(probe); }

QString networkRegisterWarning()
{
    const Dialect::Target central = Dialect::centralTarget();
    if (central.engine != Dialect::Engine::SQLite || central.location.trimmed().isEmpty())
        return {};
    const QString kind = g_fsProbe ? g_fsProbe(central.location) : nimbo::fs::networkFileSystem(central.location);
    if (kind.isEmpty())
        return {};
    return QStringLiteral("Il registro di protocollo %1 si trova su una cartella di rete (%2).\n"
                          "Su una cartella di rete il blocco delle scritture di SQLite non è sicuro: più postazioni "
                          "insieme possono danneggiare il registro o dare due volte lo stesso numero.\n"
                          "Per condividere il registro tra più postazioni usare un server PostgreSQL "
                          "(chiave SERVERDB del file di configurazione).")
        .arg(central.location, kind);
}
QStringList filesOpenToOthers()
{
    const auto &s = DicAmbiente::session();
    QStringList paths;
    // A database and what SQLite keeps beside it while it writes.
    const auto database = [&paths](const QString &file) {
        if (file.trimmed().isEmpty())
            return;
        for (const char *suffix : {"", "-wal", "-shm", "-journal"})
            paths << file + QLatin1String(suffix);
    };
    const Dialect::Target central = Dialect::centralTarget();
    if (central.engine == Dialect::Engine::SQLite)
        database(central.location);
    database(s.cfg.tabLocal);
    const QString root = s.programFolder + QLatin1Char('/');
    for (const char *folder : {"tempOle", "temp", "documenti", "documenti/appoimg", "documenti/Appoggio",
                               "documenti/transitoIMG", "StoricoEMail", "New"})
        paths << root + QLatin1String(folder);
    const QString work = DicAmbiente::workFolder();
    paths << work << DicAmbiente::logFilePath() << DicAmbiente::traceFilePath()
          << work + QStringLiteral("messaggi.dat") << work + QStringLiteral("errore.dat")
          << root + QStringLiteral("GestError.log") << s.cfg.keyFile;
    paths.removeDuplicates();
    QStringList open;
    for (const QString &p : std::as_const(paths))
        if (const QString w = nimbo::fs::widerThanOwner(p); !w.isEmpty())
            open << w;
    return open;
}

QString openFilesWarning(const QStringList &open)
{
    if (open.isEmpty())
        return {};
    return QStringLiteral("Questi file e cartelle del programma possono essere letti da altri utenti del sistema:\n")
           + open.join(QLatin1Char('\n'))
           + QStringLiteral("\nContengono il registro con le password, il database locale, i log o documenti aperti, "
                            "anche riservati: renderli accessibili al solo proprietario (file 0600, cartelle 0700, "
                            "per esempio con chmod).");
}

void setMainWindowFactory(MainWindowFactory factory) { g_mainFactory = std::move(factory); }

QWidget *mainWindow() { return g_main; }

void shutdown()
{
    closeBackground();
    if (g_main) {
        g_main->close();
        delete g_main;
    }
}

QString parametersQuery(const QString &structureCode)
{
    return QStringLiteral("SELECT Ente_codice_ASL, ente_tipo_utente,Ente_Tipo_Registro, ") +
           QStringLiteral("Ente_CodiceDIP,EnteCodiceProt,EnteIDServer,Ente_UserFTP,Ente_PWDFTP ") +
           QStringLiteral("FROM Tab_Parm_Gen ") + QStringLiteral("WHERE Ente_Cod_Struttura='") +
           Funzioni_Com_1::quote(structureCode) + QStringLiteral("'");
}

void loadParameters(const QString &structureCode)
{
    auto &parm = DicAmbiente::session().parm;
    parm = DicAmbiente::ParmGen();
    const auto row = Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"), parametersQuery(structureCode));
    if (!row)
        return;
    parm.enteCodiceAsl = text(*row, 0);
    parm.enteTipoUtente = !row->value(1).isNull() && row->value(1).toInt() == 9;
    parm.enteTipoRegistro = row->value(2).isNull() ? qint16(0) : qint16(row->value(2).toInt());
    parm.enteCodiceDip = text(*row, 3);
    parm.enteCodiceProt = text(*row, 4);
    parm.enteIdServer = text(*row, 5);
    parm.enteUserFtp = text(*row, 6);
    const QString stored = text(*row, 7).trimmed();
    if (!stored.isEmpty()) {
        const Cipher::Result clear = Cipher::decipher(stored);
        if (clear.ok)
            parm.entePwdFtp = clear.text;
        else
            GECentr::writeLog(QStringLiteral("Ente_PWDFTP non decifrabile: ") + clear.error,
                              QStringLiteral("LeggiParametri"), QStringLiteral("StartUp"));
    }
}

int start(const QStringList &arguments)
{
    // 1. Hourglass and the background window, which makes the folders.
    DicAmbiente::resetSession();
    DicAmbiente::locateProgram();
    auto &s = DicAmbiente::session();
    s.cfg = DicAmbiente::defaultConfig(s.programFolder);
    s.cfg.scadenzaPassword = 60;
    nimbo::busy::begin();
    closeBackground();
    g_background = new Sfondo(s.programFolder);
    // The whole screen, also where no window manager maximizes for us.
    if (QScreen *screen = QGuiApplication::primaryScreen())
        g_background->setGeometry(screen->geometry());
    g_background->showMaximized();

    // 2. Defaults before the file: computer name, LOG on, trace off, lock
    // wait and work folder come with defaultConfig().
    s.lockWaitSeconds = 10;

    // 3. The configuration file.
    if (!DicAmbiente::readConfig(DicAmbiente::configPath(), s.cfg)) {
        nimbo::busy::reset();
        nimbo::showBox(s.programName, QStringLiteral("File di inizializzazione errato o mancante"),
                       nimbo::Icon::Critical);
        closeBackground();
        return kExitNoConfig;
    }

    // 4.
    if (s.cfg.aooStorico.isEmpty())
        s.cfg.aooStorico = QStringLiteral("001");

    // 5, 6. Daily files and their start line.
    DicAmbiente::prepareDailyFiles();
    GECentr::writeStartLine();

    // 7. There is no engine workgroup file here: both engines authenticate
    // through the connection itself, so a SYSMDA value needs no workspace and
    // a blank one is only noted.
    if (s.cfg.sysMda.trimmed().isEmpty())
        GECentr::writeLog(QStringLiteral("Archivio di Sistema non trovato:") + s.cfg.sysMda);

    // 8. The local work database, held for the whole run and released by the
    // closing routine. Servers are made per call, so none is held to release.
    nimbo::registerServers();
    GECentr::setReleaseHook([] { C_GestDB::closeLocalDatabase(); });
    const C_GestDB::Result local = C_GestDB::openLocalDatabase();
    if (!local.ok) {
        GECentr::setLastError(local.errNumber, local.errText, QStringLiteral("C_GestDB"));
        GECentr::recordError(local.errText, QStringLiteral("MAIN"), QString(), true);
        nimbo::busy::reset();
        GECentr::closeProgram(1);
        // Only reached when the exit is replaced (tests).
        closeBackground();
        return 1;
    }

    // 9.
    nimbo::busy::reset();
    if (const QString warning = networkRegisterWarning(); !warning.isEmpty()) {
        GECentr::writeLog(warning, QStringLiteral("StartUp"), QStringLiteral("StartUp"));
        nimbo::showBox(s.programName, warning, nimbo::Icon::Warning);
    }
    if (const QStringList open = filesOpenToOthers(); !open.isEmpty()) {
        for (const QString &path : open)
            GECentr::writeLog(QStringLiteral("Accessibile ad altri utenti: ") + path, QStringLiteral("StartUp"),
                              QStringLiteral("StartUp"));
        nimbo::showBox(s.programName, openFilesWarning(open), nimbo::Icon::Warning);
    }

    // 10. Login, normal or from the command line.
    const QStringList commandLine =
        arguments.mid(1).join(QLatin1Char(' ')).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const Login login = g_login ? g_login : Login(&PSWMask::login);
    if (!login(commandLine)) {
        closeBackground();
        GECentr::closeProgram(0);
        return 0;
    }

    // 11. The login's way out: background away, main window up.
    closeBackground();
    if (g_main)
        delete g_main;
    g_main = g_mainFactory ? g_mainFactory() : MDIMenu::create();
    if (!g_main) {
        GECentr::recordError(QStringLiteral("Finestra principale non disponibile"), QStringLiteral("MAIN"), QString(),
                             true);
        GECentr::closeProgram(1);
        return 1;
    }
    g_main->show();

    // 12. Installation parameters, except in emergency mode, whose menus the
    // main window sets itself.
    if (!s.emergency) {
        loadParameters(s.structureCode);
        if (auto *item = g_main->findChild<QAction *>(QStringLiteral("mnuProtDocEmerg")))
            item->setEnabled(false);
    }
    return kRunning;
}

int run(const QStringList &arguments)
{
    const int code = start(arguments);
    if (code != kRunning)
        return code;
    QApplication::setQuitOnLastWindowClosed(true);
    const int result = QApplication::exec();
    shutdown();
    GECentr::closeProgram(0);
    return result;
}

} // namespace StartUp
