// The precedent of a protocol chosen in "Elenco Protocolli", opened from the
// registration window's "Protocollo Precedente": the period's checks, the
// chosen protocol's data and classification, the hand-back into the
// precedent fields, and the link it becomes.

#include <QRadioButton>

#include "LinkWindowFixture.h"
#include "ui/DateField.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;

namespace {

using Preced = test::LinkWindowTest;

} // namespace

TEST_P(Preced, TheChosenPrecedentFillsTheFieldsAndBecomesALink)
{
    // Filed in the demo's first dossier, when the demo has one.
    QSqlQuery(db().central()).exec(QStringLiteral("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Titolo, "
                       "Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, Tab_Provenienza) SELECT '001', 'U', '%1', "
                       "f.Tab_Titolo, f.Tab_Categoria, f.Tab_Classe, f.Tab_CodiceFascicolo, 'P' FROM Tab_Fascicoli f "
                       "WHERE f.Tab_Ente = '001' ORDER BY 1, 2, 3, 4 LIMIT 1")
            .arg(kQ));
    const bool filed = scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProFascicoli")) == QLatin1String("1");
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    EXPECT_FALSE(child(reg, "CmdPrecedente")->isEnabled()) << "nothing to give a precedent to";
    press(main, "NUOVO");
    ASSERT_TRUE(child(reg, "CmdPrecedente")->isEnabled());
    child(reg, "CmdPrecedente")->click();
    QWidget *preced = active(main);
    ASSERT_NE(preced, nullptr);
    ASSERT_EQ(preced->objectName(), QStringLiteral("FrmProtPreced"));
    EXPECT_EQ(preced->windowTitle(), QStringLiteral("Elenco Protocolli"));

    // The period: each date valid, the end not before the start.
    const auto period = [&](const QString &from, const QString &to) {
        child<QLineEdit>(preced, "DataInizio")->setText(from);
        child<QLineEdit>(preced, "DataFine")->setText(to);
        boxes.clear();
        child(preced, "CmdAggiorna")->click();
        return boxes.texts().join(QLatin1Char('|'));
    };
    EXPECT_EQ(period(QStringLiteral("31/02/2025"), QStringLiteral("31/03/2025")),
              QStringLiteral("inserire correttamente la data di inizio ricerca"));
    EXPECT_EQ(period(QStringLiteral("01/03/2025"), QStringLiteral("")),
              QStringLiteral("inserire correttamente la data di fine ricerca"));
    EXPECT_EQ(period(QStringLiteral("01/03/2025"), QStringLiteral("28/02/2025")),
              QString::fromUtf8("la data di fine ricerca non può essere minore della data iniziale"));
    EXPECT_EQ(period(QStringLiteral("01/03/2025"), QStringLiteral("31/03/2025")), QString());
    ui::RowList *list = rows(preced, "LwProtocolli");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(column(list, 1), (QStringList{QStringLiteral("2025-0000051"), QStringLiteral("2025-0000050"),
                                            QStringLiteral("2025-0000042")}))
        << "newest first, nothing cancelled";

    test::expectFitsWithFieldsLabelled(main, preced, db().folder() + QStringLiteral("/FrmProtPreced.png"));
    boxes.clear();
    child(preced, "CmdPrecedente")->click();
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("prima di richiedere la funzione selezionare un protocollo "
                                                        "dall'elenco")});
    chooseRow(list, 1, QStringLiteral("2025-0000050"));
    EXPECT_EQ(text(preced, "TxtOggetto"), QStringLiteral("RISPOSTA ALLA DOMANDA"));
    EXPECT_EQ(text(preced, "TxtData"), QStringLiteral("10/03/2025"));
    if (filed) {
        EXPECT_EQ(rows(preced, "LWClassifica")->count(), 1);
    }
    child(preced, "CmdPrecedente")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(text(reg, "TxtPrecedente"), QStringLiteral("U - 2025-0000050"));
    EXPECT_EQ(text(reg, "TxtOggettoPrecedente"), QStringLiteral("RISPOSTA ALLA DOMANDA"));
    EXPECT_EQ(links(), 0) << "a new protocol is linked once registered";
    if (const QString keep = qEnvironmentVariable("NIMBO_TEST_SHOTS"); !keep.isEmpty())
        main->grab().save(keep + QStringLiteral("/FrmProtocollo-precedente.png"));

    // Registered: the precedent is a link of the new number.
    activate(main, reg);
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Seconda domanda"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    boxes.clear();
    press(main, "REGISTRA");
    const QString number = storedNumber(text(reg, "txtNumeroProtocollo"));
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(links(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati WHERE Tab_NumeroProtocollo = '%1' "
                                    "AND Tab_NumeroProtocolloC = '%2'")
                         .arg(number, kQ)),
              QStringLiteral("1"));

    // A registered protocol is linked to its precedent at once.
    child(reg, "CmdPrecedente")->click();
    preced = active(main);
    ASSERT_EQ(preced->objectName(), QStringLiteral("FrmProtPreced"));
    period(QStringLiteral("01/03/2025"), QStringLiteral("31/03/2025"));
    chooseRow(rows(preced, "LwProtocolli"), 1, QStringLiteral("2025-0000042"));
    child(preced, "CmdPrecedente")->click();
    EXPECT_EQ(links(), 4);
    EXPECT_EQ(text(reg, "TxtPrecedente"), QStringLiteral("E - 2025-0000042"));
}

NIMBO_INSTANTIATE_ENGINES(Preced);
