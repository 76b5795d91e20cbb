#pragma once
// The command line of nimbo-admin as its commands read it.

#include <QMap>
#include <QStringList>

#include "data/Dialect.h"

namespace Admin {

// Options of the form --name value, plus bare flags.
struct Options {
    QMap<QString, QString> values;
    QStringList flags;
    QStringList positional;
    QString error;
};

Options parse(const QStringList &args, const QStringList &withValue, const QStringList &bare);

// The central database named by --sqlite FILE or --pg "CONNINFO" (never
// with a password in it).
bool targetOf(const Options &o, Dialect::Target *t, QString *error);

} // namespace Admin
