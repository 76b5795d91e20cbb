// The operator's desk on both engines: the find box of the main toolbar with
// every accepted form, a protocol out of the operator's visibility, a
// reserved one and garbage (one message for not found and not visible); the
// start page behind the child windows with today's registrations and the
// protocols opened last, a row opening its protocol, the status bar whole
// at 1024x768.

#include <QDate>
#include <QLineEdit>
#include <QMdiArea>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include "../documents/DocumentsFixture.h"
#include "desk/Desk.h"
#include "desk/FindRules.h"
#include "desk/FrmVaiProtocollo.h"
#include "desk/StartPage.h"
#include "search/ProtocolDetail.h"
#include "ui/RecentProtocols.h"
#include "ui/RowList.h"

using namespace nimbo;

namespace {

TEST(FindRules, AcceptedFormsAndGarbage)
{
    const auto number = [](const QString &typed) {
        const auto t = desk::parseTarget(typed, 2026);
        return t ? t->direction + t->number + t->emergencyKey + QLatin1Char('/') + t->emergencyNumber
                 : QStringLiteral("-");
    };
    EXPECT_EQ(number(QStringLiteral("2026-123")), QStringLiteral("20260000123/"));
    EXPECT_EQ(number(QStringLiteral(" 2025/0000123 ")), QStringLiteral("20250000123/"));
    EXPECT_EQ(number(QStringLiteral("20250000123")), QStringLiteral("20250000123/"));
    EXPECT_EQ(number(QStringLiteral("123")), QStringLiteral("20260000123/"));
    EXPECT_EQ(number(QStringLiteral("u 2025-7")), QStringLiteral("U20250000007/"));
    EXPECT_EQ(number(QStringLiteral("2007TABCD001-15")), QStringLiteral("2007TABCD001/0000015"));
    EXPECT_EQ(number(QStringLiteral("2007/t/abcd/001/0000015")), QStringLiteral("2007TABCD001/0000015"));
    for (const char *bad : {"", "abc", "2026-", "-5", "0", "2026-0", "12345678", "2026-12345678", "1800-5",
                            "2007TABCD001-0", "2026-1' OR '1'='1", "X 2026-1", "2026--1"})
        EXPECT_EQ(number(QLatin1String(bad)), QStringLiteral("-")) << bad;
}

class DeskTest : public test::DocumentsTest {
protected:
    void SetUp() override
    {
        test::DocumentsTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        desk::registerDeskWindows();
        // What a run on the other engine remembered.
        ui::forgetRecentProtocols(QStringLiteral("001"), QStringLiteral("DEMO7"));
    }
    void protocolRow(const QString &direction, const QString &number, const QString &date, const QString &dept,
                     const QString &office, const QString &registrar, const QString &privacy, const QString &subject,
                     const QString &emergencyKey = QStringLiteral(" "), const QString &emergencyNumber = QString())
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_OraProtocollo, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_Oggetto, Tab_RegistroTemporaneo, "
                           "Tab_ProtocolloTemporaneo, Tab_Intestatario, Tab_Tipologia, Tab_StatoProtocollo) VALUES "
                           "('001', '%1', '%2', %3, '09:15:00', '%4', '%5', '%6', '%7', '%8', '%9', '%10', 2, 'LET', 'A')")
                .arg(direction, number, date, dept, office, registrar, privacy, subject, emergencyKey)
                .arg(emergencyNumber));
    }
    // DEMO7 works at PRO/UPR at level 7 without the privacy right.
    void seed()
    {
        protocolRow("E", "20250000101", "'2025-03-04'", "PRO", "UPR", "DEMO9", "N", "Richiesta di accesso");
        protocolRow("E", "20250000102", "'2025-03-04'", "AMM", "RAG", "DEMO8", "N", "Fattura del fornitore");
        protocolRow("E", "20250000103", "'2025-03-04'", "PRO", "UPR", "DEMO9", "S", "Esposto riservato");
        protocolRow("U", "20250000104", "'2025-03-05'", "PRO", "UPR", "DEMO9", "N", "Verbale in emergenza",
                    "2025TABCD001", "0000042|05/03/2025");
        // Registered today by the office, as the server counts days.
        protocolRow("E", QString::number(QDate::currentDate().year()) + "0000007",
                    db().engine() == Dialect::Engine::PostgreSQL ? "CURRENT_DATE" : "date('now', 'localtime')", "PRO",
                    "UPR", "DEMO7", "N", "Domanda di oggi");
    }
    QLineEdit *findBox(MDIMenu *main) { return main->toolbar()->findChild<QLineEdit *>("txtVaiProtocollo"); }
    // Types into the find box and presses Enter; the window it opened.
    desk::FrmVaiProtocollo *find(MDIMenu *main, const QString &typed)
    {
        boxes.clear();
        QLineEdit *box = findBox(main);
        box->setFocus();
        box->setText(typed);
        QTest::keyClick(box, Qt::Key_Return);
        settle();
        return qobject_cast<desk::FrmVaiProtocollo *>(active(main));
    }
    static QString shown(desk::FrmVaiProtocollo *w)
    {
        return w ? w->detail()->direction() + w->detail()->number() : QStringLiteral("none");
    }
    static QStringList numbers(ui::RowList *list)
    {
        QStringList out;
        for (int r = 0; r < list->count(); ++r)
            out << list->text(r, 3) + list->text(r, 4);
        return out;
    }
};

TEST_P(DeskTest, FindBoxOpensWhatTheOperatorMaySeeOnly)
{
    seed();
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    ASSERT_NE(findBox(main), nullptr);
    const QString year = QString::number(QDate::currentDate().year());

    for (const char *typed : {"2025-101", "2025/0000101", "20250000101", "E 2025-101"}) {
        EXPECT_EQ(shown(find(main, QLatin1String(typed))), QStringLiteral("E20250000101")) << typed;
        EXPECT_TRUE(boxes.texts().isEmpty()) << typed << boxes.texts().join('|').toStdString();
    }
    EXPECT_TRUE(findBox(main)->text().isEmpty());
    EXPECT_EQ(shown(find(main, QStringLiteral("7"))), QStringLiteral("E") + year + QStringLiteral("0000007"));
    EXPECT_EQ(shown(find(main, QStringLiteral("2025TABCD001-42"))), QStringLiteral("U20250000104"));
    // Read-only: the detail shows the number and no field can be typed in.
    auto *w = find(main, QStringLiteral("2025-101"));
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->windowTitle().endsWith(QStringLiteral("2025-0000101")));
    for (QLineEdit *e : w->findChildren<QLineEdit *>())
        if (!e->objectName().endsWith(QStringLiteral("Filtro"))) { // the lists' filters
            EXPECT_TRUE(e->isReadOnly()) << e->objectName().toStdString();
        }
    w->ELABORATBAR(QStringLiteral("ESCI"));
    settle();

    // Another office's protocol, a reserved one of his office and one that
    // is not there get the same words.
    for (const char *typed : {"2025-102", "2025-103", "2025-999", "U 2025-101", "2025TABCD001-43"}) {
        EXPECT_EQ(find(main, QLatin1String(typed)), nullptr) << typed;
        EXPECT_EQ(boxes.texts(), QStringList{desk::kNotFound}) << typed;
        EXPECT_EQ(findBox(main)->text(), QLatin1String(typed));
    }
    for (const char *typed : {"abc", "2025-", "2025-1' OR '1'='1"}) {
        EXPECT_EQ(find(main, QLatin1String(typed)), nullptr) << typed;
        EXPECT_EQ(boxes.texts(), QStringList{desk::kBadInput}) << typed;
    }
    // The window itself checks too: asked for a protocol he may not see, it
    // says the same and closes.
    auto *direct = qobject_cast<desk::FrmVaiProtocollo *>(WindowRegistry::open(QStringLiteral("FrmVaiProtocollo")));
    ASSERT_NE(direct, nullptr);
    boxes.clear();
    EXPECT_FALSE(direct->setProtocol(QStringLiteral("E"), QStringLiteral("20250000103")));
    EXPECT_EQ(boxes.texts(), QStringList{desk::kNotFound});
}

TEST_P(DeskTest, StartPageListsTodayAndRecentAndOpensThem)
{
    seed();
    MDIMenu *main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    main->show();
    settle();
    auto *page = qobject_cast<desk::StartPage *>(main->startPage());
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->geometry(), main->area()->viewport()->rect());
    // The status bar stands whole inside a 1024x768 main window.
    EXPECT_TRUE(main->statusBar()->isVisible());
    EXPECT_LE(main->statusBar()->geometry().bottom(), main->rect().bottom());
    EXPECT_EQ(main->size(), QSize(1024, 768));

    const QString today = QString::number(QDate::currentDate().year()) + QStringLiteral("0000007");
    EXPECT_EQ(numbers(page->today()), QStringList{QStringLiteral("E") + today});
    EXPECT_EQ(page->today()->text(0, 1), QStringLiteral("09:15"));
    EXPECT_EQ(page->recent()->count(), 0);

    // Two protocols opened, then one of them made reserved: the page lists
    // the one he may still see, newest first, once the main window is
    // active again.
    find(main, QStringLiteral("2025-101"));
    find(main, QStringLiteral("2025TABCD001-42"));
    find(main, QStringLiteral("2025-101"));
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_SoggPrivacy = 'S' WHERE Tab_NumeroProtocollo = '20250000104'"));
    const int before = page->refreshCount();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(main, &activate);
    EXPECT_EQ(page->refreshCount(), before + 1);
    EXPECT_EQ(numbers(page->recent()), QStringList{QStringLiteral("E20250000101")});
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_SoggPrivacy = 'N' WHERE Tab_NumeroProtocollo = '20250000104'"));
    page->refresh();
    EXPECT_EQ(numbers(page->recent()), (QStringList{QStringLiteral("E20250000101"), QStringLiteral("U20250000104")}));

    // Another operator has his own list.
    EXPECT_TRUE(ui::recentProtocols(QStringLiteral("001"), QStringLiteral("DEMO6")).isEmpty());

    // One click on today's row opens its protocol over the page.
    const auto subs = main->area()->subWindowList();
    for (auto *s : subs)
        s->close();
    settle();
    QTableView *view = page->today()->view();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, 0)).center());
    settle();
    auto *opened = qobject_cast<desk::FrmVaiProtocollo *>(active(main));
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(shown(opened), QStringLiteral("E") + today);
    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty()) {
        opened->parentWidget()->close();
        settle();
        main->grab().save(keep + QStringLiteral("/desk-start-page.png"));
    }
}

NIMBO_INSTANTIATE_ENGINES(DeskTest);

} // namespace
