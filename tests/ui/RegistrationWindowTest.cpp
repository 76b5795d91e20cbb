// The registration window driven by its controls against the demo register,
// registering through the real protocol server on both engines.

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QToolBar>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QTreeWidget>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolPrint.h"
#include "servers/ProtocolServer.h"
#include "startup/LoginRules.h"
#include "startup/StartUp.h"
#include "ui/DirtyTracker.h"
#include "ui/WindowRegistry.h"
#include "UiFixture.h"
#include "support/Files.h"

using namespace nimbo;
using namespace nimbo::protocol;
using nimbo::test::UiTest;

namespace {

class Registration : public nimbo::test::ProtocolWindowTest {
protected:
    FrmProtocollo *open()
    {
        // Not shown: a top-level window of its own is not how it is used, and
        // the controls answer the same.
        window = std::make_unique<FrmProtocollo>();
        return window.get();
    }
    QLineEdit *f(const char *name) { return child<QLineEdit>(window.get(), name); }
    QString text(const char *name) { return child<QLabel>(window.get(), name)->text(); }
    QString focused() { return window->focusWidget() ? window->focusWidget()->objectName() : QString(); }

    // A complete incoming (or outgoing) letter on a window after "NUOVO".
    void fill(const QString &direction, const QString &subject, const QString &department = QStringLiteral("PRO"),
              const QString &office = QStringLiteral("UPR"))
    {
        child<QRadioButton>(window.get(), direction == QLatin1String("E") ? "OptTipoProtocollo_0" : "OptTipoProtocollo_1")
            ->click();
        type(window.get(), "CodiceMitDest", QStringLiteral("2"));
        type(window.get(), "CodTipoDoc", QStringLiteral("LET"));
        f("Oggetto")->setText(subject);
        if (!f("CodSedeRic")->isReadOnly()) {
            type(window.get(), "CodSedeRic", department);
            type(window.get(), "CodUfficio", office);
        }
    }
    // Registers what is on the window; the number shown afterwards.
    QString registerShown()
    {
        window->ELABORATBAR(QStringLiteral("REGISTRA"));
        return storedNumber(f("txtNumeroProtocollo")->text());
    }
    QString registerNew(const QString &direction, const QString &subject, bool privacy = false,
                        const QString &department = QStringLiteral("PRO"), const QString &office = QStringLiteral("UPR"))
    {
        window->ELABORATBAR(QStringLiteral("NUOVO"));
        fill(direction, subject, department, office);
        child<QCheckBox>(window.get(), "Check1")->setChecked(privacy);
        return registerShown();
    }
    QString count() { return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo")); }
    QString column(const QString &col, const QString &number)
    {
        return scalar(QStringLiteral("SELECT ") + col + QStringLiteral(" FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '")
                      + number + QLatin1Char('\''));
    }
    QStringList searchNumbers()
    {
        window->ELABORATBAR(QStringLiteral("CERCA"));
        child(window.get(), "CmdAvviaRicerca")->click();
        auto *list = child<QTreeWidget>(window.get(), "LwProtocolli");
        QStringList out;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            out << list->topLevelItem(i)->data(0, Qt::UserRole).toString();
        return out;
    }

};

const QString kDay = QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy"));

} // namespace

TEST_P(Registration, ChecksRunInOrderWithTheFocusOnTheirField)
{
    logInAs(QStringLiteral("DEMO9"));
    open();
    EXPECT_EQ(window->toolbarKeys(), QStringLiteral("ESCI;NUOVO;CERCA"));
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(window->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(window->statusText(), QStringLiteral("Registrazione Protocollo"));
    EXPECT_TRUE(child(window.get(), "btnTB_1")->isEnabled());
    EXPECT_FALSE(child(window.get(), "btnTB_3")->isEnabled());
    const QString day = f("DataProtocollo")->text();
    ASSERT_EQ(day, kDay);
    EXPECT_EQ(f("DataRicezione")->text(), day);
    EXPECT_EQ(f("DataRegistrazione")->text(), day);

    // Each step mends the previous failure and meets the next one.
    const auto expect = [&](const char *message, const char *focus) {
        boxes.clear();
        window->ELABORATBAR(QStringLiteral("REGISTRA"));
        ASSERT_EQ(boxes.texts(), QStringList{QString::fromUtf8(message)});
        EXPECT_EQ(focused(), QLatin1String(focus)) << message;
    };
    expect("Indicare se il protocollo è di Entrata o di Uscita", "OptTipoProtocollo_0");
    child<QRadioButton>(window.get(), "OptTipoProtocollo_0")->click();
    f("DataRicezione")->clear();
    expect("La DATA RICEZIONE deve essere valida e significativa.", "DataRicezione");
    f("DataRicezione")->setText(day);
    f("OraRicezione")->setText(QStringLiteral("25:61"));
    expect("L'ora di ricezione del documento deve essere valida e significativa.", "OraRicezione");
    f("OraRicezione")->setText(QStringLiteral("09:30"));
    f("DataProtocollo")->setText(QStringLiteral("31/02/2026"));
    expect("La DATA protocollo deve essere valida e significativa.", "DataProtocollo");
    f("DataProtocollo")->setText(day);
    f("DataRicezione")->setText(QDate::currentDate().addDays(1).toString(QStringLiteral("dd/MM/yyyy")));
    expect("La DATA RICEZIONE deve essere minore o uguale della data di protocollo.", "DataRicezione");
    f("DataRicezione")->setText(day);
    f("Text2")->setText(QStringLiteral("xx"));
    expect("La DATA del Documento in arrivo deve essere valida e significativa.", "Text2");
    f("Text2")->setText(QDate::currentDate().addDays(1).toString(QStringLiteral("dd/MM/yyyy")));
    expect("La DATA del Documento in arrivo non può essere maggiore della data di ricezione del documento stesso.", "Text2");
    f("Text2")->setText(day);
    f("CodiceMitDest")->setText(QStringLiteral("12a"));
    expect("IL codice Mittente/Destinatario deve essere numerico.", "CodiceMitDest");
    f("CodiceMitDest")->setText(QStringLiteral("9999"));
    expect("IL Mittente/Destinatario specificato non è presente in archivio", "CodiceMitDest");
    f("CodiceMitDest")->setText(QStringLiteral("2"));
    expect("IL Tipo Documento deve essere valido e significativo.", "CodTipoDoc");
    EXPECT_TRUE(text("DescMitDest").startsWith(QStringLiteral("COMUNE DI POTENZA - "))) << text("DescMitDest").toStdString();
    f("CodTipoDoc")->setText(QStringLiteral("ZZZ"));
    expect("IL Tipo Documento specificato non è presente in archivio", "CodTipoDoc");
    f("CodTipoDoc")->setText(QStringLiteral("LET"));
    expect("L'Oggetto deve essere valido e significativo.", "Oggetto");
    f("Oggetto")->setText(QStringLiteral("Richiesta d'accesso agli atti"));
    expect("la Sede di Ricezione Documento deve essere valida e significativa.", "CodSedeRic");
    f("CodSedeRic")->setText(QStringLiteral("OLD")); // closed: not for a new protocol
    expect("Il Codice Dipartimento specificato non è presente in archivio", "CodSedeRic");
    f("CodSedeRic")->setText(QStringLiteral("PRO"));
    expect("IL Codice Ufficio deve essere valido e significativo.", "CodUfficio");
    f("CodUfficio")->setText(QStringLiteral("RAG")); // an office of another department
    expect("Il Codice Ufficio specificato non è presente in archivio", "CodUfficio");
    f("CodUfficio")->setText(QStringLiteral("ECO")); // closed
    expect("Il Codice Ufficio specificato non è presente in archivio", "CodUfficio");
    f("CodUfficio")->setText(QStringLiteral("UPR"));
    f("CodOperatore")->setText(QStringLiteral("7"));
    expect("Il Componente specificato non è presente in archivio", "CodOperatore");
    f("CodOperatore")->setText(QStringLiteral("2"));
    EXPECT_EQ(count(), QStringLiteral("0")) << "nothing is written while a check fails";

    // The reception date equal to the protocol date passes; the number typed
    // on the window is never the one used.
    f("txtNumeroProtocollo")->setText(QStringLiteral("20990009999"));
    boxes.clear();
    const QString number = registerShown();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(number, QString::number(QDate::currentDate().year()) + QStringLiteral("0000001"));
    EXPECT_EQ(window->statusText(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(text("StatoProto"), QStringLiteral("A T T I V O"));
    EXPECT_TRUE(child(window.get(), "btnTB_3")->isEnabled());
    EXPECT_EQ(window->toolbarKeys(), QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA;CERCA;ETICHETTA;STAMPA"));
    EXPECT_EQ(column(QStringLiteral("Tab_Oggetto"), number), QStringLiteral("Richiesta d'accesso agli atti"));
    EXPECT_EQ(column(QStringLiteral("Tab_ComponenteUfficio"), number), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = '20990009999'")),
              QStringLiteral("0"));
}

TEST_P(Registration, NewProtocolsRewritesAndTheSimilarSubjectWarning)
{
    logInAs(QStringLiteral("DEMO9"));
    open();

    // Outgoing without a reception date: stored as Null, no receipt offered.
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    fill(QStringLiteral("U"), QStringLiteral("Convocazione d'urgenza del comitato"));
    f("DataRicezione")->clear();
    child<QCheckBox>(window.get(), "Check2")->setChecked(true);
    const QString out = registerShown();
    ASSERT_FALSE(out.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(column(QStringLiteral("CASE WHEN Tab_DataRicezione IS NULL THEN 1 ELSE 0 END"), out), QStringLiteral("1"));
    EXPECT_EQ(column(QStringLiteral("Tab_StatoProtocollo"), out), QStringLiteral("A"));
    EXPECT_EQ(column(QStringLiteral("Tab_Stampato"), out), QStringLiteral("N"));
    EXPECT_EQ(column(QStringLiteral("Tab_RegistroTemporaneo"), out), QStringLiteral(" "));
    EXPECT_EQ(column(QStringLiteral("Tab_CodiceOpeReg"), out), QStringLiteral("DEMO9"));
    EXPECT_FALSE(window->toolbarKeys().split(QLatin1Char(';')).contains(QStringLiteral("STAMPA")));

    // The subject was kept among the recurring ones and is offered again.
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    child<QRadioButton>(window.get(), "OptTipoProtocollo_1")->click();
    f("Oggetto")->setText(QStringLiteral("Convocazione d'"));
    child(window.get(), "CmdOggettoRicorrente")->click();
    auto *list = child<QListWidget>(window.get(), "ListDecod");
    ASSERT_EQ(list->count(), 1);
    emit list->itemActivated(list->item(0));
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Convocazione d'urgenza del comitato"));

    // The same subject (part of it, with its apostrophe) in the same direction
    // within 30 days asks first; "No" writes nothing and keeps the form.
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    fill(QStringLiteral("U"), QStringLiteral("d'urgenza"));
    boxes.clear();
    boxes.answers = {Answer::No};
    const QString before = count();
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    ASSERT_EQ(boxes.shown.size(), 1);
    const QString warning = boxes.shown.first().text;
    EXPECT_TRUE(warning.startsWith(QStringLiteral(
        "ATTENZIONE! Sono stati già protocollati i seguenti documenti aventi un Oggetto simile a quello inserito:\n")));
    EXPECT_TRUE(warning.contains(shownNumber(out) + QStringLiteral(" del ") + kDay
                                 + QStringLiteral("  -  Convocazione d'urgenza del comitato")))
        << warning.toStdString();
    EXPECT_TRUE(warning.endsWith(QStringLiteral("\n\nSe vuoi effettuare comunque la registrazione premi 'SI' altrimenti premi 'NO'.")));
    EXPECT_EQ(boxes.shown.first().buttons, Buttons::YesNo);
    EXPECT_EQ(count(), before);
    EXPECT_EQ(focused(), QStringLiteral("Oggetto"));
    EXPECT_TRUE(f("txtNumeroProtocollo")->text().isEmpty());
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("d'urgenza"));

    // The other direction is not asked about; only dropping the form kept
    // after "No" is.
    boxes.clear();
    const QString in = registerNew(QStringLiteral("E"), QStringLiteral("Convocazione d'urgenza del comitato"));
    EXPECT_EQ(boxes.texts(), QStringList{ui::DirtyTracker::kQuestion});
    ASSERT_FALSE(in.isEmpty());
    EXPECT_GT(in, out);

    // A rewrite keeps the registering operator and the emergency fields.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_RegistroTemporaneo = '2026/T/ABC/001', "
                       "Tab_ProtocolloTemporaneo = '0000005' WHERE Tab_NumeroProtocollo = '")
        + in + QLatin1Char('\''));
    const QString registrar = column(QStringLiteral("Tab_CodiceOpeReg"), in);
    ASSERT_FALSE(registrar.isEmpty());
    f("Oggetto")->setText(QStringLiteral("Convocazione rinviata"));
    boxes.clear();
    EXPECT_EQ(registerShown(), in);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(window->statusText(), QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"));
    EXPECT_EQ(column(QStringLiteral("Tab_Oggetto"), in), QStringLiteral("Convocazione rinviata"));
    EXPECT_EQ(column(QStringLiteral("Tab_CodiceOpeReg"), in), registrar);
    EXPECT_EQ(column(QStringLiteral("Tab_RegistroTemporaneo"), in), QStringLiteral("2026/T/ABC/001"));
    EXPECT_EQ(column(QStringLiteral("Tab_ProtocolloTemporaneo"), in), QStringLiteral("0000005"));
    EXPECT_EQ(count().toInt(), 2);

    // Recall copies the last protocol entered into the next one.
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    child(window.get(), "CmdRichiama")->click();
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Convocazione d'urgenza del comitato"));
    EXPECT_EQ(f("CodUfficio")->text(), QStringLiteral("UPR"));
    EXPECT_TRUE(f("CodiceMitDest")->text().isEmpty());
}

TEST_P(Registration, LookupsLevelSixLockAndDirectionRight)
{
    logInAs(QStringLiteral("DEMO9"));
    open();
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    auto *list = child<QListWidget>(window.get(), "ListDecod");
    type(window.get(), "CodiceMitDest", QStringLiteral("comune"));
    ASSERT_FALSE(list->isHidden());
    ASSERT_EQ(list->count(), 3);
    EXPECT_TRUE(list->item(0)->text().startsWith(QStringLiteral("000004 - COMUNE DI MATERA - "))) << list->item(0)->text().toStdString();
    emit list->itemActivated(list->item(0));
    EXPECT_TRUE(list->isHidden());
    EXPECT_EQ(f("CodiceMitDest")->text(), QStringLiteral("4"));
    EXPECT_TRUE(text("DescMitDest").startsWith(QStringLiteral("COMUNE DI MATERA - ")));

    type(window.get(), "CodiceMitDest", QStringLiteral("UNIVERSITA'"));
    EXPECT_EQ(f("CodiceMitDest")->text(), QStringLiteral("9")) << "one match by description is taken directly";
    type(window.get(), "CodSedeRic", QStringLiteral("DIPARTIMENTO"));
    EXPECT_EQ(list->count(), 3) << "the closed department is left out of a new protocol";
    type(window.get(), "CodSedeRic", QStringLiteral("AMM"));
    EXPECT_EQ(text("DescSedeRic"), QStringLiteral("DIPARTIMENTO AMMINISTRATIVO")) << "a letter code no name begins with";
    type(window.get(), "CodUfficio", QStringLiteral("UPR"));
    EXPECT_TRUE(text("DescUfficio").isEmpty()) << "an office of another department is not found";
    type(window.get(), "CodUfficio", QStringLiteral("RAG"));
    EXPECT_EQ(text("DescUfficio"), QStringLiteral("RAGIONERIA"));
    type(window.get(), "CodTipoDoc", QStringLiteral("FAT"));
    EXPECT_EQ(text("DescTipoDoc"), QStringLiteral("FATTURA"));

    // Level 6: own department and office, locked; direction right "2".
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Abilitazioni = '2' WHERE Op_Codice_Operatore = 'DEMO6'"));
    logInAs(QStringLiteral("DEMO6"));
    open();
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_TRUE(f("CodSedeRic")->isReadOnly());
    EXPECT_TRUE(f("CodUfficio")->isReadOnly());
    EXPECT_EQ(f("CodSedeRic")->text(), QStringLiteral("PRO"));
    EXPECT_EQ(text("DescUfficio"), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));
    type(window.get(), "CodSedeRic", QStringLiteral("AMM"));
    EXPECT_EQ(f("CodSedeRic")->text(), QStringLiteral("PRO"));
    auto *in = child<QRadioButton>(window.get(), "OptTipoProtocollo_0");
    auto *out = child<QRadioButton>(window.get(), "OptTipoProtocollo_1");
    EXPECT_FALSE(in->isEnabled());
    EXPECT_TRUE(out->isEnabled() && out->isChecked());
    EXPECT_EQ(child(window.get(), "CmdMitDest")->text(), QStringLiteral("Destinatario"));
    EXPECT_FALSE(child<QWidget>(window.get(), "FraRifMittente")->isEnabled());
}

TEST_P(Registration, SearchShowsWhatTheLevelAndPrivacyAllow)
{
    logInAs(QStringLiteral("DEMO9"));
    open();
    const QString upr = registerNew(QStringLiteral("E"), QStringLiteral("Fattura di gennaio"));
    const QString rag = registerNew(QStringLiteral("E"), QStringLiteral("Bilancio di previsione"), false,
                                    QStringLiteral("AMM"), QStringLiteral("RAG"));
    const QString secret = registerNew(QStringLiteral("U"), QStringLiteral("Referto riservato"), true);
    ASSERT_FALSE(upr.isEmpty() || rag.isEmpty() || secret.isEmpty());
    EXPECT_EQ(searchNumbers(), (QStringList{secret, rag, upr}));
    EXPECT_EQ(text("lblTrovati"), QStringLiteral("Sono stati trovati N. 3 Protocolli "));

    // Navigation through the list loads each protocol.
    child<QTreeWidget>(window.get(), "LwProtocolli")->setCurrentItem(nullptr);
    emit child<QTreeWidget>(window.get(), "LwProtocolli")->itemActivated(
        child<QTreeWidget>(window.get(), "LwProtocolli")->topLevelItem(0), 0);
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Referto riservato"));
    EXPECT_TRUE(child<QCheckBox>(window.get(), "Check1")->isChecked());
    EXPECT_TRUE(window->toolbarKeys().endsWith(QStringLiteral(";PRECEDENTE;SUCCESSIVO")));
    EXPECT_EQ(window->iterState(), QStringLiteral("ATTIVA"));
    boxes.clear();
    window->ELABORATBAR(QStringLiteral("PRECEDENTE"));
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo "
                                                           "visualizzato è il primo dell'elenco selezionato.")});
    window->ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    window->ELABORATBAR(QStringLiteral("SUCCESSIVO"));
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Fattura di gennaio"));
    EXPECT_EQ(text("DescUfficio"), QStringLiteral("UFFICIO PROTOCOLLO GENERALE"));

    // The other active protocols of the same correspondent, without the one shown.
    sql(QStringLiteral("UPDATE Tab_Protocollo SET Tab_StatoProtocollo = 'C', Tab_DataCancellazione = '2024-01-02', "
                       "Tab_MotivoCancellazione = '01', Tab_CodiceOpeCanc = 'DEMO9' WHERE Tab_NumeroProtocollo = '")
        + rag
        + QLatin1Char('\''));
    child(window.get(), "btnTB_1")->click();
    auto *list = child<QTreeWidget>(window.get(), "LwProtocolli");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->data(0, Qt::UserRole).toString(), secret);

    // A cancelled protocol is shown as such and cannot be rewritten here.
    EXPECT_EQ(searchNumbers(), (QStringList{secret, rag, upr}));
    emit list->itemActivated(list->topLevelItem(1), 0);
    EXPECT_EQ(text("StatoProto"), QStringLiteral("C A N C E L L A T O"));
    EXPECT_FALSE(window->toolbarKeys().contains(QStringLiteral("REGISTRA")));
    EXPECT_TRUE(child(window.get(), "btnTB_2")->isEnabled());
    EXPECT_FALSE(child(window.get(), "btnTB_3")->isEnabled());

    // Level 7 in PRO/UPR without the privacy right: its office only, and not
    // another operator's privacy protocol.
    logInAs(QStringLiteral("DEMO7"));
    open();
    EXPECT_EQ(searchNumbers(), QStringList{upr});
    // Level 8 in AMM: its department.
    logInAs(QStringLiteral("DEMO8"));
    open();
    EXPECT_EQ(searchNumbers(), QStringList{rag});
    // Level 6 sees only what it registered: nothing yet.
    logInAs(QStringLiteral("DEMO6"));
    open();
    boxes.clear();
    EXPECT_TRUE(searchNumbers().isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QString::fromUtf8(
                                 "Non esistono documenti protocollati che soddisfano i criteri di ricerca impostati o per "
                                 "i quali l'utente è abilitato alla gestione.")});
}

TEST_P(Registration, FailuresKeepTheFormAndWriteNothing)
{
    logInAs(QStringLiteral("DEMO9"));
    open();
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    fill(QStringLiteral("E"), QStringLiteral("Domanda di contributo"));

    // A label asked before registration prints nothing.
    const QString device = db().folder() + QStringLiteral("/label.out");
    DicAmbiente::session().cfg.portaCom = device;
    window->ELABORATBAR(QStringLiteral("ETICHETTA"));
    EXPECT_FALSE(QFile::exists(device));

    DicAmbiente::session().cfg.oleGp = QStringLiteral("NimboServer.Assente");
    boxes.clear();
    EXPECT_TRUE(registerShown().isEmpty());
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!")});
    EXPECT_EQ(boxes.shown.first().icon, Icon::Critical);
    EXPECT_EQ(window->statusText(), QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"));
    EXPECT_EQ(window->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Domanda di contributo"));
    EXPECT_EQ(count(), QStringLiteral("0"));

    // The clock cannot be read: nothing typed is lost.
    DicAmbiente::session().cfg.oleGenerica = QStringLiteral("NimboServer.Assente");
    boxes.clear();
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(boxes.shown.last().text, QStringLiteral("Contattare il sistemista! Impossibile interagire con il server per "
                                                      "l'acquisizione della data ed ora dell'operazione."));
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Domanda di contributo"));

    // Once the servers are back the same form registers, and the label goes out.
    DicAmbiente::session().cfg.oleGenerica = kGenericProgId;
    DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    const QString number = registerShown();
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    window->ELABORATBAR(QStringLiteral("ETICHETTA"));
    QFile label(device);
    ASSERT_TRUE(label.open(QIODevice::ReadOnly));
    EXPECT_EQ(label.readAll().count("\r\n"), 16);

    // A refusal of the server is shown as it comes.
    const QString op = DicAmbiente::session().op.code;
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = '") + op + QLatin1Char('\''));
    f("Oggetto")->setText(QStringLiteral("Domanda rettificata"));
    boxes.clear();
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Operatore non attivo: ") + op
                                         + QStringLiteral(". Registrazione non effettuata.")});
    EXPECT_EQ(window->statusText(), QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"));
    EXPECT_EQ(f("Oggetto")->text(), QStringLiteral("Domanda rettificata"));
}

NIMBO_INSTANTIATE_ENGINES(Registration);

namespace {

class RegistrationEndToEnd : public Registration {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        WindowRegistry::remove(QStringLiteral("FrmProtocollo"));
        Registration::TearDown();
    }
};

} // namespace

// The path of the demo: log in, open "Protocollo Documenti", register an
// incoming letter, see its number, print the receipt to PDF.
TEST_P(RegistrationEndToEnd, DemoOperatorRegistersALetterAndPrintsTheReceipt)
{
    registerProtocolWindows();
    const int started = startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                             QStringLiteral("SET REPORT=") + nimbo::test::shippedTemplates(),
                                             QStringLiteral("SET STAMPANTE-REPORT=PDF")});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QWidget *main = StartUp::mainWindow();
    ASSERT_NE(main, nullptr);

    auto *item = main->findChild<QAction *>(QStringLiteral("mnuProtDoc"));
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    auto *w = main->findChild<FrmProtocollo *>();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Registrazione dei Protocolli"));
    const auto press = [main](const char *key) { test::pressToolbar(main, key); };
    press("NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    type(w, "CodiceMitDest", QStringLiteral("prefettura"));
    type(w, "CodTipoDoc", QStringLiteral("LET"));
    child<QLineEdit>(w, "Oggetto")->setText(QStringLiteral("Richiesta d'informazioni sull'ordinanza"));
    type(w, "CodSedeRic", QStringLiteral("PRO"));
    type(w, "CodUfficio", QStringLiteral("UPR"));
    // The clerk took a while: the time shown since "NUOVO" is long past.
    child<QLineEdit>(w, "OraProtocollo")->setText(QStringLiteral("00:00:01"));
    press("REGISTRA");
    const QString number = child<QLineEdit>(w, "txtNumeroProtocollo")->text();
    ASSERT_EQ(number, QString::number(QDate::currentDate().year()) + QStringLiteral("-0000001"))
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    // What the screen shows is what the register holds.
    EXPECT_EQ(child<QLineEdit>(w, "OraProtocollo")->text(),
              scalar(QStringLiteral("SELECT Tab_OraProtocollo FROM Tab_Protocollo")));

    const QString pdf = db().folder() + QStringLiteral("/ricevuta.pdf");
    boxes.files << pdf;
    press("STAMPA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = nimbo::test::pdfText(pdf);
    EXPECT_TRUE(printed.contains(shownNumber(number))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("Richiesta d'informazioni sull'ordinanza"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("PREFETTURA DI POTENZA"))) << printed.toStdString();
    press("ESCI");
}

// Tab walks the form as it is read: from the document type to the subject
// (the recurring-subject button beside it after it), so a subject typed
// after Tab goes into the subject and presses nothing; and no stop of the
// registration panel lies above the one before it.
TEST_P(RegistrationEndToEnd, TabFollowsTheFormFromTopLeftToBottomRight)
{
    registerProtocolWindows();
    ASSERT_EQ(startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId}), StartUp::kRunning)
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    QWidget *main = StartUp::mainWindow();
    main->findChild<QAction *>(QStringLiteral("mnuProtDoc"))->trigger();
    auto *w = main->findChild<FrmProtocollo *>();
    ASSERT_NE(w, nullptr);
    test::pressToolbar(main, "NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    auto *type = child<QLineEdit>(w, "CodTipoDoc");
    type->setFocus();
    QTest::keyClicks(type, QStringLiteral("LET"));
    QTest::keyClick(type, Qt::Key_Tab);
    ASSERT_NE(w->focusWidget(), nullptr);
    EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("Oggetto"));
    QTest::keyClicks(w->focusWidget(), QStringLiteral("Richiesta contributo"));
    EXPECT_EQ(child<QLineEdit>(w, "Oggetto")->text(), QStringLiteral("Richiesta contributo"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QTest::keyClick(w->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("CmdOggettoRicorrente"));

    // The chain of the document's fields, from the sender to the notes:
    // every stop is on the row of the one before it and to its right, or
    // on a row below.
    QWidget *at = child<QLineEdit>(w, "CodiceMitDest");
    QRect before = QRect(at->mapTo(w, QPoint(0, 0)), at->size());
    QStringList walked{at->objectName()};
    for (int i = 0; i < 15 && at->objectName() != QLatin1String("Annotazioni"); ++i) {
        at = at->nextInFocusChain();
        while (at && !(at->isVisible() && at->isEnabled() && (at->focusPolicy() & Qt::TabFocus)))
            at = at->nextInFocusChain();
        ASSERT_NE(at, nullptr);
        const QRect r(at->mapTo(w, QPoint(0, 0)), at->size());
        walked << at->objectName();
        const bool sameRow = r.center().y() >= before.top() && r.center().y() <= before.bottom();
        EXPECT_TRUE((sameRow && r.left() > before.left()) || r.top() > before.top())
            << walked.join(QStringLiteral(" > ")).toStdString();
        before = r;
    }
    EXPECT_EQ(walked.last(), QStringLiteral("Annotazioni")) << walked.join(QStringLiteral(" > ")).toStdString();
    test::pressToolbar(main, "ANNULLA");
}

NIMBO_INSTANTIATE_ENGINES(RegistrationEndToEnd);
