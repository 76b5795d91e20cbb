#include "ui/SearchKit.h"

#include <QComboBox>
#include <QTableView>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::ui {

void fillCodeCombo(QComboBox *combo, const QString &firstItem, const QString &sql, const QString &database)
{
    combo->clear();
    combo->addItem(firstItem, QString());
    if (sql.isEmpty())
        return;
    const F::LoadedRows rows = F::loadRows(database, sql);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        combo->addItem(code + QStringLiteral(" - ") + rows.value(1, r).toString().trimmed(), code);
    }
}

int stepRow(const RowList *list, int delta, const QString &caption)
{
    const QModelIndex at = list->view()->currentIndex();
    if (!at.isValid())
        return -1;
    const int next = at.row() + delta;
    if (next < 0) {
        showBox(caption, QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato "
                                           "è il primo dell'elenco selezionato."));
        return -1;
    }
    if (next >= list->proxy()->rowCount()) {
        showBox(caption, QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato "
                                           "è l'ultimo dell'elenco selezionato."));
        return -1;
    }
    return list->proxy()->mapToSource(list->proxy()->index(next, 0)).row();
}

} // namespace nimbo::ui
