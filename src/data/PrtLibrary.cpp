#include "data/PrtLibrary.h"

#include <QRegularExpression>

namespace PrtLibrary {

QString devicePath(const QString &configured)
{
    const QString value = configured.trimmed();
    static const QRegularExpression port(QStringLiteral("^(LPT|COM)([1-9][0-9]?):?$"),
                                         QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = port.match(value);
    if (m.hasMatch()) {
        const int index = m.captured(2).toInt() - 1;
        const bool parallel = m.captured(1).compare(QLatin1String("LPT"), Qt::CaseInsensitive) == 0;
        return (parallel ? QStringLiteral("/dev/lp") : QStringLiteral("/dev/ttyS")) + QString::number(index);
    }
    if (value.compare(QLatin1String("PRN"), Qt::CaseInsensitive) == 0
        || value.compare(QLatin1String("PRN:"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("/dev/lp0");
    return value;
}

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
    m_file.setFileName(path);
    // Unbuffered, so each line reaches the port when it is written.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(OpenFailed, QStringLiteral("Errore nella apertura della Stampante"));
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
