// Test programs share this main(): the program's application object (which
// traps exceptions escaping event handlers) on the offscreen platform
// and a Qt message handler that fails the running test on any Qt warning,
// so that a broken connection or a misused API does not pass unnoticed.

#include <QFile>
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
    // Windows are tried on the screen the clerks have: 1024x768.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && config.isValid()) {
        QFile screen(config.filePath(QStringLiteral("screen.json")));
        if (screen.open(QIODevice::WriteOnly)
            && screen.write(R"({"screens": [{"name": "schermo", "x": 0, "y": 0, "width": 1024, "height": 768}]})") > 0) {
            screen.close();
            qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screen.fileName().toLocal8Bit());
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    nimbo::Application app(argc, argv);
    qInstallMessageHandler(failOnWarning);
    return RUN_ALL_TESTS();
}
