#pragma once
// The rules of the registration window that do not need a widget: the code
// lookups, the checks run before a registration, the request sent to the
// protocol server and how its reply is read, and which buttons a state
// enables. The window copies its controls into a ProtocolForm and wires the
// results back.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVector>
#include <optional>

#include "data/Scope.h"
#include "servers/ProtocolServer.h"

namespace nimbo::protocol {

// What the operator sees on the registration panel, as texts.
struct Dossier {
    QString title, category, cls, dossier; // each a code ("01"), or "code - description"
};

struct ProtocolForm {
    QString direction;         // "E", "U", or empty when none is chosen
    QString number;            // as shown, 11 digits or empty
    QString dataProtocollo;    // "dd/mm/yyyy"
    QString oraProtocollo;     // "hh:nn:ss"
    QString dataRegistrazione;
    QString dataRicezione;
    QString oraRicezione;
    QString codiceMitDest, descMitDest;
    QString codTipoDoc, descTipoDoc;
    QString oggetto;
    QString codSedeRic, descSedeRic;
    QString codUfficio, descUfficio;
    QString codOperatore, descOperatore;
    QString refNumber;         // Text1: the sender's own protocol number
    QString refDate;           // Text2: its date
    bool privacy = false;
    QString annotazioni;
    bool saveSubject = false;
    QString state;             // state letter shown ("A", "C", ...)
    QVector<Dossier> dossiers;
};

// Who is registering and where.
struct Context : OperatorScope {
    QString protocolOfficeDept; // Ente_CodiceDIP
    bool isNew = true;          // a new protocol (closed departments and offices are left out)
    QDate today;                // server date
    // From the session in force.
    static Context fromSession();
};

// ---- dates and texts --------------------------------------------------------------

// "dd/mm/yyyy" (also d/m/yyyy) as typed; invalid otherwise.
QDate shownDate(const QString &text);
// "hh:nn:ss" or "hh:nn"; invalid otherwise.
bool validTime(const QString &text);
// "dd/mm/yyyy" -> "mm/dd/yyyy" as the server's column lists take dates; empty when not a date.
QString requestDate(const QString &shown);
// A value read from the database (QDate, QDateTime or ISO text) as "dd/mm/yyyy".
QString dateText(const QVariant &value);
// ISO literal between quotes for a date in SQL text.
QString sqlDate(const QDate &d);

// ---- code lookups -----------------------------------------------------------------

enum class CodeField { Correspondent, DocType, Department, Office, Member };

// The text is a search by description when it begins with a letter.
bool searchesByDescription(const QString &typed);

struct LookupScope {
    QString ente;
    QString department;   // for the office lookup
    QString office;       // for the member lookup
    bool leaveOutClosed = true;
};

// The query of one lookup; its rows are code, description (the
// correspondent's rows: identifier, denomination, town, street, number). Empty
// when the typed text cannot match (a non-numeric identifier).
// The list a correspondent lookup by name gives: the whole one Enter
// opens (500 names at most, by name), or the one that narrows while the
// clerk types (50 at most, the names that begin with the text first).
enum class LookupList { Whole, AsTyped };
QString lookupQuery(CodeField field, const QString &typed, const LookupScope &scope, bool byDescription,
                    LookupList list = LookupList::Whole);

struct LookupRow {
    QString code;
    QString description;
    QString listText() const { return code + QStringLiteral(" - ") + description; }
};
// Reads the rows of lookupQuery(); correspondent codes are padded to 6 digits
// in the list text only when asList is set.
QVector<LookupRow> lookupRows(CodeField field, const QString &sql, bool asList = false);
// Runs the lookup; nothing found gives an empty vector.
QVector<LookupRow> lookup(CodeField field, const QString &typed, const LookupScope &scope, bool byDescription,
                          LookupList list = LookupList::Whole);

// Recurring subjects of the body, department and direction beginning with the text.
QString recurringSubjectsQuery(const QString &ente, const QString &department, const QString &direction,
                               const QString &typed);

// ---- validation -------------------------------------------------------------------

struct Failure {
    QString message;
    QString field;       // objectName of the control that gets the focus
};

// The checks that need no database (steps 1 to 6).
std::optional<Failure> checkDates(const ProtocolForm &f);
// Every check in order; descriptions found on the way are written back into
// *f (correspondent refreshed, member cleared when empty).
std::optional<Failure> validate(ProtocolForm *f, const Context &ctx);

// Protocols of the last 30 days with a similar subject (number, date, subject).
QString similarSubjectQuery(const QString &ente, const QString &direction, const QString &subject, const QDate &today);
// The warning text, or empty when there are none.
QString similarSubjectWarning(const ProtocolForm &f, const Context &ctx);

// ---- registration -----------------------------------------------------------------

ColumnValues registrationColumns(const ProtocolForm &f, const Context &ctx);
QVector<ColumnValues> dossierRows(const ProtocolForm &f, const Context &ctx);
// The request of operation 10; each of `replacing` takes the place of the
// column of its name (or is added at the end).
QVariantList buildRequest(const ProtocolForm &f, const Context &ctx, const ColumnValues &replacing = {});

struct Reply {
    enum Kind { Ok, Refused, Error } kind = Error;
    QString message;    // refused: shown as it is; error: what is logged
    QString number;
    QString date;       // "dd/mm/yyyy" or empty
    QString time;       // "hh:mm:ss" the register holds, or empty
};
Reply readReply(const QVariantList &reply);

// ---- state --------------------------------------------------------------------------

// Indexes of the btnTB buttons that a state letter enables.
QVector<int> enabledButtons(const QString &state);
// The keys left on the toolbar after a successful registration.
QString consultationKeys(const QString &direction, bool listLoaded);
// Whether the protocol stays modifiable after a rewrite.
bool staysModifiable(bool bodyIsType9, const QString &number, const QString &lastNumber);

// Lookups of a protocol already in the register.
QString lastProtocolQuery(const QString &ente, const QString &operatorCode);

} // namespace nimbo::protocol
