#include "organisation/OperatorRules.h"

#include <QDate>

#include "data/Funzioni_Com_1.h"
#include "data/Password.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation::operators {
namespace {

using ui::Record;
using ui::sqlText;

QString empty(int field) { return QStringLiteral("Il Campo ") + label(field) + QStringLiteral(" deve essere significativo e non vuoto !"); }

bool found(const QString &sql) { return F::Caricadati(QStringLiteral("PROTOCOLLO"), sql).has_value(); }

QString v(const Record &r, const QString &column) { return r.value(column).trimmed(); }

ui::Check filled(const QString &column, int field)
{
    return {column, [column](Record &r) { return !v(r, column).isEmpty(); }, empty(field)};
}

} // namespace

QString label(int field)
{
    static const char *const labels[] = {"Codice Operatore ",
                                         "Cognome Operatore ",
                                         "Nome Operatore ",
                                         "PWD Operatore ",
                                         "Conferma PWD",
                                         "Data Ultima Modifica Password ",
                                         "Abilitaz. Protocollo ",
                                         "Livello ",
                                         "Ente Operatore ",
                                         "Dipartimento Operatore ",
                                         "Ufficio Operatore ",
                                         "E-Mail Operatore",
                                         "UserName E-Mail Operatore",
                                         "Pwd E-Mail Operatore"};
    return field >= 0 && field < int(std::size(labels)) ? QString::fromUtf8(labels[field]) : QString();
}

QString listQuery()
{
    return QStringLiteral("SELECT Op_Codice_Operatore, Op_Cognome || ' ' || Op_Nome AS Espr1, Op_Data, "
                          "Op_CodiceUfficio, Op_Dipartimento, Op_Ente FROM Tab_Operatori ORDER BY Op_Cognome, Op_Nome");
}

const QStringList &loadColumns()
{
    static const QStringList columns{
        QStringLiteral("Op_Codice_Operatore"), QStringLiteral("Op_Cognome"),      QStringLiteral("Op_Nome"),
        QStringLiteral("Op_Data"),             QStringLiteral("Op_Fl_Password"),  QStringLiteral("Op_CodiceUfficio"),
        QStringLiteral("Op_Dipartimento"),     QStringLiteral("Op_Ente"),         QStringLiteral("Op_Livello"),
        QStringLiteral("Op_Abilitazioni"),     QStringLiteral("Op_Funzioni"),     QStringLiteral("Op_Email"),
        QStringLiteral("Op_UserNameEmail"),    QStringLiteral("Op_AbilPrivacy"),  QStringLiteral("Op_Attivo"),
        QStringLiteral("OP_CF"),               QStringLiteral("OP_Flag_Internet"), QStringLiteral("Ente_Denominazione"),
        QStringLiteral("Dipa_Denominazione"),  QStringLiteral("Tab_Descrizione")};
    return columns;
}

QString loadQuery(const QString &code)
{
    // The names beside the codes come with the row; the password columns
    // never leave the database.
    return QStringLiteral(
               "SELECT o.Op_Codice_Operatore, o.Op_Cognome, o.Op_Nome, o.Op_Data, o.Op_Fl_Password, "
               "o.Op_CodiceUfficio, o.Op_Dipartimento, o.Op_Ente, o.Op_Livello, o.Op_Abilitazioni, o.Op_Funzioni, "
               "o.Op_Email, o.Op_UserNameEmail, o.Op_AbilPrivacy, o.Op_Attivo, o.OP_CF, o.OP_Flag_Internet, "
               "e.Ente_Denominazione, d.Dipa_Denominazione, u.Tab_Descrizione FROM Tab_Operatori o "
               "LEFT JOIN Tab_Enti e ON e.Ente_Codice = o.Op_Ente "
               "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = o.Op_Ente AND d.Dipa_CodDipartimento = o.Op_Dipartimento "
               "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = o.Op_Ente AND u.Tab_Dipartimento = o.Op_Dipartimento "
               "AND u.Tab_Ufficio = o.Op_CodiceUfficio WHERE o.Op_Codice_Operatore = ")
           + sqlText(code);
}

QString passwordLengthCheck(const QString &password)
{
    if (Password::normalise(password).size() < Password::kMinimumLength)
        return QStringLiteral("la Password deve essere composta da almeno %1 caratteri ").arg(Password::kMinimumLength);
    return {};
}

ui::CheckList checks(bool isNew)
{
    const QString code = QStringLiteral("Op_Codice_Operatore");
    ui::CheckList c{filled(code, 0), filled(QStringLiteral("Op_Cognome"), 1), filled(QStringLiteral("Op_Nome"), 2)};
    if (isNew) {
        // The message names the code, so it is made when the check runs.
        c.append({code, [code](Record &r) {
                      return v(r, code).isEmpty()
                             || !found(QStringLiteral("SELECT Op_Codice_Operatore FROM Tab_Operatori WHERE "
                                                      "Op_Codice_Operatore = ")
                                       + sqlText(v(r, code)));
                  },
                  QString(), [code](const Record &r) {
                      return QStringLiteral("Il Codice Operatore ") + v(r, code) + QStringLiteral(" e' GIA' esistente !");
                  }});
        c.append(filled(kPassword, 3));
    }
    c.append({kPassword, [](Record &r) { return r.value(kPassword).trimmed() == r.value(kConfirmation).trimmed(); },
              QStringLiteral("Errore nella convalida della Password !")});
    c.append({kPassword, [](Record &r) {
                  return r.value(kPassword).trimmed().isEmpty() || passwordLengthCheck(r.value(kPassword)).isEmpty();
              },
              passwordLengthCheck(QString())});
    c.append({QStringLiteral("Op_Data"),
              [](Record &r) { return QDate::fromString(v(r, QStringLiteral("Op_Data")), QStringLiteral("dd/MM/yyyy")).isValid(); },
              QStringLiteral("Il Campo ") + label(5) + QStringLiteral(" deve essere significativo !")});
    c.append({QStringLiteral("Op_Abilitazioni"), [](Record &r) { return !v(r, QStringLiteral("Op_Abilitazioni")).isEmpty(); },
              QStringLiteral("Il Campo ABILITAZIONE PROTOCOLLO deve essere significativo !")});
    c.append({QStringLiteral("Op_Livello"), [](Record &r) { return !v(r, QStringLiteral("Op_Livello")).isEmpty(); },
              QStringLiteral("Il Campo LIVELLO deve essere significativo !")});

    const QString ente = QStringLiteral("Op_Ente"), dip = QStringLiteral("Op_Dipartimento"),
                  uff = QStringLiteral("Op_CodiceUfficio");
    c.append(filled(ente, 8));
    c.append({ente, [ente](Record &r) {
                  return v(r, ente).isEmpty()
                         || found(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ") + sqlText(v(r, ente)));
              },
              QStringLiteral("L'ente specificato non esiste in archivio !")});
    c.append(filled(dip, 9));
    c.append({dip, [ente, dip](Record &r) {
                  return v(r, dip).isEmpty()
                         || found(QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ")
                                  + sqlText(v(r, ente)) + QStringLiteral(" AND Dipa_CodDipartimento = ") + sqlText(v(r, dip)));
              },
              QStringLiteral("Il dipartimento specificato non esiste in archivio !")});
    c.append(filled(uff, 10));
    c.append({uff, [ente, dip, uff](Record &r) {
                  return v(r, uff).isEmpty()
                         || found(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ") + sqlText(v(r, ente))
                                  + QStringLiteral(" AND Tab_Dipartimento = ") + sqlText(v(r, dip))
                                  + QStringLiteral(" AND Tab_Ufficio = ") + sqlText(v(r, uff)));
              },
              QStringLiteral("L'ufficio specificato non esiste in archivio !")});
    c.append({QStringLiteral("OP_CF"), [](Record &r) { return !v(r, QStringLiteral("OP_CF")).isEmpty(); },
              QStringLiteral("Il Campo Codice Fiscale deve essere significativo !")});
    c.append({QStringLiteral("Op_AbilPrivacy"),
              [](Record &r) {
                  const QString p = v(r, QStringLiteral("Op_AbilPrivacy"));
                  return p == QLatin1String("S") || p == QLatin1String("N");
              },
              QStringLiteral("Il Campo Abil. Lettura privacy deve essere impostato a 'S' o 'N'!")});
    c.append({QStringLiteral("OP_CF"), [code](Record &r) {
                  const QString cf = v(r, QStringLiteral("OP_CF"));
                  return cf.isEmpty()
                         || !found(QStringLiteral("SELECT Op_Codice_Operatore FROM Tab_Operatori WHERE Op_Codice_Operatore <> ")
                                   + sqlText(v(r, code)) + QStringLiteral(" AND OP_CF = ") + sqlText(cf));
              },
              QStringLiteral("Esiste già un operatore con lo stesso Codice Fiscale")});
    return c;
}

QString functionsText(const QStringList &codes)
{
    QString out;
    for (const QString &c : codes)
        if (!c.trimmed().isEmpty())
            out += QLatin1Char('-') + c.trimmed() + QLatin1Char('-');
    return out;
}

QStringList functionCodes(const QString &text) { return text.split(QLatin1Char('-'), Qt::SkipEmptyParts); }

QString activationQuestion(bool activate)
{
    return QStringLiteral("CONFERMI LA ") + (activate ? QStringLiteral("ATTIVA") : QStringLiteral("DISATTIVA"))
           + QStringLiteral("ZIONE DEL CODICE OPERATORE CORRENTE ?");
}

QString lockOutCheck(const QString &code, const QString &ente, const QString &level, bool active,
                     const QString &newEnte)
{
    const bool staysInTheBody = newEnte.trimmed().isEmpty() || newEnte.trimmed() == ente.trimmed();
    if (level.trimmed() == QLatin1String("9") && active && staysInTheBody)
        return {};
    // Only a change that takes away the last active level-9 operator of
    // the body is refused.
    const auto row = F::Caricadati(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_Ente = ") + sqlText(ente)
            + QStringLiteral(" AND TRIM(Op_Livello) = '9' AND (Op_Attivo IS NULL OR Op_Attivo <> 'N') "
                             "AND Op_Codice_Operatore <> ")
            + sqlText(code));
    const auto was = F::Caricadati(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT COUNT(*) FROM Tab_Operatori WHERE Op_Codice_Operatore = ") + sqlText(code)
            + QStringLiteral(" AND TRIM(Op_Livello) = '9' AND (Op_Attivo IS NULL OR Op_Attivo <> 'N')"));
    const bool wasAdministrator = was && was->value(0).toInt() > 0;
    if (!wasAdministrator)
        return {};
    if (row && row->value(0).toInt() > 0)
        return {};
    return QStringLiteral("Operazione non consentita: l'operatore è l'unico di livello 9 attivo nell'ente %1. "
                          "Abilitare prima un altro operatore di livello 9, altrimenti nessuno potrebbe più "
                          "amministrare l'ente.")
        .arg(ente);
}

} // namespace nimbo::organisation::operators
