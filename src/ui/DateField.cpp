#include "ui/DateField.h"

#include <QAction>
#include <QCalendarWidget>
#include <QEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>

namespace nimbo::ui {

namespace {

const QString kFormat = QStringLiteral("dd/MM/yyyy");
constexpr int kFirstYear = 1900;

// A small calendar sheet, drawn so that no icon theme is needed.
QIcon calendarIcon(const QPalette &pal)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QColor ink = pal.color(QPalette::WindowText);
    p.setPen(ink);
    p.drawRect(1, 2, 13, 12);
    p.fillRect(2, 3, 12, 3, pal.color(QPalette::Highlight));
    for (int y = 8; y <= 12; y += 2)
        for (int x = 3; x <= 12; x += 3)
            p.fillRect(x, y, 2, 1, ink);
    p.drawLine(4, 1, 4, 3);
    p.drawLine(11, 1, 11, 3);
    return QIcon(pm);
}

bool digitsOnly(const QString &s)
{
    for (const QChar c : s)
        if (!c.isDigit())
            return false;
    return true;
}

// The latest day that month m can have (29 for February, whatever the year).
int maxDay(int m)
{
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m >= 1 && m <= 12 ? days[m - 1] : 31;
}

} // namespace

QValidator::State DateValidator::validate(QString &input, int &pos) const
{
    if (input.isEmpty())
        return Acceptable;
    // The slashes come by themselves while digits are typed:
    // "150320" -> "15/03/20", and "15/032" -> "15/03/2".
    const int before = int(input.size());
    if (digitsOnly(input) && input.size() > 2 && input.size() <= 8) {
        input = input.left(2) + QLatin1Char('/') + input.mid(2, 2) + (input.size() > 4 ? QStringLiteral("/") : QString())
                + input.mid(4);
    } else if (input.count(QLatin1Char('/')) == 1) {
        const QString first = input.section(QLatin1Char('/'), 0, 0), second = input.section(QLatin1Char('/'), 1);
        if (first.size() <= 2 && second.size() > 2 && second.size() <= 6 && digitsOnly(second))
            input = first + QLatin1Char('/') + second.left(2) + QLatin1Char('/') + second.mid(2);
    }
    pos = qBound(0, pos + int(input.size()) - before, int(input.size()));
    if (input.size() > 10)
        return Invalid;
    for (const QChar c : std::as_const(input))
        if (!c.isDigit() && c != QLatin1Char('/'))
            return Invalid;
    const QStringList parts = input.split(QLatin1Char('/'));
    if (parts.size() > 3)
        return Invalid;
    const QString d = parts.value(0), m = parts.value(1), y = parts.value(2);
    if (d.size() > 2 || m.size() > 2 || y.size() > 4)
        return Invalid;
    const int day = d.toInt(), month = m.toInt();
    if ((d.size() == 2 && (day < 1 || day > 31)) || (m.size() == 2 && (month < 1 || month > 12)))
        return Invalid;
    if (!m.isEmpty() && m.size() == 2 && !d.isEmpty() && day > maxDay(month))
        return Invalid;
    if (y.size() == 4) {
        const QDate date(y.toInt(), month, day);
        if (!date.isValid() || date.year() < kFirstYear)
            return Invalid;
        return d.size() == 2 && m.size() == 2 ? Acceptable : Intermediate;
    }
    return Intermediate;
}

void DateValidator::fixup(QString &input) const
{
    const QDate date = QDate::fromString(input, QStringLiteral("d/M/yyyy"));
    if (date.isValid() && date.year() >= kFirstYear)
        input = date.toString(kFormat);
}

DateField::DateField(QWidget *parent) : QLineEdit(parent)
{
    setValidator(new DateValidator(this));
    setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    button_ = addAction(calendarIcon(palette()), QLineEdit::TrailingPosition);
    button_->setObjectName(QStringLiteral("calendario"));
    button_->setToolTip(QStringLiteral("Calendario"));
    connect(button_, &QAction::triggered, this, &DateField::openCalendar);
}

QDate DateField::date() const
{
    const QDate d = QDate::fromString(text().trimmed(), kFormat);
    return d.isValid() && d.year() >= kFirstYear ? d : QDate();
}

void DateField::setDate(const QDate &date) { setText(date.isValid() ? date.toString(kFormat) : QString()); }

QCalendarWidget *DateField::calendar() const { return calendar_; }

void DateField::openCalendar()
{
    if (isReadOnly() || !isEnabled())
        return;
    if (!calendar_) {
        calendar_ = new QCalendarWidget(this);
        calendar_->setObjectName(QStringLiteral("calendarioPopup"));
        calendar_->setWindowFlags(Qt::Popup);
        calendar_->setGridVisible(true);
        calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar_->setMinimumDate(QDate(kFirstYear, 1, 1));
        connect(calendar_, &QCalendarWidget::clicked, this, [this](QDate d) {
            setDate(d);
            // A date picked is a date typed, for whoever watches the form.
            emit textEdited(text());
            emit editingFinished();
            calendar_->close();
            setFocus();
        });
        connect(calendar_, &QCalendarWidget::activated, calendar_, &QWidget::close);
    }
    calendar_->setSelectedDate(date().isValid() ? date() : QDate::currentDate());
    calendar_->adjustSize();
    calendar_->move(mapToGlobal(QPoint(0, height())));
    calendar_->show();
    calendar_->setFocus();
}

QSize DateField::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return {fm.horizontalAdvance(QStringLiteral("00/00/00000")) + 40, QLineEdit::sizeHint().height()};
}

QSize DateField::minimumSizeHint() const { return sizeHint(); }

bool DateField::event(QEvent *e)
{
    if (e->type() == QEvent::ReadOnlyChange || e->type() == QEvent::EnabledChange) {
        button_->setVisible(!isReadOnly());
        setPlaceholderText(isReadOnly() ? QString() : QStringLiteral("gg/mm/aaaa"));
    }
    return QLineEdit::event(e);
}

} // namespace nimbo::ui
