#pragma once
// The rules of the in-tray ("Documenti in entrata") that need no widget:
// the checks of the search, the query with the operator's scope, the list's
// rows as shown, the ticked rows checked before taking them in charge, the
// request and the reading of the server's reply.

#include <QDate>
#include <QString>
#include <QVector>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "servers/IterRequests.h"

namespace nimbo::iter {

constexpr int kTrayLimit = 2000;

// What the trays' searches tell when they find nothing.
inline const QString kNoDocumentFound = QStringLiteral("Nessun documento trovato");

struct TrayCriteria {
    bool assigned = true;      // ChkProto "Assegnati": movements of type 4
    bool retransmitted = true; // ChkAltri "Ritrasmessi": movements of type 2
    QString from, to;          // TxtDI, TxtDF "dd/mm/yyyy"
    int limit = kTrayLimit;    // rows at most
};

// A message when the criteria cannot be searched.
std::optional<QString> checkTray(const TrayCriteria &c);

// Columns of the in-tray query.
enum TrayColumn {
    TrDirection, TrNumber, TrDate, TrCorrespondent, TrSubject, TrSerial, TrSenderDept, TrSenderOffice,
    TrAssignmentType, TrDelivery, TrPrivacy, TrMovementType, TrColumnCount
};
// The pending deliveries the viewer may take in charge, newest number first,
// at most kTrayLimit. Each alternative of the scope reads its own deliveries
// in number order, so the list stops early on a full in-tray.
// Levels 7 to 9 read their offices' deliveries office by office: the stored
// offices of the viewer's departments come from trayOffices (an empty list
// for the other levels).
QString trayQuery(const TrayCriteria &c, const protocol::Viewer &v,
                  const QVector<protocol::Viewer::Pair> &departmentOffices);
QVector<protocol::Viewer::Pair> trayOffices(const protocol::Viewer &v);

// Titles and widths of lswArrivo.
extern const char *const kTrayTitles;
extern const char *const kTrayWidths;
// The rows as the list shows them (column-first): reserved subjects masked,
// the timestamp cut to "dd/mm/yyyy  hh:nn", the sending department and
// office, the type caption; the direction, number, serial and delivery stay
// behind the shown columns as keys.
enum TrayShown { ShType, ShNumber, ShDate, ShCorrespondent, ShSubject, ShSent, ShSerial, ShSender, ShKind,
                 ShDelivery, ShKeyNumber, ShShownCount = ShKeyNumber };
Funzioni_Com_1::Columns trayRows(const Funzioni_Com_1::LoadedRows &r, const protocol::Viewer &v);

// A list heading as the body names its offices: body code "104" calls them
// "Unità operativa" (bodyCode empty: the session's).
QString officeWords(const QString &titles, const QString &bodyCode = {});

// "Trasmesso per Competenza" / "Trasmesso per Copia Conoscenza".
QString trayKindText(int assignmentType);
// "dd/mm/yyyy  hh:nn" from "yyyymmddhhnnss".
QString serialText(const QString &serial);
// "dd/mm/yyyy hh:nn:ss" from "yyyymmddhhnnss".
QString serialTextFull(const QString &serial);

// A ticked delivery.
struct Ticked {
    QString direction, number; // number: 11 characters
    qlonglong delivery = 0;
};
// The ticked rows checked in order: none, or the same protocol twice.
std::optional<QString> checkTicked(const QVector<Ticked> &rows);

// The request of operation 16 for the operator at work.
QVariantList inChargeRequest(const protocol::Viewer &v, const QVector<Ticked> &rows, const QString &notes);

// How the window reads a reply of the protocol server.
struct ServerReply {
    enum Kind { Ok, Refused, Error } kind = Error;
    QString message; // refused: shown as it is; error: number and description
};
ServerReply readServerReply(const QVariantList &reply);

// The detail of one delivery: transmission notes, deadline (of the latest
// assignment), department and office that sent it, type, movement key,
// emergency number.
QString trayDetailQuery(const QString &ente, const QString &direction, const QString &number, const QString &serial,
                        qlonglong delivery);

// The movements of a protocol, oldest first: timestamp, type description,
// department, office, operator, notes, type code, movement key.
QString movementsQuery(const QString &ente, const QString &direction, const QString &number);
extern const char *const kMovementTitles;
extern const char *const kMovementWidths;
Funzioni_Com_1::Columns movementRows(const Funzioni_Com_1::LoadedRows &r);

} // namespace nimbo::iter
