#include "data/ConnectionPool.h"
#include "data/Funzioni_Com_1.h"
#include "data/Password.h"
#include "platform/CardReader.h"
#include "startup/LoginRules.h"
#include "startup/NewPwd.h"
#include "startup/PSWMask.h"
#include "UiFixture.h"

using nimbo::test::UiTest;

namespace {

class Login : public UiTest {};

QString changedDaysAgo(int days) { return QDate::currentDate().addDays(-days).toString(Qt::ISODate); }

struct FixedCard : nimbo::CardReader {
    nimbo::CardHolder holder;
    nimbo::CardHolder readHolder() override { return holder; }
};

} // namespace

TEST_P(Login, AttemptsRunOutOnTheSixthEntryAndEmptyEntriesDoNotCount)
{
    PSWMask w;
    // Ten characters typed: the first eight name the operator.
    type(&w, "txtOperatore", QStringLiteral("DEMO9   XY"));
    ASSERT_EQ(DicAmbiente::session().op.code, QStringLiteral("DEMO9"));
    EXPECT_EQ(DicAmbiente::session().op.extra.size(), 1);
    EXPECT_EQ(DicAmbiente::session().cfg.ausl, QStringLiteral("AZIENDA SANITARIA DEMO"));
    EXPECT_FALSE(child(&w, "cmdEmergenza")->isEnabled());
    auto *password = child<QLineEdit>(&w, "txtPassword");
    ASSERT_TRUE(password->isEnabled());
    QTest::keyClick(password, Qt::Key_Return);
    EXPECT_EQ(w.attempts(), 0);
    for (int i = 0; i < 5; ++i)
        type(&w, "txtPassword", QStringLiteral("sbagliata"));
    EXPECT_EQ(boxes.texts(), QStringList(5, QStringLiteral("Password errata ")));
    EXPECT_TRUE(password->text().isEmpty());
    EXPECT_TRUE(exits.isEmpty());
    EXPECT_FALSE(child(&w, "cbuOk")->isEnabled());
    // Even the right password is refused once the attempts are used up.
    type(&w, "txtPassword", QStringLiteral("demo9pwd"));
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("Numero di tentativi esaurito "));
    EXPECT_EQ(exits, QList<int>{0});
    EXPECT_TRUE(w.ended());
    EXPECT_NE(w.result(), QDialog::Accepted);
}

TEST_P(Login, UnknownAndInactiveOperatorsAndTheRightPassword)
{
    sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Attivo = 'N' WHERE Op_Codice_Operatore = 'DEMO6'"));
    PSWMask w;
    type(&w, "txtOperatore", QStringLiteral("NOI'X"));
    type(&w, "txtOperatore", QStringLiteral("DEMO6"));
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("Operatore inesistente o non abilitato alla procedura"),
                                          QStringLiteral("Codice Operatore non attivo")}));
    EXPECT_FALSE(child<QLineEdit>(&w, "txtPassword")->isEnabled());
    // Command line with a disabled operator does not log in.
    EXPECT_FALSE(w.loginFromCommandLine(QStringLiteral("DEMO6")));
    EXPECT_NE(w.result(), QDialog::Accepted);
    PSWMask commandLine;
    EXPECT_TRUE(commandLine.loginFromCommandLine(QStringLiteral("DEMO9")));
    EXPECT_EQ(commandLine.result(), QDialog::Accepted);

    boxes.clear();
    type(&w, "txtOperatore", QStringLiteral("demo7"));
    type(&w, "txtPassword", QStringLiteral("  DEMO7PWD "));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(child(&w, "cbuOk")->isEnabled());
    EXPECT_TRUE(child(&w, "cbuNewPwd")->isEnabled());
    EXPECT_TRUE(child<QLineEdit>(&w, "txtPassword")->isReadOnly());
    child(&w, "cbuOk")->click();
    EXPECT_EQ(w.result(), QDialog::Accepted);
    const auto &s = DicAmbiente::session();
    EXPECT_EQ(s.op.level, 7);
    EXPECT_EQ(s.structureCode, QStringLiteral("001"));
    EXPECT_FALSE(s.emergency);
}

// With the central register out of reach the clerk reads what happened and
// what he can do, not a server's error number and a file path.
TEST_P(Login, AnUnreachableCentralRegisterIsSaidPlainlyWithTheWayToTheEmergencyRegister)
{
    auto &cfg = DicAmbiente::session().cfg;
    const QString gone = db().folder() + QStringLiteral("/db/spostato.sqlite");
    cfg.protocollo = gone;
    for (auto &d : cfg.databases)
        if (d.name == QLatin1String("PROTOCOLLO"))
            d.path = gone;
    if (!cfg.serverDb.isEmpty())
        cfg.serverDb = QStringLiteral("host=127.0.0.1 port=1 dbname=nimbo user=nimbo password=segreta connect_timeout=2");
    nimbo::ConnectionPool::closeAll();
    PSWMask w;
    type(&w, "txtOperatore", QStringLiteral("DEMO9"));
    ASSERT_FALSE(boxes.shown.isEmpty());
    EXPECT_EQ(boxes.texts().first(), Funzioni_Com_1::kCentralUnreachable);
    for (const QString &text : boxes.texts()) {
        EXPECT_FALSE(text.contains(QStringLiteral("spostato"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("segreta"))) << text.toStdString();
        EXPECT_FALSE(text.contains(QStringLiteral("Errore :"))) << text.toStdString();
    }
    EXPECT_FALSE(child<QLineEdit>(&w, "txtPassword")->isEnabled());
}

TEST_P(Login, PasswordAgeAgainstTheLimit)
{
    const auto attempt = [this](int days, const char *mayChange) {
        sql(QStringLiteral("UPDATE Tab_Operatori SET Op_Data = '%1', Op_Fl_Password = '%2' "
                           "WHERE Op_Codice_Operatore = 'DEMO8'")
                .arg(changedDaysAgo(days), QLatin1String(mayChange)));
        boxes.clear();
        boxes.answers = {nimbo::Answer::No};
        PSWMask w;
        type(&w, "txtOperatore", QStringLiteral("DEMO8"));
        type(&w, "txtPassword", QStringLiteral("demo8pwd"));
        return std::make_pair(boxes.texts(), child(&w, "cbuOk")->isEnabled());
    };
    EXPECT_EQ(attempt(60, "S"), std::make_pair(QStringList(), true));
    EXPECT_EQ(attempt(61, "S"),
              std::make_pair(QStringList{QStringLiteral("Attenzione la Password è attiva da piu' di 60 gg. "
                                                        "Vuoi modificarla? ")},
                             true));
    EXPECT_EQ(attempt(61, "N"),
              std::make_pair(QStringList{QStringLiteral("Attenzione Password Attiva da piu' di 60 gg. - Contatta "
                                                        "l'Amministratore per il rinnovo. ")},
                             false));
}

TEST_P(Login, SmartCardFindsTheOperatorByFiscalCode)
{
    sql(QStringLiteral("UPDATE Tab_Operatori SET OP_CF = 'CNTGLI80A41H501X' WHERE Op_Codice_Operatore = 'DEMO9'"));
    FixedCard card;
    nimbo::setCardReader(&card);
    PSWMask w;
    card.holder = {false, {}, QStringLiteral("no reader")};
    w.smartCard();
    card.holder = {true, QStringLiteral("CONTI/GIULIA/CNTGLI80A41H501X"), {}};
    boxes.answers = {nimbo::Answer::Ok, nimbo::Answer::Ok, nimbo::Answer::Ok};
    w.smartCard();
    nimbo::setCardReader(nullptr);
    EXPECT_EQ(boxes.texts().value(1), QStringLiteral("Autenticazione con smart card no reader"));
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(DicAmbiente::session().op.code, QStringLiteral("DEMO9"));
    // The holder file's layout gives surname, name and the fiscal code third.
    EXPECT_EQ(nimbo::PcscCardReader::holderText("00002D" "00" "00" "00" "05CONTI" "06GIULIA" "00" "00" "00"
                                                "10CNTGLI80A41H501X"),
              QStringLiteral("CONTI/GIULIA/CNTGLI80A41H501X"));
    EXPECT_TRUE(nimbo::PcscCardReader::holderText("0000FF05CONTI").isEmpty());
}

NIMBO_INSTANTIATE_ENGINES(Login);

TEST(LoginEmergency, ChecksInOrderAndTheSessionIdentifier)
{
    EXPECT_EQ(LoginRules::emergencyCheck("", "ABC", "1"), QStringLiteral("Inserire l'anno di riferimento del registro"));
    EXPECT_EQ(LoginRules::emergencyCheck("20x4", "", ""), QStringLiteral("Inserire un valore numerico"));
    EXPECT_EQ(LoginRules::emergencyCheck("2024", " ", ""), QStringLiteral("Inserire il codice identificativo del registro"));
    EXPECT_EQ(LoginRules::emergencyCheck("2024", "ABC", ""), QStringLiteral("Inserire il numero di sessione"));
    EXPECT_EQ(LoginRules::emergencyCheck("2024", "ABC", "uno"), QStringLiteral("Inserire un valore numerico"));

    nimbo::test::ScriptedDialogs boxes;
    PSWMask w;
    w.openEmergency();
    auto *reg = w.findChild<QLineEdit *>(QStringLiteral("IdR"));
    // A workstation code: letters and digits, in upper case, four at most.
    QTest::keyClicks(reg, QStringLiteral("p-s_t1X"));
    EXPECT_EQ(reg->text(), QStringLiteral("PST1"));
    reg->setText(QStringLiteral("ABC"));
    w.findChild<QLineEdit *>(QStringLiteral("AnnoR"))->setText(QStringLiteral("2024"));
    w.findChild<QLineEdit *>(QStringLiteral("IDS"))->setText(QStringLiteral("1"));
    w.findChild<QPushButton *>(QStringLiteral("cmdConfermaEme"))->click();
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    const auto &s = DicAmbiente::session();
    EXPECT_EQ(s.emergencySession, QStringLiteral("2024/T/ABC/001"));
    EXPECT_TRUE(s.emergency);
    EXPECT_EQ(QStringList({s.structureCode, s.op.code, s.op.surname, s.op.firstName, s.op.office}),
              QStringList({"999", "EMERG", "Operatore", " In Emergenza", "EME"}));
    DicAmbiente::resetSession();
}

class PasswordChange : public UiTest {};

TEST_P(PasswordChange, ChecksInOrderAndTheStoredHash)
{
    const auto login = [this](const QString &code) {
        PSWMask w;
        type(&w, "txtOperatore", code);
    };
    EXPECT_EQ(LoginRules::newPasswordCheck(QStringLiteral("   "), {}, {}), QStringLiteral("Nuova Password non corretta "));
    login(QStringLiteral("DEMO8"));
    const auto tryNew = [](NewPwd &w, const QString &fresh, const QString &confirm) {
        w.findChild<QLineEdit *>(QStringLiteral("txtNewPwd"))->setText(fresh);
        w.findChild<QLineEdit *>(QStringLiteral("txtConfPwd"))->setText(confirm);
        return w.confirm();
    };
    {
        NewPwd w(QStringLiteral("O"));
        EXPECT_FALSE(w.findChild<QPushButton *>(QStringLiteral("cbuEsci"))->isEnabled());
        EXPECT_FALSE(tryNew(w, QStringLiteral("abcdefg"), QStringLiteral("abcdefg")));
        EXPECT_FALSE(tryNew(w, QStringLiteral("        abc"), QStringLiteral("        abc")));
        EXPECT_FALSE(tryNew(w, QStringLiteral("demo8pwd"), QStringLiteral("demo8pwd")));
        EXPECT_FALSE(tryNew(w, QStringLiteral("nuovapass"), QStringLiteral("nuovapas")));
        EXPECT_FALSE(tryNew(w, QStringLiteral("nuovapass"), QStringLiteral("nuovapass")));
        EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("la Password deve essere composta da almeno 8 caratteri "),
                                              QStringLiteral("la Password deve essere composta da almeno 8 caratteri "),
                                              QStringLiteral("La nuova Password non può essere uguale a quella attualmente in uso."),
                                              QStringLiteral("Password di conferma errata "),
                                              QStringLiteral("Numero di tentativi nuova Password esaurito ")}));
    }
    boxes.clear();
    NewPwd w;
    // Judged after the left trim: eight blanks and then eight characters.
    EXPECT_TRUE(tryNew(w, QStringLiteral("        comune01"), QStringLiteral("comune01")));
    EXPECT_TRUE(boxes.shown.isEmpty());
    login(QStringLiteral("DEMO9"));
    NewPwd other;
    EXPECT_TRUE(tryNew(other, QStringLiteral("comune01"), QStringLiteral("comune01")));

    const QString eight = scalar(QStringLiteral("SELECT Op_Password FROM Tab_Operatori WHERE Op_Codice_Operatore = 'DEMO8'"));
    const QString nine = scalar(QStringLiteral("SELECT Op_Password FROM Tab_Operatori WHERE Op_Codice_Operatore = 'DEMO9'"));
    EXPECT_NE(eight, nine);
    for (const QString &stored : {eight, nine}) {
        EXPECT_TRUE(Password::looksHashed(stored));
        EXPECT_EQ(stored, stored.toUpper());
        EXPECT_FALSE(stored.contains(QStringLiteral("COMUNE01"), Qt::CaseInsensitive));
        EXPECT_TRUE(Password::verify(QStringLiteral("comune01"), stored));
    }
    EXPECT_EQ(DicAmbiente::session().op.password, nine);
    EXPECT_TRUE(scalar(QStringLiteral("SELECT Op_Data FROM Tab_Operatori WHERE Op_Codice_Operatore = 'DEMO8'"))
                    .startsWith(QDate::currentDate().toString(Qt::ISODate)));
}

NIMBO_INSTANTIATE_ENGINES(PasswordChange);
