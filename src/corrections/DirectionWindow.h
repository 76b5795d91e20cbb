#pragma once
// "Modifica Tipo Protocollo": a protocol the operator registered, found by
// its number, turned from incoming to outgoing or the reverse through the
// protocol server (servers/DirectionRequests.h), keeping its number.

#include <QHash>
#include <QString>

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::corrections {

class FrmModifProto : public ChildWindow {
    Q_OBJECT
public:
    static const QString kCaption;

    explicit FrmModifProto(QWidget *parent = nullptr);
    QSize sizeHint() const override;
    void ELABORATBAR(const QString &key) override;

    // The protocol shown: direction and register key, empty when none.
    QString direction() const { return direction_; }
    QString number() const { return number_; }

public slots:
    // "Cerca": the protocol of the typed number, when the operator may
    // change it; false when none is shown.
    bool search();
    // "Inverti Tipologia"; true when the change was written.
    bool invert();

private:
    bool show(const QString &number);
    void clearShown();

    QLineEdit *typed_ = nullptr;
    QHash<int, QLineEdit *> fields_;
    QLabel *correspondentCaption_ = nullptr, *state_ = nullptr;
    QPushButton *invert_ = nullptr;
    QString direction_, number_, correspondentCode_;
};

} // namespace nimbo::corrections
