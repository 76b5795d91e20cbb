#include "data/PrtLibrary.h"

#include "platform/SerialPrinter.h"

#include <fcntl.h>
#include <unistd.h>

namespace PrtLibrary {

QString devicePath(const QString &configured) { return nimbo::portDevicePath(configured); }

RawPrinter::~RawPrinter()
{
    if (m_file.isOpen())
        m_file.close();
}

bool RawPrinter::fail(int code, const QString &text)
{
    m_code = code;
    m_text = text;
    return false;
}

bool RawPrinter::open(const QString &target)
{
    if (m_file.isOpen())
        m_file.close();
    m_code = NoError;
    m_text.clear();
    const QString path = devicePath(target);
    if (path.isEmpty())
        return fail(OpenFailed, QStringLiteral("Errore nella apertura della Stampante"));
    if (path.startsWith(QLatin1String("/dev/")))
        return openDevice(path);
    m_file.setFileName(path);
    // Unbuffered, so each line reaches the file when it is written.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(OpenFailed, QStringLiteral("Errore nella apertura della Stampante"));
    return true;
}

bool RawPrinter::openDevice(const QString &path)
{
    // A port that is not there is a failure, not a new file in its place;
    // opened without waiting for a modem line that a printer cable may lack.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(OpenFailed, QStringLiteral("Errore nella apertura della Stampante"));
    // A serial line would otherwise turn every LF into CR LF.
    const bool ready = (!isatty(fd) || nimbo::makeRawTerminal(fd))
                       && fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
    if (!ready || !m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(OpenFailed, QStringLiteral("Errore nella apertura della Stampante"));
    }
    return true;
}

bool RawPrinter::writeLine(const QString &line)
{
    if (!m_file.isOpen())
        return fail(NotOpen, QStringLiteral("Stampante non aperta"));
    const QByteArray bytes = line.toLatin1() + QByteArrayLiteral("\r\n");
    if (m_file.write(bytes) != bytes.size())
        return fail(WriteFailed, QStringLiteral("Errore nella scrittura sulla Stampante: ") + m_file.errorString());
    return true;
}

bool RawPrinter::close()
{
    if (!m_file.isOpen())
        return true;
    const bool flushed = m_file.flush();
    const QString why = m_file.errorString();
    m_file.close();
    if (!flushed)
        return fail(WriteFailed, QStringLiteral("Errore nella scrittura sulla Stampante: ") + why);
    return true;
}

QVariantList printLines(const QString &target, const QStringList &lines)
{
    RawPrinter printer;
    bool done = printer.open(target);
    for (qsizetype i = 0; done && i < lines.size(); ++i)
        done = printer.writeLine(lines.at(i));
    if (!printer.close())
        done = false;
    if (!done)
        return {printer.errorCode(), printer.errorText()};
    return {0, QString()};
}

} // namespace PrtLibrary
