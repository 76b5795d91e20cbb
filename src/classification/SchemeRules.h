#pragma once
// The three levels of the classification scheme (titles, categories inside
// a title, classes inside a category) as the one editor sees them: each
// level's table, the columns that place an element under its parents, its
// texts, and the rules that do not need a window: the usage checks before a
// deletion and the statements of the deactivation cascade.

#include "classification/SchemePath.h"
#include <QDate>
#include <QString>
#include <QVector>

#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace nimbo::classification {

enum class SchemeLevel { Title, Category, Class };


// What differs between the levels.
struct SchemeLevelText {
    const char *window;        // registered name
    const char *table;
    const char *caption;       // the window's title
    const char *listTitle;     // above the list
    const char *detailTitle;   // around the detail
    const char *boxTitle;      // of the editor's messages
    const char *duplicate;     // new element whose code exists
    const char *emptyCode;
    const char *emptyDescription;
    const char *inUse;         // deletion refused
    const char *deleteFailed;
    const char *noneChosen;    // the child button without a chosen element
    const char *childButton;   // object name of that button
    const char *childCaption;  // its caption
};
const SchemeLevelText &textOf(SchemeLevel level);

// The context columns that place an element of a level (the body's first),
// in the order of SchemePath.
QStringList parentColumns(SchemeLevel level);

// The row of the element the path names.
QString elementCondition(SchemeLevel level, const SchemePath &path);

// "SELECT Tab_Codice,Tab_Descrizione,Tab_Attivo FROM ... ORDER BY Tab_Codice"
// for the elements under the path's parents.
QString listQuery(SchemeLevel level, const SchemePath &parents);
// The element's row: code, description, active flag.
QString loadQuery(SchemeLevel level, const SchemePath &path);
// Finds a row when the element exists (the duplicate check of a new one).
QString existsQuery(SchemeLevel level, const SchemePath &path);

// The usage checks of a deletion, in order: the elements or dossiers
// below it, then the classifications of protocols that name it.
QVector<ui::UsageCheck> usageChecks(SchemeLevel level, const SchemePath &path);

// The statements that carry a deactivation down from the element: the
// levels below it that are still active become inactive, and the dossiers
// below it that are still open are closed on `today`. Dossiers already
// closed keep their closing date. Every statement may change no row.
QVector<Funzioni_Com_1::Statement> cascadeStatements(SchemeLevel level, const SchemePath &path, const QDate &today,
                                                     const QString &writer);

} // namespace nimbo::classification
