#pragma once
// "Trasmissione documenti": an office passes a protocol it holds on to other
// offices and members, for competence or for information.
//
// Opened by name ("FrmTrasmetti") and then told which protocol it acts on:
//   auto *w = qobject_cast<iter::FrmTrasmetti *>(WindowRegistry::open(QStringLiteral("FrmTrasmetti")));
//   w->setProtocol(QStringLiteral("E"), QStringLiteral("20260000012"), QStringLiteral("07/12/2026"));
// (also invokable by name: QMetaObject::invokeMethod(w, "setProtocol", ...)).
// The window emits sent() after a successful transmission, so that the
// opener can reload its lists.

#include <QVector>

#include "iter/SendRules.h"
#include "ui/ChildWindow.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;


namespace nimbo::iter {

class RecipientEditor;

class FrmTrasmetti : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmTrasmetti(QWidget *parent = nullptr);

    // The protocol to transmit: direction "E"/"U", number stored or shown,
    // protocol date "dd/mm/yyyy" (or "yyyy-mm-dd").
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number, const QString &protocolDate);

    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    const QVector<Recipient> &recipients() const;

signals:
    void sent();

private:
    void build();
    void send();

    QString direction_, number_, protocolDate_;

    QLineEdit *txtEUI_ = nullptr, *txtProtI_ = nullptr, *txtDataI_ = nullptr;
    RecipientEditor *recipients_ = nullptr;
    QPlainTextEdit *notes_ = nullptr;
    QPushButton *cmdInvia_ = nullptr, *cmdEsci_ = nullptr;
};

} // namespace nimbo::iter
