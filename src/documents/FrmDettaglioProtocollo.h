#pragma once
// "Dettaglio del documento": one protocol and its iter, read-only, with its
// scanned document and attachments a click away.

#include <QVector>

#include "data/Funzioni_Com_1.h"
#include "ui/ChildWindow.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace nimbo::documents {

// The queries and lines of the detail view, kept apart from the window.
namespace detail {
// The protocol with its correspondent's name (kept when the address book
// has no row for it) and its privacy flag and registering operator.
QString protocolQuery(const QString &ente, const QString &number);
// Every recipient of every movement of the protocol, by movement then by
// effective assignment date.
QString recipientsQuery(const QString &ente, const QString &direction, const QString &number);
// "                   a: " then the date, department, office and member.
QString recipientLine(const QVariant &assignedOn);
// The iter list of the detail views ("Data e ora", "Tipo movimento",
// "Dipartimento", "Ufficio", "Operatore", "Note"), its columns sized so that
// it never scrolls sideways.
QTreeWidget *iterList(QWidget *parent);
// Fills it: each movement, oldest first, followed by the "a:" lines of its
// recipients; with recipientNotes each recipient's notes stand in the last
// column. False when a read failed (the list then holds what was read, so
// that the caller can say the iter is incomplete rather than empty).
bool fillIter(QTreeWidget *list, const QString &ente, const QString &direction, const QString &number,
              bool recipientNotes);
} // namespace detail

class FrmDettaglioProtocollo : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmDettaglioProtocollo(QWidget *parent = nullptr);

    // Shows the protocol of the operator's body; false (and the window
    // closes) when there is no such protocol. The direction may be empty.
    Q_INVOKABLE bool setProtocol(const QString &direction, const QString &number);
    void ELABORATBAR(const QString &key) override;

private:
    void loadIter();

    QLineEdit *txtNumeroProto_, *txtTipoProto_, *txtDataProtocollo_, *txtMittenteDestinatario_, *txtOggetto_;
    QTreeWidget *lswIter_;
    QPushButton *cmdDocum_, *cmdAllegati_, *cmdClassifica_, *cmdEsci_;
    QString direction_, number_;
};

} // namespace nimbo::documents
