#pragma once
// Where an element of the classification scheme sits: the body and the
// codes down to its own (empty below the level meant).

#include <QString>

namespace nimbo::classification {

struct SchemePath {
    QString ente;
    QString title;
    QString category; // categories and classes
    QString cls;      // classes
};

} // namespace nimbo::classification
