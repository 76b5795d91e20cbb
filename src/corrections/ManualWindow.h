#pragma once
// Registration of a protocol first written by hand in a paper emergency
// register: the registration window with the paper register's fields. The
// protocol gets a new number from the protocol server; the paper register
// and its number go with it (ManualRules.h), and the server refuses a paper
// number brought in twice.

#include "corrections/ManualRules.h"
#include "protocol/FrmProtocollo.h"

class QLabel;
class QLineEdit;

namespace nimbo::corrections {

class FrmProtoManuale : public protocol::FrmProtocollo {
    Q_OBJECT
public:
    explicit FrmProtoManuale(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    PaperFields paper() const;

    static const QString kTitle;
    static const QString kStatus;

protected:
    std::optional<protocol::Failure> checksBefore(const protocol::ProtocolForm &f,
                                                  const protocol::Context &ctx) const override;
    QString subjectWarning(const protocol::ProtocolForm &f, const protocol::Context &ctx) const override;
    ColumnValues ownColumns(const protocol::ProtocolForm &f, const protocol::Context &ctx) const override;
    void modeChanged() override;

private:
    // The toolbar, status, captions and fields that follow the key pressed.
    void settle(const QString &key, bool proceeded);
    void relabel();
    void setPaperEditable(bool editable);

    QLineEdit *year_, *id_, *progressive_, *number_, *day_;
    QLabel *department_ = nullptr;
};

} // namespace nimbo::corrections
