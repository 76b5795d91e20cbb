#include "organisation/Organisation.h"

#include "organisation/FrmHelpUff.h"
#include "organisation/HistoryViewer.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

void registerStructureWindows()
{
    WindowRegistry::add(QStringLiteral("frmDipStorico"),
                        [] { return new HistoryViewer(HistoryViewer::Of::Department); });
    WindowRegistry::add(QStringLiteral("frmUffStorico"), [] { return new HistoryViewer(HistoryViewer::Of::Office); });
    WindowRegistry::add(QStringLiteral("FrmHelpUff"), [] { return new FrmHelpUff; });
}

} // namespace nimbo::organisation
