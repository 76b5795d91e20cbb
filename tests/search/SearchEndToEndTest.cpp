// The general search from end to end on both engines, as a department's
// protocol manager drives it: logged in, "Ricerca Protocolli" from the menu,
// a protocol registered by another department and routed to one of his
// offices found, opened, the next one reached with SUCCESSIVO, and the
// list printed to a PDF that pdftotext reads back.

#include <QTemporaryDir>

#include "GeneralSearchWindowFixture.h"

using namespace nimbo;
using namespace nimbo::test;
namespace filter = nimbo::search::filter;

namespace {

class SearchEndToEnd : public SearchFixture<MainWindowTest> {};

TEST_P(SearchEndToEnd, ADepartmentManagerFindsWhatWasRoutedToHimOpensItMovesOnAndPrints)
{
    // DEMO8 manages department AMM (offices RAG and PER).
    protocol({.number = QStringLiteral("20250000061"), .subject = QStringLiteral("RICHIESTA PARERE TECNICO"),
              .department = QStringLiteral("AMM"), .office = QStringLiteral("PER")});
    protocol({.number = QStringLiteral("20250000062"), .subject = QStringLiteral("RICHIESTA PARERE LEGALE")});
    protocol({.number = QStringLiteral("20250000063"), .subject = QStringLiteral("RICHIESTA PARERE CONTABILE")});
    routed(QStringLiteral("20250000063"), QStringLiteral("RAG"));
    QTemporaryDir out;

    const int started = startAs(QStringLiteral("DEMO8"), QStringLiteral("demo8pwd"),
                                {QStringLiteral("SET OLEGP=") + kProtocolProgId, QStringLiteral("SET STAMPANTE-REPORT=PDF")});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    auto *main = qobject_cast<MDIMenu *>(StartUp::mainWindow());
    ASSERT_NE(main, nullptr);
    main->resize(1024, 768);
    boxes.clear();

    auto *w = qobject_cast<search::FrmFiltroRProt *>(menu(main, "mnuricercaprot"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Ricerca Protocolli"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA"));
    edit(criteria(w), "Oggetto", QStringLiteral("parere"));
    press(main, "CERCA");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    // Registered elsewhere and never routed to him: not his.
    EXPECT_EQ(shownColumn(w, filter::ColNumber), QStringList({QStringLiteral("2025-0000063"), QStringLiteral("2025-0000061")}));
    EXPECT_EQ(text(w, "LblConteggio"), QStringLiteral("Sono stati trovati N. 2 Protocolli"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;CERCA;STAMPA"));
    expectFitsWithFieldsLabelled(main, w, out.filePath(QStringLiteral("ricerca.png")));

    QTableView *view = w->list()->view();
    view->setCurrentIndex(view->model()->index(0, filter::ColNumber));
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(w->detailShown());
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000063"));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));
    expectFitsWithFieldsLabelled(main, w, out.filePath(QStringLiteral("ricerca-dettaglio.png")));
    press(main, "SUCCESSIVO");
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000061"));
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    press(main, "ANNULLA");
    EXPECT_FALSE(w->detailShown());

    const QString pdf = out.filePath(QStringLiteral("elenco.pdf"));
    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = pdfText(pdf);
    for (const char *shown : {"Stampa Elenco Documenti Protocollati", "Sono stati trovati N. 2 Protocolli", "2025-0000063",
                              "RICHIESTA PARERE CONTABILE", "2025-0000061", "RICHIESTA PARERE TECNICO", "Pag. 1"})
        EXPECT_TRUE(printed.contains(QLatin1String(shown))) << shown << "\n" << printed.toStdString();
    EXPECT_FALSE(printed.contains(QStringLiteral("LEGALE")));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(SearchEndToEnd);
