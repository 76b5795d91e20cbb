// Test programs share this main(): the program's application object (which
// traps exceptions escaping event handlers) on the offscreen platform
// and a Qt message handler that fails the running test on any Qt warning,
// so that a broken connection or a misused API does not pass unnoticed.

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "session/Application.h"

namespace {

void failOnWarning(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    // What the offscreen platform cannot do (raise a window, grab the
    // keyboard for a pop-up) is no fault of the program.
    if (type == QtDebugMsg || type == QtInfoMsg || msg.startsWith(QLatin1String("This plugin does not support"))) {
        fprintf(stderr, "%s\n", qPrintable(msg));
        return;
    }
    ADD_FAILURE() << "Qt " << (type == QtWarningMsg ? "warning" : "error") << ": " << qPrintable(msg)
                  << (ctx.file ? " (" : "") << (ctx.file ? ctx.file : "") << (ctx.file ? ")" : "");
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    // The window placements and other user settings of a test program stay
    // its own: not the desktop user's, nor another test program's.
    QTemporaryDir config;
    if (config.isValid())
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    nimbo::Application app(argc, argv);
    qInstallMessageHandler(failOnWarning);
    return RUN_ALL_TESTS();
}
