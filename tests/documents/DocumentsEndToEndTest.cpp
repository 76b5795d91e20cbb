// A letter's paper and files, as DEMO9 handles them through the windows on
// both engines: he registers the letter, scans two pages from SANE's test
// scanner, appends a third, sees the three pages in the viewer (with the
// print range checks), attaches a PDF and previews it, and opens the detail
// view from the iter window. Every read of the documents is in the access
// log and the work folder is empty once the windows are closed.

#include <QLineEdit>
#include <QPdfWriter>
#include <QPainter>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "DocumentsFixture.h"
#include "documents/FrmDettaglioProtocollo.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "iter/FrmGestIter.h"
#include "platform/Scanner.h"

using namespace nimbo;

namespace {

class DocumentsEndToEnd : public test::DocumentsTest {};

void writePdf(const QString &path)
{
    QPdfWriter pdf(path);
    QPainter p(&pdf);
    p.drawText(QPointF(100, 100), QStringLiteral("Relazione tecnica"));
}

TEST_P(DocumentsEndToEnd, ScanAppendViewAttachAndDetail)
{
    test::SaneTestDevice sane;
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER"), QStringLiteral("SET COMPRESSO=1")});
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    const QString number = registerLetter(main, reg, QStringLiteral("Esposto con planimetrie"));
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // Two pages from the scanner, stored.
    ASSERT_TRUE(child(reg, "btnTB_4")->isEnabled());
    child(reg, "btnTB_4")->click();
    auto *scan = qobject_cast<documents::FrmSCAN *>(active(main));
    ASSERT_NE(scan, nullptr);
    child<QSpinBox>(scan, "txtPagine")->setValue(2);
    boxes.clear();
    child(scan, "cmdBottoni_1")->click();
    EXPECT_EQ(child<QLabel>(scan, "lblStato")->text(), QStringLiteral("Scansione pagina 2 effettuata."));
    EXPECT_EQ(child<QSpinBox>(scan, "cboPagina")->maximum(), 2);
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});

    // A third page after them, in a new scanning window.
    child(scan, "cmdBottoni_0")->click();
    QApplication::processEvents();
    child(reg, "btnTB_4")->click();
    scan = qobject_cast<documents::FrmSCAN *>(active(main));
    ASSERT_NE(scan, nullptr);
    child<QRadioButton>(scan, "optAccoda")->setChecked(true);
    boxes.clear();
    child(scan, "cmdBottoni_1")->click();
    EXPECT_EQ(child<QSpinBox>(scan, "cboPagina")->maximum(), 3) << boxes.texts().join(QLatin1Char('|')).toStdString();
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    child(scan, "cmdBottoni_0")->click();
    QApplication::processEvents();
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini WHERE Prot_Numero = '") + number + "'"), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Compresso FROM Tab_immagini")), QStringLiteral("1"));

    // The viewer shows the three pages; the print range is checked.
    child(reg, "btnTB_5")->click();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(active(main));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 3);
    EXPECT_EQ(child<QLabel>(view, "lblNumPagine")->text(), QStringLiteral("3"));
    EXPECT_EQ(child<QLabel>(view, "lblTitolo")->text(),
              QStringLiteral("Immagine documento Protocollo N. ") + shownNumber(number));
    child(view, "cmdSucc")->click();
    child(view, "cmdSucc")->click();
    EXPECT_EQ(view->currentPage(), 3);
    EXPECT_FALSE(child(view, "cmdSucc")->isEnabled());
    const struct { const char *from, *to, *message; } ranges[] = {
        {"4", "4", "la pagina di partenza non può essere superiore al numero totale di pagine del documento "},
        {"3", "2", "la pagina di partenza non può essere superiore alla pagina finale del documento "},
        {"a", "2", "indicare un valore numerico"},
    };
    for (const auto &r : ranges) {
        child<QLineEdit>(view, "txtDa")->setText(QString::fromLatin1(r.from));
        child<QLineEdit>(view, "txtA")->setText(QString::fromLatin1(r.to));
        boxes.clear();
        child(view, "cmdStampa")->click();
        EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(r.message)});
    }
    // Pages 2-3 printed to a PDF through the report printer; a copy saved.
    QTemporaryDir out;
    DicAmbiente::session().cfg.stampanteReport = QStringLiteral("PDF");
    child<QLineEdit>(view, "txtDa")->setText(QStringLiteral("2"));
    child<QLineEdit>(view, "txtA")->setText(QStringLiteral("3"));
    boxes.clear();
    boxes.files << out.filePath(QStringLiteral("stampa.pdf")) << out.filePath(QStringLiteral("Prot_copia.tif"));
    child(view, "cmdStampa")->click();
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_GT(QFileInfo(out.filePath(QStringLiteral("stampa.pdf"))).size(), 0);
    child(view, "cmdSalva")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    EXPECT_EQ(scanner::pageCount(out.filePath(QStringLiteral("Prot_copia.tif"))), 3);
    child(view, "cmdEsci")->click();
    QApplication::processEvents();

    // A PDF attached and previewed.
    QTemporaryDir files;
    const QString pdf = files.filePath(QStringLiteral("relazione.pdf"));
    writePdf(pdf);
    child(reg, "btnTB_7")->click();
    auto *att = qobject_cast<documents::FrmProtAllegati *>(active(main));
    ASSERT_NE(att, nullptr);
    EXPECT_TRUE(att->mayChange());
    EXPECT_EQ(att->attachmentCount(), 0);
    boxes.clear();
    boxes.files << pdf;
    child(att, "cmdScegli")->click();
    child(att, "cmdRegistra")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("inserire la descrizione dell'allegato")});
    child<QLineEdit>(att, "txtDescrizione")->setText(QStringLiteral("Relazione tecnica"));
    boxes.clear();
    child(att, "cmdRegistra")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    ASSERT_EQ(att->attachmentCount(), 1);
    auto *list = child<QTreeWidget>(att, "LWallegati");
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    auto *preview = qobject_cast<documents::FrmProtVisAllegati *>(active(main));
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->kind(), documents::FrmProtVisAllegati::Kind::Pdf);
    EXPECT_EQ(preview->pdfPages(), 1);
    QFile stored(preview->file());
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    QFile original(pdf);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stored.readAll() == original.readAll());
    stored.close();
    EXPECT_TRUE(opened.isEmpty());
    child(preview, "cmdEsci")->click();
    child(att, "cmdEsci")->click();
    QApplication::processEvents();

    // Every read of the documents is in the access log.
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO WHERE Utente = 'DEMO9' AND NumProtocollo = '")
                    + number + "'"),
              3);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO WHERE IDAllegato IS NOT NULL")), 1);

    // The detail view from the iter window.
    auto *gest = qobject_cast<iter::FrmGestIter *>(menu(main, "mnuiter"));
    ASSERT_NE(gest, nullptr);
    gest->showProtocol(QStringLiteral("E"), number);
    ASSERT_TRUE(child(gest, "cmdDettaglio")->isEnabled());
    child(gest, "cmdDettaglio")->click();
    auto *detail = qobject_cast<documents::FrmDettaglioProtocollo *>(active(main));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(text(detail, "txtNumeroProto"), shownNumber(number));
    EXPECT_EQ(text(detail, "TxtOggetto"), QStringLiteral("Esposto con planimetrie"));
    EXPECT_EQ(child<QTreeWidget>(detail, "lswIter")->topLevelItemCount(), 0);
    test::expectFitsWithFieldsLabelled(main, detail, db().folder() + QStringLiteral("/dettaglio.png"));
    child(detail, "cmdEsci")->click();
    reg->dirty()->setClean();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
    // The windows left nothing in the work folder.
    EXPECT_TRUE(workFiles().isEmpty()) << workFiles().join(QLatin1Char(' ')).toStdString();
}

NIMBO_INSTANTIATE_ENGINES(DocumentsEndToEnd);

} // namespace
