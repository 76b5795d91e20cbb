// The registration window's correspondent lookup by name reads through the
// name indexes (trigrams) on both engines; the rows it gives must be the
// ones the plain LIKE query gives, in the same order (by name regardless of
// case), and while the clerk types the names beginning with the text come
// first: apostrophes, accented
// letters in either case, LIKE's own wildcards, words too short for
// trigrams, rare names and names common enough to pass the list's 500,
// inactive entries and other bodies' entries left out.

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ProtocolRules.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"
#include "support/TestDb.h"

using namespace nimbo;
using namespace nimbo::protocol;
namespace F = Funzioni_Com_1;

namespace {

const char *const kFirst[] = {"COMUNE DI", "STUDIO LEGALE", "Farmacia", "DITTA", "SIG.RA"};
const char *const kSurnames[] = {"ROSSI", "D'ANGELO", "Città Nuova", "CITTÀ ALTA", "BIANCHI 50%", "DE_LUCA",
                                 "ROMANO", "o'brien", "STUDIO", "RUSSO"};

class CorrespondentLookup : public test::EngineTest {
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(db().ok()) << db().error().toStdString();
        registerServers();
        DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
        fill();
    }
    // 1,600 entries with distinct names: one in ten of each surname, every
    // 97th inactive, every 89th another body's.
    void fill()
    {
        QSqlDatabase c = db().central();
        QSqlQuery q(c);
        ASSERT_TRUE(q.exec(QStringLiteral("BEGIN")));
        QSqlQuery ins(c);
        ins.prepare(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, Tab_Denominazione, "
                                   "Tab_Domicilio, Tab_NumeroCivico, Tab_ComuneUbicazione, Tab_TipoUtenza, Tab_Attivo) "
                                   "VALUES (?, ?, ?, 'VIA ROMA', '1 ', '076063', '001', ?)"));
        for (int i = 1000; i < 2600; ++i) {
            ins.addBindValue(i);
            ins.addBindValue(i % 89 == 0 ? QStringLiteral("002") : QStringLiteral("001"));
            ins.addBindValue(QStringLiteral("%1 %2 %3")
                                 .arg(QString::fromUtf8(kFirst[i % 5]), QString::fromUtf8(kSurnames[(i / 5) % 10]))
                                 .arg(i));
            ins.addBindValue(i % 97 == 0 ? 0 : 1);
            ASSERT_TRUE(ins.exec()) << ins.lastError().text().toStdString();
        }
        ASSERT_TRUE(q.exec(QStringLiteral("COMMIT")));
        q.exec(QStringLiteral("ANALYZE"));
    }
    // Identifiers of a query's rows in their order; the statement must run.
    QStringList ids(const QString &statement)
    {
        const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), statement);
        EXPECT_TRUE(r.ok || r.noRows()) << statement.toStdString() << " -> " << r.message.toStdString();
        QStringList out;
        for (int i = 0; i < r.rowCount(); ++i)
            out << QString::number(r.value(0, i).toLongLong());
        return out;
    }
    // The lookup without any index in mind, by name regardless of case
    // (SQLite folds the plain letters, PostgreSQL compares the capitals).
    // Names are distinct here, so the order is the name's alone.
    QString plain(const QString &typed)
    {
        const QString order = db().engine() == Dialect::Engine::PostgreSQL
                                  ? QStringLiteral("upper(r.Tab_Denominazione) COLLATE \"C\", r.Tab_Denominazione")
                                  : QStringLiteral("r.Tab_Denominazione COLLATE NOCASE");
        return QStringLiteral("SELECT r.Tab_Identificativo FROM Tab_Rubrica r LEFT JOIN Tab_Comuni c ON c.Com_Codcom = "
                              "r.Tab_ComuneUbicazione WHERE r.Tab_Attivo = 1 AND r.Tab_EnteRubrica = '001' AND ")
               + Dialect::likeNoCase(db().engine(), QStringLiteral("r.Tab_Denominazione"),
                                     QLatin1Char('\'') + F::quote(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%'))
                                         + QLatin1Char('\''))
               + QStringLiteral(" ORDER BY ") + order + QStringLiteral(" LIMIT 500");
    }
};

TEST_P(CorrespondentLookup, GivesTheRowsOfThePlainQueryInTheirOrder)
{
    const LookupScope scope{QStringLiteral("001"), QString(), QString(), true};
    for (const char *w : {"rossi", "ROSSI", "d'angelo", "D'A", "città", "CITTÀ", "citta", "50%", "de_l", "_LUCA",
                          "o'brien", "O'BRIEN 1", "ro", "r", "studio", "STUDIO LEGALE STUDIO", "COMUNE DI ROSSI 1000",
                          "inesistente", "  russo  ", "farmacia ROMANO"}) {
        const QString typed = QString::fromUtf8(w);
        SCOPED_TRACE(typed.toStdString());
        const QString fast = lookupQuery(CodeField::Correspondent, typed, scope, true);
        ASSERT_FALSE(fast.isEmpty());
        EXPECT_EQ(ids(fast), ids(plain(typed)));
    }
    // The sanity of the register: a word past the list's limit, a common
    // one, a rare name; the inactive entry and the other body's left out.
    const auto found = [&](const char *typed) {
        return ids(lookupQuery(CodeField::Correspondent, QString::fromUtf8(typed), scope, true));
    };
    EXPECT_EQ(found("a").size(), 500);
    EXPECT_GT(found("studio").size(), 400);
    EXPECT_EQ(found("COMUNE DI ROSSI 1000"), QStringList{QStringLiteral("1000")});
    EXPECT_EQ(found("Farmacia CITTÀ ALTA 1067"), QStringList());
    EXPECT_EQ(found("DITTA CITTÀ ALTA 1068"), QStringList());
    EXPECT_EQ(found("DITTA BIANCHI 50% 1073"), QStringList{QStringLiteral("1073")});

    // While typing: 50 at most, those beginning with the text first, then
    // the others holding it, each part in the list's order, none twice.
    for (const char *w :
         {"stu", "STUDIO", "rossi", "farm", "citt", "Città N", "CITTÀ ALTA", "ro", "o'b", "inesistente"}) {
        const QString typed = QString::fromUtf8(w);
        SCOPED_TRACE(typed.toStdString());
        const QStringList all = ids(plain(typed));
        QStringList begins, others;
        const F::LoadedRows names = F::loadRows(
            QStringLiteral("PROTOCOLLO"),
            QStringLiteral("SELECT Tab_Identificativo, Tab_Denominazione FROM Tab_Rubrica WHERE Tab_EnteRubrica = '001'"));
        QHash<QString, QString> nameOf;
        for (int i = 0; i < names.rowCount(); ++i)
            nameOf.insert(QString::number(names.value(0, i).toLongLong()), names.value(1, i).toString());
        for (const QString &id : all)
            (nameOf.value(id).startsWith(typed, Qt::CaseInsensitive) ? begins : others) << id;
        const QStringList expected = (begins + others).mid(0, 50);
        EXPECT_EQ(ids(lookupQuery(CodeField::Correspondent, typed, scope, true, LookupList::AsTyped)), expected);
    }
}

TEST_P(CorrespondentLookup, EqualNamesComeInTheOrderOfTheirIdentifiersOnPostgreSQL)
{
    if (db().engine() != Dialect::Engine::PostgreSQL)
        GTEST_SKIP() << "SQLite keeps the order in which it reads equal names";
    QSqlQuery q(db().central());
    for (int id : {3003, 3001, 3002})
        ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO Tab_Rubrica (Tab_Identificativo, Tab_EnteRubrica, "
                                          "Tab_Denominazione, Tab_Domicilio, Tab_ComuneUbicazione, Tab_Attivo) VALUES "
                                          "(%1, '001', 'PANIFICIO GEMELLI', 'VIA ROMA', '076063', 1)")
                                   .arg(id)))
            << q.lastError().text().toStdString();
    const LookupScope scope{QStringLiteral("001"), QString(), QString(), true};
    // Through the trigrams, and by a text too short for them.
    for (const char *w : {"gemelli", "ge"}) {
        QStringList twins;
        for (const QString &id : ids(lookupQuery(CodeField::Correspondent, QString::fromLatin1(w), scope, true)))
            if (id.startsWith(QLatin1String("300")))
                twins << id;
        EXPECT_EQ(twins, (QStringList{QStringLiteral("3001"), QStringLiteral("3002"), QStringLiteral("3003")})) << w;
    }
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(CorrespondentLookup);
