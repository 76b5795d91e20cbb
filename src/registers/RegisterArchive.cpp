#include "registers/RegisterArchive.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSaveFile>

#include "data/Funzioni_Com_1.h"
#include "emergency/ServerCall.h"
#include "registers/RegisterRules.h"
#include "schema/Definition.h"
#include "servers/RegisterRequests.h"

namespace nimbo::registers {

namespace F = Funzioni_Com_1;

namespace {

const QString kProtocols = QStringLiteral("Tab_Protocollo");
const QString kAddressBook = QStringLiteral("Tab_Rubrica");
const QString kRecipients = QStringLiteral("Tab_ProtocolloDestinatari");
const QString kDossiers = QStringLiteral("Tab_ProFascicoli");

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QStringList columnsOf(const QString &table)
{
    QStringList out;
    if (const Schema::Table *t = Schema::findTable(Schema::Kind::Central, table))
        for (const auto &c : t->columns)
            out << c.name;
    return out;
}

std::optional<QString> text(const QVariant &v)
{
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(Qt::ISODate);
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    default: return v.toString();
    }
}

// The condition of the period's protocols, on the register's alias p.
QString periodCondition(const ArchiveJob &job)
{
    return QStringLiteral("p.Tab_Ente=%1 AND (p.Tab_Stampato Is Null OR p.Tab_Stampato='N' OR p.Tab_Stampato='S') AND "
                          "p.Tab_NumeroProtocollo>%2 AND p.Tab_DataProtocollo<=%3")
        .arg(q(job.ente), q(job.lastArchived), q(job.end.toString(Qt::ISODate)));
}

struct Table {
    QString name;
    QStringList columns;
    QString sql;
    int numberColumn; // the protocol number's column, -1 for the address book
};

} // namespace

const QStringList &archiveTables()
{
    static const QStringList t{kProtocols, kAddressBook, kRecipients, kDossiers};
    return t;
}

ArchiveResult archiveRegister(const ArchiveJob &job, const std::function<void(const QString &)> &log)
{
    ArchiveResult out;
    out.folder = archiveFolder(job.programFolder, job.ente, job.end);
    QDir folder(out.folder);
    const auto removeFolder = [&] { QDir(out.folder).removeRecursively(); };
    if ((folder.exists() && !folder.removeRecursively()) || !QDir().mkpath(out.folder)) {
        out.kind = ArchiveResult::WriteFailed;
        out.message = QStringLiteral("Impossibile creare la cartella ") + out.folder;
        return out;
    }

    const QStringList protocolCols = columnsOf(kProtocols);
    const QStringList bookCols = columnsOf(kAddressBook);
    const QStringList recipientCols{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_TipoProtocollo"),
                                    QStringLiteral("Tab_NumeroProtocollo"), QStringLiteral("Tab_MittDest"),
                                    QStringLiteral("Tab_principale"), QStringLiteral("Tab_CodOper"),
                                    QStringLiteral("Tab_DatOper")};
    const QStringList dossierCols{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_TipoProtocollo"),
                                  QStringLiteral("Tab_NumeroProtocollo"), QStringLiteral("Tab_Titolo"),
                                  QStringLiteral("Tab_Categoria"), QStringLiteral("Tab_Classe"),
                                  QStringLiteral("Tab_CodiceFascicolo"), QStringLiteral("Tab_Provenienza"),
                                  QStringLiteral("Tab_CodOper"), QStringLiteral("Tab_DatOper")};
    const auto prefixed = [](const QString &alias, const QStringList &cols) {
        QStringList o;
        for (const QString &c : cols)
            o << alias + QLatin1Char('.') + c;
        return o.join(QLatin1Char(','));
    };
    const QString join = QStringLiteral(" JOIN Tab_Protocollo p ON p.Tab_Ente = d.Tab_Ente AND p.Tab_TipoProtocollo = "
                                        "d.Tab_TipoProtocollo AND p.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo WHERE ");
    const QVector<Table> tables{
        {kProtocols, protocolCols,
         QStringLiteral("SELECT %1 FROM Tab_Protocollo p WHERE %2 ORDER BY p.Tab_NumeroProtocollo")
             .arg(prefixed(QStringLiteral("p"), protocolCols), periodCondition(job)),
         int(protocolCols.indexOf(QStringLiteral("Tab_NumeroProtocollo")))},
        {kAddressBook, bookCols,
         QStringLiteral("SELECT %1 FROM Tab_Rubrica WHERE Tab_EnteRubrica=%2 ORDER BY Tab_Identificativo")
             .arg(bookCols.join(QLatin1Char(',')), q(job.ente)),
         -1},
        {kRecipients, recipientCols,
         QStringLiteral("SELECT %1 FROM Tab_ProtocolloDestinatari d%2%3 ORDER BY d.Tab_NumeroProtocollo, d.Tab_MittDest")
             .arg(prefixed(QStringLiteral("d"), recipientCols), join, periodCondition(job)),
         2},
        {kDossiers, dossierCols,
         QStringLiteral("SELECT %1 FROM Tab_ProFascicoli d%2%3 ORDER BY d.Tab_NumeroProtocollo, d.Tab_Titolo, "
                        "d.Tab_Categoria, d.Tab_Classe, d.Tab_CodiceFascicolo")
             .arg(prefixed(QStringLiteral("d"), dossierCols), join, periodCondition(job)),
         2},
    };

    QStringList manifest;
    QStringList written;
    for (const Table &t : tables) {
        log(QStringLiteral("Inizio scarico ") + t.name);
        const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), t.sql);
        if (rows.failed()) {
            removeFolder();
            out.kind = ArchiveResult::ReadFailed;
            out.message = (t.name == kAddressBook ? QStringLiteral("Errore in scarico Rubrica")
                                                  : QStringLiteral("Errore in scarico Protocolli"))
                          + QStringLiteral(" (") + t.name + QStringLiteral("): ") + rows.message;
            return out;
        }
        const QString name = archiveFileName(job.ente, t.name, job.end);
        const QString path = folder.filePath(name);
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            removeFolder();
            out.kind = ArchiveResult::WriteFailed;
            out.message = QStringLiteral("Impossibile scrivere il file ") + path;
            return out;
        }
        QCryptographicHash sha(QCryptographicHash::Sha256);
        const auto put = [&](const QString &line) {
            const QByteArray bytes = line.toUtf8() + '\n';
            sha.addData(bytes);
            return file.write(bytes) == bytes.size();
        };
        QVector<std::optional<QString>> header;
        for (const QString &c : t.columns)
            header << c;
        bool ok = put(archiveLine(header));
        for (int r = 0; ok && r < rows.rowCount(); ++r) {
            // Only what was printed: a protocol registered since is left
            // for the next register.
            if (t.numberColumn >= 0 && !job.printed.contains(rows.value(t.numberColumn, r).toString()))
                continue;
            QVector<std::optional<QString>> fields;
            for (int c = 0; c < rows.columnCount(); ++c)
                fields << text(rows.value(c, r));
            ok = put(archiveLine(fields));
            if (t.name == kProtocols)
                written << rows.value(t.numberColumn, r).toString();
        }
        if (!ok || !file.commit()) {
            removeFolder();
            out.kind = ArchiveResult::WriteFailed;
            out.message = QStringLiteral("Impossibile scrivere il file ") + path;
            return out;
        }
        if (t.name == kRecipients && rows.rowCount() == 0)
            log(QStringLiteral("Non vi sono Destinatari Protocollo"));
        log(QStringLiteral("Fine scarico ") + t.name);
        out.files << path;
        manifest << QString::fromLatin1(sha.result().toHex()) + QStringLiteral("  ") + name;
    }

    // Every printed protocol must have been read: one that is not (archived
    // elsewhere meanwhile, or out of the period now) stops the archive.
    if (written.size() != job.printed.size()) {
        removeFolder();
        out.kind = ArchiveResult::ReadFailed;
        out.message = QStringLiteral("Errore in scarico Protocolli: %1 protocolli stampati, %2 letti dal registro.")
                          .arg(job.printed.size())
                          .arg(written.size());
        return out;
    }

    const QString manifestPath = folder.filePath(kManifestName);
    QSaveFile m(manifestPath);
    const QByteArray bytes = (manifest.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
    if (!m.open(QIODevice::WriteOnly) || m.write(bytes) != bytes.size() || !m.commit()) {
        removeFolder();
        out.kind = ArchiveResult::WriteFailed;
        out.message = QStringLiteral("Impossibile scrivere il file ") + manifestPath;
        return out;
    }
    out.files << manifestPath;

    if (!written.isEmpty()) {
        const emergency::CallOutcome call =
            emergency::callProtocolServer(kOpArchiviaRegistro, archiveRequest(job.ente, job.operatorCode, written),
                                          QStringLiteral("OLE - Protocollo Documenti"));
        if (!call.ok()) {
            removeFolder();
            out.kind = ArchiveResult::MarkFailed;
            out.message = call.kind == emergency::CallOutcome::NoServer
                              ? QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!")
                              : QStringLiteral("Server Ole, Errore in Aggiornamento Protocollo ") + call.message;
            return out;
        }
    }
    out.written = written;
    out.kind = ArchiveResult::Ok;
    return out;
}

} // namespace nimbo::registers
