#pragma once
// Small checks shared by the windows that take tax data.

#include <QString>

namespace Utilities {

struct VatCheck {
    enum class Outcome { Empty, Correct, Wrong, WrongLength };
    Outcome outcome = Outcome::Empty;
    QString number;  // the 11 digits that were judged; empty when not judged
    QString message; // "Partita Iva ESATTA", "Partita Iva ERRATA !!!!!!", the length message, or empty
    // An empty value passes, as does a correct one.
    bool ok() const { return outcome == Outcome::Empty || outcome == Outcome::Correct; }
};

// Italian VAT number: blanks around it are ignored; fewer than 11 digits
// are padded on the left with "0"; the eleventh digit is the check digit.
// A value holding anything but digits cannot be a VAT number and is judged
// wrong.
VatCheck checkVatNumber(const QString &text);

// The check digit of the first ten digits (each '0'..'9'); -1 when the text
// is not ten digits.
int vatCheckDigit(const QString &tenDigits);

} // namespace Utilities
