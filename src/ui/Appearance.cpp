#include "ui/Appearance.h"

#include <QApplication>
#include <QSettings>
#include <QShortcut>
#include <QWidget>


namespace nimbo::ui {

namespace {

const QString kKey = QStringLiteral("aspetto/dimensioneTesto");

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"));
}

// The desktop's own size, taken before the program first changes it.
int desktopSize()
{
    static const int size = QApplication::font().pointSize() > 0 ? QApplication::font().pointSize() : 10;
    return size;
}

void apply(int points)
{
    QFont f = QApplication::font();
    if (f.pointSize() == points)
        return;
    f.setPointSize(points);
    QApplication::setFont(f);
}

} // namespace

int fontSize()
{
    const int p = QApplication::font().pointSize();
    return p > 0 ? p : desktopSize();
}

void setFontSize(int points)
{
    desktopSize();
    points = qBound(kSmallestFont, points, kLargestFont);
    apply(points);
    QSettings s = settings();
    s.setValue(kKey, points);
    s.sync();
}

int changeFontSize(int delta)
{
    setFontSize(fontSize() + delta);
    return fontSize();
}

void resetFontSize()
{
    apply(desktopSize());
    QSettings s = settings();
    s.remove(kKey);
    s.sync();
}

void applyKeptFontSize()
{
    desktopSize();
    bool ok = false;
    const int kept = settings().value(kKey).toInt(&ok);
    // A size edited by hand out of the limits is brought back within them.
    if (ok && kept > 0)
        apply(qBound(kSmallestFont, kept, kLargestFont));
}

void bindFontKeys(QWidget *window)
{
    const auto bind = [window](const QList<QKeySequence> &keys, const char *name, auto act) {
        for (const QKeySequence &k : keys) {
            auto *s = new QShortcut(k, window);
            s->setObjectName(QLatin1String(name));
            QObject::connect(s, &QShortcut::activated, window, act);
        }
    };
    // Ctrl++ is typed as Ctrl+= on most keyboards without the numeric pad.
    bind({QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)}, "fontLarger",
         [] { changeFontSize(1); });
    bind({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, "fontSmaller", [] { changeFontSize(-1); });
    bind({QKeySequence(Qt::CTRL | Qt::Key_0)}, "fontDesktop", [] { resetFontSize(); });
}

} // namespace nimbo::ui
