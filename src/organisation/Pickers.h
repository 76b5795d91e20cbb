#pragma once
// Department and office pickers (open records only) and the lookups of
// entities, departments and offices.

#include <QVector>
#include <functional>

#include "ui/CodeLookup.h"

class QComboBox;

namespace nimbo::organisation {

QVector<ui::Match> openDepartments(const QString &ente);
QVector<ui::Match> openOffices(const QString &ente, const QString &dip);
void fillPicker(QComboBox *combo, const QVector<ui::Match> &rows);
ui::CodeLookup::Finder departmentFinder(std::function<QString()> ente);
ui::CodeLookup::Finder officeFinder(std::function<QString()> ente, std::function<QString()> dip);
// Entities by code, or by the beginning of their name.
ui::CodeLookup::Finder entityFinder();

} // namespace nimbo::organisation
