// "Registrazione Sollecito" as a clerk uses it, on both engines: opened for a
// protocol and its office in charge, the checks in order against the
// database server's date, a reminder written, changed and deleted, and an
// identifier never handed out twice.

#include <QPushButton>
#include <QTimeZone>

#include "ReminderFixture.h"
#include "support/PgSessions.h"
#include "deadlines/ReminderRules.h"
#include "deadlines/ReminderWindow.h"

using namespace nimbo;
using namespace nimbo::deadlines;

namespace {

class ReminderWindow : public test::DeadlineWindowTest {
protected:
    static void pickRow(ui::RowList *list, int col, const QString &text)
    {
        ASSERT_TRUE(list->select(col, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    static void fill(FrmSollecito *w, const QDate &date, const QString &person, const QString &answer)
    {
        child<QLineEdit>(w, "TxtDataSollecito")->setText(date.isValid() ? date.toString(s("dd/MM/yyyy")) : QString());
        child<QLineEdit>(w, "TxtPersona")->setText(person);
        child<QLineEdit>(w, "TxtRisposta")->setText(answer);
    }
    QString registered()
    {
        return rows(s("SELECT Tab_PersonaContattata, Tab_Risposta, Tab_UfficioCompetente, Tab_Ente FROM "
                      "Tab_ProSolleciti WHERE Tab_Protocollo = '") + number(1) + s("' ORDER BY Tab_ProgrSollecito"))
            .join(QLatin1Char(';'));
    }
    // A matter of RAG, the program started as DEMO9 and the reminders of the
    // matter opened as the deadline overview opens them.
    FrmSollecito *openForMatter()
    {
        matter(1, s("RAG"), QDate::currentDate().addDays(3));
        main = start("DEMO9");
        return main ? qobject_cast<FrmSollecito *>(openReminders(s("E"), number(1), s("RAG"))) : nullptr;
    }
    qlonglong lastId()
    {
        const QStringList r = rows(s("SELECT MAX(Tab_ProgrSollecito) FROM Tab_ProSolleciti"));
        return r.isEmpty() ? 0 : r.first().toLongLong();
    }
    MDIMenu *main = nullptr;
};

TEST_P(ReminderWindow, ChecksInOrderThenWritesChangesAndDeletes)
{
    auto *w = openForMatter();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(active(main), w);
    EXPECT_EQ(w->windowTitle(), s("Registrazione Sollecito"));
    EXPECT_EQ(text(w, "LblProtocollo"), s("Solleciti relativi al documento di protocollo N. 2024-0000001 (E)"));
    EXPECT_EQ(text(w, "LblUfficio"), s("RAG - RAGIONERIA"));
    EXPECT_FALSE(child(w, "CmdRegistra")->isEnabled());
    EXPECT_FALSE(child(w, "CmdCancella")->isEnabled());

    const QDate today = QDate::currentDate();
    child(w, "CmdNuovo")->click();
    const auto tryWith = [&](const QDate &date, const char *person, const char *answer) {
        fill(w, date, s(person), s(answer));
        child(w, "CmdRegistra")->click();
        return said();
    };
    EXPECT_EQ(tryWith({}, "ROSSI", "DOMANI"), reminder::kNoDate);
    EXPECT_EQ(tryWith(today.addDays(1), "ROSSI", "DOMANI"), reminder::kAfterToday);
    EXPECT_EQ(tryWith(today, "", "DOMANI"), reminder::kNoPerson);
    EXPECT_EQ(tryWith(today, "ROSSI", " "), reminder::kNoAnswer);
    EXPECT_EQ(registered(), QString());
    EXPECT_EQ(tryWith(today.addDays(-1), "ROSSI", "ENTRO VENERDI").toStdString(), "");
    EXPECT_EQ(registered(), s("ROSSI|ENTRO VENERDI|RAG|001"));
    EXPECT_EQ(w->list()->count(), 1);

    // A later reminder may not be dated before the latest one.
    child(w, "CmdNuovo")->click();
    EXPECT_EQ(tryWith(today.addDays(-2), "BIANCHI", "SUBITO"), reminder::kBeforeLatest);
    EXPECT_EQ(tryWith(today, "BIANCHI", "SUBITO").toStdString(), "");
    EXPECT_EQ(column(w->list(), 2), s("ROSSI,BIANCHI"));

    // The first one changed: its date may stay before the second's.
    const QString first = w->list()->text(0, 0);
    pickRow(w->list(), 0, first);
    EXPECT_EQ(child<QLineEdit>(w, "TxtPersona")->text(), s("ROSSI"));
    EXPECT_TRUE(child(w, "CmdCancella")->isEnabled());
    child<QLineEdit>(w, "TxtRisposta")->setText(s("ENTRO LUNEDI"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said().toStdString(), "");
    EXPECT_EQ(registered(), s("ROSSI|ENTRO LUNEDI|RAG|001;BIANCHI|SUBITO|RAG|001"));

    // Deleting asks first; "No" keeps the reminder.
    pickRow(w->list(), 0, first);
    boxes.answers << Answer::No;
    child(w, "CmdCancella")->click();
    EXPECT_EQ(said(), s("CONFERMI LA CANCELLAZIONE DEL SOLLECITO CORRENTE ?"));
    EXPECT_EQ(w->list()->count(), 2);
    child(w, "CmdCancella")->click();
    EXPECT_EQ(said(), s("CONFERMI LA CANCELLAZIONE DEL SOLLECITO CORRENTE ?"));
    EXPECT_EQ(registered(), s("BIANCHI|SUBITO|RAG|001"));
    EXPECT_EQ(w->list()->count(), 1);
}

// The latest reminder deleted, the next one still gets a new identifier:
// the view of the deadlines takes the highest as the latest, and a reused
// one would make a deleted reminder's successor look older than it is.
TEST_P(ReminderWindow, AnIdentifierIsNeverHandedOutTwice)
{
    auto *w = openForMatter();
    ASSERT_NE(w, nullptr);
    const QDate today = QDate::currentDate();
    for (const char *who : {"PRIMO", "SECONDO"}) {
        child(w, "CmdNuovo")->click();
        fill(w, today, s(who), s("RISPOSTA"));
        child(w, "CmdRegistra")->click();
    }
    ASSERT_EQ(said().toStdString(), "");
    const qlonglong deleted = lastId();
    ASSERT_GT(deleted, 0);
    pickRow(w->list(), 0, QString::number(deleted));
    ASSERT_EQ(child<QLineEdit>(w, "TxtPersona")->text(), s("SECONDO"));
    child(w, "CmdCancella")->click();
    EXPECT_EQ(said(), s("CONFERMI LA CANCELLAZIONE DEL SOLLECITO CORRENTE ?"));
    ASSERT_EQ(lastId(), deleted - 1);

    child(w, "CmdNuovo")->click();
    fill(w, today, s("TERZO"), s("RISPOSTA"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said().toStdString(), "");
    EXPECT_GT(lastId(), deleted);
    EXPECT_EQ(rows(s("SELECT Tab_PersonaContattata FROM Tab_ProSolleciti WHERE Tab_ProgrSollecito = ")
                   + QString::number(deleted)),
              QStringList());
}

// "Today" is the database server's: with its clock in a time zone where
// the date is not the workstation's, the server's today is accepted and
// its tomorrow refused.
TEST_P(ReminderWindow, TodayIsTheDatabaseServersDate)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "the SQLite register has no clock but the workstation's";
    QString zone;
    QDate serverToday;
    for (const char *z : {"Pacific/Kiritimati", "Etc/GMT+12"}) {
        const QDate there = QDateTime::currentDateTimeUtc().toTimeZone(QTimeZone(z)).date();
        if (there != QDate::currentDate()) {
            zone = s(z);
            serverToday = there;
        }
    }
    ASSERT_FALSE(zone.isEmpty());
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("ALTER DATABASE %1 SET TimeZone = '%2'").arg(test::databaseName(db()), zone)));
    auto *w = openForMatter();
    ASSERT_NE(w, nullptr);
    child(w, "CmdNuovo")->click();
    fill(w, serverToday.addDays(1), s("ROSSI"), s("DOMANI"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said(), reminder::kAfterToday);
    fill(w, serverToday, s("ROSSI"), s("DOMANI"));
    child(w, "CmdRegistra")->click();
    EXPECT_EQ(said().toStdString(), "");
    EXPECT_EQ(registered(), s("ROSSI|DOMANI|RAG|001"));
}

NIMBO_INSTANTIATE_ENGINES(ReminderWindow);

// The mail that urges the office: its subject, and the clerk told that
// mail is not configured.
TEST(ReminderMail, SubjectAndNotConfigured)
{
    test::ScriptedDialogs boxes;
    EXPECT_EQ(offerReminderMail(QStringLiteral("20240000012"), QStringLiteral("U"), QDate(2024, 3, 5)),
              QStringLiteral("Sollecito completamento pratica prot. N. 2024-0000012-U  del 05/03/2024"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Contattare l'esperto della procedura!!! ")});
}

} // namespace
