#pragma once
// The structure-change notices not yet applied: the administrator ticks
// the ones being applied and registers the ticks. Notices already applied
// (state "2", set outside this program) are neither listed nor written.

#include <QHash>

#include "ui/ChildWindow.h"

class QLineEdit;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::organisation {

class FrmAggStrutture : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmAggStrutture(QWidget *parent = nullptr);

    ui::RowList *list() const { return list_; }
    void reload();
    // Writes the ticks; false when nothing was written.
    bool registerTicks();

    void ELABORATBAR(const QString &key) override;

    // Columns of the list past the shown ones.
    static constexpr int kIdColumn = 5;
    static constexpr int kStateColumn = 6;

private:
    void showNotice(int row);
    void clearDetail();

    ui::RowList *list_;
    QHash<QString, QLineEdit *> detail_;
};

} // namespace nimbo::organisation
