// The rules of the assignment and transmission windows without a window:
// the checks of "Aggiungi" and "Assegna" in their order, the removal of rows
// already taken in charge, the member rule of some bodies and the
// competence flag of a transmission.

#include <gtest/gtest.h>

#include "iter/SendLists.h"
#include "iter/SendRules.h"

using namespace nimbo::iter;

namespace {

Sender upr(const char *bodyCode = "101")
{
    return {QStringLiteral("001"), QStringLiteral("PRO"), QStringLiteral("UPR"), QStringLiteral("DEMO9"),
            QString::fromLatin1(bodyCode), QStringLiteral("PRO")};
}

Choice chosen(const char *dep, const char *off, int member, int type)
{
    Choice c;
    c.department = QString::fromLatin1(dep);
    c.departmentName = c.department + QStringLiteral(" NAME");
    c.office = QString::fromLatin1(off);
    c.officeName = c.office + QStringLiteral(" NAME");
    c.member = member;
    c.memberName = member ? QStringLiteral("ROSSI MARIO") : QString();
    c.type = type;
    return c;
}

std::string message(const std::optional<QString> &m) { return m ? m->toStdString() : std::string("(none)"); }

TEST(SendRules, AddChecksRunInOrderWithTheirMessages)
{
    const QVector<Recipient> none;
    // Everything missing: the department comes first, then the office, then the type.
    EXPECT_EQ(message(checkAdd(chosen("", "", 0, 0), none, upr(), SendKind::Assignment)),
              "Scegliere il dipartimento a cui inviare il documento");
    EXPECT_EQ(message(checkAdd(chosen("AMM", "", 0, 0), none, upr(), SendKind::Assignment)),
              "Scegliere l'ufficio a cui inviare il documento");
    EXPECT_EQ(message(checkAdd(chosen("AMM", "RAG", 0, 0), none, upr(), SendKind::Assignment)),
              "Indicare se il documento viene assegnato per competenza o per copia conoscenza");
    EXPECT_EQ(message(checkAdd(chosen("AMM", "RAG", 0, 0), none, upr(), SendKind::Transmission)),
              "indicare il tipo di trasmissione per l'ufficio in esame");
    EXPECT_FALSE(checkAdd(chosen("AMM", "RAG", 0, 2), none, upr(), SendKind::Assignment));

    // The same office and member twice is refused; another member of it is not.
    const QVector<Recipient> one{recipientFrom(chosen("AMM", "RAG", 0, 1))};
    EXPECT_EQ(message(checkAdd(chosen("AMM", "RAG", 0, 2), one, upr(), SendKind::Assignment)),
              "il destinatario prescelto è già presente nella lista");
    EXPECT_FALSE(checkAdd(chosen("AMM", "RAG", 1, 1), one, upr(), SendKind::Assignment));
    EXPECT_EQ(one.first().modifiable, QStringLiteral("S"));
}

TEST(SendRules, OwnOfficeNeedsAMemberOnlyWhereTheBodyAsksForIt)
{
    const QVector<Recipient> none;
    const Choice ownOffice = chosen("PRO", "UPR", 0, 1);
    // AS8: both windows; ARB: transmission only; any other body: neither.
    EXPECT_EQ(message(checkAdd(ownOffice, none, upr("AS8"), SendKind::Assignment)),
              "Scegliere il componente a cui inviare il documento");
    EXPECT_EQ(message(checkAdd(ownOffice, none, upr("AS8"), SendKind::Transmission)),
              "Scegliere il componente a cui inviare il documento");
    EXPECT_FALSE(checkAdd(ownOffice, none, upr("ARB"), SendKind::Assignment));
    EXPECT_EQ(message(checkAdd(ownOffice, none, upr("ARB"), SendKind::Transmission)),
              "Scegliere il componente a cui inviare il documento");
    EXPECT_FALSE(checkAdd(ownOffice, none, upr("101"), SendKind::Transmission));
    // A member of his own office, or another office, passes.
    EXPECT_FALSE(checkAdd(chosen("PRO", "UPR", 2, 1), none, upr("ARB"), SendKind::Transmission));
    EXPECT_FALSE(checkAdd(chosen("PRO", "ARC", 0, 1), none, upr("AS8"), SendKind::Transmission));
    // The member rule comes before the type check.
    EXPECT_EQ(message(checkAdd(chosen("PRO", "UPR", 0, 0), none, upr("AS8"), SendKind::Assignment)),
              "Scegliere il componente a cui inviare il documento");
}

TEST(SendRules, RemovingKeepsRowsTakenInChargeAndCountsThem)
{
    QVector<Recipient> rows;
    for (const char *off : {"RAG", "PER", "IGI", "VET"})
        rows << recipientFrom(chosen("AMM", off, 0, 1));
    rows[1].modifiable = QStringLiteral("N");
    rows[2].modifiable = QStringLiteral("N");
    // Ticked: PER (fixed), IGI (fixed), VET; RAG stays unticked.
    const int kept = removeTicked(rows, {false, true, true, true});
    EXPECT_EQ(kept, 2);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].office, QStringLiteral("RAG"));
    EXPECT_EQ(rows[1].office, QStringLiteral("PER"));
    EXPECT_EQ(rows[2].office, QStringLiteral("IGI"));
    EXPECT_EQ(keptText(kept), QStringLiteral("non sono stati eliminati 2 uffici assegnatari perché il messaggio "
                                             "è stato già preso in carico da essi."));
    EXPECT_EQ(removeTicked(rows, {true, false, false}), 0);
    EXPECT_EQ(rows.size(), 2);
}

TEST(SendRules, DeadlineIsADateNotBeforeTheProtocolDate)
{
    const QVector<Recipient> one{recipientFrom(chosen("AMM", "RAG", 0, 1))};
    EXPECT_EQ(message(checkAssign({}, QString(), QStringLiteral("07/12/2026"))),
              "inserire almeno un ufficio nella lista di assegnazione");
    EXPECT_FALSE(checkAssign(one, QString(), QStringLiteral("07/12/2026")));
    EXPECT_FALSE(checkAssign(one, QStringLiteral("07/12/2026"), QStringLiteral("07/12/2026")));
    EXPECT_FALSE(checkAssign(one, QStringLiteral("01/01/2027"), QStringLiteral("07/12/2026")));
    EXPECT_EQ(message(checkAssign(one, QStringLiteral("06/12/2026"), QStringLiteral("07/12/2026"))),
              "La data di completamento del procedimento non può essere minore della data di protocollazioen del "
              "documento.");
    // Compared as dates, not as the typed day-first text.
    EXPECT_EQ(message(checkAssign(one, QStringLiteral("31/01/2026"), QStringLiteral("01/02/2026"))),
              "La data di completamento del procedimento non può essere minore della data di protocollazioen del "
              "documento.");
    EXPECT_EQ(message(checkAssign(one, QStringLiteral("31/02/2026"), QStringLiteral("01/02/2026"))),
              "Inserire una data corretta");
}

TEST(SendRules, TransmissionTellsWhetherAnyRecipientHasCompetence)
{
    QVector<Recipient> rows{recipientFrom(chosen("AMM", "RAG", 0, 2)), recipientFrom(chosen("AMM", "PER", 0, 2))};
    EXPECT_EQ(anyCompetence(rows), QStringLiteral("NO"));
    switchType(rows[1]);
    EXPECT_EQ(rows[1].type, 1);
    EXPECT_EQ(anyCompetence(rows), QStringLiteral("SI"));
    EXPECT_EQ(message(checkTransmit({})), "inserire almeno un ufficio nella lista di trasmissione");
    EXPECT_EQ(switchQuestion(QStringLiteral("RAGIONERIA"), SendKind::Assignment),
              QStringLiteral("Vuoi modificare il tipo di assegnazione per l'ufficio ' RAGIONERIA'"));
}

TEST(SendLists, CriteriaChecksAndShownTexts)
{
    ListCriteria c;
    c.from = QStringLiteral("31/13/2026");
    EXPECT_EQ(message(checkCriteria(c)), "Inserire una data corretta");
    c.from = QStringLiteral("08/12/2026");
    c.to = QStringLiteral("07/12/2026");
    EXPECT_EQ(message(checkCriteria(c)), "la data finale non può essere minore della data iniziale");
    c.to = c.from;
    c.year = QStringLiteral("2026");
    EXPECT_EQ(message(checkCriteria(c)), "inserire entrambi i dati relativi all'anno ed al numero di protocollo");
    c.number = QStringLiteral("12a");
    EXPECT_EQ(message(checkCriteria(c)),
              "specificare valori numerici per i campi relativi all'anno ed al numero di protocollo");
    c.number = QStringLiteral("12");
    EXPECT_FALSE(checkCriteria(c));

    EXPECT_EQ(shownMovement(QStringLiteral("20261207093015")), QStringLiteral("07/12/2026  09:30"));
    EXPECT_EQ(shownRecipient(QStringLiteral("DIP"), QStringLiteral("UFF"), 0, QString()), QStringLiteral("DIP - UFF"));
    EXPECT_EQ(shownRecipient(QStringLiteral("DIP"), QStringLiteral("UFF"), 3, QStringLiteral("CONTI GIULIA")),
              QStringLiteral("DIP - UFF - sig. CONTI GIULIA"));
}

} // namespace
