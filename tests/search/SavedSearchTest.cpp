// Saved searches of the general search window: kept per operator in the
// central register (both engines), run again with the criteria they were
// saved with, replaced only when the operator says so, read back safely,
// and never showing more than the operator may see today.

#include <QSqlError>

#include "GeneralSearchWindowFixture.h"

using namespace nimbo;
using namespace nimbo::test;
using search::GeneralCriteria;
namespace filter = nimbo::search::filter;

namespace {

class SavedSearch : public SearchFixture<ProtocolWindowTest> {
protected:
    int saved(const QString &op) { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_RicercheSalvate WHERE "
                                                                "Tab_Operatore = '%1'").arg(op)).toInt(); }
    static void pickSaved(QWidget *w, const QString &name)
    {
        auto *c = w->findChild<QComboBox *>(QStringLiteral("CmbRicercheSalvate"));
        ASSERT_NE(c, nullptr);
        const int at = c->findText(name);
        ASSERT_GT(at, 0) << name.toStdString();
        c->setCurrentIndex(at);
    }
    static QStringList savedNames(QWidget *w)
    {
        auto *c = w->findChild<QComboBox *>(QStringLiteral("CmbRicercheSalvate"));
        QStringList out;
        for (int i = 1; c && i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
};

TEST_P(SavedSearch, SavedPerOperatorRunAgainReplacedOnlyWhenConfirmed)
{
    protocol({.number = QStringLiteral("20250000041"), .subject = QStringLiteral("VERBALE DI GARA"),
              .office = QStringLiteral("ARC"), .direction = QStringLiteral("U")});
    protocol({.number = QStringLiteral("20250000042"), .subject = QStringLiteral("VERBALE DI GARA")});
    logInAs(QStringLiteral("DEMO9"));
    const QString name = QStringLiteral("Gare d'appalto");
    GeneralCriteria typed;
    {
        auto w = open();
        fill(w.get(), "Oggetto", QStringLiteral("verbale"));
        fill(w.get(), "DataProtocollo", QStringLiteral("31/12/2025"));
        criteria(w.get())->findChild<QComboBox *>(QStringLiteral("cmbOperatori"))->setCurrentText(QStringLiteral("<="));
        criteria(w.get())->findChild<QCheckBox *>(QStringLiteral("OptTipoProtocollo_0"))->setChecked(false);
        choose(w.get(), "Dip", QStringLiteral("PRO"));
        choose(w.get(), "Uff", QStringLiteral("ARC"));
        choose(w.get(), "Combo1", QStringLiteral("100"));
        fill(w.get(), "TxtNomeRicerca", name);
        typed = w->criteria();
        boxes.clear();
        ASSERT_TRUE(w->saveSearch()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Ricerca salvata con il nome \"Gare d'appalto\".")});
        EXPECT_EQ(savedNames(w.get()), QStringList{name});
    }
    EXPECT_EQ(saved(QStringLiteral("DEMO9")), 1);

    // A window opened later offers it and runs it as it was saved.
    auto w = open();
    ASSERT_EQ(savedNames(w.get()), QStringList{name});
    pickSaved(w.get(), name);
    boxes.clear();
    ASSERT_TRUE(w->runSaved());
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(filter::criteriaText(w->criteria()), filter::criteriaText(typed));
    EXPECT_EQ(typed.office, QStringLiteral("ARC"));
    EXPECT_EQ(typed.dateOperator, QStringLiteral("<="));
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, filter::ColKey), QStringLiteral("20250000041"));

    // Saving under a name in use asks first; No keeps the saved criteria.
    fill(w.get(), "Oggetto", QStringLiteral("gara"));
    EXPECT_EQ(shownText(criteria(w.get()), "TxtNomeRicerca"), name);
    boxes.clear();
    boxes.answers = {Answer::No};
    EXPECT_FALSE(w->saveSearch());
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown.first().buttons, Buttons::YesNo);
    const QString stored = QStringLiteral("SELECT Tab_Criteri FROM Tab_RicercheSalvate WHERE Tab_Operatore = 'DEMO9'");
    EXPECT_TRUE(scalar(stored).contains(QStringLiteral("verbale")));
    boxes.answers = {Answer::Yes};
    EXPECT_TRUE(w->saveSearch());
    EXPECT_TRUE(scalar(stored).contains(QStringLiteral("gara")));
    EXPECT_FALSE(scalar(stored).contains(QStringLiteral("verbale")));
    EXPECT_EQ(saved(QStringLiteral("DEMO9")), 1);

    // Another operator sees none of them and may use the same name.
    logInAs(QStringLiteral("DEMO8"));
    auto other = open();
    EXPECT_TRUE(savedNames(other.get()).isEmpty());
    fill(other.get(), "TxtNomeRicerca", name);
    boxes.clear();
    EXPECT_TRUE(other->saveSearch()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(saved(QStringLiteral("DEMO8")), 1);
    EXPECT_EQ(saved(QStringLiteral("DEMO9")), 1);

    // The register itself keeps one name once per operator.
    QSqlQuery twice(db().central());
    EXPECT_FALSE(twice.exec(QStringLiteral("INSERT INTO Tab_RicercheSalvate (Tab_Ente, Tab_Operatore, Tab_Nome, "
                                           "Tab_Criteri) VALUES ('001', 'DEMO8', 'Gare d''appalto', '{}')")));

    // Removed after confirming; the other operator's stays.
    pickSaved(other.get(), name);
    boxes.clear();
    boxes.answers = {Answer::Yes};
    EXPECT_TRUE(other->removeSaved());
    EXPECT_TRUE(savedNames(other.get()).isEmpty());
    EXPECT_EQ(saved(QStringLiteral("DEMO8")), 0);
    EXPECT_EQ(saved(QStringLiteral("DEMO9")), 1);
}

TEST_P(SavedSearch, ADepartmentNoLongerHisIsLeftOutAndNothingMoreIsShown)
{
    sql(QStringLiteral("INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                       "('DEMO8', '001', 'PRO', 'ARC')"));
    protocol({.number = QStringLiteral("20250000051"), .subject = QStringLiteral("NOTA INTERNA"),
              .office = QStringLiteral("ARC")});
    protocol({.number = QStringLiteral("20250000052"), .subject = QStringLiteral("NOTA INTERNA"),
              .department = QStringLiteral("AMM"), .office = QStringLiteral("RAG")});
    logInAs(QStringLiteral("DEMO8"));
    {
        auto w = open();
        fill(w.get(), "Oggetto", QStringLiteral("nota"));
        choose(w.get(), "Dip", QStringLiteral("PRO"));
        choose(w.get(), "Uff", QStringLiteral("ARC"));
        fill(w.get(), "TxtNomeRicerca", QStringLiteral("archivio"));
        ASSERT_TRUE(w->search());
        ASSERT_EQ(w->list()->count(), 1);
        ASSERT_TRUE(w->saveSearch());
    }

    // The further department is taken away from him.
    sql(QStringLiteral("DELETE FROM Tab_Operatori_DIP WHERE Op_Codice = 'DEMO8'"));
    logInAs(QStringLiteral("DEMO8"));
    auto w = open();
    EXPECT_EQ(offered(w.get(), "Dip"), QStringList{QStringLiteral("AMM")});
    pickSaved(w.get(), QStringLiteral("archivio"));
    boxes.clear();
    ASSERT_TRUE(w->runSaved());
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(QStringLiteral("non è più tra quelli consultabili"))) << boxes.texts().first().toStdString();
    EXPECT_TRUE(w->criteria().department.isEmpty());
    EXPECT_TRUE(w->criteria().office.isEmpty());
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, filter::ColKey), QStringLiteral("20250000052"));
}

TEST(SavedSearchText, OnlyWhatTheWindowCouldHaveWrittenIsReadBack)
{
    GeneralCriteria c;
    c.year = QStringLiteral("2025");
    c.number = QStringLiteral("12");
    c.date = QDate(2025, 2, 28);
    c.dateOperator = QStringLiteral("<=");
    c.correspondent = QStringLiteral("D'ANGELO");
    c.docType = QStringLiteral("LET");
    c.subject = QStringLiteral("ferie \"estive\" = 1&2");
    c.incoming = false;
    c.department = QStringLiteral("PRO");
    c.office = QStringLiteral("UPR");
    c.limit = 1000;
    const auto back = filter::criteriaFromText(filter::criteriaText(c));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(filter::criteriaText(*back), filter::criteriaText(c));
    EXPECT_EQ(back->subject, c.subject);
    EXPECT_EQ(back->date, c.date);
    EXPECT_FALSE(back->incoming);
    EXPECT_TRUE(back->outgoing);

    for (const char *notSaved : {"", "anno=2025&numero=12", "[1, 2]", "{\"anno\": "})
        EXPECT_FALSE(filter::criteriaFromText(QString::fromLatin1(notSaved)).has_value()) << notSaved;

    // Wrong types, lengths and values fall back to what a new window shows.
    const auto odd = filter::criteriaFromText(QStringLiteral(
        "{\"anno\": 2025, \"oggetto\": \"%1\", \"confronto\": \"<> 1\", \"righe\": 7, \"dipartimento\": "
        "\"PRO' OR '1'='1\", \"entrata\": \"no\", \"data\": \"31/02/2025\", \"sconosciuto\": 1}")
                                                  .arg(QString(80, QLatin1Char('x'))));
    ASSERT_TRUE(odd.has_value());
    EXPECT_TRUE(odd->year.isEmpty());
    EXPECT_EQ(odd->subject.size(), 30);
    EXPECT_EQ(odd->dateOperator, QStringLiteral(">="));
    EXPECT_EQ(odd->limit, 50);
    EXPECT_LE(odd->department.size(), 5);
    EXPECT_TRUE(odd->incoming);
    EXPECT_FALSE(odd->date.isValid());
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(SavedSearch);
