#include "data/Cipher.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sodium.h>

#include "session/DicAmbiente.h"

namespace Cipher {
namespace {

bool sodiumReady()
{
    static const bool ok = sodium_init() >= 0;
    return ok;
}

// Wipes the key from memory when it goes out of scope.
struct Key {
    QByteArray bytes;
    ~Key()
    {
        if (!bytes.isEmpty())
            sodium_memzero(bytes.data(), static_cast<size_t>(bytes.size()));
    }
};

Result failed(const QString &error) { return {false, QString(), error}; }

bool loadKey(const QString &path, Key *key, QString *error)
{
    if (path.trimmed().isEmpty()) {
        *error = QStringLiteral("Chiave di cifratura non configurata (KEYFILE)");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("File della chiave di cifratura non leggibile: ") + path;
        return false;
    }
    QByteArray hex = file.read(4 * crypto_secretbox_KEYBYTES).trimmed();
    key->bytes = QByteArray::fromHex(hex);
    const bool wellFormed = hex.size() == 2 * static_cast<qsizetype>(crypto_secretbox_KEYBYTES)
        && key->bytes.size() == static_cast<qsizetype>(crypto_secretbox_KEYBYTES)
        && key->bytes.toHex() == hex.toLower();
    sodium_memzero(hex.data(), static_cast<size_t>(hex.size()));
    if (!wellFormed) {
        *error = QStringLiteral("File della chiave di cifratura non valido: ") + path;
        return false;
    }
    return true;
}

} // namespace

bool createKey(const QString &path, QString *error)
{
    QString scratch;
    QString &why = error ? *error : scratch;
    if (!sodiumReady()) {
        why = QStringLiteral("Libreria di cifratura non disponibile");
        return false;
    }
    if (path.trimmed().isEmpty()) {
        why = QStringLiteral("Chiave di cifratura non configurata (KEYFILE)");
        return false;
    }
    if (QFileInfo::exists(path)) {
        why = QStringLiteral("Il file della chiave di cifratura esiste già: ") + path;
        return false;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());

    Key key;
    key.bytes.resize(crypto_secretbox_KEYBYTES);
    crypto_secretbox_keygen(reinterpret_cast<unsigned char *>(key.bytes.data()));
    Key hex{key.bytes.toHex()};
    hex.bytes.append('\n');

    QFile file(path);
    // NewOnly: another installer run cannot be overwritten between the
    // check above and here.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        why = QStringLiteral("Impossibile scrivere il file della chiave di cifratura: ") + path + QStringLiteral(" - ")
            + file.errorString();
        return false;
    }
    const bool written = file.write(hex.bytes) == hex.bytes.size() && file.flush();
    file.close();
    if (!written) {
        why = QStringLiteral("Impossibile scrivere il file della chiave di cifratura: ") + path + QStringLiteral(" - ")
            + file.errorString();
        QFile::remove(path);
        return false;
    }
    return true;
}

bool encipherBytes(const QByteArray &message, QByteArray *out, QString *error, const QString &keyFile)
{
    if (!sodiumReady()) {
        *error = QStringLiteral("Libreria di cifratura non disponibile");
        return false;
    }
    Key key;
    if (!loadKey(keyFile, &key, error))
        return false;
    *out = QByteArray(static_cast<qsizetype>(crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES) + message.size(),
                      Qt::Uninitialized);
    auto *nonce = reinterpret_cast<unsigned char *>(out->data());
    randombytes_buf(nonce, crypto_secretbox_NONCEBYTES);
    crypto_secretbox_easy(nonce + crypto_secretbox_NONCEBYTES,
                          reinterpret_cast<const unsigned char *>(message.constData()),
                          static_cast<unsigned long long>(message.size()), nonce,
                          reinterpret_cast<const unsigned char *>(key.bytes.constData()));
    return true;
}

bool decipherBytes(const QByteArray &box, QByteArray *clear, QString *error, const QString &keyFile)
{
    if (!sodiumReady()) {
        *error = QStringLiteral("Libreria di cifratura non disponibile");
        return false;
    }
    const qsizetype overhead = crypto_secretbox_NONCEBYTES + crypto_secretbox_MACBYTES;
    if (box.size() < overhead) {
        *error = QStringLiteral("Valore cifrato non valido");
        return false;
    }
    Key key;
    if (!loadKey(keyFile, &key, error))
        return false;
    const auto *nonce = reinterpret_cast<const unsigned char *>(box.constData());
    *clear = QByteArray(box.size() - overhead, Qt::Uninitialized);
    const int rc = crypto_secretbox_open_easy(reinterpret_cast<unsigned char *>(clear->data()),
                                              nonce + crypto_secretbox_NONCEBYTES,
                                              static_cast<unsigned long long>(box.size() - crypto_secretbox_NONCEBYTES),
                                              nonce, reinterpret_cast<const unsigned char *>(key.bytes.constData()));
    if (rc != 0) {
        clear->clear();
        *error = QStringLiteral("Impossibile decifrare il valore: chiave errata o valore alterato");
        return false;
    }
    return true;
}

Result encipher(const QString &plain, const QString &keyFile)
{
    QByteArray box;
    QString error;
    if (!encipherBytes(plain.toUtf8(), &box, &error, keyFile))
        return failed(error);
    return {true, QString::fromLatin1(box.toBase64()), QString()};
}

Result decipher(const QString &stored, const QString &keyFile)
{
    const auto decoded = QByteArray::fromBase64Encoding(stored.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (stored.trimmed().isEmpty() || !decoded)
        return failed(QStringLiteral("Valore cifrato non valido"));
    QByteArray clear;
    QString error;
    if (!decipherBytes(decoded.decoded, &clear, &error, keyFile))
        return failed(error);
    return {true, QString::fromUtf8(clear), QString()};
}

Result encipher(const QString &plain) { return encipher(plain, DicAmbiente::session().cfg.keyFile); }
Result decipher(const QString &stored) { return decipher(stored, DicAmbiente::session().cfg.keyFile); }

} // namespace Cipher
