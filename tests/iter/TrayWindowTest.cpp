// The iter management window and the in-tray as a clerk uses them, on both
// engines: "Iter Documento" from the menu, the in-charge list and the iter
// of a protocol, the label, the deadline list and its print, the doors to
// the other windows, and "Prendi in Carico" from "Documenti in Arrivo".

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>

#include "ui/Keyboard.h"
#include "iter/DocumentDoors.h"
#include "iter/FrmArchiviati.h"
#include "iter/FrmGestIter.h"
#include "iter/FrmInCarico.h"
#include "iter/Iter.h"
#include "startup/MDIMenu.h"
#include "support/Files.h"
#include "support/WholeCheck.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/UiFixture.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;
using namespace nimbo::iter;

namespace {

QString s(const char *t) { return QString::fromUtf8(t); }

// A list of the kit by the name of its view.
ui::RowList *rows(QWidget *w, const char *view)
{
    auto *table = w->findChild<QTableView *>(QLatin1String(view));
    return table ? qobject_cast<ui::RowList *>(table->parentWidget()) : nullptr;
}

// Stands in for the transmission window when the program has none: notes
// the protocol it was given.
class TransmissionStub : public ChildWindow {
    Q_OBJECT
public:
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number, const QDate &date)
    {
        given = direction + QLatin1Char('|') + number + QLatin1Char('|') + date.toString(Qt::ISODate);
    }
    QString given;
};

// Stands in for the document windows (images, attachments, scanning), which
// live in a library built on this one: notes who opened it and for what.
class DocumentStub : public ChildWindow {
    Q_OBJECT
public:
    Q_INVOKABLE void setCaller(const QString &c) { caller = c; }
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number)
    {
        given = direction + QLatin1Char('|') + number;
    }
    QString caller, given;
};

const char *const kDocumentWindows[] = {"FrmVisDocu1", "frmProtAllegati", "FrmSCAN"};

class TrayWindows : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerIterWindows();
        if (!WindowRegistry::contains(s("FrmTrasmetti"))) {
            WindowRegistry::add(s("FrmTrasmetti"), [] { return new TransmissionStub; });
            stubbed = true;
        }
        // Removed with the test's other windows by the fixture.
        for (const char *name : kDocumentWindows)
            if (!WindowRegistry::contains(s(name)))
                WindowRegistry::add(s(name), [] { return new DocumentStub; });
    }
    void TearDown() override
    {
        StartUp::shutdown();
        if (stubbed)
            WindowRegistry::remove(s("FrmTrasmetti"));
        C_GestDB::closeLocalDatabase();
        UiTest::TearDown();
    }
    MDIMenu *logIn(const QString &code, const QStringList &extra = {})
    {
        QStringList lines{QStringLiteral("SET OLEGP=") + kProtocolProgId};
        lines << extra;
        const int started = startAs(code, code.toLower() + QStringLiteral("pwd"), lines);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
        // The start-up notices (documents waiting, deadlines) are not ours.
        boxes.clear();
        if (main) {
            main->resize(1024, 768);
            QApplication::processEvents();
        }
        return main;
    }
    static void bringForward(MDIMenu *main, QWidget *w)
    {
        for (QMdiSubWindow *sub : main->area()->subWindowList())
            if (sub->widget() == w)
                main->area()->setActiveSubWindow(sub);
    }
    static QWidget *active(MDIMenu *main)
    {
        QApplication::processEvents();
        return main->area()->currentSubWindow() ? main->area()->currentSubWindow()->widget() : nullptr;
    }
    FrmGestIter *openIter(MDIMenu *main)
    {
        auto *item = main->findChild<QAction *>(s("mnuiter"));
        EXPECT_NE(item, nullptr);
        if (!item)
            return nullptr;
        EXPECT_TRUE(item->isEnabled());
        EXPECT_EQ(nimbo::ui::plainCaption(item), s("Iter Documento"));
        item->trigger();
        auto *w = qobject_cast<FrmGestIter *>(active(main));
        // The start-up notices (documents waiting, deadlines) are not ours.
        boxes.clear();
        return w;
    }
    // A protocol of today assigned by DEMO9 to UPR for competence, then
    // taken in charge by DEMO7 for UPR and passed on to ARC.
    // Reserved: subject to privacy and registered by DEMO9.
    void iterOfToday(int n, bool pending = false, bool reserved = false)
    {
        const QString day = QDate::currentDate().toString(s("yyyyMMdd"));
        const QString number = QStringLiteral("2024%1").arg(n, 7, 10, QLatin1Char('0'));
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_StatoProtocollo, Tab_SoggPrivacy, Tab_Intestatario, "
                           "Tab_Tipologia, Tab_CodiceOpeReg) VALUES ('001', 'E', '%1', '2024-01-02', 'RICHIESTA %2', 'A', "
                           "'%3', 1, 'LET', 'DEMO9')")
                .arg(number)
                .arg(n)
                .arg(reserved ? s("S") : s("N")));
        const auto move = [&](const char *time, int type, const char *office, const char *op, const char *inCharge,
                              const char *note) {
            sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, "
                               "Tab_Annotazioni, Tab_DataEvasione) VALUES ('001', 'E', '%1', '%2', %3, '%4', '%5', "
                               "'%6', '%7', %8)")
                    .arg(number, day + s(time))
                    .arg(type)
                    .arg(s(office), s(op), s(inCharge), s(note),
                         type == 4 ? QStringLiteral("'%1'").arg(QDate::currentDate().addDays(1).toString(Qt::ISODate))
                                   : s("NULL")));
        };
        const auto to = [&](const char *time, const char *office, int member, bool deliver) {
            sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
                               "VALUES ('001', 'E', '%1', '%2', '%3', %4, 1)")
                    .arg(number, day + s(time), s(office))
                    .arg(member));
            if (deliver)
                sql(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, "
                                   "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) "
                                   "VALUES ('001', 'E', '%1', '%2', '%3', %4)")
                        .arg(number, day + s(time), s(office))
                        .arg(member));
        };
        move("080000", 4, "UPR", "DEMO9", "N", "DA TRATTARE");
        to("080000", "UPR", 0, pending);
        if (pending)
            return;
        move("090000", 3, "UPR", "DEMO7", "S", "PRESO");
        move("100000", 2, "UPR", "DEMO7", "N", "PER COMPETENZA");
        to("100000", "ARC", 0, true);
    }
    static void expectWholeInside(QWidget *w, QMdiArea *area, const char *what)
    {
        QApplication::processEvents();
        // NIMBO_SHOTS names a folder: the main window as the clerk sees it.
        if (const QString shots = qEnvironmentVariable("NIMBO_SHOTS"); !shots.isEmpty())
            area->window()->grab().save(shots + QLatin1Char('/') + QString::fromLatin1(what).replace(QLatin1Char(' '), QLatin1Char('-'))
                                        + QStringLiteral(".png"));
        auto *sub = qobject_cast<QMdiSubWindow *>(w->parentWidget());
        ASSERT_NE(sub, nullptr);
        const QRect room = area->viewport()->rect();
        EXPECT_TRUE(room.contains(sub->geometry()))
            << what << ": window " << sub->geometry().width() << "x" << sub->geometry().height() << ", room "
            << room.width() << "x" << room.height();
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << what;
        EXPECT_GE(w->height(), w->minimumSizeHint().height()) << what;
        EXPECT_EQ(test::cutTexts(w).join(QLatin1Char('\n')).toStdString(), "") << what;
        for (QLabel *l : w->findChildren<QLabel *>()) {
            if (!l->isVisible() || l->text().isEmpty() || qobject_cast<ui::DescriptionLabel *>(l))
                continue;
            EXPECT_GE(l->width(), l->sizeHint().width()) << what << ": caption cut: " << l->text().toStdString();
        }
        for (QAbstractButton *b : w->findChildren<QAbstractButton *>()) {
            if (!b->isVisible() || b->text().isEmpty())
                continue;
            EXPECT_GE(b->width(), b->sizeHint().width()) << what << ": button cut: " << b->text().toStdString();
        }
    }

    bool stubbed = false;
};

TEST_P(TrayWindows, IterDocumentFromTheMenuShowsTheIterOfAProtocolInOrder)
{
    iterOfToday(1);
    MDIMenu *main = logIn(s("DEMO7"));
    ASSERT_NE(main, nullptr);
    FrmGestIter *w = openIter(main);
    ASSERT_NE(w, nullptr);
    auto *tabs = w->findChild<QTabWidget *>(s("TabIter"));
    ASSERT_EQ(tabs->count(), 3);
    expectWholeInside(w, main->area(), "in charge");

    // The in-charge list at opening: the protocol DEMO7's office holds.
    auto *list = rows(w, "lswinCarico");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->text(0, 1), s("2024-0000001"));
    EXPECT_EQ(list->text(0, 4), s("RICHIESTA 1"));

    // Before a protocol is chosen the transmission asks for one.
    QAction *transmit = w->findChild<QAction *>(s("BtnTB_2"));
    ASSERT_NE(transmit, nullptr);
    EXPECT_EQ(transmit->text(), s("Trasmetti"));
    EXPECT_TRUE(transmit->isEnabled());
    EXPECT_FALSE(w->findChild<QAction *>(s("BtnTB_4"))->isEnabled());
    transmit->trigger();
    EXPECT_TRUE(boxes.texts().contains(s("prima di richiedere la funzione selezionare un protocollo dall'elenco")));

    // Choosing it fills the iter tab: three movements, oldest first.
    list->view()->setCurrentIndex(list->view()->model()->index(0, 1));
    emit list->chosen(0);
    tabs->setCurrentIndex(1);
    expectWholeInside(w, main->area(), "iter");
    auto *iter = rows(w, "lswIter");
    ASSERT_EQ(iter->count(), 3);
    EXPECT_EQ(iter->text(0, 1), s("Assegnazione"));
    EXPECT_EQ(iter->text(1, 1), s("Presa in carico"));
    EXPECT_EQ(iter->text(2, 1), s("Ritrasmissione"));
    EXPECT_EQ(iter->text(1, 0), QDate::currentDate().toString(s("dd/MM/yyyy")) + s(" 09:00:00"));
    EXPECT_EQ(iter->text(2, 3), s("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("TxtStato"))->text(), s("A T T I V O"));
    EXPECT_EQ(w->findChild<QLabel *>(s("lblMittDest"))->text(), s("Mittente"));
    // The assignment to the operator's office: its kind and deadline.
    emit iter->chosen(0);
    EXPECT_EQ(w->findChild<QLineEdit *>(s("TxtNote"))->text(), s("DA TRATTARE"));
    EXPECT_EQ(w->findChild<QLabel *>(s("lblTipoAssegnazione"))->text(), s("Documento di Competenza Ufficio"));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("txtScadenza"))->text(),
              QDate::currentDate().addDays(1).toString(s("dd/MM/yyyy")));

    // "Stampa Etichetta": the day DEMO7's office took it in charge.
    QStringList printed;
    w->setRawPrinter([&](const QString &, const QStringList &lines) {
        printed = lines;
        return QVariantList{0, QString()};
    });
    test::UiTest::child(w, "cmdEtichetta")->click();
    ASSERT_EQ(printed.size(), 9);
    EXPECT_EQ(printed[5], s("A16,128,0,2,1,1,N,\"Preso in Carico il:  ") + QDate::currentDate().toString(s("dd/MM/yyyy"))
                              + s("\""));
    EXPECT_EQ(printed[7], s("A16,198,0,2,1,1,N,\"Ufficio: UFFICIO PROTOCOLLO GENERALE\""));
    w->setRawPrinter([](const QString &, const QStringList &) { return QVariantList{3, s("porta occupata")}; });
    test::UiTest::child(w, "cmdEtichetta")->click();
    EXPECT_EQ(boxes.texts().last(), s("Errore nella stampa delle etichette. RC = 3 - porta occupata"));

    // "Trasmetti" opens the transmission window for the protocol shown.
    transmit->trigger();
    QWidget *opened = active(main);
    ASSERT_NE(opened, nullptr);
    EXPECT_EQ(opened->property("openedAs").toString(), s("FrmTrasmetti"));
    if (auto *stub = qobject_cast<TransmissionStub *>(opened)) {
        EXPECT_EQ(stub->given, s("E|20240000001|2024-01-02"));
    }
}

TEST_P(TrayWindows, DeadlinesAtOpeningAndTheirPrint)
{
    iterOfToday(1);
    iterOfToday(2);
    MDIMenu *main = logIn(s("DEMO7"), {s("SET STAMPANTE-REPORT=PDF"),
                                       s("SET REPORT=") + test::shippedTemplates()});
    ASSERT_NE(main, nullptr);
    FrmGestIter *w = openIter(main);
    ASSERT_NE(w, nullptr);
    w->findChild<QTabWidget *>(s("TabIter"))->setCurrentIndex(2);
    expectWholeInside(w, main->area(), "deadlines");
    auto *due = rows(w, "LwProtocolli");
    EXPECT_EQ(due->count(), 2);
    EXPECT_EQ(w->findChild<QLabel *>(s("lblTrovati"))->text(), s("Sono stati trovati N. 2 Protocolli"));
    w->findChild<QRadioButton *>(s("OptScadute"))->setChecked(true);
    test::UiTest::child(w, "cmdEseguiRicerca")->click();
    EXPECT_EQ(due->count(), 0);
    w->findChild<QRadioButton *>(s("OptinScad"))->setChecked(true);
    test::UiTest::child(w, "cmdEseguiRicerca")->click();
    ASSERT_EQ(due->count(), 2);

    const QString pdf = db().folder() + s("/scadenze.pdf");
    boxes.files = {pdf};
    test::UiTest::child(w, "cmdStampaElenco")->click();
    EXPECT_TRUE(QFileInfo(pdf).size() > 0) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(TrayWindows, DocumentsInArrivalTakenInChargeLeaveTheList)
{
    iterOfToday(1, true);
    iterOfToday(2, true);
    MDIMenu *main = logIn(s("DEMO7"));
    ASSERT_NE(main, nullptr);
    FrmGestIter *gest = openIter(main);
    ASSERT_NE(gest, nullptr);
    test::UiTest::child(gest, "cmdArrivo")->click();
    auto *w = qobject_cast<FrmInCarico *>(active(main));
    ASSERT_NE(w, nullptr);
    expectWholeInside(w, main->area(), "in-tray");
    auto *list = rows(w, "lswArrivo");
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->text(0, 1), s("2024-0000002"));

    // Nothing ticked.
    test::UiTest::child(w, "cmdInCarico")->click();
    EXPECT_TRUE(boxes.texts().contains(s("Selezionare almeno un protocollo presente nell'elenco")));

    // A double click shows the delivery in detail with its iter.
    auto *view = list->view();
    emit view->doubleClicked(view->model()->index(1, 1));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("txtNoteTrasmissione"))->text(), s("DA TRATTARE"));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("txtTipoTrasmissione"))->text(), s("Trasmesso per Competenza"));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("txtUfficioInviante"))->text(),
              s("DIPARTIMENTO AFFARI GENERALI - UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(w->findChild<QLineEdit *>(s("txtScadenza"))->text(),
              QDate::currentDate().addDays(1).toString(s("dd/MM/yyyy")));
    EXPECT_EQ(rows(w, "lswIter")->count(), 1);
    expectWholeInside(w, main->area(), "in-tray detail");

    // Ticked and taken in charge: it leaves the in-tray.
    list->model()->setChecked(1, true);
    test::UiTest::type(w, "txtNoteRicezione", s("ricevuto"));
    test::UiTest::child(w, "cmdInCarico")->click();
    EXPECT_EQ(boxes.texts().last(), s("Operazione effettuata.")) << boxes.texts().join(QLatin1Char('|')).toStdString();
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->text(0, 1), s("2024-0000002"));
    EXPECT_EQ(scalar(s("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_NumeroProtocollo = '20240000001' AND "
                       "Tab_TipoMovimento = 3 AND Tab_InCarico = 'S' AND Tab_Ufficio = 'UPR' AND Tab_CodiceOpe = 'DEMO7' "
                       "AND Tab_Annotazioni = 'ricevuto'")),
              s("1"));

    // The last one taken too: the clerk's search then says it found nothing.
    list->model()->setChecked(0, true);
    test::UiTest::child(w, "cmdInCarico")->click();
    ASSERT_EQ(list->count(), 0);
    boxes.clear();
    test::UiTest::child(w, "cmdRicerca")->click();
    EXPECT_EQ(boxes.texts(), QStringList{s("Nessun documento trovato")});
}

TEST_P(TrayWindows, ReservedDocumentsStayClosedAndTheArchivedListOpensTheDocumentsOfItsRows)
{
    // 1 is reserved and was registered by someone else; 2 is closed by UPR.
    iterOfToday(1, false, true);
    iterOfToday(2);
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, "
                       "Tab_Annotazioni, Tab_DataChiusuraProcedimento) VALUES ('001', 'E', '20240000002', '%1', 5, "
                       "'UPR', 'DEMO7', 'N', 'PRATICA CHIUSA', '%2')")
            .arg(QDate::currentDate().toString(s("yyyyMMdd")) + s("110000"), QDate::currentDate().toString(Qt::ISODate)));
    MDIMenu *main = logIn(s("DEMO7"));
    ASSERT_NE(main, nullptr);
    FrmGestIter *w = openIter(main);
    ASSERT_NE(w, nullptr);
    auto *list = rows(w, "lswinCarico");
    ASSERT_TRUE(list->select(1, s("2024-0000001")));
    emit list->chosen(list->currentRow());

    // DEMO7 has no privacy right: the images and attachments of 1 stay closed.
    QAction *images = w->findChild<QAction *>(s("BtnTB_1"));
    ASSERT_TRUE(images->isEnabled());
    images->trigger();
    EXPECT_EQ(boxes.texts().value(0), QString::fromUtf8(kReservedRefusal));
    EXPECT_EQ(active(main), w);
    boxes.clear();
    test::UiTest::child(w, "cmdAllegati")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(kReservedRefusal)});
    EXPECT_EQ(active(main), w);

    // "Acquisisci" opens the scanning window on the protocol shown.
    QAction *scan = w->findChild<QAction *>(s("BtnTB_6"));
    EXPECT_EQ(scan->text(), s("Acquisisci"));
    ASSERT_TRUE(scan->isEnabled());
    scan->trigger();
    auto *scanning = qobject_cast<DocumentStub *>(active(main));
    ASSERT_NE(scanning, nullptr);
    EXPECT_EQ(scanning->property("openedAs").toString(), s("FrmSCAN"));
    EXPECT_EQ(scanning->given, s("E|20240000001"));

    // The archived list: its row opens the attachments and images of 2.
    bringForward(main, w);
    test::UiTest::child(w, "cmdArchiviati")->click();
    auto *archived = qobject_cast<FrmArchiviati *>(active(main));
    ASSERT_NE(archived, nullptr);
    boxes.clear();
    test::UiTest::child(archived, "cmdAllegati")->click();
    EXPECT_EQ(boxes.texts(), QStringList{s("prima di richiedere la funzione selezionare un protocollo dall'elenco")});
    archived->findChild<ui::DateField *>(s("TxtI"))->setDate(QDate(2024, 1, 1));
    ASSERT_TRUE(archived->search());
    ASSERT_TRUE(archived->list()->select(1, s("2024-0000002")));
    test::UiTest::child(archived, "cmdAllegati")->click();
    auto *attachments = qobject_cast<DocumentStub *>(active(main));
    ASSERT_NE(attachments, nullptr);
    EXPECT_EQ(attachments->property("openedAs").toString(), s("frmProtAllegati"));
    EXPECT_EQ(attachments->given, s("E|20240000002"));
    EXPECT_EQ(attachments->caller, s("FRMARCHIVIATI"));
    bringForward(main, archived);
    test::UiTest::child(archived, "cmdDocum")->click();
    auto *pictures = qobject_cast<DocumentStub *>(active(main));
    ASSERT_NE(pictures, nullptr);
    EXPECT_EQ(pictures->property("openedAs").toString(), s("FrmVisDocu1"));
    EXPECT_EQ(pictures->given, s("E|20240000002"));
}

NIMBO_INSTANTIATE_ENGINES(TrayWindows);

} // namespace

#include "TrayWindowTest.moc"
