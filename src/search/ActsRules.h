#pragma once
// The rules of the linked-acts window (FrmRicercaProt): the search of the
// protocols an act may refer to, with this window's own visibility by
// level, and the acts (resolutions, decrees...) recorded against an
// incoming protocol: their list, their checks in order and their write.

#include <QDate>
#include <QString>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"
#include "ui/RecordEditor.h"

namespace nimbo::search {

struct ActsCriteria {
    QString direction = QStringLiteral("E");            // OptTipoProtocollo
    QDate protocolDate;                                  // invalid: none
    QString protocolDateOperator = QStringLiteral(">=");
    QDate receiptDate;
    QString receiptDateOperator = QStringLiteral(">=");
    QString correspondent; // CodiceMitDest: address-book identifier
    QString docType;       // CodTipoDoc
    QString operatorCode;  // CodOperatore: who registered it
    QString subject;       // Oggetto contains
    QString department;    // CodSedeRic: receiving department
    QString office;        // CodUfficio: registering office
};

constexpr int kActsLimit = 500;
extern const char *const kActsMask; // "***************************************"

// The message of a criterion that cannot be searched and the control to
// focus; nothing when the criteria are fine.
struct ActsCriteriaProblem {
    QString message, control;
};
std::optional<ActsCriteriaProblem> checkActsCriteria(const ActsCriteria &c);

// Which criteria the viewer's level lets him choose; the others are fixed
// to his own department, office and code by the scope.
bool choosesDepartment(const protocol::Viewer &v);
bool choosesOffice(const protocol::Viewer &v);
bool choosesOperator(const protocol::Viewer &v);

// The scope of this window, with the department, office and operator
// criteria where the level lets them apply: level 9 sees the body; any
// other level what his department received or he registered; below 8 also
// only what his office registered or he did; below 7 only what he
// registered. Alias of the register row. A condition in parentheses.
QString actsScope(const ActsCriteria &c, const protocol::Viewer &v, const QString &p = QStringLiteral("p"));

// The list: direction, number as shown, protocol date, receipt date,
// subject (masked for a viewer without the privacy right), "SI"/"NO" for
// acts already linked; past the shown columns the stored number and the
// state. At most kActsLimit rows, newest number first.
QString actsSearchQuery(const ActsCriteria &c, const protocol::Viewer &v);

// ---- the acts of one protocol ----------------------------------------------------

// Only acts of incoming protocols are recorded and read back.
inline const QString kActsDirection = QStringLiteral("E");

// What selects one act of a protocol.
struct ActKey {
    QString type;   // Tab_TipoDocumento
    QString number; // Tab_NumeroDocumento
    QDate date;     // Tab_DataDocumento
    bool operator==(const ActKey &o) const { return type == o.type && number == o.number && date == o.date; }
};
// The key as the window's record holds it (date "dd/mm/yyyy").
ActKey actKeyOf(const ui::Record &r);

// The six-field condition of an act of the protocol.
QString actCondition(const QString &ente, const QString &protocolNumber, const ActKey &k);

// Type description, act number, act date, subject; past them the type code.
// Ordered by type description and number.
QString actsListQuery(const QString &ente, const QString &protocolNumber);
// One act: type, number, date, subject, owning department, owning office, notes.
QString actLoadQuery(const QString &ente, const QString &protocolNumber, const ActKey &k);

// The messages of the checks and of the outcome.
extern const char *const kActTypeInvalid;
extern const char *const kActNumberInvalid;
extern const char *const kActDateInvalid;
extern const char *const kActDateFuture;
extern const char *const kActDepartmentInvalid;
extern const char *const kActDepartmentUnknown;
extern const char *const kActOfficeInvalid;
extern const char *const kActOfficeUnknown;
extern const char *const kActSubjectInvalid;
extern const char *const kActAlreadyLinked;
extern const char *const kActSaved;
extern const char *const kActSaveError;
extern const char *const kActNotSaved;
extern const char *const kActDeleteQuestion;
extern const char *const kActDeleted;
extern const char *const kActDeleteError;
extern const char *const kActNotDeleted;

// The checks of an act in their order. `old` is the key of the act being
// changed (none for a new act): a change that moves the act onto another
// act's key is refused like a new duplicate. `today` is the latest date an
// act may bear.
ui::CheckList actChecks(const QString &ente, const QString &protocolNumber, const std::optional<ActKey> &old,
                        const QDate &today);

// The write of a checked act: "A" for a new one, otherwise "R" on the row
// the old key selects, its key columns included, so that a corrected type,
// number or date is really stored (the writer fails when no row matches).
Funzioni_Com_1::Statement actStatement(const QString &ente, const QString &protocolNumber, const ui::Record &r,
                                       const std::optional<ActKey> &old, const QString &operatorCode,
                                       const QDate &today);

} // namespace nimbo::search
