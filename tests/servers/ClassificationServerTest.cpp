// Dossiers (operation 303) and closing of handled cases (operation 304) on
// both engines: codes from the class's counter, never reused, unique with
// several writer processes; a case closed once; and the database itself
// refusing to delete what a classification names.

#include <QProcess>
#include <algorithm>
#include <QSqlError>
#include <QSqlQuery>
#include <gtest/gtest.h>

#include "schema/ClassificationGuards.h"
#include "servers/ClassificationRequests.h"
#include "support/RegisterTest.h"

using nimbo::ColumnValues;
namespace C = nimbo::classification;
namespace G = Schema::ClassificationGuards;

namespace {

const QString kEnte = QStringLiteral("ASL1");
const QString kRefused = QStringLiteral("991");

class ClassificationServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        server = std::make_unique<nimbo::ProtocolServer>(db().centralTarget());
        server->setClock([this] { return now; });
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }

    QVariantList dossier(const QString &mode, const QString &condition, const ColumnValues &columns)
    {
        QVariantList request = C::dossierRequest(mode, condition, columns);
        return server->Elabora(nimbo::kOpScriviFascicolo, request);
    }
    QVariantList newDossier(const QString &description, const QString &cls = QStringLiteral("03"),
                            const ColumnValues &more = {})
    {
        return dossier(QStringLiteral("A"), C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), cls, 0),
                       ColumnValues{{QStringLiteral("Tab_Descrizione"), description},
                                    {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}}
                           + more);
    }
    QVariantList close(const ColumnValues &columns)
    {
        QVariantList request = C::closeCaseRequest(columns);
        return server->Elabora(nimbo::kOpEvadiPratica, request);
    }
    // A closing by OP01 of office U01 with the note and date given.
    ColumnValues closing(const QString &number, const QString &note, const QString &date)
    {
        return {{QStringLiteral("Tab_Ente"), kEnte},
                {QStringLiteral("Tab_TipoProtocollo"), QStringLiteral("E")},
                {QStringLiteral("Tab_NumeroProtocollo"), number},
                {QStringLiteral("Tab_Ufficio"), QStringLiteral("U01")},
                {QStringLiteral("Tab_CodiceOpe"), QStringLiteral("OP01")},
                {QStringLiteral("Tab_Annotazioni"), QStringLiteral("Pratica evasa")},
                {QStringLiteral("Tab_ProtoEvasione"), note},
                {QStringLiteral("Tab_DataChiusuraProcedimento"), date},
                {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")},
                {QStringLiteral("Tab_DatOper"), date}};
    }
    // An incoming protocol registered on the given day.
    QString registerOn(const QDate &day, const QVector<ColumnValues> &dossiers = {})
    {
        const QDateTime was = now;
        now = QDateTime(day, QTime(9, 0));
        QVariantList request = nimbo::registrationRequest(
            QStringLiteral("A"), nimbo::protocolCondition(kEnte, QStringLiteral("E"), QString()),
            nimbo::test::newProtocolColumns(kEnte, QStringLiteral("E"), QStringLiteral("Pratica"), QStringLiteral("OP01")),
            QStringLiteral("OP01"), dossiers);
        const QVariantList reply = server->Elabora(nimbo::kOpRegistraProtocollo, request);
        now = was;
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        return reply.value(2).toString();
    }
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db().central());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant(QStringLiteral("<failed: ") + sql + QLatin1Char('>'));
    }
    // A plain statement: empty when it ran, its error otherwise.
    QString plain(const QString &sql, QSqlDatabase on = {})
    {
        QSqlQuery q(on.isValid() ? on : db().central());
        return q.exec(sql) ? QString() : q.lastError().text();
    }
    int typeFive() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 5")).toInt(); }
    QStringList workerLines(std::vector<std::unique_ptr<QProcess>> &workers)
    {
        QStringList lines;
        for (auto &p : workers) {
            EXPECT_TRUE(p->waitForFinished(240000));
            EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
            lines << QString::fromUtf8(p->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }
        return lines;
    }
    QStringList engineArgs()
    {
        return {db().engine() == Dialect::Engine::PostgreSQL ? QStringLiteral("pg") : QStringLiteral("sqlite"),
                db().centralTarget().location};
    }

    QDateTime now{QDate(2024, 12, 31), QTime(23, 59, 58)};
    std::unique_ptr<nimbo::ProtocolServer> server;
};

TEST_P(ClassificationServerTest, NewDossierTakesTheClassesNextCodeNeverGivenAgain)
{
    // The seeded class holds dossiers 1 to 10.
    QVariantList reply = newDossier(QStringLiteral("GARA MENSA"));
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toLongLong(), 11);
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Descrizione, Tab_Apertura, Tab_Chiusura, Tab_CodOper, Tab_DatOper FROM "
                                      "Tab_Fascicoli WHERE Tab_Ente = 'ASL1' AND Tab_CodiceFascicolo = 11")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("GARA MENSA"));
    EXPECT_EQ(q.value(1).toDate(), now.date()); // empty opening date: today
    EXPECT_TRUE(q.value(2).isNull());
    EXPECT_EQ(q.value(3).toString() + q.value(4).toDate().toString(Qt::ISODate), QStringLiteral("OP012024-12-31"));
    q.finish(); // a read left open holds its snapshot: this connection could not write after the server

    // The last dossier deleted: its code is not handed out again.
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_Ente = 'ASL1' AND Tab_CodiceFascicolo = 11")),
              QString());
    EXPECT_EQ(newDossier(QStringLiteral("GARA PULIZIE")).value(2).toLongLong(), 12);
    // A dossier written by other means moves the counter past its code.
    EXPECT_EQ(plain(QStringLiteral("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                                   "Tab_CodiceFascicolo, Tab_Descrizione) VALUES ('ASL1', '01', '02', '03', 40, 'A MANO')")),
              QString());
    EXPECT_EQ(newDossier(QStringLiteral("GARA VIGILANZA")).value(2).toLongLong(), 41);
    // Another class counts on its own, from 1.
    ASSERT_EQ(plain(QStringLiteral("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, "
                                   "Tab_Descrizione) VALUES ('ASL1', '01', '02', '04', 'MOBILITA')")),
              QString());
    EXPECT_EQ(newDossier(QStringLiteral("MOBILITA 2024"), QStringLiteral("04"),
                         {{QStringLiteral("Tab_Apertura"), QStringLiteral("03/01/2024")},
                          {QStringLiteral("Tab_Chiusura"), QStringLiteral("06/30/2024")}})
                  .value(2)
                  .toLongLong(),
              1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Apertura FROM Tab_Fascicoli WHERE Tab_Classe = '04'")).toDate(),
              QDate(2024, 3, 1));

    // A change rewrites description and dates only.
    reply = dossier(QStringLiteral("R"), C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"),
                                                             QStringLiteral("03"), 12),
                    {{QStringLiteral("Tab_CodiceFascicolo"), 12},
                     {QStringLiteral("Tab_Descrizione"), QStringLiteral("GARA PULIZIE 2025")},
                     {QStringLiteral("Tab_Apertura"), QString()},
                     {QStringLiteral("Tab_Chiusura"), QStringLiteral("12/31/2024")},
                     {QStringLiteral("Tab_CodOper"), QStringLiteral("OP02")}});
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toLongLong(), 12);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Descrizione, Tab_Apertura, Tab_Chiusura, Tab_CodOper FROM Tab_Fascicoli "
                                      "WHERE Tab_Ente = 'ASL1' AND Tab_Classe = '03' AND Tab_CodiceFascicolo = 12")));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), QStringLiteral("GARA PULIZIE 2025"));
    EXPECT_EQ(q.value(1).toDate(), now.date()); // kept
    EXPECT_EQ(q.value(2).toDate(), QDate(2024, 12, 31));
    EXPECT_EQ(q.value(3).toString(), QStringLiteral("OP02"));
}

TEST_P(ClassificationServerTest, DossierRequestsThatBreakARuleAreRefusedNamingTheFieldAndWriteNothing)
{
    ASSERT_EQ(plain(QStringLiteral("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, "
                                   "Tab_Descrizione, Tab_Attivo) VALUES ('ASL1', '01', '02', '09', 'SOPPRESSA', 0)")),
              QString());
    ASSERT_EQ(plain(QStringLiteral("UPDATE Tab_Fascicoli SET Tab_Apertura = '2024-06-01' WHERE Tab_CodiceFascicolo = 5")),
              QString());
    const QString good = C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), 0);
    const QString five = C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), 5);
    const ColumnValues row{{QStringLiteral("Tab_Descrizione"), QStringLiteral("NUOVO")},
                           {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}};
    const auto with = [&](const ColumnValues &changes) {
        ColumnValues c = row;
        c += changes;
        return c;
    };
    const struct Case {
        const char *what;
        QString mode, condition;
        ColumnValues columns;
        QString says;
    } cases[] = {
        {"unknown mode", QStringLiteral("C"), good, row, QStringLiteral("Tipo di operazione")},
        {"condition with more", QStringLiteral("A"), good + QStringLiteral(" OR 1=1"), row,
         QStringLiteral("Condizione di selezione del fascicolo")},
        {"condition without the class", QStringLiteral("A"),
         QStringLiteral("Tab_CodiceFascicolo= 0 AND tab_ente='ASL1' AND Tab_Categoria='02' AND tab_Titolo='01'"), row,
         QStringLiteral("Condizione di selezione del fascicolo")},
        {"quoted code", QStringLiteral("A"),
         QStringLiteral("Tab_CodiceFascicolo= '0' AND Tab_Classe= '03' AND tab_ente='ASL1' AND Tab_Categoria='02' AND "
                        "tab_Titolo='01'"),
         row, QStringLiteral("Condizione di selezione del fascicolo")},
        {"code chosen by the client", QStringLiteral("A"),
         C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), 50), row,
         QStringLiteral("Tab_CodiceFascicolo deve essere 0")},
        {"code too long", QStringLiteral("A"),
         C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("0003"), 0), row,
         QStringLiteral("Codice troppo lungo per Tab_Classe")},
        {"unknown column", QStringLiteral("A"), good, with({{QStringLiteral("Tab_Protocollo"), QStringLiteral("x")}}),
         QStringLiteral("Colonna sconosciuta nella tabella Tab_Fascicoli: Tab_Protocollo")},
        {"row of another class", QStringLiteral("A"), good, with({{QStringLiteral("Tab_Classe"), QStringLiteral("04")}}),
         QStringLiteral("Il valore di Tab_Classe (04)")},
        {"no description", QStringLiteral("A"), good,
         {{QStringLiteral("Tab_Descrizione"), QStringLiteral("  ")}, {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}},
         QStringLiteral("inserire la descrizione del fascicolo")},
        {"description too long", QStringLiteral("A"), good,
         {{QStringLiteral("Tab_Descrizione"), QString(101, QLatin1Char('X'))},
          {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}},
         QStringLiteral("Tab_Descrizione) troppo lunga: al massimo 100")},
        {"control character", QStringLiteral("A"), good,
         {{QStringLiteral("Tab_Descrizione"), QStringLiteral("GARA\x01")}, {QStringLiteral("Tab_CodOper"), QStringLiteral("OP01")}},
         QStringLiteral("Tab_Descrizione")},
        {"not a date", QStringLiteral("A"), good, with({{QStringLiteral("Tab_Apertura"), QStringLiteral("31/02/2024x")}}),
         QStringLiteral("Tab_Apertura")},
        {"year 1800", QStringLiteral("A"), good, with({{QStringLiteral("Tab_Apertura"), QStringLiteral("01/01/1800")}}),
         QStringLiteral("Data di apertura (Tab_Apertura) fuori dall'intervallo")},
        {"closed before opened", QStringLiteral("A"), good,
         with({{QStringLiteral("Tab_Apertura"), QStringLiteral("03/01/2024")},
               {QStringLiteral("Tab_Chiusura"), QStringLiteral("02/29/2024")}}),
         QStringLiteral("la data di chiusura fascicolo non può essere minore della data di apertura fascicolo")},
        {"closed before today's opening", QStringLiteral("A"), good,
         with({{QStringLiteral("Tab_Chiusura"), QStringLiteral("12/30/2024")}}),
         QStringLiteral("la data di chiusura fascicolo non può essere minore")},
        {"unknown body", QStringLiteral("A"),
         C::dossierCondition(QStringLiteral("ASL9"), QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), 0),
         row, QStringLiteral("Ente sconosciuto (Tab_Ente): ASL9")},
        {"unknown operator", QStringLiteral("A"), good,
         {{QStringLiteral("Tab_Descrizione"), QStringLiteral("NUOVO")}, {QStringLiteral("Tab_CodOper"), QStringLiteral("OP77")}},
         QStringLiteral("Operatore (Tab_CodOper) sconosciuto o non attivo per l'ente: OP77")},
        {"missing class", QStringLiteral("A"),
         C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("08"), 0), row,
         QStringLiteral("La classe (Tab_Classe) 01.02.08 non è presente in archivio.")},
        {"inactive class", QStringLiteral("A"),
         C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("09"), 0), row,
         QStringLiteral("La classe (Tab_Classe) 01.02.09 non è attiva")},
        {"change of code 0", QStringLiteral("R"), good, row, QStringLiteral("Tab_CodiceFascicolo) non valido")},
        {"change of a missing dossier", QStringLiteral("R"),
         C::dossierCondition(kEnte, QStringLiteral("01"), QStringLiteral("02"), QStringLiteral("03"), 99), row,
         QStringLiteral("Il fascicolo (Tab_CodiceFascicolo) 01.02.03.00099 non è presente in archivio")},
        {"change that moves the code", QStringLiteral("R"), five, with({{QStringLiteral("Tab_CodiceFascicolo"), 6}}),
         QStringLiteral("il codice di un fascicolo non cambia")},
        {"change closing before the stored opening", QStringLiteral("R"), five,
         with({{QStringLiteral("Tab_Chiusura"), QStringLiteral("05/31/2024")}}),
         QStringLiteral("la data di chiusura fascicolo non può essere minore")},
    };
    const QString fingerprint = QStringLiteral("SELECT COUNT(*) * 1000 + SUM(Tab_CodiceFascicolo) + SUM(CASE WHEN "
                                               "Tab_Apertura IS NULL THEN 0 ELSE 100000 END) FROM Tab_Fascicoli");
    const int before = scalar(fingerprint).toInt();
    for (const Case &c : cases) {
        const QVariantList reply = dossier(c.mode, c.condition, c.columns);
        EXPECT_EQ(reply.value(0).toString(), kRefused) << c.what << ": " << reply.value(1).toString().toStdString();
        EXPECT_TRUE(reply.value(1).toString().contains(c.says)) << c.what << ": " << reply.value(1).toString().toStdString();
    }
    QVariantList wrongSize{QStringLiteral("A"), good};
    EXPECT_EQ(server->Elabora(nimbo::kOpScriviFascicolo, wrongSize).value(0).toString(), kRefused);
    EXPECT_EQ(scalar(fingerprint).toInt(), before);
    // Nothing refused used up a code.
    EXPECT_EQ(newDossier(QStringLiteral("DOPO I RIFIUTI")).value(2).toLongLong(), 11);

    // An active class under a title switched off opens nothing.
    ASSERT_EQ(plain(QStringLiteral("UPDATE Tab_Titolo SET Tab_Attivo = 0 WHERE Tab_Ente = 'ASL1' AND Tab_Codice = '01'")),
              QString());
    const QVariantList underOff = newDossier(QStringLiteral("SOTTO UN TITOLO SPENTO"));
    EXPECT_EQ(underOff.value(0).toString(), kRefused);
    EXPECT_TRUE(underOff.value(1).toString().contains(QStringLiteral("non è attiva"))) << underOff.value(1).toString().toStdString();
}

TEST_P(ClassificationServerTest, DatabaseRefusesDeletingWhatAClassificationNames)
{
    const QString number = registerOn(QDate(2024, 12, 2), {nimbo::test::dossierColumns(kEnte, 7)});
    ASSERT_EQ(number, QStringLiteral("20240000001"));
    if (db().engine() == Dialect::Engine::SQLite) {
        ASSERT_EQ(plain(QStringLiteral("PRAGMA foreign_keys=OFF")), QString()); // not what keeps the rules
    }
    const struct {
        const char *sql;
        QString says;
    } refused[] = {
        {"DELETE FROM Tab_Fascicoli WHERE Tab_Ente = 'ASL1' AND Tab_CodiceFascicolo = 7", G::kDossierUsed},
        {"UPDATE Tab_Fascicoli SET Tab_CodiceFascicolo = 70 WHERE Tab_Ente = 'ASL1' AND Tab_CodiceFascicolo = 7",
         G::kDossierUsed},
        {"DELETE FROM Tab_Classe WHERE Tab_Ente = 'ASL1'", G::kClassUsed},
        {"DELETE FROM Tab_Categoria WHERE Tab_Ente = 'ASL1'", G::kCategoryUsed},
        {"DELETE FROM Tab_Titolo WHERE Tab_Ente = 'ASL1'", G::kTitleUsed},
        {"UPDATE Tab_Titolo SET Tab_Codice = '09' WHERE Tab_Ente = 'ASL1'", G::kTitleUsed},
        {"INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_NumeroProtocollo, Tab_Titolo, Tab_Categoria, Tab_Classe, "
         "Tab_CodiceFascicolo) VALUES ('ASL1', '20240000001', '01', '02', '03', 99)",
         G::kDossierMissing},
        {"INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione) VALUES ('ASL1', '07', '01', "
         "'ORFANA')",
         G::kTitleMissing},
        {"INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, "
         "Tab_Descrizione) VALUES ('ASL1', '01', '02', '05', 1, 'ORFANO')",
         G::kClassMissing},
        {"DELETE FROM Tab_ContatoreFascicoli", G::kCounterKept},
        {"UPDATE Tab_ContatoreFascicoli SET Tab_UltimoFascicolo = 3", G::kCounterKept},
    };
    for (const auto &r : refused) {
        const QString error = plain(QString::fromLatin1(r.sql));
        EXPECT_TRUE(error.contains(r.says)) << r.sql << ": " << error.toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Fascicoli")).toInt(), 10);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Titolo")).toInt(), 1);
    // What nothing names goes, and the classification goes before its dossier.
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_CodiceFascicolo = 8")), QString());
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_ProFascicoli")), QString());
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Fascicoli")), QString());
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Classe")), QString());
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Categoria")), QString());
    EXPECT_EQ(plain(QStringLiteral("DELETE FROM Tab_Titolo")), QString());
}

// PostgreSQL under READ COMMITTED: a classification not yet committed holds
// its dossier, which a look by a trigger alone would not see.
TEST_P(ClassificationServerTest, ADeletionWaitsForAClassificationBeingWrittenAndIsThenRefused)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite has one writer at a time";
    QString err;
    const QString other = QStringLiteral("classification_other");
    ASSERT_TRUE(Dialect::open(other, db().centralTarget(), &err)) << err.toStdString();
    {
        QSqlDatabase second = QSqlDatabase::database(other);
        QSqlDatabase first = db().central();
        const QString number = registerOn(QDate(2024, 12, 2));
        ASSERT_TRUE(first.transaction());
        ASSERT_EQ(plain(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_NumeroProtocollo, Tab_TipoProtocollo, "
                                       "Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo) VALUES ('ASL1', '%1', "
                                       "'E', '01', '02', '03', 8)")
                            .arg(number),
                        first),
                  QString());
        ASSERT_EQ(plain(QStringLiteral("SET lock_timeout = '300ms'"), second), QString());
        const QString waited = plain(QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_CodiceFascicolo = 8"), second);
        EXPECT_TRUE(waited.contains(QStringLiteral("lock timeout"))) << waited.toStdString();
        ASSERT_TRUE(first.commit());
        const QString refused = plain(QStringLiteral("DELETE FROM Tab_Fascicoli WHERE Tab_CodiceFascicolo = 8"), second);
        EXPECT_TRUE(refused.contains(G::kDossierUsed)) << refused.toStdString();
        EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Fascicoli WHERE Tab_CodiceFascicolo = 8")).toInt(), 1);
    }
    Dialect::close(other);
}

TEST_P(ClassificationServerTest, EightWriterProcessesGetDistinctCodesInOneClass)
{
    server.reset();
    constexpr int kWorkers = 8, kEach = 10;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < kWorkers; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_CLASSIFICATION_WORKER),
                 engineArgs() << QStringLiteral("dossier") << QString::number(kEach) << kEnte << QStringLiteral("01")
                              << QStringLiteral("02") << QStringLiteral("03") << QStringLiteral("OP01"));
        workers.push_back(std::move(p));
    }
    QList<int> codes;
    for (const QString &line : workerLines(workers)) {
        EXPECT_TRUE(line.startsWith(QLatin1String("OK "))) << line.toStdString();
        codes << line.mid(3).toInt();
    }
    std::sort(codes.begin(), codes.end());
    QList<int> expected;
    for (int c = 11; c <= 10 + kWorkers * kEach; ++c)
        expected << c;
    EXPECT_EQ(codes, expected);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(DISTINCT Tab_CodiceFascicolo) FROM Tab_Fascicoli")).toInt(),
              10 + kWorkers * kEach);
}

TEST_P(ClassificationServerTest, ACaseIsClosedOnceByANoteThatRulesAllow)
{
    const QString protocol = registerOn(QDate(2024, 12, 10));
    const QString note = registerOn(QDate(2024, 12, 20));
    const QString later = registerOn(QDate(2024, 12, 21));
    const QString cancelled = registerOn(QDate(2024, 12, 22));
    ASSERT_EQ(plain(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
           "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = '%1'")
                        .arg(cancelled)),
              QString());
    const auto changed = [](ColumnValues c, const QString &name, const QVariant &value) {
        for (auto &[n, v] : c)
            if (n == name)
                v = value;
        if (std::none_of(c.begin(), c.end(), [&](const auto &p) { return p.first == name; }))
            c.append({name, value});
        return c;
    };
    const ColumnValues good = closing(protocol, note, QStringLiteral("12/28/2024"));
    const struct {
        const char *what;
        ColumnValues columns;
        QString says;
    } cases[] = {
        {"closing date in the future", changed(good, QStringLiteral("Tab_DataChiusuraProcedimento"), QStringLiteral("01/01/2025")),
         QStringLiteral("maggiore della data corrente")},
        {"closing before the note", changed(good, QStringLiteral("Tab_DataChiusuraProcedimento"), QStringLiteral("12/15/2024")),
         QStringLiteral("minore della data di protocollazione del documento di chiusura")},
        {"no closing date", changed(good, QStringLiteral("Tab_DataChiusuraProcedimento"), QString()),
         QStringLiteral("Data di chiusura (Tab_DataChiusuraProcedimento): inserire una data corretta")},
        {"closed by itself", changed(good, QStringLiteral("Tab_ProtoEvasione"), protocol),
         QStringLiteral("deve essere diverso")},
        {"note not in the register", changed(good, QStringLiteral("Tab_ProtoEvasione"), QStringLiteral("20240000099")),
         QStringLiteral("non esiste in archivio o è stato annullato")},
        {"cancelled note", changed(good, QStringLiteral("Tab_ProtoEvasione"), cancelled),
         QStringLiteral("non esiste in archivio o è stato annullato")},
        {"note older than the protocol",
         closing(later, note, QStringLiteral("12/28/2024")),
         QStringLiteral("non può essere maggiore della data di protocollazione del documento di chiusura (20/12/2024)")},
        {"protocol not in the register", changed(good, QStringLiteral("Tab_NumeroProtocollo"), QStringLiteral("20240000088")),
         QStringLiteral("non esiste in archivio")},
        {"malformed number", changed(good, QStringLiteral("Tab_NumeroProtocollo"), QStringLiteral("2024-1")),
         QStringLiteral("Tab_NumeroProtocollo) non valido")},
        {"movement key from the client", changed(good, QStringLiteral("Tab_DataSerialeMov"), QStringLiteral("20241228000000")),
         QStringLiteral("Tab_DataSerialeMov")},
        {"another movement type", changed(good, QStringLiteral("Tab_TipoMovimento"), 4), QStringLiteral("Tab_TipoMovimento")},
        {"unknown office", changed(good, QStringLiteral("Tab_Ufficio"), QStringLiteral("U99")),
         QStringLiteral("Ufficio (Tab_Ufficio) sconosciuto per l'ente: U99")},
        {"unknown operator", changed(good, QStringLiteral("Tab_CodiceOpe"), QStringLiteral("OP77")),
         QStringLiteral("Operatore (Tab_CodiceOpe) sconosciuto o non attivo")},
        {"unknown column", changed(good, QStringLiteral("Tab_Oggetto"), QStringLiteral("x")),
         QStringLiteral("Colonna sconosciuta")},
    };
    for (const auto &c : cases) {
        const QVariantList reply = close(c.columns);
        EXPECT_EQ(reply.value(0).toString(), kRefused) << c.what << ": " << reply.value(1).toString().toStdString();
        EXPECT_TRUE(reply.value(1).toString().contains(c.says)) << c.what << ": " << reply.value(1).toString().toStdString();
    }
    EXPECT_EQ(typeFive(), 0);

    QVariantList reply = close(good);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toString(), QStringLiteral("20241231235958"));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_DataSerialeMov, Tab_InCarico, Tab_ProtoEvasione, "
                                      "Tab_DataChiusuraProcedimento, Tab_CodiceOpe, Tab_Ufficio, Tab_Annotazioni FROM "
                                      "Tab_Iter_Documento WHERE Tab_TipoMovimento = 5 AND Tab_NumeroProtocollo = '%1'")
                           .arg(protocol)));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(1).toString() + q.value(2).toString(), QStringLiteral("N") + note);
    EXPECT_EQ(q.value(3).toDate(), QDate(2024, 12, 28));
    EXPECT_EQ(q.value(4).toString() + q.value(5).toString() + q.value(6).toString(),
              QStringLiteral("OP01U01Pratica evasa"));
    // Closed a second time: refused, one movement still.
    reply = close(good);
    EXPECT_EQ(reply.value(0).toString(), kRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(QStringLiteral("già stato archiviato")))
        << reply.value(1).toString().toStdString();
    EXPECT_EQ(typeFive(), 1);
}

TEST_P(ClassificationServerTest, EightProcessesClosingTheSameCasesCloseEachOnce)
{
    // Every worker closes the same twenty cases, in the same order: they
    // meet on each of them.
    constexpr int kCases = 20;
    QStringList cases;
    for (int i = 0; i < kCases; ++i)
        cases << registerOn(QDate(2024, 12, 10));
    const QString note = registerOn(QDate(2024, 12, 20));
    server.reset();
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < 8; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_CLASSIFICATION_WORKER),
                 engineArgs() << QStringLiteral("close") << kEnte << QStringLiteral("E") << note << QStringLiteral("U01")
                              << QStringLiteral("OP01") << QStringLiteral("12/28/2024") << cases);
        workers.push_back(std::move(p));
    }
    int closed = 0, refused = 0;
    for (const QString &line : workerLines(workers)) {
        if (line.startsWith(QLatin1String("OK ")))
            ++closed;
        else if (line.startsWith(kRefused + QLatin1Char(' ')) && line.contains(QStringLiteral("già stato archiviato")))
            ++refused;
        else
            ADD_FAILURE() << line.toStdString();
    }
    EXPECT_EQ(closed, kCases);
    EXPECT_EQ(refused, 7 * kCases);
    EXPECT_EQ(typeFive(), kCases);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(DISTINCT Tab_NumeroProtocollo) FROM Tab_Iter_Documento WHERE "
                                    "Tab_TipoMovimento = 5"))
                  .toInt(),
              kCases);
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(ClassificationServerTest);
