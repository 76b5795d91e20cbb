#pragma once
// The demo register on both engines with protocols written straight into
// it, the generic and protocol servers, and helpers to read what the
// register and the files say afterwards.

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>

#include "support/Files.h"
#include "ui/UiFixture.h"

namespace nimbo::test {

class RegisterTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    }

    static QString s(const char *t) { return QString::fromUtf8(t); }
    static QString number(int year, int n) { return QStringLiteral("%1%2").arg(year).arg(n, 7, 10, QLatin1Char('0')); }

    // A statement that takes no values (the schema's, say), not prepared.
    void exec(const QString &sql)
    {
        QSqlQuery q(db().central());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
    }
    QString value(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q(db().central());
        q.prepare(sql);
        for (const QVariant &v : values)
            q.addBindValue(v);
        EXPECT_TRUE(q.exec() && q.next()) << sql.toStdString() << q.lastError().text().toStdString();
        return q.value(0).toString();
    }
    // The print state of each protocol of the body, "number=state" in number order.
    QStringList states()
    {
        QSqlQuery q(db().central());
        EXPECT_TRUE(q.exec(s("SELECT Tab_NumeroProtocollo, COALESCE(Tab_Stampato, '') FROM Tab_Protocollo WHERE "
                             "Tab_Ente = '001' ORDER BY Tab_NumeroProtocollo")));
        QStringList out;
        while (q.next())
            out << q.value(0).toString() + QLatin1Char('=') + q.value(1).toString();
        return out;
    }

    // A protocol written by hand, as registration leaves it.
    void protocol(const QString &number, const QDate &date, const QString &subject, const QString &printed = {},
                  bool reserved = false, const QString &direction = QStringLiteral("E"),
                  const QString &time = QStringLiteral("09:30:00"))
    {
        run(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
              "Tab_OraProtocollo, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
              "Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia, Tab_Stampato) VALUES ('001', ?, ?, "
              "?, ?, ?, 'PRO', 'UPR', 'DEMO9', ?, 'A', 1, 'LET', ?)"),
            {direction, number, date, time, subject, reserved ? s("S") : s("N"),
             printed.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(printed)});
    }

    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QString sha(const QByteArray &bytes)
    {
        return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
    }
    // The text of a PDF as pdftotext lays it out, white space simplified:
    // the cells of one row of a table stay together and in order.
    static QString layoutText(const QString &pdf)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).simplified();
    }
    // A reader of PDF/A that is not ours: Debian's pikepdf. Empty when the
    // file passes, the complaints otherwise.
    static QString pdfaProblems(const QString &pdf)
    {
        const QString script = s(R"PY(
import sys, pikepdf
p = pikepdf.open(sys.argv[1])
bad = []
if p.is_encrypted: bad.append('encrypted')
m = p.open_metadata()
if m.get('pdfaid:part') not in ('1', '2') or m.get('pdfaid:conformance') != 'B':
    bad.append('pdfaid %r %r' % (m.get('pdfaid:part'), m.get('pdfaid:conformance')))
if '/OutputIntents' not in p.Root: bad.append('no output intent')
for page in p.pages:
    if '/Group' in page: bad.append('transparency group on a page')
    res = page.Resources
    for name, f in (res.get('/Font') or {}).items():
        d = f.DescendantFonts[0].FontDescriptor if '/DescendantFonts' in f else f.get('/FontDescriptor')
        if d is None or not any(k in d for k in ('/FontFile', '/FontFile2', '/FontFile3')):
            bad.append('font not embedded: %s' % f.get('/BaseFont'))
    for name, g in (res.get('/ExtGState') or {}).items():
        if '/SMask' in g and g.SMask != pikepdf.Name('/None'): bad.append('soft mask')
        for k in ('/CA', '/ca'):
            if k in g and float(g[k]) < 1: bad.append('transparency %s' % k)
    for name, x in (res.get('/XObject') or {}).items():
        if '/SMask' in x: bad.append('image soft mask')
print('\n'.join(bad))
)PY");
        QProcess py;
        const QString python = QFile::exists(s("/usr/bin/python3")) ? s("/usr/bin/python3") : s("python3");
        py.start(python, {s("-c"), script, pdf});
        if (!py.waitForFinished(60000) || py.exitCode() != 0)
            return s("pikepdf: ") + QString::fromUtf8(py.readAllStandardError());
        return QString::fromUtf8(py.readAllStandardOutput()).trimmed();
    }
};

} // namespace nimbo::test
