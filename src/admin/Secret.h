#pragma once
// Passwords for the installer's commands. They never come from the command
// line, where every local user can read them in the process list: they are
// piped in on standard input, or typed at a prompt that does not echo them.

#include <QString>

namespace Admin {

// Reads one secret. When standard input is not a terminal its first line is
// the secret (the line end is not part of it); otherwise the prompt is
// written on standard error and the secret typed without echo, twice when
// confirm is set. False with *error filled when nothing could be read or
// the two typed secrets differ.
bool readSecret(const QString &prompt, bool confirm, QString *secret, QString *error);

// The text that tells how to pass a password, for the refusals.
QString howToPassSecret(const QString &command);

} // namespace Admin
