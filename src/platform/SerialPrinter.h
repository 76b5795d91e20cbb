#pragma once
// Output to a printer on a serial line (the stamping printer): open the
// port with its settings, send the text, close it. No UI: the outcome comes
// back as a code and an Italian text for the window to show.

#include <QSerialPort>
#include <QString>

namespace nimbo {

// Settings written the traditional way, "9600,n,8,1": speed, parity
// (n none, e even, o odd, m mark, s space), data bits (5-8), stop bits (1, 1.5, 2).
struct SerialSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// False for anything malformed; *out is then untouched.
bool parseSerialSettings(const QString &text, SerialSettings *out);

// The device for a configured port: "1" or "COM1" -> "/dev/ttyS0"; a full
// path ("/dev/ttyUSB0", "/dev/pts/3") or a bare device name ("ttyUSB0") is
// used as given. Empty when nothing is configured.
QString serialDeviceName(const QString &configuredPort);

struct SerialResult {
    int code = 0;  // 0 done; otherwise one of the codes below
    QString text;  // Italian text for the operator
    bool ok() const { return code == 0; }

    static constexpr int NoPort = 1;
    static constexpr int BadSettings = 2;
    static constexpr int OpenFailed = 3;
    static constexpr int WriteFailed = 4;
};

// Sends data on the port named by configuredPort with the given settings and
// closes the port again. Waits at most timeoutMs for the bytes to leave.
SerialResult sendSerial(const QString &configuredPort, const QString &settings, const QByteArray &data,
                        int timeoutMs = 3000);

} // namespace nimbo
