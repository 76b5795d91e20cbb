#pragma once
// The doors from the iter's lists to a protocol's scanned images and
// attachments. A reserved protocol's documents stay closed to an operator
// who has neither the privacy right nor registered it: the list still shows
// the row, the door says why it does not open.

#include <QString>

class QWidget;

namespace nimbo::iter {

extern const char *const kReservedRefusal;

// False, with the refusal shown under `caption`, when the operator may not
// see the protocol's documents (or the protocol cannot be read).
bool mayOpenDocuments(const QString &caption, const QString &direction, const QString &number);

// Opens a window on one protocol's documents ("FrmVisDocu1" for the
// images, "frmProtAllegati" for the attachments) after that check; the
// attachments window is told who opens it. Null when refused or when the
// program has no such window.
QWidget *openDocuments(const QString &caption, const QString &window, const QString &direction,
                       const QString &number, const QString &caller = QStringLiteral("FRMINCARICO"));

} // namespace nimbo::iter
