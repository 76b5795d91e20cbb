// The registration window's rules run against the demo register on both
// engines: code lookups, the checks before a registration, the similar
// subject warning, the search with the operator's visibility, and the
// reading of the protocol server's reply.

#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "data/Funzioni_Com_1.h"
#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"
#include "protocol/ProtocolSearch.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

using namespace nimbo;
using namespace nimbo::protocol;
namespace F = Funzioni_Com_1;

namespace {

const QString kBody = QStringLiteral("001");

class ProtocolRulesTest : public test::EngineTest {
protected:
    test::Seed seed() const override { return test::Seed::Demo; }
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
    }
    void TearDown() override
    {
        // Nothing here may end in an error box.
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('\n')).toStdString();
        EngineTest::TearDown();
    }

    // A register row; the number is the year 2024 and the progressive n.
    void protocol(const QString &dir, int n, const QDate &date, const QString &subject, const QString &dept,
                  const QString &office, const QString &registeredBy, bool privacy = false,
                  const QString &body = kBody, int correspondent = 1)
    {
        QSqlQuery q(db().central());
        q.prepare(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                                 "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                                 "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario) "
                                 "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 'A', ?)"));
        for (const QVariant &v : {QVariant(body), QVariant(dir), QVariant(number(n)), QVariant(date), QVariant(subject),
                                  QVariant(dept), QVariant(office), QVariant(registeredBy),
                                  QVariant(privacy ? QStringLiteral("S") : QStringLiteral("N")),
                                  QVariant(correspondent)})
            q.addBindValue(v);
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    static QString number(int n) { return QStringLiteral("2024%1").arg(n, 7, 10, QLatin1Char('0')); }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << q.lastError().text().toStdString();
    }

    // Runs a query the way the window does and fails on an SQL error, so an
    // empty result is never a broken statement in disguise.
    F::LoadedRows rows(const QString &statement)
    {
        const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), statement);
        EXPECT_TRUE(r.ok || r.noRows()) << statement.toStdString() << " -> " << r.message.toStdString();
        return r;
    }
    // The list texts of a lookup as the operator types it (byCode: as the
    // checks before a registration look a code up).
    QString look(CodeField field, const QString &typed, const LookupScope &scope, bool byCode = false)
    {
        const bool byDescription = !byCode && searchesByDescription(typed);
        const QString statement = lookupQuery(field, typed, scope, byDescription);
        if (!statement.isEmpty())
            rows(statement);
        QStringList out;
        for (const LookupRow &r : lookupRows(field, statement, byDescription))
            out << r.listText();
        return out.join(QLatin1Char('|'));
    }
    // The progressives found by a search, in the order returned.
    QString found(const SearchCriteria &c, const Viewer &v)
    {
        const F::LoadedRows r = rows(searchQuery(c, v));
        QStringList out;
        for (int i = 0; i < r.rowCount(); ++i)
            out << QString::number(r.value(1, i).toString().right(7).toInt());
        return out.join(QLatin1Char(','));
    }
    static Viewer viewer(const char *code, int level, const char *dept, const char *office, bool privacy = false)
    {
        Viewer v;
        v.ente = kBody;
        v.operatorCode = QString::fromLatin1(code);
        v.level = level;
        v.department = QString::fromLatin1(dept);
        v.office = QString::fromLatin1(office);
        v.privacy = privacy;
        return v;
    }

    test::ScriptedDialogs boxes;
};

TEST_P(ProtocolRulesTest, LookupsByCodeOrDescription)
{
    EXPECT_TRUE(searchesByDescription(QStringLiteral(" comune")));
    EXPECT_FALSE(searchesByDescription(QStringLiteral("12")) || searchesByDescription(QStringLiteral("'A")));

    LookupScope scope{kBody, QStringLiteral("PRO"), QStringLiteral("UPR"), true};
    using CF = CodeField;
    // Several rows by description, ordered by denomination, codes padded to 6 digits.
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral("comune di m"), scope),
              QStringLiteral("000004 - COMUNE DI MATERA - Lavello  - VIA ROMA 4|"
                             "000003 - COMUNE DI MELFI - Rionero in Vulture  - VIA ROMA 3"));
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral("POTENZA"), scope).count(QLatin1Char('|')), 3);
    // One row by code, the code as typed.
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral(" 2 "), scope),
              QStringLiteral("2 - COMUNE DI POTENZA - Melfi  - VIA ROMA 2"));
    // The apostrophe of a denomination is doubled and finds it; an injected
    // condition finds nothing instead of everything.
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral("Universita' degli"), scope),
              QStringLiteral("000009 - UNIVERSITA' DEGLI STUDI - Bari  - VIA ROMA 9"));
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral("X' OR '1'='1"), scope), QString());
    // Codes that are not identifiers give no rows and no statement at all.
    for (const char *bad : {"12A", "-3", "3.5", "1234567890", "999"})
        EXPECT_EQ(look(CF::Correspondent, QString::fromLatin1(bad), scope), QString()) << bad;
    // A correspondent no longer active is not offered.
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_Identificativo = 3"));
    EXPECT_EQ(look(CF::Correspondent, QStringLiteral("3"), scope), QString());

    EXPECT_EQ(look(CF::DocType, QStringLiteral("LET"), scope, true), QStringLiteral("LET - LETTERA"));
    EXPECT_EQ(look(CF::DocType, QStringLiteral("de"), scope), QStringLiteral("DEL - DELIBERA|DET - DETERMINA"));

    // Closed departments and offices: left out for a new protocol, found for an existing one.
    EXPECT_EQ(look(CF::Department, QStringLiteral("OLD"), scope, true), QString());
    EXPECT_EQ(look(CF::Department, QStringLiteral("DIPARTIMENTO"), scope).count(QLatin1Char('|')), 2);
    EXPECT_EQ(look(CF::Office, QStringLiteral("ECO"), scope, true), QString());
    EXPECT_EQ(look(CF::Office, QStringLiteral("econ"), scope), QString());
    LookupScope existing = scope;
    existing.leaveOutClosed = false;
    EXPECT_EQ(look(CF::Department, QStringLiteral("OLD"), existing, true),
              QStringLiteral("OLD - DIPARTIMENTO SERVIZI SOPPRESSI"));
    EXPECT_EQ(look(CF::Department, QStringLiteral("DIPARTIMENTO"), existing).count(QLatin1Char('|')), 3);
    EXPECT_EQ(look(CF::Office, QStringLiteral("ECO"), existing, true), QStringLiteral("ECO - ECONOMATO"));
    EXPECT_EQ(look(CF::Office, QStringLiteral("econ"), existing), QStringLiteral("ECO - ECONOMATO"));

    // The office lookup stays inside the department typed.
    EXPECT_EQ(look(CF::Office, QStringLiteral("UPR"), scope, true), QStringLiteral("UPR - UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(look(CF::Office, QStringLiteral("RAG"), scope, true), QString());
    EXPECT_EQ(look(CF::Office, QStringLiteral("g"), scope), QString());
    scope.department = QStringLiteral("AMM");
    EXPECT_EQ(look(CF::Office, QStringLiteral("RAG"), scope, true), QStringLiteral("RAG - RAGIONERIA"));
    EXPECT_EQ(look(CF::Office, QStringLiteral("g"), scope), QStringLiteral("PER - GESTIONE DEL PERSONALE"));

    // Members of the office only, by progressive or by name.
    scope.office = QStringLiteral("PER");
    EXPECT_EQ(look(CF::Member, QStringLiteral("2"), scope), QString());
    scope.office = QStringLiteral("UPR");
    EXPECT_EQ(look(CF::Member, QStringLiteral("2"), scope), QStringLiteral("2 - BIANCHI ANNA"));
    EXPECT_EQ(look(CF::Member, QStringLiteral("c"), scope), QStringLiteral("3 - CONTI GIULIA"));
    EXPECT_EQ(look(CF::Member, QStringLiteral("x2"), scope), QString());
}

TEST_P(ProtocolRulesTest, ChecksRunInOrderAndFocusTheirField)
{
    ProtocolForm f;
    Context ctx;
    ctx.ente = kBody;
    ctx.isNew = true;
    // Runs the checks, records message and field, then applies the next correction.
    const auto expect = [&](const char *message, const char *field) {
        const auto failure = validate(&f, ctx);
        ASSERT_TRUE(failure.has_value()) << "expected: " << message;
        EXPECT_EQ(failure->message, QString::fromUtf8(message));
        EXPECT_EQ(failure->field, QString::fromLatin1(field)) << message;
    };

    expect("Indicare se il protocollo è di Entrata o di Uscita", "OptTipoProtocollo");
    f.direction = QStringLiteral("E");
    expect("La DATA RICEZIONE deve essere valida e significativa.", "DataRicezione");
    f.dataRicezione = QStringLiteral("30/02/2024");
    expect("La DATA RICEZIONE deve essere valida e significativa.", "DataRicezione");
    f.dataRicezione = QStringLiteral("11/03/2024");
    f.oraRicezione = QStringLiteral("24:10");
    expect("L'ora di ricezione del documento deve essere valida e significativa.", "OraRicezione");
    f.oraRicezione = QStringLiteral("09:45");
    expect("La DATA protocollo deve essere valida e significativa.", "DataProtocollo");
    f.dataProtocollo = QStringLiteral("10/03/2024");
    expect("La DATA RICEZIONE deve essere minore o uguale della data di protocollo.", "DataRicezione");
    f.dataProtocollo = QStringLiteral("11/03/2024");
    f.refDate = QStringLiteral("11/13/2024");
    expect("La DATA del Documento in arrivo deve essere valida e significativa.", "Text2");
    f.refDate = QStringLiteral("12/03/2024");
    expect("La DATA del Documento in arrivo non può essere maggiore della data di ricezione del documento stesso.",
           "Text2");
    f.refDate = QStringLiteral("11/03/2024");
    expect("IL codice Mittente/Destinatario deve essere numerico.", "CodiceMitDest");
    f.codiceMitDest = QStringLiteral("2B");
    expect("IL codice Mittente/Destinatario deve essere numerico.", "CodiceMitDest");
    f.codiceMitDest = QStringLiteral("31");
    expect("IL Mittente/Destinatario specificato non è presente in archivio", "CodiceMitDest");
    f.codiceMitDest = QStringLiteral("2");
    f.descMitDest = QStringLiteral("descrizione vecchia");
    expect("IL Tipo Documento deve essere valido e significativo.", "CodTipoDoc");
    EXPECT_EQ(f.descMitDest, QStringLiteral("COMUNE DI POTENZA - Melfi  - VIA ROMA 2"));
    f.codTipoDoc = QStringLiteral("ZZZ");
    expect("IL Tipo Documento specificato non è presente in archivio", "CodTipoDoc");
    f.codTipoDoc = QStringLiteral("FAT");
    f.oggetto = QStringLiteral("   ");
    expect("L'Oggetto deve essere valido e significativo.", "Oggetto");
    f.oggetto = QStringLiteral("Fattura n. 12 dell'ufficio tecnico");
    expect("la Sede di Ricezione Documento deve essere valida e significativa.", "CodSedeRic");
    f.codSedeRic = QStringLiteral("OLD");
    expect("Il Codice Dipartimento specificato non è presente in archivio", "CodSedeRic");
    f.codSedeRic = QStringLiteral("PRO");
    expect("IL Codice Ufficio deve essere valido e significativo.", "CodUfficio");
    f.codUfficio = QStringLiteral("RAG"); // an office of another department
    expect("Il Codice Ufficio specificato non è presente in archivio", "CodUfficio");
    f.codUfficio = QStringLiteral("ECO"); // closed
    expect("Il Codice Ufficio specificato non è presente in archivio", "CodUfficio");
    f.codUfficio = QStringLiteral("UPR");
    f.codOperatore = QStringLiteral("4");
    expect("Il Componente specificato non è presente in archivio", "CodOperatore");
    f.codOperatore = QStringLiteral("2");
    ASSERT_FALSE(validate(&f, ctx).has_value());
    EXPECT_EQ(f.descTipoDoc + QLatin1Char('/') + f.descSedeRic + QLatin1Char('/') + f.descUfficio + QLatin1Char('/')
                  + f.descOperatore,
              QStringLiteral("FATTURA/DIPARTIMENTO AFFARI GENERALI/UFFICIO PROTOCOLLO GENERALE/BIANCHI ANNA"));
    // An empty member passes and clears what was shown for it.
    f.codOperatore = QStringLiteral("  ");
    EXPECT_FALSE(validate(&f, ctx).has_value());
    EXPECT_TRUE(f.descOperatore.isEmpty() && f.codOperatore.isEmpty());

    // A protocol already registered in a department and office closed since.
    ctx.isNew = false;
    f.codSedeRic = QStringLiteral("OLD");
    f.codUfficio = QStringLiteral("SOP");
    EXPECT_FALSE(validate(&f, ctx).has_value());

    // Outgoing: no reception date needed, but one given must be a date.
    f.direction = QStringLiteral("U");
    f.dataRicezione.clear();
    EXPECT_FALSE(validate(&f, ctx).has_value());
    f.dataRicezione = QStringLiteral("32/01/2024");
    expect("La DATA RICEZIONE deve essere valida e significativa.", "DataRicezione");
    // Across a month's end, and the short form of a date.
    f.dataProtocollo = QStringLiteral("01/04/2024");
    f.dataRicezione = QStringLiteral("31/03/2024");
    f.refDate = QStringLiteral("1/4/2024");
    expect("La DATA del Documento in arrivo non può essere maggiore della data di ricezione del documento stesso.",
           "Text2");
    f.dataRicezione = QStringLiteral("1/4/2024");
    EXPECT_FALSE(checkDates(f).has_value());
    f.dataRicezione = QStringLiteral("2/4/2024");
    expect("La DATA RICEZIONE deve essere minore o uguale della data di protocollo.", "DataRicezione");
}

TEST_P(ProtocolRulesTest, SimilarSubjectsOfTheLastThirtyDays)
{
    const QDate today = QDate::currentDate();
    const QString pro = QStringLiteral("PRO"), upr = QStringLiteral("UPR"), op = QStringLiteral("DEMO7");
    const QString subject = QStringLiteral("Richiesta d'accesso agli atti");
    protocol(QStringLiteral("E"), 1, today.addDays(-5), subject, pro, upr, op);
    protocol(QStringLiteral("U"), 2, today.addDays(-3), subject, pro, upr, op);
    protocol(QStringLiteral("E"), 3, today.addDays(-40), subject, pro, upr, op);
    protocol(QStringLiteral("E"), 4, today.addDays(-30), subject, pro, upr, op);
    protocol(QStringLiteral("E"), 5, today.addDays(-29), QStringLiteral("Nuova RICHIESTA D'ACCESSO AGLI ATTI"), pro,
             upr, op);
    protocol(QStringLiteral("E"), 6, today, subject, pro, upr, op, false, QStringLiteral("002"));

    ProtocolForm f;
    f.direction = QStringLiteral("E");
    f.oggetto = QStringLiteral("richiesta d'accesso ");
    Context ctx;
    ctx.ente = kBody;
    ctx.today = today;
    const auto shown = [](const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); };
    EXPECT_EQ(similarSubjectWarning(f, ctx),
              QStringLiteral("ATTENZIONE! Sono stati già protocollati i seguenti documenti aventi un Oggetto simile a "
                             "quello inserito:\n")
                  + shownNumber(number(5)) + QStringLiteral(" del ") + shown(today.addDays(-29))
                  + QStringLiteral("  -  Nuova RICHIESTA D'ACCESSO AGLI ATTI\n") + shownNumber(number(1)) + QStringLiteral(" del ")
                  + shown(today.addDays(-5)) + QStringLiteral("  -  ") + subject
                  + QStringLiteral("\n\nSe vuoi effettuare comunque la registrazione premi 'SI' altrimenti premi "
                                   "'NO'."));
    rows(similarSubjectQuery(ctx.ente, f.direction, f.oggetto, today));

    f.direction = QStringLiteral("U");
    const QString outgoing = similarSubjectWarning(f, ctx);
    EXPECT_TRUE(outgoing.contains(shownNumber(number(2)) + QStringLiteral(" del ") + shown(today.addDays(-3))));
    EXPECT_FALSE(outgoing.contains(shownNumber(number(1))));
    f.oggetto = QStringLiteral("accesso agli atti di gara");
    EXPECT_EQ(similarSubjectWarning(f, ctx), QString());
}

TEST_P(ProtocolRulesTest, SearchShowsWhatLevelAndPrivacyAllow)
{
    const QDate day(2024, 3, 11);
    const auto E = QStringLiteral("E"), U = QStringLiteral("U");
    const auto s = [](const char *t) { return QString::fromLatin1(t); };
    protocol(E, 1, day, s("uno"), s("PRO"), s("UPR"), s("DEMO6"));
    protocol(E, 2, QDate(2024, 3, 4), s("due"), s("PRO"), s("ARC"), s("DEMO9"));
    protocol(U, 3, day, s("tre"), s("AMM"), s("RAG"), s("DEMO8"));
    protocol(E, 4, day, s("quattro"), s("AMM"), s("PER"), s("DEMO9"));
    protocol(U, 5, day, s("cinque"), s("SAN"), s("IGI"), s("DEMO7"));
    protocol(E, 6, day, s("sei"), s("PRO"), s("UPR"), s("DEMO9"), true);
    protocol(E, 7, day, s("sette"), s("PRO"), s("UPR"), s("DEMO7"), true);
    protocol(E, 8, day, s("otto"), s("PRO"), s("UPR"), s("DEMO9"), false, s("002"));

    const SearchCriteria all;
    // Level 6: only what it registered itself.
    EXPECT_EQ(found(all, viewer("DEMO6", 6, "PRO", "UPR")), s("1"));
    EXPECT_EQ(found(all, viewer("DEMO9", 6, "PRO", "UPR")), s("6,4,2"));
    // Level 7: its office, not what it registered elsewhere; privacy of others hidden.
    Viewer v7 = viewer("DEMO7", 7, "PRO", "UPR");
    EXPECT_EQ(found(all, v7), s("7,1"));
    v7.extra.append({s("SAN"), s("IGI")});
    v7.extra.append({s("AMM"), s("XXX")});
    EXPECT_EQ(found(all, v7), s("7,5,1"));
    v7.privacy = true;
    EXPECT_EQ(found(all, v7), s("7,6,5,1"));
    // Level 8: its department, plus the departments of the extra pairs.
    Viewer v8 = viewer("DEMO8", 8, "AMM", "RAG");
    EXPECT_EQ(found(all, v8), s("4,3"));
    v8.extra.append({s("SAN"), s("VET")});
    EXPECT_EQ(found(all, v8), s("5,4,3"));
    // Level 9: the whole body, never another body's register.
    Viewer v9 = viewer("DEMO9", 9, "PRO", "UPR", true);
    EXPECT_EQ(found(all, v9), s("7,6,5,4,3,2,1"));
    v9.privacy = false;
    EXPECT_EQ(found(all, v9), s("6,5,4,3,2,1"));
    v9.privacy = true;

    // Directions: what the criteria ask within what the operator may see.
    SearchCriteria out;
    out.incoming = false;
    EXPECT_EQ(found(out, v9), s("5,3"));
    v9.directionRight = s("1");
    EXPECT_EQ(found(all, v9), s("7,6,4,2,1"));
    EXPECT_EQ(found(out, v9), QString());
    v9.directionRight = s("0");

    // Active only leaves out the cancelled; all shows it with its letter.
    sql(s("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = '20240000003'"));
    SearchCriteria active;
    active.filter = SearchCriteria::Filter::ActiveOnly;
    EXPECT_EQ(found(active, v9), s("7,6,5,4,2,1"));
    const F::LoadedRows r = rows(searchQuery(out, v9));
    ASSERT_EQ(r.rowCount(), 2);
    EXPECT_EQ(r.value(5, 1).toString(), s("C"));
    SearchCriteria privacy;
    privacy.filter = SearchCriteria::Filter::PrivacyOnly;
    EXPECT_EQ(found(privacy, v9), s("7,6"));

    // Correspondent: the main one or a further recipient.
    sql(s("UPDATE Tab_Protocollo SET Tab_Intestatario = 2 WHERE Tab_NumeroProtocollo = '20240000004'"));
    sql(s("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_MittDest, "
          "Tab_principale) VALUES ('001', 'U', '20240000005', 2, 'N')"));
    SearchCriteria who;
    who.correspondent = s("comune di potenza");
    EXPECT_EQ(found(who, v9), s("5,4"));

    // A typed apostrophe; the emergency register and number of a recovered protocol.
    sql(s("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Richiesta d''accesso', Tab_RegistroTemporaneo = '2024TABCD001', "
          "Tab_ProtocolloTemporaneo = '0000015|09/03/2024' WHERE Tab_NumeroProtocollo = '20240000006'"));
    SearchCriteria text;
    text.subject = s("D'ACCESSO");
    EXPECT_EQ(found(text, v9), s("6"));
    SearchCriteria eme;
    eme.emeYear = s("2024");
    eme.emeType = s("T");
    eme.emeRegister = s("ABCD");
    eme.emeNumber = s("15");
    EXPECT_FALSE(checkCriteria(eme).has_value());
    EXPECT_EQ(found(eme, v9), s("6"));
    eme.emeNumber = s("1");
    EXPECT_EQ(found(eme, v9), QString());
    eme.emeRegister.clear();
    EXPECT_TRUE(checkCriteria(eme).has_value());

    // Year and number find that protocol alone; a period narrows the date.
    SearchCriteria one;
    one.year = s("2024");
    one.number = s("3");
    EXPECT_EQ(found(one, v9), s("3"));
    one.number.clear();
    one.from = s("05/03/2024");
    one.to = s("11/03/2024");
    EXPECT_EQ(found(one, v9), s("7,6,5,4,3,1"));
}

TEST_P(ProtocolRulesTest, SearchStopsAtTheLimitNewestFirst)
{
    QSqlDatabase central = db().central();
    ASSERT_TRUE(central.transaction());
    QSqlQuery q(central);
    q.prepare(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                             "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                             "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo) "
                             "VALUES ('001', ?, ?, ?, 'massivo', 'PRO', 'UPR', 'DEMO7', 'N', 'A')"));
    for (int n = 1; n <= kSearchLimit + 5; ++n) {
        q.addBindValue(n % 2 ? QStringLiteral("E") : QStringLiteral("U"));
        q.addBindValue(number(n));
        q.addBindValue(QDate(2024, 1, 1).addDays(n % 300));
        ASSERT_TRUE(q.exec()) << q.lastError().text().toStdString();
    }
    ASSERT_TRUE(central.commit());

    SearchCriteria c;
    c.subject = QStringLiteral("MASSIVO");
    const F::LoadedRows r = rows(searchQuery(c, viewer("DEMO9", 9, "PRO", "UPR", true)));
    ASSERT_EQ(r.rowCount(), kSearchLimit);
    EXPECT_EQ(r.value(1, 0).toString(), number(kSearchLimit + 5));
    EXPECT_EQ(r.value(1, kSearchLimit - 1).toString(), number(6));
    EXPECT_EQ(countText(r.rowCount()), QStringLiteral("Sono stati trovati N. 1000 Protocolli "));
}

TEST_P(ProtocolRulesTest, CriteriaCountTextsAndServerReplies)
{
    // The field a refused year/number pair focuses, empty when accepted.
    const auto refused = [](const char *year, const char *number) {
        SearchCriteria c;
        c.year = QString::fromLatin1(year);
        c.number = QString::fromLatin1(number);
        const auto failure = checkCriteria(c);
        return failure ? failure->field : QString();
    };
    EXPECT_EQ(refused("", "") + refused("2024", "") + refused("2024", "12"), QString());
    EXPECT_EQ(refused("2024", "12a"), QStringLiteral("TxtNumero"));
    EXPECT_EQ(refused("", "12"), QStringLiteral("TxtNumero"));
    EXPECT_EQ(refused("20x4", ""), QStringLiteral("TxtAProto"));

    EXPECT_EQ(countText(0), QString::fromUtf8("Non esistono documenti protocollati che soddisfano i criteri di ricerca "
                                              "impostati o per i quali l'utente è abilitato alla gestione."));
    EXPECT_EQ(countText(12), QStringLiteral("Sono stati trovati N. 12 Protocolli "));

    Reply ok = readReply({0, QString(), QStringLiteral("20240000012"), QDate(2024, 3, 11)});
    EXPECT_EQ(ok.kind, Reply::Ok);
    EXPECT_EQ(ok.number + QLatin1Char(' ') + ok.date, QStringLiteral("20240000012 11/03/2024"));
    ok = readReply({QStringLiteral("0"), QString(), QStringLiteral("20240000013"), QString()});
    EXPECT_EQ(ok.kind, Reply::Ok);
    EXPECT_TRUE(ok.date.isEmpty());
    const QString refusal = QStringLiteral("  Protocollo già cancellato: impossibile modificarlo ");
    for (const QVariant &status : {QVariant(QStringLiteral("991")), QVariant(991)}) {
        const Reply r = readReply({status, refusal});
        EXPECT_EQ(r.kind, Reply::Refused);
        EXPECT_EQ(r.message, refusal);
    }
    for (const QVariantList &bad : {QVariantList{5, QStringLiteral("errore")}, QVariantList{}, QVariantList{QVariant()},
                                    QVariantList{QStringLiteral("99"), QString(), QStringLiteral("20240000014")}}) {
        const Reply r = readReply(bad);
        EXPECT_EQ(r.kind, Reply::Error);
        EXPECT_TRUE(r.number.isEmpty());
    }
}

NIMBO_INSTANTIATE_ENGINES(ProtocolRulesTest);

} // namespace
