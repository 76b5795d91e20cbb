// The window's "contains" searches on a register brought forward from an
// older schema (one with the PostgreSQL trigram indexes but without the
// SQLite full-text tables and the indexes in number or year order): rows
// written before and after the upgrade, mixed case and apostrophes, the
// number's repeated index dropped, and on PostgreSQL the trigram indexes
// really serving the query the window builds.

#include <QDate>
#include <QSqlQuery>

#include "data/Dialect.h"
#include "protocol/ProtocolSearch.h"
#include "schema/Schema.h"
#include "support/TestDb.h"

using namespace nimbo::protocol;

namespace {

class ContainsSearch : public nimbo::test::EngineTest {
protected:
    nimbo::test::Seed seed() const override { return nimbo::test::Seed::NoSchema; }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString();
    }
    void protocol(const QString &number, const QString &subject, int correspondent)
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_StatoProtocollo) VALUES ('001', 'E', '%1', "
                           "'2026-03-02', '%2', %3, 'A')")
                .arg(number, QString(subject).replace(QLatin1Char('\''), QStringLiteral("''")))
                .arg(correspondent));
    }
    QStringList indexes()
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(db().engine() == Dialect::Engine::SQLite
                               ? QStringLiteral("SELECT lower(name) FROM sqlite_master WHERE type = 'index'")
                               : QStringLiteral("SELECT indexname FROM pg_indexes WHERE tablename = 'tab_protocollo'")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    }
    QStringList found(const QString &subject, const QString &correspondent)
    {
        SearchCriteria c;
        c.subject = subject;
        c.correspondent = correspondent;
        Viewer v;
        v.ente = QStringLiteral("001");
        v.level = 9;
        v.privacy = true;
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(searchQuery(c, v)));
        QStringList out;
        while (q.next())
            out << q.value(1).toString();
        return out;
    }
};

} // namespace

TEST_P(ContainsSearch, FindsOldAndNewRowsWithCaseAndApostrophes)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 4)) << err.toStdString();
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                       "(1, '001', 'Studio Dell''Acqua'), (2, '001', 'COMUNE DI LAURIA')"));
    protocol(QStringLiteral("20260000001"), QStringLiteral("Richiesta dell'Ufficio Tecnico"), 1);
    protocol(QStringLiteral("20260000002"), QStringLiteral("Sopralluogo a Villa d'Agri"), 2);
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    ASSERT_TRUE(nimbo::test::admitProtocolRows(c, &err)) << err.toStdString();

    // Written after the upgrade: a new row, a changed subject, a new name.
    protocol(QStringLiteral("20260000003"), QStringLiteral("Nota per Villa D'AGRI"), 3);
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Esposto sull''Acquedotto' WHERE "
                       "Tab_NumeroProtocollo = '20260000001'"));
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                       "(3, '001', 'O''Brien Villa')"));
    // A further recipient counts as a correspondent of its protocol.
    sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_MittDest, Tab_principale) VALUES ('001', 'E', '20260000002', 3, 'N'), "
                       "('002', 'E', '20260000001', 3, 'N')"));

    EXPECT_EQ(found(QStringLiteral("villa D'agri"), {}), (QStringList{"20260000003", "20260000002"}));
    EXPECT_EQ(found(QStringLiteral("SULL'ACQUE"), {}), QStringList{"20260000001"});
    EXPECT_TRUE(found(QStringLiteral("dell'ufficio"), {}).isEmpty());
    EXPECT_EQ(found({}, QStringLiteral("dell'acqua")), QStringList{"20260000001"});
    EXPECT_EQ(found({}, QStringLiteral("o'brien")), (QStringList{"20260000003", "20260000002"}));
    EXPECT_EQ(found(QStringLiteral("villa"), QStringLiteral("lauria")), QStringList{"20260000002"});
    // A pattern is decided by each name, never across two of them in the
    // protocol's own copy of its names.
    EXPECT_TRUE(found({}, QStringLiteral("lauria_o'brien")).isEmpty());
    EXPECT_TRUE(found({}, QStringLiteral("lauria%o'brien")).isEmpty());
    EXPECT_EQ(found({}, QStringLiteral("com_ne di")), QStringList{"20260000002"});
    // Accented letters match whatever their case, as on PostgreSQL.
    protocol(QStringLiteral("20260000004"), QStringLiteral("PERCHÉ LA CITTÀ È SENZ'ACQUA"), 1);
    EXPECT_EQ(found(QStringLiteral("città è"), {}), QStringList{"20260000004"});
    EXPECT_EQ(found(QStringLiteral("Perché"), {}), QStringList{"20260000004"});

    // The number's second index (a copy of the unique one) and the index on
    // "year#subject" are gone; the unique index on the same columns stays.
    const QStringList now = indexes();
    EXPECT_FALSE(now.contains(QStringLiteral("ix_tab_protocollo_1"))) << now.join(' ').toStdString();
    EXPECT_FALSE(now.contains(QStringLiteral("tab_protocollo_anno_oggetto_trgm")));
    EXPECT_TRUE(now.contains(QStringLiteral("ux_tab_protocollo_numero")));
    EXPECT_TRUE(now.contains(QStringLiteral("ix_tab_protocollo_2")));

    if (db().engine() == Dialect::Engine::SQLite) {
        // The rows written before the upgrade got their place in number
        // order, each once, and those written after it too.
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT Tab_NumeroProtocollo, k / 67108864 FROM Tab_Protocollo_Ordine ORDER BY k")));
        QStringList numbers;
        while (q.next()) {
            numbers << q.value(0).toString();
            EXPECT_EQ(q.value(1).toLongLong(), q.value(0).toLongLong());
        }
        EXPECT_EQ(numbers, (QStringList{"20260000001", "20260000002", "20260000003", "20260000004"}));
        sql(QStringLiteral("INSERT INTO Tab_Protocollo_Ordine_fts (Tab_Protocollo_Ordine_fts) VALUES ('integrity-check')"));
    }
    if (db().engine() == Dialect::Engine::PostgreSQL) {
        // The indexes must match the expression the search uses, or the
        // planner cannot take them even when told to avoid scans.
        for (const char *scan : {"seqscan", "indexscan", "indexonlyscan"})
            sql(QStringLiteral("SET enable_%1 = off").arg(QLatin1String(scan)));
        const auto plan = [&](const char *table, const char *column) {
            QSqlQuery q(c);
            EXPECT_TRUE(q.exec(QStringLiteral("EXPLAIN SELECT COUNT(*) FROM %1 WHERE ").arg(QLatin1String(table))
                               + Dialect::likeNoCase(Dialect::Engine::PostgreSQL, QLatin1String(column),
                                                     QStringLiteral("'%acque%'"))));
            QString out;
            while (q.next())
                out += q.value(0).toString() + QLatin1Char('\n');
            return out;
        };
        EXPECT_TRUE(plan("Tab_Protocollo", "Tab_Oggetto").contains(QLatin1String("tab_protocollo_oggetto_trgm")));
        EXPECT_TRUE(plan("Tab_Rubrica", "Tab_Denominazione").contains(QLatin1String("tab_rubrica_denominazione_trgm")));
        // A year's probe of the search by years (the condition on the year's
        // last digit written as the index's) reads that digit's index.
        QSqlQuery q(c);
        EXPECT_TRUE(q.exec(QStringLiteral("EXPLAIN SELECT COUNT(*) FROM Tab_Protocollo p WHERE substr(p.Tab_NumeroProtocollo, "
                                          "4, 1) = '6' AND left(p.Tab_NumeroProtocollo, 4) = '2026' AND p.Tab_Oggetto "
                                          "ILIKE '%acque%'")));
        QString out;
        while (q.next())
            out += q.value(0).toString() + QLatin1Char('\n');
        EXPECT_TRUE(out.contains(QLatin1String("tab_protocollo_oggetto_anno6_trgm"))) << out.toStdString();
        for (const char *scan : {"seqscan", "indexscan", "indexonlyscan"})
            sql(QStringLiteral("RESET enable_%1").arg(QLatin1String(scan)));
    }
}

// From the version just before: the index on "year#subject" and the
// number's second index give way, and the rows written before still come
// out of the searches, newest first.
TEST_P(ContainsSearch, UpgradeFromTheYearSubjectIndex)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    QSqlDatabase c = db().central();
    QString err;
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err, 11)) << err.toStdString();
    EXPECT_TRUE(indexes().contains(QStringLiteral("ix_tab_protocollo_1")));
    const int year = QDate::currentDate().year();
    const auto number = [](int y, int n) { return QStringLiteral("%1%2").arg(y).arg(n, 7, 10, QLatin1Char('0')); };
    protocol(number(year - 1, 1), QStringLiteral("Sopralluogo cantiere"), 1);
    protocol(number(year, 1), QStringLiteral("Verbale di sopralluogo"), 1);
    protocol(number(year - 10, 1), QStringLiteral("SOPRALLUOGO antico"), 1);
    ASSERT_TRUE(Schema::createOrUpgrade(c, Schema::Kind::Central, &err)) << err.toStdString();
    EXPECT_EQ(Schema::version(c), Schema::currentVersion(Schema::Kind::Central));
    ASSERT_TRUE(nimbo::test::admitProtocolRows(c, &err)) << err.toStdString();
    protocol(number(year, 2), QStringLiteral("Nuovo sopralluogo"), 1);
    const QStringList now = indexes();
    EXPECT_FALSE(now.contains(QStringLiteral("ix_tab_protocollo_1")));
    EXPECT_FALSE(now.contains(QStringLiteral("tab_protocollo_anno_oggetto_trgm")));
    if (db().engine() == Dialect::Engine::PostgreSQL) {
        for (int d = 0; d <= 9; ++d)
            EXPECT_TRUE(now.contains(QStringLiteral("tab_protocollo_oggetto_anno%1_trgm").arg(d))) << d;
    }
    EXPECT_EQ(found(QStringLiteral("sopralluogo"), {}),
              (QStringList{number(year, 2), number(year, 1), number(year - 1, 1), number(year - 10, 1)}));
}

NIMBO_INSTANTIATE_ENGINES(ContainsSearch);
