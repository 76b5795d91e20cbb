#include "organisation/Organisation.h"

#include "organisation/FrmAggStrutture.h"
#include "organisation/FrmHelpUff.h"
#include "organisation/FrmTreeStruttura.h"
#include "organisation/HistoryViewer.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

void registerStructureWindows()
{
    WindowRegistry::add(QStringLiteral("frmDipStorico"),
                        [] { return new HistoryViewer(HistoryViewer::Of::Department); });
    WindowRegistry::add(QStringLiteral("frmUffStorico"), [] { return new HistoryViewer(HistoryViewer::Of::Office); });
    WindowRegistry::add(QStringLiteral("FrmHelpUff"), [] { return new FrmHelpUff; });
    WindowRegistry::add(QStringLiteral("FrmTreeStruttura"), [] { return new FrmTreeStruttura; });
    WindowRegistry::add(QStringLiteral("FrmAggStrutture"), [] { return new FrmAggStrutture; });
}

} // namespace nimbo::organisation
