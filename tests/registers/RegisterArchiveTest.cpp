// The general register's server operations and its archive on both engines:
// the rows of the period after the last archived protocol (reserved ones
// masked); archiving marks exactly the protocols written to the files, a
// protocol registered meanwhile is left out of both, a read failure marks
// nothing, and the files read back field for field against the manifest.

#include <QDir>
#include <QTextStream>

#include "RegisterFixture.h"
#include "registers/RegisterArchive.h"
#include "registers/RegisterRules.h"
#include "servers/RegisterRequests.h"

using namespace nimbo;
using namespace nimbo::registers;

namespace {

class RegisterArchive : public test::RegisterTest {
protected:
    QVariantList call(short op, QVariantList request)
    {
        ProtocolServer server;
        return server.Elabora(op, request);
    }
    ArchiveJob job(const QStringList &printed, const QDate &end)
    {
        ArchiveJob j;
        j.programFolder = db().folder();
        j.ente = s("001");
        j.operatorCode = s("DEMO9");
        j.end = end;
        j.printed = QSet<QString>(printed.cbegin(), printed.cend());
        return j;
    }
    // The lines of an archive file after its heading, each read back.
    static QVector<QVector<std::optional<QString>>> rowsOf(const QString &path, QStringList *heading = nullptr)
    {
        QVector<QVector<std::optional<QString>>> out;
        const QStringList lines = QString::fromUtf8(read(path)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (int i = 0; i < lines.size(); ++i) {
            const auto fields = readArchiveLine(lines[i]);
            EXPECT_TRUE(fields.has_value()) << lines[i].toStdString();
            if (!fields)
                continue;
            if (i == 0) {
                if (heading)
                    for (const auto &f : *fields)
                        *heading << f.value_or(QString());
                continue;
            }
            out << *fields;
        }
        return out;
    }
};

TEST_P(RegisterArchive, RowsOfThePeriodInBatchesAfterTheLastArchived)
{
    protocol(number(2024, 1), QDate(2024, 1, 2), s("archiviato"), s("M"));
    protocol(number(2024, 2), QDate(2024, 1, 3), s("primo"), s("S"));
    protocol(number(2024, 3), QDate(2024, 1, 3), s("segreto"), QString(), true, s("U"));
    protocol(number(2024, 4), QDate(2024, 1, 4), s("terzo"), s("N"));
    protocol(number(2024, 5), QDate(2024, 1, 9), s("dopo la fine"));

    QVariantList reply = call(kOpStampaRegistro, registerRowsRequest(s("001"), number(2024, 1), QDate(2024, 1, 4), {}, 2));
    ASSERT_EQ(reply.value(0).toInt(), 0) << reply.value(1).toString().toStdString();
    QVariantList rows = reply.value(2).toList();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toStringList().value(RegNumber), s("2024-0000002"));
    EXPECT_EQ(rows[0].toStringList().value(RegDate), s("03/01/2024"));
    EXPECT_EQ(rows[0].toStringList().value(RegSubject), s("primo"));
    EXPECT_EQ(rows[1].toStringList().value(RegSubject), kReservedText);
    EXPECT_EQ(rows[1].toStringList().value(RegCorrespondent), kReservedText);
    EXPECT_EQ(rows[1].toStringList().value(RegDirection), s("U"));
    EXPECT_EQ(reply.value(3).toString(), number(2024, 3));
    reply = call(kOpStampaRegistro, registerRowsRequest(s("001"), number(2024, 1), QDate(2024, 1, 4), number(2024, 3), 2));
    ASSERT_EQ(reply.value(0).toInt(), 0);
    rows = reply.value(2).toList();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toStringList().value(RegStoredNumber), number(2024, 4));
    reply = call(kOpStampaRegistro, registerRowsRequest(s("001"), number(2024, 1), QDate(2024, 1, 4), number(2024, 4), 2));
    EXPECT_EQ(reply.value(0).toInt(), 1);
    // With nothing archived and nothing read yet the rows begin with the register.
    reply = call(kOpStampaRegistro, registerRowsRequest(s("001"), QString(), QDate(2024, 1, 3), QString(), 10));
    ASSERT_EQ(reply.value(0).toInt(), 0);
    EXPECT_EQ(reply.value(2).toList().size(), 2);

    // Checked before anything is read.
    reply = call(kOpStampaRegistro, {s("001"), s("2024'--"), s("2024-01-04"), QString(), 10});
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(s("Tab_NumeroProtocollo")));
    reply = call(kOpStampaRegistro, {s("001"), QString(), s("31/02/2024"), QString(), 10});
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);
    reply = call(kOpStampaRegistro, {s("001"), QString(), s("2024-01-04"), QString(), 0});
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);
}

TEST_P(RegisterArchive, MarkingIsByNumberAllOrNothing)
{
    protocol(number(2024, 1), QDate(2024, 1, 2), s("uno"), s("S"));
    protocol(number(2024, 2), QDate(2024, 1, 2), s("due"), s("S"));
    protocol(number(2024, 3), QDate(2024, 1, 2), s("mai stampato"));
    // One number not printed: nothing is marked.
    QVariantList reply = call(kOpArchiviaRegistro, archiveRequest(s("001"), s("DEMO9"), {number(2024, 1), number(2024, 3)}));
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);
    EXPECT_TRUE(reply.value(1).toString().contains(s("2024-0000003"))) << reply.value(1).toString().toStdString();
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=S"), number(2024, 2) + s("=S"), number(2024, 3) + s("=")}));
    reply = call(kOpArchiviaRegistro, archiveRequest(s("001"), s("DEMO9"), {number(2024, 1), number(2024, 1)}));
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);
    reply = call(kOpArchiviaRegistro, archiveRequest(s("001"), s("NESSUNO"), {number(2024, 1)}));
    EXPECT_EQ(reply.value(0).toString(), kStatusRefused);

    reply = call(kOpArchiviaRegistro, archiveRequest(s("001"), s("DEMO9"), {number(2024, 1)}));
    ASSERT_EQ(reply.value(0).toInt(), 0) << reply.value(1).toString().toStdString();
    EXPECT_EQ(reply.value(2).toInt(), 1);
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=M"), number(2024, 2) + s("=S"), number(2024, 3) + s("=")}));
    EXPECT_EQ(value(s("SELECT Tab_CodOper FROM Tab_Protocollo WHERE Tab_NumeroProtocollo = ?"), {number(2024, 1)}),
              s("DEMO9"));
}

TEST_P(RegisterArchive, FilesHoldWhatWasPrintedAndReadBackAgainstTheManifest)
{
    const QString awkward = s("Richiesta | con barra\ne a capo \\ fine");
    protocol(number(2024, 1), QDate(2024, 1, 2), awkward, s("S"));
    protocol(number(2024, 2), QDate(2024, 1, 3), s("secondo"), s("S"));
    run(s("INSERT INTO Tab_ProtocolloDestinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_MittDest, "
          "Tab_principale) VALUES ('001', 'E', ?, 2, 'S')"),
        {number(2024, 2)});
    protocol(number(2024, 3), QDate(2024, 1, 9), s("dopo la fine"));

    QStringList log;
    const ArchiveResult r = archiveRegister(job({number(2024, 1), number(2024, 2)}, QDate(2024, 1, 5)),
                                            [&](const QString &line) {
                                                log << line;
                                                // Registered while the files are written, into the period.
                                                if (line == s("Fine scarico Tab_Protocollo"))
                                                    protocol(number(2024, 4), QDate(2024, 1, 4), s("arrivato ora"));
                                            });
    ASSERT_TRUE(r.ok()) << r.message.toStdString();
    EXPECT_EQ(r.written, (QStringList{number(2024, 1), number(2024, 2)}));
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=M"), number(2024, 2) + s("=M"), number(2024, 3) + s("="),
                                     number(2024, 4) + s("=")}));
    EXPECT_TRUE(log.contains(s("Inizio scarico Tab_Rubrica")));
    EXPECT_TRUE(log.contains(s("Fine scarico Tab_ProFascicoli")));

    const QDir dir(archiveFolder(db().folder(), s("001"), QDate(2024, 1, 5)));
    ASSERT_EQ(r.files.size(), 5);
    QStringList heading;
    const auto protocols = rowsOf(dir.filePath(s("001_Tab_Protocollo_2024_01_05.txt")), &heading);
    ASSERT_EQ(protocols.size(), 2);
    const int subject = int(heading.indexOf(s("Tab_Oggetto"))), num = int(heading.indexOf(s("Tab_NumeroProtocollo")));
    ASSERT_GE(subject, 0);
    EXPECT_EQ(protocols[0].size(), heading.size());
    EXPECT_EQ(protocols[0][subject], awkward);
    EXPECT_EQ(protocols[1][num], number(2024, 2));
    const auto recipients = rowsOf(dir.filePath(s("001_Tab_ProtocolloDestinatari_2024_01_05.txt")));
    ASSERT_EQ(recipients.size(), 1);
    EXPECT_EQ(recipients[0][3], s("2"));
    EXPECT_GT(rowsOf(dir.filePath(s("001_Tab_Rubrica_2024_01_05.txt"))).size(), 0);

    // The manifest names each file with its SHA-256, as sha256sum checks it.
    const QStringList manifest =
        QString::fromUtf8(read(dir.filePath(kManifestName))).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(manifest.size(), 4);
    for (const QString &line : manifest) {
        const QString file = line.mid(66);
        EXPECT_EQ(line.left(64), sha(read(dir.filePath(file)))) << file.toStdString();
    }
    QProcess check;
    check.setWorkingDirectory(dir.path());
    check.start(s("sha256sum"), {s("-c"), kManifestName});
    ASSERT_TRUE(check.waitForFinished(30000));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardOutput().toStdString();
}

TEST_P(RegisterArchive, AReadFailureStopsTheArchiveAndMarksNothing)
{
    protocol(number(2024, 1), QDate(2024, 1, 2), s("uno"), s("S"));
    protocol(number(2024, 2), QDate(2024, 1, 3), s("due"), s("S"));
    const ArchiveResult r = archiveRegister(job({number(2024, 1), number(2024, 2)}, QDate(2024, 1, 5)),
                                            [&](const QString &line) {
                                                // The last table cannot be read any more.
                                                if (line == s("Inizio scarico Tab_ProFascicoli"))
                                                    exec(s("ALTER TABLE Tab_ProFascicoli RENAME TO Tab_ProFascicoli_Via"));
                                            });
    EXPECT_EQ(r.kind, ArchiveResult::ReadFailed);
    EXPECT_TRUE(r.message.startsWith(s("Errore in scarico Protocolli"))) << r.message.toStdString();
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=S"), number(2024, 2) + s("=S")}));
    EXPECT_FALSE(QDir(archiveFolder(db().folder(), s("001"), QDate(2024, 1, 5))).exists());
    exec(s("ALTER TABLE Tab_ProFascicoli_Via RENAME TO Tab_ProFascicoli"));
}

TEST_P(RegisterArchive, APrintedProtocolGoneFromThePeriodStopsTheArchive)
{
    protocol(number(2024, 1), QDate(2024, 1, 2), s("uno"), s("S"));
    protocol(number(2024, 2), QDate(2024, 1, 3), s("due"), s("M"));
    const ArchiveResult r = archiveRegister(job({number(2024, 1), number(2024, 2)}, QDate(2024, 1, 5)), [](auto) {});
    EXPECT_EQ(r.kind, ArchiveResult::ReadFailed);
    EXPECT_EQ(states(), (QStringList{number(2024, 1) + s("=S"), number(2024, 2) + s("=M")}));
}

NIMBO_INSTANTIATE_ENGINES(RegisterArchive);

} // namespace
