#pragma once
// The text describing the workstation's Ethernet adapters that goes with
// every document read into the access log.
//
//   "<n> Adapter(s):" then, per Ethernet adapter,
//   "\r\n[<description>] \r\n\t<AA-BB-CC-DD-EE-FF>"
//
// n counts the adapters listed, so a workstation without an Ethernet
// adapter gives "0 Adapter(s):" and nothing else.

#include <QList>
#include <QString>

namespace modGetMACadr {

struct Adapter {
    QString description;
    QString hardwareAddress; // as the system gives it, bytes separated by ':' or '-'
};

// The workstation's Ethernet adapters, in the system's order. False when
// the system lists no interface at all (not even the loopback), which only
// happens when the list cannot be read.
bool ethernetAdapters(QList<Adapter> *adapters);

// Six upper-case hexadecimal bytes joined by "-": a missing byte is "00",
// a single digit is padded with "0". Anything that is not a hex byte
// counts as missing.
QString formatAddress(const QString &hardwareAddress);

// The text for a list of adapters.
QString adapterText(const QList<Adapter> &adapters);

// The text for this workstation; empty when the adapters cannot be read.
QString GetMACAddress();

} // namespace modGetMACadr
