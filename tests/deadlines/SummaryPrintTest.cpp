// The workflow summary as the clerk reaches it, both engines: from the main
// menu, searched and printed from the shared toolbar, the print read back
// as text; a double click shows the protocol read-only; and the heading
// that states the criteria.

#include <QTemporaryDir>

#include "SummaryFixture.h"
#include "support/Files.h"

using namespace nimbo;
using namespace nimbo::test;
namespace S = nimbo::deadlines::summary;

namespace {

TEST(SummaryHeading, StatesOnlyTheChosenCriteria)
{
    EXPECT_EQ(S::heading({}), QStringLiteral("Riepilogo documenti trasmessi"));
    EXPECT_EQ(S::heading({.from = "01/03/2025", .to = "31/03/2025"}),
              QStringLiteral("Riepilogo documenti trasmessi dal 01/03/2025 al 31/03/2025"));
    EXPECT_EQ(S::heading({.to = "31/03/2025"}), QStringLiteral("Riepilogo documenti trasmessi al 31/03/2025"));
    EXPECT_EQ(S::heading({.from = "01/03/2025", .fromDepartment = "AFFARI GENERALI", .fromOffice = "PROTOCOLLO",
                          .fromMember = "MARIO ROSSI"}),
              QStringLiteral("Riepilogo documenti trasmessi dal 01/03/2025\rInviati da Dipartimento: AFFARI GENERALI, "
                             "Ufficio:PROTOCOLLO, Componente: MARIO ROSSI"));
    EXPECT_EQ(S::heading({.toDepartment = "AMMINISTRATIVO"}),
              QStringLiteral("Riepilogo documenti trasmessi\rDestinati a Dipartimento: AMMINISTRATIVO"));
    EXPECT_EQ(S::heading({.fromDepartment = "A", .toDepartment = "B", .toOffice = "C", .toMember = "D"}),
              QStringLiteral("Riepilogo documenti trasmessi\rInviati da Dipartimento: A\tDestinati a Dipartimento: B, "
                             "Ufficio:C, Componente: D"));
}

class SummaryFromMenu : public SummaryFixture<MainWindowTest> {};

TEST_P(SummaryFromMenu, OpenedSearchedPrintedAndAProtocolShown)
{
    seeded(11, QStringLiteral("CONVENZIONE SERVIZIO MENSA"));
    seeded(12, QStringLiteral("PRATICA RISERVATA SEGRETA"), QStringLiteral("S"));
    seeded(13, QStringLiteral("NON TRASMESSA"));
    moved(11, QStringLiteral("20250305090000"), 4, QStringLiteral("UPR"), QStringLiteral("DEMO9"), {{"RAG", 1}});
    moved(12, QStringLiteral("20250305090000"), 2, QStringLiteral("UPR"), QStringLiteral("DEMO7"), {{"RAG"}});
    moved(13, QStringLiteral("20250305090000"), 4, QStringLiteral("IGI"), QStringLiteral("DEMO9"), {{"VET"}});
    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("riepilogo.pdf"));
    // DEMO7 has no privacy right: the reserved protocol prints masked.
    const int started = startAs(QStringLiteral("DEMO7"), QStringLiteral("demo7pwd"),
                                {QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                 QStringLiteral("SET REPORT=") + shippedTemplates(),
                                 QStringLiteral("SET STAMPANTE-REPORT=PDF")});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    boxes.clear();

    auto *w = qobject_cast<deadlines::FrmRiepiloghiIter *>(menu(main, "MnuRiepiloghiIter"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ricerca in iter documento"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA;STAMPA"));
    choose(w, "InviatoDaDipCmb", QStringLiteral("PRO"));
    choose(w, "InviatoDaUfficioCmb", QStringLiteral("UPR"));
    choose(w, "InviatoADipCmb", QStringLiteral("AMM"));
    choose(w, "InviatoAUfficioCmb", QStringLiteral("RAG"));
    fill(w, "DataDaTxt", QStringLiteral("01/01/2025"));
    fill(w, "DataATxt", QStringLiteral("31/12/2025"));
    press(main, "CERCA");
    ASSERT_EQ(listed(w), QList<int>({12, 11})) << boxes.texts().join(QLatin1Char('|')).toStdString();
    expectFitsWithFieldsLabelled(main, w, db().folder() + QStringLiteral("/FrmRiepiloghiIter.png"));

    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    // pdftotext writes "ffi" as its ligature.
    const QString text = pdfText(pdf).simplified().replace(QChar(0xFB03), QStringLiteral("ffi"));
    for (const char *expected :
         {"Riepilogo documenti trasmessi dal 01/01/2025 al 31/12/2025",
          "Inviati da Dipartimento: DIPARTIMENTO AFFARI GENERALI, Ufficio:UFFICIO PROTOCOLLO GENERALE",
          "Destinati a Dipartimento: DIPARTIMENTO AMMINISTRATIVO, Ufficio:RAGIONERIA", "2025-0000011",
          "CONVENZIONE SERVIZIO MENSA", "2025-0000012", "04/03/2025", "Totale documenti: 2"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected << "\n" << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("SEGRETA"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Componente"))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("2025-0000013"))) << text.toStdString();

    // A double click shows the protocol read-only; ANNULLA goes back.
    QTableView *view = w->list()->view();
    const QRect cell = view->visualRect(view->model()->index(1, S::ColSubject));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    EXPECT_FALSE(w->detailShown());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(w->detailShown());
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000011"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;ANNULLA"));
    press(main, "ANNULLA");
    EXPECT_FALSE(w->detailShown());
    press(main, "ESCI");
}

NIMBO_INSTANTIATE_ENGINES(SummaryFromMenu);

} // namespace
