#pragma once
// Texts and button captions that the parts of the registration window share.

#include <QString>
#include <QVector>

#include "protocol/FrmProtocollo.h"

namespace nimbo::protocol {

inline const QString kCaption = QStringLiteral("Registrazione dei Protocolli");
inline const QString kEntry = QStringLiteral("ESCI;NUOVO;CERCA");
inline const QString kEntryCancel = QStringLiteral("ESCI;CERCA");
inline const QString kStatusReady = QStringLiteral("Registrazione Protocollo");
inline const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!");
inline const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");
inline const QString kActive = QStringLiteral("A T T I V O");
inline const QString kCancelled = QStringLiteral("C A N C E L L A T O");

// The functions of the btnTB row that this window carries out; the others
// stay disabled whatever the state.
inline const QVector<int> kImplemented{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};

struct ButtonText { const char *caption, *tooltip; };
inline const ButtonText kButtonTexts[FrmProtocollo::kButtons] = {
    {"Protocolli Collegati", "Protocolli collegati al protocollo principale"},
    {"Altri protocolli", "Altri Documenti del Mittente/Destinatario"},
    {"Iter", "Iter del Documento all'interno dell'Ente"},
    {"Segnatura", "stampa numero di protocollo sul documento"},
    {"Scanner", "Acquisizione documenti"},
    {"Docum.", ""},
    {"E-Mail", "Invio messaggio di protocollazione in posta elettronica"},
    {"Allegati", ""},
    {"Evadi   Pratica", "Archivia documento collegato al protocollo in esame"},
    {"Assegna", "Trasmissione della corrispondenza agli uffici interessati"},
    {"Storico Scadenze", ""},
};

} // namespace nimbo::protocol
