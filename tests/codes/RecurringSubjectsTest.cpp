// The recurring subjects of the operator's department: checks, a subject
// with an apostrophe written, found and changed by its number, deleted.

#include "CodesFixture.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class RecurringSubjects : public CodesTest {};

TEST_P(RecurringSubjects, ASubjectWithAnApostropheIsKeptFoundChangedAndDeletedByItsNumber)
{
    const QString dept = DicAmbiente::session().op.department;
    // Another department's subject never shows.
    sql(QStringLiteral("INSERT INTO Tab_OggettiRicorrenti (Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR) VALUES "
                       "('001', 'ALTRO', 'E', 'RICHIESTA DELL''UFFICIO TECNICO')"));
    auto *w = openOggetti();
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Gestione Oggetti Ricorrenti"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    w->ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    const auto refused = [&](const char *message, const char *focus) {
        boxes.clear();
        w->ELABORATBAR(QStringLiteral("REGISTRA"));
        ASSERT_EQ(boxes.texts(), QStringList{QString::fromUtf8(message)});
        EXPECT_EQ(focused(w), QLatin1String(focus));
    };
    refused("Inserire l'oggetto da memorizzare", "TxtOggetto");
    keys(w, "TxtOggetto", QStringLiteral("RICHIESTA DELL'UFFICIO TECNICO"));
    refused("Specificare se l'oggetto è riferito a documenti in Entrata o in Uscita", "CboEU");
    pick(w, "CboEU", QStringLiteral("E"));
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString mine = QStringLiteral(" FROM Tab_OggettiRicorrenti WHERE Tab_Ente = '001' AND Tab_Dipartimento = '")
                         + dept + QLatin1Char('\'');
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_EU || '|' || Tab_OggettoR") + mine),
              QStringLiteral("E|RICHIESTA DELL'UFFICIO TECNICO"));
    const QString id = scalar(QStringLiteral("SELECT Tab_progr") + mine);
    ASSERT_FALSE(id.isEmpty());
    // The number is the database's: the insert names no Tab_progr.
    ASSERT_FALSE(writes.isEmpty());
    for (const auto &f : std::as_const(writes.last().fields))
        EXPECT_NE(f.name.toLower(), QStringLiteral("tab_progr"));

    // Found by a part with its apostrophe, and by direction.
    keys(w, "TxtRicerca", QStringLiteral("dell'uff"));
    QTest::keyClick(edit(w, "TxtRicerca"), Qt::Key_Return);
    ASSERT_EQ(w->list()->count(), 1);
    EXPECT_EQ(w->list()->text(0, 2), id);
    pick(w, "CboRicercaEU", QStringLiteral("U"));
    EXPECT_EQ(w->list()->count(), 0);
    pick(w, "CboRicercaEU", QStringLiteral("E"));
    ASSERT_EQ(w->list()->count(), 1);

    // Changed, moved to the other direction: the row is the one read.
    ASSERT_TRUE(clickRow(w->list(), QStringLiteral("RICHIESTA DELL'UFFICIO TECNICO")));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    keys(w, "TxtOggetto", QStringLiteral("RICHIESTA DELL'UFFICIO LEGALE"));
    pick(w, "CboEU", QStringLiteral("U"));
    w->ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(writes.last().kind, QStringLiteral("R"));
    EXPECT_EQ(writes.last().condition, QStringLiteral("Tab_EU = 'E' AND Tab_Ente = '001' AND Tab_Dipartimento = '")
                                           + dept + QStringLiteral("' AND Tab_progr = ") + id);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_EU || '|' || Tab_OggettoR") + mine + QStringLiteral(" AND Tab_progr = ") + id),
              QStringLiteral("U|RICHIESTA DELL'UFFICIO LEGALE"));

    pick(w, "CboRicercaEU", QString());
    ASSERT_TRUE(clickRow(w->list(), QStringLiteral("RICHIESTA DELL'UFFICIO LEGALE")));
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(writes.last().kind, QStringLiteral("C"));
    EXPECT_TRUE(writes.last().condition.endsWith(QStringLiteral("Tab_progr = ") + id));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*)") + mine), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_OggettiRicorrenti")), QStringLiteral("1"));
}

NIMBO_INSTANTIATE_ENGINES(RecurringSubjects);

} // namespace
