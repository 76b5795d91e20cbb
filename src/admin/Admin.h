#pragma once
// The installer's command: creates and upgrades databases, adds operators,
// loads the demo data and prepares a complete demo program folder.

#include <QStringList>
#include <QTextStream>

namespace Admin {

// Runs one command line (without the program name). Progress goes to out,
// problems to err; the result is the process exit status (0 = done).
int run(const QStringList &args, QTextStream &out, QTextStream &err);

QString usage();

} // namespace Admin
