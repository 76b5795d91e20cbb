#pragma once
// The department and office pickers of every window: the open departments
// of an entity and the open offices of a department (closed ones hold "SI"
// in their closed flag), ordered by name, as combo items or as the finders
// of a code-lookup field.

#include <QString>
#include <QVector>
#include <functional>

#include "ui/CodeLookup.h"

class QComboBox;

namespace nimbo::organisation {

QVector<ui::Match> openDepartments(const QString &ente);
QVector<ui::Match> openOffices(const QString &ente, const QString &dip);

// Items "code - name", item data the code; the combo is left without a
// current item, so that the operator chooses one.
void fillPicker(QComboBox *combo, const QVector<ui::Match> &items);
// The code of the combo's current item; empty when none.
QString pickedCode(const QComboBox *combo);
// The name of the current item: the text after " - ".
QString pickedName(const QComboBox *combo);

// The lookups of a department or an office typed into a code field: by
// code (whatever the case typed) or by the beginning of the name. Closed
// records are left out unless openOnly says otherwise (a registered
// protocol keeps the office it was registered by, closed or not).
QString departmentQuery(const QString &ente, const QString &typed, bool byDescription, bool openOnly = true);
QString officeQuery(const QString &ente, const QString &dip, const QString &typed, bool byDescription,
                    bool openOnly = true);

ui::CodeLookup::Finder departmentFinder(std::function<QString()> ente, std::function<bool()> openOnly = {});
ui::CodeLookup::Finder officeFinder(std::function<QString()> ente, std::function<QString()> dip,
                                    std::function<bool()> openOnly = {});
// Entities by code, or by the beginning of their name.
ui::CodeLookup::Finder entityFinder();

} // namespace nimbo::organisation
