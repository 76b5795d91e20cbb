#include "data/modGetMACadr.h"

#include <QNetworkInterface>
#include <QRegularExpression>

namespace modGetMACadr {

bool ethernetAdapters(QList<Adapter> *adapters)
{
    adapters->clear();
    const QList<QNetworkInterface> all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : all) {
        if (iface.type() != QNetworkInterface::Ethernet)
            continue;
        adapters->append({iface.humanReadableName(), iface.hardwareAddress()});
    }
    return !all.isEmpty();
}

QString formatAddress(const QString &hardwareAddress)
{
    static const QRegularExpression separators(QStringLiteral("[:\\-]"));
    const QStringList parts = hardwareAddress.trimmed().split(separators);
    QStringList bytes;
    for (int i = 0; i < 6; ++i) {
        bool ok = false;
        const QString part = i < parts.size() ? parts.at(i).trimmed() : QString();
        const uint value = part.size() <= 2 ? part.toUInt(&ok, 16) : 0;
        bytes.append(ok ? QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper() : QStringLiteral("00"));
    }
    return bytes.join(QLatin1Char('-'));
}

QString adapterText(const QList<Adapter> &adapters)
{
    // Line breaks are the CR LF pair that the access log has always held.
    const QString lineBreak = QStringLiteral("\r\n");
    QString text = QString::number(adapters.size()) + QStringLiteral(" Adapter(s):");
    for (const Adapter &a : adapters) {
        text += lineBreak + QLatin1Char('[') + a.description + QStringLiteral("] ") + lineBreak + QLatin1Char('\t')
            + formatAddress(a.hardwareAddress);
    }
    return text;
}

QString GetMACAddress()
{
    QList<Adapter> adapters;
    if (!ethernetAdapters(&adapters))
        return {};
    return adapterText(adapters);
}

} // namespace modGetMACadr
