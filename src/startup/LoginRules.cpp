#include "startup/LoginRules.h"

#include <limits>

#include "data/Cipher.h"
#include "data/Funzioni_Com_1.h"
#include "data/Password.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace F = Funzioni_Com_1;

namespace LoginRules {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString text(const QVariantList &row, int i) { return row.value(i).isNull() ? QString() : row.value(i).toString(); }

QString operatorColumns()
{
    return QStringLiteral("SELECT op_codice_operatore,op_nome,Op_Cognome,op_fl_password,op_password,") +
           QStringLiteral("op_ente,op_dipartimento,op_codiceufficio,op_data,op_livello,op_abilitazioni,") +
           QStringLiteral("op_funzioni,op_email,Op_UserNameEmail,Op_PwdEmail, Op_AbilPrivacy,op_attivo,Op_Sup ");
}

bool isNumber(const QString &t)
{
    bool ok = false;
    t.trimmed().toLongLong(&ok);
    return ok;
}

} // namespace

QString operatorCode(const QString &typed) { return typed.left(8).trimmed(); }

QString operatorQuery(const QString &code)
{
    // Operator codes were always matched without regard to case.
    return operatorColumns() + QStringLiteral("FROM Tab_Operatori WHERE UPPER(Op_Codice_Operatore) = UPPER('") +
           F::quote(code) + QStringLiteral("')");
}

QString operatorByFiscalCodeQuery(const QString &fiscalCode)
{
    return operatorColumns() + QStringLiteral("FROM Tab_Operatori WHERE Op_CF = '") + F::quote(fiscalCode) +
           QStringLiteral("'");
}

QString extraPairsQuery(const QString &code, const QString &entity)
{
    return QStringLiteral("SELECT Op_DIP, Op_Uff From Tab_Operatori_DIP ") + QStringLiteral("WHERE (Op_Codice = '") +
           F::quote(code) + QStringLiteral("') AND (Op_Ente = '") + F::quote(entity) + QStringLiteral("')");
}

QString entityQuery(const QString &entity)
{
    return QStringLiteral("SELECT Ente_Denominazione, Ente_Posta_POP, Ente_Posta_SMTP,Ente_Posta_PortaServer FROM "
                          "Tab_enti WHERE Ente_codice= '") +
           F::quote(entity) + QStringLiteral("'");
}

void storeOperator(const QVariantList &row)
{
    auto &s = DicAmbiente::session();
    DicAmbiente::Operator op;
    op.code = text(row, ColCode).trimmed();
    op.firstName = text(row, ColName);
    op.surname = text(row, ColSurname);
    op.name = op.surname.trimmed() + QLatin1Char(' ') + op.firstName.trimmed();
    op.flPassword = text(row, ColFlPassword).trimmed();
    op.password = text(row, ColPassword);
    op.ente = text(row, ColEnte).trimmed();
    op.department = text(row, ColDepartment).trimmed();
    op.office = text(row, ColOffice).trimmed();
    const QVariant changed = row.value(ColDate);
    op.passwordDate = changed.typeId() == QMetaType::QDate || changed.typeId() == QMetaType::QDateTime
                          ? changed.toDate()
                          : QDate::fromString(text(row, ColDate).left(10), Qt::ISODate);
    op.level = qint16(text(row, ColLevel).trimmed().toInt());
    op.direction = text(row, ColDirection).trimmed();
    if (op.direction.isEmpty())
        op.direction = QStringLiteral("0");
    op.functions = text(row, ColFunctions);
    op.email = text(row, ColEmail);
    op.mailUser = text(row, ColMailUser);
    const QString storedMail = text(row, ColMailPassword).trimmed();
    if (!storedMail.isEmpty()) {
        const Cipher::Result clear = Cipher::decipher(storedMail);
        if (clear.ok)
            op.mailPassword = clear.text;
        else
            GECentr::writeLog(QStringLiteral("Op_PwdEmail non decifrabile: ") + clear.error,
                              QStringLiteral("txtOperatore_LostFocus"), QStringLiteral("PSWMask"));
    }
    op.privacy = text(row, ColPrivacy).trimmed().compare(QLatin1String("S"), Qt::CaseInsensitive) == 0;
    op.supervisor = text(row, ColSup);
    s.op = op;
    s.structureCode = op.ente;
    s.emergency = false;
    s.emergencyStructure.clear();
    s.emergencySession.clear();
}

void loadOperatorExtras()
{
    auto &s = DicAmbiente::session();
    s.op.extra.clear();
    const F::LoadedRows pairs = F::loadRows(kDb, extraPairsQuery(s.op.code, s.op.ente));
    if (pairs.ok) {
        for (int r = 0; r < pairs.rowCount(); ++r)
            s.op.extra.append({pairs.value(0, r).toString().trimmed(), pairs.value(1, r).toString().trimmed()});
    }
    if (const auto ente = F::Caricadati(kDb, entityQuery(s.op.ente))) {
        s.cfg.ausl = text(*ente, 0);
        s.entePostaPop = text(*ente, 1);
        s.entePostaSmtp = text(*ente, 2);
        s.entePostaPorta = text(*ente, 3);
    }
}

int passwordAgeDays(const QDate &changed, const QDate &today)
{
    return changed.isValid() ? int(changed.daysTo(today)) : std::numeric_limits<int>::max();
}

bool passwordExpired(const QDate &changed, const QDate &today, int limitDays)
{
    return passwordAgeDays(changed, today) > limitDays;
}

QString expiryQuestion(int limitDays)
{
    return QStringLiteral("Attenzione la Password è attiva da piu' di ") + QString::number(limitDays) +
           QStringLiteral(" gg. Vuoi modificarla? ");
}

QString expiryWarning(int limitDays)
{
    return QStringLiteral("Attenzione Password Attiva da piu' di ") + QString::number(limitDays) +
           QStringLiteral(" gg. - Contatta l'Amministratore per il rinnovo. ");
}

QString emergencyCheck(const QString &year, const QString &registerCode, const QString &sessionNumber)
{
    if (year.trimmed().isEmpty())
        return QStringLiteral("Inserire l'anno di riferimento del registro");
    if (!isNumber(year))
        return QStringLiteral("Inserire un valore numerico");
    if (registerCode.trimmed().isEmpty())
        return QStringLiteral("Inserire il codice identificativo del registro");
    if (sessionNumber.trimmed().isEmpty())
        return QStringLiteral("Inserire il numero di sessione");
    if (!isNumber(sessionNumber))
        return QStringLiteral("Inserire un valore numerico");
    return {};
}

QString emergencySessionId(const QString &year, const QString &registerCode, const QString &sessionNumber)
{
    return year.trimmed() + QStringLiteral("/T/") + registerCode.trimmed() + QLatin1Char('/') +
           QStringLiteral("%1").arg(sessionNumber.trimmed().toLongLong(), 3, 10, QLatin1Char('0'));
}

void startEmergencySession(const QString &sessionId)
{
    auto &s = DicAmbiente::session();
    DicAmbiente::Operator op;
    op.code = QStringLiteral("EMERG");
    op.surname = QStringLiteral("Operatore");
    op.firstName = QStringLiteral(" In Emergenza");
    op.name = op.surname + op.firstName;
    op.office = QStringLiteral("EME");
    op.ente = QStringLiteral("999");
    s.op = op;
    s.structureCode = QStringLiteral("999");
    s.emergency = true;
    s.emergencyStructure = QStringLiteral("999");
    s.emergencySession = sessionId;
}

QString newPasswordCheck(const QString &newPassword, const QString &confirmation, const QString &currentStored)
{
    // Every check is made on the text that will be stored: blanks around a
    // password are not part of it, so they neither count towards its length
    // nor make a confirmation differ.
    const QString fresh = Password::normalise(newPassword);
    if (fresh.isEmpty())
        return QStringLiteral("Nuova Password non corretta ");
    if (fresh.size() < Password::kMinimumLength)
        return QStringLiteral("la Password deve essere composta da almeno %1 caratteri ").arg(Password::kMinimumLength);
    if (!currentStored.trimmed().isEmpty() && Password::verify(newPassword, currentStored.trimmed()))
        return QStringLiteral("La nuova Password non può essere uguale a quella attualmente in uso.");
    if (confirmation.trimmed() != newPassword.trimmed())
        return QStringLiteral("Password di conferma errata ");
    return {};
}

} // namespace LoginRules
