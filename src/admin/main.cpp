#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "admin/Admin.h"
#include "platform/FileSystem.h"

int main(int argc, char **argv)
{
    // The databases and key files it makes hold the register and its
    // secrets: the owner's account only.
    nimbo::fs::ownerOnlyFromNowOn();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = Admin::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
