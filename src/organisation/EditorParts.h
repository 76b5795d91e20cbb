#pragma once
// Pieces the entity, department and office editors share: their fields,
// the counters window, and the other editors they open.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace nimbo::ui {
class RecordEditor;
}

namespace nimbo::organisation {

// A text field of at most maxLength characters; upper case when asked.
QLineEdit *textField(QWidget *parent, const char *name, int maxLength, bool upperCase = false);
// A narrow field for a code of at most maxLength characters.
QLineEdit *codeField(QWidget *parent, const char *name, int maxLength, bool upperCase);
// A choice among fixed values (the first one may be the empty "not chosen").
QComboBox *choiceField(QWidget *parent, const char *name, const QStringList &values);
QPushButton *button(QWidget *parent, const char *name, const QString &caption);

// The "Recapiti" group every record of the structure has: telephone and
// fax (TxtTelefono, TxtFax) and e-mail (TxtEmail), added to the detail.
struct Contacts {
    QLineEdit *phone;
    QLineEdit *fax;
    QLineEdit *mail;
};
Contacts addContacts(QVBoxLayout *into, QWidget *detail, int phoneLength, int mailLength);

// The operator writing, as the session knows him.
QString writer();

// Opens the protocol counters of an entity (department empty) or of a
// department, modal over `over`.
void openCounters(QWidget *over, const QString &entity, const QString &department, const QString &heading);

// Opens (or brings forward) a record editor for the records under the
// given context, with its caption and heading; null when the window is not
// part of this installation. Work left half done in a window brought
// forward is dealt with first (the operator is asked).
ui::RecordEditor *openEditorFor(const QString &window, const QList<QPair<QString, QString>> &context,
                                const QString &caption, const QString &heading);

} // namespace nimbo::organisation
