#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerOrganisationWindows()
{
    registerEditorWindows();
    registerStructureWindows();
}

} // namespace nimbo::organisation
