#include "history/History.h"

#include "history/FrmLogAccessi.h"
#include "history/FrmStorico.h"
#include "history/FrmStoricoAB.h"
#include "history/FrmStoricoOPE.h"
#include "ui/WindowRegistry.h"

namespace nimbo::history {

void registerHistoryWindows()
{
    WindowRegistry::add(QStringLiteral("FrmLogAccessi"), [] { return new FrmLogAccessi; });
    WindowRegistry::add(QStringLiteral("frmStoricoOPE"), [] { return new FrmStoricoOPE; });
    WindowRegistry::add(QStringLiteral("FrmStorico"), [] { return new FrmStorico; });
    WindowRegistry::add(QStringLiteral("FrmStoricoAB"), [] { return new FrmStoricoAB; });
}

} // namespace nimbo::history
