#include "startup/FunctionRights.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "data/Funzioni_Com_1.h"
#include "schema/FunctionTable.h"
#include "session/GECentr.h"

namespace F = Funzioni_Com_1;

namespace FunctionRights {

QList<QAction *> menuItems(QWidget *window)
{
    QList<QAction *> out;
    const auto all = window->findChildren<QAction *>();
    for (QAction *a : all) {
        if (a->objectName().isEmpty() || a->isSeparator())
            continue;
        // Menu items live in the menu bar or in a menu; toolbar buttons do not.
        if (a->property(kTagProperty).isValid())
            out.append(a);
    }
    return out;
}

bool isWithheld(const QString &code, const QString &functions)
{
    return !code.isEmpty() && functions.contains(QLatin1Char('-') + code + QLatin1Char('-'));
}

void apply(const QList<QAction *> &items, const QHash<QString, QString> &codes, const QString &functions,
           const std::function<bool(QAction *)> &available)
{
    for (QAction *item : items) {
        const QString tag = item->property(kTagProperty).toString();
        if (tag == QLatin1String("O")) {
            item->setVisible(true);
            continue;
        }
        if (tag == QLatin1String("D")) {
            item->setVisible(false);
            continue;
        }
        const auto it = codes.constFind(FunctionTable::rightOf(item->objectName()));
        if (it == codes.constEnd())
            continue;
        item->setVisible(true);
        item->setEnabled(!isWithheld(*it, functions) && (!available || available(item)));
    }
}

bool load(QWidget *window, const QString &functions, const std::function<bool(QAction *)> &available)
{
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), kQuery);
    if (!rows.ok && !rows.noRows()) {
        GECentr::showMessage(QStringLiteral("Contattare Responsabile della Procedura. Errore nella gestione delle "
                                            "abilitazioni dell'operatore."));
        GECentr::closeProgram(1);
        return false;
    }
    QHash<QString, QString> codes;
    for (int r = 0; r < rows.rowCount(); ++r)
        codes.insert(rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed());
    apply(menuItems(window), codes, functions, available);
    return true;
}

const QStringList &emergencyLocal()
{
    static const QStringList names{
        QStringLiteral("mnuprotocollo"), QStringLiteral("mnuProtDocEmerg"), QStringLiteral("MnuRiepiloghi"),
        QStringLiteral("mnuriepemerg"),  QStringLiteral("mnuforms"),        QStringLiteral("mnusovrapponi"),
        QStringLiteral("mnuaffianca"),   QStringLiteral("mnuaffvert"),      QStringLiteral("mnudispicone"),
        QStringLiteral("MnuUscita"),     QStringLiteral("MnuInformazioni")};
    return names;
}

void applySessionMenus(QWidget *window, bool emergency, const std::function<bool(QAction *)> &available)
{
    const auto find = [window](const QString &name) { return window->findChild<QAction *>(name); };
    if (emergency) {
        for (QAction *a : menuItems(window))
            if (!emergencyLocal().contains(a->objectName()))
                a->setEnabled(false);
    }
    if (QAction *a = find(QStringLiteral("mnuProtDocEmerg")))
        a->setEnabled(emergency && (!available || available(a)));
}

} // namespace FunctionRights
