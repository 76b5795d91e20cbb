#include "emergency/Emergency.h"

#include <QMetaMethod>
#include <QWidget>

#include "emergency/EmergencyRules.h"
#include "emergency/FrmAnaRegistriEme.h"
#include "emergency/FrmProtocolloEme.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/FrmSessioniEme.h"
#include "session/GECentr.h"
#include "ui/WindowRegistry.h"

namespace nimbo::emergency {

namespace {

bool takes(QWidget *w, const char *signature)
{
    return w->metaObject()->indexOfMethod(QMetaObject::normalizedSignature(signature).constData()) >= 0;
}

} // namespace

void registerEmergencyWindows()
{
    WindowRegistry::add(QStringLiteral("frmAnaRegistriEme"), [] { return new FrmAnaRegistriEme; });
    WindowRegistry::add(QStringLiteral("frmSessioniEme"), [] { return new FrmSessioniEme; });
    WindowRegistry::add(QStringLiteral("frmProtocolloEme"), [] { return new FrmProtocolloEme; });
    WindowRegistry::add(QStringLiteral("FrmRecuperaEmeT"), [] { return new FrmRecuperaEmeT; });
    WindowRegistry::add(QStringLiteral("frmRicercaEmergenza"), [] { return new FrmRicercaEmergenza; });
}

void keepSearchPanelReadable(QWidget *panel)
{
    // The width asked includes what a fitted list needs to show its headings.
    const int wanted = qBound(260, qMax(panel->minimumSizeHint().width(), panel->sizeHint().width()), 460);
    panel->setMinimumWidth(wanted);
    panel->setMaximumWidth(qMax(panel->maximumWidth(), wanted));
}

QWidget *openOnProtocol(const QString &window, const QString &direction, const QString &number,
                        const QString &callerTag)
{
    QWidget *w = WindowRegistry::open(window);
    if (!w) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: ") + window, QStringLiteral("openOnProtocol"),
                          QStringLiteral("emergency"));
        return nullptr;
    }
    if (!callerTag.isEmpty())
        w->setProperty("Tag", callerTag);
    if (takes(w, "setProtocol(QString,QString)"))
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
    return w;
}

QWidget *openEmergencyImage(const QString &window, const QString &direction, const QString &number)
{
    QWidget *w = WindowRegistry::open(window);
    if (!w)
        return nullptr;
    if (takes(w, "setLocalStore(QString)"))
        QMetaObject::invokeMethod(w, "setLocalStore", Q_ARG(QString, kEmergencyBody));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
    return w;
}

} // namespace nimbo::emergency
