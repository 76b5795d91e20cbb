// Lookups that narrow as the clerk types: the municipality lookup and the
// registration window's recurring subjects over the demo register, one
// search at a time with stale answers dropped, Enter working as before, and
// the prefix searches served by an index. On both engines.

#include <QApplication>
#include <QRadioButton>
#include <QSqlQuery>

#include "data/Dialect.h"
#include "data/DialectPrefix.h"
#include "organisation/Lookups.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/TypeAhead.h"
#include "ui/UiFixture.h"

using namespace nimbo;
using nimbo::test::UiTest;

namespace {

// A key whose letter is outside ASCII, as the keyboard sends it.
void typeLetter(QWidget *w, const QString &letter)
{
    QTest::sendKeyEvent(QTest::Press, w, Qt::Key_unknown, letter, Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, w, Qt::Key_unknown, letter, Qt::NoModifier);
}

QStringList rowsOf(const ui::PickList *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
        out << list->item(i)->text();
    return out;
}

class TypeAheadTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (const char *row : {"('ZZ0001', 'ZZROMANO ALTO', 'ZZ')", "('ZZ0002', 'ZZROMANO BASSO', 'ZZ')",
                                "('ZZ0003', 'ZZROCCA', 'ZZ')", "('ZZ0004', 'ZZÈRBA', 'ZZ')"})
            sql(QStringLiteral("INSERT INTO Tab_Comuni (Com_Codcom, com_Comune, com_codprov) VALUES ")
                + QString::fromUtf8(row));
    }
    // Lines of EXPLAIN for a statement on the central database, with the
    // plain scan made dear on PostgreSQL so that a usable index shows.
    QString plan(const QString &statement)
    {
        QSqlQuery q(db().central());
        const bool pg = db().engine() == Dialect::Engine::PostgreSQL;
        if (pg)
            q.exec(QStringLiteral("SET enable_seqscan = off"));
        EXPECT_TRUE(q.exec((pg ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN ")) + statement))
            << statement.toStdString();
        QStringList lines;
        while (q.next())
            lines << q.value(pg ? 0 : 3).toString();
        if (pg)
            q.exec(QStringLiteral("SET enable_seqscan = on"));
        return lines.join(QLatin1Char('\n'));
    }
};

// A window with one municipality lookup, shown and active.
struct LookupWindow {
    QWidget window;
    QLineEdit *code = new QLineEdit(&window);
    QLabel *name = new QLabel(&window);
    ui::PickList *list = organisation::fixedPitchPickList(&window);
    ui::CodeLookup *lookup = organisation::municipalityLookup(code, name, list, nullptr);
    QLineEdit *other = new QLineEdit(&window);
    LookupWindow()
    {
        window.resize(700, 400);
        code->setGeometry(10, 10, 120, 24);
        name->setGeometry(140, 10, 300, 24);
        other->setGeometry(10, 300, 120, 24);
        lookup->typeAhead()->setPause(0);
        window.show();
        QApplication::setActiveWindow(&window);
        code->setFocus();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST_P(TypeAheadTest, MunicipalityListNarrowsWhileTypingAndEnterStillLooksUp)
{
    LookupWindow w;
    ASSERT_NE(w.lookup->typeAhead(), nullptr);
    // Two characters are not searched.
    QTest::keyClicks(w.code, QStringLiteral("ZZ"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.lookup->typeAhead()->searches(), 0);
    EXPECT_FALSE(w.list->isVisible());

    QTest::keyClick(w.code, Qt::Key_R);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.list->isVisible());
    EXPECT_EQ(w.list->count(), 3);
    // The clerk goes on typing in the field.
    EXPECT_TRUE(w.code->hasFocus());
    QTest::keyClicks(w.code, QStringLiteral("om"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.list->count(), 2);
    EXPECT_TRUE(rowsOf(w.list).join(QLatin1Char('|')).contains(QStringLiteral("ZZROMANO BASSO")));
    const int searches = w.lookup->typeAhead()->searches();
    // Keys typed without a pause between them are searched once.
    QTest::keyClicks(w.code, QStringLiteral("ano b"));
    QCoreApplication::processEvents();
    EXPECT_EQ(w.lookup->typeAhead()->searches(), searches + 1);
    EXPECT_EQ(rowsOf(w.list).size(), 1);

    // Down goes into the list, Enter there takes the row.
    QTest::keyClick(w.code, Qt::Key_Down);
    EXPECT_TRUE(w.list->hasFocus());
    QTest::keyClick(w.list, Qt::Key_Return);
    EXPECT_EQ(w.code->text(), QStringLiteral("ZZ0002"));
    EXPECT_EQ(w.name->text(), QStringLiteral("ZZROMANO BASSO"));
    EXPECT_FALSE(w.list->isVisible());

    // Enter typed before the pause ends: the lookup of Enter, and no list
    // of the search that was waiting shows afterwards.
    w.code->setFocus();
    w.code->selectAll();
    QTest::keyClicks(w.code, QStringLiteral("zzrocc"));
    QTest::keyClick(w.code, Qt::Key_Return);
    EXPECT_EQ(w.code->text(), QStringLiteral("ZZ0003"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.list->isVisible());

    // Escape closes the list; leaving the field closes it too, and the
    // field is looked up as it is left.
    w.code->selectAll();
    QTest::keyClicks(w.code, QStringLiteral("zzr"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.list->isVisible());
    QTest::keyClick(w.code, Qt::Key_Escape);
    EXPECT_FALSE(w.list->isVisible());
    QTest::keyClicks(w.code, QStringLiteral("oc"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.list->isVisible());
    w.other->setFocus();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.list->isVisible());
    // A letter outside ASCII is matched whatever its case.
    w.code->setFocus();
    w.code->selectAll();
    QTest::keyClicks(w.code, QStringLiteral("zz"));
    typeLetter(w.code, QString::fromUtf8("è"));
    QCoreApplication::processEvents();
    EXPECT_EQ(rowsOf(w.list).join(QLatin1Char('|')).contains(QString::fromUtf8("ZZÈRBA")), true);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
}

TEST_P(TypeAheadTest, OneSearchAtATimeAndAnAnswerForAnOlderTextIsNeverShown)
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    auto *list = new ui::PickList(&window);
    window.resize(500, 300);
    int running = 0, most = 0;
    QStringList asked;
    QString taken;
    ui::TypeAhead *ahead = nullptr;
    ahead = new ui::TypeAhead(
        field, list,
        [&](const QString &typed) {
            most = qMax(most, ++running);
            asked << typed;
            if (asked.size() == 1) {
                // A key arrives while the first answer is awaited, and the
                // pause after it ends before the answer comes.
                QTest::keyClick(field, Qt::Key_X);
                QCoreApplication::processEvents();
            }
            --running;
            return QVector<ui::Match>{{QString(), QStringLiteral("per ") + typed, QString()}};
        },
        [&](const ui::Match &m) { taken = m.description; }, &window);
    ahead->setPause(0);
    QStringList answered;
    QObject::connect(ahead, &ui::TypeAhead::answered, [&](const QString &t, int) { answered << t; });
    window.show();
    QApplication::setActiveWindow(&window);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("abc"));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(most, 1);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("abc"), QStringLiteral("abcx")}));
    // Only the newest text's answer was shown.
    EXPECT_EQ(answered, QStringList{QStringLiteral("abcx")});
    EXPECT_EQ(rowsOf(list), QStringList{QStringLiteral("per abcx")});

    // Enter takes over while a search runs: its answer is dropped.
    asked.clear();
    answered.clear();
    list->dismiss();
    auto *second = new QLineEdit(&window);
    second->show();
    second->setFocus();
    ahead = new ui::TypeAhead(
        second, list,
        [&](const QString &typed) {
            asked << typed;
            ahead->cancel();
            return QVector<ui::Match>{{QString(), typed, QString()}};
        },
        {}, &window);
    ahead->setPause(0);
    QObject::connect(ahead, &ui::TypeAhead::answered, [&](const QString &t, int) { answered << t; });
    QTest::keyClicks(second, QStringLiteral("defg"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_TRUE(answered.isEmpty());
    EXPECT_FALSE(list->isVisible());
}

TEST_P(TypeAheadTest, RegistrationWindowOffersTheRecurringSubjectsAsTheSubjectIsTyped)
{
    protocol::registerProtocolWindows();
    ASSERT_EQ(startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId}), StartUp::kRunning)
        << boxes.texts().join(QLatin1Char('|')).toStdString();
    const auto &op = DicAmbiente::session().op;
    for (const char *subject : {"Richiesta contributo", "Richiesta di accesso agli atti", "Ricorso al TAR"})
        sql(QStringLiteral("INSERT INTO Tab_OggettiRicorrenti (Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR) "
                           "VALUES ('%1', '%2', 'E', '%3')")
                .arg(op.ente, op.department, QString::fromUtf8(subject)));
    QWidget *main = StartUp::mainWindow();
    main->findChild<QAction *>(QStringLiteral("mnuProtDoc"))->trigger();
    auto *w = main->findChild<protocol::FrmProtocollo *>();
    ASSERT_NE(w, nullptr);
    test::pressToolbar(main, "NUOVO");
    child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
    auto *subject = child<QLineEdit>(w, "Oggetto");
    ASSERT_GE(w->findChildren<ui::TypeAhead *>().size(), 2);
    for (ui::TypeAhead *t : w->findChildren<ui::TypeAhead *>())
        t->setPause(0);
    auto *list = w->findChild<ui::PickList *>(QStringLiteral("ListDecod"));
    ASSERT_NE(list, nullptr);
    subject->setFocus();
    QTest::keyClicks(subject, QStringLiteral("ric"));
    QCoreApplication::processEvents();
    EXPECT_EQ(rowsOf(list).size(), 3);
    QTest::keyClicks(subject, QStringLiteral("hiesta d"));
    QCoreApplication::processEvents();
    EXPECT_EQ(rowsOf(list), QStringList{QStringLiteral("Richiesta di accesso agli atti")});
    EXPECT_TRUE(subject->hasFocus());
    QTest::keyClick(subject, Qt::Key_Down);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(subject->text(), QStringLiteral("Richiesta di accesso agli atti"));
    EXPECT_TRUE(w->dirty()->isDirty());

    // The correspondent narrows too.
    auto *who = child<QLineEdit>(w, "CodiceMitDest");
    who->setFocus();
    QTest::keyClicks(who, QStringLiteral("prefet"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(list->isVisible());
    EXPECT_TRUE(rowsOf(list).join(QLatin1Char('|')).contains(QStringLiteral("PREFETTURA")))
        << rowsOf(list).join(QLatin1Char('|')).toStdString();
    QTest::keyClick(who, Qt::Key_Escape);
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    w->dirty()->setClean();
    StartUp::shutdown();
    WindowRegistry::remove(QStringLiteral("FrmProtocollo"));
    C_GestDB::closeLocalDatabase();
}

TEST_P(TypeAheadTest, SearchesByTheBeginningOfANameUseAnIndex)
{
    const Dialect::Engine e = db().engine();
    const QString towns = plan(QStringLiteral("SELECT com_codcom FROM Tab_Comuni WHERE ")
                               + Dialect::beginsNoCase(e, QStringLiteral("com_comune"), QStringLiteral("ROM")));
    const QString subjects = plan(protocol::recurringSubjectsQuery(QStringLiteral("001"), QStringLiteral("PRO"),
                                                                   QStringLiteral("E"), QStringLiteral("Ric")));
    if (e == Dialect::Engine::PostgreSQL) {
        EXPECT_TRUE(towns.contains(QStringLiteral("ix_tab_comuni_nome_trgm"))) << towns.toStdString();
        // A department's subjects are few: the planner may read them by
        // their key and test the beginning on each; never the whole table.
        EXPECT_TRUE(subjects.contains(QStringLiteral("ix_tab_oggettiricorrenti_"))) << subjects.toStdString();
        EXPECT_FALSE(subjects.contains(QStringLiteral("Seq Scan"))) << subjects.toStdString();
    } else {
        EXPECT_TRUE(towns.contains(QStringLiteral("ix_tab_comuni_nome_nocase"))) << towns.toStdString();
        EXPECT_TRUE(subjects.contains(QStringLiteral("ix_tab_oggettiricorrenti_nocase"))) << subjects.toStdString();
    }
    // The same rows as the plain case-insensitive condition, quotes and
    // letters outside ASCII included.
    sql(QStringLiteral("INSERT INTO Tab_Comuni (Com_Codcom, com_Comune, com_codprov) VALUES ('ZZ0005', "
                       "'ZZ''ARCO', 'ZZ')"));
    for (const QString &typed : {QStringLiteral("zzr"), QStringLiteral("ZZ'A"), QString::fromUtf8("zzè"),
                                 QStringLiteral("zz")}) {
        const QString begins = QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE ")
                               + Dialect::beginsNoCase(e, QStringLiteral("com_comune"), typed);
        QString pattern = typed;
        pattern.replace(QLatin1Char('\''), QStringLiteral("''"));
        const QString plain = QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE ")
                              + Dialect::likeNoCase(e, QStringLiteral("com_comune"),
                                                    QLatin1Char('\'') + pattern + QStringLiteral("%'"));
        EXPECT_EQ(scalar(begins), scalar(plain)) << typed.toStdString();
    }
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM Tab_Comuni WHERE ")
                     + Dialect::beginsNoCase(e, QStringLiteral("com_comune"), QStringLiteral("zzr"))),
              QStringLiteral("3"));
}

NIMBO_INSTANTIATE_ENGINES(TypeAheadTest);
