#pragma once
// The rules of an office member (Tab_UfficiComponenti), apart from any
// window: the ordered checks of each variant of the member window, the next
// progressive of an office and what keeps a member from being deleted.

#include <optional>

#include "ui/RecordEditor.h"

namespace nimbo::organisation {

// The member windows: the office's list, the one member opened from the
// structure tree, and the reduced list that knows nothing of operator
// accounts or assignments.
enum class MemberVariant { List, Detail, Reduced };

// The authority code whose office lists open the reduced member window.
inline constexpr const char *kReducedMembersAuthority = "104";
// The authority code for which the tree's member window wants an operator code.
inline constexpr const char *kOperatorRequiredAuthority = "AS8";

struct MemberScope {
    QString ente;
    QString department;
    QString office;
    QString authority; // Ente_codice_ASL of the session
};

// The checks of a variant in their order; for a new member the last one
// gives it the next progressive of the office (or fails when it cannot be
// read, so that nothing is written).
ui::CheckList memberChecks(MemberVariant variant, const MemberScope &scope, bool isNew);

// The highest progressive of the office plus one (1 for its first member);
// nothing when it cannot be read.
std::optional<qlonglong> nextProgressive(const QString &ente, const QString &office);

// What keeps a member from being deleted, in order: documents sent or
// transmitted to him by the iter, then a group of offices that names him
// (its rows would point at a progressive that the next new member takes).
QVector<ui::UsageCheck> memberUsage(const QString &ente, const QString &office, const QString &progressive);

// The query that finds the operator when he may act for the office, as his
// own or through a further department/office pair.
QString operatorEnabledSql(const QString &code, const QString &ente, const QString &department,
                           const QString &office);

} // namespace nimbo::organisation
