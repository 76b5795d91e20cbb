#include "session/DicAmbiente.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>
#include <QStringDecoder>

#include "platform/FileSystem.h"

namespace DicAmbiente {
namespace {

Session g_session;

// Configuration files come from Windows installations: their paths use '\'.
QString slashes(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString withoutTrailingSlash(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder;
}

// Program folder followed by the value; the separator between them and the
// final one are added when the file leaves them out, so that the daily
// files never land beside the folder instead of inside it.
QString underProgramFolder(const QString &programFolder, const QString &value)
{
    QString v = slashes(value);
    if (!v.startsWith(QLatin1Char('/')))
        v.prepend(QLatin1Char('/'));
    if (!v.endsWith(QLatin1Char('/')))
        v.append(QLatin1Char('/'));
    return programFolder + v;
}

void declare(Config &cfg, const QString &name, const QString &path)
{
    if (cfg.databases.size() < kMaxDbDeclarations) {
        cfg.databases.append({name, path});
        return;
    }
    // The table is full: keep the newest value of a name already declared, so
    // the declaration and the session field never disagree.
    for (qsizetype i = cfg.databases.size() - 1; i >= 0; --i) {
        if (cfg.databases[i].name == name) {
            cfg.databases[i].path = path;
            return;
        }
    }
}

void readShort(const QString &value, qint16 &target)
{
    bool ok = false;
    const qint16 n = value.trimmed().toShort(&ok);
    if (ok)
        target = n;
}

bool flag(const QString &value) { return value.toUpper() == QLatin1String("ON"); }

void applyLine(const QString &line, Config &cfg, const QString &programFolder)
{
    const qsizetype p = line.indexOf(QLatin1Char('='));
    // The first four characters are the "SET " lead-in; a line too short to
    // hold one before "=" has no key.
    if (p < 5)
        return;
    const QString key = line.mid(4, p - 4).toUpper();
    const QString value = line.mid(p + 1);

    if (key == QLatin1String("PORTA-COM"))
        cfg.portaCom = value.trimmed();
    else if (key == QLatin1String("PATHDB"))
        cfg.pathDb = slashes(value.trimmed());
    else if (key == QLatin1String("REPORT"))
        cfg.report = slashes(value.trimmed());
    else if (key == QLatin1String("UTENTE"))
        cfg.utente = value;
    else if (key == QLatin1String("APPLTEMP"))
        cfg.applTemp = underProgramFolder(programFolder, value);
    else if (key == QLatin1String("APPLTRACE"))
        cfg.applTrace = flag(value);
    else if (key == QLatin1String("LOG"))
        cfg.log = flag(value);
    else if (key == QLatin1String("SYSMDA"))
        cfg.sysMda = cfg.pathDb + slashes(value);
    else if (key == QLatin1String("SCANNER"))
        cfg.scanner = value;
    else if (key == QLatin1String("CDWRITER"))
        cfg.cdWriter = value;
    else if (key == QLatin1String("SERVERIMG"))
        cfg.serverImg = value.toUpper();
    else if (key == QLatin1String("IMAGE"))
        cfg.image = value;
    else if (key == QLatin1String("POSTAZIONE"))
        cfg.postazione = value;
    else if (key == QLatin1String("DOC"))
        cfg.doc = value;
    else if (key == QLatin1String("PROTOCOLLO")) {
        cfg.protocollo = cfg.pathDb + slashes(value);
        declare(cfg, key, cfg.protocollo);
    } else if (key == QLatin1String("TABLOCAL")) {
        cfg.tabLocal = cfg.pathDb + slashes(value);
        declare(cfg, key, cfg.tabLocal);
    } else if (key == QLatin1String("OLEGP"))
        cfg.oleGp = value;
    else if (key == QLatin1String("OLEIMG"))
        cfg.oleImg = value;
    else if (key == QLatin1String("OLEEML"))
        cfg.oleEml = value;
    else if (key == QLatin1String("OLESTORICO"))
        cfg.oleStorico = value;
    else if (key == QLatin1String("OLEGENERICA"))
        cfg.oleGenerica = value;
    else if (key == QLatin1String("AUSL"))
        cfg.ausl = value;
    else if (key == QLatin1String("ISTITUTO"))
        cfg.istituto = value;
    else if (key == QLatin1String("STORICOEMAIL"))
        cfg.storicoEmail = value;
    else if (key == QLatin1String("AOOSTORICO"))
        cfg.aooStorico = value;
    else if (key == QLatin1String("STAMPANTE-ETICHETTE"))
        cfg.stampanteEtichette = value.toUpper();
    else if (key == QLatin1String("STAMPANTE-REPORT"))
        cfg.stampanteReport = value.trimmed();
    else if (key == QLatin1String("SCADENZA-PASSWORD"))
        readShort(value, cfg.scadenzaPassword);
    else if (key == QLatin1String("COMPRESSO"))
        readShort(value, cfg.compresso);
    else if (key == QLatin1String("SHOW_SETUP_BEFORE_SCAN"))
        readShort(value, cfg.showSetupBeforeScan);
    else if (key == QLatin1String("SERVERDB"))
        cfg.serverDb = value.trimmed();
    else if (key == QLatin1String("KEYFILE")) {
        const QString file = slashes(value.trimmed());
        cfg.keyFile = file.isEmpty() || QDir::isAbsolutePath(file) ? file : programFolder + QLatin1Char('/') + file;
    } else if (key == QLatin1String("CODICEIPA")) {
        cfg.codiceIpa = value.trimmed();
    } else if (key == QLatin1String("CODICEAOO")) {
        cfg.codiceAoo = value.trimmed();
    } else if (key == QLatin1String("CODICEREGISTRO")) {
        cfg.codiceRegistro = value.trimmed();
    } else if (key == QLatin1String("MAILCA")) {
        const QString file = slashes(value.trimmed());
        cfg.mailCa = file.isEmpty() || QDir::isAbsolutePath(file) ? file : programFolder + QLatin1Char('/') + file;
    }
}

// The program's folders hold logs, scans and opened documents: for the
// operator's account only.
bool makeFolder(const QString &path, bool &created) { return nimbo::fs::makeOwnerFolder(path, &created); }

void touch(const QString &path) { nimbo::fs::makeOwnerFile(path); }

// Files written on Windows workstations are usually in the ANSI code page;
// read them as UTF-8 when they are valid UTF-8 and as Latin-1 otherwise, so
// that accented names (AUSL, ISTITUTO) survive either way.
QString decode(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return QString::fromLatin1(bytes);
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

void dropIfStale(const QString &path, const QDate &today)
{
    const QFileInfo info(path);
    if (info.exists() && info.lastModified().date() != today)
        QFile::remove(path);
}

} // namespace

Session &session() { return g_session; }
void resetSession() { g_session = Session(); }

Config defaultConfig(const QString &programFolder)
{
    Config cfg;
    cfg.utente = QSysInfo::machineHostName().left(100);
    cfg.applTemp = withoutTrailingSlash(programFolder) + QStringLiteral("/temp/");
    return cfg;
}

bool readConfig(const QString &path, Config &cfg)
{
    QString folder = g_session.programFolder;
    if (folder.isEmpty())
        folder = QFileInfo(path).absolutePath();
    return readConfig(path, cfg, folder);
}

bool readConfig(const QString &path, Config &cfg, const QString &programFolder)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QString folder = withoutTrailingSlash(slashes(programFolder));
    Config read = defaultConfig(folder);
    const QStringList lines = decode(file.readAll()).split(QLatin1Char('\n'));
    for (QString line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('\'')))
            continue;
        applyLine(line, read, folder);
    }
    if (read.aooStorico.trimmed().isEmpty())
        read.aooStorico = QStringLiteral("001");
    cfg = read;
    return true;
}

void locateProgram() { locateProgram(QCoreApplication::applicationFilePath()); }

void locateProgram(const QString &executablePath)
{
    const QFileInfo exe(executablePath);
    const QString home = qEnvironmentVariable("NIMBO_HOME");
    const QString folder = home.isEmpty() ? exe.absolutePath() : QDir(slashes(home)).absolutePath();
    g_session.programFolder = withoutTrailingSlash(folder);
    g_session.programName = exe.completeBaseName();
}

QString configPath(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".ini");
}

QString configPath() { return configPath(g_session.programFolder, g_session.programName); }

QString declaredDatabase(const Config &cfg, const QString &logicalName)
{
    for (qsizetype i = cfg.databases.size() - 1; i >= 0; --i)
        if (cfg.databases[i].name.compare(logicalName, Qt::CaseInsensitive) == 0)
            return cfg.databases[i].path;
    return {};
}

bool ensureFolders(const QString &programFolder)
{
    const QString root = withoutTrailingSlash(programFolder) + QLatin1Char('/');
    bool ok = true;
    bool created = false;

    ok &= makeFolder(root + QStringLiteral("tempOle"), created);
    ok &= makeFolder(root + QStringLiteral("temp"), created);
    ok &= makeFolder(root + QStringLiteral("documenti"), created);
    if (created) {
        bool sub = false;
        ok &= makeFolder(root + QStringLiteral("documenti/appoimg"), sub);
        ok &= makeFolder(root + QStringLiteral("documenti/Appoggio"), sub);
        ok &= makeFolder(root + QStringLiteral("documenti/transitoIMG"), sub);
    }
    ok &= makeFolder(root + QStringLiteral("StoricoEMail"), created);
    if (created)
        touch(root + QStringLiteral("StoricoEMail/StoricoEMail.txt"));
    ok &= makeFolder(root + QStringLiteral("New"), created);
    if (created) {
        touch(root + QStringLiteral("New/Scarico.txt"));
        touch(root + QStringLiteral("Scarico.txt"));
    }
    return ok;
}

bool ensureWorkFolder(const QString &folder)
{
    if (folder.isEmpty())
        return false;
    bool created = false;
    return makeFolder(withoutTrailingSlash(folder), created);
}

QString workFolder()
{
    if (!g_session.cfg.applTemp.isEmpty())
        return g_session.cfg.applTemp;
    if (!g_session.programFolder.isEmpty())
        return g_session.programFolder + QStringLiteral("/temp/");
    return {};
}

QString logFilePath(const QDate &day)
{
    const QString folder = workFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("Log") + g_session.programName + QStringLiteral(".D") +
           QStringLiteral("%1").arg(day.day(), 2, 10, QLatin1Char('0'));
}

QString traceFilePath(const QDate &day)
{
    const QString folder = workFolder();
    if (folder.isEmpty())
        return {};
    return folder + QStringLiteral("Trc") + g_session.programName + QStringLiteral(".D") +
           QStringLiteral("%1").arg(day.day(), 2, 10, QLatin1Char('0'));
}

QString logFilePath() { return logFilePath(QDate::currentDate()); }
QString traceFilePath() { return traceFilePath(QDate::currentDate()); }

void prepareDailyFiles() { prepareDailyFiles(QDate::currentDate()); }

void prepareDailyFiles(const QDate &today)
{
    ensureWorkFolder(workFolder());
    const QString log = logFilePath(today);
    const QString trace = traceFilePath(today);
    if (!log.isEmpty())
        dropIfStale(log, today);
    if (!trace.isEmpty())
        dropIfStale(trace, today);
}

} // namespace DicAmbiente
