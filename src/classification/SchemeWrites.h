#pragma once
// Writing an element of the classification scheme. Written inactive, the
// element takes the levels below it and their open dossiers with it; the
// element's own row and everything the deactivation changes are written in
// one transaction, so that a failure half-way leaves the branch exactly as
// it was, the element included.

#include <QDate>

#include "classification/SchemeRules.h"
#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"

namespace nimbo::classification {

struct SchemeWrite {
    SchemeLevel level = SchemeLevel::Title;
    SchemePath path;              // the element, its own code included
    Funzioni_Com_1::FieldList fields; // the columns written ("A": every one; "R": what changes)
    bool isNew = false;
    bool active = true;
    QDate today;
    QString writer;
};

// On an open database. A change that finds no row fails.
Funzioni_Com_1::BuildResult writeSchemeElement(const C_GestDB::Database &db, const SchemeWrite &w);
// On the central register of the session, opened for the write and closed
// after it.
Funzioni_Com_1::BuildResult writeSchemeElement(const SchemeWrite &w);

} // namespace nimbo::classification
