#include "deadlines/Deadlines.h"

#include "deadlines/AgendaWindow.h"
#include "deadlines/PrintDeadlinesWindow.h"
#include "deadlines/ReminderWindow.h"
#include "ui/WindowRegistry.h"

namespace nimbo::deadlines {

void registerReminderWindows()
{
    WindowRegistry::add(QStringLiteral("FrmSollecito"), [] { return new FrmSollecito; });
    WindowRegistry::add(QStringLiteral("FrmStampaScad"), [] { return new FrmStampaScad; });
    WindowRegistry::add(QStringLiteral("FrmScadenzario"), [] { return new FrmScadenzario; });
}

QWidget *openReminders(const QString &direction, const QString &number, const QString &officeCode)
{
    auto *w = qobject_cast<FrmSollecito *>(WindowRegistry::open(QStringLiteral("FrmSollecito")));
    if (!w)
        return nullptr;
    w->setProtocol(direction, number, officeCode);
    return w;
}

} // namespace nimbo::deadlines
