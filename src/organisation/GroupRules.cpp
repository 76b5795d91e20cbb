#include "organisation/GroupRules.h"

#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

QString item(const QString &code, const QString &name) { return code + QStringLiteral(" - ") + name; }

} // namespace

QStringList GroupMember::cells() const
{
    return {item(department, departmentName), item(office, officeName),
            progressive == 0 ? QStringLiteral("0 - Nessun Componente") : item(QString::number(progressive), memberName)};
}

QString itemCode(const QString &text)
{
    const int at = text.indexOf(QStringLiteral(" - "));
    return (at < 0 ? text : text.left(at)).trimmed();
}

QString groupsSql(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT distinct Tab_raggruppamento FROM Tab_UfficiGruppi WHERE Tab_Ente=") + ui::sqlText(ente)
           + QStringLiteral(" AND Tab_DipartimentoGruppo=") + ui::sqlText(department)
           + QStringLiteral(" ORDER BY Tab_raggruppamento");
}

QString duplicateGroupSql(const QString &name, const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT Tab_raggruppamento from Tab_UfficiGruppi WHERE Tab_raggruppamento= ")
           + ui::sqlText(name) + QStringLiteral(" AND Tab_Ente=") + ui::sqlText(ente)
           + QStringLiteral(" AND Tab_DipartimentoGruppo=") + ui::sqlText(department) + QStringLiteral(" LIMIT 1");
}

QString openDepartmentsByCodeSql(const QString &ente)
{
    return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                          "Dipa_CodiceEnte = ")
           + ui::sqlText(ente) + QStringLiteral(" AND Dipa_Chiuso<>'SI' ORDER BY Dipa_CodDipartimento");
}

QString officesWithMembersSql(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT Tab_Uffici.Tab_Ufficio, Tab_Uffici.Tab_Descrizione, "
                          "Tab_UfficiComponenti.Tab_Progressivo, Tab_UfficiComponenti.Tab_Componente From Tab_Uffici "
                          "LEFT OUTER JOIN Tab_UfficiComponenti ON Tab_UfficiComponenti.Tab_Ente = Tab_Uffici.Tab_Ente "
                          "AND Tab_UfficiComponenti.Tab_Ufficio = Tab_Uffici.Tab_Ufficio WHERE Tab_Uffici.Tab_Ente=")
           + ui::sqlText(ente) + QStringLiteral(" AND Tab_Uffici.Tab_Dipartimento=") + ui::sqlText(department)
           + QStringLiteral(" AND Tab_Uffici.Tab_Chiuso<>'SI' ORDER BY Tab_Uffici.Tab_Ufficio, "
                            "Tab_UfficiComponenti.Tab_Componente");
}

QString groupMembersSql(const QString &ente, const QString &owner, const QString &name)
{
    return QStringLiteral(
               "SELECT g.Tab_Dipartimento, d.Dipa_Denominazione, g.Tab_Ufficio, u.Tab_Descrizione, g.Tab_Componente, "
               "c.Tab_Componente FROM Tab_UfficiGruppi g LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = "
               "g.Tab_Ente AND d.Dipa_CodDipartimento = g.Tab_Dipartimento LEFT JOIN Tab_Uffici u ON u.Tab_Ente = "
               "g.Tab_Ente AND u.Tab_Ufficio = g.Tab_Ufficio LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente = "
               "g.Tab_Ente AND c.Tab_Ufficio = g.Tab_Ufficio AND c.Tab_Progressivo = g.Tab_Componente WHERE "
               "g.Tab_Ente = ")
           + ui::sqlText(ente) + QStringLiteral(" AND g.Tab_DipartimentoGruppo = ") + ui::sqlText(owner)
           + QStringLiteral(" AND g.Tab_raggruppamento = ") + ui::sqlText(name)
           + QStringLiteral(" ORDER BY g.Tab_Dipartimento, g.Tab_Ufficio, g.Tab_Componente");
}

QVector<GroupMember> groupMembersFrom(const F::Columns &rows)
{
    QVector<GroupMember> out;
    const int n = rows.isEmpty() ? 0 : int(rows.first().size());
    for (int i = 0; i < n; ++i) {
        const auto cell = [&](int c) { return rows.value(c).value(i).toString().trimmed(); };
        GroupMember m{cell(0), cell(1), cell(2), cell(3), cell(4).toLongLong(), cell(5)};
        out.append(m);
    }
    return out;
}

QString groupCondition(const QString &name, const QString &ente, const QString &department)
{
    return QStringLiteral("Tab_raggruppamento= ") + ui::sqlText(name) + QStringLiteral(" AND Tab_Ente=")
           + ui::sqlText(ente) + QStringLiteral(" AND Tab_DipartimentoGruppo=") + ui::sqlText(department);
}

QVariantList groupRequest(const QString &ente, const QString &name, const QString &operatorCode,
                          const QString &department, const QVector<GroupMember> &members, const QString &previous)
{
    QVariantList table;
    for (const GroupMember &m : members) {
        // Taken from the list's items as they are shown.
        const QStringList cells = m.cells();
        table.append(QVariant(QVariantList{itemCode(cells[0]), itemCode(cells[1]), itemCode(cells[2])}));
    }
    return {ente, name, operatorCode, department, QVariant(table), previous};
}

} // namespace nimbo::organisation
