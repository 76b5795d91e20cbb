#include "startup/Sfondo.h"

#include <QFileInfo>
#include <QLinearGradient>
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
    QPainter p(this);
    if (!picture_.isNull()) {
        p.drawPixmap(rect(), picture_);
        return;
    }
    // Without a picture of the body's own: a quiet backdrop naming the
    // program and the body, rather than an empty grey window.
    QLinearGradient shade(rect().topLeft(), rect().bottomLeft());
    shade.setColorAt(0, QColor(0x2f, 0x4f, 0x6f));
    shade.setColorAt(1, QColor(0x17, 0x2a, 0x3d));
    p.fillRect(rect(), shade);
    p.setPen(QColor(0xf0, 0xf4, 0xf8));
    QFont big = font();
    big.setPointSizeF(big.pointSizeF() * 3);
    big.setBold(true);
    p.setFont(big);
    // Above the login window, which opens in the middle of the screen.
    const QRect upper(0, 0, width(), height() / 4);
    QString name = DicAmbiente::session().programName;
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    p.drawText(upper, Qt::AlignHCenter | Qt::AlignBottom, name);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 1.4);
    p.setFont(small);
    const QString body = DicAmbiente::session().cfg.ausl.trimmed();
    const QRect lower(0, height() / 4 + 12, width(), height() / 4);
    p.drawText(lower, Qt::AlignHCenter | Qt::AlignTop,
               body.isEmpty() ? QStringLiteral("Protocollo generale") : QStringLiteral("Protocollo generale - ") + body);
}
