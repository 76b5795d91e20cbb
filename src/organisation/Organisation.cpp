#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerOrganisationWindows()
{
    registerEditorWindows();
    registerStructureWindows();
    registerMemberWindows();
    registerOperatorWindows();
}

} // namespace nimbo::organisation
