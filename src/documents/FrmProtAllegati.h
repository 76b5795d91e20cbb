#pragma once
// "Gestione Allegati per Numero di Protocollo": the attachments of a
// protocol; the registration window may add and delete them, the
// consultation windows only look.

#include "ui/ChildWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace nimbo::documents {

class FrmProtAllegati : public ChildWindow {
    Q_OBJECT
public:
    explicit FrmProtAllegati(QWidget *parent = nullptr);

    // The opening window's name ("FRMPROTOCOLLO", "FRMITER", "FRMINCARICO", ...).
    Q_INVOKABLE void setCaller(const QString &caller);
    Q_INVOKABLE void setProtocol(const QString &direction, const QString &number);
    // A file dropped here or on the registration window: stored as a new
    // attachment exactly as one chosen with "Scegli" (its name as the
    // description when none is typed). False when refused or not stored;
    // the operator has been told why.
    Q_INVOKABLE bool addFile(const QString &path);
    void ELABORATBAR(const QString &key) override;
    QSize sizeHint() const override;

    bool mayChange() const { return mayChange_; }
    int attachmentCount() const;

private:
    void load();
    void choose();
    bool add();
    void remove();
    void show(int row);

    QLabel *lblProtocollo_, *lblMessaggio_;
    QTreeWidget *list_;
    QLineEdit *txtFile_, *txtDescrizione_;
    QPushButton *cmdScegli_, *cmdRegistra_, *cmdCancella_, *cmdEsci_;
    QWidget *addBox_;
    QString caller_, direction_, number_;
    bool mayChange_ = false;
};

// Callers that consult only.
bool isConsultation(const QString &caller);

} // namespace nimbo::documents
