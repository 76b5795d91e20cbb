// Central tables, second half: address book, classification and dossiers,
// iter, deadlines, emergency registers, e-mail protocols and the filing
// tables that the structure windows check before deleting.

#include "schema/ColumnHelpers.h"
#include "schema/Tables.h"

namespace Schema::detail {

using namespace build;

namespace {

std::vector<Column> withAudit(std::vector<Column> c, const char *prefix, const std::vector<Column> &later = {})
{
    audit(c, prefix);
    c.insert(c.end(), later.begin(), later.end());
    return c;
}

void addressBook(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_Rubrica"),
                 withAudit({num("Tab_Identificativo"), txt("Tab_EnteRubrica", 3), txt("Tab_Denominazione", 120),
                            txt("Tab_Domicilio", 60), txt("Tab_NumeroCivico", 10), txt("Tab_ComuneUbicazione", 6),
                            txt("Tab_Telefono", 15), txt("Tab_Fax", 15), txt("Tab_PostaElettronica", 150),
                            txt("Tab_Annotazioni", 180), date("Tab_Cessazione"), withDefault(txt("Tab_Nimbo"), "'S'"),
                            withDefault(txt("Tab_TipoUtenza", 7), "'001'"), txt("Tab_CodInterno_DiPrev", 16),
                            num("Tab_SCodInterno_DiPrev"), withDefault(num("Tab_Attivo"), "1"),
                            txt("Tab_Dipartimento", 5)},
                           "Tab_"),
                 cols({"Tab_EnteRubrica", "Tab_Identificativo"}),
                 {idx({"Tab_EnteRubrica", "Tab_Denominazione"}), idx({"Tab_ComuneUbicazione"}),
                  idx({"Tab_TipoUtenza"})}});
    t.push_back({QStringLiteral("Tab_RubricaGruppi"),
                 {txt("Tab_Ente", 3), txt("Tab_Dipartimento", 5), txt("Tab_Raggruppamento", 30), num("Tab_Identificativo"),
                  withDefault(num("Tab_Condiviso"), "0")},
                 cols({"Tab_Ente", "Tab_Raggruppamento", "Tab_Identificativo"}),
                 {idx({"Tab_Ente", "Tab_Dipartimento"})}});
    // A group's name, once in the entity, with the department that owns it:
    // its key keeps two departments from writing one group at once.
    t.push_back({QStringLiteral("Tab_RubricaGruppiNomi"),
                 {txt("Tab_Ente", 3), txt("Tab_Raggruppamento", 30), txt("Tab_Dipartimento", 5), txt("Tab_CodOper"),
                  withDefault(date("Tab_DatOper"), "CURRENT_DATE")},
                 cols({"Tab_Ente", "Tab_Raggruppamento"}),
                 {},
                 18});
    t.push_back({QStringLiteral("Tab_Comuni"),
                 {txt("Com_Codcom", 6), txt("com_Comune", 60), txt("com_cap", 5), txt("com_codprov", 2), txt("com_codcat", 4),
                  txt("com_stato", 5), txt("com_preftel", 5), txt("com_Codoper"), date("com_Datoper")},
                 cols({"Com_Codcom"}),
                 {idx({"com_codprov", "com_Comune"}), idx({"com_Comune"})}});
    // Every postal code of a municipality, the first one (com_cap) included:
    // a town with several keeps them all findable.
    t.push_back({QStringLiteral("Tab_ComuniCap"), {txt("Cap_Codcom", 6), txt("Cap_Cap", 5)}, cols({"Cap_Codcom", "Cap_Cap"}),
                 {idx({"Cap_Cap"})}, 10});
}

void classification(std::vector<Table> &t)
{
    // Codes of the three levels take 3 characters wherever they are typed
    // or named; a title's description 200, the others' 100.
    const auto scheme = [](std::vector<Column> keys, int description) {
        keys.push_back(txt("Tab_Descrizione", description));
        keys.push_back(withDefault(num("Tab_Attivo"), "1"));
        return withAudit(keys, "Tab_");
    };
    t.push_back({QStringLiteral("Tab_Titolo"), scheme({txt("Tab_Ente"), txt("Tab_Codice", 3)}, 200),
                 cols({"Tab_Ente", "Tab_Codice"}), {}});
    t.push_back({QStringLiteral("Tab_Categoria"),
                 scheme({txt("Tab_Ente"), txt("Tab_CodiceTitolo", 3), txt("Tab_Codice", 3)}, 100),
                 cols({"Tab_Ente", "Tab_CodiceTitolo", "Tab_Codice"}), {}});
    t.push_back({QStringLiteral("Tab_Classe"),
                 scheme({txt("Tab_Ente"), txt("Tab_CodiceTitolo", 3), txt("Tab_CodiceCategoria", 3), txt("Tab_Codice", 3)},
                        100),
                 cols({"Tab_Ente", "Tab_CodiceTitolo", "Tab_CodiceCategoria", "Tab_Codice"}), {}});
    t.push_back({QStringLiteral("Tab_Fascicoli"),
                 withAudit({txt("Tab_Ente"), txt("Tab_Titolo", 3), txt("Tab_Categoria", 3), txt("Tab_Classe", 3),
                            num("Tab_CodiceFascicolo"), txt("Tab_Descrizione", 100), date("Tab_Apertura"),
                            date("Tab_Chiusura")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_Titolo", "Tab_Categoria", "Tab_Classe", "Tab_CodiceFascicolo"}),
                 {}});
    // The last dossier code handed out in each class. Kept apart from the
    // class, so that a code is not handed out again even when its class is
    // deleted and created anew; the database never lets it go down.
    t.push_back({QStringLiteral("Tab_ContatoreFascicoli"),
                 {txt("Tab_Ente"), txt("Tab_Titolo", 3), txt("Tab_Categoria", 3), txt("Tab_Classe", 3),
                  withDefault(num("Tab_UltimoFascicolo"), "0")},
                 cols({"Tab_Ente", "Tab_Titolo", "Tab_Categoria", "Tab_Classe"}),
                 {},
                 21});
    t.push_back({QStringLiteral("Tab_ProFascicoli"),
                 withAudit({txt("Tab_Ente"), txt("Tab_NumeroProtocollo"), txt("Tab_Titolo", 3), txt("Tab_Categoria", 3),
                            txt("Tab_Classe", 3), num("Tab_CodiceFascicolo"), txt("Tab_TipoProtocollo"),
                            txt("Tab_Provenienza")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_NumeroProtocollo", "Tab_Titolo", "Tab_Categoria", "Tab_Classe",
                       "Tab_CodiceFascicolo"}),
                 {idx({"Tab_Ente", "Tab_Titolo", "Tab_Categoria", "Tab_Classe", "Tab_CodiceFascicolo"}),
                  // the protocols of a class or a dossier, read from the index
                  // alone (version 22)
                  idx({"Tab_Ente", "Tab_Titolo", "Tab_Categoria", "Tab_Classe", "Tab_CodiceFascicolo",
                       "Tab_TipoProtocollo", "Tab_NumeroProtocollo"})}});
}

void iter(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_Iter_Documento"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                            txt("Tab_DataSerialeMov"), num("Tab_TipoMovimento"), txt("Tab_Ufficio"),
                            txt("Tab_CodiceOpe"), txt("Tab_Annotazioni"), withDefault(txt("Tab_InCarico"), "'N'"),
                            date("Tab_DataEvasione"), txt("Tab_ProtoEvasione"), date("Tab_DataChiusuraProcedimento"),
                            txt("Tab_RiferimentoInterno"), txt("Tab_TipoRif_Interno")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo", "Tab_DataSerialeMov"}),
                 {idx({"Tab_Ente", "Tab_TipoMovimento", "Tab_NumeroProtocollo"}), idx({"Tab_Ente", "Tab_Ufficio"}),
                  idx({"Tab_Ente", "Tab_DataSerialeMov"}),
                  // the in-charge lists: what an office (or the body) holds now,
                  // and what an operator moved himself
                  idx({"Tab_Ente", "Tab_InCarico", "Tab_Ufficio"}), idx({"Tab_Ente", "Tab_CodiceOpe"})}});
    t.push_back({QStringLiteral("Tab_Iter_Destinatari"),
                 {txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"), txt("Tab_DataSerialeMov"),
                  txt("Tab_UfficioDestinatario"), withDefault(num("Tab_Componente"), "0"),
                  num("Tab_TipoAssegnazione"), stamp("Tab_DataEffettivaAssegnazione"), txt("Tab_Annotazioni")},
                 {},
                 {idx({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo", "Tab_DataSerialeMov"}),
                  idx({"Tab_Ente", "Tab_UfficioDestinatario"}), idx({"Tab_Ente", "Tab_DataSerialeMov"})}});
    t.push_back({QStringLiteral("Tab_Iter_Trasmissioni"),
                 {serial("Tab_progressivo"), txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                  txt("Tab_DataSerialeMov"), txt("Tab_UfficioDestinatario"), withDefault(num("Tab_Componente"), "0")},
                 cols({"Tab_progressivo"}),
                 {idx({"Tab_Ente", "Tab_UfficioDestinatario", "Tab_Componente"}),
                  idx({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocollo", "Tab_DataSerialeMov"}),
                  // the in-tray: one office's (or member's) deliveries newest
                  // protocol first, so the list stops at its limit
                  idx({"Tab_Ente", "Tab_UfficioDestinatario", "Tab_Componente", "Tab_NumeroProtocollo"})}});
}

void deadlines(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_ProScadenza"),
                 {serial("Tab_ProgrScadenze"), txt("Tab_Ente"), txt("Tab_Protocollo"), date("Tab_DataScadenza"),
                  txt("Tab_FunzionarioAutorizzante"), txt("Tab_EstremiAutorizzazione"), txt("Tab_Note_Scadenza"),
                  withDefault(num("Tab_flagRinvio"), "0"), date("Tab_DataOperazione"), txt("Tab_Operatore")},
                 cols({"Tab_ProgrScadenze"}),
                 {idx({"Tab_Ente", "Tab_Protocollo"})}});
    t.push_back({QStringLiteral("Tab_ProSolleciti"),
                 {serial("Tab_ProgrSollecito"), txt("Tab_Ente"), txt("Tab_Protocollo"), date("Tab_DataSollecito"),
                  txt("Tab_UfficioCompetente", 5), txt("Tab_PersonaContattata", 100), txt("Tab_Risposta", 255)},
                 cols({"Tab_ProgrSollecito"}),
                 {idx({"Tab_Ente", "Tab_Protocollo"})}});
    t.push_back({QStringLiteral("Tab_Scadenzario"),
                 withAudit({txt("Tab_Ente"), txt("Tab_Dipartimento", 5), txt("Tab_Ufficio", 5),
                            txt("Tab_DataOraRegistrazione", 14), date("Tab_DataScadenza"), txt("Tab_OraScadenza", 5),
                            txt("Tab_Oggetto", 255), txt("Tab_Annotazioni")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_Dipartimento", "Tab_Ufficio", "Tab_DataOraRegistrazione"}),
                 {idx({"Tab_Ente", "Tab_DataScadenza"})}});
    // Kept by the database's triggers (schema/DeadlineKeeper): the deadline
    // lists read it in deadline order through the index of the viewer's
    // level (body, office, department, assigning operator), the subject
    // and its privacy at hand for a subject filter.
    t.push_back({QStringLiteral("Tab_ScadenzeInCorso"),
                 {txt("Tab_Ente"), txt("Tab_NumeroProtocollo"), txt("Tab_TipoProtocollo"), txt("Tab_Ufficio"),
                  txt("Tab_Dipartimento"), txt("Tab_DataSerialeMov"), txt("Tab_CodiceOpe"), date("Tab_DataEvasione"),
                  since(txt("Tab_Oggetto"), 36), since(txt("Tab_SoggPrivacy"), 36)},
                 cols({"Tab_Ente", "Tab_NumeroProtocollo", "Tab_TipoProtocollo", "Tab_Ufficio"}),
                 {idx({"Tab_Ente", "Tab_DataEvasione", "Tab_NumeroProtocollo"}),
                  idx({"Tab_Ente", "Tab_Ufficio", "Tab_DataEvasione", "Tab_NumeroProtocollo"}),
                  idx({"Tab_Ente", "Tab_Dipartimento", "Tab_DataEvasione", "Tab_NumeroProtocollo"}),
                  idx({"Tab_Ente", "Tab_CodiceOpe", "Tab_DataEvasione", "Tab_NumeroProtocollo"})},
                 32});
}

void emergencyAndMail(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_AnaRegistriEme"),
                 {txt("Tab_Ente", 3), txt("Tab_AnnoRegistro", 4), txt("Tab_TipoRegistro", 1), txt("Tab_IDRegistro", 4),
                  num("Tab_NumeroRegistro"), txt("Tab_NoteRegistro", 255), date("Tab_DataIstituzione"),
                  txt("Tab_OraIstituzione", 8), txt("Tab_Codoper"), date("Tab_Datoper")},
                 cols({"Tab_Ente", "Tab_AnnoRegistro", "Tab_TipoRegistro", "Tab_IDRegistro", "Tab_NumeroRegistro"}),
                 {}});
    t.push_back({QStringLiteral("Tab_SessioniEmergenza"),
                 {txt("ses_Ente", 3), txt("ses_AnnoRegistro", 4), txt("ses_TipoRegistro", 1), txt("ses_IDRegistro", 4),
                  num("ses_NumeroRegistro"), num("ses_progr"), date("Tab_DataApertura"), txt("Tab_OraApertura", 8),
                  txt("Tab_Motivo", 7), txt("Tab_Annotazioni", 255), date("Tab_DataChiusura"), txt("Tab_OraChiusura", 8),
                  withDefault(txt("Tab_Allineamento", 2), "'NO'"), txt("Tab_iniziale", 11), txt("Tab_finale", 11),
                  txt("Tab_Codoper"), date("Tab_Datoper")},
                 cols({"ses_Ente", "ses_AnnoRegistro", "ses_TipoRegistro", "ses_IDRegistro", "ses_NumeroRegistro",
                       "ses_progr"}),
                 {idx({"Tab_Motivo"})}});
    t.push_back({QStringLiteral("Tab_ProtocEmailProvvis"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), num("Tab_NumeroProtocolloProvv"),
                            date("Tab_DataInvioEml"), num("Tab_Intestatario"), txt("Tab_Oggetto"),
                            date("Tab_DataProtocollo"), txt("Tab_Tipologia"),
                            withDefault(txt("Tab_StatoProtocollo"), "'A'"), txt("Tab_ProtocolloGenerale"),
                            blob("Tab_email"), date("Tab_DataCancellazione"), txt("Tab_MotivoCancellazione"),
                            txt("Tab_CodiceOpeCanc"), txt("Tab_UfficioCancellazione")},
                           "Tab_",
                           // Where the message came from: the mailbox, its UID validity and
                           // the message's UID there, its Message-ID and the SHA-256 of its
                           // bytes; each pair is a unique key, so a message read twice (a
                           // crash before it was marked seen, two readers at once, a rebuilt
                           // mailbox) is stored once.
                           {since(txt("Tab_IndirizzoMittente", 150), 35), since(txt("Tab_NomeMittente", 150), 35),
                            since(txt("Tab_ProtDocArrivo", 20), 35), since(date("Tab_DataProtDocArrivo"), 35),
                            since(txt("Tab_Casella", 100), 35), since(big("Tab_UidValidity"), 35),
                            since(big("Tab_Uid"), 35), since(txt("Tab_MessageId"), 35),
                            since(txt("Tab_ImprontaEml", 64), 35), since(txt("Tab_Certificata", 1), 35)}),
                 cols({"Tab_Ente", "Tab_TipoProtocollo", "Tab_NumeroProtocolloProvv"}),
                 {idx({"Tab_Ente", "Tab_StatoProtocollo"}),
                  uniq({"Tab_Ente", "Tab_Casella", "Tab_UidValidity", "Tab_Uid"}),
                  uniq({"Tab_Ente", "Tab_MessageId", "Tab_ImprontaEml"})}});
    // Every message the e-mail server sends, written before it leaves: "P"
    // waiting, "I" sent, "E" refused by the SMTP server (the error kept, to be
    // sent again).
    t.push_back({QStringLiteral("Tab_PostaInviata"),
                 withAudit({serial("Id_Invio"), txt("Tab_Ente"), txt("Tab_NumeroProtocollo"), txt("Tab_Tipo", 10),
                            txt("Tab_Mittente", 150), txt("Tab_Destinatari"), txt("Tab_Oggetto"),
                            blob("Tab_Messaggio"), txt("Tab_MessageId"), withDefault(txt("Tab_Stato", 1), "'P'"),
                            txt("Tab_Errore"), withDefault(num("Tab_Tentativi"), "0"), stamp("Tab_DataInvio")},
                           "Tab_"),
                 cols({"Id_Invio"}),
                 {idx({"Tab_Ente", "Tab_Stato"}), idx({"Tab_Ente", "Tab_NumeroProtocollo"}),
                  idx({"Tab_MessageId"})},
                 35});
    // Receipts of certified mail about messages we sent (acceptance,
    // delivery, failures), stored once per mailbox message like the e-mails.
    t.push_back({QStringLiteral("Tab_RicevutePEC"),
                 withAudit({serial("Id_Ricevuta"), txt("Tab_Ente"), txt("Tab_Casella", 100), big("Tab_UidValidity"),
                            big("Tab_Uid"), txt("Tab_Tipo", 30), txt("Tab_MessageIdRif"), num("Id_Invio"),
                            txt("Tab_NumeroProtocollo"), txt("Tab_Oggetto"), stamp("Tab_DataRicevuta"),
                            blob("Tab_Messaggio")},
                           "Tab_"),
                 cols({"Id_Ricevuta"}),
                 {uniq({"Tab_Ente", "Tab_Casella", "Tab_UidValidity", "Tab_Uid"}),
                  idx({"Tab_Ente", "Tab_NumeroProtocollo"})},
                 35});
}

// Filing tables that the structure windows look at before a department or
// an office may be deleted.
void filing(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_Schedario"),
                 withAudit({txt("Tab_Ente"), txt("Tab_Dipartimento"), txt("Tab_Ufficio"), txt("Tab_Codice"),
                            txt("Tab_Descrizione")},
                           "Tab_"),
                 cols({"Tab_Ente", "Tab_Dipartimento", "Tab_Ufficio", "Tab_Codice"}),
                 {}});
    t.push_back({QStringLiteral("Tab_ProSchedari"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                            txt("Tab_Dipartimento"), txt("Tab_Ufficio"), txt("Tab_Codice")},
                           "Tab_"),
                 {},
                 {idx({"Tab_Ente", "Tab_Ufficio"}), idx({"Tab_Ente", "Tab_NumeroProtocollo"})}});
    t.push_back({QStringLiteral("Tab_ProIntegrazioni"),
                 withAudit({txt("Tab_Ente"), txt("Tab_TipoProtocollo"), txt("Tab_NumeroProtocollo"),
                            txt("Tab_UfficioIntegrazione"), txt("Tab_Annotazioni")},
                           "Tab_"),
                 {},
                 {idx({"Tab_Ente", "Tab_UfficioIntegrazione"})}});
}

// The criteria of the general search that an operator keeps under a name,
// as text the window writes and reads back; one name once per operator.
void savedSearches(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_RicercheSalvate"),
                 withAudit({txt("Tab_Ente"), txt("Tab_Operatore", 10), txt("Tab_Nome", 50), txt("Tab_Criteri")}, "Tab_"),
                 cols({"Tab_Ente", "Tab_Operatore", "Tab_Nome"}),
                 {},
                 24});
}

// Each daily register produced: the body, the day, the fingerprint of its
// PDF and what it holds. A day produced again with the same content counts
// one more production on its row; different content (a day changed after
// its register) gets a row of its own, so nothing produced is forgotten.
void dailyRegisters(std::vector<Table> &t)
{
    t.push_back({QStringLiteral("Tab_RegistroGiornaliero"),
                 {txt("Reg_Ente"), date("Reg_Data"), txt("Reg_Impronta", 64), txt("Reg_Identificativo", 40),
                  txt("Reg_PrimoNumero", 11), txt("Reg_UltimoNumero", 11), num("Reg_Protocolli"),
                  num("Reg_Modifiche"), stamp("Reg_PrimaProduzione"), stamp("Reg_UltimaProduzione"),
                  num("Reg_Produzioni"), txt("Reg_CodOper")},
                 cols({"Reg_Ente", "Reg_Data", "Reg_Impronta"}),
                 {},
                 37});
}

} // namespace

std::vector<Table> centralTablesPart2()
{
    std::vector<Table> t;
    addressBook(t);
    classification(t);
    iter(t);
    deadlines(t);
    emergencyAndMail(t);
    filing(t);
    savedSearches(t);
    dailyRegisters(t);
    return t;
}

} // namespace Schema::detail
