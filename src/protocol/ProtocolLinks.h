#pragma once
// Links between protocols: the one writer of Tab_ProtocolliCollegati and the
// queries that read it. A link is held twice, once from each side, and the
// two rows are written and removed together. The windows that show links
// (registration, emergency recovery, the link windows) call these functions
// and show the outcome themselves; nothing here shows a box.

#include <QDate>
#include <QString>
#include <QVector>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::protocol::links {

struct Key {
    QString direction; // "E" or "U"
    QString number;    // the 11-character register key
    bool operator==(const Key &o) const { return direction == o.direction && number == o.number; }
};

enum class Outcome { Done, Itself, Exists, Failed };
struct Result {
    Outcome outcome = Outcome::Failed;
    QString detail; // the database's words, for the log
    bool ok() const { return outcome == Outcome::Done; }
};

// What the clerk is told for an outcome of linking or removing.
extern const char *const kLinkFailed;   // "Errore nella registrazione del protocollo collegato"
extern const char *const kLinkExists;
extern const char *const kLinkItself;
extern const char *const kUnlinkFailed; // "ATTENZIONE ! Errore in cancellazione protocollo collegato"

// The two rows of a link in the order they are written: the row held by the
// smaller number first, so that two clerks linking the same pair from its
// two sides meet on the same first row instead of each holding the row the
// other wants.
QVector<Funzioni_Com_1::Statement> linkStatements(const QString &ente, const Key &a, const Key &b);
QVector<Funzioni_Com_1::Statement> unlinkStatements(const QString &ente, const Key &a, const Key &b);

// Writes both rows as one unit through the generic server. A refusal because
// the pair is linked already (by someone else meanwhile) reads as Exists.
Result link(const QString &ente, const Key &a, const Key &b);
// Removes both rows as one unit.
Result unlink(const QString &ente, const Key &a, const Key &b);
// The message for a failed link or removal.
QString linkMessage(const Result &r);

// The protocols linked to p, not cancelled, by direction and number:
// direction, number, date, subject, privacy flag, document type description,
// correspondent, department, office, notes.
QString linkedQuery(const QString &ente, const Key &p);
enum LinkedColumn { LDirection, LNumber, LDate, LSubject, LPrivacy, LType, LCorrespondent, LDepartment, LOffice, LNotes };
// One protocol with the same columns.
QString detailQuery(const QString &ente, const Key &p);
// A column of the first row of either query as a detail field shows it:
// number and date as the clerk reads them; correspondent, subject and notes
// masked for a viewer without the privacy right when the protocol is
// reserved.
QString detailText(const Funzioni_Com_1::LoadedRows &rows, int column, const Viewer &viewer);

// The criteria of the search for a protocol to link.
struct Criteria {
    bool incoming = true, outgoing = true;
    QString year, number;                 // both or neither
    QString protocolOp, protocolDate;     // ">=", "<=", "=" and "dd/mm/yyyy"
    QString registrationOp, registrationDate;
    QString receptionOp, receptionDate;
    QString correspondent;                // name contains
    QString docType;                      // code
    QString subject;                      // contains
    QString department, office;           // registering department and office
};
constexpr int kCandidateLimit = 500;
// A message when the criteria cannot be searched ("Inserire un numero di
// protocollo corretto" for a wrong number), empty otherwise.
QString checkCriteria(const Criteria &c);
// The protocols that may be linked to p: of the body, not cancelled, not p,
// not linked to p already, within the viewer's visibility; newest first, at
// most kCandidateLimit. Columns: direction, number, date, subject,
// correspondent, privacy flag.
QString candidatesQuery(const Criteria &c, const Key &p, const Viewer &v);

// The protocols registered between two days for the choice of a precedent,
// within the viewer's visibility, newest first: direction, number, date,
// subject, correspondent, privacy flag.
QString periodQuery(const QDate &from, const QDate &to, const Viewer &v);
// The period's message ("inserire correttamente la data di inizio ricerca",
// ...), empty when both days are valid and in order.
QString checkPeriod(const QString &from, const QString &to);

// The precedent as the registration window shows it: "E - 2026-0000012".
QString precedentText(const QString &direction, const QString &number);

} // namespace nimbo::protocol::links
