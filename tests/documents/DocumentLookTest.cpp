// The document windows as a clerk sees them in the 1024x768 main window:
// each fits without being cut, every box has its caption, and a picture of
// each is saved (kept where NIMBO_TEST_SHOTS says) to be looked at.

#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "DocumentsFixture.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "documents/ImageStore.h"
#include "support/ImageFixture.h"

using namespace nimbo;

namespace {

class DocumentLook : public test::DocumentsTest {};

TEST_P(DocumentLook, EveryDocumentWindowFitsTheMainWindow)
{
    test::SaneTestDevice sane;
    seedProtocol(QStringLiteral("20250000300"), QStringLiteral("Richiesta di accesso agli atti"), false);
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER")});
    ASSERT_NE(main, nullptr);
    const QString number = QStringLiteral("20250000300");
    const QString shots = db().folder();

    auto *scan = qobject_cast<documents::FrmSCAN *>(openOn("FrmSCAN", QStringLiteral("E"), number));
    ASSERT_NE(scan, nullptr);
    child(scan, "cmdBottoni_3")->click();
    child<QSpinBox>(scan, "txtPagine")->setValue(2);
    child(scan, "cmdBottoni_1")->click();
    test::expectFitsWithFieldsLabelled(main, scan, shots + QStringLiteral("/FrmSCAN.png"));
    boxes.clear();
    child(scan, "cmdBottoni_2")->click();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    child(scan, "cmdBottoni_0")->click();
    settle();

    auto *view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), number));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->pageCount(), 2);
    test::expectFitsWithFieldsLabelled(main, view, shots + QStringLiteral("/FrmVisDocu1.png"));
    child(view, "cmdEsci")->click();
    settle();

    QTemporaryDir dir;
    const QString note = dir.filePath(QStringLiteral("nota di trasmissione.txt"));
    ASSERT_TRUE(test::writeFile(note, "Si trasmette la documentazione richiesta.\n"));
    auto *att = openAttachments(number);
    ASSERT_NE(att, nullptr);
    child<QLineEdit>(att, "txtFile")->setText(note);
    child<QLineEdit>(att, "txtDescrizione")->setText(QStringLiteral("Nota di trasmissione"));
    child(att, "cmdRegistra")->click();
    ASSERT_EQ(att->attachmentCount(), 1);
    test::expectFitsWithFieldsLabelled(main, att, shots + QStringLiteral("/frmProtAllegati.png"));

    auto *list = att->findChild<QTreeWidget *>(QStringLiteral("LWallegati"));
    ASSERT_NE(list, nullptr);
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(active(main));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->kind(), documents::FrmProtVisAllegati::Kind::Text);
    test::expectFitsWithFieldsLabelled(main, preview, shots + QStringLiteral("/frmProtVisAllegati.png"));
    child(preview, "cmdEsci")->click();
    child(att, "cmdEsci")->click();
    settle();

    QWidget *detail = openOn("frmDettaglioProtocollo", QString(), number);
    ASSERT_NE(detail, nullptr);
    test::expectFitsWithFieldsLabelled(main, detail, shots + QStringLiteral("/frmDettaglioProtocollo.png"));
}

// The look does not depend on the engine.
INSTANTIATE_TEST_SUITE_P(Engines, DocumentLook, ::testing::Values(Dialect::Engine::SQLite), test::engineName);

} // namespace
