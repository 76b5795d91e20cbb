// The e-mail windows as a clerk sees them in a 1024x768 main window:
// nothing cut, every box labelled, no list that scrolls sideways, headings
// whole. The pictures stay in NIMBO_TEST_SHOTS when it names a folder.

#include <QTemporaryDir>

#include "EmailFixture.h"

using namespace nimbo;

namespace {

class EmailLook : public test::EmailTest {
protected:
    QTemporaryDir out;
};

TEST_P(EmailLook, WindowsFitTheMainWindow)
{
    seedEmails();
    for (int n = 5; n < 12; ++n)
        provisional(n, QStringLiteral("ufficio%1@comune.example.it").arg(n),
                    QStringLiteral("Trasmissione della documentazione integrativa richiesta, pratica %1").arg(n),
                    n % 3 ? n : 0, n % 2 ? s("RIC") : QString());
    MDIMenu *main = startWithMail();
    ASSERT_NE(main, nullptr);
    auto *emails = openEmails(main);
    ASSERT_NE(emails, nullptr);
    chooseEmail(emails, 1);
    said();
    test::expectFitsWithFieldsLabelled(main, emails, out.filePath(s("FrmProtEmail.png")));
    test::expectHeadingsWhole(emails->list()->view());
    // What a column shows is the clerk's word, never a column's name.
    for (int c = 0; c < emails->list()->view()->model()->columnCount(); ++c)
        EXPECT_FALSE(emails->list()->view()->model()->headerData(c, Qt::Horizontal).toString().startsWith(s("Tab_")));

    child(emails, "cmdVisualizza")->click();
    QWidget *viewer = active(main);
    ASSERT_NE(viewer, nullptr);
    test::expectFitsWithFieldsLabelled(main, viewer, out.filePath(s("FrmVisEmail.png")));
    activate(main, emails);
    chooseEmail(emails, 2);
    said();
    child(emails, "cmdCancella")->click();
    test::expectFitsWithFieldsLabelled(main, active(main), out.filePath(s("frmProtEmailCanc.png")));
    QWidget *settings = menu(main, "MnuCemail");
    ASSERT_NE(settings, nullptr);
    test::expectFitsWithFieldsLabelled(main, settings, out.filePath(s("FrmCambiaEmail.png")));
    activate(main, viewer);
    child(viewer, "cmdRispondi")->click();
    test::expectFitsWithFieldsLabelled(main, active(main), out.filePath(s("FrmEmailGen.png")));

    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    // An outgoing letter: the window also offers it to another administration.
    ASSERT_EQ(registerLetter(main, reg, s("Richiesta di parere"), false).size(), 11);
    child(reg, "btnTB_6")->click();
    QWidget *notice = active(main);
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->objectName(), s("FrmEmail"));
    EXPECT_TRUE(child<QWidget>(notice, "FraInterop")->isVisibleTo(notice));
    test::expectFitsWithFieldsLabelled(main, notice, out.filePath(s("FrmEmail.png")));
}

NIMBO_INSTANTIATE_ENGINES(EmailLook);

} // namespace
