#pragma once
// Plain-text listings in a fixed-pitch font: a heading centred on a line of
// 70 characters (100 across the page), the text broken at each carriage
// return, and a page number at the foot of every page. The sister routine
// prints a grid as fixed-width columns. Output goes to a printer (the
// default one unless named) or to a PDF file. No UI here: the outcome is
// returned for the window to show.

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

#include "platform/ReportEngine.h"

namespace nimbo {

struct ListingResult {
    bool ok = false;
    QString error; // "Errore nella apertura della Stampante" when the output cannot be opened
    int pages = 0;
};

struct ListingOptions {
    bool landscape = false;                          // across the page: 100 characters
    QString footerPrefix = QStringLiteral("Pagina n. ");
    QString fontFamily = QStringLiteral("Courier New");
    int lineWidth() const { return landscape ? 100 : 70; }
};

// The text as printable lines: broken at "\r" (a "\r\n" or a lone "\n" is
// one break too), tabs expanded, and lines longer than width carried on to
// the next line so that nothing is cut off.
QStringList listingLines(const QString &text, int width);

// Each line of the heading centred on width characters (longer lines are
// left as they are).
QStringList centredHeading(const QString &heading, int width);

// The grid as lines: titles, a rule, then the rows; each column padded or
// cut to its width in characters, columns separated by one blank.
QStringList gridLines(const QStringList &titles, const QList<int> &widths, const QVector<QStringList> &rows);

// Splits body lines into pages of at most perPage lines; an empty body is
// still one page.
QVector<QStringList> paginate(const QStringList &body, int perPage);

// Prints the listing. The heading is repeated on every page.
ListingResult printListing(const QString &heading, const QString &text, const ReportTarget &target,
                           const ListingOptions &options = {});

// Grids are printed in "Courier" with "Pag. " + number at the foot.
ListingOptions gridOptions(bool landscape = false);

// Prints a grid; the heading and the column titles are repeated on every
// page.
ListingResult printGrid(const QString &heading, const QStringList &titles, const QList<int> &widths,
                        const QVector<QStringList> &rows, const ReportTarget &target,
                        const ListingOptions &options = gridOptions());

} // namespace nimbo
