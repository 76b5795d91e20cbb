#pragma once
// Passwords never reach a log: every line the log writers write, and every
// database name shown, goes through hidePasswords first.

#include <QString>

namespace GECentr {

// The text with the password of any database connection string in it
// (libpq's key=value form or a postgresql:// address) replaced by asterisks.
QString hidePasswords(const QString &text);

} // namespace GECentr
