// From the assignment to the printed overview, on both engines, as the
// clerks drive it: DEMO9 registers an incoming letter and assigns it for
// competence to UPR with a deadline four days ahead through the protocol
// server; DEMO7 of UPR finds it in the deadline overview opened from the
// menu, opens it, and prints the list to a PDF that pdftotext reads back.

#include <QRadioButton>
#include <QTemporaryDir>

#include "OverviewFixture.h"
#include "iter/FrmAssegna.h"
#include "protocol/FrmProtocollo.h"
#include "ui/ProtocolNumber.h"

using namespace nimbo;
using namespace nimbo::test;
using namespace nimbo::deadlines::overview;

namespace {

class OverviewEndToEnd : public OverviewFixture {
protected:
    void SetUp() override
    {
        OverviewFixture::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        protocol::registerProtocolWindows();
        iter::FrmAssegna::forgetLastAssignment();
    }
};

TEST_P(OverviewEndToEnd, AnAssignedMatterIsFoundOpenedAndPrinted)
{
    MDIMenu *main = start(QStringLiteral("DEMO9"));
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Istanza di autorizzazione sanitaria"));
    if (!child<QLineEdit>(reg, "CodSedeRic")->isReadOnly()) {
        type(reg, "CodSedeRic", QStringLiteral("PRO"));
        type(reg, "CodUfficio", QStringLiteral("UPR"));
    }
    press(main, "REGISTRA");
    const QString stored = storedNumber(child<QLineEdit>(reg, "txtNumeroProtocollo")->text());
    ASSERT_EQ(stored.size(), 11) << boxTexts().toStdString();

    child(reg, "btnTB_9")->click();
    auto *assign = qobject_cast<iter::FrmAssegna *>(active(main));
    ASSERT_NE(assign, nullptr);
    pickItem(assign, "CboDip", QStringLiteral("PRO"));
    pickItem(assign, "cboUff", QStringLiteral("UPR"));
    child<QRadioButton>(assign, "OptCompetenza")->setChecked(true);
    child(assign, "CmdAggiungi")->click();
    child<QLineEdit>(assign, "TxtDataProc")->setText(day(4));
    boxes.clear();
    child(assign, "cmdRegistraSped")->click();
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral("Operazione effettuata con successo")});
    reg->dirty()->setClean();
    StartUp::shutdown();
    C_GestDB::closeLocalDatabase();

    main = start(QStringLiteral("DEMO7"));
    ASSERT_NE(main, nullptr);
    auto *w = openOverview(main);
    ASSERT_NE(w, nullptr);
    searchDue(main, w, QStringLiteral("5"));
    EXPECT_EQ(boxTexts(), QString());
    const int row = w->list()->model()->find(ColKey, stored);
    ASSERT_GE(row, 0);
    EXPECT_EQ(w->list()->text(row, ColDeadline), day(4));
    EXPECT_EQ(w->list()->text(row, ColSubject), QStringLiteral("Istanza di autorizzazione sanitaria"));
    EXPECT_EQ(w->list()->text(row, ColOffice), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    EXPECT_EQ(w->list()->text(row, ColAssigned), day(0));

    ASSERT_TRUE(w->openRow(row));
    EXPECT_EQ(w->detail()->number(), stored);
    EXPECT_EQ(shownText(w, "TxtScadenzaEvasione"), day(4));
    EXPECT_EQ(shownText(w, "TxtUfficioCompetente"), QStringLiteral("UPR - UFFICIO PROTOCOLLO GENERALE"));
    press(main, "ANNULLA");

    QTemporaryDir out;
    const QString pdf = out.filePath(QStringLiteral("pratiche.pdf"));
    boxes.files << pdf;
    press(main, "STAMPA");
    EXPECT_EQ(boxTexts(), QString());
    const QString printed = pdfText(pdf);
    for (const QString &part : {shownNumber(stored), QStringLiteral("Istanza di"), day(4),
                                QStringLiteral("AZIENDA SANITARIA DEMO"), QStringLiteral("Pag. 1 di 1")})
        EXPECT_TRUE(printed.contains(part)) << part.toStdString() << "\n" << printed.toStdString();
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(OverviewEndToEnd);
