#pragma once
// Points SANE at its own "test" backend for the life of the object: a
// configuration folder whose dll.conf loads only that backend, so scans come
// from a real SANE device that draws a grid. With enabled false the folder
// loads no backend at all (no scanner answers).
//
// SANE reads SANE_CONFIG_DIR once per process and keeps the folder list, so
// every instance uses the same folder and only rewrites the files in it.
//
// The page is a small label, 10 x 6 mm, and that is on purpose. The test
// backend fills each page from a reader thread and, as soon as the last byte
// has been read, cancels that thread asynchronously. Caught inside free() of
// a page buffer that went back to its malloc arena, the thread dies holding
// the arena's lock, and the next reader thread given that arena waits for
// ever: a scan test once hung until its time ran out. A page of at most
// 1 KB (here up to 100 dpi) is freed into the thread's own cache, which
// takes no lock.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace nimbo::test {

class SaneTestDevice {
public:
    explicit SaneTestDevice(bool enabled = true, int resolution = 50)
    {
        write(QStringLiteral("dll.conf"), enabled ? QByteArray("test\n") : QByteArray());
        write(QStringLiteral("test.conf"),
              QByteArray("number_of_devices 1\nmode Gray\ndepth 8\nresolution ") + QByteArray::number(resolution)
                  + QByteArray("\ntest-picture \"Grid\"\ntl_x 0.0\ntl_y 0.0\nbr_x 10.0\nbr_y 6.0\n"));
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(folder().path()));
    }
    // Later scans find no scanner unless a new device is made.
    ~SaneTestDevice() { write(QStringLiteral("dll.conf"), QByteArray()); }
    SaneTestDevice(const SaneTestDevice &) = delete;
    SaneTestDevice &operator=(const SaneTestDevice &) = delete;
    QString path() const { return folder().path(); }

private:
    static QTemporaryDir &folder()
    {
        static QTemporaryDir dir;
        return dir;
    }
    static void write(const QString &name, const QByteArray &content)
    {
        QFile f(folder().filePath(name));
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(content);
    }
};

} // namespace nimbo::test
