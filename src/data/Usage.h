#pragma once
// "Is this department / office still used?" The queries a deletion runs,
// in the order it runs them, stopping at the first that finds a row. Each
// is "SELECT 1 FROM <table> WHERE ... LIMIT 1" with the codes quoted.
//
// A department is looked for by its code alone in the tables that record
// where a document, person or office sits (offices, operators, protocols'
// receiving seat, address book, filing and deadline tables), whatever
// entity the row belongs to; the rows that name it together with their
// entity (extra department/office pairs of operators, groups of offices,
// owner of a linked document) are looked for with the entity as well. An
// office is always looked for by entity and office code.

#include <QStringList>

namespace Usage {

QStringList departmentUsage(const QString &ente, const QString &dipartimento);
QStringList officeUsage(const QString &ente, const QString &ufficio);

// ---- municipalities ----
// A municipality is looked for by its code, whatever the entity, in every
// row that records where something sits, in this order: address-book
// entries, entities, departments, offices, then the history of departments
// and of offices (whose viewers show the municipality's name).
QStringList municipalityUsage(const QString &comune);

} // namespace Usage

// ---- provinces and regions (code tables) ----
namespace Usage {

// A province is used by the municipalities that carry its plate code
// (Tab_Comuni.com_codprov): no other table names a province.
QStringList provinceUsage(const QString &plate);
// A region is used by its provinces and by the entities that name it.
QStringList regionUsage(const QString &codreg);

} // namespace Usage
