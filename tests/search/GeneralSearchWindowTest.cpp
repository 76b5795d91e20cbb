// The general search window as a clerk uses it, both engines: criteria
// refused with their message, the count of a limited list and the line
// telling that the limit left protocols out, reserved
// protocols masked in the list and in print for every right but "S",
// moving through the list in the order it shows, and the department and
// office combos of each level.

#include <QTemporaryDir>

#include "GeneralSearchWindowFixture.h"
#include "protocol/ProtocolSearch.h"

using namespace nimbo;
using namespace nimbo::test;
using search::filter::ColCorrespondent;
using search::filter::ColDate;
using search::filter::ColDirection;
using search::filter::ColNumber;
using search::filter::ColState;
using search::filter::ColSubject;

namespace {

class GeneralSearchWindow : public SearchFixture<ProtocolWindowTest> {};

TEST_P(GeneralSearchWindow, CriteriaAreCheckedAndANumberNamesOneProtocol)
{
    logInAs(QStringLiteral("DEMO9"));
    protocol({.number = QStringLiteral("20250000012"), .subject = QStringLiteral("RICHIESTA DELL'UFFICIO TECNICO")});
    protocol({.number = QStringLiteral("20250000013"), .state = QStringLiteral("C")});
    auto w = open();

    fill(w.get(), "Oggetto", QStringLiteral("dell'ufficio"));
    ASSERT_TRUE(w->search());
    ASSERT_EQ(list(w.get())->count(), 1);
    EXPECT_EQ(list(w.get())->text(0, ColDirection), QStringLiteral("Entrata"));
    EXPECT_EQ(list(w.get())->text(0, ColNumber), QStringLiteral("2025-0000012"));
    EXPECT_EQ(list(w.get())->text(0, ColDate), QStringLiteral("04/03/2025"));
    EXPECT_EQ(list(w.get())->text(0, ColSubject), QStringLiteral("RICHIESTA DELL'UFFICIO TECNICO"));
    EXPECT_EQ(list(w.get())->text(0, ColCorrespondent), QStringLiteral("COMUNE DI POTENZA"));
    EXPECT_EQ(list(w.get())->text(0, ColState), QStringLiteral("Attivo"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;CERCA;STAMPA"));

    // Each refusal says why and leaves the list as it was.
    const struct {
        const char *year, *number, *emergency, *message;
    } refused[] = {
        {"2025", "", "", "inserire entrambi i dati relativi all'anno ed al numero di protocollo"},
        {"", "12", "", "inserire entrambi i dati relativi all'anno ed al numero di protocollo"},
        {"2025", "1x", "", "specificare valori numerici per i campi relativi all'anno ed al numero di protocollo"},
        {"", "", "12a", "inserire un valore numerico"},
    };
    for (const auto &r : refused) {
        fill(w.get(), "txtAnno", QString::fromLatin1(r.year));
        fill(w.get(), "TxtNumero", QString::fromLatin1(r.number));
        fill(w.get(), "TxtNumEme", QString::fromLatin1(r.emergency));
        boxes.clear();
        EXPECT_FALSE(w->search()) << r.message;
        EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(r.message)});
        EXPECT_EQ(list(w.get())->count(), 1) << r.message;
    }

    // A number names one protocol whatever else is typed; a cancelled one
    // says so.
    fill(w.get(), "TxtNumEme", QString());
    fill(w.get(), "txtAnno", QStringLiteral("2025"));
    fill(w.get(), "TxtNumero", QStringLiteral("13"));
    boxes.clear();
    ASSERT_TRUE(w->search());
    ASSERT_EQ(list(w.get())->count(), 1);
    EXPECT_EQ(list(w.get())->text(0, ColNumber), QStringLiteral("2025-0000013"));
    EXPECT_EQ(list(w.get())->text(0, ColState), QStringLiteral("ANNULLATO"));
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 1 Protocolli"));
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_P(GeneralSearchWindow, TheCountTellsAllThatTheLimitedListCannotShow)
{
    logInAs(QStringLiteral("DEMO9"));
    for (int n = 1; n <= 60; ++n)
        protocol({.number = QStringLiteral("2025%1").arg(n, 7, 10, QLatin1Char('0')),
                  .subject = QStringLiteral("CIRCOLARE %1").arg(n),
                  .direction = n > 50 ? QStringLiteral("U") : QStringLiteral("E")});
    auto w = open();
    w->show();
    auto *cut = w->findChild<QLabel *>(QStringLiteral("LblLimite"));
    ASSERT_NE(cut, nullptr);
    const QString cutLine = QStringLiteral("Sono visualizzati i primi 50 protocolli: per vederne altri restringere i "
                                           "criteri o aumentare il numero di protocolli da visualizzare.");

    // 60 found, 50 at most: the newest 50, counted as listed, and the clerk
    // is told that the limit left some out.
    fill(w.get(), "Oggetto", QStringLiteral("circolare"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(list(w.get())->count(), 50);
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 50 Protocolli"));
    EXPECT_EQ(list(w.get())->text(0, ColNumber), QStringLiteral("2025-0000060"));
    EXPECT_EQ(list(w.get())->text(49, ColNumber), QStringLiteral("2025-0000011"));
    EXPECT_TRUE(cut->isVisible());
    EXPECT_EQ(cut->text(), cutLine);

    // A higher limit shows them all and the line goes.
    choose(w.get(), "Combo1", QStringLiteral("100"));
    ASSERT_TRUE(w->search());
    EXPECT_EQ(list(w.get())->count(), 60);
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 60 Protocolli"));
    EXPECT_FALSE(cut->isVisible());

    // Exactly as many as the limit (the incoming ones): nothing was left out.
    choose(w.get(), "Combo1", QStringLiteral("50"));
    criteria(w.get())->findChild<QCheckBox *>(QStringLiteral("OptTipoProtocollo_1"))->setChecked(false);
    ASSERT_TRUE(w->search());
    EXPECT_EQ(list(w.get())->count(), 50);
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 50 Protocolli"));
    EXPECT_FALSE(cut->isVisible());

    // Nothing found: an empty list, the count 0 and a message.
    fill(w.get(), "Oggetto", QStringLiteral("inesistente"));
    boxes.clear();
    ASSERT_TRUE(w->search());
    EXPECT_EQ(list(w.get())->count(), 0);
    EXPECT_EQ(label(w.get(), "LblConteggio"), QStringLiteral("Sono stati trovati N. 0 Protocolli"));
    EXPECT_FALSE(cut->isVisible());
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(protocol::kNoRowsText)});
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;CERCA"));
}

TEST_P(GeneralSearchWindow, ReservedProtocolsAreMaskedInListAndPrintUnlessTheRightIsS)
{
    protocol({.number = QStringLiteral("20250000031"), .subject = QStringLiteral("PRATICA SANITARIA RISERVATA"),
              .privacy = QStringLiteral("S"), .holder = 3}); // COMUNE DI MELFI
    protocol({.number = QStringLiteral("20250000032"), .subject = QStringLiteral("PRATICA ORDINARIA")});
    DicAmbiente::session().cfg.stampanteReport = QStringLiteral("PDF");
    QTemporaryDir out;
    // An empty or missing right hides as much as "N" does.
    const struct {
        QString right;
        bool masked;
    } rights[] = {{QStringLiteral("N"), true}, {QStringLiteral(""), true}, {QString(), true}, {QStringLiteral("S"), false}};
    int printed = 0;
    for (const auto &r : rights) {
        const std::string which = r.right.isNull() ? "null" : "'" + r.right.toStdString() + "'";
        setPrivacy(QStringLiteral("DEMO9"), r.right);
        logInAs(QStringLiteral("DEMO9"));
        auto w = open();
        fill(w.get(), "Oggetto", QStringLiteral("pratica"));
        ASSERT_TRUE(w->search()) << which;
        ASSERT_EQ(list(w.get())->count(), 2) << which;
        const QString subject = r.masked ? kMasked : QStringLiteral("PRATICA SANITARIA RISERVATA");
        const QString holder = r.masked ? kMasked : QStringLiteral("COMUNE DI MELFI");
        // Newest first: the ordinary one (32), then the reserved one (31).
        EXPECT_EQ(shownColumn(w.get(), ColSubject).join(QLatin1Char('|')),
                  QStringLiteral("PRATICA ORDINARIA|") + subject)
            << which;
        EXPECT_EQ(shownColumn(w.get(), ColCorrespondent).join(QLatin1Char('|')),
                  QStringLiteral("COMUNE DI POTENZA|") + holder)
            << which;

        const QString pdf = out.filePath(QStringLiteral("elenco%1.pdf").arg(++printed));
        boxes.files << pdf;
        boxes.clear();
        w->ELABORATBAR(QStringLiteral("STAMPA"));
        EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
        const QString text = pdfText(pdf);
        EXPECT_TRUE(text.contains(QStringLiteral("Stampa Elenco Documenti Protocollati"))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("PRATICA ORDINARIA"))) << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("SANITARIA")), !r.masked) << which << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("MELFI")), !r.masked) << which << text.toStdString();
        EXPECT_EQ(text.contains(QStringLiteral("**********")), r.masked) << which;
    }
}

TEST_P(GeneralSearchWindow, PrecedenteAndSuccessivoFollowTheListAsShown)
{
    logInAs(QStringLiteral("DEMO9"));
    protocol({.number = QStringLiteral("20250000021"), .subject = QStringLiteral("ALFA")});
    protocol({.number = QStringLiteral("20250000022"), .subject = QStringLiteral("CHARLIE")});
    protocol({.number = QStringLiteral("20250000023"), .subject = QStringLiteral("BRAVO")});
    auto w = open();
    ASSERT_TRUE(w->search());
    // The clerk sorts by subject: ALFA (21), BRAVO (23), CHARLIE (22).
    QTableView *view = list(w.get())->view();
    view->sortByColumn(ColSubject, Qt::AscendingOrder);
    ASSERT_EQ(shownColumn(w.get(), ColSubject),
              QStringList({QStringLiteral("ALFA"), QStringLiteral("BRAVO"), QStringLiteral("CHARLIE")}));

    // A click only selects; Enter opens.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(0, ColSubject)).center());
    EXPECT_FALSE(w->detailShown());
    QTest::keyClick(view, Qt::Key_Return);
    ASSERT_TRUE(w->detailShown());
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000021"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;ANNULLA;PRECEDENTE;SUCCESSIVO"));

    const QString first = QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato è "
                                            "il primo dell'elenco selezionato.");
    const QString last = QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato è "
                                           "l'ultimo dell'elenco selezionato.");
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("PRECEDENTE"));
    EXPECT_EQ(boxes.texts(), QStringList{first});
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000021"));
    w->ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000023"));
    w->ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000022"));
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    EXPECT_EQ(boxes.texts(), QStringList{last});
    EXPECT_EQ(w->detail()->number(), QStringLiteral("20250000022"));

    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    EXPECT_FALSE(w->detailShown());
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;CERCA;STAMPA"));
    EXPECT_EQ(view->currentIndex().row(), 2) << "the list stays on the protocol last shown";
}

TEST_P(GeneralSearchWindow, CombosOfferTheDepartmentsAndOfficesOfEachLevel)
{
    sql(QStringLiteral("INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES "
                       "('DEMO7', '001', 'AMM', 'PER')"));
    const auto codes = [this](const QString &sqlText) {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(sqlText)) << sqlText.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString();
        return out;
    };
    const struct {
        const char *op;
        QStringList departments;
        QString department;
        QStringList offices;
    } levels[] = {
        {"DEMO9", codes(QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = '001' "
                                       "ORDER BY Dipa_Denominazione")),
         QStringLiteral("PRO"),
         codes(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = '001' AND Tab_Dipartimento = 'PRO' "
                              "ORDER BY Tab_Descrizione"))},
        {"DEMO8", {QStringLiteral("AMM")}, QStringLiteral("AMM"), {QStringLiteral("PER"), QStringLiteral("RAG")}},
        {"DEMO7", {QStringLiteral("PRO"), QStringLiteral("AMM")}, QStringLiteral("AMM"), {QStringLiteral("PER")}},
        {"DEMO7", {QStringLiteral("PRO"), QStringLiteral("AMM")}, QStringLiteral("PRO"), {QStringLiteral("UPR")}},
        {"DEMO6", {QStringLiteral("PRO")}, QStringLiteral("PRO"), {QStringLiteral("UPR")}},
    };
    ASSERT_GE(levels[0].departments.size(), 3);
    ASSERT_GE(levels[0].offices.size(), 3);
    for (const auto &l : levels) {
        logInAs(QString::fromLatin1(l.op));
        auto w = open();
        EXPECT_EQ(offered(w.get(), "Dip"), l.departments) << l.op;
        EXPECT_TRUE(offered(w.get(), "Uff").isEmpty()) << l.op;
        choose(w.get(), "Dip", l.department);
        EXPECT_EQ(offered(w.get(), "Uff"), l.offices) << l.op << " " << l.department.toStdString();
    }

    // Bodies whose authority code is 104 call their offices operative units.
    const auto captions = [](QWidget *w) {
        QStringList out;
        for (auto *l : criteria(w)->findChildren<QLabel *>())
            out << l->text();
        return out;
    };
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("104");
    auto units = open();
    EXPECT_TRUE(captions(units.get()).contains(QString::fromUtf8("Unità Operativa")));
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("101");
    auto offices = open();
    EXPECT_FALSE(captions(offices.get()).contains(QString::fromUtf8("Unità Operativa")));
    EXPECT_TRUE(captions(offices.get()).contains(QStringLiteral("Ufficio")));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(GeneralSearchWindow);
