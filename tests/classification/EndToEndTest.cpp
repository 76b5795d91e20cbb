// Classification from end to end, as the clerks drive it on both engines:
// a new title, category and class kept through the menu, a dossier made
// from the chooser of the registration window, a letter registered into it,
// found in the summary of classified protocols and exported to a workbook
// that another reader opens.

#include <QTemporaryDir>
#include <QTreeView>

#include "ClassifyFixture.h"
#include "ListRows.h"
#include "SummaryFixture.h"
#include "classification/SummaryTree.h"
#include "classification/SummaryWindow.h"

using namespace nimbo;
using namespace nimbo::classification;

namespace {

class EndToEnd : public test::ClassifyTest {
protected:
    void SetUp() override
    {
        ClassifyTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerSchemeWindows();
        registerSummaryWindows();
    }
    // A new element of the scheme window in front: NUOVO, code, description,
    // REGISTRA, nothing said.
    void newElement(MDIMenu *main, QWidget *w, const QString &code, const QString &description)
    {
        press(main, "NUOVO");
        edit(w, "TxtCodCate", code);
        edit(w, "TxtDesCate", description);
        boxes.clear();
        press(main, "REGISTRA");
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    }
};

TEST_P(EndToEnd, SchemeDossierRegistrationSummaryAndWorkbook)
{
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);

    // The scheme: title, category and class, each from the window above.
    QWidget *titles = menu(main, "mnucatcla");
    ASSERT_NE(titles, nullptr);
    newElement(main, titles, QStringLiteral("T77"), QStringLiteral("TUTELA DELLA SALUTE"));
    test::chooseRow(titles, "LwTitoli", QStringLiteral("T77"));
    child(titles, "CmdCategorie")->click();
    QWidget *categories = front(main);
    ASSERT_NE(categories, nullptr);
    ASSERT_EQ(categories->objectName(), QStringLiteral("FrmCategorie"));
    newElement(main, categories, QStringLiteral("C1"), QStringLiteral("VACCINAZIONI"));
    test::chooseRow(categories, "LwCategorie", QStringLiteral("C1"));
    child(categories, "CmdClassi")->click();
    QWidget *classes = front(main);
    ASSERT_NE(classes, nullptr);
    ASSERT_EQ(classes->objectName(), QStringLiteral("frmClassi"));
    newElement(main, classes, QStringLiteral("K1"), QStringLiteral("CAMPAGNE ANTINFLUENZALI"));

    // A letter registered into a dossier made on the spot from the chooser.
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("CALENDARIO DELLA CAMPAGNA VACCINALE"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    child(reg, "CmdClassifica")->click();
    auto *chooser = qobject_cast<FrmInsClass *>(front(main));
    ASSERT_NE(chooser, nullptr);
    listClass(chooser, "T77.C1.K1");
    EXPECT_TRUE(items(chooser).isEmpty()) << "a class just made has no dossier";
    child(chooser, "cmdNuovoFascicolo")->click();
    QWidget *light = front(main);
    ASSERT_NE(light, nullptr);
    ASSERT_EQ(light->objectName(), QStringLiteral("frmFascicoliLighT"));
    edit(light, "TxtDescrizione", QStringLiteral("campagna 2026-2027"));
    boxes.clear();
    child(light, "CmdRegistra")->click();
    ASSERT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    settle();
    const QString dossierItem = QStringLiteral("00001 - CAMPAGNA 2026-2027");
    ASSERT_EQ(items(chooser), QStringList{dossierItem});
    // The new dossier comes back chosen: the clerk only confirms.
    ASSERT_TRUE(child<QListWidget>(chooser, "LstSchedario")->item(0)->isSelected());
    child(chooser, "CmdConferma")->click();
    settle();
    ASSERT_EQ(treeRows(reg, "LWClassifica"),
              QStringList{QStringLiteral("T77 - TUTELA DELLA SALUTE|C1 - VACCINAZIONI|K1 - CAMPAGNE ANTINFLUENZALI|")
                          + dossierItem});
    boxes.answers = {Answer::Yes}; // a similar subject, if any, is fine
    press(main, "REGISTRA");
    const QString number = storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString shownNumber = number.left(4) + QLatin1Char('-') + number.mid(4);

    // Found in the summary under its dossier and exported.
    auto *summary = qobject_cast<FrmRiepFascicoli *>(menu(main, "MnuConsulta"));
    ASSERT_NE(summary, nullptr);
    const QString today = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));
    child<QLineEdit>(summary, "TxtDataDal")->setText(QStringLiteral("01/01/") + number.left(4));
    child<QLineEdit>(summary, "TxtDataAl")->setText(today);
    QModelIndex at;
    for (const QString &code : {QStringLiteral("T77"), QStringLiteral("C1"), QStringLiteral("K1"),
                                QStringLiteral("00001")}) {
        if (at.isValid()) {
            summary->treeView()->expand(at);
            QCoreApplication::processEvents();
        }
        at = summary->tree()->child(at, code);
        ASSERT_TRUE(at.isValid()) << code.toStdString();
    }
    summary->treeView()->setCurrentIndex(at);
    QCoreApplication::processEvents();
    ASSERT_EQ(summary->list()->count(), 1);
    EXPECT_EQ(summary->list()->text(0, summary::ColNumber), shownNumber);
    EXPECT_EQ(summary->list()->text(0, summary::ColSubject), QStringLiteral("CALENDARIO DELLA CAMPAGNA VACCINALE"));

    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("Protocolli Classificati.xlsx"));
    boxes.clear();
    boxes.files << file;
    child(summary, "CmdEsporta")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Generazione del file EXCEL completata.")});
    QString error;
    const QJsonArray rows = test::summary::readWorkbook(file, &error);
    ASSERT_EQ(rows.size(), 5) << error.toStdString(); // title, subtitle, blank, headings, the letter
    EXPECT_EQ(test::summary::cell(rows, 3, 1), QStringLiteral("N. Protocollo"));
    EXPECT_TRUE(test::summary::cell(rows, 4, 0).startsWith(QLatin1Char('E'))) << test::summary::cell(rows, 4, 0).toStdString();
    EXPECT_EQ(test::summary::cell(rows, 4, 1), shownNumber);
    EXPECT_EQ(test::summary::cell(rows, 4, 3), QStringLiteral("CALENDARIO DELLA CAMPAGNA VACCINALE"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(EndToEnd);
