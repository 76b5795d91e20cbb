#include "history/WindowParts.h"

#include <QLabel>
#include <QWidget>

#include "platform/Dialogs.h"
#include "platform/ListingPrinter.h"
#include "ui/NothingFound.h"
#include "ui/ReportOutput.h"
#include "ui/RowList.h"

namespace nimbo::history {

bool refused(QWidget *window, const QString &caption, const std::optional<Problem> &problem)
{
    if (!problem)
        return false;
    showBox(caption, problem->message, Icon::Warning);
    if (auto *w = window->findChild<QWidget *>(problem->control))
        w->setFocus();
    return true;
}

int showFirst(ui::RowList *list, const Funzioni_Com_1::Columns &rows, int limit, QLabel *count, QLabel *cut)
{
    const bool more = !rows.isEmpty() && rows.first().size() > limit;
    Funzioni_Com_1::Columns shown = rows;
    for (QVariantList &column : shown)
        column = column.mid(0, limit);
    list->setRows(shown);
    count->setText(foundText(list->count()));
    cut->setText(more ? QStringLiteral("Sono visualizzati i primi %1 protocolli: restringere la ricerca per vederne "
                                       "altri.")
                            .arg(limit)
                      : QString());
    cut->setVisible(more);
    if (list->count() == 0)
        ui::tellNothingFound(list, QStringLiteral("Nessun protocollo trovato"));
    return list->count();
}

bool printList(const QString &caption, const QString &suggestedFile, const QString &heading, const ui::RowList *list,
               const QList<int> &columns, const QStringList &titles, const QList<int> &widths)
{
    if (list->count() == 0)
        return false;
    const auto target = ReportOutput::choose(caption, suggestedFile);
    if (!target)
        return false;
    QVector<QStringList> rows;
    rows.reserve(list->count());
    for (int r = 0; r < list->count(); ++r) {
        QStringList cells;
        for (int c : columns)
            cells << list->text(r, c);
        rows << cells;
    }
    const ListingResult printed = printGrid(heading, titles, widths, rows, *target, gridOptions(true));
    if (!printed.ok)
        showBox(caption, QStringLiteral("Errore nella stampa: ") + printed.error, Icon::Critical);
    return printed.ok;
}

} // namespace nimbo::history
