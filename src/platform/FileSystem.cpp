#include "platform/FileSystem.h"

#include <QDir>
#include <QFileInfo>
#include <sys/vfs.h>

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

} // namespace nimbo::fs
