// What the main window's start-up notices find in the iter: documents
// waiting for the operator, and assignments due within five days that
// nobody has archived yet.

#include <QSqlError>
#include <QSqlQuery>

#include "data/Funzioni_Com_1.h"
#include "startup/MDIMenu.h"
#include "startup/Notices.h"
#include "startup/PSWMask.h"
#include "UiFixture.h"

using nimbo::test::UiTest;

namespace {

class StartNotices : public UiTest {
protected:
    QString number(int n) const { return QString::number(QDate::currentDate().year()) + QStringLiteral("%1").arg(n, 7, 10, QLatin1Char('0')); }
    static QString day(int fromToday) { return QDate::currentDate().addDays(fromToday).toString(Qt::ISODate); }
    void protocol(int n, const QString &state = QStringLiteral("A"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
                           "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario) VALUES "
                           "('001', 'E', '%1', '%2', 'Pratica %1', 'PRO', 'UPR', 'DEMO9', 'N', '%3', 2)")
                .arg(number(n), day(0), state));
    }
    // An iter movement of the protocol; serial orders the movements.
    void movement(int n, int serial, int type, const QString &by, const QString &dueIn = QString())
    {
        sql(QStringLiteral("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_DataEvasione) "
                           "VALUES ('001', 'E', '%1', '2026010110%2', %3, 'UPR', '%4', %5)")
                .arg(number(n))
                .arg(serial, 4, 10, QLatin1Char('0'))
                .arg(type)
                .arg(by, dueIn.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + dueIn + QLatin1Char('\'')));
    }
    // Assigned for competence to UPR as a whole, due on the given day.
    void assigned(int n, int dueIn, const QString &by = QStringLiteral("DEMO9"))
    {
        movement(n, 1, 4, by, day(dueIn));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) "
                           "VALUES ('001', 'E', '%1', '20260101100001', 'UPR', 0, 1)")
                .arg(number(n)));
    }
    // Transmitted to UPR, to the office as a whole (member 0) or to one member.
    void transmitted(int n, int member)
    {
        movement(n, 2, 3, QStringLiteral("DEMO9"));
        sql(QStringLiteral("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES ('001', 'E', '%1', "
                           "'20260101100002', 'UPR', %2)")
                .arg(number(n))
                .arg(member));
    }
    // The protocols a notice query finds (without its limit of one row).
    QStringList found(QString query)
    {
        query.replace(Dialect::limit(1), QString());
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(query)) << q.lastError().text().toStdString() << "\n" << query.toStdString();
        QStringList out;
        while (q.next())
            out << q.value(0).toString().trimmed().right(7);
        out.sort();
        return out;
    }
    Notices::Who who(int level, const char *code, const char *office = "UPR", const char *department = "PRO")
    {
        return {level, QStringLiteral("001"), QString::fromLatin1(code), QString::fromLatin1(office),
                QString::fromLatin1(department)};
    }
};

} // namespace

TEST_P(StartNotices, DueSoonLeavesOutArchivedLateAndFarDeadlines)
{
    const auto engine = db().engine();
    const auto due = [&](const Notices::Who &w) { return found(Notices::dueSoonQuery(engine, w)); };
    protocol(1);
    assigned(1, 3);
    // Archived by another operator than the one who looks: nothing to do.
    protocol(2);
    assigned(2, 2, QStringLiteral("DEMO6"));
    movement(2, 9, 5, QStringLiteral("DEMO8"));
    protocol(3);
    assigned(3, 10);
    protocol(4);
    assigned(4, -1);
    protocol(5);
    assigned(5, 0);
    protocol(6, QStringLiteral("C"));
    assigned(6, 1);

    EXPECT_EQ(due(who(9, "DEMO9")), (QStringList{"0000001", "0000005"}));
    EXPECT_EQ(due(who(7, "DEMO7")), (QStringList{"0000001", "0000005"}));
    EXPECT_EQ(due(who(7, "DEMO7", "ARC")), QStringList{});
    EXPECT_EQ(due(who(8, "DEMO8", "RAG", "AMM")), QStringList{});
    EXPECT_EQ(due(who(6, "DEMO9")), (QStringList{"0000001", "0000005"}));
    EXPECT_EQ(due(who(6, "DEMO6")), QStringList{}) << "DEMO6 assigned only the archived one";

    // Archiving the other two leaves nothing due.
    movement(1, 9, 5, QStringLiteral("DEMO7"));
    movement(5, 9, 5, QStringLiteral("DEMO9"));
    EXPECT_EQ(due(who(9, "DEMO9")), QStringList{});
}

TEST_P(StartNotices, WaitingDocumentsByLevelAndTheBoxTheMainWindowShows)
{
    // To the office as a whole: levels 7-9 of its members, not level 6.
    protocol(1);
    transmitted(1, 0);
    // To member 1 of UPR (DEMO6) by name.
    protocol(2);
    transmitted(2, 1);
    // Cancelled: never waiting.
    protocol(3, QStringLiteral("C"));
    transmitted(3, 0);
    protocol(4, QStringLiteral("C"));
    transmitted(4, 1);

    EXPECT_EQ(found(Notices::waitingDocumentQuery(who(7, "DEMO7"))), QStringList{"0000001"});
    EXPECT_EQ(found(Notices::waitingDocumentQuery(who(9, "DEMO9"))), QStringList{"0000001"});
    EXPECT_EQ(found(Notices::waitingDocumentQuery(who(6, "DEMO6"))), QStringList{"0000002"});
    EXPECT_EQ(found(Notices::waitingDocumentQuery(who(7, "DEMO6"))), (QStringList{"0000001", "0000002"}));
    EXPECT_EQ(found(Notices::waitingDocumentQuery(who(8, "DEMO8", "RAG", "AMM"))), QStringList{});

    // The main window of DEMO7 shows both notices in one box; an archived
    // assignment alone would not add the second.
    protocol(5);
    assigned(5, 2);
    movement(5, 9, 5, QStringLiteral("DEMO9"));
    PSWMask login;
    type(&login, "txtOperatore", QStringLiteral("DEMO7"));
    {
        MDIMenu w;
        w.runNotices();
        EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("ATTENZIONE!\n\n") + Notices::kWaitingNotice});
    }
    boxes.clear();
    protocol(6);
    assigned(6, 2);
    MDIMenu w;
    w.runNotices();
    EXPECT_EQ(boxes.texts(),
              QStringList{QStringLiteral("ATTENZIONE!\n\n") + Notices::kWaitingNotice + QLatin1Char('\n')
                          + Notices::kDueSoonNotice});
}

NIMBO_INSTANTIATE_ENGINES(StartNotices);
