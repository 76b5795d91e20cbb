#pragma once
// The code-lookup field: a code box, the description beside it and the
// pick list they share with the other lookups of the window. Enter searches
// by description when the text begins with a letter (falling back to the
// code when no description matches) and by code otherwise; one match is
// taken, several open the pick list. The description is cleared as soon as
// the code is edited and looked up again when the field is left.

#include <QListWidget>
#include <QObject>
#include <QPointer>
#include <QVector>
#include <functional>

class QLabel;
class QLineEdit;

namespace nimbo::ui {

struct Match {
    QString code;        // as the field holds it
    QString description;
    QString listText;    // the pick-list row; "code - description" when empty
};

// The text is a search by description when it begins with a letter.
bool searchesByDescription(const QString &typed);

// The pop-up list of the lookups ("ListDecod"): it floats over the window
// under the field it serves, so showing it never moves the other fields.
class PickList : public QListWidget {
    Q_OBJECT
public:
    explicit PickList(QWidget *window);
    using Take = std::function<void(const Match &)>;
    // Shows the rows under `anchor`; Enter or a double click calls take.
    // The list takes the focus unless told to leave it where it is (the
    // clerk goes on typing while it narrows).
    void open(QWidget *anchor, const QVector<Match> &rows, Take take, bool takeFocus = true);
    void dismiss();
    // The field the list was opened for.
    QWidget *anchor() const { return anchor_; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void taken(QListWidgetItem *item);
    QVector<Match> rows_;
    Take take_;
    QPointer<QWidget> anchor_;
};

class TypeAhead;

class CodeLookup : public QObject {
    Q_OBJECT
public:
    // Every match of the typed text, by description or by code.
    using Finder = std::function<QVector<Match>(const QString &typed, bool byDescription)>;
    CodeLookup(QLineEdit *code, QLabel *description, PickList *list, Finder finder, QObject *parent = nullptr);

    QLineEdit *code() const { return code_; }
    QLabel *description() const { return description_; }

    // Enter in the code field.
    void enter();
    // The field left: its description follows the code (or goes when the
    // code matches nothing).
    void refresh();
    // Enter on fewer characters than this shows the message instead of
    // searching (lists too long to be of use: every municipality with "RO").
    void setMinimumLength(int chars, const QString &message);
    // Several matches of a text taken as a code open the pick list too (a
    // postal code shared by several municipalities); by default the first
    // is taken, as codes are unique.
    void setPicksAmongCodes(bool picks) { picksAmongCodes_ = picks; }
    // Told when Enter finds nothing ("Nessun Comune trovato").
    void setNothingFound(const QString &text) { nothingFound_ = text; }
    // Searches by description as the clerk types (ui/TypeAhead.h); Enter
    // works as without it. The typing may have a finder of its own (a
    // shorter list, quicker to give).
    void setSearchAsYouType(bool on, Finder whileTyping = {});
    TypeAhead *typeAhead() const { return typeAhead_; }

    // Code and description set by the window (a protocol loaded, a recall).
    void set(const QString &code, const QString &description);
    void clear() { set(QString(), QString()); }

signals:
    // A code was taken from a match (typed, picked or refreshed).
    void taken(const QString &code);

private:
    void take(const Match &m);
    QLineEdit *code_;
    QLabel *description_;
    PickList *list_;
    Finder finder_;
    QString resolved_; // the code the description belongs to
    int minimum_ = 0;
    bool picksAmongCodes_ = false;
    QString tooShort_;
    QString nothingFound_ = QStringLiteral("Nessun elemento trovato");
    TypeAhead *typeAhead_ = nullptr;
};

} // namespace nimbo::ui
