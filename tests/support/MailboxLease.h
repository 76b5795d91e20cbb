#pragma once
// A mailbox of the test mail servers for one test alone, and a relay that a
// test can cut to take the IMAP server away in the middle of a read.
//
// scripts/start-mail.sh makes the mailboxes casella01..casella24; test
// programs run side by side, so a test claims one with a lock file held
// until the lease goes, empties it, and reads only its own.

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "mail/MailTransport.h"
#include "support/MailServers.h"

namespace nimbo::test {

class MailboxLease {
public:
    explicit MailboxLease(const TestMail &mail) : mail_(mail) {}
    ~MailboxLease()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    MailboxLease(const MailboxLease &) = delete;
    MailboxLease &operator=(const MailboxLease &) = delete;

    bool claim()
    {
        const QString dir = QDir::tempPath() + QStringLiteral("/nimbo-mail-leases");
        QDir().mkpath(dir);
        for (int i = 1; i <= kBoxes; ++i) {
            const QString name = QStringLiteral("casella%1").arg(i, 2, 10, QLatin1Char('0'));
            const int fd = ::open(QFile::encodeName(dir + QLatin1Char('/') + name).constData(), O_CREAT | O_RDWR, 0600);
            if (fd < 0)
                continue;
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
                fd_ = fd;
                user_ = name;
                return true;
            }
            ::close(fd);
        }
        return false;
    }
    QString address() const { return mail_.address(user_); }
    QString error() const { return error_; }

    mail::ServerSettings imap() const { return mail_.imap(user_); }

    // Removes whatever the mailbox holds.
    bool empty()
    {
        mail::ImapMailbox box(imap());
        qint64 validity = 0;
        QList<qint64> uids;
        mail::MailResult r = box.open(&validity);
        if (r.ok())
            r = box.allUids(&uids);
        for (int i = 0; r.ok() && i < uids.size(); ++i)
            r = box.remove(uids[i]);
        error_ = r.text;
        return r.ok();
    }
    // Sends a message to this mailbox as the outside sender.
    ::testing::AssertionResult deliver(const QByteArray &raw) { return test::deliver(mail_, raw, address()); }
    // Waits for the server to hold n messages (delivery goes through a queue).
    ::testing::AssertionResult waitFor(int n)
    {
        mail::ImapMailbox box(imap());
        QList<qint64> uids;
        return waitForMessages(box, n, &uids, 120);
    }
    // The messages not yet seen; -1 when the mailbox cannot be read.
    int unseen()
    {
        mail::ImapMailbox box(imap());
        qint64 validity = 0;
        QList<qint64> uids;
        mail::MailResult r = box.open(&validity);
        if (r.ok())
            r = box.newUids(&uids);
        error_ = r.text;
        return r.ok() ? int(uids.size()) : -1;
    }

    static constexpr int kBoxes = 24;

private:
    TestMail mail_;
    QString user_, error_;
    int fd_ = -1;
};

// A TCP relay on a loopback port to a server (socat, in a process group of
// its own so that stop() also ends the connections it carries).
class TcpRelay {
public:
    TcpRelay(const QString &host, quint16 port) : host_(host), target_(port) {}
    ~TcpRelay() { stop(); }

    bool start()
    {
        if (port_ == 0) {
            QTcpServer probe;
            if (!probe.listen(QHostAddress::LocalHost)) {
                error_ = probe.errorString();
                return false;
            }
            port_ = probe.serverPort();
        }
        p_.setChildProcessModifier([] { ::setpgid(0, 0); });
        p_.start(QStringLiteral("socat"),
                 {QStringLiteral("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port_),
                  QStringLiteral("TCP:%1:%2").arg(host_).arg(target_)});
        if (!p_.waitForStarted()) {
            error_ = p_.errorString();
            return false;
        }
        // Listening once a connection is accepted.
        for (int i = 0; i < 50; ++i) {
            QTcpSocket s;
            s.connectToHost(QHostAddress::LocalHost, port_);
            if (s.waitForConnected(100))
                return true;
            QThread::msleep(50);
        }
        error_ = QStringLiteral("socat non risponde sulla porta %1").arg(port_);
        return false;
    }
    void stop()
    {
        if (p_.state() == QProcess::NotRunning)
            return;
        const pid_t pid = pid_t(p_.processId());
        ::kill(-pid, SIGKILL);
        p_.kill();
        p_.waitForFinished(5000);
    }
    int port() const { return port_; }
    QString error() const { return error_; }

private:
    QString host_;
    quint16 target_;
    quint16 port_ = 0;
    QProcess p_;
    QString error_;
};

} // namespace nimbo::test
