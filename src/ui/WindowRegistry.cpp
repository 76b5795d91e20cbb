#include "ui/WindowRegistry.h"

#include <QHash>
#include <QWidget>

namespace nimbo::WindowRegistry {
namespace {

QHash<QString, Factory> &factories()
{
    static QHash<QString, Factory> map;
    return map;
}

Opener &opener()
{
    static Opener o;
    return o;
}

} // namespace

void add(const QString &name, Factory factory)
{
    if (factory)
        factories().insert(name, std::move(factory));
    else
        factories().remove(name);
}

void remove(const QString &name) { factories().remove(name); }

bool contains(const QString &name) { return factories().contains(name); }

QStringList names() { return factories().keys(); }

QWidget *create(const QString &name)
{
    const auto it = factories().constFind(name);
    return it == factories().constEnd() ? nullptr : (*it)();
}

void setOpener(Opener o) { opener() = std::move(o); }

QWidget *open(const QString &name, const QString &mode)
{
    if (opener())
        return opener()(name, mode);
    QWidget *w = create(name);
    if (!w)
        return nullptr;
    if (w->objectName().isEmpty())
        w->setObjectName(name);
    if (!mode.isEmpty())
        w->setProperty("mode", mode);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->show();
    return w;
}

} // namespace nimbo::WindowRegistry
