#pragma once
#include <QStringList>

namespace StartUp {
// Runs the start-up sequence and the event loop; returns the exit code.
int run(const QStringList &arguments);
}
