#pragma once
// How a cancelled protocol shows itself wherever it appears after its
// cancellation (lists, receipt, label, detail, the registration window's
// cancellation frame): the word "ANNULLATO", and the record of the
// cancellation read back as the clerk reads it.

#include <QString>
#include <QVariant>
#include <optional>

namespace nimbo::protocol::cancelled {

inline const QString kMark = QStringLiteral("ANNULLATO");

// The state column of a list: "ANNULLATO" for "C", "Attivo" otherwise.
QString stateText(const QString &state);
bool isCancelled(const QVariant &state);

// The act that authorised the cancellation: "Determina N. 12 del
// 03/02/2025"; empty when none was recorded.
QString actText(const QString &type, const QString &number, const QVariant &date);

// The cancellation of a protocol: date, operator ("code - surname name"),
// reason ("code - description"), notes and authorising act.
struct Details {
    QString date, operatorText, reasonText, notes, actText;
};
QString detailsQuery(const QString &ente, const QString &direction, const QString &number);
// Read through the generic server; nothing when the protocol is not there.
std::optional<Details> readDetails(const QString &ente, const QString &direction, const QString &number);

} // namespace nimbo::protocol::cancelled
