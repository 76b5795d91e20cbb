#include "ui/ReportOutput.h"

#include <QDir>

#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"

namespace nimbo::ReportOutput {

std::optional<ReportTarget> choose(const QString &title, const QString &suggestedFile)
{
    const auto &cfg = DicAmbiente::session().cfg;
    if (cfg.stampanteReport.compare(QLatin1String("PDF"), Qt::CaseInsensitive) != 0)
        return ReportTarget::printer(cfg.stampanteReport);
    const QString folder = cfg.applTemp.isEmpty() ? QDir::homePath() : cfg.applTemp;
    QString path = dialogs().saveFileName(title, QDir(folder).filePath(suggestedFile), QStringLiteral("PDF (*.pdf)"));
    if (path.trimmed().isEmpty())
        return std::nullopt;
    if (!path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive))
        path += QStringLiteral(".pdf");
    return ReportTarget::pdf(path);
}

} // namespace nimbo::ReportOutput
