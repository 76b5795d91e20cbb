#pragma once
// The emergency windows as the operator reaches them: the demo register on
// both engines, the program started through the login (ordinary or
// emergency entry), the menus and the shared toolbar.

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

#include "../ui/UiFixture.h"
#include "documents/Documents.h"
#include "emergency/Emergency.h"
#include "iter/Iter.h"
#include "protocol/FrmProtocollo.h"
#include "servers/ImageRequests.h"
#include "ui/RowList.h"

// Failures show the texts, not their bytes.
inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace nimbo::test {

class EmergencyTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        emergency::registerEmergencyWindows();
        documents::registerDocumentWindows();
        protocol::registerProtocolWindows();
        iter::registerIterWindows();
    }
    void TearDown() override
    {
        if (!movedAway_.isEmpty())
            QFile::rename(movedAway_ + QStringLiteral(".altrove"), movedAway_);
        MainWindowTest::TearDown();
    }
    void local(const QString &statement)
    {
        QSqlQuery q(db().local());
        ASSERT_TRUE(q.exec(statement)) << statement.toStdString() << " " << q.lastError().text().toStdString();
    }
    QString localScalar(const QString &statement)
    {
        QSqlQuery q(db().local());
        EXPECT_TRUE(q.exec(statement) && q.next()) << statement.toStdString();
        return q.value(0).toString().trimmed();
    }
    // The electronic register of a workstation (ABCD, or the demo's PST1)
    // for a year.
    void seedRegister(const QString &year, const QString &station = QStringLiteral("ABCD"))
    {
        sql(QStringLiteral("INSERT INTO Tab_Postazioni (Ente, ID_Postazione, Descrizione, Utente) VALUES ('001', '%1', "
                           "'SPORTELLO URP', 'DEMO9') ON CONFLICT DO NOTHING")
                .arg(station));
        sql(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (Tab_Ente, Tab_AnnoRegistro, Tab_TipoRegistro, Tab_IDRegistro, "
                           "Tab_NumeroRegistro, Tab_NoteRegistro, Tab_DataIstituzione, Tab_OraIstituzione) VALUES "
                           "('001', '%1', 'T', '%2', 1, 'Registro dello sportello', '%1-01-02', '08:00')")
                .arg(year, station));
    }
    // A session of that register, open unless a closing date is given (ISO).
    void seedSession(const QString &year, int progr, const QString &closed = QString(),
                     const QString &station = QStringLiteral("ABCD"))
    {
        sql(QStringLiteral("INSERT INTO Tab_SessioniEmergenza (ses_Ente, ses_AnnoRegistro, ses_TipoRegistro, "
                           "ses_IDRegistro, ses_NumeroRegistro, ses_progr, Tab_DataApertura, Tab_OraApertura, Tab_Motivo, "
                           "Tab_DataChiusura, Tab_OraChiusura, Tab_Allineamento) VALUES ('001', '%1', 'T', '%5', 1, %2, "
                           "'%1-03-14', '08:00', '01', %3, %4, 'NO')")
                .arg(year)
                .arg(progr)
                .arg(closed.isEmpty() ? QStringLiteral("NULL") : QLatin1Char('\'') + closed + QLatin1Char('\''),
                     closed.isEmpty() ? QStringLiteral("NULL") : QStringLiteral("'18:00'"), station));
    }
    // An emergency registration kept on the workstation.
    void seedRegistration(const QString &direction, const QString &number, const QString &date, const QString &key,
                          const QString &subject)
    {
        local(QStringLiteral("INSERT INTO Tab_ProtocolloEmergenza (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                             "Tab_DataRegistrazione, Tab_DataProtocollo, Tab_DataRicezione, Tab_OraProtocollo, "
                             "Tab_SedeRicezione, Tab_CodiceOpeReg, Tab_UfficioRegistrazione, Tab_Tipologia, "
                             "Tab_Intestatario, Tab_Oggetto, Tab_StatoProtocollo, Tab_DestMultipli, "
                             "Tab_ChiaveRegistrazione) VALUES ('999', '%1', '%2', '%3', '%3', '%3', '10:00:00', 'SED', "
                             "'EMERG', 'EME', 'LET', 'Comune di Potenza', '%4', 'A', 'Protocollo', '%5')")
                  .arg(direction, number, date, subject, key));
    }
    // Makes the central database unreachable: the SQLite file moved away,
    // or (PostgreSQL) the configuration names a port where nothing listens.
    QStringList centralOutOfReach()
    {
        if (db().engine() == Dialect::Engine::PostgreSQL)
            return {QStringLiteral("SET SERVERDB=host=127.0.0.1 port=9 dbname=nimbo user=nimbo connect_timeout=2")};
        movedAway_ = db().centralTarget().location;
        EXPECT_TRUE(QFile::rename(movedAway_, movedAway_ + QStringLiteral(".altrove")));
        return {};
    }
    void centralBack()
    {
        if (movedAway_.isEmpty())
            return;
        EXPECT_TRUE(QFile::rename(movedAway_ + QStringLiteral(".altrove"), movedAway_));
        movedAway_.clear();
    }
    // True when nothing was made where the central SQLite file was.
    bool nothingAtCentralPlace() const { return movedAway_.isEmpty() || !QFile::exists(movedAway_); }

    // Starts the program, with the central database out of reach, through
    // the given login; the start's result.
    int startWithCentralDown(const StartUp::Login &login, const QStringList &lines = {})
    {
        const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        const QStringList extra = centralOutOfReach() + lines;
        QFile ini(DicAmbiente::configPath(db().folder(), program));
        EXPECT_TRUE(ini.open(QIODevice::WriteOnly));
        const QStringList config = QStringList{QStringLiteral("SET PATHDB=") + db().folder() + QStringLiteral("/db/"),
                                               QStringLiteral("SET PROTOCOLLO=central.sqlite"),
                                               QStringLiteral("SET TABLOCAL=locale.sqlite"),
                                               QStringLiteral("SET OLEGENERICA=") + kGenericProgId,
                                               QStringLiteral("SET OLEGP=") + kProtocolProgId}
                                   + extra;
        ini.write(config.join(QLatin1Char('\n')).toUtf8());
        ini.close();
        qputenv("NIMBO_HOME", db().folder().toUtf8());
        StartUp::setLogin(login);
        const int started = StartUp::start({program});
        StartUp::setLogin({});
        qunsetenv("NIMBO_HOME");
        return started;
    }

    // Starts the program and enters through the emergency entry of the login.
    MDIMenu *enterInEmergency(const QString &year, const QString &station, const QString &session,
                              const QStringList &lines = {})
    {
        const int started = startWithCentralDown(
            [=](const QStringList &) {
                PSWMask w;
                w.findChild<QPushButton *>(QStringLiteral("cmdEmergenza"))->click();
                type(&w, "AnnoR", year);
                type(&w, "IdR", station);
                type(&w, "IDS", session);
                w.findChild<QPushButton *>(QStringLiteral("cmdConfermaEme"))->click();
                return w.result() == QDialog::Accepted;
            },
            lines);
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        return started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
    }

    // The demo operator's ordinary login, with the image server too.
    MDIMenu *logInWithImages()
    {
        const int started = startAs(QStringLiteral("DEMO9"), QStringLiteral("demo9pwd"),
                                    {QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                     QStringLiteral("SET OLEIMG=") + kImageProgId});
        EXPECT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
        return started == StartUp::kRunning ? qobject_cast<MDIMenu *>(StartUp::mainWindow()) : nullptr;
    }
    // Scans one page from SANE's test device in the scanning window and
    // stores it; the boxes it showed.
    QStringList scanAndStore(QWidget *scan)
    {
        boxes.clear();
        scan->findChild<QPushButton *>(QStringLiteral("cmdBottoni_1"))->click();
        scan->findChild<QPushButton *>(QStringLiteral("cmdBottoni_2"))->click();
        const QStringList shown = boxes.texts();
        scan->findChild<QPushButton *>(QStringLiteral("cmdBottoni_0"))->click();
        return shown;
    }
    // Chooses the row of a list whose column holds the text, as a click does.
    static void chooseRow(ui::RowList *list, int column, const QString &text)
    {
        ASSERT_TRUE(list->select(column, text)) << text.toStdString();
        QTest::keyClick(list->view(), Qt::Key_Return);
    }
    static void setField(QWidget *w, const char *name, const QString &text)
    {
        auto *e = w->findChild<QLineEdit *>(QLatin1String(name));
        ASSERT_NE(e, nullptr) << name;
        e->setText(text);
    }
    // The toolbar keys the window publishes, in its own order.
    static QString keysOf(QWidget *w)
    {
        auto *c = qobject_cast<ChildWindow *>(w);
        return c ? c->toolbarKeys() : QString();
    }
    QString lastBox() const { return boxes.shown.isEmpty() ? QString() : boxes.shown.last().text; }

    QString movedAway_;
};

} // namespace nimbo::test
