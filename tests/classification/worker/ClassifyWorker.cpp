// Files one protocol in one dossier the way the classification window does
// (FrmClassifica in the modifiable mode, the dossier handed by the chooser),
// one process among several workstations doing the same at once. Every box
// the clerk would see is printed on stdout, one line each; the exit status
// is 0 when the window came through, whatever it said.
//
//   nimbo_classify_worker sqlite|pg <central> <local> <folder> <ente> <number> <title.category.class.dossier>
//
// It starts when the file <folder>/go appears, so that the processes meet.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <cstdio>

#include "classification/ClassifyProtocol.h"
#include "platform/Dialogs.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"

namespace {

class PrintedDialogs : public nimbo::Dialogs {
public:
    nimbo::Answer message(const QString &, const QString &text, nimbo::Icon, nimbo::Buttons) override
    {
        std::printf("%s\n", qPrintable(QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '))));
        std::fflush(stdout);
        return nimbo::Answer::Ok;
    }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 8) {
        std::fprintf(stderr, "usage: %s sqlite|pg <central> <local> <folder> <ente> <number> <t.c.k.n>\n", argv[0]);
        return 2;
    }
    const bool pg = a[1] == QLatin1String("pg");
    auto &s = DicAmbiente::session();
    s.programFolder = a[4];
    s.programName = QStringLiteral("Nimbo");
    s.cfg = DicAmbiente::defaultConfig(a[4]);
    s.cfg.pathDb = QFileInfo(a[3]).absolutePath() + QLatin1Char('/');
    s.cfg.protocollo = pg ? QString() : a[2];
    s.cfg.tabLocal = a[3];
    s.cfg.databases = {{QStringLiteral("PROTOCOLLO"), s.cfg.protocollo}, {QStringLiteral("TABLOCAL"), a[3]}};
    s.cfg.serverDb = pg ? a[2] : QString();
    s.cfg.oleGenerica = nimbo::kGenericProgId;
    s.cfg.oleGp = nimbo::kProtocolProgId;
    s.op.code = QStringLiteral("DEMO9");
    s.op.ente = a[5];
    nimbo::registerServers();
    PrintedDialogs boxes;
    nimbo::setDialogs(&boxes);

    const QStringList path = a[7].split(QLatin1Char('.'));
    nimbo::protocol::ChosenDossier d;
    d.title = path.value(0);
    d.category = path.value(1);
    d.cls = path.value(2);
    d.dossier = path.value(3).toLongLong();
    nimbo::classification::FrmClassifica window;
    window.setProtocol(QStringLiteral("E"), a[6]);
    window.setMode(nimbo::classification::FrmClassifica::kModifiable);
    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(a[4] + QStringLiteral("/go")) && waited.elapsed() < 20000)
        QThread::msleep(5);
    window.addDossiers({d});
    nimbo::setDialogs(nullptr);
    return 0;
}
