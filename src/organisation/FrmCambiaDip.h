#pragma once
// The department and office the operator works for in this session: his
// own, or one of his further assignments. Every window opened afterwards
// searches and registers under the one chosen; the next login starts from
// his own again.

#include "ui/ChildWindow.h"

class QLabel;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::organisation {

class FrmCambiaDip : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmCambiaDip(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }
    // The query of every pair the operator may work for.
    static QString pairsQuery(const QString &operatorCode);
    // Asks and switches to the chosen row; false when nothing changed.
    bool confirm();

private:
    void showCurrent();

    QLabel *current_;
    ui::RowList *list_;
    QPushButton *ok_;
};

} // namespace nimbo::organisation
