#include "schema/MemberGuards.h"

namespace Schema::MemberGuards {

using Dialect::Engine;

namespace {

QString quoted(const QString &s) { return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\''); }

const QString kNamed = QStringLiteral(
    "EXISTS (SELECT 1 FROM Tab_Protocollo p WHERE p.Tab_Ente = OLD.Tab_Ente AND p.Tab_UfficioRegistrazione = "
    "OLD.Tab_Ufficio AND p.Tab_ComponenteUfficio = OLD.Tab_Progressivo)");
const QString kLast = QStringLiteral(
    "(SELECT COALESCE(MAX(Tab_UltimoComponente), 0) FROM Tab_Uffici WHERE Tab_Ente = NEW.Tab_Ente AND Tab_Ufficio = "
    "NEW.Tab_Ufficio)");
const QString kRaise = QStringLiteral(
    "UPDATE Tab_Uffici SET Tab_UltimoComponente = NEW.Tab_Progressivo WHERE Tab_Ente = NEW.Tab_Ente AND Tab_Ufficio = "
    "NEW.Tab_Ufficio AND COALESCE(Tab_UltimoComponente, 0) < NEW.Tab_Progressivo");
// Offices start from the members they already have.
const QString kStart = QStringLiteral(
    "UPDATE Tab_Uffici SET Tab_UltimoComponente = (SELECT MAX(c.Tab_Progressivo) FROM Tab_UfficiComponenti c WHERE "
    "c.Tab_Ente = Tab_Uffici.Tab_Ente AND c.Tab_Ufficio = Tab_Uffici.Tab_Ufficio) WHERE Tab_UltimoComponente IS NULL");

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    if (e == Engine::SQLite)
        return {QStringLiteral("DROP TRIGGER IF EXISTS tab_ufficicomponenti_named"),
                QStringLiteral("CREATE TRIGGER tab_ufficicomponenti_named BEFORE DELETE ON Tab_UfficiComponenti FOR "
                               "EACH ROW WHEN %1 BEGIN SELECT RAISE(ABORT, %2); END")
                    .arg(kNamed, quoted(kMemberUsed)),
                QStringLiteral("DROP TRIGGER IF EXISTS tab_ufficicomponenti_number"),
                QStringLiteral("CREATE TRIGGER tab_ufficicomponenti_number BEFORE INSERT ON Tab_UfficiComponenti FOR "
                               "EACH ROW WHEN NEW.Tab_Progressivo <= %1 BEGIN SELECT RAISE(ABORT, %2); END")
                    .arg(kLast, quoted(kNumberTaken)),
                QStringLiteral("DROP TRIGGER IF EXISTS tab_ufficicomponenti_last"),
                QStringLiteral("CREATE TRIGGER tab_ufficicomponenti_last AFTER INSERT ON Tab_UfficiComponenti FOR "
                               "EACH ROW BEGIN %1; END")
                    .arg(kRaise),
                kStart};
    // The office's row is locked before its last number is read, so two
    // members added at once cannot both pass the check.
    return {QStringLiteral("CREATE OR REPLACE FUNCTION tab_ufficicomponenti_guard() RETURNS trigger LANGUAGE plpgsql "
                           "AS $guard$\n"
                           "BEGIN\n"
                           "  IF TG_OP = 'DELETE' THEN\n"
                           "    IF %1 THEN\n"
                           "      RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %2;\n"
                           "    END IF;\n"
                           "    RETURN OLD;\n"
                           "  END IF;\n"
                           "  PERFORM 1 FROM Tab_Uffici WHERE Tab_Ente = NEW.Tab_Ente AND Tab_Ufficio = NEW.Tab_Ufficio "
                           "FOR UPDATE;\n"
                           "  IF NEW.Tab_Progressivo <= %3 THEN\n"
                           "    RAISE EXCEPTION USING ERRCODE = 'unique_violation', MESSAGE = %4;\n"
                           "  END IF;\n"
                           "  %5;\n"
                           "  RETURN NEW;\n"
                           "END $guard$")
                .arg(kNamed, quoted(kMemberUsed), kLast, quoted(kNumberTaken), kRaise),
            QStringLiteral("DROP TRIGGER IF EXISTS tab_ufficicomponenti_guard ON Tab_UfficiComponenti"),
            QStringLiteral("CREATE TRIGGER tab_ufficicomponenti_guard BEFORE INSERT OR DELETE ON Tab_UfficiComponenti "
                           "FOR EACH ROW EXECUTE FUNCTION tab_ufficicomponenti_guard()"),
            kStart};
}

} // namespace Schema::MemberGuards
