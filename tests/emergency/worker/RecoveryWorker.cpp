// Recovers emergency registrations the way the recovery window does
// (operation 10, the local update, the image copy through 301), one process
// among several on the same workstation: prints "<emergency number>
// <definitive number>" for each recovered registration; anything that went
// wrong goes to stderr and makes the exit status 1.
//
//   nimbo_recovery_worker sqlite|pg <central file|conninfo> <local file> <folder> <ente> <seed> <dir:number>...

#include <QCoreApplication>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>

#include "emergency/Recovery.h"
#include "platform/Dialogs.h"
#include "servers/ImageRequests.h"
#include "servers/Servers.h"
#include "session/DicAmbiente.h"

namespace {

// Nobody is there to read a box: it goes to stderr.
class StderrDialogs : public nimbo::Dialogs {
public:
    nimbo::Answer message(const QString &title, const QString &text, nimbo::Icon, nimbo::Buttons) override
    {
        std::fprintf(stderr, "box %s: %s\n", qPrintable(title), qPrintable(text));
        return nimbo::Answer::Ok;
    }
    QString openFileName(const QString &, const QString &, const QString &) override { return {}; }
    QString saveFileName(const QString &, const QString &, const QString &) override { return {}; }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 8) {
        std::fprintf(stderr, "usage: %s sqlite|pg <central> <local> <folder> <ente> <seed> <dir:number>...\n", argv[0]);
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
    s.cfg.oleImg = nimbo::kImageProgId;
    s.op.code = QStringLiteral("OP01");
    s.op.ente = a[5];
    s.op.department = QStringLiteral("D01");
    s.op.office = QStringLiteral("U01");
    nimbo::registerServers();
    StderrDialogs boxes;
    nimbo::setDialogs(&boxes);

    QStringList items = a.mid(7);
    QRandomGenerator random(a[6].toUInt() + 1);
    std::shuffle(items.begin(), items.end(), random);
    int status = 0;
    for (const QString &item : items) {
        const QString direction = item.section(QLatin1Char(':'), 0, 0);
        const QString number = item.section(QLatin1Char(':'), 1, 1);
        nimbo::emergency::EmergencyRecord r;
        if (!nimbo::emergency::readEmergencyRecord(direction, number, &r)) {
            std::fprintf(stderr, "%s: not in the local register\n", qPrintable(number));
            status = 1;
            continue;
        }
        const auto out = nimbo::emergency::recover(r, nimbo::emergency::recovererFromSession(), 12, QStringLiteral("LET"));
        if (!out.ok()) {
            std::fprintf(stderr, "%s: outcome %d, %s; image %s %s\n", qPrintable(number), int(out.kind),
                         qPrintable(out.message), qPrintable(out.image.code), qPrintable(out.image.message));
            status = 1;
            continue;
        }
        std::printf("%s %s\n", qPrintable(number), qPrintable(out.number));
        std::fflush(stdout);
    }
    nimbo::setDialogs(nullptr);
    return status;
}
