#include "mail/MimeWriter.h"

namespace nimbo::mail {

bool composeMail(const OutgoingMail &, QByteArray *, QString *, QString *error)
{
    *error = QStringLiteral("Non disponibile.");
    return false;
}

} // namespace nimbo::mail
