// The assignment, transmission and sent-documents windows driven by their
// buttons against the demo register, writing through the real protocol
// server on both engines: the registration window's "Assegna", the checks
// of "Aggiungi" and "Assegna", the re-send of a loaded assignment, groups,
// the recall of the last assignment, a transmission with copies only and
// taking back one of two recipients.

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "iter/FrmAssegna.h"
#include "iter/FrmSpediti.h"
#include "iter/FrmTrasmetti.h"
#include "iter/Iter.h"
#include "iter/SendRecipients.h"
#include "servers/IterRequests.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;
using namespace nimbo::iter;

namespace {

const QString kToday = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

class SendWindows : public test::ProtocolWindowTest {
protected:
    void SetUp() override
    {
        ProtocolWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        registerSendWindows();
        FrmAssegna::forgetLastAssignment();
    }
    void TearDown() override
    {
        // The windows opened by name are the test's to drop.
        QList<QPointer<ChildWindow>> opened;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *c = qobject_cast<ChildWindow *>(w); c && c != window.get())
                opened << c;
        for (const QPointer<ChildWindow> &c : opened)
            if (c) {
                c->dirty()->setClean();
                delete c.data();
            }
        ProtocolWindowTest::TearDown();
    }

    template <class T> static T *shown(const char *name)
    {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String(name) && w->isVisible())
                if (auto *t = qobject_cast<T *>(w))
                    return t;
        return nullptr;
    }

    // An incoming letter registered from the registration window.
    QString registerLetter(const QString &subject)
    {
        window = std::make_unique<protocol::FrmProtocollo>();
        window->ELABORATBAR(QStringLiteral("NUOVO"));
        child<QRadioButton>(window.get(), "OptTipoProtocollo_0")->click();
        type(window.get(), "CodiceMitDest", QStringLiteral("2"));
        type(window.get(), "CodTipoDoc", QStringLiteral("LET"));
        child<QLineEdit>(window.get(), "Oggetto")->setText(subject);
        if (!child<QLineEdit>(window.get(), "CodSedeRic")->isReadOnly()) {
            type(window.get(), "CodSedeRic", QStringLiteral("PRO"));
            type(window.get(), "CodUfficio", QStringLiteral("UPR"));
        }
        window->ELABORATBAR(QStringLiteral("REGISTRA"));
        return storedNumber(child<QLineEdit>(window.get(), "txtNumeroProtocollo")->text());
    }

    static void pick(QWidget *w, const char *combo, const QString &code)
    {
        auto *c = child<QComboBox>(w, combo);
        ASSERT_NE(c, nullptr) << combo;
        const int i = c->findData(code);
        ASSERT_GE(i, 0) << combo << " " << code.toStdString();
        c->setCurrentIndex(i);
    }
    // Chooses a recipient and presses "Aggiungi".
    static void add(QWidget *w, const char *dep, const char *office, int member, const char *option)
    {
        pick(w, "CboDip", QString::fromLatin1(dep));
        pick(w, "cboUff", QString::fromLatin1(office));
        auto *comp = child<QComboBox>(w, "CboComp");
        comp->setCurrentIndex(comp->findData(member));
        if (option)
            child<QRadioButton>(w, option)->setChecked(true);
        child(w, "CmdAggiungi")->click();
    }
    // The list whose view carries the name.
    static ui::RowList *rows(QWidget *w, const char *view)
    {
        auto *v = w->findChild<QTableView *>(QLatin1String(view));
        return v ? qobject_cast<ui::RowList *>(v->parentWidget()) : nullptr;
    }
    static ui::RowList *list(QWidget *w) { return rows(w, "Lwdestinatari"); }
    static QStringList column(ui::RowList *l, int c)
    {
        QStringList out;
        for (int r = 0; r < l->count(); ++r)
            out << l->text(r, c);
        return out;
    }
    static void tick(ui::RowList *l, int column, const QString &text)
    {
        for (int r = 0; r < l->count(); ++r)
            if (l->text(r, column) == text)
                l->model()->setChecked(r, true);
    }
    QString count(const QString &table, const QString &number, const QString &more = {})
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table + QStringLiteral(" WHERE Tab_NumeroProtocollo='") +
                      number + QLatin1Char('\'') + more);
    }
    FrmAssegna *openAssignment(const QString &number)
    {
        auto *w = qobject_cast<FrmAssegna *>(WindowRegistry::open(QStringLiteral("FrmAssegna")));
        if (w)
            w->setProtocol(QStringLiteral("E"), number, kToday);
        return w;
    }
};

TEST_P(SendWindows, AssignFromTheRegistrationWindowThenResendKeepingFixedRows)
{
    logInAs(QStringLiteral("DEMO9"));
    const QString number = registerLetter(QStringLiteral("Richiesta di parere"));
    ASSERT_EQ(number.size(), 11) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // "Assegna" of the registration window opens the assignment of that protocol.
    auto *assegna = child(window.get(), "btnTB_9");
    ASSERT_TRUE(assegna->isEnabled());
    EXPECT_EQ(assegna->text(), QStringLiteral("Assegna"));
    assegna->click();
    QPointer<FrmAssegna> w = shown<FrmAssegna>("FrmAssegna");
    ASSERT_TRUE(w);
    EXPECT_EQ(child<QLineEdit>(w, "TxtProtI")->text(), shownNumber(number));
    EXPECT_EQ(child<QLineEdit>(w, "TxtDataI")->text(), kToday);
    EXPECT_EQ(child<QLabel>(w, "LblTitolo")->text(), QStringLiteral("Assegnazione Documento agli uffici interessati"));
    EXPECT_TRUE(w->loadedMovement().isEmpty());

    // The checks of "Aggiungi", in order.
    boxes.clear();
    child(w, "CmdAggiungi")->click();
    pick(w, "CboDip", QStringLiteral("AMM"));
    child(w, "CmdAggiungi")->click();
    add(w, "AMM", "RAG", 0, nullptr);
    add(w, "AMM", "RAG", 0, "OptCompetenza");
    add(w, "AMM", "RAG", 0, "OptCopiaConoscenza");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Scegliere il dipartimento a cui inviare il documento"),
                                          QStringLiteral("Scegliere l'ufficio a cui inviare il documento"),
                                          QStringLiteral("Indicare se il documento viene assegnato per competenza o "
                                                         "per copia conoscenza"),
                                          QStringLiteral("il destinatario prescelto è già presente nella lista")}));
    // Members offered: those flagged for assignment (RICCI MARCO is not).
    auto *comp = child<QComboBox>(w, "CboComp");
    EXPECT_EQ(comp->count(), 2);
    EXPECT_EQ(comp->itemText(0), QStringLiteral("0 - Nessun componente"));
    EXPECT_EQ(comp->itemText(1), QStringLiteral("1 - VERDI LUCA"));
    add(w, "SAN", "IGI", 0, "OptCompetenza");
    ui::RowList *l = list(w);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(column(l, 3), (QStringList{QStringLiteral("RAG"), QStringLiteral("IGI")}));
    EXPECT_EQ(column(l, 7), (QStringList{QStringLiteral("S"), QStringLiteral("S")}));

    // A double click switches IGI to copy after asking.
    boxes.clear();
    emit l->view()->doubleClicked(l->proxy()->mapFromSource(l->model()->index(1, 4)));
    ASSERT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(boxes.texts().first(),
              QStringLiteral("Vuoi modificare il tipo di assegnazione per l'ufficio ' IGIENE E SANITA' PUBBLICA'"));
    EXPECT_EQ(column(l, 9), (QStringList{QStringLiteral("di Competenza Ufficio"), QStringLiteral("Copia Conoscenza")}));

    // The deadline: one day before the protocol date is refused, the
    // protocol date itself is accepted.
    boxes.clear();
    auto *deadline = child<QLineEdit>(w, "TxtDataProc");
    deadline->setText(QDate::currentDate().addDays(-1).toString(QStringLiteral("dd/MM/yyyy")));
    child(w, "cmdRegistraSped")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("La data di completamento del procedimento non può essere "
                                                        "minore della data di protocollazioen del documento.")});
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number), QStringLiteral("0"));
    deadline->setText(kToday);
    child<QPlainTextEdit>(w, "txtAnnotazioniSped")->setPlainText(QStringLiteral("  Da evadere d'urgenza  "));
    boxes.clear();
    child(w, "cmdRegistraSped")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata con successo")});
    EXPECT_TRUE(!w || !w->isVisible());

    // One type-4 movement, two recipients, one delivery each.
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number, QStringLiteral(" AND Tab_TipoMovimento=4")),
              QStringLiteral("1"));
    const QString key = scalar(QStringLiteral("SELECT Tab_DataSerialeMov FROM Tab_Iter_Documento WHERE "
                                              "Tab_NumeroProtocollo='") + number + QLatin1Char('\''));
    EXPECT_EQ(key.size(), 14);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Annotazioni FROM Tab_Iter_Documento WHERE Tab_NumeroProtocollo='") +
                     number + QLatin1Char('\'')),
              QStringLiteral("Da evadere d'urgenza"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Destinatari"), number), QStringLiteral("2"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Destinatari"), number,
                    QStringLiteral(" AND Tab_UfficioDestinatario='IGI' AND Tab_TipoAssegnazione=2")),
              QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number), QStringLiteral("2"));
    EXPECT_EQ(FrmAssegna::lastAssignment().size(), 2);

    // RAG takes it in charge; the reloaded assignment shows RAG fixed.
    sql(QStringLiteral("DELETE FROM Tab_Iter_Trasmissioni WHERE Tab_UfficioDestinatario='RAG' AND "
                       "Tab_NumeroProtocollo='") + number + QLatin1Char('\''));
    w = openAssignment(number);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->loadedMovement(), key);
    EXPECT_EQ(child<QLineEdit>(w, "TxtSerialeMov")->text(), key);
    EXPECT_EQ(child<QLineEdit>(w, "TxtDataProc")->text(), kToday);
    EXPECT_EQ(child<QPlainTextEdit>(w, "txtAnnotazioniSped")->toPlainText(), QStringLiteral("Da evadere d'urgenza"));
    // Rows come back in the order of their assignment date (here one
    // instant, then by office).
    l = list(w);
    EXPECT_EQ(column(l, 3), (QStringList{QStringLiteral("IGI"), QStringLiteral("RAG")}));
    EXPECT_EQ(column(l, 7), (QStringList{QStringLiteral("S"), QStringLiteral("N")}));
    EXPECT_EQ(column(l, 9), (QStringList{QStringLiteral("Copia Conoscenza"), QStringLiteral("di Competenza Ufficio")}));
    EXPECT_FALSE(l->text(0, 10).isEmpty());

    // Removing both removes IGI only and says how many were kept.
    tick(l, 3, QStringLiteral("RAG"));
    tick(l, 3, QStringLiteral("IGI"));
    boxes.clear();
    child(w, "CmdCancella")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("non sono stati eliminati 1 uffici assegnatari perché il "
                                                        "messaggio è stato già preso in carico da essi.")});
    EXPECT_EQ(column(l, 3), QStringList{QStringLiteral("RAG")});
    add(w, "AMM", "PER", 0, "OptCompetenza");
    boxes.clear();
    child(w, "cmdRegistraSped")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata con successo")});

    // The re-send kept the movement's key and RAG, dropped IGI and its
    // delivery, added PER with a delivery.
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number), QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number,
                    QStringLiteral(" AND Tab_DataSerialeMov='") + key + QLatin1Char('\'')),
              QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Destinatari WHERE Tab_NumeroProtocollo='") + number +
                     QStringLiteral("' AND Tab_UfficioDestinatario IN ('RAG','PER')")),
              QStringLiteral("2"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Destinatari"), number), QStringLiteral("2"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number), QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number, QStringLiteral(" AND Tab_UfficioDestinatario='PER'")),
              QStringLiteral("1"));

    // The next protocol recalls the last assignment.
    const QString next = registerLetter(QStringLiteral("Secondo documento"));
    w = openAssignment(next);
    ASSERT_TRUE(w);
    EXPECT_EQ(list(w)->count(), 0);
    child(w, "CmdRichiama")->click();
    EXPECT_EQ(column(list(w), 3), (QStringList{QStringLiteral("RAG"), QStringLiteral("PER")}));
    EXPECT_EQ(column(list(w), 7), (QStringList{QStringLiteral("S"), QStringLiteral("S")}));
}

TEST_P(SendWindows, GroupsCompletedProtocolsAndPostponedDeadlines)
{
    logInAs(QStringLiteral("DEMO9"));
    const QString number = registerLetter(QStringLiteral("Circolare"));
    ASSERT_EQ(number.size(), 11);

    // No group of the operator's department yet.
    QPointer<FrmAssegna> w = openAssignment(number);
    ASSERT_TRUE(w);
    boxes.clear();
    child(w, "CmdGruppo")->click();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("Non vi sono in archivio gruppi di uffici a cui assegnare il documento.")});
    EXPECT_TRUE(child<QGroupBox>(w, "FraGruppi")->isHidden());

    sql(QStringLiteral("INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, "
                       "Tab_Dipartimento, Tab_Ufficio, Tab_Componente) VALUES "
                       "('001', 'PRO', 'UFFICI D''AREA', 'AMM', 'RAG', 0), "
                       "('001', 'PRO', 'UFFICI D''AREA', 'SAN', 'IGI', 1), "
                       "('001', 'PRO', 'ALTRO GRUPPO', 'AMM', 'PER', 0), "
                       "('001', 'AMM', 'GRUPPO DI ALTRI', 'SAN', 'VET', 0)"));
    add(w, "AMM", "RAG", 0, "OptCopiaConoscenza");
    child(w, "CmdGruppo")->click();
    auto *groups = rows(w, "LWGruppi");
    ASSERT_NE(groups, nullptr);
    ASSERT_FALSE(child<QGroupBox>(w, "FraGruppi")->isHidden());
    EXPECT_EQ(column(groups, 1), (QStringList{QStringLiteral("ALTRO GRUPPO"), QStringLiteral("UFFICI D'AREA")}));
    tick(groups, 1, QStringLiteral("UFFICI D'AREA"));
    child(w, "CmdAggiungiGruppi")->click();
    EXPECT_TRUE(child<QGroupBox>(w, "FraGruppi")->isHidden());
    // RAG was there already; IGI's member 1 comes with the copy type.
    ui::RowList *l = list(w);
    EXPECT_EQ(column(l, 3), (QStringList{QStringLiteral("RAG"), QStringLiteral("IGI")}));
    EXPECT_EQ(column(l, 5), (QStringList{QStringLiteral("0"), QStringLiteral("1")}));
    EXPECT_EQ(column(l, 6), (QStringList{QString(), QStringLiteral("NERI PAOLA")}));
    EXPECT_EQ(column(l, 8), (QStringList{QStringLiteral("2"), QStringLiteral("2")}));
    w->dirty()->setClean();
    w->close();

    // A postponed deadline locks the deadline; a completed protocol locks the assignment.
    sql(QStringLiteral("INSERT INTO Tab_ProScadenza (Tab_Ente, Tab_Protocollo, Tab_flagRinvio) VALUES ('001', '") +
        number + QStringLiteral("', 1)"));
    w = openAssignment(number);
    ASSERT_TRUE(w);
    EXPECT_FALSE(child<QGroupBox>(w, "FraScadenza")->isEnabled());
    EXPECT_TRUE(child(w, "cmdRegistraSped")->isEnabled());
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES "
                       "('001', 'E', '") + number + QStringLiteral("', '20260101120000', 5, 'UPR', 'DEMO9', 'N')"));
    w->setProtocol(QStringLiteral("E"), number, kToday);
    EXPECT_EQ(child<QLabel>(w, "LblTitolo")->text(), QStringLiteral("Pratica Evasa"));
    EXPECT_FALSE(child(w, "cmdRegistraSped")->isEnabled());
    EXPECT_FALSE(child(w, "CmdRichiama")->isEnabled());
}

TEST_P(SendWindows, TransmissionWithCopiesOnlyLeavesTheChargeWithTheSender)
{
    logInAs(QStringLiteral("DEMO9"));
    const QString number = registerLetter(QStringLiteral("Per conoscenza"));
    ASSERT_EQ(number.size(), 11);
    sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES "
                       "('001', 'E', '") + number + QStringLiteral("', '20260101120000', 3, 'UPR', 'DEMO9', 'S')"));

    auto *w = qobject_cast<FrmTrasmetti *>(WindowRegistry::open(QStringLiteral("FrmTrasmetti")));
    ASSERT_NE(w, nullptr);
    w->setProtocol(QStringLiteral("E"), shownNumber(number), kToday);
    boxes.clear();
    child(w, "CmdInvia")->click();
    add(w, "AMM", "RAG", 0, nullptr);
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("inserire almeno un ufficio nella lista di trasmissione"),
                                          QStringLiteral("indicare il tipo di trasmissione per l'ufficio in esame")}));
    // Members offered: every valid one but the operator himself.
    pick(w, "CboDip", QStringLiteral("PRO"));
    pick(w, "cboUff", QStringLiteral("UPR"));
    auto *comp = child<QComboBox>(w, "CboComp");
    EXPECT_EQ(comp->count(), 3);
    EXPECT_EQ(comp->findData(3), -1);
    add(w, "AMM", "RAG", 0, "OptCopiaConoscenza");
    add(w, "AMM", "PER", 0, "OptCopiaConoscenza");

    // "No" to the confirmation sends nothing.
    boxes.clear();
    boxes.answers = {Answer::No};
    child(w, "CmdInvia")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI l'assegnazione del documento ai destinatari selezionati?")});
    EXPECT_EQ(boxes.shown.first().icon, Icon::Question);
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number, QStringLiteral(" AND Tab_TipoMovimento=2")),
              QStringLiteral("0"));
    boxes.clear();
    child(w, "CmdInvia")->click();
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("CONFERMI l'assegnazione del documento ai destinatari selezionati?"),
                                          QStringLiteral("Trasmissione effettuata.")}));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number, QStringLiteral(" AND Tab_TipoMovimento=2")),
              QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number), QStringLiteral("2"));
    // Copies only: the sender still holds the document.
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number,
                    QStringLiteral(" AND Tab_TipoMovimento=3 AND Tab_InCarico='S'")),
              QStringLiteral("1"));
}

TEST_P(SendWindows, MemberRuleOfTheBodiesThatWantIt)
{
    logInAs(QStringLiteral("DEMO9"));
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("ARB");
    const QString number = registerLetter(QStringLiteral("Interno"));
    ASSERT_EQ(number.size(), 11);
    const QString message = QStringLiteral("Scegliere il componente a cui inviare il documento");

    // ARB: one's own office without a member is accepted in an assignment...
    QPointer<FrmAssegna> a = openAssignment(number);
    ASSERT_TRUE(a);
    boxes.clear();
    add(a, "PRO", "UPR", 0, "OptCompetenza");
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(list(a)->count(), 1);
    a->dirty()->setClean();
    a->close();

    // ...and refused in a transmission until a member is chosen.
    auto *t = qobject_cast<FrmTrasmetti *>(WindowRegistry::open(QStringLiteral("FrmTrasmetti")));
    ASSERT_NE(t, nullptr);
    t->setProtocol(QStringLiteral("E"), number, kToday);
    add(t, "PRO", "UPR", 0, "OptCompetenza");
    EXPECT_EQ(boxes.texts(), QStringList{message});
    add(t, "PRO", "UPR", 2, "OptCompetenza");
    EXPECT_EQ(list(t)->count(), 1);
    t->dirty()->setClean();
    t->close();

    // AS8: the assignment asks for the member too.
    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("AS8");
    a = openAssignment(number);
    ASSERT_TRUE(a);
    boxes.clear();
    add(a, "PRO", "UPR", 0, "OptCompetenza");
    EXPECT_EQ(boxes.texts(), QStringList{message});
    a->dirty()->setClean();
    a->close();
}

TEST_P(SendWindows, TakingBackOneOfTwoRecipients)
{
    logInAs(QStringLiteral("DEMO9"));
    const QString number = registerLetter(QStringLiteral("Da riprendere"));
    ASSERT_EQ(number.size(), 11);
    QPointer<FrmAssegna> a = openAssignment(number);
    ASSERT_TRUE(a);
    add(a, "AMM", "RAG", 0, "OptCompetenza");
    add(a, "SAN", "IGI", 0, "OptCopiaConoscenza");
    boxes.clear();
    child(a, "cmdRegistraSped")->click();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata con successo")});

    auto *s = qobject_cast<FrmSpediti *>(WindowRegistry::open(QStringLiteral("FrmSpediti")));
    ASSERT_NE(s, nullptr);
    boxes.clear();
    child(s, "CmdRiprendi")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Selezionare almeno un protocollo presente nell'elenco")});
    child(s, "CmdVisualizza")->click();
    ui::RowList *l = s->list();
    ASSERT_EQ(l->count(), 2);
    EXPECT_EQ(l->text(0, 1), shownNumber(number));
    tick(l, 5, QStringLiteral("DIPARTIMENTO AMMINISTRATIVO - RAGIONERIA"));
    boxes.clear();
    child(s, "CmdRiprendi")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata.")});
    // IGI's delivery stays and is the one row left.
    ASSERT_EQ(l->count(), 1);
    EXPECT_EQ(l->text(0, 5), QStringLiteral("DIPARTIMENTO DI PREVENZIONE - IGIENE E SANITA' PUBBLICA"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number), QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Trasmissioni"), number, QStringLiteral(" AND Tab_UfficioDestinatario='IGI'")),
              QStringLiteral("1"));
    EXPECT_EQ(count(QStringLiteral("Tab_Iter_Documento"), number,
                    QStringLiteral(" AND Tab_TipoMovimento=3 AND Tab_Ufficio='UPR' AND Tab_InCarico='S'")),
              QStringLiteral("1"));

    // Once IGI took it in charge, taking it back is refused with the server's text.
    sql(QStringLiteral("DELETE FROM Tab_Iter_Trasmissioni WHERE Tab_NumeroProtocollo='") + number + QLatin1Char('\''));
    l->model()->setChecked(0, true);
    boxes.clear();
    child(s, "CmdRiprendi")->click();
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_TRUE(boxes.texts().first().contains(shownNumber(number)) ||
                boxes.texts().first().contains(number.left(4) + QLatin1Char('/')))
        << boxes.texts().first().toStdString();
    EXPECT_EQ(boxes.shown.first().icon, Icon::Warning);

    // The other view lists what he took in charge: the document is back with UPR.
    child<QRadioButton>(s, "OptDocumentiTransitati")->setChecked(true);
    EXPECT_FALSE(child(s, "CmdRiprendi")->isEnabled());
    child(s, "CmdVisualizza")->click();
    EXPECT_EQ(l->count(), 1);
    s->close();
}

NIMBO_INSTANTIATE_ENGINES(SendWindows);

} // namespace
