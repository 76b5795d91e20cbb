// Creation, upgrade and refusal of the central and local schemas, on both
// engines, and the deadline view the workflow lists read.

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "schema/Ddl.h"
#include "schema/Schema.h"
#include "support/TestDb.h"

using namespace nimbo::test;

namespace {

bool exec(QSqlDatabase db, const QString &sql, QString *err = nullptr)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    if (err)
        *err = q.lastError().text();
    ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
    return false;
}

QVariant scalar(QSqlDatabase db, const QString &sql)
{
    QSqlQuery q(db);
    if (!q.exec(sql) || !q.next()) {
        ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
        return {};
    }
    return q.value(0);
}

const char *kProtocol = "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                        "Tab_DataProtocollo, Tab_Oggetto, Tab_StatoProtocollo, Tab_CodiceOpeReg) VALUES ";

} // namespace

class SchemaCreation : public EngineTest {};

TEST_P(SchemaCreation, EveryTableColumnAndViewExistsAndRecreationIsANoOp)
{
    QSqlDatabase c = db().central();
    for (const auto &t : Schema::tables(Schema::Kind::Central)) {
        ASSERT_TRUE(Schema::tableExists(c, t.name)) << t.name.toStdString();
        const QStringList have = Schema::columnNames(c, t.name);
        for (const auto &col : t.columns)
            EXPECT_TRUE(have.contains(col.name.toLower())) << t.name.toStdString() << "." << col.name.toStdString();
    }
    for (const auto &v : Schema::views(Schema::Kind::Central)) {
        QSqlQuery q(c);
        EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM ") + v.name)) << q.lastError().text().toStdString();
    }
    QSqlDatabase l = db().local();
    for (const auto &t : Schema::tables(Schema::Kind::Local))
        EXPECT_TRUE(Schema::tableExists(l, t.name)) << t.name.toStdString();
    EXPECT_FALSE(Schema::tableExists(l, QStringLiteral("Tab_Protocollo")));

    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    exec(c, QString::fromLatin1(kProtocol) + "('001','E','20240000001','2024-03-01','Oggetto','A','OP')");
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Tab_Protocollo").toInt(), 1);
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Schema_Version").toInt(), Schema::currentVersion(Schema::Kind::Central));
}

TEST_P(SchemaCreation, KeysHoldAndDatesOrderAsDates)
{
    QSqlDatabase c = db().central();
    exec(c, QString::fromLatin1(kProtocol) + "('001','U','20231234567','2023-12-31','a','A','OP')");
    exec(c, QString::fromLatin1(kProtocol) + "('001','E','20240000001','2024-01-02','b','A','OP')");
    // Same key twice is refused, and so is the same number in the other
    // direction: a number is given once per body.
    QSqlQuery dup(c);
    EXPECT_FALSE(dup.exec(QString::fromLatin1(kProtocol) + "('001','E','20240000001','2024-01-02','c','A','OP')"));
    EXPECT_FALSE(dup.exec(QString::fromLatin1(kProtocol) + "('001','U','20240000001','2024-01-02','c','A','OP')"));
    exec(c, QString::fromLatin1(kProtocol) + "('001','U','20240000002','2024-01-02','d','A','OP')");
    // Null reception date for an outgoing protocol is kept as null.
    EXPECT_TRUE(scalar(c, "SELECT Tab_DataRicezione FROM Tab_Protocollo WHERE Tab_TipoProtocollo='U' "
                          "AND Tab_NumeroProtocollo='20240000002'")
                    .isNull());
    EXPECT_EQ(scalar(c, "SELECT MAX(Tab_NumeroProtocollo) FROM Tab_Protocollo").toString(), "20240000002");
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_DataProtocollo > '2023-12-31'").toInt(), 2);
    // Codes compared both as numbers and as quoted text.
    exec(c, "INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
            "Tab_TipoMovimento) VALUES ('001','E','20240000001','20240102101010',5)");
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 5").toInt(), 1);
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = '5'").toInt(), 1);
    // Serial identifiers are given by the database.
    exec(c, "INSERT INTO Tab_OggettiRicorrenti (Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR) "
            "VALUES ('001','PRO','E','uno')");
    exec(c, "INSERT INTO Tab_OggettiRicorrenti (Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR) "
            "VALUES ('001','PRO','E','due')");
    EXPECT_EQ(scalar(c, "SELECT COUNT(DISTINCT Tab_progr) FROM Tab_OggettiRicorrenti").toInt(), 2);
}

// One competence assignment, a postponement, a reminder, a copy assignment
// and a cancelled protocol: the view lists exactly the live competence row
// with the postponed deadline and the latest reminder.
TEST_P(SchemaCreation, DeadlineViewShowsLatestAssignmentPostponementAndReminder)
{
    QSqlDatabase c = db().central();
    exec(c, "INSERT INTO Tab_Dipartimenti (Dipa_CodDipartimento, Dipa_CodiceEnte, Dipa_Denominazione) "
            "VALUES ('AMM','001','AMMINISTRATIVO')");
    exec(c, "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) "
            "VALUES ('001','AMM','RAG','RAGIONERIA')");
    exec(c, "INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) "
            "VALUES (7,'001','COMUNE')");
    exec(c, "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Intestatario, "
            "Tab_StatoProtocollo) VALUES ('001','E','20240000001',7,'A')");
    exec(c, "INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_StatoProtocollo) "
            "VALUES ('001','E','20240000002','C')");
    for (const char *n : {"20240000001", "20240000002"}) {
        for (const char *mov : {"20240105090000", "20240106090000"}) {
            exec(c, QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, "
                                   "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_TipoMovimento, Tab_CodiceOpe, "
                                   "Tab_DataEvasione) VALUES ('001','E','%1','%2',4,'DEMO9','2024-02-01')")
                        .arg(QString::fromLatin1(n), QString::fromLatin1(mov)));
            exec(c, QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, "
                                   "Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_UfficioDestinatario, "
                                   "Tab_Componente, Tab_TipoAssegnazione) VALUES ('001','E','%1','%2','RAG',0,1)")
                        .arg(QString::fromLatin1(n), QString::fromLatin1(mov)));
        }
    }
    exec(c, "INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
            "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
            "VALUES ('001','E','20240000001','20240106090000','RAG',0,2)");
    exec(c, "INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_DataScadenza, Tab_flagRinvio) "
            "VALUES ('001','20240000001','2024-03-01',1)");
    exec(c, "INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, Tab_PersonaContattata) "
            "VALUES ('001','20240000001','2024-02-10','PRIMO')");
    exec(c, "INSERT INTO Tab_ProSolleciti (Tab_Ente, Tab_Protocollo, Tab_DataSollecito, Tab_PersonaContattata) "
            "VALUES ('001','20240000001','2024-02-20','SECONDO')");

    QSqlQuery q(c);
    ASSERT_TRUE(q.exec("SELECT Tab_NumeroProtocollo, Tab_DataSerialeMov, Tab_DataEvasione, Tab_Denominazione, "
                       "Dipa_CodDipartimento, Tab_Ufficio, Tab_codiceOpe, Tab_PersonaContattata "
                       "FROM ProtocolliAssegnati_Competenza WHERE Tab_Ente = '001'"))
        << q.lastError().text().toStdString();
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.value(0).toString(), "20240000001");
    EXPECT_EQ(q.value(1).toString(), "20240106090000");
    EXPECT_EQ(q.value(2).toDate(), QDate(2024, 3, 1));
    EXPECT_EQ(q.value(3).toString(), "COMUNE");
    EXPECT_EQ(q.value(4).toString(), "AMM");
    EXPECT_EQ(q.value(5).toString(), "RAG");
    EXPECT_EQ(q.value(6).toString(), "DEMO9");
    EXPECT_EQ(q.value(7).toString(), "SECONDO");
    EXPECT_FALSE(q.next());
}

NIMBO_INSTANTIATE_ENGINES(SchemaCreation);

class SchemaUpgrade : public EngineTest {
protected:
    Seed seed() const override { return Seed::NoSchema; }
};

TEST_P(SchemaUpgrade, OlderDatabaseIsBroughtForwardKeepingItsRows)
{
    QSqlDatabase c = db().central();
    EXPECT_EQ(Schema::version(c), 0);
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 1)) << err.toStdString();
    ASSERT_EQ(Schema::version(c), 1);
    EXPECT_FALSE(Schema::tableExists(c, QStringLiteral("Tab_Protocollo_Storico")));
    exec(c, QString::fromLatin1(kProtocol) + "('001','E','20240000001','2024-03-01','Oggetto','A','OP')");
    exec(c, "INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES (1,'001','X')");
    // A database that lost a column on the way is repaired by the upgrade.
    exec(c, "ALTER TABLE Tab_Rubrica DROP COLUMN Tab_Annotazioni");

    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    EXPECT_TRUE(Schema::tableExists(c, QStringLiteral("Tab_Protocollo_Storico")));
    EXPECT_TRUE(Schema::columnNames(c, QStringLiteral("Tab_Rubrica")).contains(QStringLiteral("tab_annotazioni")));
    EXPECT_EQ(scalar(c, "SELECT Tab_Oggetto FROM Tab_Protocollo WHERE Tab_NumeroProtocollo='20240000001'").toString(),
              "Oggetto");
    EXPECT_EQ(scalar(c, "SELECT COUNT(*) FROM Tab_Rubrica").toInt(), 1);
    // The history table repeats every register column.
    const QStringList hist = Schema::columnNames(c, QStringLiteral("Tab_Protocollo_Storico"));
    for (const auto &col : Schema::protocolColumns())
        EXPECT_TRUE(hist.contains(col.name.toLower())) << col.name.toStdString();
    EXPECT_TRUE(hist.contains(QStringLiteral("tab_operatoremodifica")));
}

TEST_P(SchemaUpgrade, NewerOrOtherKindDatabaseIsRefusedUntouched)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    exec(c, "INSERT INTO Schema_Version (version_number, schema_kind, applied_at) VALUES (99, 'central', 'x')");
    exec(c, "DROP TABLE Tab_Tabelle");
    EXPECT_FALSE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("più recente"))) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("99")));
    EXPECT_FALSE(Schema::tableExists(c, QStringLiteral("Tab_Tabelle"))); // nothing was re-created

    QSqlDatabase l = db().local();
    EXPECT_FALSE(Schema::createOrUpgrade(l, Schema::Kind::Central, &err));
    EXPECT_TRUE(err.contains(QStringLiteral("locale"))) << err.toStdString();
    EXPECT_FALSE(Schema::tableExists(l, QStringLiteral("Tab_Protocollo")));
}

TEST_P(SchemaUpgrade, IterMovementTypesAreAddedWithoutTouchingTheBodysOwn)
{
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 11)) << err.toStdString();
    exec(c, "INSERT INTO Tab_TipoMovimento (Tab_Codice, Tab_Descrizione) VALUES (3, 'Ricevuto'), (7, 'Sollecito')");
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    QSqlQuery q(c);
    ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoMovimento ORDER BY Tab_Codice")));
    QStringList rows;
    while (q.next())
        rows << q.value(0).toString() + QLatin1Char(' ') + q.value(1).toString();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("2 Ritrasmissione"), QStringLiteral("3 Ricevuto"),
                                 QStringLiteral("4 Assegnazione"), QStringLiteral("5 Evasione"),
                                 QStringLiteral("7 Sollecito")}));
}

NIMBO_INSTANTIATE_ENGINES(SchemaUpgrade);

TEST(SchemaDdl, EngineTypesFollowTheDefinition)
{
    const Schema::Table *t = Schema::findTable(Schema::Kind::Central, QStringLiteral("tab_protocollo"));
    ASSERT_NE(t, nullptr);
    const QString pg = Schema::Ddl::createTable(*t, Dialect::Engine::PostgreSQL);
    const QString lite = Schema::Ddl::createTable(*t, Dialect::Engine::SQLite);
    EXPECT_TRUE(pg.contains(QStringLiteral("Tab_DataProtocollo DATE")));
    EXPECT_TRUE(lite.contains(QStringLiteral("Tab_DataProtocollo TEXT")));
    EXPECT_TRUE(pg.contains(QStringLiteral("PRIMARY KEY (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo)")));
    EXPECT_FALSE(pg.contains(QLatin1Char('"'))); // identifiers stay unquoted
    // Index names are unique across the whole database.
    QStringList names;
    for (const auto &tab : Schema::tables(Schema::Kind::Central))
        for (int i = 0; i < int(tab.indexes.size()); ++i)
            names << Schema::Ddl::indexName(tab, i);
    EXPECT_EQ(names.size(), QSet<QString>(names.begin(), names.end()).size());
}
