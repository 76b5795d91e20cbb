#pragma once
// Points SANE at its own "test" backend for the life of the object: a
// configuration folder whose dll.conf loads only that backend, so scans come
// from a real SANE device that draws a grid. With enabled false the folder
// loads no backend at all (no scanner answers).
//
// SANE reads SANE_CONFIG_DIR once per process and keeps the folder list, so
// every instance uses the same folder and only rewrites the files in it.

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
                  + QByteArray("\ntest-picture \"Grid\"\ntl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n"));
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
