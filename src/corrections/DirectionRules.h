#pragma once
// The rules of the direction-change window, apart from the window: the
// number as typed, the look-up of a protocol the operator may turn around,
// and how its data are shown.

#include <QString>
#include <QVariantList>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::corrections::direction {

extern const char *const kWrongNumber;   // "inserire un numero di protocollo corretto"
extern const char *const kNotFound;      // "Protocollo non presente in archivio o non modificabile"
extern const char *const kNoProtocol;    // "Attenzione! Selezionare il protocollo da modificare."
extern const char *const kInProgress;    // "Modifica Protocollo in Corso"
extern const char *const kDone;          // "Aggiornamento effettuato"

// The register key of a typed number: "2025-0000012", "2025-12" and
// "20250000012" all give "20250000012"; empty when it is no number (no
// year of four digits, a progressive of more than seven digits or zero).
QString typedNumber(const QString &typed);

// The protocol of the body under that number that the operator registered,
// still active and not archived ("M"); columns as Column says.
QString lookupQuery(const QString &ente, const QString &number, const QString &operatorCode);
enum Column { CDirection, CNumber, CDate, CDocType, CCorrespondentCode, CCorrespondent, CSubject, CPrivacy };

// "Entrata" / "Uscita"; the correspondent's caption "Mittente" / "Destinatario".
QString directionWord(const QString &direction);
QString correspondentCaption(const QString &direction);

// A column of the found row as the window shows it: number and date whole,
// correspondent and subject masked for a viewer without the privacy right
// when the protocol is reserved.
QString shown(const Funzioni_Com_1::LoadedRows &rows, int column, const protocol::Viewer &viewer);

} // namespace nimbo::corrections::direction
