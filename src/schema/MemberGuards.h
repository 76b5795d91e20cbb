#pragma once
// Office members as the register names them: a protocol names its member by
// office and progressive (Tab_Protocollo.Tab_ComponenteUfficio), so a member
// that a protocol names cannot be deleted, and a progressive once given in an
// office is never given again (Tab_Uffici.Tab_UltimoComponente keeps the
// highest), or a protocol would come to name somebody else.

#include <QStringList>

#include "data/Dialect.h"
#include "schema/Definition.h"

namespace Schema::MemberGuards {

inline const QString kMemberUsed = QStringLiteral(
    "Non è possibile cancellare il componente: è indicato in protocolli registrati.");
inline const QString kNumberTaken = QStringLiteral(
    "Il progressivo del componente è già stato usato in questo ufficio e non può essere riassegnato.");

QStringList statements(Kind kind, Dialect::Engine e);

} // namespace Schema::MemberGuards
