#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerStructureWindows() {}

} // namespace nimbo::organisation
