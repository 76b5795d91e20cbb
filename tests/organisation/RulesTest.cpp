// The entity, department and office rules without windows: the checks in
// their order with message and field, the duplicate codes, the closing
// dates, the usage queries before a deletion and the municipality lookup.

#include <QSqlQuery>

#include "data/Utilities.h"
#include "organisation/Lookups.h"
#include "organisation/OrganisationRules.h"
#include "ui/UiFixture.h"

using nimbo::test::UiTest;
using nimbo::ui::Record;
namespace org = nimbo::organisation;

namespace {

// One step of a walk through the checks: the message and field expected
// first, then the values that mend it (and may break the next check).
struct Step {
    const char *column;
    const char *message;
    std::vector<std::pair<const char *, const char *>> mend;
};

Record recordOf(std::initializer_list<std::pair<const char *, const char *>> values)
{
    Record r;
    for (const auto &[k, v] : values)
        r.insert(QString::fromUtf8(k), QString::fromUtf8(v));
    return r;
}

class Rules : public UiTest {
protected:
    // Starting from a record that breaks every rule, each step must meet the
    // next rule in order; mended in turn, the record passes at the end.
    void walk(const nimbo::ui::CheckList &checks, Record r, const std::vector<Step> &steps)
    {
        for (size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "step " << i << ": " << steps[i].message);
            const nimbo::ui::Check *failed = nimbo::ui::firstFailure(checks, r);
            ASSERT_NE(failed, nullptr);
            EXPECT_EQ(failed->message, QString::fromUtf8(steps[i].message));
            EXPECT_EQ(failed->column, QString::fromUtf8(steps[i].column));
            for (const auto &[k, v] : steps[i].mend)
                r[QString::fromUtf8(k)] = QString::fromUtf8(v);
        }
        last = r;
        const nimbo::ui::Check *failed = nimbo::ui::firstFailure(checks, last);
        EXPECT_EQ(failed, nullptr) << (failed ? failed->message.toStdString() : std::string());
    }
    Record last;
};

Record brokenEntity(const char *code)
{
    return recordOf({{"Ente_Codice", code}, {"Ente_Denominazione", ""}, {"Ente_Indirizzo", ""}, {"Ente_Comune", ""},
                     {"Ente_Codice_Regione", "99"}, {"Ente_Partita_Iva", "12345678901"},
                     {"Ente_PostaElettronica", ""}, {"Ente_Posta_PortaServer", "2X"},
                     {"Ente_ProtocolliDipartimento", ""}, {"Ente_ScanPost", "SI"}, {"Ente_Posta_POP", ""},
                     {"Ente_Posta_SMTP", ""}, {"Ente_PWD_Posta", ""}});
}

const std::vector<Step> kEntityTail = {
    {"Ente_Denominazione", "inserire la denominazione dell'Ente", {{"Ente_Denominazione", "ENTE DI L'AQUILA"}}},
    {"Ente_Indirizzo", "inserire l'indirizzo dell'Ente", {{"Ente_Indirizzo", "VIA XX SETTEMBRE"}}},
    {"Ente_Comune", "inserire il comune di residenza dell'Ente", {{"Ente_Comune", "999999"}}},
    {"Ente_Comune", "Il codice Comune specificato non esiste in archivio", {{"Ente_Comune", "076063"}}},
    {"Ente_Codice_Regione", "Il codice Regione specificato non esiste in archivio", {{"Ente_Codice_Regione", "17"}}},
    {"Ente_Partita_Iva", "la partita IVA inserita non è formalmente corretta", {{"Ente_Partita_Iva", "01234567897"}}},
    {"Ente_PostaElettronica", "inserire l'indirizzo di posta elettronica dell'ente",
     {{"Ente_PostaElettronica", "protocollo.example"}}},
    {"Ente_PostaElettronica", "l'indirizzo di posta elettronica inserito non è formalmente corretto",
     {{"Ente_PostaElettronica", "protocollo@ente.example"}}},
    {"Ente_Posta_PortaServer", "inserire lun valore numerico", {{"Ente_Posta_PortaServer", ""}}},
    {"Ente_ProtocolliDipartimento", "selezionare un valore dall'elenco", {{"Ente_ProtocolliDipartimento", "S"}}},
    {"Ente_ScanPost", "selezionare un valore dall'elenco", {{"Ente_ScanPost", "N"}}},
    {"Ente_Posta_POP", "inserire il nome del server POP di posta elettronica utilizzato dall'ente",
     {{"Ente_Posta_POP", "pop.ente.example"}}},
    {"Ente_Posta_SMTP", "inserire il nome del server SMTP di posta elettronica utilizzato dall'ente",
     {{"Ente_Posta_SMTP", "smtp.ente.example"}}},
};

} // namespace

TEST_P(Rules, EntityChecksRunInOrderAndTheListVariantTestsTheDuplicateFirst)
{
    ASSERT_TRUE(Utilities::checkVatNumber(QStringLiteral("01234567897")).ok());
    // The list variant finds taken codes in its own list, not in the table.
    const org::CodeTaken inList = [](const QString &c) { return c == QLatin1String("007"); };
    std::vector<Step> list = {
        {"Ente_Codice", "il Codice Ente digitato è già presente in archivio", {{"Ente_Codice", ""}}},
        {"Ente_Codice", "inserire il codice Ente", {{"Ente_Codice", "002"}}}};
    list.insert(list.end(), kEntityTail.begin(), kEntityTail.end());
    walk(org::entityChecks(true, true, inList), brokenEntity("007"), list);
    // An empty port becomes "25".
    EXPECT_EQ(last.value(QStringLiteral("Ente_Posta_PortaServer")), QStringLiteral("25"));

    std::vector<Step> detail = {
        {"Ente_Codice", "inserire il codice Ente", {{"Ente_Codice", "001"}}},
        {"Ente_Codice",
         "Il codice specificato esiste già in archivio. Modificarlo e rieffettuare la registrazione.",
         {{"Ente_Codice", "002"}}}};
    detail.insert(detail.end(), kEntityTail.begin(), kEntityTail.end());
    walk(org::entityChecks(true, false, &org::entityCodeInArchive), brokenEntity(""), detail);

    // The duplicate test comes before the empty one in the list variant
    // only, and a change never tests it.
    const auto listChecks = org::entityChecks(true, true, inList);
    const auto detailChecks = org::entityChecks(true, false, inList);
    EXPECT_EQ(listChecks.at(0).message, QStringLiteral("il Codice Ente digitato è già presente in archivio"));
    EXPECT_EQ(detailChecks.at(0).message, QStringLiteral("inserire il codice Ente"));
    EXPECT_EQ(org::entityChecks(false, true, inList).size(), listChecks.size() - 1);
    Record change = brokenEntity("007");
    EXPECT_EQ(nimbo::ui::firstFailure(org::entityChecks(false, true, inList), change)->message,
              QStringLiteral("inserire la denominazione dell'Ente"));
}

TEST_P(Rules, DepartmentChecksRunInOrderAndACodeOfAnotherEntityIsFree)
{
    Record r = recordOf({{"Dipa_CodiceEnte", "001"}, {"Dipa_CodDipartimento", ""}, {"Dipa_Denominazione", ""},
                         {"Dipa_Domicilio", ""}, {"Dipa_Comune", ""}, {"Dipa_PostaElettronica", "dip.example"},
                         {"Dipa_DataInizio", "31/02/2026"}, {"Dipa_DataFine", ""}, {"Dipa_Chiuso", "X"}});
    walk(org::departmentChecks(true), r,
         {{"Dipa_CodDipartimento", "Inserire il codice Dipartimento", {{"Dipa_CodDipartimento", "PRO"}}},
          {"Dipa_CodDipartimento", "Il Codice Dipartimento è già presente nella tabella Dipartimenti",
           {{"Dipa_CodDipartimento", "NEW"}}},
          {"Dipa_Denominazione", "Inserire la denominazione del Dipartimento", {{"Dipa_Denominazione", "NUOVO"}}},
          {"Dipa_Domicilio", "Inserire il domicilio del Dipartimento", {{"Dipa_Domicilio", "VIA ROMA"}}},
          {"Dipa_Comune", "Inserire il comune", {{"Dipa_Comune", "99"}}},
          {"Dipa_Comune", "il codice inserito non esiste in archivio", {{"Dipa_Comune", "076063"}}},
          {"Dipa_PostaElettronica", "L'indirizzo di posta elettronica indicato non è corretto",
           {{"Dipa_PostaElettronica", ""}}},
          {"Dipa_DataInizio", "Inserire una data corretta", {{"Dipa_DataInizio", "01/03/2026"}}},
          {"Dipa_Chiuso", "digitare 'SI' o 'NO'", {{"Dipa_Chiuso", "SI"}}},
          {"Dipa_DataFine", "Inserire una data corretta", {{"Dipa_DataFine", "31/12/2026"}}}});

    // PRO belongs to entity 001; another entity may have its own PRO.
    EXPECT_TRUE(org::departmentCodeTaken(QStringLiteral("001"), QStringLiteral("PRO")));
    EXPECT_FALSE(org::departmentCodeTaken(QStringLiteral("002"), QStringLiteral("PRO")));
    Record other = last;
    other[QStringLiteral("Dipa_CodiceEnte")] = QStringLiteral("002");
    other[QStringLiteral("Dipa_CodDipartimento")] = QStringLiteral("PRO");
    EXPECT_EQ(nimbo::ui::firstFailure(org::departmentChecks(true), other), nullptr);
    // A change of PRO itself is not a duplicate.
    other[QStringLiteral("Dipa_CodiceEnte")] = QStringLiteral("001");
    EXPECT_EQ(nimbo::ui::firstFailure(org::departmentChecks(false), other), nullptr);
    // Closed "NO" asks nothing of the deactivation date.
    other[QStringLiteral("Dipa_Chiuso")] = QStringLiteral("NO");
    other[QStringLiteral("Dipa_DataFine")] = QString();
    EXPECT_EQ(nimbo::ui::firstFailure(org::departmentChecks(false), other), nullptr);
}

TEST_P(Rules, OfficeChecksRunInOrderWithTheClosingRules)
{
    // UPR is an office of department PRO: another department of the same
    // entity cannot take the code.
    Record r = recordOf({{"Tab_Ente", "001"}, {"Tab_Dipartimento", "AMM"}, {"Tab_Ufficio", "UPR"},
                         {"Tab_Descrizione", ""}, {"Tab_Domicilio", ""}, {"Tab_Comune", ""},
                         {"Tab_Email", "ufficio"}, {"Tab_DataInizio", ""}, {"Tab_DataFine", "32/01/2020"},
                         {"Tab_Chiuso", "SI"}});
    walk(org::officeChecks(true), r,
         {{"Tab_Ufficio", "Il Codice Ufficio è già presente nella tabella Uffici", {{"Tab_Ufficio", ""}}},
          {"Tab_Ufficio", "digitare il Codice Ufficio", {{"Tab_Ufficio", "NUO"}}},
          {"Tab_Descrizione", "digitare la denominazione dell'Ufficio", {{"Tab_Descrizione", "UFFICIO L'AQUILA"}}},
          {"Tab_Domicilio", "digitare l'indirizzo dell'Ufficio", {{"Tab_Domicilio", "VIA ROMA"}}},
          {"Tab_Comune", "digitare il codice del comune di residenza dell'Ufficio", {{"Tab_Comune", "000000"}}},
          {"Tab_Comune", "il codice digitato non esiste in archivio", {{"Tab_Comune", "076063"}}},
          {"Tab_Email", "specificare un indirizzo di posta elettronica corretto", {{"Tab_Email", "u@ente.example"}}},
          {"Tab_DataInizio", "digitare una data corretta", {{"Tab_DataInizio", "20/01/2020"}}},
          {"Tab_DataFine", "digitare una data corretta", {{"Tab_DataFine", ""}}},
          {"Tab_DataFine", "specificare la data di chiusura dell'ufficio",
           {{"Tab_DataFine", "19/01/2020"}, {"Tab_Chiuso", "NO"}}},
          {"Tab_DataFine", "la data di chiusura dell'ufficio non può essere inserita se l'ufficio non è chiuso",
           {{"Tab_Chiuso", "SI"}}},
          {"Tab_DataFine", "la data di chiusura non può essere minore della data di attivazione",
           {{"Tab_DataFine", "20/01/2020"}}}});

    // Dates are compared as years first: 10/02/2020 comes after 20/01/2020
    // although its text is smaller.
    Record later = last;
    later[QStringLiteral("Tab_DataFine")] = QStringLiteral("10/02/2020");
    EXPECT_EQ(nimbo::ui::firstFailure(org::officeChecks(true), later), nullptr);
    later[QStringLiteral("Tab_DataFine")] = QStringLiteral("25/12/2019");
    ASSERT_NE(nimbo::ui::firstFailure(org::officeChecks(true), later), nullptr);
    // A change of UPR in its own department is no duplicate; a new UPR in
    // another entity is none either.
    Record upr = last;
    upr[QStringLiteral("Tab_Ufficio")] = QStringLiteral("UPR");
    EXPECT_EQ(nimbo::ui::firstFailure(org::officeChecks(false), upr), nullptr);
    upr[QStringLiteral("Tab_Ente")] = QStringLiteral("002");
    EXPECT_EQ(nimbo::ui::firstFailure(org::officeChecks(true), upr), nullptr);
}

TEST_P(Rules, WrittenColumnsKeepTheirOrder)
{
    Funzioni_Com_1::FieldList fields{{QStringLiteral("Dipa_CodiceEnte"), QStringLiteral("001")},
                                     {QStringLiteral("Dipa_CodDipartimento"), QStringLiteral("X")},
                                     {QStringLiteral("Dipa_DatOper"), QString()},
                                     {QStringLiteral("Dipa_Chiuso"), QStringLiteral("NO")},
                                     {QStringLiteral("Dipa_CodOper"), QStringLiteral("DEMO9")}};
    org::orderColumns(fields, org::departmentColumns());
    QStringList names;
    for (const auto &f : fields)
        names << f.name;
    EXPECT_EQ(names, QStringList({QStringLiteral("Dipa_CodDipartimento"), QStringLiteral("Dipa_CodiceEnte"),
                                  QStringLiteral("Dipa_Chiuso"), QStringLiteral("Dipa_CodOper"),
                                  QStringLiteral("Dipa_DatOper")}));
}

namespace {

// A row that refers to a department or an office, and the position of the
// usage query that must find it first.
struct Reference {
    int query;
    const char *table;
    const char *sql; // %1: the code, %2: a protocol number
};

QString protocolRow(const char *department, const char *office, const char *cancelOffice, const char *number)
{
    return QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                          "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_OraProtocollo, Tab_Oggetto, "
                          "Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_UfficioCancellazione, Tab_CodiceOpeReg, "
                          "Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ('001', 'E', "
                          "'%1', '2026-01-02', '2026-01-02', '10:00:00', 'Prova', '%2', '%3', %4, 'DEMO9', 'N', 'A', "
                          "2, 'LET')")
        .arg(QString::fromLatin1(number), QString::fromLatin1(department), QString::fromLatin1(office),
             QString::fromLatin1(cancelOffice));
}

} // namespace

TEST_P(Rules, EveryKindOfReferenceStopsTheDeletionOfADepartment)
{
    const std::vector<Reference> refs = {
        {0, "Tab_Uffici", "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) "
                          "VALUES ('001', '%1', 'U%1', 'X')"},
        {1, "Tab_Operatori", "INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Ente, Op_Dipartimento, "
                             "Op_CodiceUfficio) VALUES ('O%1', '001', '%1', 'XXX')"},
        {3, "Tab_Rubrica", "INSERT INTO Tab_Rubrica (Tab_EnteRubrica, Tab_Identificativo, Tab_Denominazione, "
                           "Tab_Dipartimento) VALUES ('001', 99999, 'X', '%1')"},
        {4, "Tab_Schedario", "INSERT INTO Tab_Schedario (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Codice) "
                             "VALUES ('001', '%1', 'XXX', 'C')"},
        {5, "Tab_Scadenzario", "INSERT INTO Tab_Scadenzario (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, "
                               "Tab_DataOraRegistrazione) VALUES ('001', '%1', 'XXX', '20260102100000')"},
        {6, "Tab_ProSchedari", "INSERT INTO Tab_ProSchedari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_Dipartimento, Tab_Ufficio, Tab_Codice) VALUES ('001', 'E', '%2', '%1', 'XXX', 'C')"},
        {7, "Tab_Operatori_DIP", "INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                                 "('DEMO6', '001', '%1', 'XXX')"},
        {8, "Tab_UfficiGruppi", "INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, "
                                "Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio) VALUES ('001', 'PRO', 'G', '%1', "
                                "'XXX')"},
        {9, "Tab_DocumentiCollegati",
         "INSERT INTO Tab_DocumentiCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
         "Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, Tab_UfficioProprietario, "
         "Tab_DipartProprietario) VALUES ('001', 'E', '%2', 'LET', '1', '2026-01-02', 'XXX', '%1')"},
    };
    const auto firstUse = [](const QString &dip) {
        const auto checks = org::departmentUsageChecks(QStringLiteral("001"), dip);
        for (int i = 0; i < checks.size(); ++i) {
            EXPECT_EQ(checks[i].message, org::kDepartmentUsed);
            if (Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), checks[i].sql).ok)
                return i;
        }
        return -1;
    };
    int n = 0;
    for (const Reference &ref : refs) {
        SCOPED_TRACE(ref.table);
        const QString dip = QStringLiteral("Z%1").arg(n);
        const QString number = QStringLiteral("2026%1").arg(9000100 + n, 7, 10, QLatin1Char('0'));
        EXPECT_EQ(firstUse(dip), -1);
        sql(QString::fromLatin1(ref.sql).replace(QStringLiteral("%1"), dip).replace(QStringLiteral("%2"), number));
        EXPECT_EQ(firstUse(dip), ref.query);
        ++n;
    }
    // The receiving seat of a protocol, and a department of another entity
    // that shares the code: both count.
    sql(protocolRow("Z98", "XXX", "NULL", "20269990998"));
    EXPECT_EQ(firstUse(QStringLiteral("Z98")), 2);
    sql(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Ente, Op_Dipartimento) VALUES "
                       "('OTHER', '002', 'Z99')"));
    EXPECT_EQ(firstUse(QStringLiteral("Z99")), 1);
}

TEST_P(Rules, EveryKindOfReferenceStopsTheDeletionOfAnOffice)
{
    const std::vector<Reference> refs = {
        {0, "Tab_UfficiComponenti", "INSERT INTO Tab_UfficiComponenti (Tab_Progressivo, Tab_Ente, Tab_Dipartimento, "
                                    "Tab_Ufficio, Tab_Componente) VALUES (1, '001', 'PRO', '%1', 'X')"},
        {1, "Tab_Iter_Documento", "INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, "
                                  "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio) VALUES "
                                  "('001', 'E', '%2', '20260102100000', 4, '%1')"},
        {2, "Tab_Iter_Destinatari", "INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                    "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario) VALUES "
                                    "('001', 'E', '%2', '20260102100000', '%1')"},
        {3, "Tab_Iter_Trasmissioni", "INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, "
                                     "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario) VALUES "
                                     "('001', 'E', '%2', '20260102100000', '%1')"},
        {4, "Tab_Operatori", "INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Ente, Op_Dipartimento, "
                             "Op_CodiceUfficio) VALUES ('O%1', '001', 'PRO', '%1')"},
        {6, "Tab_Schedario", "INSERT INTO Tab_Schedario (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Codice) "
                             "VALUES ('001', 'PRO', '%1', 'C')"},
        {7, "Tab_Scadenzario", "INSERT INTO Tab_Scadenzario (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, "
                               "Tab_DataOraRegistrazione) VALUES ('001', 'PRO', '%1', '20260102100000')"},
        {8, "Tab_ProSchedari", "INSERT INTO Tab_ProSchedari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_Dipartimento, Tab_Ufficio, Tab_Codice) VALUES ('001', 'E', '%2', 'PRO', '%1', 'C')"},
        {9, "Tab_DocumentiCollegati",
         "INSERT INTO Tab_DocumentiCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
         "Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, Tab_UfficioProprietario) VALUES ('001', 'E', "
         "'%2', 'LET', '1', '2026-01-02', '%1')"},
        {10, "Tab_ProIntegrazioni", "INSERT INTO Tab_ProIntegrazioni (Tab_Ente, Tab_TipoProtocollo, "
                                    "Tab_NumeroProtocollo, Tab_UfficioIntegrazione) VALUES ('001', 'E', '%2', '%1')"},
        {11, "Tab_Operatori_DIP", "INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                                  "('DEMO6', '001', 'PRO', '%1')"},
        {12, "Tab_UfficiGruppi", "INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, "
                                 "Tab_raggruppamento, Tab_Dipartimento, Tab_Ufficio) VALUES ('001', 'PRO', 'G', "
                                 "'PRO', '%1')"},
    };
    const auto firstUse = [](const QString &ente, const QString &office) {
        const auto checks = org::officeUsageChecks(ente, office);
        for (int i = 0; i < checks.size(); ++i) {
            EXPECT_EQ(checks[i].message, org::kOfficeUsed);
            if (Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), checks[i].sql).ok)
                return i;
        }
        return -1;
    };
    int n = 0;
    for (const Reference &ref : refs) {
        SCOPED_TRACE(ref.table);
        const QString office = QStringLiteral("Y%1").arg(n);
        const QString number = QStringLiteral("2026%1").arg(9000200 + n, 7, 10, QLatin1Char('0'));
        EXPECT_EQ(firstUse(QStringLiteral("001"), office), -1);
        sql(QString::fromLatin1(ref.sql).replace(QStringLiteral("%1"), office).replace(QStringLiteral("%2"), number));
        EXPECT_EQ(firstUse(QStringLiteral("001"), office), ref.query);
        // An office of another entity with the same code is another office.
        EXPECT_EQ(firstUse(QStringLiteral("002"), office), -1);
        ++n;
    }
    // The registering and the cancelling office of a protocol.
    sql(protocolRow("PRO", "Y98", "NULL", "20269990998"));
    EXPECT_EQ(firstUse(QStringLiteral("001"), QStringLiteral("Y98")), 5);
    sql(protocolRow("PRO", "UPR", "'Y99'", "20269990999"));
    EXPECT_EQ(firstUse(QStringLiteral("001"), QStringLiteral("Y99")), 5);
}

TEST_P(Rules, MunicipalityLookupTakesCodesThenBeginningsOfNames)
{
    // The demo holds the national list, names as published.
    const auto codes = [](const QVector<nimbo::ui::Match> &m) {
        QStringList out;
        for (const auto &x : m)
            out << x.code;
        return out;
    };
    EXPECT_EQ(codes(org::findMunicipalities(QStringLiteral("076063"), false)), QStringList{QStringLiteral("076063")});
    EXPECT_EQ(codes(org::findMunicipalities(QStringLiteral("ROMANO"), true)),
              QStringList({QStringLiteral("001223"), QStringLiteral("024086"), QStringLiteral("016183")}));
    const auto aquila = org::findMunicipalities(QStringLiteral("L'AQ"), true);
    ASSERT_EQ(aquila.size(), 1);
    EXPECT_EQ(aquila[0].description, QStringLiteral("L'Aquila"));
    // Its postal code and province after the name.
    EXPECT_EQ(aquila[0].listText, QStringLiteral("066049 - L'Aquila") + QString(32, QLatin1Char(' ')) +
                                      QStringLiteral(" 67100 (AQ)"));
    // By postal code: the first one and a city's further ones.
    EXPECT_EQ(codes(org::findMunicipalities(QStringLiteral("67100"), true)), QStringList{QStringLiteral("066049")});
    EXPECT_EQ(codes(org::findMunicipalities(QStringLiteral("47122"), true)), QStringList{QStringLiteral("040012")});
    EXPECT_TRUE(org::findMunicipalities(QStringLiteral("ROM"), false).isEmpty());
    EXPECT_EQ(org::municipalityName(QStringLiteral("066049")), QStringLiteral("L'Aquila"));
    const auto regions = org::findRegions(QStringLiteral("BAS"), true);
    ASSERT_EQ(regions.size(), 1);
    EXPECT_EQ(regions[0].listText, QStringLiteral("17  - Basilicata") + QString(30, QLatin1Char(' ')));
    EXPECT_EQ(org::regionName(QStringLiteral("17")), QStringLiteral("Basilicata"));
}

NIMBO_INSTANTIATE_ENGINES(Rules);
