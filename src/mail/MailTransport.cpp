#include "mail/MailTransport.h"

#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <algorithm>
#include <curl/curl.h>
#include <mutex>

#include "mail/MailAddress.h"

namespace nimbo::mail {

namespace {

void initCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Where a transfer writes what the server sends; past cap the transfer is
// stopped rather than the memory filled.
struct Sink {
    QByteArray data;
    qint64 cap = 1 << 20;
    bool overflow = false;
};

size_t toSink(char *ptr, size_t size, size_t count, void *user)
{
    auto *sink = static_cast<Sink *>(user);
    const size_t n = size * count;
    if (sink->data.size() + qint64(n) > sink->cap) {
        sink->overflow = true;
        return 0;
    }
    sink->data.append(ptr, qsizetype(n));
    return n;
}

struct Source {
    const QByteArray *data;
    qsizetype pos = 0;
};

size_t fromSource(char *buffer, size_t size, size_t count, void *user)
{
    auto *src = static_cast<Source *>(user);
    const qsizetype n = std::min<qsizetype>(qsizetype(size * count), src->data->size() - src->pos);
    memcpy(buffer, src->data->constData() + src->pos, size_t(n));
    src->pos += n;
    return size_t(n);
}

QByteArray hostPart(const QString &host)
{
    const QByteArray ace = QUrl::toAce(host);
    const QByteArray name = ace.isEmpty() ? host.toUtf8() : ace;
    return name.contains(':') ? "[" + name + "]" : name;
}

QByteArray baseUrl(const ServerSettings &s, const char *tlsScheme, const char *plainScheme, int tlsPort,
                   int plainPort)
{
    const bool implicit = s.security == Security::Tls;
    const int port = s.port > 0 ? s.port : (implicit ? tlsPort : plainPort);
    return QByteArray(implicit ? tlsScheme : plainScheme) + "://" + hostPart(s.host) + ":" + QByteArray::number(port)
           + "/";
}

// What every connection of ours shares: TLS required and verified, the
// account, the time limits.
void setCommon(CURL *curl, const ServerSettings &s, char *errorBuffer, const char *protocols)
{
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, protocols);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!s.caFile.isEmpty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, s.caFile.toLocal8Bit().constData());
    const long timeout = s.timeoutSeconds > 0 ? s.timeoutSeconds : 30;
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, timeout);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, timeout);
    curl_easy_setopt(curl, CURLOPT_TCP_KEEPALIVE, 1L);
    if (!s.user.isEmpty()) {
        curl_easy_setopt(curl, CURLOPT_USERNAME, s.user.toUtf8().constData());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, s.password.toUtf8().constData());
    }
}

int failureCode(CURLcode rc, long response)
{
    if (response == 552)
        return MailResult::TooBig;
    if (response == 535)
        return MailResult::Authentication;
    switch (rc) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_GOT_NOTHING:
        return MailResult::Connect;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR: // after a refusal of the server, libcurl says so too
        return response >= 400 ? MailResult::Protocol : MailResult::Connect;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_USE_SSL_FAILED:
        return MailResult::Tls;
    case CURLE_LOGIN_DENIED:
        return MailResult::Authentication;
    case CURLE_OPERATION_TIMEDOUT:
        return MailResult::Timeout;
    case CURLE_FILESIZE_EXCEEDED:
        return MailResult::TooBig;
    case CURLE_REMOTE_FILE_NOT_FOUND:
        return MailResult::NotFound;
    default:
        return MailResult::Protocol;
    }
}

MailResult failure(CURLcode rc, const char *errorBuffer, const QString &what, long response = 0)
{
    static const QHash<int, QString> reasons{
        {MailResult::Connect, QStringLiteral("collegamento al server non riuscito o interrotto")},
        {MailResult::Tls,
         QStringLiteral("collegamento protetto (TLS) non riuscito o certificato del server non riconosciuto")},
        {MailResult::Authentication, QStringLiteral("utente o password non accettati dal server")},
        {MailResult::Timeout, QStringLiteral("il server non ha risposto in tempo")},
        {MailResult::TooBig, QStringLiteral("dimensione oltre il limite")},
        {MailResult::NotFound, QStringLiteral("cartella non trovata o cambiata sul server (UIDVALIDITY)")},
        {MailResult::Protocol, QStringLiteral("il server ha rifiutato il comando o ha risposto in modo non previsto")},
    };
    const int code = failureCode(rc, response);
    const QString detail = QString::fromUtf8(errorBuffer && *errorBuffer ? errorBuffer : curl_easy_strerror(rc));
    return {code, QStringLiteral("%1: %2 (%3).").arg(what, reasons.value(code), detail)};
}

MailResult refused(const QString &text) { return {MailResult::Refused, text}; }

QByteArray quoted(const QString &folder) { return '"' + folder.toLatin1() + '"'; }

// The numbers of the untagged "* SEARCH" lines.
QList<qint64> searchResult(const QByteArray &body)
{
    QList<qint64> out;
    for (const QByteArray &line : body.split('\n')) {
        const QByteArray l = line.trimmed();
        if (!l.startsWith("* SEARCH"))
            continue;
        for (const QByteArray &word : l.mid(8).split(' ')) {
            bool ok = false;
            const qint64 n = word.toLongLong(&ok);
            if (ok && n > 0)
                out.append(n);
        }
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

// The literal of the FETCH response line for a message: the response lines
// as libcurl hands them over are searched for "* n FETCH (... {size}" and
// exactly size bytes after it are taken; a literal that did not arrive whole
// gives false.
bool fetchLiteral(const QByteArray &lines, qint64 uid, QByteArray *raw)
{
    static const QRegularExpression head(QStringLiteral("^\\* \\d+ FETCH \\((.*)\\{(\\d+)\\}\\r?\\n$"));
    static const QRegularExpression uidItem(QStringLiteral("\\bUID (\\d+)\\b"));
    qsizetype pos = 0;
    while (pos < lines.size()) {
        qsizetype end = lines.indexOf('\n', pos);
        if (end < 0)
            return false;
        const QString line = QString::fromLatin1(lines.mid(pos, end + 1 - pos));
        pos = end + 1;
        const auto m = head.match(line);
        if (!m.hasMatch())
            continue;
        const auto u = uidItem.match(m.captured(1));
        if (!u.hasMatch() || u.captured(1).toLongLong() != uid)
            continue;
        const qint64 size = m.captured(2).toLongLong();
        if (pos + size >= lines.size())
            return false;
        const qsizetype close = lines.indexOf('\n', pos + size);
        if (close < 0 || !lines.mid(pos + size, close - pos - size).trimmed().endsWith(')'))
            return false;
        *raw = lines.mid(pos, size);
        return true;
    }
    return false;
}

} // namespace

struct ImapMailbox::Private {
    ServerSettings settings;
    QString folder;
    CURL *curl = nullptr;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Sink body, lines;
    qint64 uidValidity = 0;
    bool hasMove = false, hasUidPlus = false;
    QSet<QString> knownFolders;

    ~Private() { drop(); }

    void drop()
    {
        if (curl)
            curl_easy_cleanup(curl);
        curl = nullptr;
    }

    QByteArray base() const { return baseUrl(settings, "imaps", "imap", 993, 143); }

    QByteArray folderUrl(const QString &name) const
    {
        QByteArray url = base() + QUrl::toPercentEncoding(name, "/");
        if (name == folder && uidValidity > 0)
            url += ";UIDVALIDITY=" + QByteArray::number(uidValidity);
        return url;
    }

    // One command on the kept connection: a custom command when custom is
    // set, else libcurl's own request for the URL. A failed command that
    // could leave the connection in doubt closes it; the next one opens a
    // new connection.
    MailResult run(const QString &what, const QByteArray &url, const QByteArray &custom, qint64 cap = 1 << 20)
    {
        initCurl();
        if (!curl) {
            curl = curl_easy_init();
            if (!curl)
                return {MailResult::Connect, what + QStringLiteral(": libreria di rete non disponibile.")};
            setCommon(curl, settings, errorBuffer, "imap,imaps");
            // A line of a message longer than half the buffer would reach us cut.
            curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, long(CURL_MAX_READ_SIZE));
            curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, toSink);
            curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
            curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, toSink);
            curl_easy_setopt(curl, CURLOPT_HEADERDATA, &lines);
        }
        body = Sink{{}, cap, false};
        lines = Sink{{}, cap + (1 << 20), false};
        errorBuffer[0] = 0;
        curl_easy_setopt(curl, CURLOPT_URL, url.constData());
        curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, custom.isEmpty() ? nullptr : custom.constData());
        const CURLcode rc = curl_easy_perform(curl);
        if (rc == CURLE_OK)
            return {};
        if (rc != CURLE_QUOTE_ERROR)
            drop();
        if (body.overflow || lines.overflow)
            return {MailResult::TooBig,
                    what + QStringLiteral(": la risposta del server supera il limite di %1 byte.").arg(cap)};
        if (rc == CURLE_QUOTE_ERROR)
            return {MailResult::Protocol,
                    QStringLiteral("%1: il server ha rifiutato il comando (%2).")
                        .arg(what, QString::fromUtf8(errorBuffer).trimmed())};
        return failure(rc, errorBuffer, what);
    }

    MailResult checkOpen(const QString &what) const
    {
        if (uidValidity <= 0)
            return refused(what + QStringLiteral(": cartella non aperta."));
        return {};
    }

    MailResult ensureFolder(const QString &name)
    {
        if (knownFolders.contains(name))
            return {};
        if (run(QStringLiteral("Verifica della cartella %1").arg(name), base(),
                "STATUS " + quoted(name) + " (MESSAGES)")
                .ok()) {
            knownFolders.insert(name);
            return {};
        }
        MailResult r = run(QStringLiteral("Creazione della cartella %1").arg(name), base(), "CREATE " + quoted(name));
        if (r.ok())
            knownFolders.insert(name);
        return r;
    }

    MailResult search(const QString &what, const QByteArray &criteria, QList<qint64> *uids)
    {
        MailResult r = checkOpen(what);
        if (r.ok())
            r = run(what, folderUrl(folder), "UID SEARCH " + criteria);
        if (r.ok())
            *uids = searchResult(body.data);
        return r;
    }

    MailResult store(qint64 uid, const QByteArray &change, const QString &what)
    {
        return run(what, folderUrl(folder), "UID STORE " + QByteArray::number(uid) + " " + change);
    }
};

ImapMailbox::ImapMailbox(const ServerSettings &settings, const QString &folder) : d(new Private)
{
    d->settings = settings;
    d->folder = folder;
}

ImapMailbox::~ImapMailbox() = default;

QString ImapMailbox::folder() const { return d->folder; }

bool ImapMailbox::isSafeFolderName(const QString &folder)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z0-9_ .-]+(/[A-Za-z0-9_ .-]+)*$"));
    return folder.size() <= 200 && re.match(folder).hasMatch();
}

MailResult ImapMailbox::open(qint64 *uidValidity)
{
    const QString what = QStringLiteral("Apertura della cartella %1").arg(d->folder);
    if (d->settings.host.isEmpty())
        return refused(what + QStringLiteral(": server IMAP non indicato."));
    if (!isSafeFolderName(d->folder))
        return refused(what + QStringLiteral(": nome di cartella non ammesso."));
    d->uidValidity = 0;
    MailResult r = d->run(what, d->base(), "STATUS " + quoted(d->folder) + " (UIDVALIDITY)");
    if (r.code == MailResult::Protocol && d->body.data.isEmpty())
        return {MailResult::NotFound, r.text};
    if (!r.ok())
        return r;
    static const QRegularExpression validity(QStringLiteral("UIDVALIDITY (\\d+)"));
    const auto m = validity.match(QString::fromLatin1(d->body.data));
    if (!m.hasMatch() || m.captured(1).toLongLong() <= 0)
        return {MailResult::Protocol, what + QStringLiteral(": il server non ha indicato la UIDVALIDITY.")};
    r = d->run(what, d->base(), "CAPABILITY");
    if (!r.ok())
        return r;
    const QByteArray caps = " " + d->body.data.toUpper().simplified() + " ";
    d->hasMove = caps.contains(" MOVE ");
    d->hasUidPlus = caps.contains(" UIDPLUS ");
    d->uidValidity = m.captured(1).toLongLong();
    d->knownFolders.insert(d->folder);
    if (uidValidity)
        *uidValidity = d->uidValidity;
    return {};
}

MailResult ImapMailbox::newUids(QList<qint64> *uids)
{
    return d->search(QStringLiteral("Ricerca dei nuovi messaggi in %1").arg(d->folder), "UNSEEN UNDELETED", uids);
}

MailResult ImapMailbox::allUids(QList<qint64> *uids)
{
    return d->search(QStringLiteral("Elenco dei messaggi in %1").arg(d->folder), "ALL", uids);
}

MailResult ImapMailbox::fetch(qint64 uid, QByteArray *raw, qint64 maxBytes)
{
    const QString what = QStringLiteral("Lettura del messaggio %1 di %2").arg(uid).arg(d->folder);
    MailResult r = d->checkOpen(what);
    if (!r.ok())
        return r;
    const QByteArray id = QByteArray::number(uid);
    r = d->run(what, d->folderUrl(d->folder), "UID FETCH " + id + " (UID RFC822.SIZE FLAGS)");
    if (!r.ok())
        return r;
    qint64 size = -1;
    bool seen = false;
    static const QRegularExpression sizeItem(QStringLiteral("RFC822\\.SIZE (\\d+)"));
    static const QRegularExpression uidItem(QStringLiteral("\\bUID (\\d+)\\b"));
    for (const QByteArray &line : d->body.data.split('\n')) {
        const QString l = QString::fromLatin1(line);
        const auto u = uidItem.match(l);
        const auto s = sizeItem.match(l);
        if (u.hasMatch() && s.hasMatch() && u.captured(1).toLongLong() == uid) {
            size = s.captured(1).toLongLong();
            seen = l.contains(QLatin1String("\\Seen"), Qt::CaseInsensitive);
        }
    }
    if (size < 0)
        return {MailResult::NotFound, what + QStringLiteral(": messaggio non presente sul server.")};
    if (size > maxBytes)
        return {MailResult::TooBig, what
                                        + QStringLiteral(": il messaggio (%1 byte) supera il limite di %2 byte.")
                                              .arg(size)
                                              .arg(maxBytes)};
    // libcurl hands the answer to a command of ours over as response lines,
    // and takes no more than a few hundred kilobytes of them: the message
    // is read in slices.
    constexpr qint64 slice = 128 << 10;
    QByteArray whole;
    bool complete = false;
    while (!complete) {
        const QByteArray range = "<" + QByteArray::number(whole.size()) + "." + QByteArray::number(slice) + ">";
        r = d->run(what, d->folderUrl(d->folder), "UID FETCH " + id + " BODY.PEEK[]" + range, slice + (64 << 10));
        QByteArray part;
        if (!r.ok() || !fetchLiteral(d->lines.data, uid, &part) || part.isEmpty())
            break;
        whole += part;
        complete = part.size() < slice || whole.size() >= size;
        if (whole.size() > maxBytes)
            return {MailResult::TooBig,
                    what + QStringLiteral(": il messaggio supera il limite di %1 byte.").arg(maxBytes)};
    }
    if (complete) {
        *raw = whole;
        return {};
    }
    if (!r.ok() && r.code != MailResult::Protocol)
        return r;
    // The message's own lines made libcurl lose track of the response (a
    // line that looks like the end of the command). Read it again on a
    // new connection through libcurl's own fetch, which takes the message
    // by its size; that fetch marks the message seen, so an unseen message
    // is made unseen again at once.
    d->drop();
    r = d->run(what, d->folderUrl(d->folder) + "/;UID=" + id, {}, size + (64 << 10));
    if (!r.ok())
        return r;
    *raw = d->body.data;
    if (!seen)
        r = d->store(uid, "-FLAGS.SILENT (\\Seen)", what);
    return r;
}

MailResult ImapMailbox::markSeen(qint64 uid)
{
    const QString what = QStringLiteral("Messaggio %1 di %2 segnato come letto").arg(uid).arg(d->folder);
    MailResult r = d->checkOpen(what);
    return r.ok() ? d->store(uid, "+FLAGS.SILENT (\\Seen)", what) : r;
}

MailResult ImapMailbox::moveTo(qint64 uid, const QString &folder)
{
    const QString what = QStringLiteral("Spostamento del messaggio %1 in %2").arg(uid).arg(folder);
    if (!isSafeFolderName(folder) || folder == d->folder)
        return refused(what + QStringLiteral(": nome di cartella non ammesso."));
    MailResult r = d->checkOpen(what);
    if (r.ok())
        r = d->ensureFolder(folder);
    if (!r.ok())
        return r;
    const QByteArray id = QByteArray::number(uid);
    if (d->hasMove)
        return d->run(what, d->folderUrl(d->folder), "UID MOVE " + id + " " + quoted(folder));
    r = d->run(what, d->folderUrl(d->folder), "UID COPY " + id + " " + quoted(folder));
    return r.ok() ? remove(uid) : r;
}

MailResult ImapMailbox::remove(qint64 uid)
{
    const QString what = QStringLiteral("Eliminazione del messaggio %1 di %2").arg(uid).arg(d->folder);
    MailResult r = d->checkOpen(what);
    if (r.ok())
        r = d->store(uid, "+FLAGS.SILENT (\\Deleted)", what);
    if (r.ok())
        r = d->run(what, d->folderUrl(d->folder),
                   d->hasUidPlus ? "UID EXPUNGE " + QByteArray::number(uid) : QByteArray("EXPUNGE"));
    return r;
}

MailResult ImapMailbox::deleteFolder(const QString &folder)
{
    const QString what = QStringLiteral("Eliminazione della cartella %1").arg(folder);
    if (!isSafeFolderName(folder) || folder.compare(QLatin1String("INBOX"), Qt::CaseInsensitive) == 0
        || (folder == d->folder && d->uidValidity > 0))
        return refused(what + QStringLiteral(": cartella non ammessa."));
    d->knownFolders.remove(folder);
    return d->run(what, d->base(), "DELETE " + quoted(folder));
}

MailResult sendMessage(const ServerSettings &settings, const QString &envelopeFrom, const QStringList &recipients,
                       const QByteArray &message)
{
    const QString what = QStringLiteral("Invio del messaggio");
    if (settings.host.isEmpty())
        return refused(what + QStringLiteral(": server SMTP non indicato."));
    if (!isPlainAddress(envelopeFrom))
        return refused(what + QStringLiteral(": indirizzo del mittente non valido."));
    if (recipients.isEmpty())
        return refused(what + QStringLiteral(": nessun destinatario."));
    // libcurl is given the domain in ASCII whatever it supports itself.
    auto envelope = [](const QString &address) {
        const qsizetype at = address.lastIndexOf(QLatin1Char('@'));
        const QByteArray ace = QUrl::toAce(address.mid(at + 1));
        return "<" + address.left(at).toLatin1() + "@" + (ace.isEmpty() ? address.mid(at + 1).toUtf8() : ace) + ">";
    };
    for (const QString &r : recipients)
        if (!isPlainAddress(r))
            return refused(what + QStringLiteral(": indirizzo del destinatario non valido (%1).")
                                      .arg(QString(r).replace(QRegularExpression(QStringLiteral("[\\x00-\\x1f\\x7f]")),
                                                              QStringLiteral(" "))));

    initCurl();
    CURL *curl = curl_easy_init();
    if (!curl)
        return {MailResult::Connect, what + QStringLiteral(": libreria di rete non disponibile.")};
    char errorBuffer[CURL_ERROR_SIZE] = {};
    setCommon(curl, settings, errorBuffer, "smtp,smtps");
    const QByteArray url = baseUrl(settings, "smtps", "smtp", 465, 587);
    curl_easy_setopt(curl, CURLOPT_URL, url.constData());
    const QByteArray from = envelope(envelopeFrom);
    curl_easy_setopt(curl, CURLOPT_MAIL_FROM, from.constData());
    curl_slist *rcpt = nullptr;
    for (const QString &r : recipients)
        rcpt = curl_slist_append(rcpt, envelope(r).constData());
    curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt);
    Source source{&message};
    curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(curl, CURLOPT_READFUNCTION, fromSource);
    curl_easy_setopt(curl, CURLOPT_READDATA, &source);
    curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.size()));
    const CURLcode rc = curl_easy_perform(curl);
    long response = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response);
    curl_slist_free_all(rcpt);
    curl_easy_cleanup(curl);
    if (rc == CURLE_OK)
        return {};
    return failure(rc, errorBuffer, what, response);
}

} // namespace nimbo::mail
