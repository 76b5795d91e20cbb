// The office members on the demo register, on both engines: progressives,
// the operator-code rules of each variant, and what keeps a member from
// being deleted.

#include <QComboBox>
#include <QLabel>
#include <QSignalSpy>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "organisation/FrmComponenti.h"
#include "schema/MemberGuards.h"
#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"
#include "organisation/Organisation.h"
#include "ui/DateField.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

using namespace nimbo;
using nimbo::organisation::FrmComponenti;
using nimbo::organisation::MemberVariant;

namespace {

class Members : public test::UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        auto &s = DicAmbiente::session();
        s.op.code = QStringLiteral("DEMO9");
        s.op.ente = QStringLiteral("001");
        s.op.department = QStringLiteral("PRO");
        s.op.office = QStringLiteral("UPR");
        s.parm.enteCodiceAsl = QStringLiteral("101");
        organisation::registerMemberWindows();
    }
    std::unique_ptr<FrmComponenti> office(const QString &dip, const QString &uff,
                                          const QString &name = QStringLiteral("FrmComponenti"))
    {
        std::unique_ptr<FrmComponenti> w(qobject_cast<FrmComponenti *>(WindowRegistry::create(name)));
        if (!w)
            return w;
        w->setContext(QStringLiteral("Tab_Ente"), QStringLiteral("001"));
        w->setContext(QStringLiteral("Tab_Dipartimento"), dip);
        w->setContext(QStringLiteral("Tab_Ufficio"), uff);
        w->reloadList();
        w->resize(900, 560);
        w->show();
        return w;
    }
    static void set(QWidget *w, const char *field, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(field));
        ASSERT_NE(e, nullptr) << field;
        if (qobject_cast<ui::DateField *>(e)) {
            e->setText(text);
            return;
        }
        e->setFocus();
        e->selectAll();
        QTest::keyClick(e, Qt::Key_Delete);
        QTest::keyClicks(e, text);
    }
    // Presses REGISTRA and gives the boxes it showed.
    QStringList registra(ChildWindow *w)
    {
        boxes.clear();
        w->ELABORATBAR(QStringLiteral("REGISTRA"));
        return boxes.texts();
    }
    static ui::RowList *list(QWidget *w) { return w->findChild<ui::RowList *>(); }
    static void choose(QWidget *w, const QString &progressive)
    {
        ASSERT_TRUE(list(w)->select(0, progressive)) << progressive.toStdString();
        QTest::keyClick(list(w)->view(), Qt::Key_Return);
    }
    QString members(const QString &office)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND "
                                     "Tab_Ufficio='")
                      + office + QLatin1Char('\''));
    }
};

TEST_P(Members, NewMembersTakeHighestPlusOneAndTheOperatorCodeMustBeEnabledForTheOffice)
{
    // An operator of another entity.
    sql(QStringLiteral("INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Nome, Op_Ente, "
                       "Op_Dipartimento, Op_CodiceUfficio, Op_Livello) VALUES ('ALTRO', 'ALTRI', 'ANNA', '002', "
                       "'SAN', 'VET', '6')"));
    auto w = office(QStringLiteral("SAN"), QStringLiteral("VET"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->objectName(), QStringLiteral("FrmComponenti"));
    EXPECT_EQ(list(w.get())->count(), 0);
    EXPECT_EQ(w->findChild<QLabel *>(QStringLiteral("LblIntestazione"))->text(),
              QStringLiteral("GESTIONE COMPONENTI DELL'UFFICIO: SERVIZIO VETERINARIO"));

    w->ELABORATBAR(QStringLiteral("NUOVO"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    EXPECT_EQ(w->statusText(), QStringLiteral("REGISTRAZIONE ANAGRAFICHE componenti"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("inserire il nome e cognome del componente l'ufficio")});
    EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("txtNome"));

    set(w.get(), "txtNome", QStringLiteral("D'ANGELO PIA"));
    set(w.get(), "txtQualifica", QStringLiteral("medico veterinario"));
    set(w.get(), "TxtPosta", QStringLiteral("pia.example.it"));
    EXPECT_EQ(registra(w.get()),
              QStringList{QStringLiteral("l'indirizzo di posta elettronica inserito non è formalmente corretto")});
    EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("TxtPosta"));
    set(w.get(), "TxtPosta", QStringLiteral("pia@example.it"));

    set(w.get(), "TxtUser", QStringLiteral("altro"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Il Codice Utente specificato non è tra quelli abilitati "
                                                            "all'utilizzo della procedura")});
    EXPECT_EQ(w->focusWidget()->objectName(), QStringLiteral("TxtUser"));

    set(w.get(), "TxtUser", QString());
    set(w.get(), "txtDataF", QStringLiteral("01/01/2001"));
    EXPECT_EQ(registra(w.get()),
              QStringList{QStringLiteral("la data di chiusura non può essere minore della data di inizio")});
    set(w.get(), "txtDataF", QString());
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Inserire il codice identificativo dell'utente durante "
                                                            "l'uso della procedura")});

    // DEMO8 belongs to the accounts office: not enabled for this one until
    // he is given it as a further pair.
    set(w.get(), "TxtUser", QStringLiteral("DEMO8"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Il nome utente specificato non è tra quelli abilitati a "
                                                            "gestire il protocollo per l'ufficio in esame")});
    EXPECT_EQ(members(QStringLiteral("VET")), QStringLiteral("0"));
    sql(QStringLiteral("INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES ('DEMO8', '001', "
                       "'SAN', 'VET')"));
    EXPECT_TRUE(registra(w.get()).isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral(
                  "SELECT Tab_Progressivo || '|' || Tab_Dipartimento || '|' || Tab_Componente || '|' || "
                  "Tab_Qualifica || '|' || Tab_IdUser || '|' || Tab_FlagAssegnazione || '|' || tab_CodOper FROM "
                  "Tab_UfficiComponenti WHERE Tab_Ente='001' AND Tab_Ufficio='VET'")),
              QStringLiteral("1|SAN|D'ANGELO PIA|MEDICO VETERINARIO|DEMO8|SI|DEMO9"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
    EXPECT_EQ(list(w.get())->count(), 1);

    // The next is the highest plus one; a number once given is never given
    // again, not even after its member was deleted.
    for (const char *name : {"SECONDO MEMBRO", "TERZO MEMBRO"}) {
        w->ELABORATBAR(QStringLiteral("NUOVO"));
        set(w.get(), "txtNome", QLatin1String(name));
        set(w.get(), "TxtUser", QStringLiteral("DEMO8"));
        EXPECT_TRUE(registra(w.get()).isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND "
                                    "Tab_Ufficio='VET' AND Tab_Componente='TERZO MEMBRO'")),
              QStringLiteral("3"));
    choose(w.get(), QStringLiteral("3"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("txtNome"))->text(), QStringLiteral("TERZO MEMBRO"));
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(members(QStringLiteral("VET")), QStringLiteral("2"));
    w->ELABORATBAR(QStringLiteral("NUOVO"));
    set(w.get(), "txtNome", QStringLiteral("QUARTO MEMBRO"));
    set(w.get(), "TxtUser", QStringLiteral("DEMO8"));
    EXPECT_TRUE(registra(w.get()).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND "
                                    "Tab_Ufficio='VET' AND Tab_Componente='QUARTO MEMBRO'")),
              QStringLiteral("4"));

    // A change keeps the progressive and rewrites the row it selects.
    choose(w.get(), QStringLiteral("1"));
    set(w.get(), "TxtTitolo", QStringLiteral("DOTT.SSA"));
    EXPECT_TRUE(registra(w.get()).isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Titolo || Tab_Progressivo FROM Tab_UfficiComponenti WHERE "
                                    "Tab_Ente='001' AND Tab_Ufficio='VET' AND Tab_Componente='D''ANGELO PIA'")),
              QStringLiteral("DOTT.SSA1"));
    EXPECT_EQ(members(QStringLiteral("VET")), QStringLiteral("3"));
}

TEST_P(Members, MemberUsedByTheIterOrByAGroupIsNotDeleted)
{
    auto w = office(QStringLiteral("PRO"), QStringLiteral("UPR"));
    ASSERT_NE(w, nullptr);
    ASSERT_EQ(list(w.get())->count(), 3);
    const QString used = QStringLiteral("Non è possibile cancellare il componente corrente. Esso è già stato "
                                        "utilizzato in altre operazioni di registrazione.");
    const auto tryDelete = [&] {
        choose(w.get(), QStringLiteral("3"));
        boxes.clear();
        w->ELABORATBAR(QStringLiteral("CANCELLA"));
        return boxes.texts();
    };

    sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES ('001', 'E', "
                       "'20260000001', '20260101120000', 'UPR', 3)"));
    EXPECT_EQ(tryDelete(), QStringList{used});
    sql(QStringLiteral("DELETE FROM Tab_Iter_Destinatari"));
    sql(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                       "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES ('001', 'E', "
                       "'20260000001', '20260101120000', 'UPR', 3)"));
    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    EXPECT_EQ(tryDelete(), QStringList{used});
    sql(QStringLiteral("DELETE FROM Tab_Iter_Trasmissioni"));

    // In a group: its row would point at the number the next member takes.
    sql(QStringLiteral("INSERT INTO Tab_UfficiGruppi (Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento, "
                       "Tab_Dipartimento, Tab_Ufficio, Tab_Componente) VALUES ('001', 'AMM', 'DIRIGENTI', 'PRO', "
                       "'UPR', 3)"));
    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    const QStringList refused = tryDelete();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.first().contains(QStringLiteral("raggruppamento"))) << refused.first().toStdString();
    EXPECT_EQ(members(QStringLiteral("UPR")), QStringLiteral("3"));

    // A group row of another member, or of the same number in another
    // office, does not hold this one; No keeps it, Yes deletes it.
    sql(QStringLiteral("UPDATE Tab_UfficiGruppi SET Tab_Ufficio='RAG', Tab_Dipartimento='AMM'"));
    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    boxes.answers = {Answer::No};
    EXPECT_EQ(tryDelete(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(members(QStringLiteral("UPR")), QStringLiteral("3"));
    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    EXPECT_EQ(tryDelete(), QStringList{QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?")});
    EXPECT_EQ(members(QStringLiteral("UPR")), QStringLiteral("2"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;NUOVO"));
}

// A member that a protocol names stays, whatever deletes it; and the number
// of a member deleted is never given to the next one, so no protocol comes
// to name somebody else.
TEST_P(Members, MemberNamedByAProtocolStaysAndNumbersAreNeverGivenTwice)
{
    ColumnValues columns = test::newProtocolColumns(QStringLiteral("001"), QStringLiteral("E"),
                                                    QStringLiteral("Richiesta ferie"), QStringLiteral("DEMO9"));
    for (auto &[name, value] : columns) {
        if (name == QLatin1String("Tab_SedeRicezione"))
            value = QStringLiteral("PRO");
        else if (name == QLatin1String("Tab_UfficioRegistrazione"))
            value = QStringLiteral("UPR");
        else if (name == QLatin1String("Tab_ComponenteUfficio"))
            value = 2;
        else if (name == QLatin1String("Tab_Intestatario"))
            value = 2;
    }
    ProtocolServer server;
    QVariantList request = registrationRequest(QStringLiteral("A"), protocolCondition(QStringLiteral("001"),
                                               QStringLiteral("E"), QString()), columns, QStringLiteral("DEMO9"));
    const QVariantList reply = server.Elabora(kOpRegistraProtocollo, request);
    ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();

    auto w = office(QStringLiteral("PRO"), QStringLiteral("UPR"));
    ASSERT_NE(w, nullptr);
    choose(w.get(), QStringLiteral("2"));
    boxes.clear();
    w->ELABORATBAR(QStringLiteral("CANCELLA"));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Non è possibile cancellare il componente corrente. Esso è già "
                                                        "stato utilizzato in altre operazioni di registrazione.")});
    EXPECT_EQ(members(QStringLiteral("UPR")), QStringLiteral("3"));
    // Nor by plain SQL.
    QSqlQuery q(db().central());
    EXPECT_FALSE(q.exec(QStringLiteral("DELETE FROM Tab_UfficiComponenti WHERE Tab_Ente = '001' AND Tab_Ufficio = "
                                       "'UPR' AND Tab_Progressivo = 2")));
    EXPECT_TRUE(q.lastError().text().contains(Schema::MemberGuards::kMemberUsed)) << q.lastError().text().toStdString();
    EXPECT_EQ(members(QStringLiteral("UPR")), QStringLiteral("3"));

    // The highest member goes; its number cannot be given again, whoever
    // writes the new member.
    w->ELABORATBAR(QStringLiteral("ANNULLA"));
    choose(w.get(), QStringLiteral("3"));
    boxes.answers = {Answer::Yes};
    w->ELABORATBAR(QStringLiteral("CANCELLA"));
    ASSERT_EQ(members(QStringLiteral("UPR")), QStringLiteral("2"));
    EXPECT_FALSE(q.exec(QStringLiteral("INSERT INTO Tab_UfficiComponenti (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, "
                                       "Tab_Progressivo, Tab_Componente) VALUES ('001', 'PRO', 'UPR', 3, 'X')")));
}

TEST_P(Members, TreeMemberWindowConfirmsWritesAndWantsAnOperatorOnlyUnderItsAuthority)
{
    auto w = office(QStringLiteral("AMM"), QStringLiteral("RAG"), QStringLiteral("FrmGComponenti"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->variant(), MemberVariant::Detail);
    EXPECT_EQ(list(w.get()), nullptr);
    QSignalSpy saved(w.get(), &ui::RecordEditor::saved);

    boxes.clear();
    EXPECT_FALSE(w->openRecord({{QStringLiteral("Tab_Ente"), QStringLiteral("001")},
                                {QStringLiteral("Tab_Dipartimento"), QStringLiteral("AMM")},
                                {QStringLiteral("Tab_Ufficio"), QStringLiteral("RAG")},
                                {QStringLiteral("Tab_Progressivo"), QStringLiteral("9")}}));
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("Errore nella lettura del componente")});

    // RICCI MARCO has no operator account, which is allowed here.
    ASSERT_TRUE(w->openRecord({{QStringLiteral("Tab_Ente"), QStringLiteral("001")},
                               {QStringLiteral("Tab_Dipartimento"), QStringLiteral("AMM")},
                               {QStringLiteral("Tab_Ufficio"), QStringLiteral("RAG")},
                               {QStringLiteral("Tab_Progressivo"), QStringLiteral("2")}}));
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("txtNome"))->text(), QStringLiteral("RICCI MARCO"));
    EXPECT_EQ(w->findChild<QComboBox *>(QStringLiteral("CboAssegnazione"))->currentText(), QStringLiteral("NO"));
    set(w.get(), "TxtTelefono", QStringLiteral("0971000299"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    EXPECT_EQ(saved.count(), 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Telefono FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND "
                                    "Tab_Ufficio='RAG' AND Tab_Progressivo=2")),
              QStringLiteral("0971000299"));
    // The window stays on the member just written.
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA"));

    const QString unknown = QStringLiteral("Il nome utente specificato non esiste in archivio o non è tra quelli "
                                           "abilitati a gestire il protocollo per l'ufficio in esame");
    set(w.get(), "TxtUser", QStringLiteral("NESSUNO"));
    EXPECT_EQ(registra(w.get()), QStringList{unknown});
    set(w.get(), "TxtUser", QStringLiteral("DEMO6"));
    EXPECT_EQ(registra(w.get()), QStringList{unknown});

    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("AS8");
    set(w.get(), "TxtUser", QString());
    EXPECT_EQ(registra(w.get()),
              QStringList{QStringLiteral("Inserire il Codice Utente da utilizzare durante l'uso della procedura")});
    set(w.get(), "TxtUser", QStringLiteral("DEMO8"));
    auto *flag = w->findChild<QComboBox *>(QStringLiteral("CboAssegnazione"));
    flag->setCurrentIndex(flag->findText(QString()));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Indicare se il componente può essere titolare di "
                                                            "un'assegnazione o meno")});
    flag->setCurrentIndex(flag->findText(QStringLiteral("SI")));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    EXPECT_EQ(saved.count(), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_IdUser || Tab_FlagAssegnazione FROM Tab_UfficiComponenti WHERE "
                                    "Tab_Ente='001' AND Tab_Ufficio='RAG' AND Tab_Progressivo=2")),
              QStringLiteral("DEMO8SI"));

    // A new member of the office from the tree.
    w->startNew();
    set(w.get(), "txtNome", QStringLiteral("NUOVO COMPONENTE"));
    set(w.get(), "TxtUser", QStringLiteral("DEMO8"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("Registrazione effettuata con successo.")});
    EXPECT_EQ(w->findChild<QLineEdit *>(QStringLiteral("TxtCodice"))->text(), QStringLiteral("3"));
}

TEST_P(Members, ReducedVariantIsOpenedUnderItsAuthorityAndAFailedProgressiveWritesNothing)
{
    auto plain = office(QStringLiteral("PRO"), QStringLiteral("ARC"));
    ASSERT_NE(plain, nullptr);
    EXPECT_EQ(plain->variant(), MemberVariant::List);
    plain.reset();

    DicAmbiente::session().parm.enteCodiceAsl = QStringLiteral("104");
    auto w = office(QStringLiteral("PRO"), QStringLiteral("ARC"));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->variant(), MemberVariant::Reduced);
    EXPECT_EQ(w->objectName(), QStringLiteral("FrmComponentiASL4"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Gestione Uffici "));
    EXPECT_EQ(w->findChild<QComboBox *>(QStringLiteral("CboAssegnazione")), nullptr);

    w->ELABORATBAR(QStringLiteral("NUOVO"));
    set(w.get(), "txtNome", QStringLiteral("SEZIONE STORICA"));
    // Any operator code is taken as it is: this variant does not check it.
    set(w.get(), "TxtUser", QStringLiteral("NESSUNO"));
    set(w.get(), "TxtDataI", QStringLiteral("31/02/20"));
    EXPECT_EQ(registra(w.get()), QStringList{QStringLiteral("inserire una data corretta")});
    set(w.get(), "TxtDataI", QStringLiteral("01/03/2026"));

    // The progressive cannot be read: nothing is written.
    const QString generic = DicAmbiente::session().cfg.oleGenerica;
    DicAmbiente::session().cfg.oleGenerica = QStringLiteral("Nessun.Server");
    EXPECT_TRUE(registra(w.get()).contains(QStringLiteral("ATTENZIONE ! Errore in assegnazione nuovo progressivo !")))
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    DicAmbiente::session().cfg.oleGenerica = generic;
    EXPECT_EQ(members(QStringLiteral("ARC")), QStringLiteral("0"));
    EXPECT_EQ(w->toolbarKeys(), QStringLiteral("ESCI;REGISTRA;ANNULLA"));

    EXPECT_TRUE(registra(w.get()).isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Tab_Progressivo || '|' || Tab_IdUser || '|' || Tab_FlagAssegnazione || "
                                    "'|' || Tab_DataInizio FROM Tab_UfficiComponenti WHERE Tab_Ente='001' AND "
                                    "Tab_Ufficio='ARC'")),
              QStringLiteral("1|NESSUNO|SI|2026-03-01"));
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(Members);
