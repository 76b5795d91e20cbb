#pragma once
// E-mail addresses as the windows and the servers accept them. A window
// checks only what its messages name (an address holds "@"); the servers
// check the whole address before it reaches an SMTP envelope or a header,
// so that nothing typed can add a recipient or a header line.

#include <QString>
#include <QStringList>

namespace nimbo::mail {

// One plain address "local@domain": no blanks, control characters, angle
// brackets, commas or semicolons; one "@" with text on both sides; a domain
// of dot-separated labels. Display names are not accepted here.
bool isPlainAddress(const QString &address);

// A text that goes into a header (subject, display name): false when it
// holds a line break or any other control character.
bool isHeaderSafe(const QString &text);

// The addresses of a list typed as "a@x; b@y, c@z", trimmed and without
// repeats (compared without case); empty entries are dropped. Entries that
// are not plain addresses are returned in *invalid.
QStringList splitAddresses(const QString &typed, QStringList *invalid = nullptr);

} // namespace nimbo::mail
