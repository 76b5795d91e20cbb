// The paper outputs of a registered protocol as the operator asks for them:
// the label from the toolbar to the label printer's port (a real
// pseudo-terminal here), the stamp from "Segnatura" and the receipt to PDF.

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QRadioButton>
#include <QToolBar>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolPrint.h"
#include "servers/ProtocolServer.h"
#include "startup/LoginRules.h"
#include "startup/StartUp.h"
#include "ui/WindowRegistry.h"
#include "UiFixture.h"
#include "support/Files.h"

using namespace nimbo;
using namespace nimbo::protocol;
using nimbo::test::UiTest;

namespace {

// A pseudo-terminal standing in for the printer's serial line: the program
// writes to the slave device named by PORTA-COM, the test reads the master.
struct Pty {
    int master = -1, slave = -1;
    QString device;
    Pty()
    {
        char name[256] = {};
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0)
            device = QString::fromLatin1(name);
    }
    ~Pty()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
    }
    // What arrived, read until `lines` CR LF pairs (or CRs) came or the line
    // stayed quiet for a while.
    QByteArray read(int lines, const char *end = "\r\n")
    {
        QByteArray got;
        pollfd pfd{master, POLLIN, 0};
        while (got.count(end) < lines && poll(&pfd, 1, 3000) > 0) {
            char buf[512];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got.append(buf, n);
        }
        return got;
    }
};

class Labels : public nimbo::test::ProtocolWindowTest {
protected:
    void TearDown() override
    {
        StartUp::shutdown();
        WindowRegistry::remove(QStringLiteral("FrmProtocollo"));
        WindowRegistry::remove(QStringLiteral("FrmCancProto"));
        ProtocolWindowTest::TearDown();
    }
    static void fill(QWidget *w, const QString &subject)
    {
        child<QRadioButton>(w, "OptTipoProtocollo_0")->click();
        type(w, "CodiceMitDest", QStringLiteral("prefettura"));
        type(w, "CodTipoDoc", QStringLiteral("LET"));
        child<QLineEdit>(w, "Oggetto")->setText(subject);
        type(w, "CodSedeRic", QStringLiteral("PRO"));
        type(w, "CodUfficio", QStringLiteral("UPR"));
    }

};

} // namespace

TEST_P(Labels, TheLabelShowsTheStoredOfficeAndAPortThatCannotBeOpenedIsReported)
{
    logInAs(QStringLiteral("DEMO9"));
    window = std::make_unique<FrmProtocollo>();
    window->ELABORATBAR(QStringLiteral("NUOVO"));
    fill(window.get(), QStringLiteral("Esposto sul rumore notturno"));
    window->ELABORATBAR(QStringLiteral("REGISTRA"));
    const QString number = child<QLineEdit>(window.get(), "txtNumeroProtocollo")->text();
    ASSERT_FALSE(number.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // The department and office typed over the registered ones, not saved:
    // the label still names the office that registered the protocol.
    type(window.get(), "CodSedeRic", QStringLiteral("AMM"));
    type(window.get(), "CodUfficio", QStringLiteral("RAG"));
    ASSERT_EQ(child<QLabel>(window.get(), "DescUfficio")->text(), QStringLiteral("RAGIONERIA"));
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    DicAmbiente::session().cfg.portaCom = pty.device;
    boxes.clear();
    window->ELABORATBAR(QStringLiteral("ETICHETTA"));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QByteArray label = pty.read(16);
    const QList<QByteArray> lines = label.split('\n');
    ASSERT_EQ(label.count("\r\n"), 16) << label.constData();
    EXPECT_EQ(label.count('\n'), 16) << "every line ends with one CR LF, nothing added on the way";
    EXPECT_TRUE(lines.value(11).contains(shownNumber(number).toLatin1())) << label.constData();
    EXPECT_TRUE(lines.value(13).startsWith("A40,128,0,4,1,1,N, \"Dipartimento: DIPARTIMENTO AF\"")) << label.constData();
    EXPECT_TRUE(lines.value(14).startsWith("A40,168,0,4,1,1,N, \"Ufficio: UFFICIO PROTOCOLLO G\"")) << label.constData();
    EXPECT_FALSE(label.contains("RAGIONERIA"));

    // A number the register does not hold prints nothing.
    const QString file = db().folder() + QStringLiteral("/label.out");
    DicAmbiente::session().cfg.portaCom = file;
    child<QLineEdit>(window.get(), "txtNumeroProtocollo")->setText(QStringLiteral("20990000001"));
    window->ELABORATBAR(QStringLiteral("ETICHETTA"));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();

    // Port 99 is /dev/ttyS98, which this machine lacks: a failure, told to
    // the operator, and no file made in its place.
    child<QLineEdit>(window.get(), "txtNumeroProtocollo")->setText(number);
    DicAmbiente::session().cfg.portaCom = QStringLiteral("99");
    window->ELABORATBAR(QStringLiteral("ETICHETTA"));
    ASSERT_EQ(boxes.texts(), QStringList{QStringLiteral(
                                 "Errore nella stampa dell'etichetta. RC: 1 - Errore nella apertura della Stampante")});
    EXPECT_EQ(boxes.shown.first().icon, Icon::Critical);
    EXPECT_FALSE(QFile::exists(QStringLiteral("99")));
}

// The demo as a clerk uses it: log in, "Protocollo Documenti", register an
// incoming letter, then the label from the toolbar's "ETICHETTA" to the
// label printer's port, the stamp from "Segnatura" to the same port, and
// the receipt from "STAMPA" to PDF.
TEST_P(Labels, DemoOperatorRegistersALetterAndPrintsLabelStampAndReceipt)
{
    Pty pty;
    ASSERT_FALSE(pty.device.isEmpty());
    registerProtocolWindows();
    const int started = startAsDemoOperator({QStringLiteral("SET OLEGP=") + kProtocolProgId,
                                             QStringLiteral("SET REPORT=") + nimbo::test::shippedTemplates(),
                                             QStringLiteral("SET STAMPANTE-REPORT=PDF"),
                                             QStringLiteral("SET STAMPANTE-ETICHETTE=ZEBRA"),
                                             QStringLiteral("SET PORTA-COM=") + pty.device});
    ASSERT_EQ(started, StartUp::kRunning) << boxes.texts().join(QLatin1Char('|')).toStdString();
    QWidget *main = StartUp::mainWindow();
    ASSERT_NE(main, nullptr);
    auto *item = main->findChild<QAction *>(QStringLiteral("mnuProtDoc"));
    ASSERT_TRUE(item && item->isEnabled());
    item->trigger();
    auto *w = main->findChild<FrmProtocollo *>();
    ASSERT_NE(w, nullptr);
    const auto press = [main](const char *key) { test::pressToolbar(main, key); };
    press("NUOVO");
    fill(w, QStringLiteral("Richiesta di copia della delibera"));
    press("REGISTRA");
    const QString number = child<QLineEdit>(w, "txtNumeroProtocollo")->text();
    ASSERT_EQ(number, QString::number(QDate::currentDate().year()) + QStringLiteral("-0000001"))
        << boxes.texts().join(QLatin1Char('|')).toStdString();

    press("ETICHETTA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QByteArray label = pty.read(16);
    EXPECT_EQ(label.count("\r\n"), 16) << label.constData();
    EXPECT_TRUE(label.startsWith("ZB\r\nJB\r\nN\r\nD10\r\n")) << label.constData();
    EXPECT_TRUE(label.contains(("\"" + shownNumber(number) + "\"").toLatin1())) << label.constData();
    EXPECT_TRUE(label.contains("\"Ufficio: UFFICIO PROTOCOLLO")) << label.constData();
    EXPECT_TRUE(label.endsWith("P1\r\n"));

    child(w, "btnTB_3")->click();
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QByteArray stamp = pty.read(1, "\r");
    EXPECT_EQ(stamp, (DicAmbiente::session().cfg.ausl.trimmed().toUpper() + QStringLiteral(" - PROTOCOLLO N. 0000001 DEL ")
                      + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")) + QLatin1Char('\r'))
                         .toLatin1());

    const QString pdf = db().folder() + QStringLiteral("/ricevuta.pdf");
    boxes.files << pdf;
    press("STAMPA");
    EXPECT_TRUE(boxes.shown.isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    const QString printed = nimbo::test::pdfText(pdf);
    EXPECT_TRUE(printed.contains(shownNumber(number))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("Richiesta di copia della delibera"))) << printed.toStdString();
    EXPECT_TRUE(printed.contains(QStringLiteral("PREFETTURA DI POTENZA"))) << printed.toStdString();
    press("ESCI");
}

NIMBO_INSTANTIATE_ENGINES(Labels);
