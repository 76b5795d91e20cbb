#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerOrganisationWindows()
{
    registerEditorWindows();
    registerStructureWindows();
    registerMemberWindows();
}

} // namespace nimbo::organisation
