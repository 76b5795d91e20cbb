#pragma once
// Reversible encryption of the secrets the program must read back (mail
// and FTP passwords, the receipt's password). The key lives outside the
// database, in the key file named by the configuration (KEYFILE), made once
// at installation by createKey(). A stored value is Base64 text of a random
// nonce followed by the authenticated ciphertext, so a wrong key or an
// altered value is refused rather than giving back garbage.

#include <QByteArray>
#include <QString>

namespace Cipher {

struct Result {
    bool ok = false;
    QString text;  // the enciphered or the clear value
    QString error; // Italian text when !ok
};

// Writes a new random key to path (readable by its owner only). Refuses to
// replace an existing file: every value enciphered with it would be lost.
bool createKey(const QString &path, QString *error = nullptr);

Result encipher(const QString &plain, const QString &keyFile);
Result decipher(const QString &stored, const QString &keyFile);

// The same for bytes (a stored document): the box is the random nonce
// followed by the authenticated ciphertext, as raw bytes. False with *error
// when the key cannot be read or the box is not one of this key.
bool encipherBytes(const QByteArray &plain, QByteArray *box, QString *error, const QString &keyFile);
bool decipherBytes(const QByteArray &box, QByteArray *plain, QString *error, const QString &keyFile);

// The same with the key file of the session's configuration.
Result encipher(const QString &plain);
Result decipher(const QString &stored);

} // namespace Cipher
