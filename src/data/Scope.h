#pragma once
// Who may see which protocols: the one place that turns the operator at work
// (body, code, department, office, level, privacy right and the extra
// department/office pairs) into SQL conditions for every list of protocols.
//
// Every function returns a condition in parentheses, ready to follow an
// " AND ". Levels 6 to 9 are the only levels that see anything: any other
// level gets a condition that matches no row, so a mistyped level never
// opens the register. Every value is quoted.
//
// It sits below the servers, so that a server deciding whether a request
// concerns its operator applies the very rule of the list he chose from.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

namespace nimbo::protocol {

// The operator at work: body, code, department, office, level, privacy
// right and direction right.
struct OperatorScope {
    QString ente;
    QString operatorCode;
    QString department;
    QString office;
    int level = 0;
    bool privacy = false;
    QString directionRight = QStringLiteral("0");
    // Fills these fields from the session in force.
    void takeFromSession();
};

// Who is looking, with the extra department/office pairs.
struct Viewer : OperatorScope {
    struct Pair { QString department, office; };
    QVector<Pair> extra;
    static Viewer fromSession();
};

// The directions the viewer may see ("E", "U").
bool maysee(const Viewer &v, const QString &direction);

namespace scope {

// Condition that matches nothing (a level outside 6-9).
extern const char *const kNothing;
// Condition that narrows nothing (the list's own body filter is enough).
extern const char *const kEverything;

// The registration search: where the protocol was registered (department
// and office columns of the register) or who registered it; level 9 sees the
// whole body; privacy hides reserved protocols of others unless the viewer
// holds the privacy right. Alias of the register row.
QString registrationSearch(const Viewer &v, const QString &p = QStringLiteral("p"));

// Columns of an in-tray query.
struct TrayColumns {
    QString deliveryEnte = QStringLiteral("t.Tab_Ente");
    QString member = QStringLiteral("t.Tab_Componente");           // 0 = whole office
    QString office = QStringLiteral("t.Tab_UfficioDestinatario");
    QString officeDepartment = QStringLiteral("ur.Tab_Dipartimento"); // the receiving office's department
    QString memberUser = QStringLiteral("c.Tab_IdUser");           // user linked to the member (left join)
};
// The in-tray: a delivery to a member reaches only the operator linked to
// that member, whatever his level; a delivery to a whole office reaches level
// 7 of that office (and of the offices of his extra pairs) and levels 8 and 9
// of its department (and of the departments of his extra pairs); level 6 only
// what is addressed to him personally.
QString inTray(const Viewer &v, const TrayColumns &c = {});
// The same rule as disjoint alternatives (each a condition in parentheses;
// none for a level outside 6-9), so a list can read each through its own
// index and join the results. The delivery to a member, when the viewer may
// have one, is always the last alternative. Given the offices of the
// departments (department, office), a department's alternative becomes one
// per office of it, each readable in number order through the office's index,
// and an office of level 7 (own or extra pair) counts only when it is stored
// under that department.
QStringList inTrayBranches(const Viewer &v, const TrayColumns &c = {},
                           const QVector<Viewer::Pair> *departmentOffices = nullptr);

// Columns of a list of movements (in-charge list, archived documents).
struct MovementColumns {
    QString operatorCode = QStringLiteral("d.Tab_CodiceOpe");
    QString office = QStringLiteral("d.Tab_Ufficio");
    QString officeDepartment = QStringLiteral("u.Tab_Dipartimento");
    QString privacy = QStringLiteral("p.Tab_SoggPrivacy");
};
// The in-charge list: level 6 the movements he made; 7 those of his offices
// or made by him; 8 those of his departments' offices or made by him; 9 the
// whole body. Without the privacy right, reserved protocols only when he
// made the movement himself.
QString inCharge(const Viewer &v, const MovementColumns &c = {});
// Completed documents: the level rule of the in-charge list on the
// completion movement; reserved protocols stay listed (their subject is
// masked by the list).
QString archived(const Viewer &v, const MovementColumns &c = {});

// Columns of the deadline view (ProtocolliAssegnati_Competenza).
struct DeadlineColumns {
    QString operatorCode = QStringLiteral("Tab_codiceOpe");
    QString office = QStringLiteral("Tab_Ufficio");
    QString department = QStringLiteral("Dipa_CodDipartimento");
};
// The deadline search: 6 the assigning operator, 7 the competent office, 8
// its department, 9 the whole body.
QString deadlines(const Viewer &v, const DeadlineColumns &c = {});

// Documents sent and not yet taken in charge: the movements of the viewer's
// offices (his own and those of his extra pairs; the query joins the acting
// office for its department); at level 6 only those of his own office that
// he made himself.
QString sent(const Viewer &v, const MovementColumns &c = {});

// The general search: what the operator registered (level 6), or what was
// registered by or routed to his offices (level 7) or departments (level 8),
// his extra pairs included; level 9 the whole body. "Routed" is an iter
// recipient of the protocol, read through EXISTS so the list stays one row
// per protocol without DISTINCT. Privacy is not a condition here: reserved
// protocols stay listed and their texts are masked by the list. Alias of the
// register row.
QString generalSearch(const Viewer &v, const QString &p = QStringLiteral("p"));

// The subject a list shows: reserved protocols are masked for a viewer
// without the privacy right.
QString shownSubject(const Viewer &v, const QString &subject, const QString &privacyFlag, const QString &mask);
extern const char *const kTrayMask;     // in-tray and sent/archived lists
extern const char *const kDeadlineMask; // deadline list

// A period on a movement timestamp ("yyyymmddhhnnss"), both days whole:
// from the first second of the first day to the last second of the last.
// An invalid date leaves its side open.
QString movementPeriod(const QString &column, const QDate &from, const QDate &to);

} // namespace scope
} // namespace nimbo::protocol
