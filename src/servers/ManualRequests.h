#pragma once
// A protocol first written by hand in a paper emergency register and then
// brought into the general register through operation 10 (the registration,
// see ProtocolServer.h). Its request names the paper register and number in
// two columns of the column list:
//
//   Tab_RegistroTemporaneo    year, "C", the register's 4-character code and
//                             its progressive on three digits: 2026CAB01001
//   Tab_ProtocolloTemporaneo  the number given on paper on seven digits, "|",
//                             and the day it was given: 0000015|14/03/2026
//
// The server refuses ("991", naming the column) such a registration when
// the two texts are not in that shape, when the day is after today, when the
// paper register is not among the body's emergency registers
// (Tab_AnaRegistriEme, type "C"), and when the register already holds a
// protocol of the body from the same paper register and number, whatever
// day or direction it was written with: "IL protocollo specificato è già
// stato inserito in archivio." and which protocol that is. Unlike a recovery
// from an electronic register, which gets the protocol it already has back,
// a paper number typed twice is a mistake the clerk must see. The look-up
// runs under the counter's lock, and a unique key on body, register and the
// number's first seven characters (ux_tab_protocollo_cartaceo) holds it
// against two clerks at once.

#include <QDate>
#include <QSqlQuery>
#include <QString>
#include <optional>

#include "servers/EmergencyRequests.h"

namespace nimbo {

inline const QString kPaperRegisterType = QStringLiteral("C");
// 2026 + "C" + AB01 + 001.
QString paperRegisterKey(const QString &year, const QString &id, int progressive);
// 0000015|14/03/2026.
QString paperNumberText(qlonglong number, const QDate &day);

// The paper registration a new protocol carries, read from its two columns.
struct PaperRegistration {
    QString ente;
    QString fromRegister, fromNumber; // the two texts as stored
    QString year, id;
    int progressive = 0;
    QString number;                   // seven digits
    QDate day;

    // Nothing when the register named is not a paper one (an ordinary
    // protocol, a recovery from an electronic register); otherwise the
    // registration, or a refusal in *why when its texts are malformed.
    static std::optional<PaperRegistration> read(const QString &ente, const QString &registerKey,
                                                 const QString &numberText, QString *why);
    // Empty when the register may take it; the refusal otherwise; nothing
    // when a statement failed (q holds its error).
    std::optional<QString> refusal(const StatementRunner &exec, QSqlQuery *&q, const QDate &today) const;
};

// The message of a paper number already brought in.
inline const QString kPaperAlreadyIn = QStringLiteral("IL protocollo specificato è già stato inserito in archivio.");

} // namespace nimbo
