// TEMPORARY skeleton: the session helper replaces this file with the real writers.
#include "session/GECentr.h"

namespace GECentr {
namespace {
ErrorInfo g_last;
}
ErrorInfo &lastError() { return g_last; }
void setLastError(long number, const QString &text, const QString &source, int line) { g_last = {number, text, source, line, {}}; }
void clearLastError() { g_last = {}; }
QString now() { return {}; }
void writeLog(const QString &, const QString &, const QString &) {}
void writeTrace(const QString &, const QString &, const QString &) {}
void logProgramError(const QString &, const QString &, const QString &, int) {}
void showMessage(QString &message) { message = QStringLiteral(" "); }
void showMessage(const QString &) {}
void recordError(const QString &, const QString &, const QString &, bool) {}
void writeStartLine() {}
nimbo::Answer handleError(const QString &, const QString &, const ErrorInfo &) { return nimbo::Answer::Ignore; }
void closeProgram(int) {}
void setCloseHooks(std::function<void()>, std::function<void(int)>) {}
} // namespace GECentr
