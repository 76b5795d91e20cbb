#include "email/EmailRules.h"

#include "data/Cipher.h"
#include "servers/MailRequests.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::email {
namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString txt(const QVariant &v) { return v.toString().trimmed(); }

// "2026-0000123": the number split into year and progressive.
QString yearAndProgressive(const QString &number) { return shownNumber(number); }

} // namespace

// ---- the pending e-mails -----------------------------------------------------------

QString pendingQuery(const QString &ente)
{
    return QStringLiteral("SELECT e.Tab_NumeroProtocolloProvv, e.Tab_DataInvioEml, e.Tab_Intestatario, e.Tab_Oggetto, "
                          "e.Tab_TipoProtocollo, e.Tab_DataProtocollo, e.Tab_Tipologia, t.Tab_Descrizione, "
                          "COALESCE(NULLIF(e.Tab_NomeMittente, ''), e.Tab_IndirizzoMittente) FROM "
                          "Tab_ProtocEmailProvvis e LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = e.Tab_Tipologia "
                          "WHERE e.Tab_Ente = ")
           + q(ente)
           + QStringLiteral(" AND e.Tab_StatoProtocollo = 'A' AND e.Tab_ProtocolloGenerale IS NULL "
                            "ORDER BY e.Tab_NumeroProtocolloProvv");
}

QString emailQuery(const QString &ente, qlonglong provisional)
{
    return QStringLiteral("SELECT e.Tab_NumeroProtocolloProvv, e.Tab_TipoProtocollo, e.Tab_DataInvioEml, "
                          "e.Tab_DataProtocollo, e.Tab_ProtocolloGenerale, e.Tab_StatoProtocollo, e.Tab_Intestatario, "
                          "e.Tab_IndirizzoMittente, e.Tab_NomeMittente, e.Tab_Tipologia, t.Tab_Descrizione, "
                          "e.Tab_Oggetto, e.Tab_ProtDocArrivo, e.Tab_DataProtDocArrivo FROM Tab_ProtocEmailProvvis e "
                          "LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = e.Tab_Tipologia WHERE e.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND e.Tab_NumeroProtocolloProvv = ") + QString::number(provisional);
}

EmailForm readEmail(const QVariantList &row)
{
    EmailForm f;
    f.provisional = row.value(0).toLongLong();
    f.direction = txt(row.value(1)).toUpper();
    f.sentOn = protocol::dateText(row.value(2));
    f.registeredOn = protocol::dateText(row.value(3));
    f.general = txt(row.value(4));
    f.state = txt(row.value(5)).toUpper();
    const qlonglong who = row.value(6).toLongLong();
    f.correspondent = who > 0 ? QString::number(who) : QString();
    f.fromAddress = txt(row.value(7));
    f.fromName = txt(row.value(8));
    f.docType = txt(row.value(9));
    f.docTypeName = txt(row.value(10));
    f.subject = txt(row.value(11));
    f.refNumber = txt(row.value(12));
    f.refDate = protocol::dateText(row.value(13));
    return f;
}

// ---- registration --------------------------------------------------------------------

QStringList registrationProblems(EmailForm *f, const protocol::Context &ctx)
{
    using protocol::CodeField;
    const protocol::LookupScope scope{ctx.ente, ctx.department, ctx.office, true};
    QStringList out;
    bool numeric = false;
    f->correspondent.trimmed().toLongLong(&numeric);
    const auto who = numeric ? protocol::lookup(CodeField::Correspondent, f->correspondent.trimmed(), scope, false)
                             : QVector<protocol::LookupRow>();
    if (who.isEmpty()) {
        f->correspondentName.clear();
        out << kBadCorrespondent;
    } else {
        f->correspondentName = who.first().description;
    }
    const auto type = f->docType.trimmed().isEmpty()
                          ? QVector<protocol::LookupRow>()
                          : protocol::lookup(CodeField::DocType, f->docType.trimmed(), scope, false);
    if (type.isEmpty()) {
        f->docTypeName.clear();
        out << kBadDocType;
    } else {
        f->docTypeName = type.first().description;
    }
    if (ctx.department.trimmed().isEmpty()
        || protocol::lookup(CodeField::Department, ctx.department.trimmed(), scope, false).isEmpty())
        out << kBadDepartment;
    return out;
}

QString problemsText(const QStringList &problems)
{
    return kCheckHeading + QLatin1Char('\n') + problems.join(QLatin1Char('\n'));
}

QVariantList registrationRequest(const EmailForm &f, const protocol::Context &ctx)
{
    protocol::ProtocolForm p;
    const QString day = f.protocolDate.toString(QStringLiteral("dd/MM/yyyy"));
    const QString minutes = f.protocolTime.toString(QStringLiteral("hh:mm"));
    p.direction = f.direction.isEmpty() ? QStringLiteral("E") : f.direction;
    p.dataProtocollo = day;
    p.oraProtocollo = f.protocolTime.toString(QStringLiteral("hh:mm:ss"));
    p.dataRegistrazione = day;
    // Received the day it is registered.
    p.dataRicezione = day;
    p.oraRicezione = minutes;
    p.codiceMitDest = f.correspondent.trimmed();
    p.descMitDest = f.correspondentName;
    p.codTipoDoc = f.docType.trimmed();
    p.descTipoDoc = f.docTypeName;
    p.oggetto = f.subject;
    p.codSedeRic = ctx.department;
    p.codUfficio = ctx.office;
    p.refNumber = f.refNumber;
    p.refDate = f.refDate;
    p.state = QStringLiteral("A");
    protocol::Context c = ctx;
    c.isNew = true;
    c.today = f.protocolDate;
    const ColumnValues differences{{QStringLiteral("Tab_NomeImpronta"), QStringLiteral(" ")},
                                   {QStringLiteral("Tab_ProtocolloTemporaneo"), QString::number(f.provisional)},
                                   {QStringLiteral("Tab_SoggPrivacy"), QStringLiteral("N")},
                                   {QStringLiteral("Tab_OraRicezione"), minutes},
                                   {QStringLiteral("Tab_Stampato"), QStringLiteral("N")}};
    return mailreq::registerEmailRequest(protocol::buildRequest(p, c, differences), f.provisional);
}

QString receiptText(const QString &number) { return kReceiptText + yearAndProgressive(number); }

// ---- discard ---------------------------------------------------------------------------

F::Statement discardStatement(const QString &ente, const QString &direction, qlonglong provisional,
                              const QString &reason, const QString &operatorCode, const QString &office,
                              const QDate &today)
{
    return {QStringLiteral("R"),
            QStringLiteral("Tab_ProtocEmailProvvis"),
            {{QStringLiteral("Tab_DataCancellazione"), today},
             {QStringLiteral("Tab_MotivoCancellazione"), reason.trimmed()},
             {QStringLiteral("Tab_CodiceOpeCanc"), operatorCode},
             {QStringLiteral("Tab_UfficioCancellazione"), office},
             {QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("C")},
             {QStringLiteral("Tab_CodOper"), operatorCode},
             {QStringLiteral("Tab_DatOper"), today}},
            QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(direction)
                + QStringLiteral(" AND Tab_NumeroProtocolloProvv = ") + QString::number(provisional)
                + QStringLiteral(" AND Tab_ProtocolloGenerale IS NULL AND Tab_StatoProtocollo = 'A'")};
}

// ---- registration notice ---------------------------------------------------------------

QString noticeProtocolQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_DataRicezione, r.Tab_Denominazione, "
                          "p.Tab_ProtDocArrivo, p.Tab_DataProtDocArrivo, t.Tab_Descrizione, p.Tab_Oggetto, "
                          "p.Tab_SedeRicezione, p.Tab_UfficioRegistrazione, r.Tab_PostaElettronica FROM Tab_Protocollo p "
                          "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario LEFT JOIN "
                          "Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia WHERE p.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(number);
}

NoticeFacts readNoticeFacts(const QVariantList &row)
{
    NoticeFacts f;
    f.number = txt(row.value(0));
    f.date = protocol::dateText(row.value(1));
    f.received = protocol::dateText(row.value(2));
    f.correspondent = txt(row.value(3));
    f.refNumber = txt(row.value(4));
    f.refDate = protocol::dateText(row.value(5));
    f.docType = txt(row.value(6));
    f.subject = txt(row.value(7));
    f.department = txt(row.value(8));
    f.office = txt(row.value(9));
    f.correspondentAddress = txt(row.value(10));
    return f;
}

QString noticeSubject(const NoticeFacts &f)
{
    return QStringLiteral("Notifica Ricezione documento prot. N. ") + yearAndProgressive(f.number)
           + QStringLiteral("  del ") + f.date;
}

QString noticeText(const NoticeFacts &f)
{
    QStringList lines{QStringLiteral("PROTOCOLLO N. ") + yearAndProgressive(f.number) + QStringLiteral("  DEL ") + f.date,
                      QStringLiteral("RICEVUTO IN DATA:        ") + f.received,
                      QStringLiteral("MITTENTE:                ") + f.correspondent};
    if (!f.refNumber.isEmpty())
        lines << QStringLiteral("RIF. MITTENTE:  Prot. N. ") + f.refNumber + QStringLiteral(" del ") + f.refDate;
    lines << QStringLiteral("TIPO DOCUMENTO:          ") + f.docType
          << QStringLiteral("OGGETTO:                 ") + f.subject;
    return lines.join(QStringLiteral("\r\n"));
}

QString officeAddressQuery(const QString &ente, const QString &department, const QString &office)
{
    return QStringLiteral("SELECT Tab_Descrizione, Tab_Email FROM Tab_Uffici WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND Tab_Ufficio = ")
           + q(office);
}

QString memberAddressesQuery(const QString &ente, const QString &department, const QString &office, const QDate &today)
{
    return QStringLiteral("SELECT Tab_Componente, Tab_PostaElettronica FROM Tab_UfficiComponenti WHERE Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND Tab_Dipartimento = ") + q(department)
           + QStringLiteral(" AND Tab_Ufficio = ") + q(office)
           + QStringLiteral(" AND (Tab_DataFine IS NULL OR Tab_DataFine >= ") + protocol::sqlDate(today)
           + QStringLiteral(") AND Tab_PostaElettronica IS NOT NULL AND Tab_PostaElettronica <> '' "
                            "ORDER BY Tab_Componente");
}

// ---- general e-mail and settings ----------------------------------------------------

std::optional<QString> generalProblem(const QString &recipient, const QString &subject, const QString &text)
{
    if (recipient.trimmed().isEmpty())
        return kNoAddress;
    if (!recipient.contains(QLatin1Char('@')))
        return kBadAddress;
    if (subject.trimmed().isEmpty())
        return kNoSubject;
    if (text.trimmed().isEmpty())
        return kNoText;
    return std::nullopt;
}

std::optional<QString> settingsProblem(const QString &address)
{
    if (address.trimmed().isEmpty())
        return kNoMail;
    if (!address.contains(QLatin1Char('@')))
        return kBadMail;
    return std::nullopt;
}

bool settingsStatement(const QString &operatorCode, const QString &address, const QString &user,
                       const QString &password, F::Statement *out, QString *why)
{
    F::FieldList fields{{QStringLiteral("Op_Email"), address.trimmed()},
                        {QStringLiteral("Op_UserNameEmail"), user.trimmed()}};
    // The stored password stays unless a new one was typed; only its
    // enciphered form is written.
    if (!password.trimmed().isEmpty()) {
        const Cipher::Result c = Cipher::encipher(password.trimmed());
        if (!c.ok) {
            *why = c.error;
            return false;
        }
        fields.append({QStringLiteral("Op_PwdEmail"), c.text});
    }
    fields.append({QStringLiteral("Op_Codoper"), operatorCode});
    fields.append({QStringLiteral("Op_Datoper"), QDate::currentDate()});
    *out = {QStringLiteral("R"), QStringLiteral("Tab_Operatori"), fields,
            QStringLiteral("Op_Codice_Operatore = ") + q(operatorCode)};
    return true;
}

} // namespace nimbo::email
