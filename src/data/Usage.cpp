#include "data/Usage.h"

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"

namespace Usage {
namespace {

struct Probe {
    const char *table;
    const char *entityColumn;          // nullptr: by code alone
    const char *codeColumn;
    const char *otherCodeColumn = nullptr; // the code may be in either
};

QString text(const QString &value) { return QLatin1Char('\'') + Funzioni_Com_1::quote(value) + QLatin1Char('\''); }

QStringList build(std::initializer_list<Probe> probes, const QString &ente, const QString &code)
{
    QStringList out;
    for (const Probe &p : probes) {
        QStringList any;
        for (const char *c : {p.codeColumn, p.otherCodeColumn})
            if (c)
                any << QString::fromLatin1(c) + QStringLiteral(" = ") + text(code);
        QString where = any.size() == 1 ? any.front() : QLatin1Char('(') + any.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        if (p.entityColumn)
            where = QString::fromLatin1(p.entityColumn) + QStringLiteral(" = ") + text(ente) + QStringLiteral(" AND ") + where;
        out << QStringLiteral("SELECT 1 FROM ") + QString::fromLatin1(p.table) + QStringLiteral(" WHERE ") + where
                   + Dialect::limit(1);
    }
    return out;
}

} // namespace

QStringList departmentUsage(const QString &ente, const QString &dipartimento)
{
    return build({{"Tab_Uffici", nullptr, "Tab_Dipartimento"},
                  {"Tab_Operatori", nullptr, "Op_Dipartimento"},
                  {"Tab_Protocollo", nullptr, "Tab_SedeRicezione"},
                  {"Tab_Rubrica", nullptr, "Tab_Dipartimento"},
                  {"Tab_Schedario", nullptr, "Tab_Dipartimento"},
                  {"Tab_Scadenzario", nullptr, "Tab_Dipartimento"},
                  {"Tab_ProSchedari", nullptr, "Tab_Dipartimento"},
                  {"Tab_Operatori_DIP", "Op_Ente", "Op_DIP"},
                  {"Tab_UfficiGruppi", "Tab_Ente", "Tab_Dipartimento", "Tab_DipartimentoGruppo"},
                  {"Tab_DocumentiCollegati", "Tab_Ente", "Tab_DipartProprietario"},
                  // The department's own groups of correspondents and
                  // recurring subjects would stay behind nobody's name.
                  {"Tab_RubricaGruppi", "Tab_Ente", "Tab_Dipartimento"},
                  {"Tab_OggettiRicorrenti", "Tab_Ente", "Tab_Dipartimento"}},
                 ente, dipartimento);
}

QStringList officeUsage(const QString &ente, const QString &ufficio)
{
    return build({{"Tab_UfficiComponenti", "Tab_Ente", "Tab_Ufficio"},
                  {"Tab_Iter_Documento", "Tab_Ente", "Tab_Ufficio"},
                  {"Tab_Iter_Destinatari", "Tab_Ente", "Tab_UfficioDestinatario"},
                  {"Tab_Iter_Trasmissioni", "Tab_Ente", "Tab_UfficioDestinatario"},
                  {"Tab_Operatori", "Op_Ente", "Op_CodiceUfficio"},
                  {"Tab_Protocollo", "Tab_Ente", "Tab_UfficioRegistrazione", "Tab_UfficioCancellazione"},
                  {"Tab_Schedario", "Tab_Ente", "Tab_Ufficio"},
                  {"Tab_Scadenzario", "Tab_Ente", "Tab_Ufficio"},
                  {"Tab_ProSchedari", "Tab_Ente", "Tab_Ufficio"},
                  {"Tab_DocumentiCollegati", "Tab_Ente", "Tab_UfficioProprietario"},
                  {"Tab_ProIntegrazioni", "Tab_Ente", "Tab_UfficioIntegrazione"},
                  {"Tab_Operatori_DIP", "Op_Ente", "Op_Uff"},
                  {"Tab_UfficiGruppi", "Tab_Ente", "Tab_Ufficio"}},
                 ente, ufficio);
}

// ---- municipalities ----

QStringList municipalityUsage(const QString &comune)
{
    return build({{"Tab_Rubrica", nullptr, "Tab_ComuneUbicazione"},
                  {"Tab_Enti", nullptr, "Ente_Comune"},
                  {"Tab_Dipartimenti", nullptr, "Dipa_Comune"},
                  {"Tab_Uffici", nullptr, "Tab_Comune"},
                  {"Tab_Dipartimenti_Storico", nullptr, "DipaS_Comune"},
                  {"Tab_Uffici_Storico", nullptr, "Tab_Comune"}},
                 QString(), comune);
}

} // namespace Usage

// ---- provinces and regions (code tables) ----
namespace Usage {

QStringList provinceUsage(const QString &plate)
{
    // An empty plate names no province: it must not match municipalities
    // whose province is missing.
    if (plate.trimmed().isEmpty())
        return {};
    return build({{"Tab_Comuni", nullptr, "com_codprov"}}, QString(), plate.trimmed());
}

QStringList regionUsage(const QString &codreg)
{
    return build({{"Tab_Provincie", nullptr, "Prv_Codreg"}, {"Tab_Enti", nullptr, "Ente_Codice_Regione"}}, QString(),
                 codreg);
}

} // namespace Usage
