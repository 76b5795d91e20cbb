#include "platform/CardReader.h"

#include <winscard.h>

#include <QStringList>
#include <vector>

namespace nimbo {
namespace {

CardReader *g_reader = nullptr;

QString pcscError(LONG rv) { return QString::fromLocal8Bit(pcsc_stringify_error(rv)); }

// Context and card handles released on every way out.
struct Pcsc {
    SCARDCONTEXT context = 0;
    SCARDHANDLE card = 0;
    bool hasContext = false;
    ~Pcsc()
    {
        if (card)
            SCardDisconnect(card, SCARD_LEAVE_CARD);
        if (hasContext)
            SCardReleaseContext(context);
    }
};

// Sends one command; the reply without its status word when the status is
// 90 00, otherwise an error text.
bool transmit(const Pcsc &p, DWORD protocol, const QByteArray &apdu, QByteArray *reply, QString *error)
{
    const SCARD_IO_REQUEST *pci = protocol == SCARD_PROTOCOL_T1 ? SCARD_PCI_T1 : SCARD_PCI_T0;
    unsigned char buffer[258];
    DWORD length = sizeof buffer;
    const LONG rv = SCardTransmit(p.card, pci, reinterpret_cast<const unsigned char *>(apdu.constData()),
                                  DWORD(apdu.size()), nullptr, buffer, &length);
    if (rv != SCARD_S_SUCCESS) {
        *error = pcscError(rv);
        return false;
    }
    if (length < 2 || buffer[length - 2] != 0x90 || buffer[length - 1] != 0x00) {
        *error = length >= 2 ? QStringLiteral("risposta della carta %1%2")
                                   .arg(buffer[length - 2], 2, 16, QLatin1Char('0'))
                                   .arg(buffer[length - 1], 2, 16, QLatin1Char('0'))
                             : QStringLiteral("risposta della carta vuota");
        return false;
    }
    *reply = QByteArray(reinterpret_cast<const char *>(buffer), int(length - 2));
    return true;
}

QByteArray selectFile(unsigned char hi, unsigned char lo)
{
    const char apdu[] = {0x00, char(0xA4), 0x00, 0x00, 0x02, char(hi), char(lo)};
    return QByteArray(apdu, sizeof apdu);
}

} // namespace

CardReader &cardReader()
{
    static PcscCardReader pcsc;
    return g_reader ? *g_reader : pcsc;
}

void setCardReader(CardReader *r) { g_reader = r; }

QString PcscCardReader::holderText(const QByteArray &file)
{
    bool ok = false;
    int pos = 6;
    if (file.size() < pos)
        return {};
    const int total = file.left(6).toInt(&ok, 16);
    if (!ok || total <= 0)
        return {};
    const int end = std::min<qsizetype>(file.size(), pos + total);
    QStringList fields;
    while (pos + 2 <= end) {
        const int len = file.mid(pos, 2).toInt(&ok, 16);
        if (!ok || pos + 2 + len > end)
            return {};
        fields << QString::fromLatin1(file.mid(pos + 2, len)).trimmed();
        pos += 2 + len;
    }
    if (fields.size() < 9 || fields.at(8).isEmpty())
        return {};
    return fields.at(3) + QLatin1Char('/') + fields.at(4) + QLatin1Char('/') + fields.at(8);
}

CardHolder PcscCardReader::readHolder()
{
    CardHolder out;
    Pcsc p;
    LONG rv = SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &p.context);
    if (rv != SCARD_S_SUCCESS) {
        out.error = pcscError(rv);
        return out;
    }
    p.hasContext = true;
    DWORD size = 0;
    rv = SCardListReaders(p.context, nullptr, nullptr, &size);
    if (rv != SCARD_S_SUCCESS) {
        out.error = pcscError(rv);
        return out;
    }
    std::vector<char> names(size);
    rv = SCardListReaders(p.context, nullptr, names.data(), &size);
    if (rv != SCARD_S_SUCCESS || size < 2) {
        out.error = rv != SCARD_S_SUCCESS ? pcscError(rv) : pcscError(SCARD_E_NO_READERS_AVAILABLE);
        return out;
    }
    DWORD protocol = 0;
    rv = SCardConnect(p.context, names.data(), SCARD_SHARE_SHARED, SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &p.card,
                      &protocol);
    if (rv != SCARD_S_SUCCESS) {
        p.card = 0;
        out.error = pcscError(rv);
        return out;
    }
    // Master file, the holder's folder, the holder's data file.
    QByteArray reply;
    for (const QByteArray &apdu : {selectFile(0x3F, 0x00), selectFile(0x11, 0x00), selectFile(0x11, 0x02)}) {
        if (!transmit(p, protocol, apdu, &reply, &out.error))
            return out;
    }
    QByteArray file;
    for (int offset = 0; offset < 0x7FFF; offset += 0xFF) {
        const char apdu[] = {0x00, char(0xB0), char((offset >> 8) & 0x7F), char(offset & 0xFF), char(0xFF)};
        QString error;
        if (!transmit(p, protocol, QByteArray(apdu, sizeof apdu), &reply, &error)) {
            if (file.isEmpty()) {
                out.error = error;
                return out;
            }
            break; // past the end of the file
        }
        file += reply;
        if (reply.size() < 0xFF)
            break;
    }
    out.text = holderText(file);
    if (out.text.isEmpty()) {
        out.error = QStringLiteral("dati del titolare non leggibili");
        return out;
    }
    out.ok = true;
    return out;
}

} // namespace nimbo
