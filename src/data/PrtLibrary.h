#pragma once
// Raw output to a printer port or a file: the label printer driven by its
// own command language gets its lines exactly as built, each one followed
// by CR LF. Nothing here shows UI: the outcome is a code and a text.

#include <QFile>
#include <QString>
#include <QStringList>
#include <QVariantList>

namespace PrtLibrary {

enum ErrorCode : int {
    NoError = 0,
    OpenFailed = 1,  // "Errore nella apertura della Stampante"
    WriteFailed = 2, // "Errore nella scrittura sulla Stampante: " + detail
    NotOpen = 3,     // "Stampante non aperta"
};

// The path for a configured port, mapped as for the stamping printer
// (nimbo::portDevicePath): "1" and "COM1" -> "/dev/ttyS0", "LPT1" and "PRN"
// -> "/dev/lp0"; anything else (a device or a file path) as given, trimmed.
QString devicePath(const QString &configured);

class RawPrinter {
public:
    RawPrinter() = default;
    ~RawPrinter();
    RawPrinter(const RawPrinter &) = delete;
    RawPrinter &operator=(const RawPrinter &) = delete;

    // Opens the port or file for output; a file is started afresh. A device
    // must exist (nothing is created under /dev), and a terminal line is put
    // in raw mode so that the lines reach the printer unchanged.
    bool open(const QString &target);
    // Writes one line, unchanged, then CR LF. Texts go out one byte per
    // character (Latin-1), as the printers' code page expects.
    bool writeLine(const QString &line);
    // Flushes and closes; false when the last bytes could not be written.
    bool close();
    bool isOpen() const { return m_file.isOpen(); }

    int errorCode() const { return m_code; }
    QString errorText() const { return m_text; }

private:
    bool fail(int code, const QString &text);
    bool openDevice(const QString &path);
    QFile m_file;
    int m_code = NoError;
    QString m_text;
};

// Opens target, writes every line and closes it. The reply's element 0 is
// 0 on success, otherwise the error code, with the text in element 1.
QVariantList printLines(const QString &target, const QStringList &lines);

} // namespace PrtLibrary
