#pragma once
// The start-up sequence: configuration, folders, daily files, local work
// database, login, main window and the installation parameters of the
// operator's structure.

#include <QStringList>
#include <functional>

class QWidget;

namespace StartUp {

// The login step. It receives the command line after the program name
// (empty for a normal start), fills the session's operator, structure code
// and emergency flag, and returns false when the operator left without
// logging in.
using Login = std::function<bool(const QStringList &commandLine)>;
// Makes the main window shown after the login (not yet shown; StartUp owns it).
using MainWindowFactory = std::function<QWidget *()>;

// Replace the login and the main window; an empty function restores the
// built-in one.
void setLogin(Login login);
void setMainWindowFactory(MainWindowFactory factory);

// Tells the network file system a path lies on, empty for a local one;
// replaceable because no network share can be mounted in the tests. An
// empty function restores the real probe.
using FileSystemProbe = std::function<QString(const QString &path)>;
void setFileSystemProbe(FileSystemProbe probe);

// The warning shown at start-up when the central SQLite register lies on a
// network file system; empty when it does not (or the register is on a
// database server).
QString networkRegisterWarning();

// The files and folders that hold the register, the local database, the
// logs, the cipher key or opened documents and let other accounts than
// their owner in, each with its mode; and the warning shown at start-up
// for them (logged one a line).
QStringList filesOpenToOthers();
QString openFilesWarning(const QStringList &open);

// Exit code when the configuration file cannot be read.
constexpr int kExitNoConfig = 2;
// Returned by start() when the program is up and the event loop should run.
constexpr int kRunning = -1;

// Runs the start-up sequence up to the shown main window. Returns kRunning
// when the event loop should take over, otherwise the exit code.
int start(const QStringList &arguments);

// Runs the start-up sequence and the event loop; returns the exit code.
int run(const QStringList &arguments);

// The main window made by the last successful start(); null before.
QWidget *mainWindow();
// Ends the run: closes the main window and the background (tests, and the
// ordinary end after the event loop).
void shutdown();

// The installation parameters of the structure: the Tab_Parm_Gen row read
// into session().parm. Without a row (or when it cannot be read) the values
// are the empty ones.
void loadParameters(const QString &structureCode);

// The statement that reads the installation parameters of a structure.
QString parametersQuery(const QString &structureCode);

} // namespace StartUp
