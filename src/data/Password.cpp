#include "data/Password.h"

#include <QByteArray>

#include <sodium.h>

namespace Password {
namespace {

bool ready()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}

QByteArray normalised(const QString &password) { return normalise(password).toUtf8(); }

} // namespace

QString normalise(const QString &password) { return password.trimmed().toUpper(); }

QString hash(const QString &password)
{
    if (!ready())
        return {};
    const QByteArray pw = normalised(password);
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, pw.constData(), static_cast<unsigned long long>(pw.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE)
        != 0)
        return {};
    return QString::fromLatin1(QByteArray(out).toHex().toUpper());
}

bool looksHashed(const QString &stored)
{
    const QByteArray raw = QByteArray::fromHex(stored.trimmed().toLatin1());
    return raw.startsWith("$argon2");
}

bool verify(const QString &password, const QString &stored)
{
    if (!ready() || !looksHashed(stored))
        return false;
    const QByteArray raw = QByteArray::fromHex(stored.trimmed().toLatin1());
    const QByteArray pw = normalised(password);
    return crypto_pwhash_str_verify(raw.constData(), pw.constData(), static_cast<unsigned long long>(pw.size())) == 0;
}

} // namespace Password
