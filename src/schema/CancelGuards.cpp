#include "schema/CancelGuards.h"

#include "schema/History.h"

namespace Schema::CancelGuards {

using Dialect::Engine;

namespace {

QString quoted(const QString &s)
{
    return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// A row in the cancelled state that lacks what records the cancellation.
// A date stored as an empty text (SQLite) counts as none.
QString incomplete(const QString &row)
{
    return QStringLiteral("%1.Tab_StatoProtocollo = 'C' AND (%1.Tab_DataCancellazione IS NULL OR "
                          "trim(CAST(%1.Tab_DataCancellazione AS TEXT)) = '' OR "
                          "trim(coalesce(%1.Tab_MotivoCancellazione, '')) = '' OR "
                          "trim(coalesce(%1.Tab_CodiceOpeCanc, '')) = '')")
        .arg(row);
}

// An active protocol (state "A", or none as rows of older registers may
// hold) turned cancelled without the record of its cancellation.
QString entering()
{
    return QStringLiteral("COALESCE(OLD.Tab_StatoProtocollo, 'A') <> 'C' AND ") + incomplete(QStringLiteral("NEW"));
}

QString frozen(Engine e)
{
    const QString differs = e == Engine::PostgreSQL ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT");
    QStringList changed;
    for (const char *c : {"Tab_DataCancellazione", "Tab_MotivoCancellazione", "Tab_CodiceOpeCanc"})
        changed << QStringLiteral("OLD.%1 %2 NEW.%1").arg(QLatin1String(c), differs);
    return QStringLiteral("OLD.Tab_StatoProtocollo = 'C' AND NEW.Tab_StatoProtocollo = 'C' AND (")
           + changed.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out = History::protocolStatements(kind, e);
    if (e == Engine::SQLite) {
        const auto trigger = [&out](const QString &name, const QString &when, const QString &condition,
                                    const QString &message) {
            out << QStringLiteral("DROP TRIGGER IF EXISTS ") + name;
            out << QStringLiteral("CREATE TRIGGER %1 %2 ON Tab_Protocollo FOR EACH ROW WHEN %3 BEGIN SELECT "
                                  "RAISE(ABORT, %4); END")
                       .arg(name, when, condition, quoted(message));
        };
        trigger(QStringLiteral("tab_protocollo_annullamento"), QStringLiteral("BEFORE UPDATE"), entering(), kIncomplete);
        trigger(QStringLiteral("tab_protocollo_annullamento_fisso"), QStringLiteral("BEFORE UPDATE"), frozen(e),
                kFrozen);
        return out;
    }
    out << QStringLiteral("CREATE OR REPLACE FUNCTION tab_protocollo_annullamento() RETURNS trigger LANGUAGE plpgsql "
                          "AS $canc$\n"
                          "BEGIN\n"
                          "  IF %1 THEN\n"
                          "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %2;\n"
                          "  END IF;\n"
                          "  IF %3 THEN\n"
                          "    RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %4;\n"
                          "  END IF;\n"
                          "  RETURN NEW;\n"
                          "END $canc$")
               .arg(entering(), quoted(kIncomplete), frozen(e), quoted(kFrozen));
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_annullamento ON Tab_Protocollo");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_annullamento BEFORE UPDATE ON Tab_Protocollo FOR EACH ROW "
                          "EXECUTE FUNCTION tab_protocollo_annullamento()");
    return out;
}

} // namespace Schema::CancelGuards
