#include "deadlines/Deadlines.h"

namespace nimbo::deadlines {

void registerOverviewWindows() {}

} // namespace nimbo::deadlines
