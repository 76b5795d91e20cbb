// The document windows on both engines, each on its own: an image kept on
// the workstation (SERVERIMG not "SERVER") shown by the viewer, a reserved
// protocol's image refused to an operator without the right (and the
// refusal logged), the detail view's lines, masking and refusal, hostile
// attachment names, a delete that partly fails, and the scanner windows
// with and without a scanner.

#include <QFile>
#include <QListWidget>
#include <QMdiArea>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>

#include "DocumentsFixture.h"
#include "documents/FrmDettaglioProtocollo.h"
#include "documents/FrmProtAllegati.h"
#include "documents/FrmSCAN.h"
#include "documents/FrmVisDocu1.h"
#include "documents/ImageStore.h"
#include "documents/ScannerSource.h"
#include "support/ImageFixture.h"
#include "platform/Busy.h"
#include "platform/Scanner.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;

namespace {

class DocumentWindows : public test::DocumentsTest {
protected:
    // A reserved protocol with one assignment to two recipients.
    void seedReserved()
    {
        seedProtocol(QStringLiteral("20250000123"), QStringLiteral("Esposto riservato"), true);
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_Annotazioni) VALUES "
                           "('001', 'E', '20250000123', '20250304101500', 4, 'UPR', 'DEMO9', 'da vedere')"));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione, "
                           "Tab_DataEffettivaAssegnazione) VALUES "
                           "('001', 'E', '20250000123', '20250304101500', 'UPR', 2, 2, '2025-03-04 10:16:00'), "
                           "('001', 'E', '20250000123', '20250304101500', 'RAG', 0, 1, '2025-03-04 10:15:30')"));
    }
};

TEST_P(DocumentWindows, LocalImageIsShownAndReservedOnesAreRefused)
{
    test::SaneTestDevice sane;
    seedReserved();
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=LOCALE")});
    ASSERT_NE(main, nullptr);
    auto *scan = qobject_cast<documents::FrmSCAN *>(openOn("FrmSCAN", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(scan, nullptr);
    boxes.clear();
    child(scan, "cmdBottoni_1")->click();
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    child(scan, "cmdBottoni_0")->click();
    QSqlQuery local(db().local());
    ASSERT_TRUE(local.exec(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini WHERE Prot_Numero = '20250000123'")) && local.next());
    EXPECT_EQ(local.value(0).toInt(), 1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Tab_immagini")), 0);
    // Its registering operator sees it from the workstation's copy.
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 1);
    child(view, "cmdEsci")->click();
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();

    // DEMO7 holds no privacy right: refused, and the refusal is logged.
    main = start(QStringLiteral("DEMO7"), {QStringLiteral("SET SERVERIMG=LOCALE")});
    ASSERT_NE(main, nullptr);
    boxes.clear();
    view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(boxes.texts(), QStringList{image::kPrivacyRefused});
    EXPECT_EQ(view->pageCount(), 0);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO WHERE Utente = 'DEMO7' AND "
                                   "Funzione LIKE '%negato'")),
              1);
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Log_ACCESSI_PROTO WHERE Utente = 'DEMO9'")), 1);
    // The detail view masks the subject for him.
    auto *detail = qobject_cast<documents::FrmDettaglioProtocollo *>(
        openOn("frmDettaglioProtocollo", QString(), QStringLiteral("20250000123")));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(text(detail, "TxtOggetto"), QString::fromLatin1(protocol::scope::kTrayMask));
}

TEST_P(DocumentWindows, DetailShowsTheIterAndRefusesUnknownNumbers)
{
    seedReserved();
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    boxes.clear();
    openOn("frmDettaglioProtocollo", QString(), QStringLiteral("20259999999"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Impossibile visualizzare il documento richiesto")});
    QApplication::processEvents();
    EXPECT_EQ(active(main), nullptr);

    auto *detail = qobject_cast<documents::FrmDettaglioProtocollo *>(
        openOn("frmDettaglioProtocollo", QString(), QStringLiteral("20250000123")));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(text(detail, "txtNumeroProto"), QStringLiteral("2025-0000123"));
    EXPECT_EQ(text(detail, "TxtDataProtocollo"), QStringLiteral("04/03/2025"));
    EXPECT_EQ(text(detail, "TxtMittenteDestinatario"), QString()); // no address-book row, still shown
    EXPECT_EQ(text(detail, "TxtOggetto"), QStringLiteral("Esposto riservato"));
    auto *iter = child<QTreeWidget>(detail, "lswIter");
    ASSERT_EQ(iter->topLevelItemCount(), 3);
    EXPECT_EQ(iter->topLevelItem(0)->text(0), QStringLiteral("04/03/2025 10:15:00"));
    EXPECT_EQ(iter->topLevelItem(0)->text(1), QStringLiteral("Assegnazione"));
    EXPECT_EQ(iter->topLevelItem(0)->text(5), QStringLiteral("da vedere"));
    const QString blanks(19, QLatin1Char(' '));
    EXPECT_EQ(iter->topLevelItem(1)->text(0), blanks + QStringLiteral("a: 04/03/2025 10:15:30"));
    EXPECT_EQ(iter->topLevelItem(2)->text(0), blanks + QStringLiteral("a: 04/03/2025 10:16:00"));
    EXPECT_EQ(iter->topLevelItem(2)->text(4), QStringLiteral("BIANCHI ANNA"));
    EXPECT_FALSE(iter->topLevelItem(1)->text(3).isEmpty());
    EXPECT_TRUE(iter->topLevelItem(1)->text(4).isEmpty());
    // Times, kinds and operators whole; names and notes with their tips.
    QApplication::processEvents();
    EXPECT_EQ(test::cutTexts(detail).join(QLatin1Char('\n')).toStdString(), "");
}

TEST_P(DocumentWindows, HostileNamesAndAPartlyFailedDelete)
{
    seedReserved();
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET COMPRESSO=0")});
    ASSERT_NE(main, nullptr);
    QTemporaryDir dir;
    // A file whose name holds a line break, as a mail client may save it.
    const QString odd = dir.filePath(QStringLiteral("nota\nfinale.txt"));
    ASSERT_TRUE(test::writeFile(odd, "testo della nota\n"));
    auto *att = openAttachments(QStringLiteral("20250000123"));
    ASSERT_NE(att, nullptr);
    for (const char *desc : {"Nota", "Seconda nota"}) {
        child<QLineEdit>(att, "txtFile")->setText(odd);
        child<QLineEdit>(att, "txtDescrizione")->setText(QString::fromLatin1(desc));
        child(att, "cmdRegistra")->click();
    }
    ASSERT_EQ(att->attachmentCount(), 2);
    // A stored name that climbs out of the folder is written inside it.
    sql(QStringLiteral("UPDATE Tab_allegati SET Nome_allegato = '../../x' WHERE Descrizione_allegato = 'Seconda nota'"));
    QFile trap(tempOle() + QStringLiteral("/x"));
    ASSERT_TRUE(trap.open(QIODevice::WriteOnly));
    trap.write("gia presente");
    trap.close();
    const qlonglong second = scalar(QStringLiteral("SELECT Id_allegato FROM Tab_allegati WHERE Nome_allegato = '../../x'")).toLongLong();
    const qlonglong first = scalar(QStringLiteral("SELECT Id_allegato FROM Tab_allegati WHERE Nome_allegato <> '../../x'")).toLongLong();
    QStringList written;
    for (const qlonglong id : {first, second}) {
        auto *p = qobject_cast<documents::FrmProtVisAllegati *>(WindowRegistry::open(QStringLiteral("frmProtVisAllegati")));
        ASSERT_NE(p, nullptr);
        ASSERT_TRUE(p->setAttachment(id, scalar(QStringLiteral("SELECT Nome_allegato FROM Tab_allegati WHERE Id_allegato = ")
                                                + QString::number(id))));
        written << QFileInfo(p->file()).fileName();
        EXPECT_EQ(QFileInfo(p->file()).absolutePath(), QFileInfo(tempOle()).absoluteFilePath());
        EXPECT_EQ(p->kind(), documents::FrmProtVisAllegati::Kind::Text);
    }
    EXPECT_EQ(written, (QStringList{QStringLiteral("nota_finale.txt"), QStringLiteral("x (2)")}));
    ASSERT_TRUE(trap.open(QIODevice::ReadOnly));
    EXPECT_EQ(trap.readAll(), QByteArray("gia presente"));
    trap.close();
    EXPECT_FALSE(QFile::exists(db().folder() + QStringLiteral("/../x")));

    // One of the two goes behind the window's back: the delete says which failed.
    auto *list = child<QTreeWidget>(att, "LWallegati");
    list->selectAll();
    sql(QStringLiteral("DELETE FROM Tab_allegati WHERE Id_allegato = ") + QString::number(first));
    boxes.clear();
    child(att, "cmdCancella")->click();
    ASSERT_EQ(boxes.shown.size(), 2);
    EXPECT_EQ(boxes.shown[1].text.section(QLatin1Char('\n'), 0, 0),
              QStringLiteral("ATTENZIONE ! Errore di cancellazione dell'allegato..."));
    EXPECT_TRUE(boxes.shown[1].text.contains(QStringLiteral("nota finale.txt")));
    EXPECT_EQ(att->attachmentCount(), 0);

    // Consultation callers only look.
    QMetaObject::invokeMethod(att, "setCaller", Q_ARG(QString, QStringLiteral("FRMITER")));
    EXPECT_FALSE(att->mayChange());
    EXPECT_FALSE(child(att, "cmdCancella")->isVisible());
}

TEST_P(DocumentWindows, ScannerListAndNoScanner)
{
    {
        test::SaneTestDevice sane;
        MDIMenu *main = start(QStringLiteral("DEMO9"));
        ASSERT_NE(main, nullptr);
        auto *source = qobject_cast<documents::ScannerSource *>(menu(main, "MnuScanner"));
        ASSERT_NE(source, nullptr);
        auto *list = child<QListWidget>(source, "LwScanner");
        ASSERT_EQ(list->count(), 1);
        list->setCurrentRow(0);
        child(source, "cmdSeleziona")->click();
        EXPECT_EQ(documents::preferredScanner(), QStringLiteral("test:0"));
    }
    test::SaneTestDevice none(false);
    seedReserved();
    auto *scan = qobject_cast<documents::FrmSCAN *>(openOn("FrmSCAN", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(scan, nullptr);
    boxes.clear();
    child(scan, "cmdBottoni_3")->click();
    child(scan, "cmdBottoni_1")->click();
    EXPECT_EQ(boxes.texts(), (QStringList{QString::fromLatin1(scanner::kNoScanner), QString::fromLatin1(scanner::kNoScanner)}));
    EXPECT_FALSE(child(scan, "cmdBottoni_2")->isEnabled());
}

TEST_P(DocumentWindows, TheInTrayOpensTheDetailAndTheAttachmentsToLookAt)
{
    seedReserved();
    // A delivery of today to UPR, pending.
    const QString serial = QDate::currentDate().toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("090000");
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe) VALUES "
                       "('001', 'E', '20250000123', '%1', 4, 'UPR', 'DEMO9')").arg(serial));
    sql(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES "
                       "('001', 'E', '20250000123', '%1', 'UPR', 0)").arg(serial));
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    QWidget *gest = menu(main, "mnuiter");
    ASSERT_NE(gest, nullptr);
    child(gest, "cmdArrivo")->click();
    QWidget *tray = active(main);
    ASSERT_NE(tray, nullptr);
    auto *view = tray->findChild<QTableView *>(QStringLiteral("lswArrivo"));
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->model()->rowCount(), 1);
    view->setCurrentIndex(view->model()->index(0, 1));
    ASSERT_TRUE(child(tray, "cmdDettaglio")->isEnabled());
    child(tray, "cmdDettaglio")->click();
    auto *detail = qobject_cast<documents::FrmDettaglioProtocollo *>(active(main));
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(text(detail, "txtNumeroProto"), QStringLiteral("2025-0000123"));
    EXPECT_EQ(child<QTreeWidget>(detail, "lswIter")->topLevelItemCount(), 4);
    // Closed, it gives the clerk back the tray it was opened from, not the
    // window opened first.
    press(main, "ESCI");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(active(main), tray);
    EXPECT_EQ(main->area()->subWindowList().size(), 2);
    child(tray, "cmdDettaglio")->click();
    ASSERT_NE(qobject_cast<documents::FrmDettaglioProtocollo *>(active(main)), nullptr);
    test::bringForward(main, gest);
    main->findChild<documents::FrmDettaglioProtocollo *>()->closeWindow();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(active(main), gest) << "closing a window behind leaves the one in front";
    test::bringForward(main, tray);
    boxes.clear();
    child(tray, "cmdAllegati")->click();
    auto *att = qobject_cast<documents::FrmProtAllegati *>(active(main));
    ASSERT_NE(att, nullptr);
    EXPECT_FALSE(att->mayChange());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Non vi sono documenti allegati per il protocollo in esame")});
}

TEST_P(DocumentWindows, TwoHundredPagesShowProgressAndComeBackWhole)
{
    test::SaneTestDevice sane(true, 25);
    seedReserved();
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET SERVERIMG=SERVER"), QStringLiteral("SET COMPRESSO=1")});
    ASSERT_NE(main, nullptr);
    auto *scan = qobject_cast<documents::FrmSCAN *>(openOn("FrmSCAN", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(scan, nullptr);
    // Every page is told while the scan runs, through the wait text the
    // main window shows.
    QStringList told;
    const int listener = busy::addListener([&] {
        if (busy::waitText().startsWith(QLatin1String("Scansione pagina")) && !told.contains(busy::waitText()))
            told << busy::waitText();
    });
    child<QSpinBox>(scan, "txtPagine")->setValue(200);
    boxes.clear();
    child(scan, "cmdBottoni_1")->click();
    busy::removeListener(listener);
    EXPECT_EQ(told.size(), 200);
    EXPECT_EQ(told.value(199), QStringLiteral("Scansione pagina 200 effettuata."));
    child(scan, "cmdBottoni_2")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Registrazione effettuata")});
    const QString work = scan->workFile();
    auto *view = qobject_cast<documents::FrmVisDocu1 *>(openOn("FrmVisDocu1", QStringLiteral("E"), QStringLiteral("20250000123")));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->pageCount(), 200);
    EXPECT_EQ(scanner::page(work, 200), scanner::page(work, 1));
}

NIMBO_INSTANTIATE_ENGINES(DocumentWindows);

} // namespace
