// Plain-text listings written to real PDF files and read back with pdftotext.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/Busy.h"
#include "platform/ListingPrinter.h"

using namespace nimbo;

namespace {

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString numberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines.append(QStringLiteral("Riga %1 del tabulato").arg(i, 3, 10, QLatin1Char('0')));
    return lines.join(QLatin1Char('\r'));
}

} // namespace

TEST(ListingLayout, LinesHeadingAndPages)
{
    EXPECT_EQ(listingLines(QStringLiteral("uno\rdue\r\ntre\nquattro\r"), 70),
              QStringList({QStringLiteral("uno"), QStringLiteral("due"), QStringLiteral("tre"), QStringLiteral("quattro")}));
    EXPECT_EQ(listingLines(QStringLiteral("a\r\rb"), 70), QStringList({QStringLiteral("a"), QString(), QStringLiteral("b")}));
    // A line longer than the page is carried on, not cut off.
    const QStringList wrapped = listingLines(QString(150, QLatin1Char('x')), 70);
    ASSERT_EQ(wrapped.size(), 3);
    EXPECT_EQ(wrapped.join(QString()).size(), 150);
    EXPECT_EQ(listingLines(QStringLiteral("a\tb"), 70).value(0), QStringLiteral("a       b"));

    EXPECT_EQ(centredHeading(QStringLiteral("ELENCO"), 70).value(0), QString(32, QLatin1Char(' ')) + QStringLiteral("ELENCO"));
    EXPECT_EQ(centredHeading(QStringLiteral("ELENCO"), 100).value(0).indexOf(QLatin1Char('E')), 47);
    EXPECT_EQ(centredHeading(QString(80, QLatin1Char('T')), 70).value(0).size(), 80);

    EXPECT_EQ(paginate({}, 10).size(), 1);
    EXPECT_EQ(paginate(QStringList(25, QStringLiteral("x")), 10).size(), 3);
    EXPECT_EQ(paginate(QStringList(20, QStringLiteral("x")), 10).size(), 2);

    const QStringList grid = gridLines({QStringLiteral("CODICE"), QStringLiteral("DESCRIZIONE")}, {4, 12},
                                       {{QStringLiteral("A1"), QStringLiteral("Delibera del direttore")}, {QStringLiteral("B")}});
    EXPECT_EQ(grid, QStringList({QStringLiteral("CODI DESCRIZIONE"), QStringLiteral("---- ------------"),
                                 QStringLiteral("A1   Delibera del"), QStringLiteral("B")}));
}

TEST(ListingPrint, TwoPageListingToPdf)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("tabulato.pdf"));
    const ListingResult r = printListing(QStringLiteral("ELENCO PROTOCOLLI DEL GIORNO"), numberedLines(80), ReportTarget::pdf(pdf));
    ASSERT_TRUE(r.ok) << qPrintable(r.error);
    EXPECT_EQ(r.pages, 2);
    EXPECT_FALSE(busy::active());

    const QString text = pdfText(pdf);
    EXPECT_EQ(text.count(QStringLiteral("ELENCO PROTOCOLLI DEL GIORNO")), 2) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Pagina n. 1")));
    EXPECT_TRUE(text.contains(QStringLiteral("Pagina n. 2")));
    EXPECT_FALSE(text.contains(QStringLiteral("Pagina n. 3")));
    EXPECT_TRUE(text.contains(QStringLiteral("Riga 001 del tabulato")));
    EXPECT_TRUE(text.contains(QStringLiteral("Riga 080 del tabulato")));
    // Page 2 begins with the heading again and goes on from where page 1 stopped.
    const QStringList pages = text.split(QLatin1Char('\f'));
    ASSERT_GE(pages.size(), 2);
    EXPECT_TRUE(pages.at(1).contains(QStringLiteral("Riga 080")));
    EXPECT_FALSE(pages.at(0).contains(QStringLiteral("Riga 080")));
    EXPECT_TRUE(pages.at(1).indexOf(QStringLiteral("ELENCO")) < pages.at(1).indexOf(QStringLiteral("Riga")));
}

TEST(ListingPrint, AcrossThePageAndGrid)
{
    QTemporaryDir dir;
    const QString wide = dir.filePath(QStringLiteral("largo.pdf"));
    const QString line100 = QStringLiteral("INIZIO") + QString(88, QLatin1Char('.')) + QStringLiteral("FINE.."); // 100 characters
    ListingOptions across;
    across.landscape = true;
    const ListingResult r = printListing(QStringLiteral("REGISTRO"), line100, ReportTarget::pdf(wide), across);
    ASSERT_TRUE(r.ok) << qPrintable(r.error);
    const QString text = pdfText(wide);
    // The whole line sits on one printed line.
    EXPECT_TRUE(QRegularExpression(QStringLiteral("INIZIO\\.+FINE")).match(text).hasMatch()) << qPrintable(text);
    EXPECT_TRUE(text.contains(QStringLiteral("Pagina n. 1")));

    const QString gridPdf = dir.filePath(QStringLiteral("griglia.pdf"));
    QVector<QStringList> rows;
    for (int i = 0; i < 120; ++i)
        rows.append({QString::number(i), QStringLiteral("Voce %1").arg(i)});
    const ListingResult g = printGrid(QStringLiteral("TIPI DOCUMENTO"), {QStringLiteral("CODICE"), QStringLiteral("DESCRIZIONE")},
                                      {8, 40}, rows, ReportTarget::pdf(gridPdf));
    ASSERT_TRUE(g.ok) << qPrintable(g.error);
    EXPECT_GE(g.pages, 2);
    const QString gridText = pdfText(gridPdf);
    EXPECT_EQ(gridText.count(QStringLiteral("DESCRIZIONE")), g.pages);
    EXPECT_TRUE(gridText.contains(QStringLiteral("Pag. 2")));
    EXPECT_TRUE(gridText.contains(QStringLiteral("Voce 119")));
}

TEST(ListingPrint, OutputThatCannotBeOpened)
{
    QTemporaryDir dir;
    const ListingResult pdf = printListing(QStringLiteral("X"), QStringLiteral("y"),
                                           ReportTarget::pdf(dir.filePath(QStringLiteral("no/such/folder/x.pdf"))));
    EXPECT_FALSE(pdf.ok);
    EXPECT_EQ(pdf.error, QStringLiteral("Errore nella apertura della Stampante"));
    const ListingResult printer = printListing(QStringLiteral("X"), QStringLiteral("y"),
                                               ReportTarget::printer(QStringLiteral("stampante-che-non-esiste")));
    EXPECT_FALSE(printer.ok);
    EXPECT_EQ(printer.error, QStringLiteral("Errore nella apertura della Stampante"));
    EXPECT_FALSE(busy::active());
}
