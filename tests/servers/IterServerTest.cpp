// The iter operations of the protocol server on both engines: assignment and
// its re-send, taking in charge, transmission and taking back, the movement
// key given by the server, refusals that write nothing, and eight worker
// processes taking in charge the same deliveries at once.

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <gtest/gtest.h>

#include "servers/IterRequests.h"
#include "servers/ProtocolServer.h"
#include "session/DicAmbiente.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"
#include "support/TestDb.h"

namespace {

using namespace nimbo;

const QString kEnte = QStringLiteral("ASL1");
const QString kE = QStringLiteral("E");

iter::AssignmentRecipient to(const char *office, qlonglong member = 0, int type = kPerCompetenza)
{
    return {QString::fromLatin1(office), member, true, type, QString()};
}

class IterServerTest : public nimbo::test::RegisterTest {
protected:
    void SetUp() override
    {
        RegisterTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        QSqlQuery q(db().central());
        for (const char *sql :
             {"INSERT INTO Tab_Dipartimenti (Dipa_CodiceEnte, Dipa_CodDipartimento, Dipa_Denominazione) VALUES "
              "('ASL1', 'D02', 'Sanita')",
              "INSERT INTO Tab_Uffici (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Descrizione) VALUES "
              "('ASL1', 'D01', 'U02', 'Ragioneria'), ('ASL1', 'D01', 'U03', 'Personale'), "
              "('ASL1', 'D02', 'U04', 'Igiene'), ('ASL1', 'D02', 'U05', 'Farmacia')",
              "INSERT INTO Tab_UfficiComponenti (Tab_Ente, Tab_Dipartimento, Tab_Ufficio, Tab_Progressivo, "
              "Tab_Componente, Tab_IdUser) VALUES ('ASL1', 'D01', 'U02', 1, 'Verdi', 'OP02'), "
              "('ASL1', 'D01', 'U02', 2, 'Neri', 'OP01')",
              // OP01 of the protocol office and OP02 of U02 (and U03), both
              // level 9; a level 8 of the other department, a level 7 of
              // U03 and a level 6 of U02.
              "UPDATE Tab_Operatori SET Op_Dipartimento = 'D01', Op_CodiceUfficio = 'U01' WHERE "
              "Op_Codice_Operatore = 'OP01'",
              "UPDATE Tab_Operatori SET Op_Dipartimento = 'D01', Op_CodiceUfficio = 'U02' WHERE "
              "Op_Codice_Operatore = 'OP02'",
              "INSERT INTO Tab_Operatori_DIP (Op_Codice, Op_Ente, Op_DIP, Op_Uff) VALUES ('OP02', 'ASL1', 'D01', 'U03')",
              "INSERT INTO Tab_Operatori (Op_Codice_Operatore, Op_Cognome, Op_Ente, Op_Livello, Op_Attivo, "
              "Op_Dipartimento, Op_CodiceUfficio) VALUES ('OP08', 'Gialli', 'ASL1', '8', 'S', 'D02', 'U04'), "
              "('OP07', 'Viola', 'ASL1', '7', 'S', 'D01', 'U03'), ('OP06', 'Rosa', 'ASL1', '6', 'S', 'D01', 'U02')"})
            ASSERT_TRUE(q.exec(QString::fromLatin1(sql))) << q.lastError().text().toStdString();
        server = std::make_unique<ProtocolServer>(db().centralTarget());
        server->setClock([this] { return now; });
        number = registerProtocol();
        ASSERT_EQ(number, QStringLiteral("20240000001"));
    }
    void TearDown() override
    {
        server.reset();
        EngineTest::TearDown();
    }

    QString registerProtocol()
    {
        QVariantList r = registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, kE, QString()),
                                             test::newProtocolColumns(kEnte, kE, QStringLiteral("Pratica")),
                                             QStringLiteral("OP01"));
        return server->Elabora(kOpRegistraProtocollo, r).value(2).toString();
    }
    QVariantList call(short op, QVariantList request) { return server->Elabora(op, request); }

    // An assignment by OP01 of the protocol office U01.
    iter::AssignmentRequest assignment(QVector<iter::AssignmentRecipient> recipients, const QString &movement = {},
                                       const QString &deadline = {})
    {
        iter::AssignmentRequest a;
        a.ente = kEnte;
        a.direction = kE;
        a.number = number;
        a.operatorCode = QStringLiteral("OP01");
        a.office = QStringLiteral("U01");
        a.department = QStringLiteral("D01");
        a.movement = movement;
        a.notes = QStringLiteral("  da trattare  ");
        a.recipients = std::move(recipients);
        a.deadline = deadline;
        a.protocolOffice = true;
        return a;
    }
    QVariantList assign(const iter::AssignmentRequest &a) { return call(kOpAssegnazione, iter::assignmentRequest(a)); }

    // Taking in charge by OP02 for an office of D01.
    QVariantList take(const QVector<qlonglong> &deliveries, const QString &office = QStringLiteral("U02"),
                      const QString &proto = {})
    {
        iter::InChargeRequest r;
        r.ente = kEnte;
        r.department = QStringLiteral("D01");
        r.office = office;
        r.operatorCode = QStringLiteral("OP02");
        r.notes = QStringLiteral("ricevuto");
        for (qlonglong d : deliveries)
            r.items.append({kE, proto.isEmpty() ? number : proto, d});
        return call(kOpPresaInCarico, iter::takeInChargeRequest(r));
    }
    // Taking in charge by another operator, asking as the given office.
    QVariantList takeAs(const char *op, const char *department, const char *office, qlonglong delivery)
    {
        iter::InChargeRequest r;
        r.ente = kEnte;
        r.department = QString::fromLatin1(department);
        r.office = QString::fromLatin1(office);
        r.operatorCode = QString::fromLatin1(op);
        r.notes = QStringLiteral("ricevuto");
        r.items.append({kE, number, delivery});
        return call(kOpPresaInCarico, iter::takeInChargeRequest(r));
    }
    QVariantList takeBack(const QString &office, const QString &movement, qlonglong delivery,
                          const QString &op = QStringLiteral("OP02"), const QString &department = QStringLiteral("D01"))
    {
        iter::TakeBackRequest r;
        r.ente = kEnte;
        r.department = department;
        r.office = office;
        r.operatorCode = op;
        r.items.append({kE, number, movement, delivery});
        return call(kOpRipresaInCarico, iter::takeBackRequest(r));
    }
    QVariantList transmit(const QString &office, QVector<iter::TransmissionRecipient> recipients)
    {
        iter::TransmissionRequest t;
        t.ente = kEnte;
        t.direction = kE;
        t.number = number;
        t.operatorCode = QStringLiteral("OP02");
        t.office = office;
        t.department = QStringLiteral("D01");
        t.notes = QStringLiteral("per seguito");
        t.recipients = std::move(recipients);
        return call(kOpTrasmissione, iter::transmissionRequest(t));
    }

    QStringList list(const QString &sql)
    {
        QStringList out;
        QSqlQuery q(db().central());
        if (!q.exec(sql))
            return {QStringLiteral("<failed: ") + q.lastError().text() + QLatin1Char('>')};
        while (q.next()) {
            QStringList cells;
            for (int i = 0; i < q.record().count(); ++i)
                cells << q.value(i).toString();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    // "key|type|office|in charge|operator|notes" in key order.
    QStringList movements()
    {
        return list(QStringLiteral("SELECT Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_InCarico, "
                                   "Tab_CodiceOpe, Tab_Annotazioni FROM Tab_Iter_Documento ORDER BY Tab_DataSerialeMov"));
    }
    // "office|member|type" of a movement.
    QStringList recipients(const QString &movement)
    {
        return list(QStringLiteral("SELECT Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione FROM "
                                   "Tab_Iter_Destinatari WHERE Tab_DataSerialeMov = '%1' ORDER BY 1, 2")
                        .arg(movement));
    }
    // "movement|office|member" of the pending deliveries.
    QStringList pending()
    {
        return list(QStringLiteral("SELECT Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente FROM "
                                   "Tab_Iter_Trasmissioni ORDER BY 1, 2, 3"));
    }
    qlonglong delivery(const QString &office, qlonglong member = 0)
    {
        const QStringList d = list(QStringLiteral("SELECT Tab_progressivo FROM Tab_Iter_Trasmissioni WHERE "
                                                  "Tab_UfficioDestinatario = '%1' AND Tab_Componente = %2")
                                       .arg(office)
                                       .arg(member));
        return d.size() == 1 ? d[0].toLongLong() : -1;
    }

    QDateTime now{QDate(2024, 12, 31), QTime(10, 0, 0)};
    std::unique_ptr<ProtocolServer> server;
    QString number;
};

#define EXPECT_OK(reply) EXPECT_EQ((reply).value(0).toString(), QStringLiteral("0")) << (reply).value(1).toString().toStdString()
#define EXPECT_REFUSED(reply, text)                                                                  \
    do {                                                                                             \
        const QVariantList r_ = (reply);                                                             \
        EXPECT_EQ(r_.value(0).toString(), kStatusRefused) << r_.value(1).toString().toStdString();   \
        EXPECT_TRUE(r_.value(1).toString().contains(QStringLiteral(text)))                           \
            << r_.value(1).toString().toStdString();                                                 \
    } while (false)

TEST_P(IterServerTest, AssignmentWritesTheMovementItsRecipientsAndOneDeliveryEach)
{
    const QVariantList reply = assign(assignment({to("U02"), to("U02", 1, kPerConoscenza), to("U04")}, {},
                                                 QStringLiteral("15/01/2025")));
    EXPECT_OK(reply);
    const QString key = reply.value(2).toString();
    EXPECT_EQ(key, QStringLiteral("20241231100000"));
    EXPECT_EQ(movements(), QStringList{key + QStringLiteral("|4|U01|N|OP01|da trattare")});
    EXPECT_EQ(list(QStringLiteral("SELECT Tab_DataEvasione, Tab_CodOper FROM Tab_Iter_Documento")).value(0).left(10),
              QStringLiteral("2025-01-15"));
    EXPECT_EQ(recipients(key), (QStringList{QStringLiteral("U02|0|1"), QStringLiteral("U02|1|2"),
                                           QStringLiteral("U04|0|1")}));
    EXPECT_EQ(pending(), (QStringList{key + QStringLiteral("|U02|0"), key + QStringLiteral("|U02|1"),
                                      key + QStringLiteral("|U04|0")}));
    EXPECT_EQ(list(QStringLiteral("SELECT DISTINCT Tab_DataEffettivaAssegnazione FROM Tab_Iter_Destinatari"))
                  .value(0)
                  .left(19)
                  .replace(QLatin1Char('T'), QLatin1Char(' ')),
              QStringLiteral("2024-12-31 10:00:00"));

    // A second assignment in the same second lands under the next second.
    const QVariantList second = assign(assignment({to("U05")}));
    EXPECT_OK(second);
    EXPECT_EQ(second.value(2).toString(), QStringLiteral("20241231100001"));
}

TEST_P(IterServerTest, ResendKeepsTheKeyTheRowsTakenInChargeAndTheOwnOffice)
{
    const QString key =
        assign(assignment({to("U01"), to("U02"), to("U03"), to("U04")})).value(2).toString();
    ASSERT_FALSE(key.isEmpty());
    EXPECT_OK(take({delivery(QStringLiteral("U02"))}));

    // The window loaded it without U01 (the operator's own office), and the
    // operator dropped U02 (taken: kept) and U04 (pending: removed), turned
    // U03 into a copy and added U05.
    now = now.addSecs(3600);
    iter::AssignmentRequest again = assignment({to("U03", 0, kPerConoscenza), to("U05")}, key,
                                               QStringLiteral("31/12/2024"));
    again.notes = QStringLiteral("rivista");
    const QVariantList reply = assign(again);
    EXPECT_OK(reply);
    EXPECT_EQ(reply.value(2).toString(), key);
    EXPECT_EQ(recipients(key), (QStringList{QStringLiteral("U01|0|1"), QStringLiteral("U02|0|1"),
                                           QStringLiteral("U03|0|2"), QStringLiteral("U05|0|1")}));
    EXPECT_EQ(pending(), (QStringList{key + QStringLiteral("|U01|0"), key + QStringLiteral("|U03|0"),
                                      key + QStringLiteral("|U05|0")}));
    EXPECT_EQ(list(QStringLiteral("SELECT Tab_Annotazioni FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 4")),
              QStringList{QStringLiteral("rivista")});

    // Only an existing assignment of this protocol can be re-sent.
    const QString taken = movements().value(1).section(QLatin1Char('|'), 0, 0);
    EXPECT_REFUSED(assign(assignment({to("U05")}, taken)), "non esiste");
    EXPECT_REFUSED(assign(assignment({to("U05")}, QStringLiteral("20200101000000"))), "non esiste");
    EXPECT_EQ(movements().size(), 2);
}

TEST_P(IterServerTest, DeadlineMayBeTheProtocolDateButNotEarlier)
{
    EXPECT_REFUSED(assign(assignment({to("U02")}, {}, QStringLiteral("30/12/2024"))),
                   "non può essere minore della data di protocollazioen");
    EXPECT_REFUSED(assign(assignment({to("U02")}, {}, QStringLiteral("31/02/2025"))), "Inserire una data corretta");
    EXPECT_TRUE(movements().isEmpty());
    EXPECT_TRUE(pending().isEmpty());
    EXPECT_OK(assign(assignment({to("U02")}, {}, QStringLiteral("31/12/2024"))));
    EXPECT_OK(assign(assignment({to("U03")}, {}, QString())));
    EXPECT_EQ(list(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_DataEvasione IS NULL")),
              QStringList{QStringLiteral("1")});
}

TEST_P(IterServerTest, TakingInChargeWritesTypeThreeAndReleasesTheEarlierOne)
{
    const QString first = assign(assignment({to("U02")})).value(2).toString();
    now = now.addSecs(60);
    const QString second = assign(assignment({to("U02", 1)})).value(2).toString();
    const qlonglong office = delivery(QStringLiteral("U02")), member = delivery(QStringLiteral("U02"), 1);
    ASSERT_GT(office, 0);
    ASSERT_GT(member, 0);

    now = now.addSecs(60);
    const QVariantList one = take({office});
    EXPECT_OK(one);
    EXPECT_EQ(iter::movementKeys(one), QStringList{QStringLiteral("20241231100200")});
    // Both in the same second: the second movement goes to the next second,
    // and only the last one holds the document.
    const QVariantList two = take({member});
    EXPECT_OK(two);
    EXPECT_EQ(iter::movementKeys(two), QStringList{QStringLiteral("20241231100201")});
    EXPECT_EQ(movements(), (QStringList{first + QStringLiteral("|4|U01|N|OP01|da trattare"),
                                       second + QStringLiteral("|4|U01|N|OP01|da trattare"),
                                       QStringLiteral("20241231100200|3|U02|N|OP02|ricevuto"),
                                       QStringLiteral("20241231100201|3|U02|S|OP02|ricevuto")}));
    EXPECT_TRUE(pending().isEmpty());

    // The second operator pressing on a delivery already taken writes nothing.
    EXPECT_REFUSED(take({office}), "Il documento di protocollo N. 2024/0000001 è già stato preso in carico.");
    EXPECT_EQ(movements().size(), 4);

    // One gone delivery in a request takes back the rows done before it
    // (protocols are taken in the order of their numbers).
    const QString other = registerProtocol();
    iter::AssignmentRequest toOther = assignment({to("U03")});
    toOther.number = other;
    ASSERT_EQ(assign(toOther).value(0).toString(), QStringLiteral("0"));
    const qlonglong gone = delivery(QStringLiteral("U03"));
    EXPECT_OK(take({gone}, QStringLiteral("U03"), other));
    ASSERT_EQ(assign(assignment({to("U03")})).value(0).toString(), QStringLiteral("0"));
    const qlonglong fresh = delivery(QStringLiteral("U03"));
    iter::InChargeRequest r;
    r.ente = kEnte;
    r.department = QStringLiteral("D01");
    r.office = QStringLiteral("U03");
    r.operatorCode = QStringLiteral("OP02");
    r.items = {{kE, number, fresh}, {kE, other, gone}};
    EXPECT_REFUSED(call(kOpPresaInCarico, iter::takeInChargeRequest(r)), "2024/0000002 è già stato preso in carico");
    EXPECT_EQ(delivery(QStringLiteral("U03")), fresh);
    EXPECT_EQ(movements().size(), 7);

    // The same protocol ticked twice (the office's and a member's delivery).
    iter::AssignmentRequest both = assignment({to("U02"), to("U02", 1)});
    both.number = other;
    ASSERT_EQ(assign(both).value(0).toString(), QStringLiteral("0"));
    r.items = {{kE, other, delivery(QStringLiteral("U02"))}, {kE, other, delivery(QStringLiteral("U02"), 1)}};
    EXPECT_REFUSED(call(kOpPresaInCarico, iter::takeInChargeRequest(r)),
                   "Il documento di protocollo N. 2024/0000002 è gia stato selezionato");
    EXPECT_EQ(movements().size(), 8);
}

TEST_P(IterServerTest, ADeliveryNumberIsNeverGivenAgain)
{
    // The in-tray a second operator still shows holds the number of a
    // delivery taken meanwhile: that number must not come to address a
    // newer delivery, or his request would take the wrong one.
    assign(assignment({to("U02")}));
    const qlonglong stale = delivery(QStringLiteral("U02"));
    EXPECT_OK(take({stale}));
    assign(assignment({to("U02")}));
    const qlonglong fresh = delivery(QStringLiteral("U02"));
    EXPECT_GT(fresh, stale);
    EXPECT_REFUSED(take({stale}), "già stato preso in carico");
    EXPECT_EQ(delivery(QStringLiteral("U02")), fresh);
}

TEST_P(IterServerTest, TransmissionForCompetenceLeavesTheSendersChargeAndCopiesDoNot)
{
    assign(assignment({to("U02")}));
    ASSERT_EQ(take({delivery(QStringLiteral("U02"))}).value(0).toString(), QStringLiteral("0"));

    now = now.addSecs(10);
    const QVariantList copies = transmit(QStringLiteral("U02"), {{QStringLiteral("U03"), 0, kPerConoscenza}});
    EXPECT_OK(copies);
    EXPECT_EQ(list(QStringLiteral("SELECT Tab_InCarico FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 3")),
              QStringList{QStringLiteral("S")});
    const QVariantList competence = transmit(
        QStringLiteral("U02"), {{QStringLiteral("U04"), 0, kPerCompetenza}, {QStringLiteral("U05"), 0, kPerConoscenza}});
    EXPECT_OK(competence);
    const QString key = competence.value(2).toString();
    EXPECT_EQ(key, QStringLiteral("20241231100011"));
    EXPECT_EQ(list(QStringLiteral("SELECT Tab_InCarico FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 3")),
              QStringList{QStringLiteral("N")});
    EXPECT_EQ(recipients(key), (QStringList{QStringLiteral("U04|0|1"), QStringLiteral("U05|0|2")}));
    EXPECT_EQ(list(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 2 AND "
                                  "Tab_Ufficio = 'U02' AND Tab_InCarico = 'N'")),
              QStringList{QStringLiteral("2")});
    EXPECT_EQ(pending().size(), 3);

    // The key is the server's, and the flag must tell the truth.
    QVariantList forged = iter::transmissionRequest({kEnte, kE, number, QStringLiteral("OP02"), QStringLiteral("U02"),
                                                     QString(), QStringLiteral("D01"),
                                                     {{QStringLiteral("U03"), 0, kPerCompetenza}}});
    forged[5] = QStringLiteral("20241231100011");
    EXPECT_REFUSED(call(kOpTrasmissione, forged), "assegnata dal server");
    forged[5] = QString();
    forged[9] = QStringLiteral("NO");
    EXPECT_REFUSED(call(kOpTrasmissione, forged), "competenza");
    EXPECT_EQ(pending().size(), 3);
}

TEST_P(IterServerTest, TakingBackOneRecipientLeavesTheOthersAndNotOnceTaken)
{
    assign(assignment({to("U02")}));
    take({delivery(QStringLiteral("U02"))});
    now = now.addSecs(5);
    const QString sent = transmit(QStringLiteral("U02"), {{QStringLiteral("U03"), 0, kPerCompetenza},
                                                          {QStringLiteral("U01"), 0, kPerCompetenza}})
                             .value(2)
                             .toString();
    ASSERT_EQ(pending().size(), 2);
    const qlonglong u03 = delivery(QStringLiteral("U03")), u04 = delivery(QStringLiteral("U01"));

    now = now.addSecs(5);
    const QVariantList back = takeBack(QStringLiteral("U02"), sent, u03);
    EXPECT_OK(back);
    EXPECT_EQ(pending(), QStringList{sent + QStringLiteral("|U01|0")});
    EXPECT_EQ(list(QStringLiteral("SELECT Tab_Ufficio, Tab_InCarico FROM Tab_Iter_Documento WHERE Tab_DataSerialeMov = '")
                   + iter::movementKeys(back).value(0) + QLatin1Char('\'')),
              QStringList{QStringLiteral("U02|S")});
    // The recipient row stays in the movement's history.
    EXPECT_EQ(recipients(sent).size(), 2);

    // A delivery of another movement, or one the recipient already took.
    EXPECT_REFUSED(takeBack(QStringLiteral("U02"), QStringLiteral("20241231100000"), u04), "impossibile riprenderlo");
    ASSERT_EQ(take({u04}, QStringLiteral("U03")).value(0).toString(), QStringLiteral("0"));
    const int before = movements().size();
    EXPECT_REFUSED(takeBack(QStringLiteral("U02"), sent, u04),
                   "Il documento di protocollo N. 2024/0000001 è già stato preso in carico dal destinatario: "
                   "impossibile riprenderlo.");
    EXPECT_EQ(movements().size(), before);
}

TEST_P(IterServerTest, ADeliveryIsTakenOnlyByWhomItReachesAndItsOfficeHoldsIt)
{
    const QString key =
        assign(assignment({to("U01"), to("U02"), to("U02", 1), to("U03")})).value(2).toString();
    const qlonglong u01 = delivery(QStringLiteral("U01")), u02 = delivery(QStringLiteral("U02")),
                    member = delivery(QStringLiteral("U02"), 1), u03 = delivery(QStringLiteral("U03"));
    const QStringList before = movements() + pending();

    // Level 8 of another department, level 7 of another office, level 6 on
    // a whole office, anyone but the member's own operator, and an office
    // that is not the operator's: refused naming the delivery, nothing written.
    EXPECT_REFUSED(takeAs("OP08", "D02", "U04", u02),
                   "del documento di protocollo N. 2024/0000001 è destinata all'ufficio U02: l'operatore OP08 non può "
                   "prenderla in carico.");
    EXPECT_REFUSED(takeAs("OP07", "D01", "U03", u02), "è destinata all'ufficio U02");
    EXPECT_REFUSED(takeAs("OP06", "D01", "U02", u02), "è destinata all'ufficio U02");
    EXPECT_REFUSED(takeAs("OP07", "D01", "U03", member), "è destinata all'ufficio U02");
    EXPECT_REFUSED(takeAs("OP08", "D01", "U02", u02), "L'operatore OP08 non opera nell'ufficio U02");
    EXPECT_EQ(movements() + pending(), before);

    // Level 7 takes its own office's; level 9 takes another office of its
    // department, and that office holds the document, not his own.
    now = now.addSecs(10);
    EXPECT_OK(takeAs("OP07", "D01", "U03", u03));
    now = now.addSecs(1);
    EXPECT_OK(takeAs("OP02", "D01", "U02", u01));
    // The logged-in operator is the one who takes, whatever the request says.
    DicAmbiente::session().op.code = QStringLiteral("OP02");
    now = now.addSecs(1);
    const QVariantList signedBySession = takeAs("OP06", "D01", "U02", member);
    DicAmbiente::session().op.code.clear();
    EXPECT_OK(signedBySession);
    EXPECT_EQ(movements().mid(1), (QStringList{QStringLiteral("20241231100010|3|U03|S|OP07|ricevuto"),
                                              QStringLiteral("20241231100011|3|U01|S|OP02|ricevuto"),
                                              QStringLiteral("20241231100012|3|U02|S|OP02|ricevuto")}));

    // Only the office that sent a delivery takes it back, and holds it again.
    EXPECT_REFUSED(takeBack(QStringLiteral("U04"), key, u02, QStringLiteral("OP08"), QStringLiteral("D02")),
                   "è stata inviata dall'ufficio U01: l'operatore OP08 non può riprenderla in carico.");
    now = now.addSecs(1);
    const QVariantList back = takeBack(QStringLiteral("U01"), key, u02, QStringLiteral("OP01"));
    EXPECT_OK(back);
    EXPECT_EQ(movements().value(4), iter::movementKeys(back).value(0) + QStringLiteral("|3|U01|S|OP01|"));
    EXPECT_EQ(movements().value(2), QStringLiteral("20241231100011|3|U01|N|OP02|ricevuto"));
    EXPECT_TRUE(pending().isEmpty());
}

TEST_P(IterServerTest, MalformedRequestsAreRefusedAndWriteNothing)
{
    assign(assignment({to("U02")}));
    const qlonglong d = delivery(QStringLiteral("U02"));
    const QStringList before = movements() + pending();

    const QVariantList good = iter::assignmentRequest(assignment({to("U03")}));
    auto changed = [&](int i, const QVariant &v) {
        QVariantList r = good;
        r[i] = v;
        return r;
    };
    auto recipientsWith = [&](int col, const QVariant &v) {
        QVariantList row = good[8].toList()[0].toList();
        row[col] = v;
        return changed(8, QVariantList{QVariant(row)});
    };
    EXPECT_REFUSED(call(kOpAssegnazione, QVariantList(good.mid(0, 10))), "11 elementi");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(1, QStringLiteral("X"))), "Tipo protocollo");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(2, QStringLiteral("2024001"))), "Numero di protocollo non valido");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(2, QStringLiteral("20240000099"))), "non esiste in archivio");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(4, QStringLiteral("U04"))), "sconosciuto nel dipartimento");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(3, QStringLiteral("NESSUNO"))), "Operatore sconosciuto");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(5, QStringLiteral("2024"))), "Tab_DataSerialeMov");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(8, QVariantList())), "inserire almeno un ufficio");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(10, QStringLiteral("FORSE"))), "SI o NO");
    EXPECT_REFUSED(call(kOpAssegnazione, recipientsWith(0, QStringLiteral("X"))), "deve essere I");
    EXPECT_REFUSED(call(kOpAssegnazione, recipientsWith(1, QStringLiteral("U99"))), "Ufficio destinatario sconosciuto");
    EXPECT_REFUSED(call(kOpAssegnazione, recipientsWith(2, 7)), "Componente 7 sconosciuto");
    EXPECT_REFUSED(call(kOpAssegnazione, recipientsWith(2, QStringLiteral("uno"))), "Tab_Componente");
    EXPECT_REFUSED(call(kOpAssegnazione, recipientsWith(4, 3)), "Tipo di assegnazione");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(8, QVariantList{good[8].toList()[0], good[8].toList()[0]})),
                   "già presente nella lista");
    EXPECT_REFUSED(call(kOpAssegnazione, changed(6, QStringLiteral("a\x01" "b"))), "note");

    iter::InChargeRequest in;
    in.ente = kEnte;
    in.department = QStringLiteral("D01");
    in.office = QStringLiteral("U02");
    in.operatorCode = QStringLiteral("OP02");
    in.items = {{kE, number, d}};
    const QVariantList takeReq = iter::takeInChargeRequest(in);
    auto row = [&](int col, const QVariant &v) {
        QVariantList r = takeReq;
        QVariantList cells = r[3].toList()[0].toList();
        cells[col] = v;
        r[3] = QVariantList{QVariant(cells)};
        return r;
    };
    EXPECT_REFUSED(call(kOpPresaInCarico, row(6, QStringLiteral("abc"))), "Tab_progressivo");
    EXPECT_REFUSED(call(kOpPresaInCarico, row(0, QStringLiteral("ALTRO"))), "non corrisponde");
    EXPECT_REFUSED(call(kOpPresaInCarico, row(2, QStringLiteral("2024000000A"))), "Numero di protocollo non valido");
    EXPECT_REFUSED(call(kOpPresaInCarico, QVariantList(takeReq.mid(0, 3))), "4 elementi");
    EXPECT_REFUSED(call(kOpPresaInCarico, row(3, QStringLiteral("U09"))), "sconosciuto nel dipartimento");
    EXPECT_REFUSED(call(kOpRipresaInCarico, takeReq), "Tab_DataSerialeMov");
    EXPECT_EQ(movements() + pending(), before);
}

TEST_P(IterServerTest, EightWorkersTakeTheSameHundredDeliveriesOnce)
{
    // 25 protocols with 4 deliveries each: several operators on one
    // protocol in one second, as well as on one delivery.
    server->setClock({});
    QStringList items;
    for (int p = 0; p < 25; ++p) {
        const QString n = p == 0 ? number : registerProtocol();
        iter::AssignmentRequest a = assignment({to("U02"), to("U02", 1), to("U01"), to("U03")});
        a.number = n;
        const QVariantList reply = assign(a);
        ASSERT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        for (const QString &d : list(QStringLiteral("SELECT Tab_progressivo FROM Tab_Iter_Trasmissioni WHERE "
                                                    "Tab_NumeroProtocollo = '%1'")
                                         .arg(n)))
            items << QStringLiteral("E:") + n + QLatin1Char(':') + d;
    }
    ASSERT_EQ(items.size(), 100);
    server.reset(); // the workers are the only writers

    const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
    std::vector<std::unique_ptr<QProcess>> workers;
    for (int w = 0; w < 8; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(QStringLiteral(NIMBO_ITER_WORKER),
                 QStringList{pg ? QStringLiteral("pg") : QStringLiteral("sqlite"), db().centralTarget().location, kEnte,
                             QString::number(w)}
                     + items);
        workers.push_back(std::move(p));
    }
    int taken = 0, refused = 0;
    for (auto &p : workers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QString &line :
             QString::fromUtf8(p->readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            if (line.startsWith(QLatin1String("OK ")))
                ++taken;
            else if (line.startsWith(QLatin1String("991 ")))
                ++refused;
            else
                ADD_FAILURE() << line.toStdString();
        }
    }
    EXPECT_EQ(taken, 100);
    EXPECT_EQ(refused, 700);
    EXPECT_TRUE(pending().isEmpty());
    EXPECT_EQ(list(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 3")),
              QStringList{QStringLiteral("100")});
    // Each protocol: four movements, one charge for each of its three
    // offices (U02 reached twice).
    EXPECT_EQ(list(QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE Tab_TipoMovimento = 3 AND "
                                  "Tab_InCarico = 'S'")),
              QStringList{QStringLiteral("75")});
}

} // namespace

NIMBO_INSTANTIATE_ENGINES(IterServerTest);
