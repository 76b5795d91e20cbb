#include "emergency/EmergencyRules.h"

#include <QRegularExpression>
#include <QTime>

#include "ui/ProtocolNumber.h"

namespace nimbo::emergency {

QDate typedDate(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t, QStringLiteral("d/M/yyyy"));
    return d;
}

bool typedTime(const QString &text)
{
    const QString t = text.trimmed();
    static const QRegularExpression shape(QStringLiteral("^\\d{1,2}:\\d{2}(:\\d{2})?$"));
    if (!shape.match(t).hasMatch())
        return false;
    return QTime::fromString(t.count(QLatin1Char(':')) == 1 ? t + QStringLiteral(":00") : t, QStringLiteral("h:mm:ss"))
        .isValid();
}

QStringList sessionFailures(SessionForm *f)
{
    QStringList out;
    const QDate opened = typedDate(f->opened);
    if (!opened.isValid())
        out << QStringLiteral("Data Apertura Obbligatoria !");
    if (!typedTime(f->openedAt))
        out << QStringLiteral("Ora Apertura Obbligatoria !");
    if (f->reason.trimmed().isEmpty() || f->reasonDescription.trimmed().isEmpty())
        out << QStringLiteral("Motivo Apertura non inserito o non presente in archivio!");
    const QDate closed = typedDate(f->closed);
    if (!f->closed.trimmed().isEmpty() && !closed.isValid())
        out << QStringLiteral("Data di chiusura non corretta!");
    if (closed.isValid() && !typedTime(f->closedAt))
        out << QStringLiteral("Ora Chiusura omessa o errata !");
    // Only the days count: closed the same day at an earlier hour is fine.
    if (closed.isValid() && opened.isValid()
        && closed.toString(QStringLiteral("yyyyMMdd")) < opened.toString(QStringLiteral("yyyyMMdd")))
        out << QStringLiteral("la data di chiusura non può essere minore della data di apertura!");
    f->aligned = f->aligned.trimmed().toUpper();
    if (f->aligned.isEmpty())
        f->aligned = QStringLiteral("NO");
    if (f->aligned != QLatin1String("SI") && f->aligned != QLatin1String("NO"))
        out << QStringLiteral("Specificare 'SI' o 'NO' nel campo ALLINEATO !");
    return out;
}

QStringList registrationFailures(const EmergencyForm &f)
{
    QStringList out;
    const QDate received = typedDate(f.dataRicezione);
    const QDate dated = typedDate(f.dataProtocollo);
    if (!received.isValid())
        out << QStringLiteral("La DATA RICEZIONE del documento deve essere valida e significativa");
    if (!f.oraRicezione.trimmed().isEmpty() && !typedTime(f.oraRicezione))
        out << QStringLiteral("L'ORA di Ricezione del documento deve essere valida e significativa");
    if (!dated.isValid())
        out << QStringLiteral("La DATA di protocollazione deve essere valida e significativa");
    if (received.isValid() && dated.isValid() && received > dated)
        out << QStringLiteral("La DATA RICEZIONE deve essere valida e significativa");
    if (f.intestatario.trimmed().isEmpty())
        out << QStringLiteral("IL Mittente/Destinatario deve essere valido e significativo");
    if (f.tipologia.trimmed().isEmpty())
        out << QStringLiteral("IL Tipo Documento deve essere valido e significativo");
    if (f.oggetto.trimmed().isEmpty())
        out << QStringLiteral("L' Oggetto deve essere valido e significativo");
    if (!f.refNumber.trimmed().isEmpty() || !f.refDate.trimmed().isEmpty()) {
        const QDate ref = typedDate(f.refDate);
        if (f.refNumber.trimmed().isEmpty())
            out << QStringLiteral("Specificare il Numero di Protocollo interno del Documento in arrivo");
        if (!ref.isValid())
            out << QStringLiteral("La DATA di Protocollo interno del Documento in arrivo deve essere valida e significativa");
        else if (received.isValid() && ref > received)
            out << QStringLiteral("La DATA di Protocollo interno del Documento in arrivo non può essere maggiore della "
                                  "data di ricezione del documento stesso");
    }
    if (f.destinatari.trimmed().isEmpty())
        out << QStringLiteral("Specificare i destinatari del documento");
    return out;
}

QString plainSessionKey(const QString &shown) { return QString(shown).remove(QLatin1Char('/')).trimmed(); }

QString maxNumberQuery(const QString &registerYear)
{
    // Eleven digits each, so the highest text is the highest number.
    return QStringLiteral("SELECT MAX(Tab_NumeroProtocollo) AS MaxDiTab_NumeroProtocollo FROM Tab_ProtocolloEmergenza "
                          "WHERE Tab_NumeroProtocollo LIKE '")
           + Funzioni_Com_1::quote(registerYear.left(4)) + QStringLiteral("%'");
}

QString nextNumber(const QString &registerYear, const QVariant &highest)
{
    const qlonglong year = registerYear.left(4).toLongLong();
    const qlonglong max = highest.toString().trimmed().toLongLong();
    // The base is always the register's year: a protocol dated in another
    // year must neither restart nor repeat the register's numbers.
    const qlonglong base = max / 10000000 == year ? max : year * 10000000;
    return QString::number(base + 1).rightJustified(11, QLatin1Char('0'));
}

QString temporaryNumber(const QString &emergencyNumber, const QDate &protocolDate)
{
    return emergencyNumber.mid(4, 7) + QLatin1Char('|') + protocolDate.toString(QStringLiteral("dd/MM/yyyy"));
}

QString stampText(const QString &sessionKey, const QString &emergencyNumber, const QDate &protocolDate)
{
    return QStringLiteral("PROT. Emergenza N. ") + sessionKey + QLatin1Char('/') + emergencyNumber
           + QStringLiteral(" DEL ") + protocolDate.toString(QStringLiteral("dd/MM/yyyy"));
}

QString sessionText(const QString &sessionKey)
{
    const QString key = sessionKey.trimmed();
    // year, register type, register code (of any length), session on three digits
    if (key.size() <= 8)
        return key;
    return key.left(4) + QLatin1Char('/') + key.mid(4, 1) + QLatin1Char('/') + key.mid(5, key.size() - 8)
           + QLatin1Char('/') + key.right(3);
}

QString emergencyNumberText(const QString &sessionKey, const QString &number)
{
    const QString n = number.trimmed();
    if (n.isEmpty())
        return {};
    const QString key = sessionKey.trimmed();
    const QString session = sessionText(key);
    QString progressive = n;
    if (n.size() == 11) {
        progressive = n.mid(4);
        if (n.left(4) != key.left(4))
            progressive += QLatin1Char('/') + n.left(4);
    }
    return QStringLiteral("Emergenza ") + (session.isEmpty() ? QString() : session + QLatin1Char(' '))
           + QStringLiteral("N. ") + progressive;
}

QString recoveredRewriteRefusal(const QString &sessionKey, const QString &emergencyNumber, const QString &general)
{
    return QStringLiteral("La registrazione %1 è già stata recuperata nel protocollo generale N. %2: "
                          "non può più essere modificata in emergenza.")
        .arg(emergencyNumberText(sessionKey, emergencyNumber), nimbo::shownNumber(general));
}

} // namespace nimbo::emergency
