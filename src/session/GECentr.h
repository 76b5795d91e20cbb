#pragma once
// The diagnostic writers: the daily log and trace files, "messaggi.dat",
// "errore.dat" and "GestError.log", the two generic error boxes and the
// closing routine. None of them ever raises: a file that cannot be opened
// loses its line and the caller goes on.

#include <QString>
#include <functional>

#include "platform/Dialogs.h"

namespace GECentr {

// The error most recently trapped, as the writers report it when a caller
// gives no message of its own.
struct ErrorInfo {
    long number = 0;
    QString text;
    QString source;
    int line = 0;
    QString lastSystemError;
};
ErrorInfo &lastError();
void setLastError(long number, const QString &text, const QString &source = {}, int line = 0);
void clearLastError();

// "Now" as written in every line.
QString now();

// Log writer. A null message means "report the last error".
void writeLog(const QString &message = QString(), const QString &proc = {}, const QString &form = {});
// Trace writer; callers check APPLTRACE first.
void writeTrace(const QString &message, const QString &proc = {}, const QString &form = {});
// Program-error logger. show counts as true only when it is 1.
void logProgramError(const QString &message, const QString &proc = {}, const QString &form = {}, int show = 1);
// Message shower: "messaggi.dat" line and the "Messaggio di Errore" box; the
// caller's message becomes a single blank.
void showMessage(QString &message);
void showMessage(const QString &message);
// Error recorder ("errore.dat"). A null message means "report the last error".
void recordError(const QString &message = QString(), const QString &proc = {}, const QString &form = {},
                 bool show = false);
// The start line of the daily files.
void writeStartLine();

// Central error handler: writes the GestError.log block and asks
// Abort/Retry/Ignore; returns the answer.
nimbo::Answer handleError(const QString &module, const QString &proc, const ErrorInfo &error = lastError());

// Closing routine. Mode 1 is the forced shutdown after an unrecoverable
// failure; any other mode is the ordinary end of the program.
void closeProgram(int mode = 1);

// What closeProgram runs to release the local database and the held servers
// (installed by the layers that own them) and how it ends the process.
// Tests replace the exit so that the test program survives.
void setCloseHooks(std::function<void()> releaseResources, std::function<void(int exitCode)> exitProcess);
// The same, one hook at a time, for layers that own only one of them. An
// empty function restores the default (nothing to release; end the process
// with the exit code, 1 for the forced shutdown and 0 otherwise).
void setReleaseHook(std::function<void()> releaseResources);
void setExitHook(std::function<void(int exitCode)> exitProcess);

} // namespace GECentr
