#pragma once
// The emergency register: its registers and sessions, the registration
// while the central register cannot be reached, the recovery of those
// registrations into the general register and their search.

#include <QString>
#include <functional>

#include "data/Funzioni_Com_1.h"

class QWidget;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::emergency {

// Lists whose rows are shown otherwise than the query gives them (emergency
// numbers in their one form): after every load the rows pass through
// shown(), which rewrites the shown columns from the columns past the
// titles, kept as the row's key.
void showRowsAs(ui::RowList *list, std::function<void(Funzioni_Com_1::Columns &)> shown);
// The emergency number of every row in the shown column, in its one form,
// from the session key and the number of two key columns.
void showEmergencyNumbers(ui::RowList *list, int shownColumn, int keyColumn, int numberColumn,
                          int generalColumn = -1);

// The search panel beside a record's detail keeps the width its own labels,
// buttons and list headings need (260 to 520 px), so nothing in it is cut off.
void keepSearchPanelReadable(QWidget *panel);

// The width a column needs to show an emergency number whole.
int emergencyNumberWidth(const QWidget *w);

// Registers "frmAnaRegistriEme", "frmSessioniEme", "frmProtocolloEme",
// "FrmRecuperaEmeT" and "frmRicercaEmergenza".
void registerEmergencyWindows();

// Opens a window of another part of the program by name on a protocol: the
// caller's tag in its "Tag" property (when given) and, when the window takes
// it, setProtocol(direction, number). Null when the window is not installed.
QWidget *openOnProtocol(const QString &window, const QString &direction, const QString &number,
                        const QString &callerTag = QString());

// The scanning window ("FrmSCAN") or the viewer ("FrmVisDocu1") on an
// emergency registration: its image lives in the workstation's store only,
// under the emergency body, whichever session is running.
// The window names the registration as shownAs (its emergency number in
// its one form), never by a number that reads as a general one.
QWidget *openEmergencyImage(const QString &window, const QString &direction, const QString &number,
                            const QString &shownAs);

} // namespace nimbo::emergency
