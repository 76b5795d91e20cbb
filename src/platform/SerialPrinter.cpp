#include "platform/SerialPrinter.h"

#include <QRegularExpression>
#include <QStringList>

#include <termios.h>
#include <unistd.h>

namespace nimbo {

bool parseSerialSettings(const QString &text, SerialSettings *out)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    SerialSettings s;

    bool ok = false;
    const QString speed = parts.at(0).trimmed();
    s.baudRate = speed.toInt(&ok);
    if (!ok || s.baudRate <= 0)
        return false;

    const QString parity = parts.at(1).trimmed().toLower();
    if (parity == QLatin1String("n"))
        s.parity = QSerialPort::NoParity;
    else if (parity == QLatin1String("e"))
        s.parity = QSerialPort::EvenParity;
    else if (parity == QLatin1String("o"))
        s.parity = QSerialPort::OddParity;
    else if (parity == QLatin1String("m"))
        s.parity = QSerialPort::MarkParity;
    else if (parity == QLatin1String("s"))
        s.parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts.at(2).trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    s.dataBits = QSerialPort::DataBits(bits);

    const QString stop = parts.at(3).trimmed();
    if (stop == QLatin1String("1"))
        s.stopBits = QSerialPort::OneStop;
    else if (stop == QLatin1String("1.5"))
        s.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == QLatin1String("2"))
        s.stopBits = QSerialPort::TwoStop;
    else
        return false;

    *out = s;
    return true;
}

QString portDevicePath(const QString &configuredPort)
{
    const QString port = configuredPort.trimmed();
    if (port.isEmpty())
        return {};
    static const QRegularExpression numbered(QStringLiteral("^(COM|LPT)?(\\d+):?$"),
                                             QRegularExpression::CaseInsensitiveOption);
    if (const auto m = numbered.match(port); m.hasMatch()) {
        const int n = m.captured(2).toInt();
        if (n < 1)
            return {};
        const bool parallel = m.captured(1).compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0;
        return (parallel ? QStringLiteral("/dev/lp%1") : QStringLiteral("/dev/ttyS%1")).arg(n - 1);
    }
    if (port.compare(QLatin1String("PRN"), Qt::CaseInsensitive) == 0
        || port.compare(QLatin1String("PRN:"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("/dev/lp0");
    static const QRegularExpression bareDevice(QStringLiteral("^tty[A-Za-z0-9]+$"));
    if (bareDevice.match(port).hasMatch())
        return QStringLiteral("/dev/") + port;
    return port;
}

bool makeRawTerminal(int fd)
{
    if (fd < 0 || !isatty(fd))
        return false;
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return false;
    cfmakeraw(&t);
    // No modem lines on a printer cable: do not wait for them.
    t.c_cflag |= CLOCAL;
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

SerialResult sendSerial(const QString &configuredPort, const QString &settings, const QByteArray &data,
                        int timeoutMs)
{
    const QString device = serialDeviceName(configuredPort);
    if (device.isEmpty())
        return {SerialResult::NoPort, QStringLiteral("Porta seriale non configurata")};
    SerialSettings s;
    if (!parseSerialSettings(settings, &s))
        return {SerialResult::BadSettings, QStringLiteral("Impostazioni della porta seriale non valide: ") + settings};

    QSerialPort port;
    port.setPortName(device);
    if (!port.open(QIODevice::WriteOnly))
        return {SerialResult::OpenFailed,
                QStringLiteral("Impossibile aprire la porta seriale ") + device + QStringLiteral(": ") + port.errorString()};
    // Flow control off: stamping printers take a single short line and many
    // cables carry no handshake lines.
    if (!port.setBaudRate(s.baudRate) || !port.setParity(s.parity) || !port.setDataBits(s.dataBits)
        || !port.setStopBits(s.stopBits) || !port.setFlowControl(QSerialPort::NoFlowControl)) {
        const QString why = port.errorString();
        port.close();
        return {SerialResult::BadSettings,
                QStringLiteral("Impostazioni della porta seriale non valide: ") + settings + QStringLiteral(" - ") + why};
    }

    qint64 written = 0;
    while (written < data.size()) {
        const qint64 n = port.write(data.constData() + written, data.size() - written);
        if (n < 0)
            break;
        written += n;
    }
    bool flushed = written == data.size();
    while (flushed && port.bytesToWrite() > 0) {
        if (!port.waitForBytesWritten(timeoutMs))
            flushed = false;
    }
    if (!flushed) {
        const QString why = port.errorString();
        port.close();
        return {SerialResult::WriteFailed,
                QStringLiteral("Errore nella scrittura sulla porta seriale ") + device + QStringLiteral(": ") + why};
    }
    port.close();
    return {};
}

} // namespace nimbo
