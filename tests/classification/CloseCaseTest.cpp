// Closing handled cases: the checks of the closing form in their order (the
// two windows word some differently), the office's open cases reached from
// the iter management, the window for one protocol reached from the
// registration window, and the closing written through the server.

#include <QApplication>
#include <QRadioButton>

#include "SchemeFixture.h"
#include "classification/CloseCaseRules.h"
#include "classification/CloseCaseWindow.h"
#include "iter/FrmGestIter.h"

using namespace nimbo;
using test::expectFitsWithFieldsLabelled;
using test::shownToolbar;
using classification::CloseCaseVariant;

namespace {

TEST(CloseCaseRules, TheFormIsCheckedInOrderAndEachWindowNamesWhatItCloses)
{
    const QDate today(2024, 3, 1);
    // Notes on file: U 2024/5 of 01/02, E 2024/3 of 05/01; no other.
    const classification::NoteDate notes = [](const QString &dir, const QString &n) -> std::optional<QDate> {
        if (dir == QLatin1String("U") && n == QLatin1String("20240000005"))
            return QDate(2024, 2, 1);
        if (dir == QLatin1String("E") && n == QLatin1String("20240000003"))
            return QDate(2024, 1, 5);
        return std::nullopt;
    };
    const auto failures = [&](CloseCaseVariant v) {
        classification::CloseCaseForm f;
        f.direction = QStringLiteral("E");
        f.number = QStringLiteral("20240000001");
        f.protocolDate = QDate(2024, 1, 10);
        QStringList out;
        const auto step = [&](auto change) {
            change(f);
            const auto failed = classification::closeCaseFailure(v, f, today, notes);
            out << (failed ? failed->message : QStringLiteral("OK"));
        };
        step([](auto &) {});
        step([](auto &g) { g.closingDate = QStringLiteral("09/01/2024"); });
        step([](auto &g) { g.closingDate = QStringLiteral("02/03/2024"); });
        step([](auto &g) { g.closingDate = QStringLiteral("01/03/2024"); });
        step([](auto &g) { g.noteDirection = QStringLiteral("u"); });
        step([](auto &g) { g.noteYear = QStringLiteral("24"); });
        step([](auto &g) { g.noteYear = QStringLiteral("2024"); });
        step([](auto &g) { g.noteNumber = QStringLiteral("12345678"); });
        step([](auto &g) { g.noteNumber = QStringLiteral("1"); });
        step([](auto &g) { g.noteNumber = QStringLiteral("6"); });
        step([](auto &g) {
            g.noteNumber = QStringLiteral("5");
            g.closingDate = QStringLiteral("31/01/2024");
        });
        step([](auto &g) {
            g.noteDirection = QStringLiteral("E");
            g.noteNumber = QStringLiteral("3");
        });
        step([](auto &g) {
            g.noteDirection = QStringLiteral("U");
            g.noteNumber = QStringLiteral("0000005");
            g.closingDate = QStringLiteral("01/02/2024");
        });
        return out;
    };
    const QString range = QStringLiteral("La data di chiusura non può essere minore della data di protocollazione del "
                                         "documento o maggiore della data corrente");
    const QString direction = QStringLiteral("Inserire 'E' per documenti in Entrata e 'U' per documenti in Uscita ");
    const QString later = QStringLiteral("La data di protocollo da evadere non può essere maggiore della data di "
                                         "protocollazione del documento di chiusura (05/01/2024)");
    EXPECT_EQ(failures(CloseCaseVariant::List),
              (QStringList{QStringLiteral("Inserire una data corretta"), range, range, direction,
                           QStringLiteral("Inserire l'anno del protocollo da archiviare"),
                           QStringLiteral("Inserire correttamente l'anno del protocollo del documento da archiviare"),
                           QStringLiteral("Inserire il numero di protocollo del documento da archiviare"),
                           QStringLiteral("Inserire correttamente il numero di protocollo del documento da archiviare"),
                           QStringLiteral("II numero di protocollo della nota di chiusura deve essere diverso da quello "
                                          "del documento da archiviare."),
                           QStringLiteral("il protocollo inserito non esiste in archivio o è stato annullato"),
                           QStringLiteral("La data di chiusura non può essere minore della data di protocollazione del "
                                          "documento da archiviare"),
                           later, QStringLiteral("OK")}));
    EXPECT_EQ(failures(CloseCaseVariant::One),
              (QStringList{QStringLiteral("Inserire una data corretta"), range, range, direction,
                           QStringLiteral("Inserire l'anno del protocollo della nota di chiusura"),
                           QStringLiteral("Inserire correttamente l'anno del protocollo della nota di chiusura"),
                           QStringLiteral("Inserire il numero di protocollo della nota di chiusura"),
                           QStringLiteral("Inserire correttamente il numero di protocollo della nota di chiusura"),
                           QStringLiteral("II numero di protocollo della nota di chiusura deve essere diverso da quello "
                                          "del documento in questione."),
                           QStringLiteral("il numero di protocollo inserito non esiste in archivio"),
                           QStringLiteral("La data di chiusura non può essere minore della data di protocollazione del "
                                          "documento di chiusura"),
                           later, QStringLiteral("OK")}));
    EXPECT_EQ(classification::closingAnnotation(QDate(2024, 2, 1), QStringLiteral("20240000005"), QStringLiteral(" ok ")),
              QStringLiteral("Pratica evasa in data 01/02/2024\n con nota Prot. N. 2024-0000005\nok"));
}

class CloseCases : public test::SchemeWindowTest {
protected:
    void seed()
    {
        for (const auto &[n, d] : {std::pair{1, QDate(2024, 1, 10)}, std::pair{2, QDate(2024, 1, 11)},
                                   std::pair{4, QDate(2024, 1, 12)}}) {
            protocolRow(QStringLiteral("E"), number(n), d);
            assigned(QStringLiteral("E"), number(n), QStringLiteral("UPR"));
        }
        protocolRow(QStringLiteral("U"), number(5), QDate(2024, 2, 1));
        protocolRow(QStringLiteral("U"), number(6), QDate(2024, 2, 1), QStringLiteral("C"));
        protocolRow(QStringLiteral("E"), number(3), QDate(2024, 1, 5));
        // 4 was closed already.
        exec(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                            "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, "
                            "Tab_ProtoEvasione) VALUES ('001', 'E', ?, '20240201090000', 5, 'UPR', 'DEMO9', 'N', ?)"),
             {number(4), number(5)});
    }
    static QString number(int n) { return QStringLiteral("2024%1").arg(n, 7, 10, QLatin1Char('0')); }
    void note(QWidget *w, const char *dir, const char *year, const char *n)
    {
        edit(w, "TxtTipoNota", QLatin1String(dir));
        edit(w, "TxtAnnoNota", QLatin1String(year));
        edit(w, "TxtNumeroNota", QLatin1String(n));
    }
};

TEST_P(CloseCases, TheIterManagementOpensTheOfficesOpenCasesAndAClosedOneIsNoLongerOffered)
{
    seed();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *gest = qobject_cast<iter::FrmGestIter *>(menu(main, "mnuiter"));
    ASSERT_NE(gest, nullptr);
    gest->showProtocol(QStringLiteral("E"), number(1));
    QAction *close = gest->findChild<QAction *>(QStringLiteral("BtnTB_4"));
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->text(), QStringLiteral("Evadi   Pratica"));
    ASSERT_TRUE(close->isEnabled());
    close->trigger();
    auto *w = qobject_cast<classification::CloseCaseWindow *>(active(main));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("frmArchPratica"));
    // Protocol 4 is closed already; the one shown in the iter is chosen.
    const QString listed = shown(w, "LwPratiche");
    EXPECT_TRUE(listed.startsWith(QStringLiteral("E|2024-0000001|10/01/2024|OGGETTO 20240000001|"))) << listed.toStdString();
    EXPECT_TRUE(listed.contains(QStringLiteral("2024-0000002"))) << listed.toStdString();
    EXPECT_FALSE(listed.contains(QStringLiteral("2024-0000004"))) << listed.toStdString();
    EXPECT_EQ(w->chosenNumber(), number(1));
    EXPECT_EQ(text(w, "TxtNumero"), QStringLiteral("2024-0000001"));
    EXPECT_EQ(text(w, "TxtDataChiusura"), QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")));
    EXPECT_EQ(shownToolbar(main), QStringLiteral("ESCI;REGISTRA;ANNULLA"));

    // The protocol itself, a cancelled note and a note older than it.
    boxes.clear();
    note(w, "E", "2024", "1");
    press(main, "REGISTRA");
    note(w, "U", "2024", "6");
    press(main, "REGISTRA");
    note(w, "E", "2024", "3");
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(),
              (QStringList{QStringLiteral("II numero di protocollo della nota di chiusura deve essere diverso da quello "
                                          "del documento da archiviare."),
                           QStringLiteral("il protocollo inserito non esiste in archivio o è stato annullato"),
                           QStringLiteral("La data di protocollo da evadere non può essere maggiore della data di "
                                          "protocollazione del documento di chiusura (05/01/2024)")}));
    EXPECT_EQ(column(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 5")),
              QStringLiteral("1"));

    // A note of the body: written by operation 304.
    note(w, "U", "2024", "5");
    edit(w, "TxtNote", QStringLiteral("risposta inviata"));
    boxes.clear();
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts().join(QLatin1Char('|')).toStdString(), "OPERAZIONE CONCLUSA CORRETTAMENTE!");
    EXPECT_EQ(column(QStringLiteral("SELECT Tab_ProtoEvasione || '|' || Tab_InCarico || '|' || Tab_Annotazioni FROM "
                                    "Tab_Iter_Documento WHERE Tab_TipoMovimento = 5 AND Tab_NumeroProtocollo = '")
                     + number(1) + QLatin1Char('\'')),
              QStringLiteral("20240000005|N|Pratica evasa in data %1\n con nota Prot. N. 2024-0000005\nrisposta inviata")
                  .arg(QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"))));
    EXPECT_FALSE(shown(w, "LwPratiche").contains(QStringLiteral("2024-0000001")));
    EXPECT_EQ(w->chosenNumber(), QString());
}

TEST_P(CloseCases, TheRegistrationWindowClosesTheProtocolOnScreen)
{
    seed();
    MDIMenu *main = logInAsDemo();
    ASSERT_NE(main, nullptr);
    auto *reg = qobject_cast<protocol::FrmProtocollo *>(menu(main, "mnuProtDoc"));
    ASSERT_NE(reg, nullptr);
    press(main, "NUOVO");
    child<QRadioButton>(reg, "OptTipoProtocollo_0")->click();
    type(reg, "CodiceMitDest", QStringLiteral("2"));
    type(reg, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(reg, "Oggetto")->setText(QStringLiteral("Richiesta di accesso agli atti"));
    type(reg, "CodSedeRic", QStringLiteral("PRO"));
    type(reg, "CodUfficio", QStringLiteral("UPR"));
    boxes.clear();
    press(main, "REGISTRA");
    const QString registered = child<QLineEdit>(reg, "txtNumeroProtocollo")->text();
    ASSERT_FALSE(registered.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    QPushButton *button = child(reg, "btnTB_8");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Evadi   Pratica"));
    ASSERT_TRUE(button->isEnabled());
    button->click();
    auto *w = qobject_cast<classification::CloseCaseWindow *>(active(main));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("frmArchivia"));
    EXPECT_EQ(text(w, "TxtNumero"), registered);
    EXPECT_EQ(text(w, "TxtOggetto"), QStringLiteral("Richiesta di accesso agli atti"));
    EXPECT_EQ(w->chosenNumber(), storedNumber(registered));

    // Its own messages name the closing note; a note older than the
    // protocol (registered today) is refused.
    boxes.clear();
    edit(w, "TxtTipoNota", QStringLiteral("U"));
    press(main, "REGISTRA");
    note(w, "U", "2024", "5");
    press(main, "REGISTRA");
    EXPECT_EQ(boxes.texts(),
              (QStringList{QStringLiteral("Inserire l'anno del protocollo della nota di chiusura"),
                           QStringLiteral("La data di protocollo da evadere non può essere maggiore della data di "
                                          "protocollazione del documento di chiusura (01/02/2024)")}));

    // The note's own window lists what it closed.
    w->setProtocol(QStringLiteral("U"), number(5));
    EXPECT_EQ(shown(w, "LwEvase"), QStringLiteral("E|2024-0000004||"));
}

NIMBO_INSTANTIATE_ENGINES(CloseCases);

} // namespace
