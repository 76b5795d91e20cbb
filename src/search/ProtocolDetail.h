#pragma once
// The read-only detail of one protocol, shown by the search windows while a
// protocol of their list is open: direction and state, number, dates and
// time of receipt, confidentiality, emergency register and number, the
// correspondent, document type, receiving department, office and member,
// subject and notes, its classification and dossiers, its further
// recipients, its routing history and its scanned documents. Reserved
// protocols are masked for a viewer without the privacy right, and their
// scanned documents refused with the caller's message.

#include <QString>
#include <QWidget>

#include "data/Scope.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTreeWidget;

namespace nimbo::ui {
class DescriptionLabel;
class RowList;
} // namespace nimbo::ui

namespace nimbo::search {

class ProtocolDetail : public QWidget {
    Q_OBJECT
public:
    // documentsRefused: the message that refuses a reserved protocol's
    // scanned documents (it differs between the two search windows);
    // callerTag names the caller to the attachment and image windows
    // ("FRMFILTRORPROT").
    ProtocolDetail(const QString &documentsRefused, const QString &callerTag, QWidget *parent = nullptr);

    // Reads and shows the protocol of the viewer's body; false (and nothing
    // shown) when it cannot be read. The operator is told why: a protocol
    // that is not there, or a read that failed. A list of the protocol that
    // could not be read (iter, dossiers, further recipients) is said too,
    // and the rest is still shown.
    bool load(const QString &direction, const QString &number, const protocol::Viewer &viewer);
    QString direction() const;
    QString number() const;
    // The protocol shown is reserved and the viewer lacks the right.
    bool masked() const { return masked_; }
    QSize sizeHint() const override;

private:
    void clear();
    void loadLists();
    void showCancellation();
    void openDocuments(const QString &window);
    QString boxTitle() const;

    QString documentsRefused_, callerTag_;
    QString direction_, number_, ente_, cancellation_;
    bool masked_ = false;

    QPushButton *state_, *others_, *documents_, *attachments_;
    // "ANNULLATO", shown only for a cancelled protocol.
    QLabel *annulled_ = nullptr;
    QLabel *correspondentCaption_, *officeCaption_;
    QLineEdit *numberField_, *date_, *privacy_, *received_, *receivedTime_, *emergencyRegister_, *emergencyNumber_;
    QLineEdit *correspondent_, *docType_, *department_, *office_, *subject_, *notes_;
    ui::DescriptionLabel *docTypeName_, *departmentName_, *officeName_, *memberName_;
    QTabWidget *tabs_;
    QTreeWidget *iter_;
    ui::RowList *dossiers_, *recipients_;
};

} // namespace nimbo::search
