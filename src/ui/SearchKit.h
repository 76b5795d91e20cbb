#pragma once
// Pieces that the search windows share: a combo of codes whose first item
// means "all", and PRECEDENTE/SUCCESSIVO through a result list with the
// messages at its ends.

#include <QString>

class QComboBox;

namespace nimbo::ui {

class RowList;

// Fills the combo with `firstItem` (carrying an empty code), then one item
// "code - description" per row of the statement (code, description),
// carrying the code. An empty statement leaves the first item alone.
void fillCodeCombo(QComboBox *combo, const QString &firstItem, const QString &sql,
                   const QString &database = QStringLiteral("PROTOCOLLO"));

// The row (numbered as loaded) `delta` places from the current one in the
// order the list shows; -1, after telling the operator under `caption` that
// the protocol shown is the first or the last of the list, when there is
// none.
int stepRow(const RowList *list, int delta, const QString &caption);

} // namespace nimbo::ui
