// The further-recipients window on both engines: what the selection offers
// (singles and groups), the list it builds (never the main recipient, never
// twice), consultation, and "Registra" with its failures.

#include <stdexcept>

#include "RecipientFixture.h"
#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "servers/RecipientRequests.h"

using namespace nimbo;
using links::FrmAltriDest;

namespace {

const QString kFake = QStringLiteral("NimboTest.ServerAltriDestinatari");

// Answers operation 14 as told, noting the pending-request title shown
// while it runs.
class FakeServer : public AppServer {
public:
    FakeServer(QVariantList reply, bool raise, QStringList *titles) : reply_(std::move(reply)), raise_(raise), titles_(titles) {}
    QVariantList Elabora(short, QVariantList &) override
    {
        *titles_ << busy::requestTitle();
        if (raise_)
            throw std::runtime_error("linea caduta");
        return reply_;
    }

private:
    QVariantList reply_;
    bool raise_;
    QStringList *titles_;
};

class RecipientWindow : public test::RecipientTest {
protected:
    void TearDown() override
    {
        ServerRegistry::remove(kFake);
        RecipientTest::TearDown();
    }
    void fake(const QVariantList &reply, bool raise = false)
    {
        ServerRegistry::remove(kFake);
        ServerRegistry::add(kFake, [this, reply, raise] { return std::make_unique<FakeServer>(reply, raise, &titles); });
        DicAmbiente::session().cfg.oleGp = kFake;
    }
    QStringList titles;
};

TEST_P(RecipientWindow, GroupsAndSinglesAddEachEntryOnceAndNeverTheMainRecipient)
{
    // Entry 5 is a further recipient already. SCUOLE is DEMO9's
    // department's, COMUNI another's but shared, PRIVATO another's alone.
    further(kOutgoing, 5);
    group(QStringLiteral("SCUOLE"), QStringLiteral("PRO"), false, {2, 3, 4, 5});
    group(QStringLiteral("COMUNI"), QStringLiteral("AMM"), true, {4, 6, 7, 8});
    group(QStringLiteral("PRIVATO"), QStringLiteral("AMM"), false, {9});
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Cessazione = '2024-12-31' WHERE Tab_Identificativo = 7"));
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 0 WHERE Tab_Identificativo = 8"));
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    FrmAltriDest *w = openOn(kOutgoing, QStringLiteral("MODIFICABILE"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000040"));
    EXPECT_EQ(text(w, "TxtDataProtocollo"), QStringLiteral("04/03/2025"));
    EXPECT_EQ(text(w, "LblDestinatario"), QStringLiteral("COMUNE DI POTENZA"));
    EXPECT_EQ(column(w, "LwAltri", 1), QStringList{QStringLiteral("PREFETTURA DI POTENZA")});
    EXPECT_EQ(column(w, "LwAltri", 2), QStringList{QStringLiteral("VIA ROMA, 5 - Avigliano")});
    EXPECT_FALSE(child<QWidget>(w, "FraSelezione")->isVisible());

    // The groups DEMO9 may use; both chosen at once.
    searchFor(w, true);
    EXPECT_TRUE(child<QWidget>(w, "FraSelezione")->isVisible());
    EXPECT_EQ(column(w, "LwSelezione", 1), (QStringList{QStringLiteral("COMUNI"), QStringLiteral("SCUOLE")}));
    tick(w, "LwSelezione", 1, {QStringLiteral("COMUNI"), QStringLiteral("SCUOLE")});
    child(w, "CmdAggiungiElenco")->click();
    // 4 in both groups comes once; 5 was there; 2 is the main recipient;
    // 7 has ceased and 8 is switched off.
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));
    child(w, "CmdAggiungiElenco")->click();
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6")}));

    // Singles: neither the main recipient nor those listed are offered.
    searchFor(w, false, QStringLiteral("comune"));
    EXPECT_EQ(column(w, "LwSelezione", 1), QStringList{});
    EXPECT_EQ(boxes.texts(), QStringList{addressbook::kMsgNothingFound});
    // Entry 8 is switched off: only active entries are offered.
    searchFor(w, false, QStringLiteral("di potenza"), true);
    EXPECT_EQ(column(w, "LwSelezione", 1), QStringList{});
    sql(QStringLiteral("UPDATE Tab_Rubrica SET Tab_Attivo = 1 WHERE Tab_Identificativo = 8"));
    searchFor(w, false, QStringLiteral("di potenza"), true);
    EXPECT_EQ(column(w, "LwSelezione", 1),
              (QStringList{QStringLiteral("TRIBUNALE DI POTENZA  -  VIA ROMA, 8 - Napoli")}));
    tick(w, "LwSelezione", 0, {QStringLiteral("8")});
    child(w, "CmdAggiungiElenco")->click();
    EXPECT_TRUE(listed(w).contains(QStringLiteral("8")));
    EXPECT_EQ(column(w, "LwSelezione", 0), QStringList{}) << "what joined is no longer offered";
    searchFor(w, false);
    const QStringList offered = column(w, "LwSelezione", 0);
    EXPECT_EQ(offered.size(), 30 - 1 - 5);
    for (const QString &id : {QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("5"),
                              QStringLiteral("6"), QStringLiteral("8")})
        EXPECT_FALSE(offered.contains(id)) << id.toStdString();

    // Ticked rows go; so does the current one when nothing is ticked.
    tick(w, "LwAltri", 0, {QStringLiteral("3"), QStringLiteral("6")});
    child(w, "CmdElimina")->click();
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("8")}));
    rows(w, "LwAltri")->select(0, QStringLiteral("5"));
    child(w, "CmdElimina")->click();
    EXPECT_EQ(listed(w), (QStringList{QStringLiteral("4"), QStringLiteral("8")}));
    EXPECT_EQ(stored(), QStringList{QStringLiteral("5")}) << "nothing written before Registra";

    // Leaving with the list changed asks first.
    boxes.clear();
    boxes.answers = {Answer::No};
    press(main, "ESCI");
    EXPECT_EQ(boxes.texts().size(), 1);
    EXPECT_EQ(active(main), w);
    boxes.answers = {Answer::Yes};
    press(main, "ESCI");
}

TEST_P(RecipientWindow, OnlyAModifiableOutgoingProtocolsListCanBeChanged)
{
    further(kOutgoing, 5);
    seedProtocol(QStringLiteral("20250000041"), QStringLiteral("E"));
    seedProtocol(QStringLiteral("20250000042"), QStringLiteral("U"), QStringLiteral("C"));
    further(QStringLiteral("20250000042"), 6);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    const auto changeable = [](QWidget *w) {
        QStringList on;
        for (const char *b : {"CmdAggiungi", "CmdElimina", "CmdRegistra"})
            if (child(w, b)->isEnabled())
                on << QLatin1String(b);
        return on.join(QLatin1Char(','));
    };
    // Consultation: the list is shown, nothing changes it.
    FrmAltriDest *w = openOn(kOutgoing, FrmAltriDest::kReadOnly);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(listed(w), QStringList{QStringLiteral("5")});
    EXPECT_EQ(changeable(w), QString());
    child(w, "CmdAggiungi")->click();
    EXPECT_FALSE(child<QWidget>(w, "FraSelezione")->isVisible());
    // A cancelled protocol is consulted whatever the caller says.
    w = openOn(QStringLiteral("20250000042"), QStringLiteral("MODIFICABILE"));
    EXPECT_EQ(listed(w), QStringList{QStringLiteral("6")});
    EXPECT_EQ(changeable(w), QString());
    // An incoming protocol has none.
    w = openOn(QStringLiteral("20250000041"), QStringLiteral("MODIFICABILE"), QStringLiteral("E"));
    EXPECT_EQ(text(w, "TxtNumeroProtocollo"), QStringLiteral("2025-0000041"));
    EXPECT_EQ(listed(w), QStringList{});
    EXPECT_EQ(changeable(w), QString());
    // The outgoing one, modifiable.
    w = openOn(kOutgoing, QStringLiteral("MODIFICABILE"));
    EXPECT_EQ(changeable(w), QStringLiteral("CmdAggiungi,CmdElimina,CmdRegistra"));
    // A protocol of no one.
    boxes.clear();
    w = openOn(QStringLiteral("20250009999"), QStringLiteral("MODIFICABILE"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Impossibile visualizzare il documento richiesto")});
    EXPECT_EQ(changeable(w), QString());
}

TEST_P(RecipientWindow, RegistraSendsTheWholeListAndTellsEachFailure)
{
    further(kOutgoing, 5);
    MDIMenu *main = start();
    ASSERT_NE(main, nullptr);
    QPointer<FrmAltriDest> w = openOn(kOutgoing, QStringLiteral("MODIFICABILE"));
    ASSERT_NE(w, nullptr);
    searchFor(w, false, QStringLiteral("INPS"));
    tick(w, "LwSelezione", 0, {QStringLiteral("6")});
    child(w, "CmdAggiungiElenco")->click();
    ASSERT_EQ(listed(w), (QStringList{QStringLiteral("5"), QStringLiteral("6")}));

    // Each failure is told and the window stays with its list.
    const struct {
        QString progId;
        QVariantList reply;
        bool raise;
        QString message;
    } failures[] = {
        {QStringLiteral("Nessun.Server"), {}, false, QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!")},
        {kFake, {}, true, QStringLiteral("Server Ole, Errore in Aggiornamento altri destinatari -1 - linea caduta")},
        {kFake, {QStringLiteral("991"), QStringLiteral("Destinatario (Tab_MittDest) 6 non attivo")}, false,
         QStringLiteral("Server Ole, Errore in Aggiornamento gruppi Destinatario (Tab_MittDest) 6 non attivo")},
    };
    for (const auto &f : failures) {
        if (f.progId == kFake)
            fake(f.reply, f.raise);
        else
            DicAmbiente::session().cfg.oleGp = f.progId;
        boxes.clear();
        child(w, "CmdRegistra")->click();
        settle();
        EXPECT_EQ(boxes.texts(), QStringList{f.message});
        ASSERT_FALSE(w.isNull());
        EXPECT_EQ(listed(w), (QStringList{QStringLiteral("5"), QStringLiteral("6")}));
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("OLE - registrazione altri destinatari protocollo"),
                                   QStringLiteral("OLE - registrazione altri destinatari protocollo")}));
    EXPECT_EQ(busy::requestTitle(), QString());
    EXPECT_EQ(stored(), QStringList{QStringLiteral("5")});

    // The real server replaces the list and the window closes, without asking.
    DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    boxes.clear();
    child(w, "CmdRegistra")->click();
    settle();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(stored(), (QStringList{QStringLiteral("5"), QStringLiteral("6")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT MIN(Tab_CodOper) FROM Tab_ProtocolloDestinatari")), QStringLiteral("DEMO9"));

    // Opened again, every recipient taken away: the register keeps none.
    w = openOn(kOutgoing, QStringLiteral("MODIFICABILE"));
    tick(w, "LwAltri", 0, {QStringLiteral("5"), QStringLiteral("6")});
    child(w, "CmdElimina")->click();
    child(w, "CmdRegistra")->click();
    settle();
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(stored(), QStringList{});
}

NIMBO_INSTANTIATE_ENGINES(RecipientWindow);

} // namespace
