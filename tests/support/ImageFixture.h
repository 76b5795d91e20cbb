#pragma once
// The central database readied for scanned images and attachments, shared
// by the image server's and the image store's tests: the body ASL1 with
// what a registration refers to, and protocols registered through the
// protocol server as the registration window would.

#include <QFile>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include "servers/ProtocolServer.h"
#include "support/ProtocolRequests.h"
#include "support/RegisterTest.h"
#include "support/TestDb.h"

namespace nimbo::test {

// Bytes that do not compress, the same for the same seed.
inline QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray b(size, Qt::Uninitialized);
    QRandomGenerator g(seed);
    const qsizetype words = size / qsizetype(sizeof(quint32));
    g.fillRange(reinterpret_cast<quint32 *>(b.data()), words);
    for (qsizetype i = words * qsizetype(sizeof(quint32)); i < size; ++i)
        b[i] = char(g.bounded(256));
    return b;
}

// A file written whole (false when it could not be).
inline bool writeFile(const QString &path, const QByteArray &content)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

// A file's bytes, empty when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ImageTest : public nimbo::test::RegisterTest {
protected:
    // A protocol of ASL1 registered by OP01; its number (empty on failure).
    QString registerProtocol(const QString &direction, const QString &subject, bool privacy = false)
    {
        ProtocolServer protocols(db().centralTarget());
        ColumnValues columns = newProtocolColumns(kEnte, direction, subject);
        if (privacy)
            for (auto &c : columns)
                if (c.first == QLatin1String("Tab_SoggPrivacy"))
                    c.second = QStringLiteral("S");
        QVariantList r = registrationRequest(QStringLiteral("A"), protocolCondition(kEnte, direction, {}), columns,
                                             QStringLiteral("OP01"));
        const QVariantList reply = protocols.Elabora(kOpRegistraProtocollo, r);
        EXPECT_EQ(reply.value(0).toString(), QStringLiteral("0")) << reply.value(1).toString().toStdString();
        return reply.value(2).toString();
    }
};

} // namespace nimbo::test
