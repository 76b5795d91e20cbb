#pragma once
// What the windows that set, postpone and list a protocol's deadlines read
// and decide, apart from their widgets: the checks of "Registra" in their
// order, the deadline in force, the history with its captions, and who may
// remove the last postponement. The protocol server checks the same again
// inside its transaction (servers/DeadlineRequests.h).

#include <QDate>
#include <QString>
#include <optional>

#include "data/Funzioni_Com_1.h"

namespace nimbo::deadlines
{

inline const QString kPostponeCaption = QStringLiteral("Impostazione Scadenza di una Pratica");
inline const QString kHistoryCaption = QStringLiteral("Storico scadenze di un documento Protocollato");
inline const QString kPostponeHeading =
    QStringLiteral("Nuova Scadenza Procedimento relativo al documento di Prot. Num. ");
inline const QString kHistoryHeading =
    QStringLiteral("Elenco rinvii della scadenza per la chiusura dell'iter amministrativo del documento Prot. N° ");
inline const QString kBadDate = QStringLiteral("Inserire una data corretta");
inline const QString kNoReason = QStringLiteral("Indicare il motivo per cui viene assegnata la nuova scadenza");
inline const QString kNoOfficial = QStringLiteral(
    "Indicare le generalità del funzionario che ha autorizzato l'assegnazione della scadenza della pratica.");
inline const QString kNoDeadlines = QStringLiteral("Non vi sono scadenze registrate per il protocollo in esame");
inline const QString kHistoryUnreadable = QStringLiteral(
    "Contattare GESTORE PROCEDURA. Si sono verificati problemi nella visualizzazioen dello storioc rinvii.");
inline const QString kServerError = QStringLiteral("Server Ole, Errore in Archiviazione Protocollo ");
inline const QString kRequestTitle = QStringLiteral("OLE - Protocollo Documenti");
inline const QString kWaitText = QStringLiteral("ATTENDERE ... Registrazione Archiviazione in corso ...");
inline const QString kInitialDeadline = QStringLiteral("Scadenza iniziale");

// "Registra" as typed, with the deadline in force the window showed.
struct PostponeForm {
    QString newDate; // "dd/mm/yyyy"
    QString reason, official, reference;
    QDate current; // invalid when the protocol has none
};

struct PostponeFailure {
    QString message;
    const char *field; // the control that gets the focus
};

// The first check "Registra" fails, in the window's order; nothing when the
// request may go. Dates are compared by day.
std::optional<PostponeFailure> postponeFailure(const PostponeForm &f, const QDate &today);

// One row, one column: the protocol's deadline in force (the latest
// Tab_ProScadenza row's, else its latest assignment's), Null when none.
QString deadlineInForceQuery(const QString &ente, const QString &direction, const QString &number);

// The protocol's deadlines, the initial one first and then the
// postponements by date. Columns as HistoryColumn.
QString historyQuery(const QString &ente, const QString &number);
enum HistoryColumn { HFlag, HOperationDate, HDeadline, HOfficial, HReference, HNotes, HOperator, HId };

// The grid FlexRinvii: titles, widths, and its rows from historyQuery();
// the flag follows unseen after the shown columns.
inline const char *const kHistoryTitles = "Tipo Operazione;Data Operazione;Scadenza Assegnata;Funzionario "
                                          "Autorizzante;Estremi Autorizzazione;Note Operazione;Operatore;Codice";
inline const char *const kHistoryWidths = "14;12;12;20;18;24;10;7;0";
constexpr int kShownFlag = 8;
Funzioni_Com_1::Columns historyRows(const Funzioni_Com_1::LoadedRows &r);

// "Scadenza iniziale" for the first deadline, "1° Rinvio", "2° Rinvio", ...
// for the postponements in their order.
QString operationText(int flag, int postponement);

// Why the last row may not be removed by this operator; nothing when it may.
struct LastRow {
    bool exists = false;
    int flag = 0;
    QString insertedBy;
};
std::optional<QString> removalFailure(const LastRow &last, const QString &operatorCode, int level);

} // namespace nimbo::deadlines
