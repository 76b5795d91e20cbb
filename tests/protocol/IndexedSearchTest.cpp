// The searches that the text indexes serve must find exactly what the plain
// LIKE search finds: accented letters in either case, apostrophes, LIKE's own
// wildcards typed by the operator, words too short for trigrams, with and
// without a period, through the candidates and through the walk by number.
// The indexes must also follow the rows as they are written, changed and
// deleted.

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <utility>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ContainsIndex.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "support/TestDb.h"

using namespace nimbo::protocol;

namespace {

const QString kEnte = QStringLiteral("001");

QString lit(const QString &t) { return QLatin1Char('\'') + Funzioni_Com_1::quote(t) + QLatin1Char('\''); }

class IndexedSearch : public nimbo::test::EngineTest {
protected:
    void TearDown() override
    {
        contains::setCandidateBound(oldBound_);
        contains::setFewCandidates(oldFew_);
        EngineTest::TearDown();
    }
    void sql(const QString &statement)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << "\n" << q.lastError().text().toStdString();
    }
    QStringList keys(const QString &statement, int numberColumn = 1, int directionColumn = 0)
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(statement)) << statement.toStdString() << "\n" << q.lastError().text().toStdString();
        QStringList out;
        while (q.next())
            out << (directionColumn >= 0 ? q.value(directionColumn).toString() : QString())
                       + q.value(numberColumn).toString();
        std::sort(out.begin(), out.end());
        return out;
    }
    QString like(const QString &column, const QString &typed)
    {
        return Dialect::likeNoCase(db().engine(), column, lit(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
    }
    void fill();
    // What the plain LIKE search gives.
    QStringList plain(const QString &subject, const QString &correspondent, bool period)
    {
        QString where = QStringLiteral("p.Tab_Ente = ") + lit(kEnte);
        if (!subject.isEmpty())
            where += QStringLiteral(" AND ") + like(QStringLiteral("p.Tab_Oggetto"), subject);
        if (!correspondent.isEmpty())
            where += QStringLiteral(" AND (p.Tab_Intestatario IN (SELECT Tab_Identificativo FROM Tab_Rubrica WHERE "
                                    "Tab_EnteRubrica = '001' AND ")
                     + like(QStringLiteral("Tab_Denominazione"), correspondent)
                     + QStringLiteral(") OR EXISTS (SELECT 1 FROM Tab_ProtocolloDestinatari d JOIN Tab_Rubrica r2 ON "
                                      "r2.Tab_EnteRubrica = d.Tab_Ente AND r2.Tab_Identificativo = d.Tab_MittDest "
                                      "WHERE d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo "
                                      "AND d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND ")
                     + like(QStringLiteral("r2.Tab_Denominazione"), correspondent) + QStringLiteral("))");
        if (period)
            where += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + sqlDate(today_.addDays(-7))
                     + QStringLiteral(" AND p.Tab_DataProtocollo <= ") + sqlDate(today_);
        return keys(QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p WHERE ")
                    + where);
    }
    QStringList indexed(const QString &subject, const QString &correspondent, bool period)
    {
        SearchCriteria c;
        c.subject = subject;
        c.correspondent = correspondent;
        if (period) {
            c.from = today_.addDays(-7).toString(QStringLiteral("dd/MM/yyyy"));
            c.to = today_.toString(QStringLiteral("dd/MM/yyyy"));
        }
        Viewer v;
        v.ente = kEnte;
        v.level = 9;
        v.privacy = true;
        return keys(searchQuery(c, v));
    }

    QDate today_ = QDate::currentDate();
    int oldBound_ = contains::candidateBound();
    int oldFew_ = contains::fewCandidates();
    // The bounds and the few-candidate limits tried: a bound of 1 sends
    // every indexable word along a walk; no few candidates makes a search
    // with a period weigh its candidates against the period's rows.
    const std::pair<int, int> tried_[4] = {{oldBound_, oldFew_}, {oldBound_, 0}, {1, oldFew_}, {1, 0}};
};

const char *const kSubjects[] = {
    "Richiesta dell'Ufficio Tecnico", "Nota per la città di Potenza", "NOTA PER LA CITTÀ DI MATERA",
    "perché il ricorso è tardivo", "PERCHÉ SÌ", "Sopralluogo a Villa d'Agri", "villa D'AGRI: verbale",
    "Sconto del 50% sul ticket", "ab", "a_b prova", "rimborso spese sanitarie", "Rimborso SPESE",
    "Dell'Acqua e dell'acquedotto", "L'ÉQUIPE MEDICA", "l'équipe medica", "Oggetto \"tra virgolette\"",
    "xx", "Città", "citta senza accento", "Ufficio Relazioni con il Pubblico"};
const char *const kNames[] = {"Studio Dell'Acqua", "COMUNE DI LAURIA", "Città di Potenza", "CITTÀ DI MATERA",
                              "Ospedale San Carlo", "Al", "50% Sconti_Srl", "O'Brien Villa"};

void IndexedSearch::fill()
{
    for (int i = 0; i < 8; ++i)
        sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                           "(%1, '001', %2)")
                .arg(i + 1)
                .arg(lit(QString::fromUtf8(kNames[i]))));
    // Another body's protocols share the full-text tables: never found.
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                       "(1, '002', 'Città di Lauria')"));
    const int dayOffsets[] = {0, 3, 7, 8, 30, 400};
    int n = 0;
    for (int round = 0; round < 3; ++round) {
        for (int s = 0; s < 20; ++s, ++n) {
            const QString dir = n % 2 ? QStringLiteral("U") : QStringLiteral("E");
            // One number per body, whatever the direction.
            const QString number = QStringLiteral("%1%2").arg(today_.year()).arg(n + 1, 7, 10, QLatin1Char('0'));
            const QString date = sqlDate(today_.addDays(-dayOffsets[(n * 5) % 6]));
            sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                               "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_StatoProtocollo) VALUES "
                               "('001', '%1', '%2', %3, %4, %5, 'A')")
                    .arg(dir, number, date, lit(QString::fromUtf8(kSubjects[(s + round * 7) % 20])))
                    .arg((n * 3) % 8 + 1));
            if (n % 5 == 0)
                sql(QStringLiteral("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, "
                                   "Tab_NumeroProtocollo, Tab_MittDest, Tab_principale) VALUES ('001', '%1', '%2', %3, 'N')")
                        .arg(dir, number)
                        .arg((n * 7) % 8 + 1));
        }
    }
    sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataProtocollo, Tab_Oggetto, Tab_Intestatario, Tab_StatoProtocollo) VALUES "
                       "('002', 'E', '%1', %3, 'Nota per la città di Lauria', 1, 'A'), "
                       "('001', 'E', '%2', %3, NULL, 1, 'A')")
            .arg(QString::number(today_.year()) + QStringLiteral("0000001"),
                 QString::number(today_.year()) + QStringLiteral("0009999"), sqlDate(today_)));
}

const char *const kWords[] = {"città", "CITTÀ", "ittà", "citta", "d'agri", "D'A", "ab", "a", "é", "50%", "0% s",
                              "a_b", "_b p", "%spese", "rimb%se", "perché", "PERCHÉ SÌ", "villa d'agri",
                              "nota per", "ÉQUIPE", "\"tra", "dell'acqu", "o'brien", "lauria", "srl", "inesistente",
                              "  spese  ", "richiesta dell'ufficio TECNICO", "Nota per la CITTÀ di Potenza",
                              "nota per la città di lauria", "sopralluogo a villa d'agri", "rimborso spese sanitarie%"};

} // namespace

TEST_P(IndexedSearch, FindsExactlyWhatThePlainSearchFinds)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    for (const auto &[bound, few] : tried_) {
        contains::setCandidateBound(bound);
        contains::setFewCandidates(few);
        for (const char *w : kWords) {
            const QString word = QString::fromUtf8(w);
            for (const bool period : {false, true}) {
                const QString shape =
                    QStringLiteral("'%1' bound %2 few %3 period %4").arg(word).arg(bound).arg(few).arg(period);
                EXPECT_EQ(indexed(word, {}, period), plain(word, {}, period)) << "subject " << shape.toStdString();
                EXPECT_EQ(indexed({}, word, period), plain({}, word, period)) << "name " << shape.toStdString();
            }
            EXPECT_EQ(indexed(word, QStringLiteral("lauria"), false), plain(word, QStringLiteral("lauria"), false))
                << "both " << word.toStdString() << " bound " << bound;
        }
    }
    // Sanity of the register itself: the accented and apostrophe rows are there.
    EXPECT_FALSE(plain(QStringLiteral("città"), {}, false).isEmpty());
    EXPECT_FALSE(plain({}, QStringLiteral("dell'acqua"), false).isEmpty());
    EXPECT_FALSE(plain(QStringLiteral("50%"), {}, false).isEmpty());
}

TEST_P(IndexedSearch, SimilarSubjectCheckFindsWhatThePlainSearchFinds)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    for (const auto &[bound, few] : tried_) {
        contains::setCandidateBound(bound);
        contains::setFewCandidates(few);
        for (const char *w : kWords) {
            const QString word = QString::fromUtf8(w);
            for (const QString &dir : {QStringLiteral("E"), QStringLiteral("U")}) {
                const QStringList expected =
                    keys(QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = '001' AND "
                                        "Tab_TipoProtocollo = ")
                             + lit(dir) + QStringLiteral(" AND ") + like(QStringLiteral("Tab_Oggetto"), word)
                             + QStringLiteral(" AND Tab_DataProtocollo > ") + sqlDate(today_.addDays(-30)),
                         0, -1);
                EXPECT_EQ(keys(similarSubjectQuery(kEnte, dir, word, today_), 0, -1), expected)
                    << word.toStdString() << " " << dir.toStdString() << " bound " << bound << " few " << few;
            }
        }
    }
    // Newest number first, as the warning lists them.
    QSqlQuery q(db().central());
    ASSERT_TRUE(q.exec(similarSubjectQuery(kEnte, QStringLiteral("E"), QStringLiteral("città"), today_)));
    QStringList order;
    while (q.next())
        order << q.value(0).toString();
    QStringList sorted = order;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    EXPECT_GE(order.size(), 2);
    EXPECT_EQ(order, sorted);
}

TEST_P(IndexedSearch, IndexesFollowWritesChangesAndDeletes)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    fill();
    const QString number = QStringLiteral("%1%2").arg(today_.year()).arg(1, 7, 10, QLatin1Char('0'));
    ASSERT_EQ(indexed(QStringLiteral("zanzariere"), {}, false), QStringList());
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_Oggetto = 'Fornitura di zanzariere' WHERE Tab_Ente = '001' AND "
                       "Tab_TipoProtocollo = 'E' AND Tab_NumeroProtocollo = '%1'")
            .arg(number));
    EXPECT_EQ(indexed(QStringLiteral("ZANZARIERE"), {}, false), QStringList{QStringLiteral("E") + number});
    EXPECT_EQ(indexed(QStringLiteral("dell'ufficio"), {}, false), plain(QStringLiteral("dell'ufficio"), {}, false));

    // A name deleted and another written in its place: the old name finds
    // nothing, the new one finds the protocols of that key.
    sql(QStringLiteral("DELETE FROM Tab_Rubrica WHERE Tab_EnteRubrica = '001' AND Tab_Identificativo = 5"));
    EXPECT_EQ(indexed({}, QStringLiteral("san carlo"), false), QStringList());
    sql(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione) VALUES "
                       "(5, '001', 'Farmacia Montesano')"));
    EXPECT_FALSE(indexed({}, QStringLiteral("montesano"), false).isEmpty());
    EXPECT_EQ(indexed({}, QStringLiteral("montesano"), false), plain({}, QStringLiteral("montesano"), false));
    EXPECT_EQ(indexed({}, QStringLiteral("san carlo"), false), QStringList());
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Denominazione = 'Farmacia Lucana' WHERE Tab_EnteRubrica = '001' "
                       "AND Tab_Identificativo = 5"));
    EXPECT_EQ(indexed({}, QStringLiteral("montesano"), false), QStringList());
    EXPECT_EQ(indexed({}, QStringLiteral("lucana"), false), plain({}, QStringLiteral("lucana"), false));

    if (db().engine() == Dialect::Engine::SQLite) {
        // The full-text tables agree with their content tables.
        for (const char *fts : {"Tab_Protocollo_Ordine_fts", "Tab_Rubrica_Denominazione_fts"})
            sql(QStringLiteral("INSERT INTO %1 (%1) VALUES ('integrity-check')").arg(QLatin1String(fts)));
    }
}

TEST_P(IndexedSearch, TrigramTablesDoNotMergeInsideARegistration)
{
    ASSERT_TRUE(db().ok()) << db().error().toStdString();
    if (db().engine() != Dialect::Engine::SQLite)
        GTEST_SKIP() << "SQLite's full-text tables only";
    // An automatic merge would run in the writer's transaction; the upgraded
    // register leaves merging to the full-text tables' crisis merges.
    for (const char *fts : {"Tab_Protocollo_Ordine_fts", "Tab_Rubrica_Denominazione_fts"}) {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(QStringLiteral("SELECT v FROM %1_config WHERE k = 'automerge'").arg(QLatin1String(fts))));
        ASSERT_TRUE(q.next()) << fts;
        EXPECT_EQ(q.value(0).toInt(), 0) << fts;
    }
}

NIMBO_INSTANTIATE_ENGINES(IndexedSearch);
