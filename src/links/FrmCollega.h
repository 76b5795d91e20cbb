#pragma once
// "Collega ulteriore protocollo": searches the protocols that may be linked
// to the one it was opened for and links the chosen one. The caller learns
// of each link through linked().

#include <QPointer>

#include "protocol/ProtocolLinks.h"
#include "ui/ChildWindow.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace nimbo::ui {
class CodeLookup;
class PickList;
class RowList;
} // namespace nimbo::ui

namespace nimbo::links {

class FrmCollega : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmCollega(QWidget *parent = nullptr);

    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    void ELABORATBAR(const QString &key) override;

    protocol::links::Criteria criteria() const;
    ui::RowList *list() const { return list_; }
    QString statusText() const;
    // Wide enough for the list's texts; the main window bounds it.
    QSize sizeHint() const override;

    static const QString kCaption;

public slots:
    void search();
    void linkChosen();
    void viewDocuments();

signals:
    void linked();

private:
    QLineEdit *edit(QWidget *parent, const char *name, int chars = 0);
    QComboBox *comparison(QWidget *parent, const char *name);
    QLineEdit *field(const char *name) const;

    protocol::links::Key protocol_;
    QLabel *heading_ = nullptr, *status_ = nullptr, *found_ = nullptr;
    QCheckBox *chkE_ = nullptr, *chkU_ = nullptr;
    QComboBox *docType_ = nullptr;
    ui::PickList *pick_ = nullptr;
    ui::CodeLookup *department_ = nullptr, *office_ = nullptr;
    ui::RowList *list_ = nullptr;
};

} // namespace nimbo::links
