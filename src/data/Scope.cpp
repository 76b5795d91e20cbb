#include "data/Scope.h"

#include <QStringList>

#include "data/Funzioni_Com_1.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

void OperatorScope::takeFromSession()
{
    const auto &op = DicAmbiente::session().op;
    ente = op.ente;
    operatorCode = op.code;
    department = op.department;
    office = op.office;
    level = op.level;
    privacy = op.privacy;
    directionRight = op.direction;
}

Viewer Viewer::fromSession()
{
    Viewer v;
    v.takeFromSession();
    for (const auto &p : DicAmbiente::session().op.extra)
        v.extra.append({p.department, p.office});
    return v;
}

bool maysee(const Viewer &v, const QString &direction)
{
    if (v.directionRight == QLatin1String("1"))
        return direction == QLatin1String("E");
    if (v.directionRight == QLatin1String("2"))
        return direction == QLatin1String("U");
    return true;
}

namespace scope {

const char *const kNothing = "(1 = 0)";
const char *const kEverything = "(1 = 1)";
const char *const kTrayMask = "*****************************************";
const char *const kDeadlineMask = "*************************************************";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

bool known(int level) { return level >= 6 && level <= 9; }

QString eq(const QString &column, const QString &value) { return column + QStringLiteral(" = ") + q(value); }

// column IN (the viewer's own value and those of his extra pairs).
QString oneOf(const QString &column, const QString &own, const QVector<Viewer::Pair> &extra, bool department)
{
    QStringList values{q(own)};
    for (const auto &p : extra)
        values << q(department ? p.department : p.office);
    values.removeDuplicates();
    if (values.size() == 1)
        return column + QStringLiteral(" = ") + values.first();
    return column + QStringLiteral(" IN (") + values.join(QStringLiteral(", ")) + QLatin1Char(')');
}

// The viewer's own office and each extra pair, as (department AND office).
QString pairs(const Viewer &v, const QString &deptColumn, const QString &officeColumn)
{
    QStringList any{QStringLiteral("(%1 AND %2)").arg(eq(deptColumn, v.department), eq(officeColumn, v.office))};
    for (const auto &p : v.extra)
        any << QStringLiteral("(%1 AND %2)").arg(eq(deptColumn, p.department), eq(officeColumn, p.office));
    any.removeDuplicates();
    return any.join(QStringLiteral(" OR "));
}

QString wrap(const QString &condition) { return QLatin1Char('(') + condition + QLatin1Char(')'); }

// The level rule shared by the lists of movements.
QString movementLevel(const Viewer &v, const MovementColumns &c)
{
    const QString mine = eq(c.operatorCode, v.operatorCode);
    switch (v.level) {
    case 6:
        return wrap(mine);
    case 7:
        return wrap(pairs(v, c.officeDepartment, c.office) + QStringLiteral(" OR ") + mine);
    case 8:
        return wrap(oneOf(c.officeDepartment, v.department, v.extra, true) + QStringLiteral(" OR ") + mine);
    case 9:
        return QString::fromLatin1(kEverything);
    default:
        return QString::fromLatin1(kNothing);
    }
}

} // namespace

QString registrationSearch(const Viewer &v, const QString &p)
{
    const QString dept = p + QStringLiteral(".Tab_SedeRicezione");
    const QString office = p + QStringLiteral(".Tab_UfficioRegistrazione");
    const QString registrar = eq(p + QStringLiteral(".Tab_CodiceOpeReg"), v.operatorCode);
    QString level;
    if (v.level == 7)
        level = wrap(pairs(v, dept, office));
    else if (v.level == 8)
        level = wrap(oneOf(dept, v.department, v.extra, true));
    else if (v.level == 9)
        level = QString::fromLatin1(kEverything);
    else
        // Level 6 and any other level: what the operator registered himself.
        level = wrap(registrar);
    if (v.privacy)
        return level;
    return wrap(level + QStringLiteral(" AND (COALESCE(") + p + QStringLiteral(".Tab_SoggPrivacy, 'N') <> 'S' OR ")
                + registrar + QStringLiteral(")"));
}

QStringList inTrayBranches(const Viewer &v, const TrayColumns &c, const QVector<Viewer::Pair> *departmentOffices)
{
    if (!known(v.level))
        return {};
    const QString personal = eq(c.memberUser, v.operatorCode);
    const QString whole = c.member + QStringLiteral(" = 0");
    // An office as it is stored: with the list of stored offices, its
    // department is already checked and the office code alone picks it.
    const auto office = [&](const QString &department, const QString &code) {
        if (departmentOffices)
            return wrap(whole + QStringLiteral(" AND ") + eq(c.office, code));
        return wrap(whole + QStringLiteral(" AND ") + eq(c.office, code) + QStringLiteral(" AND ")
                    + eq(c.officeDepartment, department));
    };
    const auto stored = [&](const QString &department, const QString &code) {
        if (!departmentOffices)
            return true;
        for (const auto &p : *departmentOffices)
            if (p.department == department && p.office == code)
                return true;
        return false;
    };
    QStringList out;
    if (v.level == 7) {
        QVector<Viewer::Pair> all{{v.department, v.office}};
        all += v.extra;
        for (const auto &p : all) {
            const QString branch = office(p.department, p.office);
            if (stored(p.department, p.office) && !out.contains(branch))
                out << branch;
        }
    } else if (v.level == 8 || v.level == 9) {
        QStringList departments{v.department};
        for (const auto &p : v.extra)
            departments << p.department;
        departments.removeDuplicates();
        for (const auto &d : departments) {
            if (!departmentOffices) {
                out << wrap(whole + QStringLiteral(" AND ") + eq(c.officeDepartment, d));
                continue;
            }
            for (const auto &p : *departmentOffices)
                if (p.department == d)
                    out << office(d, p.office);
        }
    }
    // A delivery to a member: only the operator linked to that member. The
    // member 0 (the whole office) is never a person, so the branches are
    // disjoint.
    out << wrap(eq(c.deliveryEnte, v.ente) + QStringLiteral(" AND ") + c.member + QStringLiteral(" <> 0 AND ") + personal);
    return out;
}

QString inTray(const Viewer &v, const TrayColumns &c)
{
    const QStringList branches = inTrayBranches(v, c);
    if (branches.isEmpty())
        return QString::fromLatin1(kNothing);
    return wrap(branches.join(QStringLiteral(" OR ")));
}

QString inCharge(const Viewer &v, const MovementColumns &c)
{
    const QString level = movementLevel(v, c);
    if (v.privacy || !known(v.level))
        return level;
    return wrap(level + QStringLiteral(" AND (COALESCE(") + c.privacy + QStringLiteral(", 'N') <> 'S' OR ")
                + eq(c.operatorCode, v.operatorCode) + QStringLiteral(")"));
}

QString archived(const Viewer &v, const MovementColumns &c) { return movementLevel(v, c); }

QString deadlines(const Viewer &v, const DeadlineColumns &c)
{
    switch (v.level) {
    case 6:
        return wrap(eq(c.operatorCode, v.operatorCode));
    case 7:
        return wrap(pairs(v, c.department, c.office));
    case 8:
        return wrap(oneOf(c.department, v.department, v.extra, true));
    case 9:
        return QString::fromLatin1(kEverything);
    default:
        return QString::fromLatin1(kNothing);
    }
}

QString sent(const Viewer &v, const MovementColumns &c)
{
    if (!known(v.level))
        return QString::fromLatin1(kNothing);
    if (v.level == 6)
        return wrap(eq(c.office, v.office) + QStringLiteral(" AND ") + eq(c.operatorCode, v.operatorCode));
    return wrap(pairs(v, c.officeDepartment, c.office));
}

QString generalSearch(const Viewer &v, const QString &p)
{
    const QString dept = p + QStringLiteral(".Tab_SedeRicezione");
    const QString office = p + QStringLiteral(".Tab_UfficioRegistrazione");
    const QString sameProtocol = QStringLiteral("r.Tab_Ente = %1.Tab_Ente AND r.Tab_TipoProtocollo = %1.Tab_TipoProtocollo "
                                                "AND r.Tab_NumeroProtocollo = %1.Tab_NumeroProtocollo")
                                     .arg(p);
    switch (v.level) {
    case 6:
        return wrap(eq(p + QStringLiteral(".Tab_CodiceOpeReg"), v.operatorCode));
    case 7:
        // Office codes are unique in the body: the recipient's office alone
        // names it.
        return wrap(pairs(v, dept, office) + QStringLiteral(" OR EXISTS (SELECT 1 FROM Tab_Iter_Destinatari r WHERE ")
                    + sameProtocol + QStringLiteral(" AND ")
                    + oneOf(QStringLiteral("r.Tab_UfficioDestinatario"), v.office, v.extra, false) + QStringLiteral(")"));
    case 8:
        return wrap(oneOf(dept, v.department, v.extra, true)
                    + QStringLiteral(" OR EXISTS (SELECT 1 FROM Tab_Iter_Destinatari r JOIN Tab_Uffici u ON "
                                     "u.Tab_Ente = r.Tab_Ente AND u.Tab_Ufficio = r.Tab_UfficioDestinatario WHERE ")
                    + sameProtocol + QStringLiteral(" AND ")
                    + oneOf(QStringLiteral("u.Tab_Dipartimento"), v.department, v.extra, true) + QStringLiteral(")"));
    case 9:
        return QString::fromLatin1(kEverything);
    default:
        return QString::fromLatin1(kNothing);
    }
}

QString shownSubject(const Viewer &v, const QString &subject, const QString &privacyFlag, const QString &mask)
{
    if (!v.privacy && privacyFlag.trimmed() == QLatin1String("S"))
        return mask;
    return subject;
}

QString movementPeriod(const QString &column, const QDate &from, const QDate &to)
{
    QStringList both;
    if (from.isValid())
        both << column + QStringLiteral(" >= ") + q(from.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("000000"));
    if (to.isValid())
        both << column + QStringLiteral(" <= ") + q(to.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("235959"));
    if (both.isEmpty())
        return QString::fromLatin1(kEverything);
    return wrap(both.join(QStringLiteral(" AND ")));
}

} // namespace scope
} // namespace nimbo::protocol
