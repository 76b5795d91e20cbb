#include "platform/FileSystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace nimbo::fs {

QString networkKind(unsigned long magic)
{
    switch (magic) {
    case 0x6969UL: return QStringLiteral("nfs");
    case 0xFF534D42UL: return QStringLiteral("cifs");
    case 0xFE534D42UL: return QStringLiteral("smb2");
    case 0x517BUL: return QStringLiteral("smb");
    case 0x564CUL: return QStringLiteral("ncp");
    case 0x5346414FUL: return QStringLiteral("afs");
    case 0x73757245UL: return QStringLiteral("coda");
    case 0x00C36400UL: return QStringLiteral("ceph");
    case 0x01021997UL: return QStringLiteral("9p");
    case 0x65735546UL: return QStringLiteral("fuse"); // sshfs and friends
    case 0x47504653UL: return QStringLiteral("gpfs");
    case 0x0BD00BD0UL: return QStringLiteral("lustre");
    default: return {};
    }
}

QString networkFileSystem(const QString &path)
{
    QFileInfo info(path);
    QString probe = info.exists() ? info.absoluteFilePath() : info.absolutePath();
    while (!probe.isEmpty() && !QFileInfo::exists(probe)) {
        const QString up = QFileInfo(probe).absolutePath();
        if (up == probe)
            break;
        probe = up;
    }
    struct statfs st {};
    if (probe.isEmpty() || statfs(QFile::encodeName(probe).constData(), &st) != 0)
        return {};
    return networkKind(static_cast<unsigned long>(st.f_type));
}

void ownerOnlyFromNowOn() { ::umask(077); }

bool makeOwnerFolder(const QString &path, bool *created)
{
    if (created)
        *created = false;
    if (QFileInfo(path).isDir())
        return true;
    if (::mkdir(QFile::encodeName(path).constData(), 0700) != 0)
        return QFileInfo(path).isDir();
    if (created)
        *created = true;
    return true;
}

bool makeOwnerPath(const QString &path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !makeOwnerPath(parent))
        return false;
    return makeOwnerFolder(clean);
}

bool makeOwnerFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return QFileInfo(path).isFile();
    ::close(fd);
    return true;
}

QString widerThanOwner(const QString &path)
{
    struct stat st {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0 || (st.st_mode & 077) == 0)
        return {};
    return QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path)).arg(st.st_mode & 0777, 4, 8, QLatin1Char('0'));
}

} // namespace nimbo::fs
