#include "mail/MailAddress.h"

#include <QRegularExpression>
#include <QSet>

namespace nimbo::mail {

bool isPlainAddress(const QString &address)
{
    // Local part: printable ASCII without the characters that end an address
    // in a header or an SMTP command; domain: LDH labels (or an IDN label
    // already in Unicode, which libcurl and the server punycode).
    static const QRegularExpression re(QStringLiteral(
        "^[A-Za-z0-9!#$%&'*+/=?^_`{|}~.-]{1,64}@(?:[\\w](?:[\\w-]{0,61}[\\w])?\\.)*[\\w](?:[\\w-]{0,61}[\\w])?$"),
                                       QRegularExpression::UseUnicodePropertiesOption);
    if (address.size() > 254)
        return false;
    const QString local = address.section(QLatin1Char('@'), 0, 0);
    if (local.startsWith(QLatin1Char('.')) || local.endsWith(QLatin1Char('.'))
        || local.contains(QStringLiteral("..")))
        return false;
    return re.match(address).hasMatch();
}

bool isHeaderSafe(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return false;
    return true;
}

QStringList splitAddresses(const QString &typed, QStringList *invalid)
{
    static const QRegularExpression separators(QStringLiteral("[;,]"));
    QStringList out;
    QSet<QString> seen;
    for (QString part : typed.split(separators, Qt::SkipEmptyParts)) {
        part = part.trimmed();
        if (part.isEmpty())
            continue;
        if (!isPlainAddress(part)) {
            if (invalid)
                invalid->append(part);
            continue;
        }
        if (seen.contains(part.toLower()))
            continue;
        seen.insert(part.toLower());
        out.append(part);
    }
    return out;
}

} // namespace nimbo::mail
