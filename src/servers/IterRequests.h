#pragma once
// The iter operations of the protocol server (code in IterServer.cpp) and
// the builders of their requests, so that the windows never lay out an
// array by hand:
//
//   nimbo::iter::InChargeRequest r;
//   r.ente = ente; r.department = dept; r.office = office; r.operatorCode = op;
//   r.items.append({QStringLiteral("E"), QStringLiteral("20260000012"), delivery});
//   QVariantList params = nimbo::iter::takeInChargeRequest(r);
//   const QVariantList reply = server->Elabora(nimbo::kOpPresaInCarico, params);
//
// Reply of every operation: [0, "", ...] on success; ["991", text] when the
// request is refused (the text is shown as it is and names the field or the
// protocol); [status, text] with another status when the database fails.
// Each request is one transaction: refused or failed, it writes nothing.
//
// The movement key Tab_DataSerialeMov ("yyyymmddhhnnss") of a new movement
// is the server's: the database clock's second inside the transaction,
// moved on by one second while the protocol already has a movement with
// that key. A client never supplies it for a new movement.
//
// Operation 16, taking in charge. Request (4 entries):
//   0  body
//   1  operator's department
//   2  current year "yyyy"
//   3  table, one row per ticked delivery, each of 8 entries:
//        0 body, 1 direction, 2 protocol number (11 digits), 3 operator's
//        office, 4 operator code, 5 reception notes, 6 the delivery's
//        Tab_progressivo, 7 empty
// The operator is the session's when one is logged in (the request's code
// otherwise), and the department and office he asks as must be his own or
// one of his extra pairs (Tab_Operatori_DIP).
// For each row: the delivery must still exist, belong to that protocol and
// be one the operator's in-tray lists (a member's delivery only for the
// operator linked to the member; a whole office's for level 7 of that
// office, levels 8 and 9 of its department), else the request is refused
// naming the delivery. It is removed, a type-3 movement of the receiving
// office is written in charge ("S") with the notes and the operator, and
// the earlier in-charge movements of that office on the protocol become
// "N". When any delivery is gone (another operator took it first) the
// whole request is refused.
// Reply: [0, "", list of the new movement keys, one per row].
//
// Operation 50, taking back. Request as 16, but each row's entry 5 is empty,
// entry 6 is the key of the sending movement ("SerialeMov") and entry 7 the
// Tab_progressivo of the one delivery taken back: that delivery (which must
// still be pending, belong to that movement and have been sent by an office
// the operator's list of sent documents shows) is removed and a type-3
// movement of the sending office is written as in 16; the other
// recipients' deliveries stay.
// Reply: [0, "", list of the new movement keys, one per row].
//
// Operation 21, assignment. Request (11 entries):
//   0  body            1  direction        2  protocol number
//   3  operator code   4  operator's office
//   5  movement key: empty for a new assignment; for a re-send, the key of
//      the loaded type-4 movement of that protocol
//   6  notes           7  operator's department
//   8  recipient table, rows of 6: "I", office code, member number (0 = the
//      whole office), "Modificabile" flag "S"/"N", type 1 (competence) or
//      2 (copy), the row's assignment date (empty for a new row; not used)
//   9  deadline "dd/mm/yyyy" or empty; not before the protocol date
//   10 "SI" / "NO": the operator's department is the protocol office's
// A new assignment writes the type-4 movement with the deadline, one
// recipient row and one pending delivery per recipient. A re-send keeps the
// movement's key (notes and deadline rewritten), keeps the recipients
// already taken in charge, adds the new ones with a delivery each, changes
// the type of a pending one, and removes a recipient left out of the list
// only while its delivery is still pending. Recipients of the operator's
// own office are never in the window's list and are kept.
// Reply: [0, "", movement key].
//
// Operation 11, transmission. Request (10 entries):
//   0-4 as 21; 5 empty (the server gives the key); 6 notes; 7 operator's
//   department; 8 recipient table, rows of 4: "I", office code, member
//   number, type 1/2; 9 "SI" when some recipient receives it for
//   competence, else "NO" (must agree with the table)
// Writes the type-2 movement, the recipient rows and one pending delivery
// each; with "SI" the document leaves the charge of the sender's office
// (its in-charge movements on the protocol become "N").
// Reply: [0, "", movement key].

#include <QDate>
#include <QString>
#include <QVariantList>
#include <QVector>

namespace nimbo {

constexpr short kOpTrasmissione = 11;     // transmission (movement type 2)
constexpr short kOpPresaInCarico = 16;    // taking in charge (movement type 3)
constexpr short kOpAssegnazione = 21;     // assignment (movement type 4)
constexpr short kOpRipresaInCarico = 50;  // taking back a delivery not yet taken in charge

// Movement types of Tab_TipoMovimento the program's logic rests on.
constexpr int kMovTrasmissione = 2;
constexpr int kMovPresaInCarico = 3;
constexpr int kMovAssegnazione = 4;
constexpr int kMovEvasione = 5;

// Assignment / transmission types of a recipient.
constexpr int kPerCompetenza = 1;
constexpr int kPerConoscenza = 2;

namespace iter {

// The "yyyy" of the requests of taking in charge and back.
inline QString currentYear() { return QString::number(QDate::currentDate().year()); }

// One ticked delivery of the in-tray.
struct InChargeItem {
    QString direction;  // "E" / "U"
    QString number;     // 11 characters
    qlonglong delivery = 0; // Tab_Iter_Trasmissioni.Tab_progressivo
};

// Taking in charge (operation 16): the operator and the ticked deliveries.
struct InChargeRequest {
    QString ente;
    QString department; // operator's department
    QString office;     // operator's office: the office that takes the document in charge
    QString operatorCode;
    QString notes;      // reception notes, the same for every row
    QVector<InChargeItem> items;
    QString year = currentYear();
};

inline QVariantList takeInChargeRequest(const InChargeRequest &r)
{
    QVariantList table;
    for (const InChargeItem &i : r.items)
        table.append(QVariant(QVariantList{r.ente, i.direction, i.number, r.office, r.operatorCode, r.notes,
                                           i.delivery, QString()}));
    return {r.ente, r.department, r.year, QVariant(table)};
}

// One ticked row of the sent documents: a delivery still pending.
struct TakeBackItem {
    QString direction;
    QString number;
    QString movement;       // key (Tab_DataSerialeMov) of the sending movement, "SerialeMov"
    qlonglong delivery = 0; // Tab_progressivo of the one delivery taken back
};

// Taking back (operation 50).
struct TakeBackRequest {
    QString ente;
    QString department;
    QString office;
    QString operatorCode;
    QVector<TakeBackItem> items;
    QString year = currentYear();
};

inline QVariantList takeBackRequest(const TakeBackRequest &r)
{
    QVariantList table;
    for (const TakeBackItem &i : r.items)
        table.append(QVariant(QVariantList{r.ente, i.direction, i.number, r.office, r.operatorCode, QString(),
                                           i.movement, i.delivery}));
    return {r.ente, r.department, r.year, QVariant(table)};
}

// A row of the assignment's recipient list.
struct AssignmentRecipient {
    QString office;
    qlonglong member = 0;     // 0 = the whole office
    bool modifiable = true;   // "Modificabile": its delivery is still pending (or it is new)
    int type = kPerCompetenza;
    QString assignedOn;       // "Data Assegnazione" as loaded; empty for a new row
};

// Assignment (operation 21).
struct AssignmentRequest {
    QString ente;
    QString direction;
    QString number;
    QString operatorCode;
    QString office;       // operator's office
    QString movement;     // key of the loaded type-4 movement; empty for a new assignment
    QString notes;
    QString department;   // operator's department
    QVector<AssignmentRecipient> recipients;
    QString deadline;     // "dd/mm/yyyy" or empty
    bool protocolOffice = false; // operator's department is the protocol office's
};

inline QVariantList assignmentRequest(const AssignmentRequest &r)
{
    QVariantList table;
    for (const AssignmentRecipient &d : r.recipients)
        table.append(QVariant(QVariantList{QStringLiteral("I"), d.office, d.member,
                                           d.modifiable ? QStringLiteral("S") : QStringLiteral("N"), d.type,
                                           d.assignedOn}));
    return {r.ente,        r.direction,        r.number,   r.operatorCode,
            r.office,      r.movement,         r.notes.trimmed(), r.department,
            QVariant(table), r.deadline.trimmed(),
            r.protocolOffice ? QStringLiteral("SI") : QStringLiteral("NO")};
}

// A row of the transmission's recipient list.
struct TransmissionRecipient {
    QString office;
    qlonglong member = 0;
    int type = kPerCompetenza;
};

// Transmission (operation 11). The server gives the movement its key.
struct TransmissionRequest {
    QString ente;
    QString direction;
    QString number;
    QString operatorCode;
    QString office;
    QString notes;
    QString department;
    QVector<TransmissionRecipient> recipients;
};

inline QVariantList transmissionRequest(const TransmissionRequest &r)
{
    QVariantList table;
    bool competence = false;
    for (const TransmissionRecipient &d : r.recipients) {
        table.append(QVariant(QVariantList{QStringLiteral("I"), d.office, d.member, d.type}));
        competence = competence || d.type == kPerCompetenza;
    }
    return {r.ente,   r.direction, r.number,     r.operatorCode, r.office,
            QString(), r.notes,    r.department, QVariant(table),
            competence ? QStringLiteral("SI") : QStringLiteral("NO")};
}

// The movement keys of a successful reply: one for 21 and 11, one per row
// for 16 and 50.
inline QStringList movementKeys(const QVariantList &reply)
{
    QStringList out;
    const QVariant v = reply.value(2);
    if (v.typeId() == QMetaType::QVariantList) {
        for (const QVariant &k : v.toList())
            out << k.toString();
    } else if (v.isValid()) {
        out << v.toString();
    }
    return out;
}

} // namespace iter
} // namespace nimbo
