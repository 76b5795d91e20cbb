#pragma once
// What the iter operations of the protocol server (16, 50, 21 and 11) are
// sent, read and checked before anything is written: a request that does
// not parse is refused whole, with the field it got wrong named.

#include <QDate>
#include <QString>
#include <QVariantList>
#include <QVector>
#include <tuple>

#include "servers/IterRequests.h"

namespace nimbo::iterrequest {

struct Protocol {
    QString ente, direction, number;
    QVariantList binds() const { return {ente, direction, number}; }
    bool operator<(const Protocol &o) const
    {
        return std::tie(direction, number) < std::tie(o.direction, o.number);
    }
    bool operator==(const Protocol &o) const { return direction == o.direction && number == o.number; }
};

// The request of taking in charge (16) and of taking back (50).
struct ChargeRow {
    int index = 0;
    Protocol protocol;
    QString notes;
    QString movement; // 50: the sending movement
    qlonglong delivery = 0;
};

struct ChargeRequest {
    QString ente, department, office, op;
    QVector<ChargeRow> rows;
};

// A recipient of an assignment or a transmission.
struct Recipient {
    QString office;
    qlonglong member = 0;
    int type = kPerCompetenza;
    bool operator==(const Recipient &o) const { return office == o.office && member == o.member; }
};

// The request of an assignment (21, 11 entries) or a transmission (10).
struct MoveRequest {
    Protocol protocol;
    QString op, office, movement, notes, department;
    QVector<Recipient> recipients;
    QDate deadline;         // 21 only; null when empty
    bool leavesCharge = false; // 11: "SI"
};

// "2026/0000012", as the messages name a protocol.
QString shown(const Protocol &p);
// False, with the reason in why, when the request is not well formed.
bool parseCharge(const QVariantList &params, bool back, ChargeRequest *r, QString *why);
bool parseMove(const QVariantList &params, bool assignment, MoveRequest *r, QString *why);

} // namespace nimbo::iterrequest
