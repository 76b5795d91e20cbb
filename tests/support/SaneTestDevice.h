#pragma once
// Points SANE at its own "test" backend for the life of the object: a
// configuration folder whose dll.conf loads only that backend, so scans come
// from a real SANE device that draws a grid. With enabled false the folder
// loads no backend at all (no scanner answers).

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

namespace nimbo::test {

class SaneTestDevice {
public:
    explicit SaneTestDevice(bool enabled = true, int resolution = 50)
    {
        old_ = qgetenv("SANE_CONFIG_DIR");
        had_ = qEnvironmentVariableIsSet("SANE_CONFIG_DIR");
        write(QStringLiteral("dll.conf"), enabled ? QByteArray("test\n") : QByteArray());
        write(QStringLiteral("test.conf"),
              QByteArray("number_of_devices 1\nmode Gray\ndepth 8\nresolution ") + QByteArray::number(resolution)
                  + QByteArray("\ntest-picture \"Grid\"\ntl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n"));
        qputenv("SANE_CONFIG_DIR", QFile::encodeName(dir_.path()));
    }
    ~SaneTestDevice()
    {
        if (had_)
            qputenv("SANE_CONFIG_DIR", old_);
        else
            qunsetenv("SANE_CONFIG_DIR");
    }
    SaneTestDevice(const SaneTestDevice &) = delete;
    SaneTestDevice &operator=(const SaneTestDevice &) = delete;
    QString path() const { return dir_.path(); }

private:
    void write(const QString &name, const QByteArray &content)
    {
        QFile f(dir_.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }
    QTemporaryDir dir_;
    QByteArray old_;
    bool had_ = false;
};

} // namespace nimbo::test
