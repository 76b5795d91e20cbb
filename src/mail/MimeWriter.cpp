#include "mail/MimeWriter.h"

#include <QRegularExpression>
#include <QUrl>

#include "mail/GMimeSupport.h"
#include "mail/MailAddress.h"

namespace nimbo::mail {

namespace {

QString checkMail(const OutgoingMail &mail)
{
    if (!isPlainAddress(mail.fromAddress))
        return QStringLiteral("L'indirizzo del mittente non è valido.");
    if (mail.to.isEmpty())
        return QStringLiteral("Indicare almeno un destinatario.");
    for (const QString &to : mail.to)
        if (!isPlainAddress(to))
            return QStringLiteral("L'indirizzo del destinatario non è valido: %1").arg(cleanHeaderText(to));
    if (!isHeaderSafe(mail.subject))
        return QStringLiteral("L'oggetto non può contenere ritorni a capo o caratteri di controllo.");
    if (!isHeaderSafe(mail.fromName))
        return QStringLiteral("Il nome del mittente non può contenere ritorni a capo o caratteri di controllo.");
    static const QRegularExpression type(QStringLiteral("^[A-Za-z0-9!#$&^_.+-]+/[A-Za-z0-9!#$&^_.+-]+$"));
    for (const MailAttachment &a : mail.attachments) {
        if (a.fileName.trimmed().isEmpty() || !isHeaderSafe(a.fileName) || a.fileName.contains(QLatin1Char('/'))
            || a.fileName.contains(QLatin1Char('\\')))
            return QStringLiteral("Il nome dell'allegato non è valido: %1").arg(cleanHeaderText(a.fileName));
        if (!a.contentType.isEmpty() && !type.match(a.contentType).hasMatch())
            return QStringLiteral("Il tipo dell'allegato %1 non è valido.").arg(a.fileName);
    }
    return {};
}

// The text with LF line ends: the writer turns them into CRLF.
QByteArray unixLines(const QString &text)
{
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t.toUtf8();
}

GMimeObject *attachmentPart(const MailAttachment &a)
{
    const QByteArray type = (a.contentType.isEmpty() ? QStringLiteral("application/octet-stream") : a.contentType)
                                .toLower()
                                .toLatin1();
    const qsizetype slash = type.indexOf('/');
    GMimePart *part = g_mime_part_new_with_type(type.left(slash).constData(), type.mid(slash + 1).constData());
    g_mime_object_set_disposition(GMIME_OBJECT(part), "attachment");
    g_mime_part_set_filename(part, a.fileName.toUtf8().constData());
    Owned<GMimeStream> stream(g_mime_stream_mem_new_with_buffer(a.data.constData(), size_t(a.data.size())));
    Owned<GMimeDataWrapper> content(g_mime_data_wrapper_new_with_stream(stream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(part, content.get());
    g_mime_part_set_content_encoding(part, GMIME_CONTENT_ENCODING_BASE64);
    return GMIME_OBJECT(part);
}

} // namespace

bool composeMail(const OutgoingMail &mail, QByteArray *raw, QString *messageId, QString *error)
{
    const QString refusal = checkMail(mail);
    if (!refusal.isEmpty()) {
        *error = refusal;
        return false;
    }
    initGMime();
    Owned<GMimeMessage> message(g_mime_message_new(TRUE));
    const QByteArray fromName = mail.fromName.trimmed().toUtf8();
    g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_FROM, fromName.isEmpty() ? nullptr : fromName.constData(),
                               mail.fromAddress.toUtf8().constData());
    for (const QString &to : mail.to)
        g_mime_message_add_mailbox(message.get(), GMIME_ADDRESS_TYPE_TO, nullptr, to.toUtf8().constData());
    g_mime_message_set_subject(message.get(), mail.subject.toUtf8().constData(), "utf-8");
    GDateTime *now = g_date_time_new_now_local();
    g_mime_message_set_date(message.get(), now);
    g_date_time_unref(now);
    const QString domain = mail.fromAddress.section(QLatin1Char('@'), -1);
    const QByteArray ace = QUrl::toAce(domain);
    Owned<char> id(g_mime_utils_generate_message_id(ace.isEmpty() ? domain.toUtf8().constData() : ace.constData()));
    g_mime_message_set_message_id(message.get(), id.get());

    Owned<GMimeTextPart> text(g_mime_text_part_new_with_subtype("plain"));
    // Set as bytes: GMime's own setter would pick the smallest charset that
    // fits, and the text is to leave as UTF-8 whatever it holds.
    const QByteArray utf8 = unixLines(mail.text);
    Owned<GMimeStream> textStream(g_mime_stream_mem_new_with_buffer(utf8.constData(), size_t(utf8.size())));
    Owned<GMimeDataWrapper> textContent(
        g_mime_data_wrapper_new_with_stream(textStream.get(), GMIME_CONTENT_ENCODING_DEFAULT));
    g_mime_part_set_content(GMIME_PART(text.get()), textContent.get());
    g_mime_object_set_content_type_parameter(GMIME_OBJECT(text.get()), "charset", "utf-8");
    g_mime_part_set_content_encoding(GMIME_PART(text.get()), GMIME_CONTENT_ENCODING_QUOTEDPRINTABLE);
    if (mail.attachments.isEmpty()) {
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(text.get()));
    } else {
        Owned<GMimeMultipart> mixed(g_mime_multipart_new_with_subtype("mixed"));
        g_mime_multipart_add(mixed.get(), GMIME_OBJECT(text.get()));
        for (const MailAttachment &a : mail.attachments) {
            Owned<GMimeObject> part(attachmentPart(a));
            g_mime_multipart_add(mixed.get(), part.get());
        }
        g_mime_message_set_mime_part(message.get(), GMIME_OBJECT(mixed.get()));
    }

    Owned<GMimeFormatOptions> format(g_mime_format_options_new());
    g_mime_format_options_set_newline_format(format.get(), GMIME_NEWLINE_FORMAT_DOS);
    Owned<GMimeStream> out(g_mime_stream_mem_new());
    if (g_mime_object_write_to_stream(GMIME_OBJECT(message.get()), format.get(), out.get()) < 0) {
        *error = QStringLiteral("Impossibile comporre il messaggio.");
        return false;
    }
    *raw = streamBytes(out.get());
    if (messageId)
        *messageId = QString::fromUtf8(id.get());
    return true;
}

} // namespace nimbo::mail
