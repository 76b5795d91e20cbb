#include "servers/OperatorRights.h"

#include <QSqlQuery>

#include "data/OperatorGrant.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo {

QString operatorRightsRefusal(const C_GestDB::Database &db, const QVector<F::Statement> &statements)
{
    const DicAmbiente::Operator &me = DicAmbiente::session().op;
    if (me.code.trimmed().isEmpty())
        return {};
    const OperatorGrant::Rights own{QString::number(me.level), me.functions};
    for (const F::Statement &st : statements) {
        const QString kind = st.kind.trimmed().toUpper();
        if (st.table.trimmed().compare(QLatin1String("Tab_Operatori"), Qt::CaseInsensitive) != 0
            || kind == QLatin1String("C"))
            continue;
        OperatorGrant::Rights wanted;
        bool functionsWritten = false;
        for (const F::Field &field : st.fields) {
            if (field.name.compare(QLatin1String("Op_Livello"), Qt::CaseInsensitive) == 0) {
                wanted.level = field.value.toString();
            } else if (field.name.compare(QLatin1String("Op_Funzioni"), Qt::CaseInsensitive) == 0) {
                wanted.withheld = field.value.toString();
                functionsWritten = true;
            }
        }
        if (kind == QLatin1String("A") || st.condition.trimmed().isEmpty()) {
            if (const QString r = OperatorGrant::refusal(own, nullptr, wanted); !r.isEmpty())
                return r;
            continue;
        }
        // Each row the change touches, as it is now.
        QSqlQuery q(db.sql());
        if (!q.exec(QStringLiteral("SELECT Op_Livello, Op_Funzioni FROM Tab_Operatori WHERE ") + st.condition))
            return QStringLiteral("Operatori: impossibile leggere i diritti attuali dell'operatore.");
        while (q.next()) {
            const OperatorGrant::Rights before{q.value(0).toString(), q.value(1).toString()};
            OperatorGrant::Rights now = wanted;
            if (!functionsWritten)
                now.withheld = before.withheld; // a list that is not written stays as it is
            if (const QString r = OperatorGrant::refusal(own, &before, now); !r.isEmpty())
                return r;
        }
    }
    return {};
}

} // namespace nimbo
