#pragma once
// Files that tests read: the shipped report templates, and PDF output as text.

#include <QString>

namespace nimbo::test {

// The report templates shipped with the program ("templates/").
QString shippedTemplates();
// The text of a PDF file through pdftotext, white space simplified (words of
// one line stay in order).
QString pdfText(const QString &pdf);

} // namespace nimbo::test
