#include "startup/Sfondo.h"

#include <QFileInfo>
#include <QPainter>

#include "session/DicAmbiente.h"
#include "session/GECentr.h"

Sfondo::Sfondo(const QString &programFolder, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Sfondo"));
    setWindowTitle(DicAmbiente::session().programName);
    foldersReady_ = DicAmbiente::ensureFolders(programFolder);
    if (!foldersReady_)
        GECentr::writeLog(QStringLiteral("Impossibile creare le cartelle di lavoro in ") + programFolder,
                          QStringLiteral("Form_Load"), QStringLiteral("Sfondo"));
    const QString image = programFolder + QStringLiteral("/Sfondo.jpg");
    if (QFileInfo::exists(image))
        picture_.load(image);
    setAutoFillBackground(true);
}

void Sfondo::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    if (picture_.isNull())
        return;
    QPainter p(this);
    p.drawPixmap(rect(), picture_);
}
