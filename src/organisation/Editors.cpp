#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerEditorWindows() {}

} // namespace nimbo::organisation
