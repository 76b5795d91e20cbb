#include "deadlines/Deadlines.h"

namespace nimbo::deadlines {

void registerPostponeWindows() {}

} // namespace nimbo::deadlines
