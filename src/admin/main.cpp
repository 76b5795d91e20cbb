#include <QCoreApplication>
#include <QGuiApplication>
#include <memory>
#include <QTextStream>

#include <cstdio>

#include "admin/Admin.h"
#include "admin/DailyRegisterCommand.h"
#include "platform/FileSystem.h"

int main(int argc, char **argv)
{
    // The databases and key files it makes hold the register and its
    // secrets: the owner's account only.
    nimbo::fs::ownerOnlyFromNowOn();
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    // The daily register paints a PDF, which needs fonts: a GUI application
    // without a screen.
    std::unique_ptr<QCoreApplication> holder;
    if (Admin::needsGui(args)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        holder = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        holder = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication &app = *holder;
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = Admin::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
