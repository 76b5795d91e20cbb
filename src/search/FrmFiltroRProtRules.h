#pragma once
// The rules of the general search window that need no window: what its
// department and office combos offer to each level, how a found row is
// shown (reserved texts masked before they reach the list, so that neither
// the list, its tooltips nor its print can show them), and the searches an
// operator keeps under a name.

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "search/GeneralSearch.h"

namespace nimbo::search::filter {

// The first item of every combo: nothing chosen.
extern const char *const kNone; // "--------------------"

// The row limits of Combo1, the first one chosen by default.
const QList<int> &rowLimits();

// Departments offered: every department of the body to level 9, the
// operator's own and his further departments to any other level. Code,
// name; ordered by name.
QString departmentsQuery(const protocol::Viewer &v);
// Offices of the chosen department: all of them to levels 8 and 9, only
// the operator's office and his further offices in it to levels 6 and 7.
// Code, description; ordered by description.
QString officesQuery(const protocol::Viewer &v, const QString &department);

// The columns of the result list; the stored number, the direction letter
// and the privacy flag ride along unseen.
enum Column { ColDirection, ColNumber, ColDate, ColSubject, ColCorrespondent, ColState, ColKey, ColDirectionCode };
extern const char *const kListTitles;
extern const char *const kListWidths;
// The rows of listQuery as the list shows them.
Funzioni_Com_1::Columns resultRows(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &v);
// "Sono stati trovati N. 12 Protocolli"
QString countText(qlonglong found);

// The printed list: the shown columns cut to fit a page across.
QList<int> printWidths();

// ---- saved searches ----

// The criteria as the text stored for them, and back. Reading back keeps
// only what the window could have written: known keys of the right type,
// texts cut to their fields' lengths, an operator of the two, a limit of
// the list; anything else is left at its default. Nothing when the text is
// not a saved search at all.
QString criteriaText(const GeneralCriteria &c);
std::optional<GeneralCriteria> criteriaFromText(const QString &text);

// The names an operator saved, in order; the criteria kept under one.
QString savedNamesQuery(const QString &ente, const QString &operatorCode);
QString savedCriteriaQuery(const QString &ente, const QString &operatorCode, const QString &name);
// Saving a new name adds a row (the key refuses a second one); replacing
// deletes and adds in one batch, so the name never goes missing.
Funzioni_Com_1::Statement saveStatement(const QString &ente, const QString &operatorCode, const QString &name,
                                        const QString &criteria, bool replace);
Funzioni_Com_1::Statement removeStatement(const QString &ente, const QString &operatorCode, const QString &name);
// The message refusing a name (empty, too long or not storable); empty when fine.
QString nameProblem(const QString &name);
constexpr int kNameLength = 50;

} // namespace nimbo::search::filter
