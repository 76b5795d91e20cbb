// "Ricerca Protocolli Classificati" as a clerk uses it, on both engines:
// chosen from the menu, the tree opened level by level, a class and a
// dossier listed, the detail and the scanned documents, the export read
// back by another reader; reserved protocols masked in the list and in the
// file for an operator whose privacy right is empty or "N"; a level-6
// operator sees only his own registrations; a long export shows its
// progress and, cancelled, leaves no file.

#include <QAbstractItemModelTester>
#include <QDir>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include "SummaryFixture.h"
#include "classification/Classification.h"
#include "classification/SummaryTree.h"
#include "classification/SummaryWindow.h"
#include "documents/Documents.h"
#include "ui/RowList.h"
#include "ui/UiFixture.h"

using namespace nimbo;
using namespace nimbo::classification;
using namespace nimbo::test::summary;

namespace {

class SummaryWindow : public test::MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        seedRegister(db().central());
        registerSummaryWindows();
        documents::registerDocumentWindows();
    }
    // Logs in with the given privacy right, chooses the menu item and sets
    // the period to 2024.
    FrmRiepFascicoli *open(const char *code, const char *privacy)
    {
        exec(db().central(), s("UPDATE Tab_Operatori SET Op_AbilPrivacy = ? WHERE Op_Codice_Operatore = ?"),
             {s(privacy), s(code)});
        main = logIn(s(code), s(code).toLower() + s("pwd"));
        if (!main)
            return nullptr;
        main->resize(1024, 768);
        boxes.clear();
        auto *w = qobject_cast<FrmRiepFascicoli *>(menu(main, "MnuConsulta"));
        EXPECT_NE(w, nullptr);
        if (w) {
            w->findChild<QLineEdit *>(s("TxtDataDal"))->setText(s("01/01/2024"));
            w->findChild<QLineEdit *>(s("TxtDataAl"))->setText(s("31/12/2024"));
        }
        return w;
    }
    // Opens the tree down to the codes as the clerk does, by expanding each
    // node; the last node.
    static QModelIndex reach(FrmRiepFascicoli *w, const QStringList &codes)
    {
        QModelIndex at;
        for (const QString &code : codes) {
            if (at.isValid()) {
                w->treeView()->expand(at);
                QCoreApplication::processEvents();
            }
            QModelIndex next;
            for (int r = 0; r < w->tree()->rowCount(at); ++r)
                if (w->tree()->path(w->tree()->index(r, 0, at)).last() == code)
                    next = w->tree()->index(r, 0, at);
            EXPECT_TRUE(next.isValid()) << code.toStdString();
            at = next;
        }
        return at;
    }
    static void choose(FrmRiepFascicoli *w, const QStringList &codes)
    {
        w->treeView()->setCurrentIndex(reach(w, codes));
        QCoreApplication::processEvents();
    }
    static QString numbers(FrmRiepFascicoli *w)
    {
        QStringList out;
        for (int r = 0; r < w->list()->count(); ++r)
            out << w->list()->text(r, summary::ColNumber);
        return out.join(QLatin1Char(','));
    }
    static void pickRow(FrmRiepFascicoli *w, const QString &number)
    {
        ASSERT_TRUE(w->list()->select(summary::ColNumber, number)) << number.toStdString();
    }
    QJsonArray exportTo(FrmRiepFascicoli *w, const QString &path, QString written = {})
    {
        boxes.clear();
        boxes.files << path;
        if (written.isEmpty())
            written = path;
        child(w, "CmdEsporta")->click();
        EXPECT_EQ(boxes.texts().join(QLatin1Char('|')), s("Generazione del file EXCEL completata."));
        QString error;
        const QJsonArray rows = readWorkbook(written, &error);
        EXPECT_FALSE(rows.isEmpty()) << error.toStdString();
        return rows;
    }

    MDIMenu *main = nullptr;
    QTemporaryDir out;
};

const QString kStars = s("*****************************************");

TEST_P(SummaryWindow, ClerkWalksTheTreeListsOpensAndExportsWithAnEmptyPrivacyRight)
{
    FrmRiepFascicoli *w = open("DEMO9", "");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), s("FrmRiepFascicoli"));
    // Only the titles are read when the window opens.
    EXPECT_EQ(w->tree()->fetchedNodes(), 1);
    const QModelIndex k9 = reach(w, {s("T9"), s("C9"), s("K9")});
    EXPECT_EQ(w->tree()->fetchedNodes(), 3);
    EXPECT_EQ(w->tree()->data(k9.siblingAtColumn(1)).toString(), s("Attivo"));
    const QModelIndex k8 = w->tree()->index(0, 0, k9.parent());
    EXPECT_EQ(w->tree()->data(k8).toString(), s("K8 - CLASSE DISMESSA"));
    EXPECT_EQ(w->tree()->data(k8.siblingAtColumn(1)).toString(), s("Non attivo"));

    // The class: each protocol once, by number, the reserved one masked.
    choose(w, {s("T9"), s("C9"), s("K9")});
    EXPECT_EQ(numbers(w), s("2024-0000001,2024-0000002,2024-0000003,2024-0000006"));
    EXPECT_EQ(test::shownText(w, "LblElenco"), s("Documenti appartenenti alla classe: T9.C9.K9 - CLASSE DI PROVA"));
    EXPECT_EQ(test::shownText(w, "LblTotale"), s("Sono stati trovati N. 4 Protocolli"));
    EXPECT_EQ(w->list()->text(1, summary::ColSubject), kStars);
    EXPECT_EQ(w->list()->text(1, summary::ColHolder), kStars);
    EXPECT_EQ(w->list()->text(0, summary::ColSubject), s("OGGETTO DEL 20240000001"));
    EXPECT_EQ(w->list()->text(0, summary::ColDate), s("01/02/2024"));

    // A dossier of it, closed, with its closing date in the tree.
    const QModelIndex two = reach(w, {s("T9"), s("C9"), s("K9"), s("00002")});
    EXPECT_EQ(w->tree()->data(two.siblingAtColumn(1)).toString(), s("Chiuso il 30/06/2024"));
    choose(w, {s("T9"), s("C9"), s("K9"), s("00002")});
    EXPECT_EQ(numbers(w), s("2024-0000002,2024-0000003"));
    EXPECT_EQ(test::shownText(w, "LblElenco"), s("Documenti inseriti nel fascicolo: T9.C9.K9.00002 - FASCICOLO DUE"));

    // A wrong period leaves the list as it was.
    w->findChild<QLineEdit *>(s("TxtDataAl"))->setText(s("31/13/2024"));
    boxes.clear();
    child(w, "CmdVisualizza")->click();
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')), s("inserire una data corretta"));
    EXPECT_EQ(w->list()->count(), 2);
    w->findChild<QLineEdit *>(s("TxtDataAl"))->setText(s("31/12/2024"));

    // The reserved protocol's documents stay closed.
    pickRow(w, s("2024-0000002"));
    boxes.clear();
    child(w, "CmdDocumenti")->click();
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')),
              s("Documento soggetto a privacy. L'utente non ha le autorizzazioni necessarie per consultarlo."));

    // The export: no name, then the file, read back by another reader.
    boxes.clear();
    child(w, "CmdEsporta")->click();
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')),
              s("Per completare l'operazione è necessario specificare il nome del file"));
    const QJsonArray rows = exportTo(w, out.filePath(s("Protocolli Classificati.xlsx")));
    ASSERT_EQ(rows.size(), 6);
    EXPECT_TRUE(cell(rows, 0, 0).contains(s("Documenti inseriti nel fascicolo: T9.C9.K9.00002"))) << cell(rows, 0, 0).toStdString();
    EXPECT_TRUE(cell(rows, 1, 0).contains(s("01/01/2024"))) << cell(rows, 1, 0).toStdString();
    EXPECT_EQ(cell(rows, 3, 0), s("Tipo"));
    EXPECT_EQ(cell(rows, 3, 10), s("Uffici Destinatari"));
    // Protocol 2 is outgoing: its masked recipient and address.
    EXPECT_EQ(cell(rows, 4, 1), s("2024-0000002"));
    EXPECT_EQ(cell(rows, 4, 2), s("date:2024-03-01"));
    EXPECT_EQ(cell(rows, 4, 3), kStars);
    EXPECT_EQ(cell(rows, 4, 6), kStars);
    EXPECT_EQ(cell(rows, 4, 7), kStars);
    EXPECT_EQ(cell(rows, 5, 1), s("2024-0000003"));
    EXPECT_TRUE(cell(rows, 5, 8).startsWith(s("PRESO IN CARICO DA "))) << cell(rows, 5, 8).toStdString();
    for (const QString &name : QDir(out.path()).entryList(QDir::Files | QDir::Hidden))
        EXPECT_EQ(name, s("Protocolli Classificati.xlsx"));

    // The read-only detail of the chosen protocol.
    pickRow(w, s("2024-0000003"));
    child(w, "CmdDettaglio")->click();
    QWidget *detail = active(main);
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->objectName(), s("frmDettaglioProtocollo"));
    EXPECT_EQ(text(detail, "txtNumeroProto"), s("2024-0000003"));

    // Last, since it opens every node of the tree.
    QAbstractItemModelTester tester(w->tree(), QAbstractItemModelTester::FailureReportingMode::Warning);
}

TEST_P(SummaryWindow, PrivacyRightNMasksListAndFileAndTheWindowFits)
{
    FrmRiepFascicoli *w = open("DEMO9", "N");
    ASSERT_NE(w, nullptr);
    choose(w, {s("T9"), s("C9"), s("K9"), s("00001")});
    EXPECT_EQ(numbers(w), s("2024-0000001,2024-0000002,2024-0000006"));
    EXPECT_EQ(w->list()->text(1, summary::ColSubject), kStars);
    // The suffix is added to a name typed without it.
    const QJsonArray rows = exportTo(w, out.filePath(s("riservati")), out.filePath(s("riservati.xlsx")));
    ASSERT_EQ(rows.size(), 7);
    EXPECT_EQ(cell(rows, 5, 3), kStars);
    EXPECT_EQ(cell(rows, 5, 6), kStars);
    EXPECT_EQ(cell(rows, 4, 3), s("OGGETTO DEL 20240000001"));
    EXPECT_EQ(cell(rows, 4, 4), s("REGIONE BASILICATA"));
    EXPECT_EQ(cell(rows, 4, 8), s("Assegnazione"));
    w->treeView()->expandAll();
    test::expectFitsWithFieldsLabelled(main, w, out.filePath(s("summary.png")));
}

TEST_P(SummaryWindow, LevelSixSeesOnlyHisOwnRegistrations)
{
    FrmRiepFascicoli *w = open("DEMO6", "S");
    ASSERT_NE(w, nullptr);
    choose(w, {s("T9"), s("C9"), s("K9")});
    EXPECT_EQ(numbers(w), s("2024-0000001"));
}

TEST_P(SummaryWindow, LongExportShowsProgressAndCancelledLeavesNoFile)
{
    // 2100 more protocols in dossier 1, in one statement per table.
    QStringList protocols, links;
    for (int n = 100; n < 2200; ++n) {
        protocols << QStringLiteral("('001', 'E', '%1', '2024-06-01', 'MASSIVO %2', 'PRO', 'UPR', 'DEMO9', 'N', 'A', 1, 'LET')")
                         .arg(number(n))
                         .arg(n);
        links << QStringLiteral("('001', 'E', '%1', 'T9', 'C9', 'K9', 1, 'P')").arg(number(n));
    }
    exec(db().central(), s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ")
                             + protocols.join(s(", ")));
    exec(db().central(), s("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Titolo, "
                           "Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, Tab_Provenienza) VALUES ")
                             + links.join(s(", ")));
    FrmRiepFascicoli *w = open("DEMO9", "S");
    ASSERT_NE(w, nullptr);
    choose(w, {s("T9"), s("C9"), s("K9"), s("00001")});
    ASSERT_EQ(w->list()->count(), 2103);

    // The clerk presses "Annulla" while the export runs.
    bool sawProgress = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        for (QWidget *top : QApplication::topLevelWidgets())
            for (auto *p : top->findChildren<QProgressDialog *>(s("ProgressEsporta")))
                if (p->value() > 0) {
                    sawProgress = true;
                    p->cancel();
                }
    });
    cancel.start(0);
    const QString path = out.filePath(s("lungo.xlsx"));
    boxes.clear();
    boxes.files << path;
    child(w, "CmdEsporta")->click();
    cancel.stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')), s("Esportazione annullata: il file non è stato scritto."));
    EXPECT_TRUE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());

    // Not cancelled: every listed protocol is in the file.
    const QJsonArray rows = exportTo(w, path);
    EXPECT_EQ(rows.size(), 4 + 2103);
    EXPECT_EQ(cell(rows, 4 + 2102, 1), s("2024-0002199"));
}

TEST_P(SummaryWindow, TreeThatCannotBeReadSaysSo)
{
    QSqlQuery rename(db().central());
    ASSERT_TRUE(rename.exec(s("ALTER TABLE Tab_Titolo RENAME TO Tab_Titolo_Altrove")));
    FrmRiepFascicoli *w = open("DEMO9", "S");
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(boxes.texts().contains(s("Contattare esperto procedura. Si sono verificati errori nella generazione "
                                         "dell'albero della Classificazione.")))
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(w->tree()->rowCount(), 0);
}

NIMBO_INSTANTIATE_ENGINES(SummaryWindow);

} // namespace
