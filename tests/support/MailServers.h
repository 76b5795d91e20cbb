#pragma once
// The mail servers of the tests, started by scripts/start-mail.sh, which
// puts its settings in NIMBO_TEST_MAIL:
//
//   auto mail = nimbo::test::testMailOrSkip();
//   if (!mail)
//       return;   // skipped with the reason (a failure under CI=true)
//   nimbo::test::TestFolder folder(*mail, "giro");
//   ASSERT_TRUE(deliver(*mail, raw, folder.address()));
//   mail::ImapMailbox box(mail->imap(), folder.name());
//   QList<qint64> uids;
//   ASSERT_TRUE(waitForMessages(box, 1, &uids));
//
// Mail for "protocollo+<folder>@nimbo.test" lands in that folder of the
// body's mailbox, so each test keeps to a folder of its own (named after
// the test program's process) and deletes it at the end: tests run in any
// order and in parallel.

#include <QCoreApplication>
#include <QHash>
#include <QThread>
#include <gtest/gtest.h>
#include <optional>

#include "mail/MailTransport.h"

namespace nimbo::test {

struct TestMail {
    QString host, ca, password, domain;
    int imapPort = 0, smtpPort = 0;

    QString address(const QString &user) const { return user + QLatin1Char('@') + domain; }

    mail::ServerSettings imap(const QString &user = QStringLiteral("protocollo")) const
    {
        return {host, imapPort, mail::Security::Tls, address(user), password, ca, 20};
    }
    mail::ServerSettings smtp(const QString &user = QStringLiteral("mittente")) const
    {
        return {host, smtpPort, mail::Security::StartTls, address(user), password, ca, 20};
    }
};

// The settings of NIMBO_TEST_MAIL once the body's mailbox answered; else
// the test is skipped with the reason, or fails under CI, and the caller
// returns.
inline std::optional<TestMail> testMailOrSkip()
{
    const QString line = qEnvironmentVariable("NIMBO_TEST_MAIL");
    QString why;
    TestMail m;
    if (line.isEmpty()) {
        why = QStringLiteral("NIMBO_TEST_MAIL non impostata: avviare scripts/start-mail.sh e passare la sua riga");
    } else {
        QHash<QString, QString> kv;
        for (const QString &item : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            kv.insert(item.section(QLatin1Char('='), 0, 0), item.section(QLatin1Char('='), 1));
        m = {kv.value(QStringLiteral("host")), kv.value(QStringLiteral("ca")), kv.value(QStringLiteral("password")),
             kv.value(QStringLiteral("domain"), QStringLiteral("nimbo.test")),
             kv.value(QStringLiteral("imap_port")).toInt(), kv.value(QStringLiteral("smtp_port")).toInt()};
        mail::ImapMailbox inbox(m.imap());
        const mail::MailResult r = inbox.open(nullptr);
        if (!r.ok())
            why = QStringLiteral("server di posta di NIMBO_TEST_MAIL non raggiungibile: ") + r.text;
    }
    if (why.isEmpty())
        return m;
    if (qEnvironmentVariable("CI") == QLatin1String("true"))
        ADD_FAILURE() << why.toStdString();
    else
        [&] { GTEST_SKIP() << why.toStdString(); }();
    return std::nullopt;
}

// A folder of the body's mailbox for one test, deleted (with its sub-folders
// named in subFolders) when the test ends.
class TestFolder {
public:
    TestFolder(const TestMail &mail, const char *tag)
        : mail_(mail), name_(QStringLiteral("t-%1-%2-%3")
                                 .arg(QLatin1String(tag))
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(++counter()))
    {
    }
    ~TestFolder()
    {
        mail::ImapMailbox inbox(mail_.imap());
        for (const QString &sub : subFolders)
            inbox.deleteFolder(name_ + QLatin1Char('/') + sub);
        inbox.deleteFolder(name_);
    }
    TestFolder(const TestFolder &) = delete;
    TestFolder &operator=(const TestFolder &) = delete;

    QString name() const { return name_; }
    // The address whose mail lands in this folder.
    QString address() const { return mail_.address(QStringLiteral("protocollo+") + name_); }

    QStringList subFolders;

private:
    static int &counter()
    {
        static int n = 0;
        return n;
    }
    const TestMail &mail_;
    QString name_;
};

// A raw message sent through the SMTP server as mittente@.
inline ::testing::AssertionResult deliver(const TestMail &mail, const QByteArray &raw, const QString &to)
{
    const mail::MailResult r =
        mail::sendMessage(mail.smtp(), mail.address(QStringLiteral("mittente")), {to}, raw);
    if (r.ok())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << r.text.toStdString();
}

// Waits for the folder to hold at least n messages (delivery is not
// instantaneous); the mailbox is left open on it.
inline ::testing::AssertionResult waitForMessages(mail::ImapMailbox &box, int n, QList<qint64> *uids,
                                                  int seconds = 30)
{
    mail::MailResult r;
    bool open = false;
    for (int i = 0; i < seconds * 5; ++i, QThread::msleep(200)) {
        if (!open && !(r = box.open(nullptr)).ok())
            continue;
        open = true;
        if ((r = box.allUids(uids)).ok() && uids->size() >= n)
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "in " << box.folder().toStdString() << " non arrivano " << n
                                         << " messaggi: " << r.text.toStdString();
}

} // namespace nimbo::test
