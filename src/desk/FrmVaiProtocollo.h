#pragma once
// "Vai al protocollo": one protocol, read-only, reached from the main
// window's find box or the start page; only a protocol the operator may see
// is shown.

#include <QPointer>

#include "ui/ChildWindow.h"

namespace nimbo::search {
class ProtocolDetail;
}

namespace nimbo::desk {

class FrmVaiProtocollo : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmVaiProtocollo(QWidget *parent = nullptr);

    // Shows the protocol when the operator may see it; otherwise says it is
    // not found or not visible (one message for both) and returns false.
    Q_INVOKABLE bool setProtocol(const QString &direction, const QString &number);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;
    search::ProtocolDetail *detail() const { return detail_; }

private:
    search::ProtocolDetail *detail_;
};

// What the find box does with the typed text: the window of the protocol
// found, or null after telling the operator why.
QWidget *goToProtocol(const QString &typed);

} // namespace nimbo::desk
