#pragma once
// The date box of every window: "dd/mm/yyyy" typed (the slashes come by
// themselves, "1/3/2026" becomes "01/03/2026" on leaving), only real dates
// accepted, and a calendar that pops up from the button at its right end.
// It stays a QLineEdit, so text() is what the window's rules read.

#include <QDate>
#include <QLineEdit>
#include <QPointer>
#include <QValidator>

class QAction;
class QCalendarWidget;

namespace nimbo::ui {

// Accepts "dd/mm/yyyy" of a real date (from 1900), the empty text, and
// whatever can still become one while it is typed.
class DateValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
    void fixup(QString &input) const override;
};

class DateField : public QLineEdit {
    Q_OBJECT
public:
    explicit DateField(QWidget *parent = nullptr);

    // Invalid when the text is not a whole date.
    QDate date() const;
    void setDate(const QDate &date); // an invalid date empties the field

    // The calendar pop-up (created when first opened); null while closed.
    QCalendarWidget *calendar() const;
    void openCalendar();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;

private:
    QAction *button_;
    QPointer<QCalendarWidget> calendar_;
};

} // namespace nimbo::ui
