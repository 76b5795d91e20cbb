#pragma once
// The checks of the late registration window that need no widget: the
// year, number and date to recover, the number free and inside the range
// the register leaves for that day, then the direction and the reception
// date. The protocol server checks the number again, in the transaction that
// writes it, against the counter too.

#include <QDate>
#include <QString>
#include <optional>

#include "protocol/ProtocolRules.h"

namespace nimbo::corrections {

// What the clerk typed for the protocol to recover.
struct LateEntry {
    QString year;       // TxtAnnoProtocollo
    QString number;     // txtNumeroProtocollo, the progressive
    QString date;       // DataProtocollo, "dd/mm/yyyy"
    // The 11-digit number, empty when year or number are not right.
    QString fullNumber() const;
};

// The checks in their order, before the registration window's own; the
// first that fails, with the field that gets the focus.
std::optional<protocol::Failure> lateChecks(const LateEntry &entry, const protocol::ProtocolForm &f,
                                            const QString &ente);

} // namespace nimbo::corrections
