// The reminder, print and agenda windows as a clerk sees them in a
// 1024x768 main window: nothing cut, every box labelled, no list that
// scrolls sideways, lists' headings whole.

#include "ReminderFixture.h"

using namespace nimbo;

namespace {

class ReminderLook : public test::DeadlineWindowTest {};

TEST_P(ReminderLook, WindowsFitTheMainWindow)
{
    matter(1, s("RAG"), QDate::currentDate().addDays(3));
    run(s("INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, Tab_UfficioCompetente, "
          "Tab_PersonaContattata, Tab_Risposta) VALUES ('001', ?, ?, 'RAG', 'VERDI LUCA', 'ENTRO LA SETTIMANA')"),
        {number(1), QDate::currentDate()});
    MDIMenu *main = start("DEMO9");
    ASSERT_NE(main, nullptr);
    QWidget *reminders = deadlines::openReminders(s("E"), number(1), s("RAG"));
    ASSERT_NE(reminders, nullptr);
    test::expectFitsWithFieldsLabelled(main, reminders, out.filePath(s("sollecito.png")));
    test::expectHeadingsWhole(reminders->findChild<ui::RowList *>()->view());
    for (const char *item : {"mnuScadenzario", "mnuscadenze"}) {
        QWidget *w = menu(main, item);
        ASSERT_NE(w, nullptr) << item;
        test::expectFitsWithFieldsLabelled(main, w, out.filePath(s(item) + s(".png")));
        if (auto *list = w->findChild<ui::RowList *>())
            test::expectHeadingsWhole(list->view());
    }
}

NIMBO_INSTANTIATE_ENGINES(ReminderLook);

} // namespace
