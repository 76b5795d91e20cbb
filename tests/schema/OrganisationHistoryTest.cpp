// The department and office history is written by the database: every
// insert, change, close and delete leaves one row, whoever makes it (the
// program's table writer or plain SQL from the engine's own client), and an
// older register gets the triggers with its upgrade.

#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include "data/Funzioni_Com_1.h"
#include "schema/History.h"
#include "schema/Schema.h"
#include "SqlClient.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDb.h"

using namespace nimbo::test;
namespace F = Funzioni_Com_1;

namespace {

const QString kToday = QDate::currentDate().toString(Qt::ISODate);

QString shown(const QVariant &v)
{
    if (v.isNull())
        return {};
    // Dates come back as dates from PostgreSQL and as ISO text from SQLite.
    const QDate d = v.toDate();
    return d.isValid() && v.toString().size() <= 10 ? d.toString(Qt::ISODate) : v.toString();
}

class OrganisationHistory : public EngineTest {
protected:
    // "type|date|<columns>" for each history row of the record, oldest first.
    QStringList history(const QString &table, const QString &where, const QString &columns)
    {
        QSqlQuery q(db().central());
        const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY ID").arg(columns, table, where);
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        QStringList out;
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << shown(q.value(i));
            out << row.join(QLatin1Char('|'));
        }
        return out;
    }
    // The last history row holds every recorded column as the table row has it.
    void lastRowMirrors(const Schema::History::Link &link, const QString &tableWhere)
    {
        const auto map = Schema::History::columnMap(link);
        ASSERT_FALSE(map.isEmpty());
        QStringList h, t;
        for (const auto &m : map) {
            h << m.first;
            t << m.second;
        }
        QSqlQuery a(db().central()), b(db().central());
        ASSERT_TRUE(a.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY ID DESC").arg(h.join(QLatin1Char(',')), link.history))
                    && a.next());
        ASSERT_TRUE(b.exec(QStringLiteral("SELECT %1 FROM %2 WHERE %3").arg(t.join(QLatin1Char(',')), link.table, tableWhere))
                    && b.next());
        for (int i = 0; i < map.size(); ++i)
            EXPECT_EQ(shown(a.value(i)), shown(b.value(i))) << map[i].first.toStdString();
    }
    void client(const QString &sql)
    {
        const ClientResult r = sqlClient(db(), sql);
        ASSERT_TRUE(r.ok) << sql.toStdString() << ": " << r.output.toStdString();
    }
};

const QString kDepartment = QStringLiteral("DipaS_CodiceEnte = '001' AND DipaS_CodDipartimento = 'TEC'");
const QString kDepartmentColumns =
    QStringLiteral("DipaS_TipoOperazione, DipaS_DataOperazione, DipaS_Denominazione, DipaS_DataFine, DipaS_Chiuso");

TEST_P(OrganisationHistory, EveryChangeOfADepartmentMadeWithPlainSqlLeavesOneRow)
{
    const QString update = QStringLiteral("UPDATE Tab_Dipartimenti SET %1 WHERE Dipa_CodiceEnte = '001' AND "
                                          "Dipa_CodDipartimento = 'TEC'");
    client(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione, "
                          "Dipa_Domicilio, Dipa_Comune, Dipa_Telefono, Dipa_PostaElettronica, Dipa_DataInizio, "
                          "Dipa_Chiuso, Dipa_CodOper, Dipa_DatOper) VALUES ('TEC', '001', 'DIPARTIMENTO TECNICO', "
                          "'VIA ROMA 1', '076063', '0971111', 'tec@ente.example', '2024-01-10', 'NO', 'OP1', "
                          "'2024-01-10')"));
    lastRowMirrors(Schema::History::links()[0], QStringLiteral("Dipa_CodDipartimento = 'TEC'"));
    client(update.arg(QStringLiteral("Dipa_Denominazione = 'DIPARTIMENTO TECNICO E LOGISTICO'")));
    // The same values again, and a new writer alone: nothing changed.
    client(update.arg(QStringLiteral("Dipa_Denominazione = 'DIPARTIMENTO TECNICO E LOGISTICO', Dipa_CodOper = "
                                     "'OP2', Dipa_DatOper = '2024-02-02'")));
    client(update.arg(QStringLiteral("Dipa_Chiuso = 'SI', Dipa_DataFine = '2024-06-30'")));
    lastRowMirrors(Schema::History::links()[0], QStringLiteral("Dipa_CodDipartimento = 'TEC'"));
    // Changed while closed, reopened (active again, as a new one is),
    // closed again in one statement with another change.
    client(update.arg(QStringLiteral("Dipa_DataFine = '2024-07-31'")));
    client(update.arg(QStringLiteral("Dipa_Chiuso = 'NO', Dipa_DataFine = NULL")));
    client(update.arg(QStringLiteral("Dipa_Chiuso = 'SI', Dipa_DataFine = '2024-09-30', Dipa_Telefono = '0971222'")));
    client(QStringLiteral("DELETE FROM Tab_Dipartimenti WHERE Dipa_CodDipartimento = 'TEC'"));
    const QString later = QStringLiteral("|DIPARTIMENTO TECNICO E LOGISTICO|");
    EXPECT_EQ(history(QStringLiteral("Tab_Dipartimenti_Storico"), kDepartment, kDepartmentColumns),
              (QStringList{QStringLiteral("A|") + kToday + QStringLiteral("|DIPARTIMENTO TECNICO||NO"),
                           QStringLiteral("M|") + kToday + later + QStringLiteral("|NO"),
                           QStringLiteral("D|") + kToday + later + QStringLiteral("2024-06-30|SI"),
                           QStringLiteral("M|") + kToday + later + QStringLiteral("2024-07-31|SI"),
                           QStringLiteral("A|") + kToday + later + QStringLiteral("|NO"),
                           QStringLiteral("D|") + kToday + later + QStringLiteral("2024-09-30|SI"),
                           QStringLiteral("D|") + kToday + later + QStringLiteral("2024-09-30|SI")}));
    // The deletion records the department as it was, telephone included.
    EXPECT_EQ(history(QStringLiteral("Tab_Dipartimenti_Storico"), kDepartment, QStringLiteral("DipaS_Telefono")).last(),
              QStringLiteral("0971222"));
    // Another entity's department of the same code has a history of its own.
    client(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione) "
                          "VALUES ('TEC', '002', 'ALTRO')"));
    EXPECT_EQ(history(QStringLiteral("Tab_Dipartimenti_Storico"), kDepartment, kDepartmentColumns).size(), 7);
}

TEST_P(OrganisationHistory, OfficesWrittenByTheTableWriterAreRecordedToo)
{
    ScriptedDialogs boxes; // the writer's "done" boxes
    const QString proto = QStringLiteral("PROTOCOLLO");
    const QString where = QStringLiteral("Tab_Ente='001' AND Tab_Dipartimento='PRO' AND Tab_Ufficio='URP'");
    const auto field = [](const char *name, const QVariant &v) { return F::Field{QString::fromLatin1(name), v}; };
    const F::Statement add{QStringLiteral("A"), QStringLiteral("Tab_Uffici"),
                           {field("Tab_Ente", QStringLiteral("001")), field("Tab_Dipartimento", QStringLiteral("PRO")),
                            field("Tab_Ufficio", QStringLiteral("URP")),
                            field("Tab_Descrizione", QStringLiteral("RELAZIONI CON L'UTENZA")),
                            field("Tab_Domicilio", QStringLiteral("VIA ROMA")),
                            field("Tab_Numero_Civico", QStringLiteral("3")),
                            field("Tab_Comune", QStringLiteral("076063")),
                            field("Tab_Responsabile", QStringLiteral("ROSSI ADA")),
                            field("Tab_DataInizio", QDate(2024, 1, 10)), field("Tab_Chiuso", QStringLiteral("NO"))},
                           {}};
    ASSERT_TRUE(F::Update_Tabella({add}, proto, F::kModeLocal));
    lastRowMirrors(Schema::History::links()[1], where);
    ASSERT_TRUE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Uffici"),
                                    {field("Tab_Responsabile", QStringLiteral("BIANCHI ADA"))}, where}},
                                  proto, F::kModeLocal));
    ASSERT_TRUE(F::Update_Tabella({{QStringLiteral("R"), QStringLiteral("Tab_Uffici"),
                                    {field("Tab_Chiuso", QStringLiteral("SI")), field("Tab_DataFine", QDate(2024, 12, 31))},
                                    where}},
                                  proto, F::kModeLocal));
    lastRowMirrors(Schema::History::links()[1], where);
    ASSERT_TRUE(F::Update_Tabella({{QStringLiteral("C"), QStringLiteral("Tab_Uffici"), {}, where}}, proto, F::kModeLocal));
    EXPECT_EQ(history(QStringLiteral("Tab_Uffici_Storico"), QStringLiteral("tab_Ente='001' AND Tab_Ufficio='URP'"),
                      QStringLiteral("Tab_TipoOperazione, Tab_DataOperazione, Tab_Descrizione, Tab_Responsabile, "
                                     "Tab_DataFine, Tab_Chiuso")),
              (QStringList{QStringLiteral("A|%1|RELAZIONI CON L'UTENZA|ROSSI ADA||NO").arg(kToday),
                           QStringLiteral("M|%1|RELAZIONI CON L'UTENZA|BIANCHI ADA||NO").arg(kToday),
                           QStringLiteral("D|%1|RELAZIONI CON L'UTENZA|BIANCHI ADA|2024-12-31|SI").arg(kToday),
                           QStringLiteral("D|%1|RELAZIONI CON L'UTENZA|BIANCHI ADA|2024-12-31|SI").arg(kToday)}));

    if (db().engine() == Dialect::Engine::PostgreSQL) {
        // Emptying the table at once records every office as deleted.
        client(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES "
                              "('001', 'PRO', 'T1', 'UNO'), ('001', 'AMM', 'T2', 'DUE')"));
        client(QStringLiteral("TRUNCATE Tab_Uffici"));
        EXPECT_EQ(history(QStringLiteral("Tab_Uffici_Storico"), QStringLiteral("Tab_Ufficio IN ('T1', 'T2')"),
                          QStringLiteral("Tab_TipoOperazione, Tab_Ufficio, Tab_Descrizione")),
                  (QStringList{"A|T1|UNO", "A|T2|DUE", "D|T1|UNO", "D|T2|DUE"}));
    }
}

// The operators' log reads "I", then "U" for every change (a new password
// and a deactivation too), with the time of the change; a rewrite of the
// same values writes nothing.
TEST_P(OrganisationHistory, EveryChangeOfAnOperatorLeavesOneLogRow)
{
    const QString before = QDateTime::currentDateTime().addSecs(-2).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    client(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Livello, Op_Ente, "
                          "Op_Attivo, Op_Password) VALUES ('NERI', 'NERI', 'ADA', '6', '001', 'S', 'X')"));
    client(QStringLiteral("UPDATE Tab_Operatori SET Op_Livello = '7' WHERE Op_Codice_Operatore = 'NERI'"));
    client(QStringLiteral("UPDATE Tab_Operatori SET Op_Password = 'Y' WHERE Op_Codice_Operatore = 'NERI'"));
    client(QStringLiteral("UPDATE Tab_Operatori SET Op_Password = 'Y' WHERE Op_Codice_Operatore = 'NERI'"));
    client(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = 'NERI'"));
    EXPECT_EQ(history(QStringLiteral("Log_Tab_Operatori"), QStringLiteral("Op_Codice_Operatore = 'NERI'"),
                      QStringLiteral("Op_TipoOperazione_Log, Op_Livello, Op_Attivo")),
              (QStringList{"I|6|S", "U|7|S", "U|7|S", "U|7|N"}));
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT MIN(Op_DataOperazione_Log) FROM Log_Tab_Operatori")) && q.next());
    const QDateTime when = q.value(0).toDateTime();
    ASSERT_TRUE(when.isValid()) << q.value(0).toString().toStdString();
    EXPECT_GE(when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")), before);
    lastRowMirrors(Schema::History::links()[2], QStringLiteral("Op_Codice_Operatore = 'NERI'"));
}

NIMBO_INSTANTIATE_ENGINES(OrganisationHistory);

class OrganisationHistoryUpgrade : public OrganisationHistory {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(OrganisationHistoryUpgrade, UpgradeFromThePreviousVersionAddsTheTriggersOnce)
{
    QSqlDatabase c = db().central();
    QString err;
    // The version before the database kept any history.
    const int previous = 6;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, previous)) << err.toStdString();
    client(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione, "
                          "Dipa_Chiuso) VALUES ('TEC', '001', 'DIPARTIMENTO TECNICO', 'NO')"));
    EXPECT_EQ(history(QStringLiteral("Tab_Dipartimenti_Storico"), kDepartment, kDepartmentColumns), QStringList{});

    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    // Running it again must not install a second set of triggers.
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    client(QStringLiteral("UPDATE Tab_Dipartimenti SET Dipa_Chiuso = 'SI', Dipa_DataFine = '2024-06-30'"));
    EXPECT_EQ(history(QStringLiteral("Tab_Dipartimenti_Storico"), kDepartment, kDepartmentColumns),
              QStringList{QStringLiteral("D|%1|DIPARTIMENTO TECNICO|2024-06-30|SI").arg(kToday)});

    QSqlQuery q(c);
    for (const auto &link : Schema::History::links()) {
        for (const QString &name : Schema::History::triggerNames(link, db().engine())) {
            ASSERT_TRUE(q.exec(db().engine() == Dialect::Engine::SQLite
                                   ? QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type = 'trigger' AND name = '%1'").arg(name)
                                   : QStringLiteral("SELECT COUNT(*) FROM pg_trigger WHERE tgname = '%1'").arg(name))
                        && q.next());
            EXPECT_EQ(q.value(0).toInt(), 1) << name.toStdString();
        }
    }
}

NIMBO_INSTANTIATE_ENGINES(OrganisationHistoryUpgrade);

TEST(OrganisationHistoryMap, EveryHistoryColumnIsPairedWithItsTableColumn)
{
    const auto &links = Schema::History::links();
    ASSERT_EQ(links.size(), 3);
    const auto departments = Schema::History::columnMap(links[0]);
    EXPECT_EQ(departments.size(), 11);
    EXPECT_TRUE(departments.contains({QStringLiteral("DipaS_Chiuso"), QStringLiteral("Dipa_Chiuso")}));
    const auto offices = Schema::History::columnMap(links[1]);
    EXPECT_EQ(offices.size(), 14);
    EXPECT_TRUE(offices.contains({QStringLiteral("tab_Ente"), QStringLiteral("Tab_Ente")}));
    const auto operators = Schema::History::columnMap(links[2]);
    EXPECT_EQ(operators.size(), 14);
    EXPECT_TRUE(operators.contains({QStringLiteral("OP_CF"), QStringLiteral("OP_CF")}));
    EXPECT_TRUE(Schema::History::mismatch().isEmpty());

    // A history column that the table lacks is named, and nothing is paired.
    Schema::History::Link wrong = links[0];
    wrong.tablePrefix = QStringLiteral("Tab_");
    QString error;
    EXPECT_TRUE(Schema::History::columnMap(wrong, &error).isEmpty());
    EXPECT_TRUE(error.contains(QStringLiteral("DipaS_CodiceEnte"))) << error.toStdString();
}

} // namespace
