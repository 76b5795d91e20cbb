#pragma once
// The groups of offices of a department (Tab_UfficiGruppi), apart from the
// window: the queries, the member items of the list and the request of the
// protocol server's group operation.

#include <QVariantList>
#include <QVector>

#include "data/Funzioni_Com_1.h"

namespace nimbo::organisation {

// One row of a group: an office, or one member of it (progressive > 0).
struct GroupMember {
    QString department;
    QString departmentName;
    QString office;
    QString officeName;
    qlonglong progressive = 0;
    QString memberName;

    bool operator==(const GroupMember &o) const
    {
        return department == o.department && office == o.office && progressive == o.progressive;
    }
    // The three cells of the members list: "code - name" each,
    // "0 - Nessun Componente" for the whole office.
    QStringList cells() const;
};

// The code of a list item, the text before " - " ("PRO - PROTOCOLLO").
QString itemCode(const QString &item);

QString groupsSql(const QString &ente, const QString &department);
QString duplicateGroupSql(const QString &name, const QString &ente, const QString &department);
// Open departments of the entity by code: code, name.
QString openDepartmentsByCodeSql(const QString &ente);
// The open offices of a department with their members (none: a row with
// an empty member).
QString officesWithMembersSql(const QString &ente, const QString &department);
// The rows of a group with the names of their department, office and member.
QString groupMembersSql(const QString &ente, const QString &owner, const QString &name);
QVector<GroupMember> groupMembersFrom(const Funzioni_Com_1::Columns &rows);
// The condition of every row of a group.
QString groupCondition(const QString &name, const QString &ente, const QString &department);

// The request of the protocol server's group operation.
QVariantList groupRequest(const QString &ente, const QString &name, const QString &operatorCode,
                          const QString &department, const QVector<GroupMember> &members, const QString &previous);

} // namespace nimbo::organisation
