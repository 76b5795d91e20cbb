#pragma once
// The protocols linked to one protocol, with the chosen one's detail: the
// registration window's linked-protocols panel, and (without the buttons
// that change links) the consultation window of the links library.

#include <QGroupBox>
#include <QHash>

#include "protocol/ProtocolLinks.h"

class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class RowList;
}

namespace nimbo::protocol {

class LinkedPanel : public QGroupBox {
    Q_OBJECT
public:
    // editable: the clerk may link further protocols and remove links.
    explicit LinkedPanel(bool editable, QWidget *parent = nullptr);

    // Shows the links of the protocol (direction, register key).
    void setProtocol(const QString &direction, const QString &number);
    links::Key protocol() const { return protocol_; }
    ui::RowList *list() const { return list_; }
    // The linked protocol chosen in the list; empty when none.
    links::Key chosen() const;
    QPushButton *exitButton() const { return exit_; }

    static const QString kTitle; // "Documenti protocollati collegati al protocollo N. "

public slots:
    void reload();

private:
    void showDetail(int row);
    void clearDetail();
    void openLinkWindow();
    void removeChosen();
    void viewDocument();

    links::Key protocol_;
    ui::RowList *list_ = nullptr;
    QHash<int, QLineEdit *> detail_;
    QPushButton *add_ = nullptr, *remove_ = nullptr, *view_ = nullptr, *exit_ = nullptr;
};

} // namespace nimbo::protocol
