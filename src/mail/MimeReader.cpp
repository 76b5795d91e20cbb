#include "mail/MimeReader.h"

#include <QRegularExpression>

#include "mail/GMimeSupport.h"
#include "mail/MailAddress.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

namespace nimbo::mail {

namespace {

using Certified = ParsedMail::Certified;

// No mail we take has more part boundaries than this; GMime is not handed
// a message built only to make it walk millions of empty parts.
constexpr int kMaxDelimiterLines = 50000;

struct Walk {
    const ParseLimits &limits;
    int parts = 0;
    QString error;
};

QString fromUtf8(const char *s) { return s ? QString::fromUtf8(s) : QString(); }

QString mimeType(GMimeObject *object)
{
    GMimeContentType *type = g_mime_object_get_content_type(object);
    if (!type)
        return QStringLiteral("application/octet-stream");
    Owned<char> text(g_mime_content_type_get_mime_type(type));
    return cleanHeaderText(fromUtf8(text.get())).toLower();
}

// The text of a text part in Unicode: its declared charset when the
// machine knows it and the bytes fit it, else UTF-8 when they are UTF-8,
// else Latin-1. Never fails.
QString decodeText(const QByteArray &bytes, const char *declared)
{
    const QByteArray charset = QByteArray(declared ? declared : "").trimmed().toLower();
    const bool validUtf8 = g_utf8_validate(bytes.constData(), bytes.size(), nullptr);
    if (charset.isEmpty() || charset == "utf-8" || charset == "utf8" || charset == "us-ascii")
        return validUtf8 || charset.startsWith("utf") ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
    gsize written = 0;
    GError *err = nullptr;
    Owned<char> utf8(g_convert(bytes.constData(), bytes.size(), "UTF-8", g_mime_charset_iconv_name(charset.constData()),
                               nullptr, &written, &err));
    if (err)
        g_error_free(err);
    if (utf8)
        return QString::fromUtf8(utf8.get(), qsizetype(written));
    return validUtf8 ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

bool attachmentTooBig(Walk &walk, const QString &name, qint64 size)
{
    if (size <= walk.limits.maxAttachmentBytes)
        return false;
    walk.error = QStringLiteral("L'allegato \"%1\" (%2 byte) supera il limite di %3 byte.")
                     .arg(name)
                     .arg(size)
                     .arg(walk.limits.maxAttachmentBytes);
    return true;
}

Certified certifiedKind(const QString &kind)
{
    const QString k = kind.trimmed().toLower();
    if (k == QLatin1String("posta-certificata"))
        return Certified::Message;
    if (k == QLatin1String("accettazione"))
        return Certified::Acceptance;
    if (k == QLatin1String("avvenuta-consegna"))
        return Certified::Delivery;
    if (k == QLatin1String("non-accettazione"))
        return Certified::NonAcceptance;
    if (k == QLatin1String("errore-consegna") || k == QLatin1String("preavviso-errore-consegna")
        || k == QLatin1String("rilevazione-virus"))
        return Certified::NonDelivery;
    return Certified::Other;
}

QString bareMessageId(const QString &id)
{
    QString s = cleanHeaderText(id);
    if (s.startsWith(QLatin1Char('<')))
        s.remove(0, 1);
    if (s.endsWith(QLatin1Char('>')))
        s.chop(1);
    return s.trimmed().left(998);
}

// The kind ("tipo") and the referred message id of the certification data.
// The document type is never fetched and entities are not expanded.
bool readDaticert(const QByteArray &xml, QString *kind, QString *msgid)
{
    static const bool ready = (xmlInitParser(), true);
    (void)ready;
    xmlDocPtr doc = xmlReadMemory(xml.constData(), int(xml.size()), "daticert.xml", nullptr,
                                  XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!doc)
        return false;
    xmlNodePtr root = xmlDocGetRootElement(doc);
    const bool ok = root && xmlStrcmp(root->name, BAD_CAST "postacert") == 0;
    if (ok) {
        if (xmlChar *tipo = xmlGetProp(root, BAD_CAST "tipo")) {
            *kind = QString::fromUtf8(reinterpret_cast<const char *>(tipo));
            xmlFree(tipo);
        }
        for (xmlNodePtr section = root->children; section; section = section->next)
            for (xmlNodePtr n = section->children; n; n = n->next)
                if (n->type == XML_ELEMENT_NODE && xmlStrcmp(n->name, BAD_CAST "msgid") == 0) {
                    xmlChar *text = xmlNodeGetContent(n);
                    *msgid = bareMessageId(QString::fromUtf8(reinterpret_cast<const char *>(text)));
                    xmlFree(text);
                }
    }
    xmlFreeDoc(doc);
    return ok;
}

QString nameOf(InternetAddress *address)
{
    return cleanHeaderText(fromUtf8(internet_address_get_name(address)));
}

// The plain mailbox addresses of a list, groups opened.
void plainAddresses(InternetAddressList *list, QStringList *out, QStringList *others)
{
    const int n = list ? internet_address_list_length(list) : 0;
    for (int i = 0; i < n; ++i) {
        InternetAddress *a = internet_address_list_get_address(list, i);
        if (INTERNET_ADDRESS_IS_GROUP(a)) {
            plainAddresses(internet_address_group_get_members(INTERNET_ADDRESS_GROUP(a)), out, others);
            continue;
        }
        const QString addr = fromUtf8(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(a)));
        if (isPlainAddress(addr))
            out->append(addr);
        else if (others)
            others->append(cleanHeaderText(addr));
    }
}

class Reader {
public:
    explicit Reader(Walk &walk) : walk_(walk) {}

    bool read(GMimeMessage *message, ParsedMail *out, int depth)
    {
        out_ = out;
        headers(message);
        if (GMimeObject *body = g_mime_message_get_mime_part(message))
            if (!walk(body, depth + 1))
                return false;
        return certification(message);
    }

private:
    void headers(GMimeMessage *message)
    {
        out_->messageId = bareMessageId(fromUtf8(g_mime_message_get_message_id(message)));
        out_->subject = cleanHeaderText(fromUtf8(g_mime_message_get_subject(message)));
        QStringList from, odd;
        plainAddresses(g_mime_message_get_from(message), &from, &odd);
        InternetAddressList *fromList = g_mime_message_get_from(message);
        if (fromList && internet_address_list_length(fromList) > 0)
            out_->fromName = nameOf(internet_address_list_get_address(fromList, 0));
        if (!from.isEmpty())
            out_->fromAddress = from.first();
        else if (!odd.isEmpty())
            out_->fromName = cleanHeaderText(out_->fromName + QLatin1Char(' ') + odd.join(QLatin1Char(' ')));
        plainAddresses(g_mime_message_get_to(message), &out_->to, nullptr);
        if (GDateTime *date = g_mime_message_get_date(message))
            out_->date = QDateTime::fromSecsSinceEpoch(g_date_time_to_unix(date), Qt::OffsetFromUTC,
                                                       int(g_date_time_get_utc_offset(date) / G_TIME_SPAN_SECOND));
    }

    bool walk(GMimeObject *object, int depth)
    {
        if (++walk_.parts > walk_.limits.maxParts) {
            walk_.error = QStringLiteral("Il messaggio ha più di %1 parti.").arg(walk_.limits.maxParts);
            return false;
        }
        if (depth > walk_.limits.maxDepth) {
            walk_.error = QStringLiteral("Il messaggio ha più di %1 livelli di parti annidate.").arg(walk_.limits.maxDepth);
            return false;
        }
        if (GMIME_IS_MULTIPART(object)) {
            GMimeMultipart *multi = GMIME_MULTIPART(object);
            const int n = g_mime_multipart_get_count(multi);
            for (int i = 0; i < n; ++i)
                if (!walk(g_mime_multipart_get_part(multi, i), depth + 1))
                    return false;
            return true;
        }
        if (GMIME_IS_MESSAGE_PART(object))
            return attachedMessage(GMIME_MESSAGE_PART(object), depth);
        if (GMIME_IS_PART(object))
            return part(GMIME_PART(object));
        return true;
    }

    bool attachedMessage(GMimeMessagePart *part, int depth)
    {
        GMimeMessage *inner = g_mime_message_part_get_message(part);
        if (!inner)
            return true;
        const QString declared = fromUtf8(g_mime_object_get_content_disposition_parameter(GMIME_OBJECT(part), "filename"));
        QString name = declared.isEmpty()
                           ? fromUtf8(g_mime_object_get_content_type_parameter(GMIME_OBJECT(part), "name"))
                           : declared;
        if (name.trimmed().compare(QLatin1String("postacert.eml"), Qt::CaseInsensitive) == 0 && !postacert_) {
            postacert_ = inner;
            postacertDepth_ = depth;
            return true;
        }
        Owned<GMimeStream> stream(g_mime_stream_mem_new());
        g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream.get());
        QByteArray data = streamBytes(stream.get());
        const int index = int(out_->attachments.size()) + 1;
        if (name.trimmed().isEmpty())
            name = fromUtf8(g_mime_message_get_subject(inner));
        name = safeFileName(name, index);
        if (!name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive))
            name += QLatin1String(".eml");
        if (attachmentTooBig(walk_, name, data.size()))
            return false;
        out_->attachments.append({name, QStringLiteral("message/rfc822"), data});
        return true;
    }

    bool part(GMimePart *part)
    {
        GMimeObject *object = GMIME_OBJECT(part);
        const QString type = mimeType(object);
        const QString fileName = fromUtf8(g_mime_part_get_filename(part));
        GMimeContentDisposition *disposition = g_mime_object_get_content_disposition(object);
        const bool attached = !fileName.isEmpty() || (disposition && g_mime_content_disposition_is_attachment(disposition));
        QByteArray data;
        if (GMimeDataWrapper *content = g_mime_part_get_content(part)) {
            Owned<GMimeStream> stream(g_mime_stream_mem_new());
            g_mime_data_wrapper_write_to_stream(content, stream.get());
            data = streamBytes(stream.get());
        }
        if (!attached && (type == QLatin1String("text/plain") || type == QLatin1String("text/html"))) {
            QString &target = type == QLatin1String("text/plain") ? out_->text : out_->html;
            const QString text = decodeText(data, g_mime_object_get_content_type_parameter(object, "charset"));
            target = target.isEmpty() ? text : target + QLatin1Char('\n') + text;
            return true;
        }
        const QString name = safeFileName(fileName, int(out_->attachments.size()) + 1);
        if (attachmentTooBig(walk_, name, data.size()))
            return false;
        if (name.compare(QLatin1String("daticert.xml"), Qt::CaseInsensitive) == 0 && out_->daticert.isEmpty())
            out_->daticert = data;
        out_->attachments.append({name, type, data});
        return true;
    }

    // What a certified-mail envelope or receipt says, and the original
    // message a certified envelope carries.
    bool certification(GMimeMessage *message)
    {
        const QString transport = cleanHeaderText(fromUtf8(g_mime_object_get_header(GMIME_OBJECT(message), "X-Trasporto")));
        const QString receipt = cleanHeaderText(fromUtf8(g_mime_object_get_header(GMIME_OBJECT(message), "X-Ricevuta")));
        if (transport.isEmpty() && receipt.isEmpty() && out_->daticert.isEmpty())
            return keepPostacertAsAttachment();
        QString kind, msgid;
        if (out_->daticert.isEmpty() || !readDaticert(out_->daticert, &kind, &msgid))
            kind = receipt.isEmpty() ? transport : receipt;
        if (msgid.isEmpty())
            msgid = bareMessageId(
                fromUtf8(g_mime_object_get_header(GMIME_OBJECT(message), "X-Riferimento-Message-ID")));
        out_->certified = certifiedKind(kind);
        out_->certifiedId = msgid;
        if (!postacert_)
            return true;
        auto original = std::make_shared<ParsedMail>();
        Reader inner(walk_);
        if (!inner.read(postacert_, original.get(), postacertDepth_))
            return false;
        out_->original = original;
        return true;
    }

    bool keepPostacertAsAttachment()
    {
        if (!postacert_)
            return true;
        Owned<GMimeStream> stream(g_mime_stream_mem_new());
        g_mime_object_write_to_stream(GMIME_OBJECT(postacert_), nullptr, stream.get());
        const QByteArray data = streamBytes(stream.get());
        if (attachmentTooBig(walk_, QStringLiteral("postacert.eml"), data.size()))
            return false;
        out_->attachments.append({QStringLiteral("postacert.eml"), QStringLiteral("message/rfc822"), data});
        return true;
    }

    Walk &walk_;
    ParsedMail *out_ = nullptr;
    GMimeMessage *postacert_ = nullptr;
    int postacertDepth_ = 0;
};

int delimiterLines(const QByteArray &raw)
{
    int n = raw.startsWith("--") ? 1 : 0;
    for (qsizetype pos = raw.indexOf("\n--"); pos >= 0; pos = raw.indexOf("\n--", pos + 3))
        ++n;
    return n;
}

} // namespace

bool parseMail(const QByteArray &raw, ParsedMail *out, QString *error, const ParseLimits &limits)
{
    *out = ParsedMail();
    if (raw.size() > limits.maxMessageBytes) {
        *error = QStringLiteral("Il messaggio (%1 byte) supera il limite di %2 byte.")
                     .arg(raw.size())
                     .arg(limits.maxMessageBytes);
        return false;
    }
    if (raw.trimmed().isEmpty()) {
        *error = QStringLiteral("Il messaggio è vuoto.");
        return false;
    }
    if (delimiterLines(raw) > kMaxDelimiterLines) {
        *error = QStringLiteral("Il messaggio ha più di %1 parti.").arg(limits.maxParts);
        return false;
    }
    initGMime();
    Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(raw.constData(), size_t(raw.size())));
    Owned<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    Owned<GMimeParserOptions> options(g_mime_parser_options_new());
    // Headers with 8-bit text and no declared charset.
    const char *fallback[] = {"UTF-8", "ISO-8859-1", nullptr};
    g_mime_parser_options_set_fallback_charsets(options.get(), fallback);
    Owned<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), options.get()));
    if (!message) {
        *error = QStringLiteral("Il messaggio non è leggibile come posta elettronica.");
        return false;
    }
    Walk walk{limits, 0, {}};
    Reader reader(walk);
    if (!reader.read(message.get(), out, 0)) {
        *error = walk.error;
        return false;
    }
    return true;
}

QString plainAddressOf(const QString &headerValue)
{
    initGMime();
    Owned<InternetAddressList> list(internet_address_list_parse(nullptr, headerValue.toUtf8().constData()));
    QStringList plain;
    plainAddresses(list.get(), &plain, nullptr);
    return plain.isEmpty() ? QString() : plain.first();
}

QString cleanHeaderText(const QString &text)
{
    QString s = text;
    for (QChar &c : s)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    return s.simplified();
}

QString safeFileName(const QString &name, int index)
{
    QString s = name.section(QRegularExpression(QStringLiteral("[/\\\\]")), -1);
    QString kept;
    for (const QChar c : s) {
        const auto cat = c.category();
        if (cat == QChar::Other_Control || cat == QChar::Other_Format || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            continue;
        kept += QStringLiteral("<>:\"|?*").contains(c) ? QLatin1Char('_') : c;
    }
    // No hidden files, no "." or "..", no names that end in a blank.
    while (!kept.isEmpty() && (kept.front() == QLatin1Char('.') || kept.front().isSpace()))
        kept.remove(0, 1);
    while (!kept.isEmpty() && (kept.back() == QLatin1Char('.') || kept.back().isSpace()))
        kept.chop(1);
    constexpr int maxLength = 180;
    if (kept.size() > maxLength) {
        const qsizetype dot = kept.lastIndexOf(QLatin1Char('.'));
        const QString ext = dot > 0 && kept.size() - dot <= 16 ? kept.mid(dot) : QString();
        kept = kept.left(maxLength - ext.size()) + ext;
    }
    return kept.isEmpty() ? QStringLiteral("allegato-%1").arg(index) : kept;
}

} // namespace nimbo::mail
