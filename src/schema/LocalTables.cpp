// The workstation's local work database and the central views.

#include "schema/ColumnHelpers.h"
#include "schema/Tables.h"

namespace Schema::detail {

using namespace build;

std::vector<Table> localTables()
{
    std::vector<Table> t;
    {
        std::vector<Column> c = {serial("ID")};
        for (int i = 1; i <= 20; ++i)
            c.push_back(txt(QStringLiteral("Rep_Campo%1").arg(i, 2, 10, QLatin1Char('0')).toLatin1().constData()));
        t.push_back({QStringLiteral("Tab_Report"), c, cols({"ID"}), {}});
    }
    std::vector<Column> eme = {
        txt("Tab_Ente", 3), txt("Tab_TipoProtocollo", 1), txt("Tab_NumeroProtocollo", 11), date("Tab_DataRegistrazione"),
        date("Tab_DataProtocollo"), date("Tab_DataRicezione"), txt("Tab_OraProtocollo", 8), txt("Tab_OraRicezione", 8),
        txt("Tab_SedeRicezione", 5), txt("Tab_CodiceOpeReg", 10), txt("Tab_UfficioRegistrazione", 5), txt("Tab_Tipologia", 7),
        txt("Tab_Intestatario", 255), txt("Tab_Oggetto", 1000), txt("Tab_Annotazioni", 1000), txt("Tab_Titolo", 3),
        txt("Tab_Categoria", 3), txt("Tab_Classe", 3), txt("Tab_Fascicolo", 20),
        withDefault(txt("Tab_StatoProtocollo"), "'A'"), withDefault(txt("Tab_SoggPrivacy"), "'N'"),
        txt("Tab_DestMultipli", 255), txt("Tab_ProtDocArrivo", 50), date("Tab_DataProtDocArrivo"),
        txt("Tab_ChiaveRegistrazione", 12), txt("Tab_ProtocolloGenerale", 11)};
    audit(eme, "Tab_");
    t.push_back({QStringLiteral("Tab_ProtocolloEmergenza"), eme,
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo"}),
                 {idx({"Tab_ChiaveRegistrazione"})}});
    t.push_back({QStringLiteral("Tab_immagini"),
                 {serial("ID"), txt("ID_ente"), txt("Tipo_protocollo"), txt("Prot_EU"), txt("Prot_Numero"),
                  blob("Immagine"), stamp("Data_Ins_Var"), withDefault(txt("Migrato_su_Server"), "'N'"),
                  date("Data_Migrazione"), withDefault(txt("Compresso"), "'0'"), withDefault(txt("Criptato"), "'0'")},
                 cols({"ID"}),
                 {idx({"ID_ente", "Tipo_protocollo", "Prot_Numero"})}});
    return t;
}

std::vector<View> centralViews()
{
    std::vector<View> v;
    // One row per office that holds a protocol for competence through the
    // protocol's latest assignment, with the deadline in force (the latest
    // postponement when there is one) and the latest reminder. Cancelled
    // protocols have no deadlines to follow.
    v.push_back({QStringLiteral("ProtocolliAssegnati_Competenza"), QStringLiteral(
        "SELECT p.Tab_Ente AS Tab_Ente, p.Tab_TipoProtocollo AS Tab_TipoProtocollo, "
        "p.Tab_NumeroProtocollo AS Tab_NumeroProtocollo, p.Tab_DataProtocollo AS Tab_DataProtocollo, "
        "p.Tab_Oggetto AS Tab_Oggetto, p.Tab_Intestatario AS Tab_Intestatario, "
        "r.Tab_Denominazione AS Tab_Denominazione, d.Tab_DataSerialeMov AS Tab_DataSerialeMov, "
        "COALESCE((SELECT s.Tab_DataScadenza FROM Tab_ProScadenza s WHERE s.Tab_Ente = p.Tab_Ente "
        "AND s.Tab_Protocollo = p.Tab_NumeroProtocollo AND s.Tab_ProgrScadenze = "
        "(SELECT MAX(s2.Tab_ProgrScadenze) FROM Tab_ProScadenza s2 WHERE s2.Tab_Ente = p.Tab_Ente "
        "AND s2.Tab_Protocollo = p.Tab_NumeroProtocollo)), d.Tab_DataEvasione) AS Tab_DataEvasione, "
        "dip.Dipa_CodDipartimento AS Dipa_CodDipartimento, dip.Dipa_Denominazione AS Dipa_Denominazione, "
        "u.Tab_Ufficio AS Tab_Ufficio, u.Tab_Descrizione AS Tab_Descrizione, "
        "d.Tab_CodiceOpe AS Tab_codiceOpe, comp.Tab_IdUser AS Tab_IdUser, a.Tab_Componente AS Tab_Componente, "
        "p.Tab_SoggPrivacy AS Tab_SoggPrivacy, sol.Tab_DataSollecito AS Tab_DataSollecito, "
        "sol.Tab_PersonaContattata AS Tab_PersonaContattata, sol.Tab_Risposta AS Tab_Risposta "
        "FROM Tab_Protocollo p "
        "JOIN Tab_Iter_Documento d ON d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo "
        "AND d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND d.Tab_TipoMovimento = 4 "
        "AND d.Tab_DataSerialeMov = (SELECT MAX(d2.Tab_DataSerialeMov) FROM Tab_Iter_Documento d2 "
        "WHERE d2.Tab_Ente = p.Tab_Ente AND d2.Tab_TipoProtocollo = p.Tab_TipoProtocollo "
        "AND d2.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND d2.Tab_TipoMovimento = 4) "
        "JOIN Tab_Iter_Destinatari a ON a.Tab_Ente = d.Tab_Ente AND a.Tab_TipoProtocollo = d.Tab_TipoProtocollo "
        "AND a.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo AND a.Tab_DataSerialeMov = d.Tab_DataSerialeMov "
        "AND a.Tab_TipoAssegnazione = 1 "
        "JOIN Tab_Uffici u ON u.Tab_Ente = a.Tab_Ente AND u.Tab_Ufficio = a.Tab_UfficioDestinatario "
        "JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = u.Tab_Ente "
        "AND dip.Dipa_CodDipartimento = u.Tab_Dipartimento "
        "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario "
        "LEFT JOIN Tab_UfficiComponenti comp ON comp.Tab_Ente = a.Tab_Ente "
        "AND comp.Tab_Ufficio = a.Tab_UfficioDestinatario AND comp.Tab_Progressivo = a.Tab_Componente "
        "LEFT JOIN Tab_ProSolleciti sol ON sol.Tab_ProgrSollecito = (SELECT MAX(s3.Tab_ProgrSollecito) "
        "FROM Tab_ProSolleciti s3 WHERE s3.Tab_Ente = p.Tab_Ente AND s3.Tab_Protocollo = p.Tab_NumeroProtocollo) "
        "WHERE COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'")});
    // The code-table window checks a reason's use through the registers'
    // sessions, which is where the reason is kept.
    v.push_back({QStringLiteral("Tab_RegistriEmergenza"), QStringLiteral(
        "SELECT ses_Ente AS Tab_Ente, ses_AnnoRegistro AS Tab_AnnoRegistro, ses_TipoRegistro AS Tab_TipoRegistro, "
        "ses_IDRegistro AS Tab_IDRegistro, ses_NumeroRegistro AS Tab_NumeroRegistro, ses_progr AS ses_progr, "
        "Tab_Motivo AS Tab_Motivo FROM Tab_SessioniEmergenza")});
    return v;
}

} // namespace Schema::detail
