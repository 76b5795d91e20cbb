// The whole path of a cancellation through the windows: a letter
// registered in "Protocollo Documenti", cancelled in "Cancellazione
// Protocollo" with its reason and authorising act, then found again in the
// registration window, where the list, the cancellation frame and the
// receipt printed again all say it is annulled.

#include <QGroupBox>

#include "CancelFixture.h"
#include "protocol/FrmProtocollo.h"
#include "support/Files.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;
using namespace nimbo::test;

namespace {

class CancelEndToEnd : public CancelTest {};

TEST_P(CancelEndToEnd, RegisteredCancelledAndItsReceiptSaysAnnulled)
{
    MDIMenu *main = start(QStringLiteral("DEMO9"), {QStringLiteral("SET REPORT=") + shippedTemplates(),
                                                     QStringLiteral("SET STAMPANTE-REPORT=PDF")});
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("prefettura"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Esposto registrato per errore"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    press(main, "REGISTRA");
    const QString number = text(reg, "txtNumeroProtocollo");
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    boxes.clear();

    // The cancellation, by number, with its reason and act.
    corrections::FrmCancProto *w = openCancellation(main);
    ASSERT_NE(w, nullptr);
    edit(w, "TxtNumero", QString(number).replace(QStringLiteral("-000000"), QStringLiteral("-")));
    child(w, "CmdCerca")->click();
    ASSERT_EQ(column(w, 1), QStringList{number}) << boxes.texts().join(QLatin1Char('|')).toStdString();
    chooseNumber(w, number);
    type(w, "txtCodMotivoCanc", QStringLiteral("01"));
    EXPECT_EQ(text(w, "DescMotivoCanc"), QStringLiteral("ERRORE DI REGISTRAZIONE"));
    edit(w, "TxtNote", QStringLiteral("Doppia registrazione"));
    edit(w, "TxtTipoProvv", QStringLiteral("Determina"));
    edit(w, "TxtNumeroProvv", QStringLiteral("44/2025"));
    const QDate actOn = QDate::currentDate().addDays(-1);
    edit(w, "TxtDataProvv", actOn.toString(QStringLiteral("dd/MM/yyyy")));
    child(w, "CmdCancella")->click();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("cancellazione effettuata")});
    boxes.clear();
    press(main, "ESCI");

    // Back in the registration window: found by number, marked in the list,
    // its cancellation frame complete.
    activate(main, reg);
    press(main, "CERCA");
    edit(reg, "TxtAProto", number.left(4));
    edit(reg, "TxtNumero", number.mid(5));
    child(reg, "CmdAvviaRicerca")->click();
    auto *list = child<QTreeWidget>(reg, "LwProtocolli");
    ASSERT_EQ(list->topLevelItemCount(), 1) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(list->topLevelItem(0)->text(5), QStringLiteral("ANNULLATO"));
    emit list->itemActivated(list->topLevelItem(0), 0);
    EXPECT_EQ(text(reg, "StatoProto"), QStringLiteral("C A N C E L L A T O"));
    EXPECT_EQ(text(reg, "LblOperatoreCanc"), QStringLiteral("DEMO9 - CONTI GIULIA"));
    EXPECT_EQ(text(reg, "LblDataCanc"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(text(reg, "LblMotivoCanc"), QStringLiteral("01 - ERRORE DI REGISTRAZIONE"));
    EXPECT_EQ(text(reg, "LblNoteCanc"), QStringLiteral("Doppia registrazione"));
    EXPECT_EQ(text(reg, "LblProvvCanc"),
              QStringLiteral("Determina N. 44/2025 del ") + actOn.toString(QStringLiteral("dd/MM/yyyy")));
    QTest::mouseDClick(child<QLabel>(reg, "StatoProto"), Qt::LeftButton);
    EXPECT_TRUE(child<QGroupBox>(reg, "FraCancellazione")->isVisible());

    // The receipt printed again says so.
    const QString pdf = db().folder() + QStringLiteral("/ricevuta-annullata.pdf");
    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = pdfText(pdf);
    EXPECT_TRUE(printed.contains(QStringLiteral("ANNULLATO"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(number)) << printed.toStdString();
}

NIMBO_INSTANTIATE_ENGINES(CancelEndToEnd);

} // namespace
