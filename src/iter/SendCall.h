#pragma once
// One call of an iter operation on the protocol server, with the wait text
// and the pending-request title shown while it runs, and the outcome in the
// form the windows report it.

#include <QString>
#include <QVariantList>

namespace nimbo::iter {

struct CallOutcome {
    enum Kind { Ok, Refused, ServerError, NoServer, Unreadable } kind = Unreadable;
    QString message; // refused: the server's text; server error: number and description
    QVariantList reply;
    bool ok() const { return kind == Ok; }
};

// Creates the server named by the configuration's OLEGP key and runs the
// operation. Nothing is shown here; the window reports the outcome.
CallOutcome callIterServer(short operation, const QVariantList &request);

// Shows the outcome of a failed call: the refusal as the server wrote it,
// the server error after `errorPrefix`, `otherFailure` for anything else.
// `where` names the routine for the log.
void reportFailure(const CallOutcome &out, const QString &caption, const QString &errorPrefix,
                   const QString &otherFailure, const QString &where, const QString &window);

} // namespace nimbo::iter
