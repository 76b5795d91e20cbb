#pragma once
// What the link windows' lists of protocols share: the columns (the
// register key and the privacy flag hidden at the end), the rows as the
// clerk may see them, and the refusal of a reserved protocol's documents.

#include <QString>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::ui {
class RowList;
}

namespace nimbo::links {

constexpr int kKeyColumn = 5, kPrivacyColumn = 6;

// "Tipo", "N° Protocollo", "Data Protocollo", "Oggetto",
// "Mittente/Destinatario" and the two hidden columns.
void setProtocolColumns(ui::RowList *list);
// The rows of a query with the columns direction, number, date, subject,
// correspondent, privacy flag: numbers and dates as shown, subject and
// correspondent masked for a viewer without the privacy right; the protocol
// leaveOut is not listed.
Funzioni_Com_1::Columns shownProtocols(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &viewer,
                                       const QString &leaveOut = {});
// The chosen row whose documents may be opened, or -1 after telling the
// clerk why not: no row chosen, or a reserved protocol (`refusal`) for a
// clerk without the privacy right.
int documentsRow(const ui::RowList *list, const QString &caption, const QString &refusal);
// Opens a document window on the protocol of that row.
void openDocuments(const ui::RowList *list, int row, const QString &window, const QString &caller = {});

} // namespace nimbo::links
