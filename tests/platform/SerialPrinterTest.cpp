// Serial output through a real pseudo-terminal: the port under test is the
// slave side, the test reads what arrives on the master side.

#include <QDir>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include "platform/SerialPrinter.h"

using namespace nimbo;

namespace {

TEST(SerialSettings, ParsesTheTraditionalTextAndRejectsMalformedOnes)
{
    SerialSettings s;
    ASSERT_TRUE(parseSerialSettings(QStringLiteral("9600,n,8,1"), &s));
    EXPECT_EQ(s.baudRate, 9600);
    EXPECT_EQ(s.parity, QSerialPort::NoParity);
    EXPECT_EQ(s.dataBits, QSerialPort::Data8);
    EXPECT_EQ(s.stopBits, QSerialPort::OneStop);

    ASSERT_TRUE(parseSerialSettings(QStringLiteral(" 19200 , E , 7 , 2 "), &s));
    EXPECT_EQ(s.baudRate, 19200);
    EXPECT_EQ(s.parity, QSerialPort::EvenParity);
    EXPECT_EQ(s.dataBits, QSerialPort::Data7);
    EXPECT_EQ(s.stopBits, QSerialPort::TwoStop);

    for (const char *bad : {"", "9600,n,8", "9600,n,8,1,0", "veloce,n,8,1", "-9600,n,8,1", "9600,x,8,1",
                            "9600,n,9,1", "9600,n,4,1", "9600,n,8,3"}) {
        SerialSettings untouched;
        untouched.baudRate = 1;
        EXPECT_FALSE(parseSerialSettings(QString::fromLatin1(bad), &untouched)) << bad;
        EXPECT_EQ(untouched.baudRate, 1) << bad;
    }
}

TEST(SerialSettings, MapsConfiguredPortsToDevices)
{
    EXPECT_EQ(serialDeviceName(QStringLiteral("1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(serialDeviceName(QStringLiteral("com2")), QStringLiteral("/dev/ttyS1"));
    EXPECT_EQ(serialDeviceName(QStringLiteral("COM3:")), QStringLiteral("/dev/ttyS2"));
    EXPECT_EQ(serialDeviceName(QStringLiteral(" /dev/pts/7 ")), QStringLiteral("/dev/pts/7"));
    EXPECT_EQ(serialDeviceName(QStringLiteral("ttyUSB0")), QStringLiteral("/dev/ttyUSB0"));
    // The raw label output maps ports the same way.
    EXPECT_EQ(portDevicePath(QStringLiteral("1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(portDevicePath(QStringLiteral("COM1")), QStringLiteral("/dev/ttyS0"));
    EXPECT_EQ(portDevicePath(QStringLiteral("lpt2")), QStringLiteral("/dev/lp1"));
    EXPECT_EQ(portDevicePath(QStringLiteral("PRN")), QStringLiteral("/dev/lp0"));
    EXPECT_EQ(portDevicePath(QStringLiteral("etichette.prn")), QStringLiteral("etichette.prn"));
    EXPECT_TRUE(serialDeviceName(QStringLiteral("0")).isEmpty());
    EXPECT_TRUE(serialDeviceName(QString()).isEmpty());
}

TEST(SerialOutput, BytesArriveUnchangedOnTheOtherEndAndFailuresAreReported)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    const QByteArray data("ENTE - PROTOCOLLO N. 0000123 DEL 05/03/2024\r\n\x7f");

    const SerialResult rc = sendSerial(QString::fromLatin1(name), QStringLiteral("9600,n,8,1"), data);
    EXPECT_TRUE(rc.ok()) << rc.text.toStdString();

    QByteArray got;
    pollfd pfd{master, POLLIN, 0};
    while (got.size() < data.size() && poll(&pfd, 1, 2000) > 0) {
        char buf[256];
        const ssize_t n = read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, n);
    }
    EXPECT_EQ(got, data);

    const SerialResult bad = sendSerial(QString::fromLatin1(name), QStringLiteral("9600,z,8,1"), data);
    EXPECT_EQ(bad.code, SerialResult::BadSettings);
    EXPECT_EQ(bad.text, QStringLiteral("Impostazioni della porta seriale non valide: 9600,z,8,1"));
    close(slave);
    close(master);

    const SerialResult missing = sendSerial(QStringLiteral("/dev/nessuna-porta"), QStringLiteral("9600,n,8,1"), data);
    EXPECT_EQ(missing.code, SerialResult::OpenFailed);
    EXPECT_TRUE(missing.text.startsWith(QStringLiteral("Impossibile aprire la porta seriale /dev/nessuna-porta")));

    EXPECT_EQ(sendSerial(QString(), QStringLiteral("9600,n,8,1"), data).code, SerialResult::NoPort);
}

} // namespace
