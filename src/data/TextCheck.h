#pragma once
// What a text written into the register may hold. A NUL or another control
// character would be stored by one engine and refused with a raw syntax
// error by the other, and a lone UTF-16 surrogate is stored differently by
// each: both are refused, the same way on both engines, before any write.
// Tab, line feed and carriage return are ordinary text.

#include <QString>

namespace TextCheck {

// Empty when the text can be stored; otherwise the message that names the
// field and what is wrong.
QString problem(const QString &field, const QString &text);

} // namespace TextCheck
