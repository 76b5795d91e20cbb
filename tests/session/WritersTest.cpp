#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "platform/Busy.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "support/ScriptedDialogs.h"

using namespace DicAmbiente;

namespace {

const QString kNow = QStringLiteral("\\d\\d/\\d\\d/\\d{4} \\d\\d:\\d\\d:\\d\\d");

QStringList linesOf(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList out = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!out.isEmpty() && out.last().isEmpty())
        out.removeLast();
    return out;
}

// Matches a line against a pattern in which "NOW" stands for the time stamp.
void expectLine(const QString &line, QString pattern)
{
    pattern = QRegularExpression::escape(pattern).replace(QStringLiteral("NOW"), kNow);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^") + pattern + QStringLiteral("$")).match(line).hasMatch())
        << qPrintable(line);
}

class WritersTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        resetSession();
        GECentr::clearLastError();
        auto &s = session();
        s.programFolder = dir.path();
        s.programName = QStringLiteral("Nimbo");
        s.cfg = defaultConfig(dir.path());
        s.cfg.utente = QStringLiteral("POSTO1");
        ASSERT_TRUE(ensureWorkFolder(s.cfg.applTemp));
        GECentr::setCloseHooks([this] { ++released; }, [this](int code) { exitCodes.append(code); });
    }
    void TearDown() override
    {
        GECentr::setCloseHooks({}, {});
        resetSession();
    }

    QString work(const QString &name) const { return session().cfg.applTemp + name; }

    QTemporaryDir dir;
    nimbo::test::ScriptedDialogs boxes;
    int released = 0;
    QList<int> exitCodes;
};

TEST_F(WritersTest, LogAndTraceLinesAndCuts)
{
    session().cfg.applTrace = true;
    GECentr::writeLog(QStringLiteral("  apertura  "), QStringLiteral(" Form_Load "), QStringLiteral(" FrmProtocollo "));
    GECentr::writeLog(QString(300, QLatin1Char('x')));
    GECentr::setLastError(3021, QStringLiteral("Nessun record corrente"));
    GECentr::writeLog();
    GECentr::writeTrace(QStringLiteral(">>Salvataggio"), QStringLiteral("cbuOk_Click"), QStringLiteral("PswMask"));
    GECentr::writeTrace(QStringLiteral("x"), QStringLiteral("p"), QStringLiteral("f"));

    const QStringList log = linesOf(logFilePath());
    ASSERT_EQ(log.size(), 3);
    expectLine(log[0], QStringLiteral("NOW  POSTO1.FrmProtocollo.Form_Load.apertura"));
    EXPECT_EQ(log[1].size(), 200);
    expectLine(log[1], QStringLiteral("NOW  POSTO1...") + QString(200 - 19 - 2 - 9, QLatin1Char('x')));
    expectLine(log[2], QStringLiteral("NOW  POSTO1...>> n. errore=3021: Nessun record corrente"));

    const QStringList trace = linesOf(traceFilePath());
    ASSERT_EQ(trace.size(), 4); // three passed on by the log writer, one ">>" line; "x" is ignored
    expectLine(trace[0], QStringLiteral("NOW  FrmProtocollo.Form_Load.apertura"));
    expectLine(trace[3], QStringLiteral(">> NOW  PswMask.cbuOk_Click. Salvataggio"));

    // Without APPLTRACE the log writer keeps to its own file.
    session().cfg.applTrace = false;
    GECentr::writeLog(QStringLiteral("solo log"));
    EXPECT_EQ(linesOf(traceFilePath()).size(), 4);
    EXPECT_EQ(linesOf(logFilePath()).size(), 4);
}

TEST_F(WritersTest, ProgramErrorLogger)
{
    nimbo::busy::begin();
    GECentr::logProgramError(QStringLiteral(" "), QString(), QString());
    EXPECT_FALSE(QFileInfo::exists(logFilePath()));
    EXPECT_TRUE(boxes.shown.isEmpty());

    GECentr::logProgramError(QString(900, QLatin1Char('y')), QStringLiteral("Salva"), QStringLiteral("FrmX"), 0);
    GECentr::logProgramError(QStringLiteral("campo mancante"), QStringLiteral("Salva"), QStringLiteral("FrmX"));
    EXPECT_FALSE(nimbo::busy::active());

    const QStringList log = linesOf(logFilePath());
    ASSERT_EQ(log.size(), 2);
    EXPECT_EQ(log[0].size(), 800);
    EXPECT_TRUE(log[0].startsWith(QStringLiteral(">>>> ")));
    expectLine(log[1], QStringLiteral(">>>> NOW FrmX.Salva--> -->campo mancante"));

    ASSERT_EQ(boxes.shown.size(), 1); // show counts only when it is 1
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Errore di Programma"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral(">> FrmX.Salva --> -->campo mancante"));

    const QStringList trace = linesOf(traceFilePath());
    ASSERT_EQ(trace.size(), 2);
    expectLine(trace[1], QStringLiteral(">> NOW  FrmX.Salva. campo mancante"));
    EXPECT_EQ(trace[0].size(), 200);
}

TEST_F(WritersTest, MessageShowerAndErrorRecorder)
{
    QString message = QStringLiteral("  Server Ole, Errore in lettura  ");
    nimbo::busy::begin();
    GECentr::showMessage(message);
    EXPECT_EQ(message, QStringLiteral(" "));
    EXPECT_FALSE(nimbo::busy::active());
    GECentr::showMessage(message); // a blank message shows and writes nothing
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Messaggio di Errore"));
    EXPECT_EQ(boxes.shown[0].buttons, nimbo::Buttons::Ok);
    const QStringList messages = linesOf(work(QStringLiteral("messaggi.dat")));
    ASSERT_EQ(messages.size(), 1);
    expectLine(messages[0], QStringLiteral("NOW  Server Ole, Errore in lettura"));

    boxes.clear();
    GECentr::recordError(QStringLiteral("-"));
    GECentr::recordError(QStringLiteral(""));
    GECentr::recordError(); // no error trapped: "0-" is not "-", so it is recorded
    GECentr::setLastError(53, QStringLiteral("File non trovato"));
    session().cfg.applTrace = true;
    GECentr::recordError(QString(), QStringLiteral("Main"), QStringLiteral("StartUp"), true);
    const QStringList errors = linesOf(work(QStringLiteral("errore.dat")));
    ASSERT_EQ(errors.size(), 2);
    expectLine(errors[0], QStringLiteral("NOW  ..  -->0-"));
    expectLine(errors[1], QStringLiteral("NOW  StartUp.Main.  -->53-File non trovato"));
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Errore di Programma"));
    EXPECT_EQ(boxes.shown[0].text, errors[1]);
    const QStringList trace = linesOf(traceFilePath());
    ASSERT_EQ(trace.size(), 1);
    expectLine(trace[0], QStringLiteral("NOW  StartUp.Main.53-File non trovato"));
}

TEST_F(WritersTest, StartLineFollowsLogFlagButWritersDoNot)
{
    session().cfg.log = false;
    GECentr::writeStartLine();
    GECentr::writeLog(QStringLiteral("dopo"));
    QStringList log = linesOf(logFilePath());
    ASSERT_EQ(log.size(), 1);
    expectLine(log[0], QStringLiteral("NOW  POSTO1...dopo"));
    EXPECT_FALSE(QFileInfo::exists(traceFilePath()));

    session().cfg.log = true;
    session().cfg.applTrace = true;
    GECentr::writeStartLine();
    log = linesOf(logFilePath());
    ASSERT_EQ(log.size(), 2);
    expectLine(log[1], QStringLiteral("NOW  Partenza applicativo>>"));
    EXPECT_EQ(linesOf(traceFilePath()), QStringList{log[1]});
}

TEST_F(WritersTest, UnwritableFilesLoseTheirLine)
{
    session().cfg.applTemp = dir.path() + QStringLiteral("/missing/folder/");
    GECentr::writeLog(QStringLiteral("perso"));
    GECentr::recordError(QStringLiteral("perso"));
    QString m = QStringLiteral("visibile");
    GECentr::showMessage(m);
    EXPECT_EQ(boxes.shown.size(), 1); // the box still tells the operator
    EXPECT_FALSE(QFileInfo::exists(session().cfg.applTemp));
}

TEST_F(WritersTest, DailyFilesOfAnotherDateStartAfresh)
{
    const QDate today = QDate::currentDate();
    EXPECT_EQ(logFilePath(QDate(2024, 3, 7)), dir.path() + QStringLiteral("/temp/LogNimbo.D07"));
    EXPECT_EQ(traceFilePath(QDate(2024, 3, 7)), dir.path() + QStringLiteral("/temp/TrcNimbo.D07"));
    const auto writeAged = [](const QString &path, const QDateTime &when) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("vecchia riga\n");
        ASSERT_TRUE(f.flush()); // a later flush would stamp the file again
        ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
    };
    writeAged(logFilePath(today), QDateTime(today.addMonths(-1), QTime(9, 0)));
    writeAged(traceFilePath(today), QDateTime(today, QTime(0, 0, 1)));

    prepareDailyFiles(today);
    EXPECT_FALSE(QFileInfo::exists(logFilePath(today)));
    EXPECT_TRUE(QFileInfo::exists(traceFilePath(today))); // written today: kept for appending

    GECentr::writeStartLine();
    prepareDailyFiles(today); // a second start the same day
    GECentr::writeStartLine();
    EXPECT_EQ(linesOf(logFilePath(today)).size(), 2);

    // The work folder itself is made when missing.
    session().cfg.applTemp = dir.path() + QStringLiteral("/nuova/");
    prepareDailyFiles(today);
    EXPECT_TRUE(QFileInfo(dir.path() + QStringLiteral("/nuova")).isDir());
}

TEST_F(WritersTest, ErrorHandlerBlock)
{
    GECentr::ErrorInfo e;
    e.number = 91;
    e.text = QStringLiteral("Variabile oggetto non impostata");
    e.source = QStringLiteral("Nimbo");
    e.line = 120;
    boxes.answers = {nimbo::Answer::Retry, nimbo::Answer::Abort, nimbo::Answer::Ignore};
    EXPECT_EQ(GECentr::handleError(QStringLiteral("C_GestDB"), QStringLiteral("ApriDB"), e), nimbo::Answer::Retry);
    EXPECT_EQ(GECentr::handleError(QStringLiteral("C_GestDB"), QStringLiteral("ApriDB"), e), nimbo::Answer::Abort);
    EXPECT_EQ(GECentr::handleError(QStringLiteral("C_GestDB"), QStringLiteral("ApriDB"), e), nimbo::Answer::Ignore);

    const QStringList block = linesOf(dir.path() + QStringLiteral("/GestError.log"));
    ASSERT_EQ(block.size(), 18);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Applicazione: Nimbo \\.exe \\d+\\.\\d\\d - Build \\d+$"))
                    .match(block[0])
                    .hasMatch())
        << qPrintable(block[0]);
    expectLine(block[1], QStringLiteral("NOW"));
    EXPECT_EQ(block[2], QStringLiteral("Numero:   91 - Tipo errore: Variabile oggetto non impostata"));
    EXPECT_EQ(block[3], QStringLiteral("Sorgente: Nimbo - Routine: ApriDB - Linea: 120"));
    EXPECT_EQ(block[4], QStringLiteral("Tasto premuto: Riprova"));
    EXPECT_EQ(block[5], QString(120, QLatin1Char('-')));
    EXPECT_EQ(block[10], QStringLiteral("Tasto premuto: Termina"));
    EXPECT_EQ(block[16], QStringLiteral("Tasto premuto: Ignora"));

    ASSERT_EQ(boxes.shown.size(), 3);
    const auto &box = boxes.shown[0];
    EXPECT_EQ(box.title, QStringLiteral("Attenzione!!!"));
    EXPECT_EQ(box.icon, nimbo::Icon::Critical);
    EXPECT_EQ(box.buttons, nimbo::Buttons::AbortRetryIgnore);
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("^Si è verificato un errore irreversibile durante l'esecuzione dell'applicazione: "
                                   "Nimbo \\.exe \\d+\\.\\d+ - Build  & \\d+\n\nTipo errore: Variabile oggetto non "
                                   "impostata\nNumero errore: 91\nSorgente errore: Nimbo\nModulo generatore: C_GestDB\n"
                                   "Routine generatrice: ApriDB\n\nLinea Contenente l'errore: 120$"))
                    .match(box.text)
                    .hasMatch())
        << qPrintable(box.text);
}

TEST_F(WritersTest, ClosingRoutine)
{
    session().cfg.log = false;
    GECentr::closeProgram(0);
    EXPECT_TRUE(boxes.shown.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(logFilePath()));
    EXPECT_EQ(released, 1);
    EXPECT_EQ(exitCodes, QList<int>{0});

    GECentr::setLastError(3044, QStringLiteral("Percorso non valido"), QStringLiteral("DAO"));
    GECentr::lastError().lastSystemError = QStringLiteral("2");
    GECentr::closeProgram(1);
    ASSERT_EQ(boxes.shown.size(), 1);
    EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Messaggio di Errore"));
    EXPECT_EQ(boxes.shown[0].text, QStringLiteral("L'Applicazione E' Diventata Instabile a Causa di Errori. Si "
                                                  "Effettua Una Chiusura per Consentire La Ripartenza"));
    EXPECT_TRUE(session().cfg.log);
    const QStringList log = linesOf(logFilePath());
    ASSERT_EQ(log.size(), 1);
    expectLine(log[0], QStringLiteral("NOW  POSTO1...------> Stato di Chiusura  EN=3044 ED=Percorso non valido EL=2 "
                                      "ES=DAO"));
    EXPECT_EQ(released, 2);
    EXPECT_EQ(exitCodes, (QList<int>{0, 1}));
}

} // namespace
