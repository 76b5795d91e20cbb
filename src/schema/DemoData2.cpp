// Demo organisation, operators, address book, classification and menu
// functions of body 001.

#include <QDate>

#include "data/Password.h"
#include "schema/DemoData.h"
#include "schema/DemoLoader.h"
#include "schema/FunctionTable.h"

namespace Schema::detail {
namespace {

const QString kBody = QStringLiteral("001");

QVariant today() { return QDate::currentDate(); }
QVariant noDate() { return QVariant(QMetaType::fromType<QDate>()); }
QString s(const char *t) { return QString::fromUtf8(t); }

QStringList names(std::initializer_list<const char *> n)
{
    QStringList out;
    for (const char *x : n)
        out << QString::fromLatin1(x);
    return out;
}

void body(Loader &l)
{
    const QStringList parm = names({"Ente_Cod_Struttura", "Ente_codice_ASL", "ente_tipo_utente", "Ente_Tipo_Registro",
                                    "Ente_CodiceDIP", "EnteCodiceProt", "EnteIDServer", "Ente_UserFTP", "Ente_PWDFTP"});
    l.ensure(QStringLiteral("Tab_Parm_Gen"), {parm[0]}, parm,
             {kBody, s("101"), 0, 0, s("PRO"), s("UPR"), s("DEMO001"), QString(), QString()});

    const QStringList ente = names({"Ente_Codice", "Ente_Denominazione", "Ente_Indirizzo", "Ente_Comune",
                                    "Ente_Codice_Regione", "Ente_Codice_Fiscale", "Ente_Partita_Iva", "Ente_Telefono",
                                    "Ente_FAX", "Ente_PostaElettronica", "Ente_PWD_Posta", "Ente_ProtocolliDipartimento",
                                    "Ente_ScanPost", "Ente_Posta_POP", "Ente_Posta_SMTP", "Ente_Posta_PortaServer",
                                    "Ente_ProgressivoRubrica", "Ente_CodOper", "Ente_DatOper"});
    l.ensure(QStringLiteral("Tab_Enti"), {ente[0]}, ente,
             {kBody, s("AZIENDA SANITARIA DEMO"), s("VIA DEL GALLITELLO 1"), s("076063"), s("17"), QString(),
              QString(), s("0971000000"), s("0971000001"), s("protocollo@asdemo.example"), QString(), s("N"), s("N"),
              s("pop.asdemo.example"), s("smtp.asdemo.example"), s("25"), 0, s("DEMO"), today()});

    const QStringList dip = names({"Dipa_CodDipartimento", "Dipa_CodiceEnte", "Dipa_Denominazione", "Dipa_Domicilio",
                                   "Dipa_Comune", "Dipa_Telefono", "Dipa_FAX", "Dipa_PostaElettronica",
                                   "Dipa_DataInizio", "Dipa_DataFine", "Dipa_Chiuso", "Dipa_CodOper", "Dipa_DatOper"});
    struct D { const char *code, *name, *street, *closed; };
    const D deps[] = {{"PRO", "DIPARTIMENTO AFFARI GENERALI", "VIA DEL GALLITELLO 1", "NO"},
                      {"AMM", "DIPARTIMENTO AMMINISTRATIVO", "VIA ANZIO 12", "NO"},
                      {"SAN", "DIPARTIMENTO DI PREVENZIONE", "VIA TORRACA 40", "NO"},
                      {"OLD", "DIPARTIMENTO SERVIZI SOPPRESSI", "VIA PRETORIA 3", "SI"}};
    for (const auto &d : deps) {
        const bool closed = qstrcmp(d.closed, "SI") == 0;
        l.ensure(QStringLiteral("Tab_Dipartimenti"), {dip[0], dip[1]}, dip,
                 {s(d.code), kBody, s(d.name), s(d.street), s("076063"), s("0971000100"), QString(), QString(),
                  QDate(2000, 1, 1), closed ? QVariant(QDate(2010, 12, 31)) : noDate(), s(d.closed), s("DEMO"),
                  today()});
    }

    const QStringList uff = names({"Tab_Ente", "Tab_Dipartimento", "Tab_Ufficio", "Tab_Descrizione", "Tab_Domicilio",
                                   "Tab_Numero_Civico", "Tab_Comune", "Tab_Telefono", "Tab_Fax", "Tab_Responsabile",
                                   "Tab_Email", "Tab_DataInizio", "Tab_DataFine", "Tab_Chiuso", "Tab_CodOper",
                                   "Tab_DatOper"});
    struct U { const char *dep, *code, *name, *head, *closed; };
    const U offices[] = {{"PRO", "UPR", "UFFICIO PROTOCOLLO GENERALE", "ROSSI MARIO", "NO"},
                         {"PRO", "ARC", "ARCHIVIO GENERALE", "ESPOSITO LUIGI", "NO"},
                         {"PRO", "ECO", "ECONOMATO", "COLOMBO PIERO", "SI"},
                         {"AMM", "RAG", "RAGIONERIA", "VERDI LUCA", "NO"},
                         {"AMM", "PER", "GESTIONE DEL PERSONALE", "GALLI SARA", "NO"},
                         {"SAN", "IGI", "IGIENE E SANITA' PUBBLICA", "NERI PAOLA", "NO"},
                         {"SAN", "VET", "SERVIZIO VETERINARIO", "FERRARA GINO", "NO"},
                         {"OLD", "SOP", "UFFICIO SOPPRESSO", "MARINO ELSA", "SI"}};
    for (const auto &u : offices) {
        const bool closed = qstrcmp(u.closed, "SI") == 0;
        l.ensure(QStringLiteral("Tab_Uffici"), {uff[0], uff[1], uff[2]}, uff,
                 {kBody, s(u.dep), s(u.code), s(u.name), s("VIA DEL GALLITELLO"), s("1"), s("076063"),
                  s("0971000200"), QString(), s(u.head), QString(), QDate(2000, 1, 1),
                  closed ? QVariant(QDate(2010, 12, 31)) : noDate(), s(u.closed), s("DEMO"), today()});
    }

    const QStringList mem = names({"Tab_Progressivo", "Tab_Ente", "Tab_Dipartimento", "Tab_Ufficio", "Tab_DataInizio",
                                   "Tab_Titolo", "Tab_Componente", "Tab_Qualifica", "Tab_DataFine",
                                   "Tab_PostaElettronica", "Tab_Telefono", "Tab_Fax", "Tab_IdUser",
                                   "Tab_FlagAssegnazione", "Tab_CodOper", "Tab_DatOper"});
    struct M { int n; const char *dep, *off, *title, *name, *role, *user, *assign; };
    const M members[] = {{1, "PRO", "UPR", "SIG.", "ROSSI MARIO", "ASSISTENTE AMMINISTRATIVO", "DEMO6", "SI"},
                         {2, "PRO", "UPR", "DOTT.", "BIANCHI ANNA", "RESPONSABILE PROTOCOLLO", "DEMO7", "SI"},
                         {3, "PRO", "UPR", "DOTT.", "CONTI GIULIA", "DIRIGENTE", "DEMO9", "SI"},
                         {1, "AMM", "RAG", "RAG.", "VERDI LUCA", "CAPO UFFICIO", "DEMO8", "SI"},
                         {2, "AMM", "RAG", "SIG.", "RICCI MARCO", "COLLABORATORE", "", "NO"},
                         {1, "AMM", "PER", "DOTT.SSA", "GALLI SARA", "CAPO UFFICIO", "", "SI"},
                         {1, "SAN", "IGI", "DOTT.SSA", "NERI PAOLA", "MEDICO", "", "SI"}};
    for (const auto &m : members)
        l.ensure(QStringLiteral("Tab_UfficiComponenti"), {mem[1], mem[3], mem[0]}, mem,
                 {m.n, kBody, s(m.dep), s(m.off), QDate(2005, 1, 1), s(m.title), s(m.name), s(m.role), noDate(),
                  QString(), QString(), QString(), s(m.user), s(m.assign), s("DEMO"), today()});

    const QStringList pst = names({"Ente", "ID_Postazione", "Descrizione", "Utente"});
    l.ensure(QStringLiteral("Tab_Postazioni"), {pst[0], pst[1]}, pst, {kBody, s("PST1"), s("POSTAZIONE DEMO"), s("DEMO9")});
}

// What each demo operator may not do: the body's administration (operators,
// workstations, structure, emergency registers, code tables) is the level-9
// operator's; a department head also keeps the department's operators and
// structure-change notices.
QString withheldFunctions(int level)
{
    if (level >= 9)
        return {};
    QString out = QStringLiteral("-PR15-TA02-TA03-SE06-SE07-SE08-SE13-SE14-SE16-SE17-");
    if (level < 8)
        out += QStringLiteral("-PR09-PR10-SE04-SE05-SE09-SE10-SE11-SE12-");
    return out;
}

void operators(Loader &l)
{
    const QStringList op = names({"Op_Codice_Operatore", "Op_Cognome", "Op_Nome", "Op_Data", "Op_Password",
                                  "Op_Fl_Password", "Op_CodiceUfficio", "Op_Dipartimento", "Op_Ente", "Op_Livello",
                                  "Op_Abilitazioni", "Op_Funzioni", "Op_Email", "Op_UserNameEmail", "Op_PwdEmail",
                                  "Op_Codoper", "Op_Datoper", "Op_AbilPrivacy", "Op_Attivo", "OP_CF", "Op_Sup"});
    struct O { const char *surname, *name, *dep, *off, *privacy; };
    const O people[] = {{"ROSSI", "MARIO", "PRO", "UPR", "N"},
                        {"BIANCHI", "ANNA", "PRO", "UPR", "N"},
                        {"VERDI", "LUCA", "AMM", "RAG", "N"},
                        {"CONTI", "GIULIA", "PRO", "UPR", "S"}};
    int i = 0;
    for (const auto &d : demoOperators()) {
        const O &p = people[i++];
        if (!l.exists(QStringLiteral("Tab_Operatori"), {op[0]}, {d.code})) {
            const QString stored = Password::hash(d.password);
            if (stored.isEmpty()) {
                l.setError(QStringLiteral("Caricamento dati dimostrativi non riuscito: cifratura della password "
                                          "non disponibile"));
                return;
            }
            l.ensure(QStringLiteral("Tab_Operatori"), {op[0]}, op,
                     {d.code, s(p.surname), s(p.name), today(), stored, s("S"), s(p.off), s(p.dep), kBody,
                      QString::number(d.level), s("0"), withheldFunctions(d.level),
                      d.code.toLower() + QStringLiteral("@asdemo.example"), QString(), QString(), s("DEMO"), today(),
                      s(p.privacy), s("S"), QString(), s("N")});
        }
    }
    // DEMO9 may also act for the archive office.
    const QStringList extra = names({"Op_Codice", "Op_Ente", "Op_DIP", "Op_Uff"});
    l.ensure(QStringLiteral("Tab_Operatori_DIP"), extra, extra, {s("DEMO9"), kBody, s("PRO"), s("ARC")});
}

void addressBook(Loader &l)
{
    const QStringList rub = names({"Tab_Identificativo", "Tab_EnteRubrica", "Tab_Denominazione", "Tab_Domicilio",
                                   "Tab_NumeroCivico", "Tab_ComuneUbicazione", "Tab_Telefono", "Tab_Fax",
                                   "Tab_PostaElettronica", "Tab_Annotazioni", "Tab_Cessazione", "Tab_Nimbo",
                                   "Tab_TipoUtenza", "Tab_Attivo", "Tab_CodOper", "Tab_DatOper"});
    const char *who[][2] = {
        {"REGIONE BASILICATA", "003"},        {"COMUNE DI POTENZA", "003"},       {"COMUNE DI MELFI", "003"},
        {"COMUNE DI MATERA", "003"},          {"PREFETTURA DI POTENZA", "003"},   {"INPS SEDE DI POTENZA", "003"},
        {"MINISTERO DELLA SALUTE", "003"},    {"TRIBUNALE DI POTENZA", "003"},    {"UNIVERSITA' DEGLI STUDI", "003"},
        {"FARMACIA CENTRALE SNC", "002"},     {"EDILIZIA LUCANA SRL", "002"},     {"FORNITURE SANITARIE SPA", "002"},
        {"INFORMATICA SUD SRL", "002"},       {"PULIZIE RAPIDE SCARL", "002"},    {"LABORATORIO ANALISI VULTURE", "002"},
        {"STUDIO LEGALE ANTONELLI", "002"},   {"CARTOLERIA MODERNA", "002"},      {"TRASPORTI BASENTO SRL", "002"},
        {"ROSSI GIUSEPPE", "001"},            {"RUSSO MARIA", "001"},             {"FERRARI ANTONIO", "001"},
        {"ESPOSITO GIOVANNA", "001"},         {"ROMANO FRANCESCO", "001"},        {"COLOMBO ROSA", "001"},
        {"BRUNO VINCENZO", "001"},            {"GALLO TERESA", "001"},            {"DE LUCA PASQUALE", "001"},
        {"MANCINI CARMELA", "001"},           {"UFFICIO RELAZIONI CON IL PUBBLICO", "004"},
        {"DIREZIONE GENERALE", "004"}};
    // Potenza, Melfi, Rionero in Vulture, Lavello, Avigliano, Tito, Matera,
    // Napoli, Bari, Roma.
    const char *towns[] = {"076063", "076048", "076066", "076043", "076007", "076089", "077014", "063049", "072006",
                           "058091"};
    int id = 0;
    for (const auto &w : who) {
        ++id;
        const QString town = s(towns[(id - 1) % 10]);
        l.ensure(QStringLiteral("Tab_Rubrica"), {rub[1], rub[0]}, rub,
                 {id, kBody, s(w[0]), QStringLiteral("VIA ROMA"), QStringLiteral("%1 ").arg(id), town,
                  QStringLiteral("0971%1").arg(100000 + id), QString(), QString(), QString(), noDate(), s("S"),
                  s(w[1]), 1, s("DEMO"), today()});
    }
    // The address-book counter of the body must cover the demo identifiers.
    l.exec(QStringLiteral("UPDATE Tab_Enti SET Ente_ProgressivoRubrica = ? WHERE Ente_Codice = ? "
                          "AND COALESCE(Ente_ProgressivoRubrica, 0) < ?"),
           {id, kBody, id});
}

// Dossiers of the demo scheme (the scheme itself comes from the file that
// ClassificationScheme::demoFile() ships), some open and some closed.
void classification(Loader &l)
{
    const QStringList f = names({"Tab_Ente", "Tab_Titolo", "Tab_Categoria", "Tab_Classe", "Tab_CodiceFascicolo",
                                 "Tab_Descrizione", "Tab_Apertura", "Tab_Chiusura", "Tab_CodOper", "Tab_DatOper"});
    const QStringList fk = f.mid(0, 5);
    struct D {
        const char *title, *category, *cls;
        int code;
        const char *description;
        QDate opened, closed;
    };
    const D dossiers[] = {
        {"01", "02", "01", 1, "CORRISPONDENZA CON LA REGIONE", QDate(2024, 1, 2), {}},
        {"02", "01", "01", 1, "CONCORSI E SELEZIONI", QDate(2024, 1, 2), {}},
        {"01", "04", "02", 1, "RICHIESTE DI ACCESSO AGLI ATTI 2024", QDate(2024, 1, 2), {}},
        {"01", "04", "01", 1, "RECLAMI DEI CITTADINI 2023", QDate(2023, 1, 2), QDate(2023, 12, 31)},
        {"01", "04", "01", 2, "RECLAMI DEI CITTADINI 2024", QDate(2024, 1, 2), {}},
        {"02", "03", "01", 1, "CONCORSO DIRIGENTE MEDICO CARDIOLOGIA", QDate(2024, 3, 15), {}},
        {"02", "03", "01", 2, "CONCORSO COLLABORATORE AMMINISTRATIVO", QDate(2023, 5, 10), QDate(2024, 2, 28)},
        {"02", "04", "03", 1, "PROCEDIMENTI DISCIPLINARI 2024", QDate(2024, 1, 2), {}},
        {"03", "03", "01", 1, "CAMPAGNA VACCINALE ANTINFLUENZALE 2024", QDate(2024, 9, 1), {}},
        {"03", "03", "02", 1, "FOCOLAIO DI SALMONELLOSI", QDate(2023, 7, 4), QDate(2023, 10, 20)},
        {"04", "01", "01", 1, "DELIBERAZIONI 2024", QDate(2024, 1, 2), {}},
        {"05", "02", "01", 1, "FATTURE FORNITORI 2024", QDate(2024, 1, 2), {}},
        {"05", "02", "01", 2, "FATTURE FORNITORI 2023", QDate(2023, 1, 2), QDate(2023, 12, 31)},
        {"06", "02", "01", 1, "SINISTRO PRESIDIO OSPEDALIERO DI VILLA D'AGRI", QDate(2024, 4, 18), {}},
        {"07", "02", "01", 1, "APERTURA NUOVE SEDI FARMACEUTICHE", QDate(2024, 2, 1), {}},
        {"08", "02", "02", 1, "PIANO DI GOVERNO DELLE LISTE D'ATTESA", QDate(2024, 1, 15), {}},
        {"09", "01", "01", 1, "GARA SERVIZIO DI RISTORAZIONE", QDate(2024, 6, 3), {}},
        {"09", "01", "02", 1, "FORNITURA DI CANCELLERIA", QDate(2023, 3, 1), QDate(2023, 6, 30)},
    };
    for (const D &d : dossiers)
        l.ensure(QStringLiteral("Tab_Fascicoli"), fk, f,
                 {kBody, s(d.title), s(d.category), s(d.cls), d.code, s(d.description), d.opened,
                  d.closed.isValid() ? QVariant(d.closed) : noDate(), s("DEMO"), today()});
}

// Notices of structure changes decided elsewhere: two waiting to be
// applied, for the notices window, and the closing of ECO, applied long ago.
void structureNotices(Loader &l)
{
    const QStringList n = names({"Cod_dip", "des_dip", "Cod_Uff", "Des_Uff", "Cod_OP", "Data_EFF", "Livello",
                                 "Stato_Acquisizione"});
    const QStringList key = names({"Cod_dip", "Livello", "Cod_OP"});
    const QVariant none(QMetaType::fromType<QString>());
    const QDate soon = QDate::currentDate().addDays(7);
    l.ensure(QStringLiteral("Prot_Strutture_I"), key, n,
             {s("PRO"), s("DIPARTIMENTO AFFARI GENERALI"), s("URP"), s("UFFICIO RELAZIONI CON IL PUBBLICO"), s("A"),
              soon, s("2"), s("0")});
    l.ensure(QStringLiteral("Prot_Strutture_I"), key, n,
             {s("AMM"), s("DIPARTIMENTO AMMINISTRATIVO E FINANZIARIO"), none, none, s("M"), soon, s("1"), s("0")});
    l.ensure(QStringLiteral("Prot_Strutture_I"), key, n,
             {s("PRO"), s("DIPARTIMENTO AFFARI GENERALI"), s("ECO"), s("ECONOMATO"), s("D"), QDate(2010, 12, 31),
              s("2"), s("2")});
}

void functions(Loader &l)
{
    const QStringList f = names({"tf_nome", "Tf_Caption", "tf_codice"});
    const auto &tree = FunctionTable::menuTree();
    const auto codes = FunctionTable::assignCodes(tree, {});
    for (const auto &e : tree)
        l.ensure(QStringLiteral("Tab_Funzioni"), {f[0]}, f, {e.name, e.caption, codes.value(e.name)});
}

} // namespace

void demoOrganisation(Loader &l)
{
    body(l);
    operators(l);
    addressBook(l);
    classification(l);
    structureNotices(l);
    functions(l);
}

} // namespace Schema::detail
