#include "ui/WindowRegistry.h"

#include <QHash>

namespace nimbo::WindowRegistry {
namespace {

QHash<QString, Factory> &factories()
{
    static QHash<QString, Factory> map;
    return map;
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

} // namespace nimbo::WindowRegistry
