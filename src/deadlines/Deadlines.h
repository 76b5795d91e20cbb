#pragma once
// Deadlines of the matters assigned for competence, their postponements and
// reminders, the printed deadlines, the offices' activity agenda and the
// workflow summaries. Windows registered by name:
//   "FrmScadPratiche" (matters due or overdue, with their detail),
//   "FrmRinviaScad" (setting or postponing a matter's deadline),
//   "FrmStoricoScadenze" (a protocol's deadlines, removal of the last
//   postponement),
//   "FrmSollecito" (reminders made to the office in charge),
//   "FrmStampaScad" (printed list of deadlines),
//   "FrmScadenzario" (an office's dated activities),
//   "FrmRiepiloghiIter" (what an office or member passed to another).

#include <QString>

class QWidget;

namespace nimbo::deadlines {

void registerDeadlineWindows();

// Each group of windows registers its own.
void registerOverviewWindows();  // FrmScadPratiche
void registerPostponeWindows();  // FrmRinviaScad, FrmStoricoScadenze
void registerReminderWindows();  // FrmSollecito, FrmStampaScad, FrmScadenzario
void registerSummaryWindows();   // FrmRiepiloghiIter

// Opens the reminders of a protocol (its 11-character number) made to the
// office in charge of it. Null when the window could not be opened.
QWidget *openReminders(const QString &direction, const QString &number, const QString &officeCode);

} // namespace nimbo::deadlines
