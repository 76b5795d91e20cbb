#pragma once
// How the fields of a window are laid out, so that every window looks alike
// and fits a 1024x768 main window: labelled rows inside titled groups,
// narrow code fields with their description beside them, read-only fields
// that look read-only, descriptions that shorten instead of widening the
// window.
//
//   auto *g = new ui::FormGroup(QStringLiteral("Documento"), panel);
//   g->addRow(QStringLiteral("Oggetto"), {subject, searchButton});
//   g->addRow(QStringLiteral("Data"), {date, QStringLiteral("Ora"), time});
//   g->addCodeRow(QStringLiteral("Tipo Documento"), code, description);

#include <QGroupBox>
#include <QLabel>
#include <initializer_list>

class QGridLayout;
class QLineEdit;

namespace nimbo::ui {

// One piece of a row: a field, or an inline caption naming the field after it.
struct Cell {
    Cell(QWidget *w, int stretch = 0) : widget(w), stretch(stretch) {}
    Cell(const char *text) : caption(QString::fromUtf8(text)) {}
    Cell(const QString &text) : caption(text) {}
    QWidget *widget = nullptr;
    QString caption;
    int stretch = 0;
};

class FormGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit FormGroup(const QString &title, QWidget *parent = nullptr);

    // A caption in the first column, then the cells side by side. The caption
    // becomes the buddy label of the first field. A caption widget (a button
    // that opens a list, say) may stand in for the text.
    void addRow(const QString &caption, std::initializer_list<Cell> cells);
    void addRow(QWidget *captionWidget, std::initializer_list<Cell> cells);
    // A code field, its description stretched beside it, then any extras.
    void addCodeRow(const QString &caption, QLineEdit *code, QLabel *description,
                    std::initializer_list<Cell> extras = {});
    void addCodeRow(QWidget *captionWidget, QLineEdit *code, QLabel *description,
                    std::initializer_list<Cell> extras = {});
    // A widget across the whole row.
    void addWide(QWidget *widget);

    QGridLayout *grid() const { return grid_; }

private:
    void place(QWidget *captionWidget, std::initializer_list<Cell> cells);
    QGridLayout *grid_;
    int row_ = 0;
};

// A caption label; `buddy` gets the focus when its mnemonic is used.
QLabel *caption(const QString &text, QWidget *parent, QWidget *buddy = nullptr);

// Read-only fields are drawn on the window colour and skipped by Tab, so
// that nobody tries to type into them; editable ones get the normal look back.
void setReadOnly(QLineEdit *field, bool readOnly = true);
// A read-only field shows the start of its text and the whole of it in its
// tip, so that a long text is never shown by its tail ("026" for a date).
// A field for short data (a date, a number) is given room for `chars`
// characters and never less; 0 lets it stretch.
QLineEdit *readOnlyField(QWidget *parent, const char *name, int chars = 0);
// True when the field is drawn as read-only.
bool looksReadOnly(const QLineEdit *field);

// A narrow field for a code of at most `chars` characters; with upperCase
// every letter typed is shown and kept in upper case.
void makeCodeField(QLineEdit *field, int chars, bool upperCase);
// Width for `chars` characters of the field's font, frame included.
int fieldWidth(const QWidget *field, int chars);

// The description shown beside a code, or any long text that must not
// widen its window: drawn in a read-only box, shortened with "..." when it
// does not fit, the whole text in its tooltip. text() is always the whole text.
class DescriptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit DescriptionLabel(QWidget *parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // True when the text is wider than the box and drawn shortened.
    bool elided() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

} // namespace nimbo::ui
