// The central register database: register and satellites, counters, code
// tables, organisation, operators, address book, classification, iter,
// deadlines, emergency registers, e-mail and history tables.

#include "schema/ColumnHelpers.h"
#include "schema/Tables.h"

namespace Schema::detail {

using namespace build;

namespace {

std::vector<Column> registerColumns()
{
    std::vector<Column> c = {
        txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
        date("Tab_DataProtocollo"), txt("Tab_OraProtocollo"), date("Tab_DataRegistrazione"),
        date("Tab_DataRicezione"), txt("Tab_OraRicezione"), num("Tab_Intestatario"),
        txt("Tab_Oggetto"), txt("Tab_Tipologia"), txt("Tab_SedeRicezione"),
        txt("Tab_UfficioRegistrazione"), withDefault(num("Tab_ComponenteUfficio"), "0"),
        txt("Tab_CodiceOpeReg"), txt("Tab_Annotazioni"), txt("Tab_ProtDocArrivo"),
        date("Tab_DataProtDocArrivo"), withDefault(txt("Tab_SoggPrivacy"), "'N'"),
        withDefault(txt("Tab_StatoProtocollo"), "'A'"), txt("Tab_Stampato"), txt("Tab_Titolo"),
        txt("Tab_Categoria"), txt("Tab_Classe"), txt("Tab_NomeImpronta"),
        txt("Tab_ProtocolloTemporaneo"), txt("Tab_RegistroTemporaneo"),
        date("Tab_DataCancellazione"), txt("Tab_MotivoCancellazione"), txt("Tab_NoteCancellazione"),
        txt("Tab_CodiceOpeCanc"), txt("Tab_UfficioCancellazione"), num("Tab_NumeroDocumenti"),
    };
    audit(c, "Tab_");
    // The act that authorises a cancellation: its kind, number and date.
    for (Column col : {txt("Tab_TipoProvvCancellazione", 40), txt("Tab_NumeroProvvCancellazione", 20),
                       date("Tab_DataProvvCancellazione")})
        c.push_back(since(col, 27));
    return c;
}

Table codeTable(const char *name, std::vector<Column> extra = {})
{
    std::vector<Column> c = {txt("Tab_Codice", 7), txt("Tab_Descrizione", 60)};
    for (auto &e : extra)
        c.push_back(e);
    audit(c, "Tab_");
    return {QString::fromLatin1(name), c, cols({"Tab_Codice"}), {}};
}

// The columns, the audit pair, then columns added by later versions (an
// upgrade appends them after the audit pair too).
std::vector<Column> withAudit(std::vector<Column> c, const char *prefix, const std::vector<Column> &later = {})
{
    audit(c, prefix);
    c.insert(c.end(), later.begin(), later.end());
    return c;
}

std::vector<Table> registerTables()
{
    std::vector<Table> t;
    // The first index (body, number) is dropped at version 14 (see Ddl's
    // createIndexes); it keeps its place, since the names follow positions.
    // The correspondents' names are the database's own copy (see
    // CorrespondentNames): outside the register's columns, so that the
    // history never records them.
    std::vector<Column> protocol = registerColumns();
    protocol.push_back(since(txt("Tab_NomiCorrispondenti"), 34));
    t.push_back({QStringLiteral("Tab_Protocollo"), protocol,
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo"}),
                 {idx({"Tab_Ente", "Tab_NumeroProtocollo"}), idx({"Tab_Ente", "Tab_DataProtocollo"}),
                  idx({"Tab_Ente", "Tab_CodiceOpeReg"}), idx({"Tab_Ente", "Tab_Intestatario"}),
                  idx({"Tab_Ente", "Tab_SedeRicezione", "Tab_UfficioRegistrazione"}),
                  idx({"Tab_Ente", "Tab_Stampato"}), idx({"Tab_Tipologia"})}});

    // Previous values of a rewritten register row, with when and by whom it
    // was changed: corrections must keep what they replace.
    {
        std::vector<Column> c = {serial("ID")}, later;
        for (const auto &col : registerColumns())
            (col.since > 2 ? later : c).push_back(col);
        c.push_back(date("Tab_DataModifica"));
        c.push_back(txt("Tab_OraModifica"));
        c.push_back(txt("Tab_OperatoreModifica"));
        for (auto &col : c)
            col.since = 2;
        // Columns the register gained later come after, as an upgrade adds them.
        c.insert(c.end(), later.begin(), later.end());
        t.push_back({QStringLiteral("Tab_Protocollo_Storico"), c, cols({"ID"}),
                     {idx({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo"})}, 2});
    }
    // Protocol numbers let into the register without a registration (see
    // Guards::registrationStatements): a row names the body and the number,
    // or leaves either empty for all of them (a register loaded from
    // elsewhere). Written by the owner; the rows stay as the trace of why.
    {
        std::vector<Column> c = {txt("Amm_Ente"), txt("Amm_NumeroProtocollo"), txt("Amm_Motivo"),
                                 txt("Amm_CodOper"), stamp("Amm_DataOra")};
        for (auto &col : c)
            col.since = 17;
        t.push_back({QStringLiteral("Tab_Protocollo_Ammissioni"), c, {}, {}, 17});
    }
    // Protocols registered late under a number left free in the past: the
    // date the clerk gave stands on the protocol, the true moment of the
    // writing and who wrote it stay here. Written with the admission of the
    // number, never by a workstation directly.
    {
        std::vector<Column> c = {txt("Rec_Ente"), txt("Rec_TipoProtocollo"), txt("Rec_NumeroProtocollo", 11),
                                 date("Rec_DataProtocollo"), stamp("Rec_DataOraScrittura"), txt("Rec_CodOper")};
        for (auto &col : c)
            col.since = 30;
        t.push_back({QStringLiteral("Tab_ProtocolloRecuperato"), c, cols({"Rec_Ente", "Rec_NumeroProtocollo"}), {}, 30});
    }

    t.push_back({QStringLiteral("Tab_ProtocolloDestinatari"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                            num("Tab_MittDest"), txt("Tab_principale")},
                           "Tab_"),
                 {},
                 {idx({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo"}),
                  idx({"Tab_Ente", "Tab_MittDest"})}});
    t.push_back({QStringLiteral("Tab_ProtocolliCollegati"),
                 {txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                  txt("Tab_TipoProtocolloC"), txt("Tab_NumeroProtocolloC")},
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo", "Tab_TipoProtocolloC",
                       "Tab_NumeroProtocolloC"}),
                 {}});
    t.push_back({QStringLiteral("Tab_DocumentiCollegati"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                            txt("Tab_TipoDocumento", 7), txt("Tab_NumeroDocumento", 20), date("Tab_DataDocumento"),
                            txt("Tab_Oggetto", 255), txt("Tab_UfficioProprietario", 5), txt("Tab_DipartProprietario", 5),
                            txt("Tab_Note", 255)},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo", "Tab_TipoDocumento",
                       "Tab_NumeroDocumento", "Tab_DataDocumento"}),
                 {idx({"Tab_Ente", "Tab_UfficioProprietario"})}});
    t.push_back({QStringLiteral("Tab_immagini"),
                 {serial("ID"), txt("ID_ente"), txt("Tipo_protocollo"), txt("Prot_EU"), txt("Prot_Numero"),
                  blob("Immagine"), stamp("Data_Ins_Var"), txt("Migrato_su_Server"), date("Data_Migrazione"),
                  withDefault(txt("Compresso"), "'0'"), withDefault(txt("Criptato"), "'0'")},
                 cols({"ID"}),
                 {idx({"ID_ente", "Prot_EU", "Prot_Numero"}), idx({"ID_ente", "Tipo_protocollo", "Prot_Numero"})}});
    t.push_back({QStringLiteral("Tab_allegati"),
                 {serial("Id_allegato"), txt("Cod_Ente"), txt("num_ProtocolloGenerale"),
                  txt("num_ProtocolloProvvisorio"), txt("Nome_allegato"), txt("Descrizione_allegato"),
                  txt("Tipo_Doc_allegato"), blob("allegato"), withDefault(txt("Compresso"), "'0'"),
                  withDefault(txt("Criptato"), "'0'")},
                 cols({"Id_allegato"}),
                 {idx({"Cod_Ente", "num_ProtocolloGenerale"})}});

    // Counters: the last progressive given, per body and year (and
    // department). Kept by the protocol server only.
    t.push_back({QStringLiteral("TAB_STARTPROTOCOLLO"),
                 {txt("Tab_CodiceEnte"), num("Tab_AnnoProtocollo"),
                  withDefault(num("Tab_ProtocolloEntrata"), "0"), withDefault(num("tab_protocolloUscita"), "0")},
                 cols({"Tab_CodiceEnte", "Tab_AnnoProtocollo"}),
                 {}});
    t.push_back({QStringLiteral("TAB_STARTDIPARTIMENTI"),
                 {txt("Tab_CodiceEnte"), txt("Tab_CodDipartimento"), num("Tab_AnnoProtocollo"),
                  withDefault(num("Tab_ProtocolloEntrata"), "0"),
                  since(withDefault(num("tab_protocolloUscita"), "0"), 3)},
                 cols({"Tab_CodiceEnte", "Tab_CodDipartimento", "Tab_AnnoProtocollo"}),
                 {}});

    t.push_back(codeTable("Tab_TipoDocumento"));
    t.push_back(codeTable("Tab_Motivo_Cancella"));
    t.push_back(codeTable("Tab_Motivo_Regtemp"));
    t.push_back(codeTable("Tab_TipoUtenza", {txt("Tab_Interno", 1)}));
    {
        Table mov = codeTable("Tab_TipoMovimento");
        mov.columns[0].type = Type::Integer; // compared as 5 and as '5'
        t.push_back(mov);
    }
    t.push_back({QStringLiteral("Tab_Tabelle"),
                 {num("Tab_Codice"), txt("Tab_NomeTabella"), txt("Tab_Descrizione")},
                 cols({"Tab_Codice"}),
                 {}});
    t.push_back({QStringLiteral("Tab_Provincie"),
                 {txt("Prv_Codprov", 3), txt("Prv_Descrizione", 60), txt("Prv_Sigla_Auto", 2), txt("Prv_Codreg", 3),
                  txt("Prv_CodOper"), date("Prv_DatOper")},
                 cols({"Prv_Codprov"}),
                 {idx({"Prv_Sigla_Auto"})}});
    t.push_back({QStringLiteral("Tab_Regioni"),
                 {txt("Reg_Codreg", 3), txt("Reg_Descrizione", 60), txt("Reg_Memo_Regione", 3), txt("Reg_CodOper"),
                  date("Reg_DatOper")},
                 cols({"Reg_Codreg"}),
                 {}});
    t.push_back({QStringLiteral("Tab_OggettiRicorrenti"),
                 {serial("Tab_progr"), txt("Tab_Ente", 3), txt("Tab_Dipartimento", 5), txt("Tab_EU", 1),
                  txt("Tab_OggettoR", 250)},
                 cols({"Tab_progr"}),
                 {idx({"Tab_Ente", "Tab_Dipartimento", "Tab_EU"})}});

    t.push_back({QStringLiteral("Tab_Parm_Gen"),
                 {txt("Ente_Cod_Struttura"), txt("Ente_codice_ASL"), num("ente_tipo_utente"),
                  num("Ente_Tipo_Registro"), txt("Ente_CodiceDIP"), txt("EnteCodiceProt"), txt("EnteIDServer"),
                  txt("Ente_UserFTP"), txt("Ente_PWDFTP")},
                 cols({"Ente_Cod_Struttura"}),
                 {}});
    return t;
}

std::vector<Table> organisationTables()
{
    std::vector<Table> t;
    t.push_back({QStringLiteral("Tab_Enti"),
                 withAudit({txt("Ente_Codice", 3), txt("Ente_Denominazione", 120), txt("Ente_Indirizzo", 60),
                            txt("Ente_Comune", 6), txt("Ente_Codice_Regione", 3), txt("Ente_Codice_Fiscale", 16),
                            txt("Ente_Partita_Iva", 11), txt("Ente_Telefono", 15), txt("Ente_FAX", 15),
                            txt("Ente_PostaElettronica", 150), txt("Ente_PWD_Posta", 20),
                            txt("Ente_ProtocolliDipartimento"), txt("Ente_ScanPost"), txt("Ente_Posta_POP", 100),
                            txt("Ente_Posta_SMTP", 100), txt("Ente_Posta_PortaServer", 5),
                            withDefault(num("Ente_ProgressivoRubrica"), "0")},
                           "Ente_",
                           // The body's mailbox (IMAP, on Ente_Posta_POP), how each server is
                           // reached ("SSL" TLS from the start, "STARTTLS"; empty: what the
                           // port usually means; Ente_Posta_Sicurezza is the SMTP server's)
                           // and the account both use when it is not the address itself.
                           {since(txt("Ente_Posta_PortaIMAP", 5), 35), since(txt("Ente_Posta_Sicurezza", 8), 35),
                            since(txt("Ente_Posta_SicurezzaIMAP", 8), 35),
                            since(txt("Ente_Posta_Utente", 100), 35), since(txt("Ente_Posta_Cartella", 100), 35)}),
                 cols({"Ente_Codice"}),
                 {}});
    t.push_back({QStringLiteral("Tab_Dipartimenti"),
                 withAudit({txt("Dipa_CodDipartimento", 5), txt("Dipa_CodiceEnte", 3), txt("Dipa_Denominazione", 80),
                            txt("Dipa_Domicilio", 60), txt("Dipa_Comune", 6), txt("Dipa_Telefono", 20), txt("Dipa_FAX", 20),
                            txt("Dipa_PostaElettronica", 100), date("Dipa_DataInizio"), date("Dipa_DataFine"),
                            withDefault(txt("Dipa_Chiuso", 2), "'NO'")},
                           "Dipa_"),
                 cols({"Dipa_CodiceEnte", "Dipa_CodDipartimento"}),
                 {}});
    t.push_back({QStringLiteral("Tab_Uffici"),
                 withAudit({txt("Tab_Ente", 3), txt("Tab_Dipartimento", 5), txt("Tab_Ufficio", 5), txt("Tab_Descrizione", 160),
                            txt("Tab_Domicilio", 60), txt("Tab_Numero_Civico", 6), txt("Tab_Comune", 6),
                            txt("Tab_Telefono", 15), txt("Tab_Fax", 15), txt("Tab_Responsabile", 50), txt("Tab_Email", 100),
                            date("Tab_DataInizio"), date("Tab_DataFine"), withDefault(txt("Tab_Chiuso", 2), "'NO'")},
                           "Tab_", {since(num("Tab_UltimoComponente"), 19)}),
                 cols({"Tab_Ente", "Tab_Dipartimento", "Tab_Ufficio"}),
                 {uniq({"Tab_Ente", "Tab_Ufficio"})}});
    t.push_back({QStringLiteral("Tab_UfficiComponenti"),
                 withAudit({num("Tab_Progressivo"), txt("Tab_Ente", 3), txt("Tab_Dipartimento", 5), txt("Tab_Ufficio", 5),
                            date("Tab_DataInizio"), txt("Tab_Titolo", 10), txt("Tab_Componente", 50),
                            txt("Tab_Qualifica", 50), date("Tab_DataFine"), txt("Tab_PostaElettronica", 100),
                            txt("Tab_Telefono", 15), txt("Tab_Fax", 15), txt("Tab_IdUser", 10),
                            withDefault(txt("Tab_FlagAssegnazione", 2), "'SI'")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_Ufficio", "Tab_Progressivo"}),
                 {idx({"Tab_Ente", "Tab_IdUser"})}});
    t.push_back({QStringLiteral("Tab_UfficiGruppi"),
                 {txt("Tab_Ente", 3), txt("Tab_DipartimentoGruppo", 5), txt("Tab_raggruppamento", 50),
                  txt("Tab_Dipartimento", 5), txt("Tab_Ufficio", 5), withDefault(num("Tab_Componente"), "0")},
                 cols({"Tab_Ente", "Tab_DipartimentoGruppo", "Tab_raggruppamento", "Tab_Dipartimento",
                       "Tab_Ufficio", "Tab_Componente"}),
                 {}});
    // A group's name, once in its department: its key keeps two writers of
    // one name from merging their lists.
    t.push_back({QStringLiteral("Tab_UfficiGruppiNomi"),
                 {txt("Tab_Ente", 3), txt("Tab_DipartimentoGruppo", 5), txt("Tab_raggruppamento", 50), txt("Tab_CodOper"),
                  withDefault(date("Tab_DatOper"), "CURRENT_DATE")},
                 cols({"Tab_Ente", "Tab_DipartimentoGruppo", "Tab_raggruppamento"}),
                 {},
                 18});
    t.push_back({QStringLiteral("Tab_Uffici_Storico"),
                 {serial("ID"), date("Tab_DataOperazione"), txt("Tab_TipoOperazione"), txt("tab_Ente"),
                  txt("Tab_Dipartimento"), txt("Tab_Ufficio"), txt("Tab_Descrizione"), txt("Tab_Domicilio"),
                  txt("Tab_Numero_Civico"), txt("Tab_Comune"), txt("Tab_Telefono"), txt("Tab_Fax"),
                  txt("Tab_Email"), txt("Tab_Responsabile"), date("Tab_DataInizio"), date("Tab_DataFine"),
                  txt("Tab_Chiuso")},
                 cols({"ID"}),
                 {idx({"tab_Ente", "Tab_Ufficio"})}});
    t.push_back({QStringLiteral("Tab_Dipartimenti_Storico"),
                 {serial("ID"), date("DipaS_DataOperazione"), txt("DipaS_TipoOperazione"),
                  txt("DipaS_CodiceEnte"), txt("DipaS_CodDipartimento"), txt("DipaS_Denominazione"),
                  txt("DipaS_Domicilio"), txt("DipaS_Comune"), txt("DipaS_Telefono"), txt("DipaS_FAX"),
                  txt("DipaS_PostaElettronica"), date("DipaS_DataInizio"), date("DipaS_DataFine"),
                  txt("DipaS_Chiuso")},
                 cols({"ID"}),
                 {idx({"DipaS_CodiceEnte", "DipaS_CodDipartimento"})}});
    t.push_back({QStringLiteral("Prot_Strutture_I"),
                 {serial("ID"), txt("Cod_dip"), txt("des_dip"), txt("Cod_Uff"), txt("Des_Uff"), txt("cod_Ser"),
                  txt("Des_ser"), txt("Cod_OP"), date("Data_EFF"), txt("Livello"), txt("Stato_Acquisizione")},
                 cols({"ID"}),
                 {}});

    // Operators and their rights.
    t.push_back({QStringLiteral("Tab_Operatori"),
                 {txt("Op_Codice_Operatore", 10), txt("Op_Cognome", 50), txt("Op_Nome", 50), date("Op_Data"),
                  txt("Op_Password"), txt("Op_Fl_Password"), txt("Op_CodiceUfficio", 5), txt("Op_Dipartimento", 5),
                  txt("Op_Ente", 3), txt("Op_Livello"), withDefault(txt("Op_Abilitazioni"), "'0'"),
                  txt("Op_Funzioni"), txt("Op_Email", 150), txt("Op_UserNameEmail", 100), txt("Op_PwdEmail"),
                  txt("Op_Codoper"), date("Op_Datoper"), withDefault(txt("Op_AbilPrivacy"), "'N'"),
                  withDefault(txt("Op_Attivo"), "'S'"), txt("OP_CF", 16), txt("Op_Cod_Mem"), txt("OP_Flag_Internet"),
                  txt("Op_Sup")},
                 cols({"Op_Codice_Operatore"}),
                 {idx({"Op_Ente", "Op_Dipartimento", "Op_CodiceUfficio"}), idx({"OP_CF"})}});
    t.push_back({QStringLiteral("Tab_Operatori_DIP"),
                 {txt("Op_Codice", 10), txt("Op_Ente", 3), txt("Op_DIP", 5), txt("Op_Uff", 5)},
                 cols({"Op_Codice", "Op_Ente", "Op_DIP", "Op_Uff"}),
                 {}});
    t.push_back({QStringLiteral("Tab_Funzioni"),
                 {txt("tf_nome"), txt("Tf_Caption"), txt("tf_codice")},
                 cols({"tf_nome"}),
                 {}});
    t.push_back({QStringLiteral("Tab_Postazioni"),
                 {txt("Ente", 3), txt("ID_Postazione", 4), txt("Descrizione", 100), txt("Utente", 10)},
                 cols({"Ente", "ID_Postazione"}),
                 {}});
    t.push_back({QStringLiteral("Log_ACCESSI_PROTO"),
                 {serial("ID"), stamp("DataAccesso"), txt("Utente"), txt("NomeComputer"), txt("MacAddress"),
                  txt("Funzione"), txt("Ente"), txt("NumProtocollo"), num("IDAllegato")},
                 cols({"ID"}),
                 {idx({"DataAccesso"}), idx({"Ente", "NumProtocollo"})}});
    t.push_back({QStringLiteral("Log_Tab_Operatori"),
                 {serial("ID"), txt("Op_Codice_Operatore"), txt("Op_Cognome"), txt("Op_Nome"), txt("OP_CF"),
                  txt("Op_Fl_Password"), date("Op_Data"), txt("Op_AbilPrivacy"), txt("Op_Livello"),
                  txt("Op_Ente"), txt("Op_Dipartimento"), txt("Op_CodiceUfficio"), txt("Op_Attivo"),
                  stamp("Op_DataOperazione_Log"), txt("Op_TipoOperazione_Log"), txt("Op_Codoper"),
                  date("Op_Datoper")},
                 cols({"ID"}),
                 {idx({"Op_Codice_Operatore"})}});

    // Old registers kept for reference.
    t.push_back({QStringLiteral("Tab_Fonte_DatiS"),
                 {txt("Cod_Ente"), txt("Cod_Dipartimento"), txt("Cod_Fonte_Dati"), txt("Descr_Fonte_Dati"),
                  txt("Percorso_Fonte_Dati"), txt("Percorso_Immagini")},
                 cols({"Cod_Ente", "Cod_Dipartimento", "Cod_Fonte_Dati"}),
                 {}});
    t.push_back({QStringLiteral("AB_StoricoProtocollo"),
                 {txt("Ente"), txt("Anno"), txt("NumeroProtocollo"), txt("Tipo"), date("DataLettera"),
                  txt("Numero"), date("DataArrivo"), txt("Mittente"), txt("Destinatario"), txt("Oggetto"),
                  txt("Note")},
                 {},
                 {idx({"Ente", "Anno", "NumeroProtocollo"})}});
    return t;
}

} // namespace

std::vector<Table> centralTables()
{
    std::vector<Table> all = registerTables();
    for (auto &t : organisationTables())
        all.push_back(std::move(t));
    for (auto &t : centralTablesPart2())
        all.push_back(std::move(t));
    return all;
}

std::vector<Column> protocolRegisterColumns() { return registerColumns(); }

} // namespace Schema::detail
