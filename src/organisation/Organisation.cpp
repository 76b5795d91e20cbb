#include "organisation/Organisation.h"

namespace nimbo::organisation {

void registerOrganisationWindows()
{
    registerEditorWindows();
    registerStructureWindows();
    registerOperatorWindows();
}

} // namespace nimbo::organisation
