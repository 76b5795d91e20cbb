#include "deadlines/Deadlines.h"

namespace nimbo::deadlines {

void registerSummaryWindows() {}

} // namespace nimbo::deadlines
