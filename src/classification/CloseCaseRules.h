#pragma once
// Closing a handled case: a later protocol (the closing note) records that
// a protocol assigned to an office was dealt with. The candidates of an
// office, the checks of the closing form in their order (the list window and
// the window for one protocol word some of them differently), and the
// request of operation 304 that writes the type-5 movement.

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

#include "data/Scope.h"
#include "servers/ClassificationRequests.h"

namespace nimbo::classification {

// frmArchPratica (the office's list) or frmArchivia (one given protocol).
enum class CloseCaseVariant { List, One };

// The protocols assigned to the viewer (by his level, as the deadline list)
// and not yet closed by anyone, by evasion date: direction, number, date,
// subject, correspondent, assignment timestamp, evasion date, department,
// office name, office code, privacy flag.
QString closeCandidatesQuery(const protocol::Viewer &v);
// The protocols a note closed: direction, number, closing date, annotations.
QString closedByNoteQuery(const QString &ente, const QString &noteNumber);
// The date, subject and privacy flag of the protocol to close.
QString protocolToCloseQuery(const QString &ente, const QString &direction, const QString &number);
// The date of a protocol that exists and is not cancelled (the note).
QString noteDateQuery(const QString &ente, const QString &direction, const QString &number);

struct CloseCaseForm {
    QString direction;    // of the protocol to close
    QString number;       // its 11-character key
    QDate protocolDate;
    QString closingDate;  // as typed, "dd/mm/yyyy"
    QString noteDirection;
    QString noteYear;
    QString noteNumber;   // progressive as typed
    QString notes;
};

// The note's 11-character key from its year and progressive ("2026" and
// "5" give "20260000005"); empty when either is not a number.
QString noteKey(const QString &year, const QString &progressive);

// The field names of the form, for the focus after a failure.
namespace closefield {
inline const char *const kDate = "TxtDataChiusura";
inline const char *const kDirection = "TxtTipoNota";
inline const char *const kYear = "TxtAnnoNota";
inline const char *const kNumber = "TxtNumeroNota";
} // namespace closefield

struct CloseCaseFailure {
    QString message;
    const char *field = nullptr;
};
// The note's date when it exists and is not cancelled; nothing otherwise.
using NoteDate = std::function<std::optional<QDate>(const QString &direction, const QString &number)>;
// The first check that fails, in order; nothing when the form passes.
std::optional<CloseCaseFailure> closeCaseFailure(CloseCaseVariant variant, const CloseCaseForm &f, const QDate &today,
                                                 const NoteDate &noteDate);

// "Pratica evasa in data dd/mm/yyyy", a line break, " con nota Prot. N. "
// and the note as shown, then the operator's notes.
QString closingAnnotation(const QDate &closed, const QString &noteNumber, const QString &notes);

// The request of operation 304.
QVariantList closeCaseWriteRequest(const QString &ente, const CloseCaseForm &f, const QString &office,
                                   const QString &operatorCode, const QDate &today);

} // namespace nimbo::classification
