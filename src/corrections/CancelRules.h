#pragma once
// What the cancellation window reads and decides, apart from the widgets:
// the search of the protocols that may be cancelled, the masking of
// reserved ones, the reason lookup and the checks "Cancella" makes before
// the protocol server is asked.

#include <QDate>
#include <QString>
#include <QVector>

#include "data/Funzioni_Com_1.h"
#include "ui/CodeLookup.h"

namespace nimbo::corrections::cancel {

inline const QString kCaption = QStringLiteral("Cancellazione protocolli");
inline const QString kRequestTitle = QStringLiteral("OLE - Protocollo Documenti");
inline const QString kNothingFound = QStringLiteral(
    "non esistono documenti protocollati che soddisfano i criteri di ricerca impostati");
inline const QString kNoReason = QStringLiteral("Attenzione! inserire il motivo di cancellazione !");
inline const QString kUnknownReason = QStringLiteral("Attenzione! Il codice inserito non esiste in archivio.");
inline const QString kNoProtocol = QStringLiteral("Attenzione! Selezionare il protocollo da cancellare.");
inline const QString kActIncomplete = QStringLiteral(
    "Attenzione! Del provvedimento di annullamento indicare tipo, numero e data, oppure nessuno dei tre.");
inline const QString kActInFuture = QStringLiteral(
    "Attenzione! La data del provvedimento di annullamento non può essere successiva alla data odierna.");
inline const QString kDone = QStringLiteral("cancellazione effettuata");
inline const QString kCallError = QStringLiteral("Server Ole, Errore in Registrazione Protocollo ");
inline const QString kMasked = QStringLiteral("**********");
constexpr int kSearchLimit = 500;

struct Criteria {
    QString direction;    // "E", "U" or empty for both
    QDate from, to;       // protocol date, either may be invalid
    qlonglong correspondent = 0;
    QString number;       // 11 digits, or empty
    QString subject;      // contained, any case
};

// A number as typed ("2025-12", "2025/0000012", "20250000012"): the 11
// digits of the register, empty when it is none.
QString typedNumber(const QString &typed);

// Columns of searchQuery().
enum Column { CDirection, CNumber, CDate, CCorrespondent, CSubject, CPrivacy, CDocType, CDocTypeName, CCount };
// The first 500 active protocols of the body that meet the criteria, the
// newest first.
QString searchQuery(const QString &ente, const Criteria &c);

// A protocol as the list and the detail show it.
struct Shown {
    QString direction, number, date, correspondent, subject, docType;
};
// The row of searchQuery(): correspondent and subject of a reserved
// protocol are asterisks unless the viewer holds the privacy right.
Shown shownRow(const Funzioni_Com_1::LoadedRows &rows, int row, bool privacyRight);

// The reason lookup: by exact code, ordered by code, or (text beginning
// with a letter) by description beginning with the text, ordered by
// description; rows code, description.
QString reasonQuery(const QString &typed, bool byDescription);
// The reason lookup as a code-lookup field's finder.
ui::CodeLookup::Finder reasonFinder();
// The description of one reason code, to check it exists.
QString reasonDescriptionQuery(const QString &code);

// The authorising act as typed.
struct ActInput {
    QString type, number, date; // date "dd/mm/yyyy"
};
// Empty when the act may go (all three given, its date a real day not
// after today, or none given); the message otherwise.
QString actProblem(const ActInput &act, const QDate &today);

} // namespace nimbo::corrections::cancel
