// The chooser, the quick creation and the classification window as a clerk
// sees them in a 1024x768 main window: each fits, every box is labelled,
// nothing is cut, codes and dates whole, Tab goes down the form.

#include "ClassifyFixture.h"

using namespace nimbo;
using classification::FrmClassifica;
using classification::FrmFascicoliLight;
using classification::FrmInsClass;

namespace {

class ClassifyLook : public test::ClassifyTest {
protected:
    // The names of the focusable controls in Tab order from the first.
    static QStringList tabOrder(QWidget *w, const char *first, int count)
    {
        QStringList out;
        QWidget *at = w->findChild<QWidget *>(QLatin1String(first));
        for (int i = 0; at && i < count; ++i) {
            out << at->objectName();
            do
                at = at->nextInFocusChain();
            while (at && !(at->focusPolicy() & Qt::TabFocus && at->isVisibleTo(w)));
        }
        return out;
    }
};

} // namespace

TEST_P(ClassifyLook, WindowsFitAndReadTopToBottom)
{
    dossier("01.02.01", 7, QStringLiteral("RICHIESTE DEI CITTADINI PER ACCESSO AGLI ATTI AMMINISTRATIVI"));
    dossier("01.02.01", 12345, QStringLiteral("BANDI"), QStringLiteral("2025-06-30"));
    seedProtocol(QStringLiteral("20250000042"));
    link(QStringLiteral("20250000042"), "01.02.01", 1);
    link(QStringLiteral("20250000042"), "01.02.01", 7);
    link(QStringLiteral("20250000042"), "01.02.01", 12345);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    const QString shots = db().folder();

    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child(reg, "CmdClassifica")->click();
    auto *c = qobject_cast<FrmInsClass *>(front(main));
    ASSERT_NE(c, nullptr);
    listClass(c, "01.02.01");
    child<QListWidget>(c, "LstSchedario")->item(0)->setSelected(true);
    test::expectFitsWithFieldsLabelled(main, c, shots + QStringLiteral("/chooser.png"));
    EXPECT_EQ(tabOrder(c, "CodTitolo", 8),
              (QStringList{QStringLiteral("CodTitolo"), QStringLiteral("CodCategoria"), QStringLiteral("CodClasse"),
                           QStringLiteral("cmdSchedarioSu"), QStringLiteral("cmdNuovoFascicolo"),
                           QStringLiteral("LstSchedario"), QStringLiteral("CmdConferma"), QStringLiteral("CmdEsci")}));

    child(c, "cmdNuovoFascicolo")->click();
    auto *light = qobject_cast<FrmFascicoliLight *>(front(main));
    ASSERT_NE(light, nullptr);
    edit(light, "TxtDescrizione", QStringLiteral("contributi"));
    EXPECT_EQ(text(light, "TxtDescrizione"), QStringLiteral("CONTRIBUTI")) << "typed in upper case";
    test::expectFitsWithFieldsLabelled(main, light, shots + QStringLiteral("/light.png"));
    light->dirty()->setClean();
    light->closeWindow();
    settle();

    test::bringForward(main, c);
    chooseAndConfirm(c, {});
    settle();
    ASSERT_EQ(front(main), reg);
    // The dossiers beside their buttons, each text whole or whole in its tip.
    for (const QString &cut : test::cutTexts(reg))
        EXPECT_FALSE(cut.startsWith(QLatin1String("LWClassifica"))) << cut.toStdString();
    const QPixmap registration = main->grab();
    EXPECT_TRUE(registration.save(shots + QStringLiteral("/registration.png")));
    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty())
        registration.save(keep + QStringLiteral("/registration.png"));

    FrmClassifica *cls = classify(QStringLiteral("20250000042"), FrmClassifica::kModifiable);
    ASSERT_NE(cls, nullptr);
    test::expectFitsWithFieldsLabelled(main, cls, shots + QStringLiteral("/classification.png"));
    auto *view = cls->findChild<QTableView *>(QStringLiteral("LWClassifica"));
    test::expectHeadingsWhole(view);
    // The dossier's code and the closing date whole on screen.
    const QFontMetrics fm = view->fontMetrics();
    EXPECT_GE(view->columnWidth(3), fm.horizontalAdvance(QStringLiteral("12345 - BANDI")));
    EXPECT_GE(view->columnWidth(4), fm.horizontalAdvance(QStringLiteral("chiuso il 30/06/2025")));
}

NIMBO_INSTANTIATE_ENGINES(ClassifyLook);
