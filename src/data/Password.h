#pragma once
// Operator passwords: a salted, deliberately slow one-way hash (argon2id).
// The stored value is the hash string in upper-case hexadecimal, so a
// stored value always equals itself upper-cased; it can only be checked,
// never turned back into the password. Every call of hash() draws a new
// salt: two operators with the same password store different values.
//
// Operator passwords do not depend on case or surrounding blanks: both
// functions work on the password trimmed and in upper case, which is how
// the operator window has always stored them.

#include <QString>

namespace Password {

// The shortest password accepted, counted on the normalised text.
constexpr int kMinimumLength = 8;

// The text that is actually hashed and compared: trimmed, upper case.
QString normalise(const QString &password);

// Upper-case hex of the hash of the normalised UTF-8 password; empty when the hashing
// library cannot work (no memory).
QString hash(const QString &password);

// True when the password matches the stored value (hex case is ignored).
bool verify(const QString &password, const QString &stored);

// True when the stored value has the shape hash() writes.
bool looksHashed(const QString &stored);

} // namespace Password
