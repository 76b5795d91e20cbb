#pragma once
// Recovery of the registrations of an electronic emergency register: the
// operator picks a closed session, then each of its registrations, completes
// it with what the general register requires and gives it its definitive
// number. Once recovered, a registration is open to assignment and links.

#include <QHash>

#include "ui/RecordEditor.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbo::ui {
class CodeLookup;
class PickList;
} // namespace nimbo::ui

namespace nimbo::emergency {

struct ImageCopy;

class FrmRecuperaEmeT : public ui::RecordEditor {
    Q_OBJECT
public:
    explicit FrmRecuperaEmeT(QWidget *parent = nullptr);
    void ELABORATBAR(const QString &key) override;
    ui::RowList *list() const { return list_; }
    ui::RowList *links() const { return links_; }
    // "Avvia Ricerca": checks the fields, reads the session (offering to
    // close it) and lists its registrations; false when it stopped.
    bool findSession();
    QString sessionKey() const { return sessionKey_; }
    // Removes the link of the definitive protocol with the selected one.
    void removeLink();

protected:
    ui::CheckList checks(bool isNew) const override;
    void enteredMode(Mode mode) override;
    void loaded(const ui::Record &record) override;
    void written(bool deleted) override;
    QString toolbarFor(Mode mode) const override;
    bool writeRecord(const ui::Record &record, bool isNew) override;

private slots:
    // Also when the link window has linked a protocol.
    void loadLinks();

private:
    QString listQuery() const;
    void openAssignment();
    // "...": the address-book entries matching what was typed, to choose
    // from; the address book itself when there are none.
    void chooseCorrespondent();
    bool transferred() const;
    // The numbers and session of the record as the clerk reads them.
    void showNumbers();
    // The follow-up buttons that open a window of another part by name.
    QHash<QPushButton *, QString> followUps() const;
    void reportImageFailure(const ImageCopy &copy);

    QString sessionKey_;
    ui::RowList *list_;
    ui::RowList *links_;
    QLineEdit *year_, *station_, *sessionNo_;
    QLineEdit *direction_, *number_, *general_, *sessionKeyField_, *numberShown_, *generalShown_, *time_, *receivedAt_, *who_, *correspondent_;
    QLineEdit *type_, *subject_, *notes_, *refNumber_, *refDate_, *recipients_, *date_, *received_;
    QLabel *directionLabel_, *whoCaption_;
    QGroupBox *linkPanel_;
    QPushButton *assign_, *classify_, *recipientsButton_, *linked_, *previous_, *docs_;
    QPushButton *addLink_, *dropLink_, *viewLink_, *closeLinks_;
    ui::PickList *pick_;
    ui::CodeLookup *whoLookup_, *typeLookup_;
    ui::Record lastWritten_;
    bool imagePending_ = false;
};

} // namespace nimbo::emergency
