// The emergency rules that need no window: numbering within the register's
// year, the texts that carry an emergency number into the general register,
// and the checks of sessions and registrations with their messages in order.

#include <gtest/gtest.h>

#include "emergency/EmergencyRules.h"
#include "servers/EmergencyRequests.h"

using namespace nimbo::emergency;

TEST(EmergencyNumbering, RunsWithinTheRegistersYearWhateverTheProtocolDate)
{
    EXPECT_EQ(nextNumber(QStringLiteral("2007"), QVariant()), QStringLiteral("20070000001"));
    EXPECT_EQ(nextNumber(QStringLiteral("2007"), QStringLiteral("")), QStringLiteral("20070000001"));
    EXPECT_EQ(nextNumber(QStringLiteral("2007"), QStringLiteral("20070000014")), QStringLiteral("20070000015"));
    // A highest number of another year is never continued: the register's
    // year starts its own sequence.
    EXPECT_EQ(nextNumber(QStringLiteral("2007"), QStringLiteral("20060000099")), QStringLiteral("20070000001"));
    EXPECT_EQ(maxNumberQuery(QStringLiteral("2007TABCD001")),
              QStringLiteral("SELECT MAX(Tab_NumeroProtocollo) AS MaxDiTab_NumeroProtocollo FROM Tab_ProtocolloEmergenza "
                             "WHERE Tab_NumeroProtocollo LIKE '2007%'"));
}

TEST(EmergencyNumbering, KeysAndTextsOfTheGeneralRegister)
{
    EXPECT_EQ(sessionKey(QStringLiteral("2007"), QStringLiteral("ABCD"), 1), QStringLiteral("2007TABCD001"));
    EXPECT_EQ(plainSessionKey(QStringLiteral("2007/T/ABCD/001")), QStringLiteral("2007TABCD001"));
    const QString temp = temporaryNumber(QStringLiteral("20070000015"), QDate(2007, 3, 14));
    EXPECT_EQ(temp, QStringLiteral("0000015|14/03/2007"));
    EXPECT_EQ(temp.size(), 18);
    EXPECT_EQ(stampText(QStringLiteral("2007TABCD001"), QStringLiteral("20070000015"), QDate(2007, 3, 14)),
              QStringLiteral("PROT. Emergenza N. 2007TABCD001/20070000015 DEL 14/03/2007"));
}

TEST(EmergencySessionChecks, GathersEveryFailureAndTakesEmptyAlignedAsNo)
{
    SessionForm f;
    f.opened = QStringLiteral("31/02/2007");
    f.openedAt = QStringLiteral("25:00");
    f.closed = QStringLiteral("xx");
    f.aligned = QStringLiteral("FORSE");
    EXPECT_EQ(sessionFailures(&f),
              (QStringList{QStringLiteral("Data Apertura Obbligatoria !"), QStringLiteral("Ora Apertura Obbligatoria !"),
                           QStringLiteral("Motivo Apertura non inserito o non presente in archivio!"),
                           QStringLiteral("Data di chiusura non corretta!"),
                           QStringLiteral("Specificare 'SI' o 'NO' nel campo ALLINEATO !")}));

    SessionForm ok{QStringLiteral("14/03/2007"), QStringLiteral("09:00"), QStringLiteral("01"), QStringLiteral("GUASTO"),
                   QString(), QString(), QString()};
    EXPECT_TRUE(sessionFailures(&ok).isEmpty());
    EXPECT_EQ(ok.aligned, QStringLiteral("NO"));
    // Closed the same day at an earlier hour: only the days count.
    ok.closed = QStringLiteral("14/03/2007");
    ok.closedAt = QStringLiteral("08:00");
    EXPECT_TRUE(sessionFailures(&ok).isEmpty());
    ok.closed = QStringLiteral("13/03/2007");
    EXPECT_EQ(sessionFailures(&ok),
              QStringList{QStringLiteral("la data di chiusura non può essere minore della data di apertura!")});
    ok.closed = QStringLiteral("15/03/2007");
    ok.closedAt.clear();
    EXPECT_EQ(sessionFailures(&ok), QStringList{QStringLiteral("Ora Chiusura omessa o errata !")});
}

TEST(EmergencyRegistrationChecks, ListsEveryFailureInOrder)
{
    EmergencyForm empty;
    EXPECT_EQ(registrationFailures(empty),
              (QStringList{QStringLiteral("La DATA RICEZIONE del documento deve essere valida e significativa"),
                           QStringLiteral("La DATA di protocollazione deve essere valida e significativa"),
                           QStringLiteral("IL Mittente/Destinatario deve essere valido e significativo"),
                           QStringLiteral("IL Tipo Documento deve essere valido e significativo"),
                           QStringLiteral("L' Oggetto deve essere valido e significativo"),
                           QStringLiteral("Specificare i destinatari del documento")}));

    EmergencyForm f;
    f.dataProtocollo = QStringLiteral("14/03/2007");
    f.dataRicezione = QStringLiteral("14/03/2007"); // the same day is fine
    f.intestatario = QStringLiteral("Comune di Roma");
    f.tipologia = QStringLiteral("LET");
    f.oggetto = QStringLiteral("Richiesta");
    f.destinatari = QStringLiteral("Ufficio protocollo");
    EXPECT_TRUE(registrationFailures(f).isEmpty());
    f.dataRicezione = QStringLiteral("15/03/2007");
    f.oraRicezione = QStringLiteral("9.30");
    EXPECT_EQ(registrationFailures(f),
              (QStringList{QStringLiteral("L'ORA di Ricezione del documento deve essere valida e significativa"),
                           QStringLiteral("La DATA RICEZIONE deve essere valida e significativa")}));
    f.dataRicezione = QStringLiteral("14/03/2007");
    f.oraRicezione = QStringLiteral("09:30");
    // A sender's reference with only a date lacks its number; a date after
    // the receipt is refused too.
    f.refDate = QStringLiteral("15/03/2007");
    EXPECT_EQ(registrationFailures(f),
              (QStringList{QStringLiteral("Specificare il Numero di Protocollo interno del Documento in arrivo"),
                           QStringLiteral("La DATA di Protocollo interno del Documento in arrivo non può essere maggiore "
                                          "della data di ricezione del documento stesso")}));
    f.refNumber = QStringLiteral("12/A");
    f.refDate = QStringLiteral("10/03/2007");
    EXPECT_TRUE(registrationFailures(f).isEmpty());
}
