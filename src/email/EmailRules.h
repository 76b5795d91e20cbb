#pragma once
// What the e-mail windows read and decide, apart from the widgets: the
// pending provisional e-mails, the checks and the request of their
// registration, the discard, the registration notice to colleagues and the
// checks of a general e-mail and of the operator's mail settings.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QTime>
#include <QVariantList>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "protocol/ProtocolRules.h"

namespace nimbo::email {

// ---- texts ---------------------------------------------------------------------------

inline const QString kCaption = QStringLiteral("Protocollazione Definitiva delle Email");
inline const QString kChooseToRegister = QStringLiteral("selezionare l'e-mail da protocollare definitivamente");
inline const QString kChooseToDiscard = QStringLiteral("selezionare l'e-mail da cancellare");
inline const QString kRegisteredKept =
    QStringLiteral("E' stato assegnato un protocollo definitivo e non può essere cancellato");
inline const QString kNoReason = QStringLiteral("ATTENZIONE ! Inserire una motivazione valida e significativa ");
inline const QString kStatusRegistering = QStringLiteral("ASSEGNAZIONE DEFINITIVA PROTOCOLLO EMAIL");
inline const QString kWaitRegistering = QStringLiteral("ATTENDERE ... Registrazione Protocollo Definitivo in corso ...");
inline const QString kWaitUpdating = QStringLiteral("ATTENDERE ... Aggiornamento Protocollo Temporaneo in corso ...");
inline const QString kUpdateFailed =
    QStringLiteral("ATTENZIONE ! Errore in Aggiornamento Protocollo Email Provvisorio ...");
inline const QString kUpdateDone = QStringLiteral("Aggiornamento Protocollo Temporaneo Terminato");
inline const QString kNoClock = QStringLiteral("Contattare il sistemista! Impossibile interagire con il server per "
                                               "l'acquisizione della data ed ora dell'operazione.");
inline const QString kRegisterTitle = QStringLiteral("OLE - Protocollo Email");
inline const QString kReadMailError = QStringLiteral("Server Ole, Errore in Lettura Email ");
inline const QString kRegistrationError = QStringLiteral("Server Ole, Errore in Registrazione Protocollo ");
inline const QString kServerNotCreated = QStringLiteral("Errore In Creazione OLE e/o linea non disponibile!");
inline const QString kIncoming = QStringLiteral("ENTRATA");
inline const QString kCheckHeading = QStringLiteral("ATTENZIONE ");
inline const QString kBadCorrespondent = QStringLiteral("IL Mittente/Destinatario deve essere valido e significativo");
inline const QString kBadDocType = QStringLiteral("IL Tipo Documento deve essere valido e significativo");
inline const QString kBadDepartment =
    QStringLiteral("IL Codice Sede Ricezione Documento deve essere valida e significativa");
inline const QString kReceiptSubject = QStringLiteral("Ricevuta di Email protocollata");
inline const QString kReceiptText =
    QStringLiteral("Invio ricevuta di avvenuta protocollazione della EMAIL con numero di protocollo ");
// Our own: a message registered without a sender address gets no receipt.
inline const QString kNoReceiptAddress =
    QStringLiteral("Indirizzo e-mail del mittente non disponibile: la ricevuta di protocollazione non è stata inviata.");
// Our own: "Classifica" before "Protocolla".
inline const QString kClassifyRegistered =
    QStringLiteral("La classificazione riguarda il documento protocollato: protocollare prima l'e-mail.");

// Registration notice (FrmEmail).
inline const QString kNoticeCaption = QStringLiteral("Invio E-Mail di notifica protocollazione");
inline const QString kExpert = QStringLiteral("Contattare l'esperto della procedura!!! ");
inline const QString kNoRecipient = QStringLiteral("selezionare l'indirizzo e-mail di almeno un destinatario a cui "
                                                   "notificare l'avvenuta protocollazione");
inline const QString kEmptyBody = QStringLiteral("il corpo della mail non può essere vuoto.");
inline const QString kSent = QStringLiteral("Trasmissione effettuata.");
// Our own: an outgoing protocol sent to another administration as a
// protocol message (its documents and Segnatura.xml).
inline const QString kInteropGroup = QStringLiteral("Messaggio di protocollo ad altra amministrazione");
inline const QString kNoInteropAddress =
    QStringLiteral("Inserire l'indirizzo di posta elettronica dell'amministrazione destinataria");
inline const QString kAskSendProtocol = QStringLiteral("Inviare il protocollo con i suoi documenti a %1?");
inline const QString kProtocolSent = QStringLiteral("Messaggio di protocollo inviato.");
// Our own: the receipt confirmation of a registered protocol message.
inline const QString kAskConfirmation = QStringLiteral(
    "Il mittente ha chiesto la conferma di ricezione del messaggio di protocollo. Inviarla ora?");
inline const QString kChooseToConfirm = QStringLiteral("selezionare l'e-mail di cui confermare la ricezione");
inline const QString kConfirmRegistered = QStringLiteral(
    "La conferma di ricezione riguarda il documento protocollato: protocollare prima l'e-mail.");
inline const QString kConfirmationSent = QStringLiteral("Conferma di ricezione inviata.");

// General e-mail (FrmEmailGen).
inline const QString kGeneralCaption = QStringLiteral("Invio E-Mail");
inline const QString kNoAddress = QStringLiteral("Inserire l'indirizzo e-mail del destinatario del messaggio");
inline const QString kBadAddress = QStringLiteral("L'indirizzo e-mail inserito non è corretto");
inline const QString kNoSubject = QStringLiteral("inserire l'oggetto del messaggio e-mail");
inline const QString kNoText = QStringLiteral("inserire il corpo del messaggio e-mail");

// Operator mail settings (FrmCambiaEmail).
inline const QString kSettingsCaption = QStringLiteral("Cambio Indirizzo E-mail");
inline const QString kNoMail = QStringLiteral("inserire l'indirizzo di posta elettronica");
inline const QString kBadMail = QStringLiteral("specificare un indirizzo di posta elettronica corretto");
inline const QString kSettingsSaved = QStringLiteral("Aggiornamento effettuato con successo");
inline const QString kSettingsFailed = QStringLiteral("Contattare esperto della Procedura. Si è verificato un errore "
                                                      "nell'aggiornamento dell'indirizzo E-mail dell'operatore.");

// ---- the pending e-mails -----------------------------------------------------------

// The pending e-mails of the body, oldest first: number, send date,
// correspondent, subject, direction, provisional date, type, type name,
// then the sender's address.
QString pendingQuery(const QString &ente);
inline const QString kListTitles =
    QStringLiteral("N° Provv.;Data Invio;;Oggetto;;Registrato il;;Tipo Documento;Mittente");
inline const QString kListWidths = QStringLiteral("7;10;0;50;0;10;0;12;20");

// One provisional e-mail as the detail shows it.
struct EmailForm {
    qlonglong provisional = 0;
    QString direction;        // "E"
    QString sentOn;           // "dd/mm/yyyy"
    QString registeredOn;     // provisional registration, "dd/mm/yyyy"
    QDate protocolDate;       // the database server's, when chosen
    QTime protocolTime;
    QString general;          // the definitive number, 11 digits or empty
    QString state;            // "A" / "C"
    QString correspondent, correspondentName;
    QString fromAddress, fromName;
    QString docType, docTypeName;
    QString subject;
    QString refNumber, refDate; // the sender's own protocol, "dd/mm/yyyy"
};

// The row of one provisional e-mail, in the order readEmail() takes it.
QString emailQuery(const QString &ente, qlonglong provisional);
EmailForm readEmail(const QVariantList &row);

// ---- registration --------------------------------------------------------------------

// Every check that fails, one line each, in order; the descriptions found
// are written into *f. Empty when the e-mail may be registered.
QStringList registrationProblems(EmailForm *f, const protocol::Context &ctx);
// The message of the failed checks.
QString problemsText(const QStringList &problems);
// The request of operation 54: operation 10's columns with the e-mail's
// differences.
QVariantList registrationRequest(const EmailForm &f, const protocol::Context &ctx);
// The receipt to the sender.
QString receiptText(const QString &number);

// ---- discard ---------------------------------------------------------------------------

// The provisional row, only while it is pending: a message registered or
// discarded meanwhile is left alone and the write fails.
Funzioni_Com_1::Statement discardStatement(const QString &ente, const QString &direction, qlonglong provisional,
                                           const QString &reason, const QString &operatorCode, const QString &office,
                                           const QDate &today);

// ---- registration notice ---------------------------------------------------------------

struct NoticeFacts {
    QString number;        // 11 digits
    QString date;          // protocol date "dd/mm/yyyy"
    QString received;      // reception date "dd/mm/yyyy"
    QString correspondent;
    QString refNumber, refDate;
    QString docType;
    QString subject;
    QString department, office;
    QString correspondentAddress; // the address book's e-mail of the correspondent
};
// The protocol the notice is about: number, date, reception date,
// correspondent, reference and its date, type name, subject, department,
// office and the correspondent's e-mail address.
QString noticeProtocolQuery(const QString &ente, const QString &direction, const QString &number);
NoticeFacts readNoticeFacts(const QVariantList &row);
QString noticeSubject(const NoticeFacts &f);
QString noticeText(const NoticeFacts &f);
// The office's address, then its members' who are still in it:
// description, address.
QString officeAddressQuery(const QString &ente, const QString &department, const QString &office);
QString memberAddressesQuery(const QString &ente, const QString &department, const QString &office,
                             const QDate &today);

// ---- general e-mail and settings ----------------------------------------------------

// The first failing check of a general e-mail, nothing when it may go.
std::optional<QString> generalProblem(const QString &recipient, const QString &subject, const QString &text);
// The first failing check of the operator's address.
std::optional<QString> settingsProblem(const QString &address);
// The operator's row rewritten; the password only when one was typed
// (enciphered); false with *why when it cannot be enciphered.
bool settingsStatement(const QString &operatorCode, const QString &address, const QString &user,
                       const QString &password, Funzioni_Com_1::Statement *out, QString *why);

} // namespace nimbo::email
