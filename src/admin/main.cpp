#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

#include "admin/Admin.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int rc = Admin::run(app.arguments().mid(1), out, err);
    out.flush();
    err.flush();
    return rc;
}
