#include "emergency/Emergency.h"

#include <QMetaMethod>
#include <algorithm>
#include <memory>
#include <QWidget>

#include "emergency/EmergencyRules.h"
#include "emergency/FrmAnaRegistriEme.h"
#include "emergency/FrmProtocolloEme.h"
#include "emergency/FrmRecuperaEmeT.h"
#include "emergency/FrmRicercaEmergenza.h"
#include "emergency/FrmSessioniEme.h"
#include "session/GECentr.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
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

void showRowsAs(ui::RowList *list, std::function<void(Funzioni_Com_1::Columns &)> shown)
{
    ui::RowModel *model = list->model();
    auto rewriting = std::make_shared<bool>(false);
    QObject::connect(model, &QAbstractItemModel::modelReset, list, [model, shown, rewriting] {
        if (*rewriting || model->rowCount() == 0)
            return;
        Funzioni_Com_1::Columns columns(model->storedColumns());
        for (int c = 0; c < columns.size(); ++c)
            for (int r = 0; r < model->rowCount(); ++r)
                columns[c].append(model->value(r, c));
        shown(columns);
        *rewriting = true;
        model->setRows(columns);
        *rewriting = false;
    });
}

int emergencyNumberWidth(const QWidget *w)
{
    return w->fontMetrics().horizontalAdvance(QStringLiteral("Emergenza 0000/T/WWWW/000 N. 0000000")) + 16;
}

void showEmergencyNumbers(ui::RowList *list, int shownColumn, int keyColumn, int numberColumn, int generalColumn)
{
    showRowsAs(list, [=](Funzioni_Com_1::Columns &rows) {
        if (rows.size() <= std::max({shownColumn, keyColumn, numberColumn, generalColumn}))
            return;
        for (int r = 0; r < rows[shownColumn].size(); ++r) {
            rows[shownColumn][r] = emergencyNumberText(rows[keyColumn][r].toString(), rows[numberColumn][r].toString());
            if (generalColumn >= 0)
                rows[generalColumn][r] = nimbo::shownNumber(rows[generalColumn][r].toString());
        }
    });
}

void keepSearchPanelReadable(QWidget *panel)
{
    // The width asked includes what a fitted list needs to show its headings.
    const int wanted = qBound(260, qMax(panel->minimumSizeHint().width(), panel->sizeHint().width()), 520);
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

QWidget *openEmergencyImage(const QString &window, const QString &direction, const QString &number,
                            const QString &shownAs)
{
    QWidget *w = WindowRegistry::open(window);
    if (!w)
        return nullptr;
    if (takes(w, "setLocalStore(QString)"))
        QMetaObject::invokeMethod(w, "setLocalStore", Q_ARG(QString, kEmergencyBody));
    if (takes(w, "setCaption(QString)"))
        QMetaObject::invokeMethod(w, "setCaption", Q_ARG(QString, shownAs));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
    return w;
}

} // namespace nimbo::emergency
