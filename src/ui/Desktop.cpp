#include "ui/Desktop.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QSettings>
#include <QTranslator>
#include <QWidget>
#include <QWindow>

namespace nimbo::ui {

QSettings userSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"));
}

QString qtTranslationsPath() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool installItalian()
{
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    auto *app = QCoreApplication::instance();
    if (!app)
        return false;
    static QTranslator *installed = nullptr;
    if (installed)
        return true;
    auto *t = new QTranslator(app);
    if (!t->load(QStringLiteral("qtbase_it"), qtTranslationsPath())) {
        delete t;
        return false;
    }
    QCoreApplication::installTranslator(t);
    installed = t;
    QObject::connect(t, &QObject::destroyed, [] { installed = nullptr; });
    return true;
}

bool restorePlacement(QWidget *window, const QString &key)
{
    const QByteArray geometry = userSettings().value(key + QStringLiteral("/geometry")).toByteArray();
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

Placement firstPlacement(const QRect &available, const QMargins &frame, const QSize &preferred)
{
    const QSize frames(frame.left() + frame.right(), frame.top() + frame.bottom());
    const QSize size = preferred.boundedTo(available.size() - frames);
    const QSize outer = size + frames;
    return {available.topLeft() + QPoint((available.width() - outer.width()) / 2,
                                         (available.height() - outer.height()) / 2),
            size};
}

void placeFirstTime(QWidget *window, const QSize &preferred)
{
    const QScreen *screen = window->screen();
    if (!screen)
        return;
    QMargins frame(8, 32, 8, 8);
    if (const QWindow *handle = window->windowHandle(); handle && !handle->frameMargins().isNull())
        frame = handle->frameMargins();
    const Placement p = firstPlacement(screen->availableGeometry(), frame, preferred);
    window->resize(p.size);
    window->move(p.frameTopLeft);
}

void savePlacement(const QWidget *window, const QString &key)
{
    QSettings s = userSettings();
    s.setValue(key + QStringLiteral("/geometry"), window->saveGeometry());
    s.sync();
}

} // namespace nimbo::ui
