#include "ui/Desktop.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>
#include <QWidget>

namespace nimbo::ui {

namespace {

QSettings settings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Nimbo"), QStringLiteral("nimbo"));
}

} // namespace

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
    const QByteArray geometry = settings().value(key + QStringLiteral("/geometry")).toByteArray();
    return !geometry.isEmpty() && window->restoreGeometry(geometry);
}

void savePlacement(const QWidget *window, const QString &key)
{
    QSettings s = settings();
    s.setValue(key + QStringLiteral("/geometry"), window->saveGeometry());
    s.sync();
}

} // namespace nimbo::ui
