#pragma once
// The one form in which a protocol number is shown to the operator, on
// screen, in lists, on receipts and labels: "2026-0000001". The register
// keeps the 11-character key "20260000001".

#include <QString>

namespace nimbo {

// "2026-0000123" and "20260000123" both give the key "20260000123"; empty
// in, empty out.
QString storedNumber(const QString &number);
// The key shown as "0000-######0": "2026-0000123".
QString shownNumber(const QString &number);

} // namespace nimbo
