#include "links/LinkLists.h"

#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::links {

void setProtocolColumns(ui::RowList *list)
{
    list->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto;Mittente/Destinatario;;"),
                     QStringLiteral("5;13;10;45;30;0;0"));
    list->setFitToWidth(true);
}

F::Columns shownProtocols(const F::LoadedRows &rows, const protocol::Viewer &viewer, const QString &leaveOut)
{
    F::Columns shown(kPrivacyColumn + 1);
    const QString mask = QString::fromLatin1(protocol::scope::kTrayMask);
    for (int i = 0; rows.ok && i < rows.rowCount(); ++i) {
        const QString number = rows.value(1, i).toString().trimmed();
        if (!leaveOut.isEmpty() && number == leaveOut)
            continue;
        const QString flag = rows.value(5, i).toString().trimmed();
        shown[0].append(rows.value(0, i).toString().trimmed());
        shown[1].append(shownNumber(number));
        shown[2].append(protocol::dateText(rows.value(2, i)));
        shown[3].append(protocol::scope::shownSubject(viewer, rows.value(3, i).toString(), flag, mask));
        shown[4].append(protocol::scope::shownSubject(viewer, rows.value(4, i).toString(), flag, mask));
        shown[kKeyColumn].append(number);
        shown[kPrivacyColumn].append(flag);
    }
    return shown;
}

int documentsRow(const ui::RowList *list, const QString &caption, const QString &refusal)
{
    const int row = list->currentRow();
    if (row < 0) {
        showBox(caption, QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco"),
                Icon::Warning);
        return -1;
    }
    if (list->text(row, kPrivacyColumn).trimmed() == QLatin1String("S") && !protocol::Viewer::fromSession().privacy) {
        showBox(caption, refusal, Icon::Warning);
        return -1;
    }
    return row;
}

void openDocuments(const ui::RowList *list, int row, const QString &window, const QString &caller)
{
    QWidget *w = WindowRegistry::open(window);
    if (!w)
        return;
    if (!caller.isEmpty())
        QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, caller));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, list->text(row, 0).trimmed()),
                              Q_ARG(QString, list->text(row, kKeyColumn).trimmed()));
}

} // namespace nimbo::links
