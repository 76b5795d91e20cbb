#include "startup/StartUp.h"

namespace StartUp {
int run(const QStringList &) { return 0; }
}
