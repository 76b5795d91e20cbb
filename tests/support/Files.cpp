#include "support/Files.h"

#include <QProcess>

namespace nimbo::test {

QString shippedTemplates() { return QStringLiteral(NIMBO_SOURCE_DIR "/templates/"); }

QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

} // namespace nimbo::test
