#pragma once
// "Elenco Protocolli": the protocols registered in a period, with the chosen
// one's data and classification, from which the clerk picks the precedent of
// the protocol he is working on. The choice goes back through
// precedentChosen().

#include <QHash>

#include "protocol/ProtocolLinks.h"
#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;

namespace nimbo::ui {
class DateField;
class RowList;
} // namespace nimbo::ui

namespace nimbo::links {

class FrmProtPreced : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmProtPreced(QWidget *parent = nullptr);

    // The protocol the precedent is chosen for: it is not offered.
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    void ELABORATBAR(const QString &key) override;

    ui::RowList *list() const { return list_; }
    ui::RowList *classification() const { return dossiers_; }
    // Wide enough for the list's texts; the main window bounds it.
    QSize sizeHint() const override;
    static const QString kCaption;

public slots:
    // Reads the protocols of the period typed; false when a date is wrong.
    bool refresh();
    void handBack();

signals:
    // Direction, register key and subject (masked as the list shows it).
    void precedentChosen(const QString &direction, const QString &number, const QString &subject);

private:
    void showChosen(int row);
    void openDocuments(const QString &window);

    protocol::links::Key protocol_;
    ui::DateField *from_ = nullptr, *to_ = nullptr;
    ui::RowList *list_ = nullptr;
    QHash<int, QLineEdit *> detail_;
    ui::RowList *dossiers_ = nullptr;
};

} // namespace nimbo::links
