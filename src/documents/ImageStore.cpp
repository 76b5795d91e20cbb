#include "documents/ImageStore.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include "data/C_GestDB.h"
#include "data/ConnectionPool.h"
#include "data/ServerRegistry.h"
#include "data/Zip.h"
#include "data/modGetMACadr.h"
#include "documents/Background.h"
#include "platform/Busy.h"
#include "platform/FileSystem.h"
#include "servers/ImageRequests.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace nimbo::documents {

namespace {

const QString kNoServer = QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!");
const QString kNoImageServer = QStringLiteral("Errore In Creazione OLEIMG e/o linea non disponibile!");
const QString kZipFailed = QStringLiteral(
    "Contattare esperto applicazione. Verificatosi errore nella compressione del file. RETURN CODE = ");
const QString kUnzipFailed = QStringLiteral(
    "Contattare esperto applicazione. Verificatosi errore nella decompressione del file. RETURN CODE = ");

Outcome failure(const QString &code, const QString &text)
{
    Outcome o;
    o.code = code;
    o.text = text;
    return o;
}

Outcome success()
{
    Outcome o;
    o.ok = true;
    o.code = QStringLiteral("0");
    o.text = QStringLiteral("Operazione OK");
    return o;
}

// The busy state while a call runs on the window's thread; a worker leaves
// it to the window that started it (the busy state is the GUI thread's).
class BusyFrame {
public:
    BusyFrame(const QString &waitText, const QString &title) : on_(onGuiThread())
    {
        if (!on_)
            return;
        busy::begin();
        if (!waitText.isNull())
            busy::setWaitText(waitText);
        if (!title.isNull())
            busy::setRequestTitle(title);
        wait_ = !waitText.isNull();
        title_ = !title.isNull();
    }
    ~BusyFrame()
    {
        if (!on_)
            return;
        if (wait_)
            busy::setWaitText({});
        if (title_)
            busy::setRequestTitle({});
        busy::end();
    }
    BusyFrame(const BusyFrame &) = delete;
    BusyFrame &operator=(const BusyFrame &) = delete;

private:
    bool on_, wait_ = false, title_ = false;
};

// The local work database for this thread: the session's own on the GUI
// thread; on a worker a connection of that thread's pool to the same file,
// since a Qt connection may only be used where it was opened.
C_GestDB::Database localDb()
{
    const C_GestDB::Database &session = C_GestDB::localDatabase();
    if (onGuiThread() || !session.valid())
        return session;
    QString error;
    ConnectionPool::Connection *c =
        ConnectionPool::acquire(QStringLiteral("ImageStoreLocal"), Dialect::Target::sqlite(session.path), &error);
    if (!c) {
        GECentr::writeLog(QStringLiteral("TabLocal, apertura non riuscita: ") + error);
        return {};
    }
    return c->db;
}

bool enciphered(const QString &flag) { return flag.trimmed() == QLatin1String("1"); }

Outcome encipheredFailure()
{
    Outcome o = failure(QStringLiteral("004"), kEncipheredText);
    o.enciphered = true;
    return o;
}

void step(const Progress &p, int done, int total)
{
    if (p)
        p(done, total);
}

bool compressed() { return DicAmbiente::session().cfg.compresso == 1; }

// An emergency session runs without the central database: its images are
// kept and read in the workstation's store only, whatever SERVERIMG says.
bool localOnly(const Protocol &p) { return p.localOnly || DicAmbiente::session().emergency; }

// Zips when COMPRESSO asks; the flag says what was stored.
bool pack(const QByteArray &data, const QString &entry, QByteArray *out, QString *flag, Outcome *fail)
{
    if (!compressed()) {
        *out = data;
        *flag = QStringLiteral("0");
        return true;
    }
    QString error;
    if (!Zip::compressBytes(data, entry, out, &error)) {
        *fail = failure(QStringLiteral("1"), kZipFailed + QStringLiteral("1"));
        GECentr::writeLog(kZipFailed + QStringLiteral("1 ") + error);
        return false;
    }
    *flag = QStringLiteral("1");
    return true;
}

bool unpack(const QByteArray &stored, const QString &flag, QByteArray *out, Outcome *fail)
{
    if (flag.trimmed() != QLatin1String("1")) {
        *out = stored;
        return true;
    }
    QString error;
    if (!Zip::extractBytes(stored, out, &error)) {
        *fail = failure(QStringLiteral("-1"), kUnzipFailed + QStringLiteral("-1"));
        GECentr::writeLog(kUnzipFailed + QStringLiteral("-1 ") + error);
        return false;
    }
    return true;
}

std::unique_ptr<AppServer> imageServer(ServerHolder &holder, QString *why)
{
    if (!createServer(holder, DicAmbiente::session().cfg.oleImg, why))
        return nullptr;
    return std::move(holder.object);
}

image::Reader reader(const QString &ente, const QString &function)
{
    const auto &s = DicAmbiente::session();
    image::Reader r;
    r.ente = ente;
    r.operatorCode = s.op.code;
    r.workstation = s.cfg.utente;
    r.adapters = modGetMACadr::GetMACAddress();
    r.function = function;
    return r;
}

// One read through the image server, with the wait text and title the
// operator sees meanwhile.
Outcome serverRead(const QVariantList &request, const QString &title, const QString &callError,
                   const QString &replyError, QVariantList *reply)
{
    BusyFrame frame(QStringLiteral("Attendere.lettura su remoto in corso"), title);
    ServerHolder holder;
    QString why;
    auto server = imageServer(holder, &why);
    if (!server) {
        GECentr::writeLog(kNoImageServer + QLatin1Char(' ') + why);
        return failure(QStringLiteral("001"), kNoImageServer);
    }
    QVariantList params = request;
    *reply = server->Elabora(kOpLeggiDocumento, params);
    const QString status = reply->value(0).toString();
    if (reply->isEmpty()) {
        GECentr::writeLog(callError);
        return failure(QStringLiteral("002"), callError);
    }
    if (status == kStatusPrivacy) {
        Outcome o = failure(QStringLiteral("003"), reply->value(1).toString());
        o.refused = true;
        return o;
    }
    if (status == QLatin1String("1")) {
        Outcome o = failure(QStringLiteral("003"), reply->value(1).toString());
        o.none = true;
        return o;
    }
    if (status != QLatin1String("0")) {
        GECentr::writeLog(replyError + status + QStringLiteral(" - ") + reply->value(1).toString());
        return failure(QStringLiteral("003"), replyError + reply->value(1).toString());
    }
    return success();
}

QString stamp() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

Outcome storeLocal(const Protocol &p, const QByteArray &stored, const QString &flag)
{
    const C_GestDB::Database db = localDb();
    const QString what = QStringLiteral("TabLocal, Errore in Registrazione immagine Protocollo ");
    if (!db.valid())
        return failure(QStringLiteral("2"), QStringLiteral("Errore di accesso al DB: ") + db.name());
    C_GestDB::Transaction tx(db);
    const C_GestDB::Result begun = tx.begin();
    if (!begun.ok) {
        GECentr::writeLog(what + p.number + QLatin1Char(' ') + begun.errText);
        return failure(QStringLiteral("2"), QStringLiteral("Errore di accesso al DB: ") + begun.errText);
    }
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("DELETE FROM Tab_immagini WHERE ID_ente = ? AND Tipo_protocollo = ? AND Prot_Numero = ?"));
    q.addBindValue(p.ente);
    q.addBindValue(image::imageDirection(p.direction));
    q.addBindValue(p.number);
    bool ok = q.exec();
    if (ok) {
        q.prepare(QStringLiteral("INSERT INTO Tab_immagini (ID_ente, Tipo_protocollo, Prot_EU, Prot_Numero, Immagine, "
                                 "Data_Ins_Var, Migrato_su_Server, Compresso, Criptato) "
                                 "VALUES (?, ?, ?, ?, ?, ?, 'N', ?, '0')"));
        for (const QVariant &v : QVariantList{p.ente, image::imageDirection(p.direction), p.direction, p.number,
                                              stored, stamp(), flag})
            q.addBindValue(v);
        ok = q.exec();
    }
    if (!ok) {
        const QString text = q.lastError().text();
        GECentr::writeLog(what + p.number + QLatin1Char(' ') + text);
        return failure(QStringLiteral("2"), QStringLiteral("Errore di accesso al DB: ") + text);
    }
    const C_GestDB::Result done = tx.commit();
    if (!done.ok) {
        GECentr::writeLog(what + p.number + QLatin1Char(' ') + done.errText);
        return failure(QStringLiteral("2"), QStringLiteral("Errore nella COMMIT: ") + done.errText);
    }
    return success();
}

} // namespace

QString workFolder()
{
    // Opened documents, reserved ones too, pass through it.
    const QString folder = DicAmbiente::session().programFolder + QStringLiteral("/tempOle");
    nimbo::fs::makeOwnerPath(folder);
    return folder;
}

std::optional<Outcome> tooLarge(qint64 bytes)
{
    if (bytes <= kMaxDocumentBytes)
        return std::nullopt;
    return failure(QStringLiteral("1"), QStringLiteral("Il file supera la dimensione massima ammessa (%1 MB).")
                                            .arg(kMaxDocumentBytes / (1024 * 1024)));
}

Outcome storeImage(const Protocol &p, const QByteArray &tiff, const Progress &progress)
{
    if (tiff.isEmpty())
        return failure(QStringLiteral("1"), QStringLiteral("il file contenente l'immagine è vuoto"));
    if (const auto big = tooLarge(tiff.size()))
        return *big;
    BusyFrame frame(QStringLiteral("Registrazione in corso"), QString());
    step(progress, 0, 3);
    QByteArray stored;
    QString flag;
    Outcome fail;
    if (!pack(tiff, QStringLiteral("IMG_") + p.number + QStringLiteral(".tif"), &stored, &flag, &fail))
        return fail;
    step(progress, 1, 3);
    Outcome o;
    if (localOnly(p)
        || DicAmbiente::session().cfg.serverImg.trimmed().compare(QLatin1String("SERVER"), Qt::CaseInsensitive) != 0) {
        o = storeLocal(p, stored, flag);
    } else {
        ServerHolder holder;
        QString why;
        auto server = imageServer(holder, &why);
        if (!server) {
            GECentr::writeLog(kNoServer + QLatin1Char(' ') + why);
            return failure(QStringLiteral("001"), kNoServer);
        }
        QVariantList request = image::storeRequest(
            image::kImage, DicAmbiente::session().op.code, p.ente,
            {QStringLiteral("Prot_EU"), QStringLiteral("Prot_Numero"), QStringLiteral("Immagine"),
             QStringLiteral("Migrato_su_Server"), QStringLiteral("Compresso")},
            {p.direction, p.number, stored, QStringLiteral("S"), flag});
        const QVariantList reply = server->Elabora(kOpRegistraAllegato, request);
        if (reply.value(0).toString() != QLatin1String("0")) {
            GECentr::writeLog(QStringLiteral("Server Ole, Errore in Registrazione Immagine Protocollo ")
                              + reply.value(0).toString() + QStringLiteral(" - ") + reply.value(1).toString());
            return failure(reply.value(0).toString(),
                           QStringLiteral("Si è verificato l'errore ") + reply.value(1).toString());
        }
        o = success();
    }
    step(progress, 3, 3);
    if (!o.ok)
        o.text = QStringLiteral("Si è verificato l'errore ") + o.text;
    return o;
}

bool hasLocalImage(const Protocol &p)
{
    const C_GestDB::Database db = localDb();
    if (!db.valid())
        return false;
    QSqlQuery q(db.sql());
    q.prepare(QStringLiteral("SELECT ID FROM Tab_immagini WHERE ID_ente = ? AND Tipo_protocollo = ? AND Prot_Numero = ?"));
    q.addBindValue(p.ente);
    q.addBindValue(image::imageDirection(p.direction));
    q.addBindValue(p.number);
    return q.exec() && q.next();
}

Outcome readImage(const Protocol &p, QByteArray *tiff, const Progress &progress)
{
    step(progress, 0, 2);
    const bool local = hasLocalImage(p);
    if (localOnly(p) && !local) {
        Outcome o = failure(QStringLiteral("1"), QStringLiteral("Documento non presente."));
        o.none = true;
        return o;
    }
    QVariantList reply;
    // Outside an emergency session the server checks and logs the read.
    Outcome o = localOnly(p) ? success()
                            : serverRead(image::readRequest(image::kImage,
                                                            reader(p.ente, QStringLiteral(" - Visualizza Documento")),
                                                            p.direction, p.number, !local),
                                         QStringLiteral("OLE - Carica_Documento"),
                                         QStringLiteral("Server Ole, Errore in Lettura immagine "),
                                         QStringLiteral("Server Ole, Errore in lettura immagine "), &reply);
    // The server's check and log stand for the local copy too.
    if (!o.ok && !(local && o.none))
        return o;
    step(progress, 1, 2);
    QByteArray stored;
    QString flag, cipher;
    if (local) {
        QSqlQuery q(localDb().sql());
        q.prepare(QStringLiteral("SELECT Immagine, Compresso, Criptato FROM Tab_immagini WHERE ID_ente = ? AND "
                                 "Tipo_protocollo = ? AND Prot_Numero = ? ORDER BY ID DESC"));
        q.addBindValue(p.ente);
        q.addBindValue(image::imageDirection(p.direction));
        q.addBindValue(p.number);
        if (!q.exec() || !q.next())
            return failure(QStringLiteral("2"), QStringLiteral("Errore di accesso al DB: ") + q.lastError().text());
        stored = q.value(0).toByteArray();
        flag = q.value(1).toString();
        cipher = q.value(2).toString();
    } else {
        stored = reply.value(2).toByteArray();
        flag = reply.value(3).toString();
        cipher = reply.value(4).toString();
    }
    if (enciphered(cipher))
        return encipheredFailure();
    Outcome fail;
    if (!unpack(stored, flag, tiff, &fail))
        return fail;
    step(progress, 2, 2);
    return success();
}

Outcome storeAttachment(const QString &ente, const QString &number, const QString &filePath,
                        const QString &description, qlonglong *id, const Progress &progress)
{
    QFile file(filePath);
    if (!QFileInfo(filePath).isFile() || !file.open(QIODevice::ReadOnly))
        return failure(QStringLiteral("1"), QStringLiteral("il file inserito non esiste nella directory specificata"));
    if (const auto big = tooLarge(file.size()))
        return *big;
    BusyFrame frame(QString(), QStringLiteral("OLE - Protocollo Documenti"));
    // Read in pieces so that a large file shows its progress.
    QByteArray data;
    const qint64 size = file.size();
    data.reserve(size);
    const int steps = 4;
    while (!file.atEnd()) {
        data += file.read(4 * 1024 * 1024);
        if (size > 0)
            step(progress, int(qint64(data.size()) * 2 / size), steps);
    }
    const QFileInfo info(filePath);
    QByteArray stored;
    QString flag;
    Outcome fail;
    if (!pack(data, info.fileName(), &stored, &flag, &fail))
        return fail;
    data.clear();
    step(progress, 3, steps);
    ServerHolder holder;
    QString why;
    auto server = imageServer(holder, &why);
    if (!server) {
        GECentr::writeLog(kNoServer + QLatin1Char(' ') + why);
        return failure(QStringLiteral("001"), kNoServer);
    }
    QVariantList request = image::storeRequest(
        image::kAttachment, DicAmbiente::session().op.code, ente,
        {QStringLiteral("num_ProtocolloGenerale"), QStringLiteral("Nome_allegato"),
         QStringLiteral("Descrizione_allegato"), QStringLiteral("Tipo_Doc_allegato"), QStringLiteral("allegato"),
         QStringLiteral("Compresso")},
        {number, info.fileName(), description, info.suffix(), stored, flag});
    const QVariantList reply = server->Elabora(kOpRegistraAllegato, request);
    if (reply.value(0).toString() != QLatin1String("0")) {
        GECentr::writeLog(QStringLiteral("Server Ole, Errore in Registrazione Allegato Protocollo ")
                          + reply.value(0).toString() + QStringLiteral(" - ") + reply.value(1).toString());
        return failure(reply.value(0).toString(),
                       QStringLiteral("Server Ole, Errore in Registrazione Allegato Protocollo ")
                           + reply.value(1).toString());
    }
    if (id)
        *id = reply.value(2).toLongLong();
    step(progress, steps, steps);
    return success();
}

Outcome deleteAttachment(const QString &ente, qlonglong id)
{
    ServerHolder holder;
    QString why;
    auto server = imageServer(holder, &why);
    if (!server)
        return failure(QStringLiteral("001"), kNoServer);
    QVariantList request = image::deleteAttachmentRequest(DicAmbiente::session().op.code, ente, id);
    const QVariantList reply = server->Elabora(kOpRegistraAllegato, request);
    if (reply.value(0).toString() != QLatin1String("0")) {
        GECentr::writeLog(QStringLiteral("ATTENZIONE ! Errore di cancellazione dell'allegato... ")
                          + QString::number(id) + QLatin1Char(' ') + reply.value(1).toString());
        return failure(reply.value(0).toString(), reply.value(1).toString());
    }
    return success();
}

namespace {

// An attachment or a provisional e-mail's message, read from the server.
Outcome readStored(const QString &what, const QString &ente, qlonglong id, QByteArray *data, const QString &function,
                   const Progress &progress)
{
    step(progress, 0, 2);
    QVariantList reply;
    Outcome o = serverRead(image::readRequest(what, reader(ente, function), QString(), QString::number(id)),
                           QStringLiteral("OLE - Protocollo Email"), QStringLiteral("Server Ole, Errore in Lettura Email "),
                           QStringLiteral("Server Ole, Errore in lettura protocollo "), &reply);
    if (!o.ok)
        return o;
    step(progress, 1, 2);
    if (enciphered(reply.value(4).toString()))
        return encipheredFailure();
    Outcome fail;
    if (!unpack(reply.value(2).toByteArray(), reply.value(3).toString(), data, &fail))
        return fail;
    step(progress, 2, 2);
    return success();
}

} // namespace

Outcome readAttachment(const QString &ente, qlonglong id, QByteArray *data, const QString &function,
                       const Progress &progress)
{
    return readStored(image::kAttachment, ente, id, data, function, progress);
}

Outcome readEmail(const QString &ente, qlonglong provisional, QByteArray *data, const QString &function,
                  const Progress &progress)
{
    return readStored(image::kEmail, ente, provisional, data, function, progress);
}

QString safeFileName(const QString &stored)
{
    // Only the last part of whatever path the name carries.
    QString name = stored;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    name = name.section(QLatin1Char('/'), -1);
    QString out;
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format
            || QStringLiteral(":*?\"<>|").contains(c))
            out += QLatin1Char('_');
        else
            out += c;
    }
    out = out.trimmed();
    while (out.startsWith(QLatin1Char('.')))
        out.remove(0, 1);
    if (out.isEmpty())
        out = QStringLiteral("allegato");
    return out.left(200);
}

QString freePath(const QString &folder, const QString &name)
{
    const QDir dir(folder);
    QString candidate = dir.filePath(name);
    if (!QFileInfo::exists(candidate))
        return candidate;
    // "a.tar.gz" becomes "a (2).tar.gz": the number goes before every suffix.
    const QFileInfo info(name);
    const QString base = info.baseName().isEmpty() ? name : info.baseName();
    const QString ext = info.baseName().isEmpty() || info.completeSuffix().isEmpty()
                            ? QString()
                            : QLatin1Char('.') + info.completeSuffix();
    for (int i = 2;; ++i) {
        candidate = dir.filePath(base + QStringLiteral(" (%1)").arg(i) + ext);
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
}

} // namespace nimbo::documents
