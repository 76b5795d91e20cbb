#pragma once
// "Recupero Protocolli": the registration window registering a protocol
// under a number and date left free in the past, through the protocol
// server's operation 110. The clerk gives the year (TxtAnnoProtocollo), the
// number (txtNumeroProtocollo) and the protocol date; everything else is
// the registration window's.

#include <QDate>

#include "protocol/FrmProtocollo.h"

namespace nimbo::corrections {

class FrmRecuperaProto : public protocol::FrmProtocollo {
    Q_OBJECT
public:
    explicit FrmRecuperaProto(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;

protected:
    void modeChanged() override;
    std::optional<protocol::Failure> checkNew(protocol::ProtocolForm *f, const protocol::Context &ctx) override;
    short newRequest(const protocol::ProtocolForm &f, const protocol::Context &ctx,
                     QVariantList *request) const override;

private:
    QLineEdit *line(const char *name) const;
    void showStatus(const QString &text);
    // The year, number and date open to typing while a new protocol is
    // being typed, shown read-only otherwise.
    void openEntry(bool open);
    void showIdle();
    void relabel(bool incoming);

    QLineEdit *year_ = nullptr;
    QLabel *department_ = nullptr;
    QString today_; // the registration date, the day "NUOVO" was pressed
};

} // namespace nimbo::corrections
