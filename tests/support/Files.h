#pragma once
// Files that tests read or hand over: the shipped report templates, PDF
// output as text, files dropped on a window.

#include <QString>
#include <QStringList>

class QWidget;

namespace nimbo::test {

// The report templates shipped with the program ("templates/").
QString shippedTemplates();
// The text of a PDF file through pdftotext, white space simplified (words of
// one line stay in order).
QString pdfText(const QString &pdf);
// Drags local files over the widget and lets them go, as the desktop does;
// whether the widget took the drop.
bool dropFiles(QWidget *w, const QStringList &paths);

} // namespace nimbo::test
