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

// The device for a configured port (PORTA-COM), the one mapping used by the
// raw label output and the stamping printer alike: a port number counts from
// 1 as on the workstations the settings come from, so "1", "COM1" and
// "COM1:" are /dev/ttyS0; "LPT1" and "PRN" are /dev/lp0; a bare device name
// ("ttyUSB0") lies in /dev; any other text (a full path such as
// "/dev/pts/3", or a file) is used as given, trimmed. Empty when nothing,
// or port number 0, is configured.
QString portDevicePath(const QString &configuredPort);
// The serial line for a configured port: portDevicePath().
inline QString serialDeviceName(const QString &configuredPort) { return portDevicePath(configuredPort); }

// Puts an open terminal line in raw mode, so that bytes written to it leave
// unchanged (no CR/LF translation, no echo) and without waiting for modem
// lines. False when fd is not a
// terminal or its settings cannot be changed.
bool makeRawTerminal(int fd);

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
