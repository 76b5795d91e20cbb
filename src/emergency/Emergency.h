#pragma once
// The emergency register: its registers and sessions, the registration
// while the central register cannot be reached, the recovery of those
// registrations into the general register and their search.

#include <QString>

class QWidget;

namespace nimbo::emergency {

// The search panel beside a record's detail keeps the width its own labels,
// buttons and list headings need (260 to 460 px), so nothing in it is cut off.
void keepSearchPanelReadable(QWidget *panel);

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
QWidget *openEmergencyImage(const QString &window, const QString &direction, const QString &number);

} // namespace nimbo::emergency
