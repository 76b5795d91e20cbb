// The history viewers of departments and offices, opened from their menu
// items: the records of the operator's entity, the changes of one, and the
// record as a change left it.

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "organisation/HistoryViewer.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "StructureFixture.h"

using nimbo::test::StructureTest;
namespace org = nimbo::organisation;

namespace {

class History : public StructureTest {
protected:
    static QString iso(int y, int m, int d) { return QDate(y, m, d).toString(Qt::ISODate); }
    void departmentChange(int id, const QString &when, const char *type, const char *name, const char *closed,
                          const char *ente = "001", const char *code = "AMM")
    {
        sql(QStringLiteral("INSERT INTO Tab_Dipartimenti_Storico (ID, DipaS_DataOperazione, DipaS_TipoOperazione, "
                           "DipaS_CodiceEnte, DipaS_CodDipartimento, DipaS_Denominazione, DipaS_Domicilio, "
                           "DipaS_Comune, DipaS_Telefono, DipaS_FAX, DipaS_PostaElettronica, DipaS_DataInizio, "
                           "DipaS_DataFine, DipaS_Chiuso) VALUES (%1, '%2', '%3', '%4', '%5', '%6', 'VIA ANZIO 12', "
                           "'076063', '0971', '0972', 'amm@asdemo.example', '2000-01-01', %7, '%8')")
                .arg(id)
                .arg(when, QLatin1String(type), QLatin1String(ente), QLatin1String(code),
                     QString::fromLatin1(name).replace(QLatin1Char('\''), QStringLiteral("''")),
                     *closed == 'S' ? QStringLiteral("'2026-03-31'") : QStringLiteral("NULL"),
                     QLatin1String(closed)));
    }
    void officeChange(int id, const QString &when, const char *type, const char *name)
    {
        sql(QStringLiteral("INSERT INTO Tab_Uffici_Storico (ID, Tab_DataOperazione, Tab_TipoOperazione, tab_Ente, "
                           "Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Domicilio, Tab_Numero_Civico, "
                           "Tab_Comune, Tab_Chiuso, Tab_DataInizio) VALUES (%1, '%2', '%3', '001', 'AMM', 'RAG', "
                           "'%4', 'VIA ANZIO', '12/B', '076063', 'NO', '2000-01-01')")
                .arg(id)
                .arg(when, QLatin1String(type), QLatin1String(name)));
    }
    static void choose(nimbo::ui::RowList *list, int column, const QString &text)
    {
        ASSERT_TRUE(list->select(column, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    static QString field(QWidget *w, const char *name) { return child<QLineEdit>(w, name)->text(); }
};

} // namespace

TEST_P(History, DepartmentChangesListedAndShownFromTheMenu)
{
    departmentChange(10, iso(2026, 1, 5), "A", "DIPARTIMENTO AMMINISTRATIVO", "NO");
    departmentChange(11, iso(2026, 2, 9), "M", "DIPARTIMENTO DELL'AMMINISTRAZIONE", "NO");
    departmentChange(12, iso(2026, 3, 31), "D", "DIPARTIMENTO DELL'AMMINISTRAZIONE", "SI");
    // The same code in another entity is not this department's history.
    departmentChange(13, iso(2026, 1, 1), "A", "ALTRO ENTE", "NO", "002");
    logIn();
    auto *w = qobject_cast<org::HistoryViewer *>(press("MnuStoDipe"));
    ASSERT_NE(w, nullptr);
    auto *departments = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(w, "LwElenco")->parentWidget());
    ASSERT_NE(departments, nullptr);
    EXPECT_EQ(departments->count(), 4) << "closed departments keep their history";
    EXPECT_EQ(departments->text(0, 1), QStringLiteral("DIPARTIMENTO AFFARI GENERALI")) << "ordered by name";

    choose(departments, 0, QStringLiteral("AMM"));
    auto *changes = child<QTableView>(w, "LwVariazioni");
    ASSERT_NE(changes, nullptr);
    auto *changeList = qobject_cast<nimbo::ui::RowList *>(changes->parentWidget());
    ASSERT_NE(changeList, nullptr);
    QAbstractItemModelTester tester(changeList->proxy(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    EXPECT_EQ(child<QLabel>(w, "LblVariazioni")->text(),
              QStringLiteral("Elenco variazioni Dipartimento: DIPARTIMENTO AMMINISTRATIVO"));
    ASSERT_EQ(changeList->count(), 3);
    EXPECT_EQ(changeList->text(0, 1), QStringLiteral("ATTIVAZIONE DIPARTIMENTO"));
    EXPECT_EQ(changeList->text(1, 1), QStringLiteral("MODIFICA DIPARTIMENTO"));
    EXPECT_EQ(changeList->text(2, 1), QStringLiteral("DISATTIVAZIONE DIPARTIMENTO"));
    EXPECT_EQ(changeList->text(2, 0), QStringLiteral("31/03/2026"));

    choose(changeList, 5, QStringLiteral("12"));
    EXPECT_EQ(child<QLabel>(w, "LblDettaglio")->text(), QStringLiteral("Dettaglio variazione del 31/03/2026"));
    EXPECT_EQ(field(w, "TxtCodice"), QStringLiteral("AMM"));
    EXPECT_EQ(field(w, "TxtChiuso"), QStringLiteral("SI"));
    EXPECT_EQ(field(w, "TxtDenominazione"), QStringLiteral("DIPARTIMENTO DELL'AMMINISTRAZIONE"));
    EXPECT_EQ(field(w, "TxtIndirizzo"), QStringLiteral("VIA ANZIO 12"));
    EXPECT_FALSE(field(w, "TxtComune").isEmpty()) << "the municipality's name";
    EXPECT_NE(field(w, "TxtComune"), QStringLiteral("076063"));
    EXPECT_EQ(field(w, "TxtEmail"), QStringLiteral("amm@asdemo.example"));
    EXPECT_EQ(field(w, "TxtDataInizio"), QStringLiteral("01/01/2000"));
    EXPECT_EQ(field(w, "TxtDataFine"), QStringLiteral("31/03/2026"));
    EXPECT_TRUE(child<QLineEdit>(w, "TxtCodice")->isReadOnly());

    // Removed meanwhile: said so, and the detail stays empty.
    sql(QStringLiteral("DELETE FROM Tab_Dipartimenti_Storico WHERE ID = 11"));
    choose(changeList, 5, QStringLiteral("11"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Variazione non trovata in archivio")});
    EXPECT_TRUE(field(w, "TxtCodice").isEmpty());
    EXPECT_TRUE(child<QLabel>(w, "LblDettaglio")->text().isEmpty());

    // A department without history lists nothing.
    choose(departments, 0, QStringLiteral("SAN"));
    EXPECT_EQ(changeList->count(), 0);
}

TEST_P(History, OfficeChangesByDepartmentFromTheMenu)
{
    officeChange(20, iso(2026, 1, 5), "A", "RAGIONERIA");
    officeChange(21, iso(2026, 1, 5), "M", "RAGIONERIA E BILANCIO");
    logIn();
    auto *w = qobject_cast<org::HistoryViewer *>(press("MnuStoUff"));
    ASSERT_NE(w, nullptr);
    auto *departments = child<QComboBox>(w, "CboDipartimento");
    ASSERT_NE(departments, nullptr);
    ASSERT_EQ(departments->count(), 4);
    EXPECT_EQ(departments->itemText(0), QStringLiteral("AMM - DIPARTIMENTO AMMINISTRATIVO")) << "ordered by code";
    auto *offices = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(w, "LwElenco")->parentWidget());
    ASSERT_NE(offices, nullptr);
    EXPECT_EQ(offices->count(), 0);

    departments->setCurrentIndex(departments->findData(QStringLiteral("AMM")));
    ASSERT_EQ(offices->count(), 2);
    EXPECT_EQ(offices->text(0, 0), QStringLiteral("PER")) << "ordered by code";
    choose(offices, 0, QStringLiteral("RAG"));
    EXPECT_EQ(child<QLabel>(w, "LblVariazioni")->text(), QStringLiteral("Elenco variazioni Ufficio: RAGIONERIA"));
    auto *changes = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(w, "LwVariazioni")->parentWidget());
    ASSERT_EQ(changes->count(), 2);
    EXPECT_EQ(changes->text(0, 1), QStringLiteral("ATTIVAZIONE UFFICIO"));
    EXPECT_EQ(changes->text(1, 1), QStringLiteral("MODIFICA UFFICIO")) << "one day's changes in the order made";

    choose(changes, 5, QStringLiteral("21"));
    EXPECT_EQ(field(w, "TxtDenominazione"), QStringLiteral("RAGIONERIA E BILANCIO"));
    EXPECT_EQ(field(w, "TxtIndirizzo"), QStringLiteral("VIA ANZIO, 12/B"));
    EXPECT_EQ(field(w, "TxtChiuso"), QStringLiteral("NO"));
    EXPECT_TRUE(field(w, "TxtDataFine").isEmpty());
    EXPECT_EQ(child<QLabel>(w, "LblDettaglio")->text(), QStringLiteral("Dettaglio variazione del 05/01/2026"));

    // Another department: the lists start over.
    departments->setCurrentIndex(departments->findData(QStringLiteral("PRO")));
    EXPECT_EQ(offices->count(), 3);
    EXPECT_EQ(changes->count(), 0);
    EXPECT_TRUE(field(w, "TxtDenominazione").isEmpty());
}

// A department and its office deleted: their history is all that is left
// of them, and both viewers still list them, marked as deleted.
TEST_P(History, DeletedRecordsKeepTheirHistoryInView)
{
    sql(QStringLiteral("INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione, "
                       "Dipa_Chiuso) VALUES ('001', 'SOP', 'DIPARTIMENTO SOPPRESSO', 'NO')"));
    sql(QStringLiteral("INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione, Tab_Chiuso) "
                       "VALUES ('001', 'SOP', 'ARS', 'ARCHIVIO STORICO', 'NO')"));
    sql(QStringLiteral("DELETE FROM Tab_Uffici WHERE Tab_Ente = '001' AND Tab_Ufficio = 'ARS'"));
    sql(QStringLiteral("DELETE FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = '001' AND Dipa_CodDipartimento = 'SOP'"));
    const QString deleted = QStringLiteral(" (CANCELLATO)");
    logIn();

    auto *w = qobject_cast<org::HistoryViewer *>(press("MnuStoDipe"));
    ASSERT_NE(w, nullptr);
    auto *departments = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(w, "LwElenco")->parentWidget());
    ASSERT_EQ(departments->count(), 5);
    choose(departments, 0, QStringLiteral("SOP"));
    EXPECT_EQ(departments->text(departments->currentRow(), 1), QStringLiteral("DIPARTIMENTO SOPPRESSO") + deleted);
    auto *changes = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(w, "LwVariazioni")->parentWidget());
    ASSERT_EQ(changes->count(), 2);
    EXPECT_EQ(changes->text(0, 1), QStringLiteral("ATTIVAZIONE DIPARTIMENTO"));
    EXPECT_EQ(changes->text(1, 1), QStringLiteral("DISATTIVAZIONE DIPARTIMENTO"));
    choose(changes, 1, QStringLiteral("DISATTIVAZIONE DIPARTIMENTO"));
    EXPECT_EQ(field(w, "TxtCodice"), QStringLiteral("SOP"));
    EXPECT_EQ(field(w, "TxtDenominazione"), QStringLiteral("DIPARTIMENTO SOPPRESSO"));

    auto *o = qobject_cast<org::HistoryViewer *>(press("MnuStoUff"));
    ASSERT_NE(o, nullptr);
    auto *picker = child<QComboBox>(o, "CboDipartimento");
    ASSERT_EQ(picker->count(), 5);
    ASSERT_GE(picker->findData(QStringLiteral("SOP")), 0);
    EXPECT_EQ(picker->itemText(picker->findData(QStringLiteral("SOP"))),
              QStringLiteral("SOP - DIPARTIMENTO SOPPRESSO") + deleted);
    picker->setCurrentIndex(picker->findData(QStringLiteral("SOP")));
    auto *offices = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(o, "LwElenco")->parentWidget());
    ASSERT_EQ(offices->count(), 1);
    EXPECT_EQ(offices->text(0, 1), QStringLiteral("ARCHIVIO STORICO") + deleted);
    choose(offices, 0, QStringLiteral("ARS"));
    auto *officeChanges = qobject_cast<nimbo::ui::RowList *>(child<QTableView>(o, "LwVariazioni")->parentWidget());
    ASSERT_EQ(officeChanges->count(), 2);
    EXPECT_EQ(officeChanges->text(1, 1), QStringLiteral("DISATTIVAZIONE UFFICIO"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST(HistoryTypes, EveryTypeHasItsText)
{
    using O = org::HistoryViewer::Of;
    EXPECT_EQ(org::HistoryViewer::typeText(O::Department, QStringLiteral("D")),
              QStringLiteral("DISATTIVAZIONE DIPARTIMENTO"));
    EXPECT_EQ(org::HistoryViewer::typeText(O::Office, QStringLiteral("a")), QStringLiteral("ATTIVAZIONE UFFICIO"));
    EXPECT_EQ(org::HistoryViewer::typeText(O::Office, QStringLiteral("M")), QStringLiteral("MODIFICA UFFICIO"));
}

NIMBO_INSTANTIATE_ENGINES(History);
