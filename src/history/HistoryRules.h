#pragma once
// The rules of the consultation windows of logs and history: the checks of
// their criteria, in the order the clerk meets them, and the statements
// they read. No window here: the windows (FrmLogAccessi, frmStoricoOPE,
// FrmStorico, FrmStoricoAB) and the tests build their statements only here.
//
// Dates are compared as dates: a period is a range of day starts, never a
// text in day-first form.

#include <QDate>
#include <QString>
#include <optional>

namespace nimbo::history {

// The message of the first criterion that cannot be searched, with the
// control to focus.
struct Problem {
    QString message, control;
};

// ---- access log (FrmLogAccessi) -------------------------------------------

struct AccessCriteria {
    QString user;       // CboOper; empty for every operator
    QString from, to;   // TxtDIni, TxtDFine: "dd/mm/yyyy"
    QString year, number; // TxtAProto, TxtNumero
};

std::optional<Problem> checkAccess(const AccessCriteria &c);
// ID, DataAccesso, Utente, NomeComputer, MacAddress, Funzione, Ente,
// NumProtocollo, IDAllegato, the attachment's description and file name;
// the body's rows of the period (both days whole), oldest first.
QString accessQuery(const AccessCriteria &c, const QString &ente);
QString accessOperatorsQuery();
// "Elenco Accessi nel periodo:  " + start + " - " + end
QString accessHeading(const AccessCriteria &c);
// The protocol of a log row and whether the viewer may see it at all (the
// visibility of the general search): one row when he may.
QString attachmentProtocolQuery(const QString &ente, qlonglong attachmentId);

// ---- operators' history (frmStoricoOPE) -----------------------------------

QString operatorsQuery();
// When, type, active flag, who recorded it, when, ID; oldest first.
QString operatorChangesQuery(const QString &code);
// "ATTIVAZIONE OPERATORE", "MODIFICA DATI OPERATORE", "DISATTIVAZIONE OPERATORE".
QString operatorChangeText(const QString &type, const QString &active);
// The logged columns of one change with the names of its entity,
// department and office (kept even when those no longer exist).
QString operatorChangeQuery(qlonglong id);

// ---- old-protocol archive of the central database (FrmStoricoAB) ----------

struct AbCriteria {
    QString year, number;             // TxtAnno, TxtNumero: both or neither
    int limit = 100;                  // Combo1
    QDate date;                       // DataProtocollo (invalid: none)
    QString dateOperator = QStringLiteral("="); // cmbOperatori
    QString sender, recipient, subject; // CodiceMit, CodiceDest, Oggetto: contains
    QString direction;                // "E", "U" or empty for both
};

std::optional<Problem> checkAb(const AbCriteria &c);
// Tipo, Anno, NumeroProtocollo, DataArrivo, Oggetto, Mittente, Destinatario,
// ordered by date and number; one row past the limit (it only tells that
// there are more).
QString abListQuery(const AbCriteria &c, const QString &ente);
QString abDetailQuery(const QString &ente, const QString &year, const QString &number);

// ---- historical archive in the old layout (FrmStorico) --------------------

// The most rows the list holds.
constexpr int kOldArchiveLimit = 5000;

struct OldCriteria {
    QString year;                 // required
    QString number;               // optional, numeric
    QString from, to;             // "dd/mm/yyyy", optional
    QString subject, correspondent; // contains
    bool incoming = true, outgoing = true;
};

std::optional<Problem> checkOld(const OldCriteria &c);
QString oldSourcesQuery(const QString &ente, const QString &department);
QString oldSourceQuery(const QString &ente, const QString &department, const QString &code);
// The old offices whose code begins with the prefix.
QString oldOfficesQuery(const QString &prefix);
// Date, year-and-number key, direction, number, subject, document type and
// the senders/recipients, at most kOldArchiveLimit + 1 rows.
QString oldListQuery(const OldCriteria &c);
// Every column of one old record, by its key.
QString oldDetailQuery(const QString &key);
QString oldCorrespondentsQuery(const QString &key);
QString oldOfficesOfQuery(const QString &key);

// A quoted identifier of the old layout ("data proto", "entrata/uscita"):
// the same text on both engines.
QString oldName(const QString &name);

// "Sono stati trovati N. " + count + " Protocolli"
QString foundText(int count);

} // namespace nimbo::history
