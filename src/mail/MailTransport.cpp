#include "mail/MailTransport.h"

namespace nimbo::mail {

struct ImapMailbox::Private {
    ServerSettings settings;
    QString folder;
};

ImapMailbox::ImapMailbox(const ServerSettings &settings, const QString &folder) : d(new Private{settings, folder}) {}
ImapMailbox::~ImapMailbox() = default;
QString ImapMailbox::folder() const { return d->folder; }
static MailResult notYet() { return {MailResult::Protocol, QStringLiteral("Non disponibile.")}; }
MailResult ImapMailbox::open(qint64 *) { return notYet(); }
MailResult ImapMailbox::newUids(QList<qint64> *) { return notYet(); }
MailResult ImapMailbox::allUids(QList<qint64> *) { return notYet(); }
MailResult ImapMailbox::fetch(qint64, QByteArray *, qint64) { return notYet(); }
MailResult ImapMailbox::markSeen(qint64) { return notYet(); }
MailResult ImapMailbox::moveTo(qint64, const QString &) { return notYet(); }
MailResult ImapMailbox::remove(qint64) { return notYet(); }
MailResult ImapMailbox::deleteFolder(const QString &) { return notYet(); }
bool ImapMailbox::isSafeFolderName(const QString &) { return false; }
MailResult sendMessage(const ServerSettings &, const QString &, const QStringList &, const QByteArray &) { return notYet(); }

} // namespace nimbo::mail
