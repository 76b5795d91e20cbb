#include "mail/MimeReader.h"

namespace nimbo::mail {

bool parseMail(const QByteArray &, ParsedMail *, QString *error, const ParseLimits &)
{
    *error = QStringLiteral("Non disponibile.");
    return false;
}
QString plainAddressOf(const QString &) { return {}; }
QString cleanHeaderText(const QString &text) { return text; }
QString safeFileName(const QString &name, int) { return name; }

} // namespace nimbo::mail
