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
    // shown) when it cannot be read.
    bool load(const QString &direction, const QString &number, const protocol::Viewer &viewer);
    QString direction() const;
    QString number() const;
};

} // namespace nimbo::search
