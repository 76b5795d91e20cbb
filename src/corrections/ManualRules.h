#pragma once
// The rules of the registration from a paper emergency register that need
// no widget: the checks of the paper register's fields, run before the
// registration window's own, the question about a protocol with the same
// subject (in place of the similar-subject warning), and the two columns
// that carry the paper register and number to the protocol server.

#include <QDate>
#include <QString>
#include <optional>

#include "protocol/ProtocolRules.h"

namespace nimbo::corrections {

// The paper register's fields as typed.
struct PaperFields {
    QString year;        // txtAnno
    QString id;          // TxtidReg, 4 characters
    QString progressive; // TxtNumReg
    QString number;      // TxtNProtoEme
    QString day;         // TxtDProtoEme, "dd/mm/yyyy"

    // 2026CAB01001 and 0000015|14/03/2026, as the register stores them.
    QString registerKey() const;
    QString numberText() const;
};

// The paper register among the body's emergency registers.
QString paperRegisterQuery(const QString &ente, const PaperFields &p);
// A protocol of the body already brought in from the same paper number.
QString paperProtocolQuery(const QString &ente, const PaperFields &p);

// The checks in their order, each with its message and the field that gets
// the focus; today is the server's date. A failure with an empty message
// is a read that failed and was already reported.
std::optional<protocol::Failure> checkPaper(const protocol::ProtocolForm &f, const PaperFields &p,
                                            const QString &ente, const QDate &today);

// The first incoming protocol of the body with exactly this subject
// (direction, number, date).
QString sameSubjectQuery(const QString &ente, const QString &subject);
// The question to ask, empty when there is no such protocol.
QString sameSubjectWarning(const QString &ente, const QString &subject);

// The columns of the request that name the paper register and number.
ColumnValues paperColumns(const PaperFields &p);

} // namespace nimbo::corrections
