#pragma once
// The rules of the windows that move a protocol between offices
// (assignment, transmission, sent and completed documents): the recipient
// list and its checks in their order, the queries the windows read, and
// the texts they show. Plain functions, so that tests call them without a
// window.

#include <QString>
#include <QVector>
#include <optional>

namespace nimbo::iter {

enum class SendKind { Assignment, Transmission };

// One row of the recipient list.
struct Recipient {
    QString department, departmentName;
    QString office, officeName;
    int member = 0; // 0: the whole office
    QString memberName;
    QString modifiable = QStringLiteral("S"); // "S" while the delivery is pending (assignment only)
    int type = 1;                             // 1 competence, 2 copy
    QString assignedAt;                       // "Data Assegnazione" of a loaded row, empty for a new one
};

// What the operator chose in the boxes and options before "Aggiungi".
struct Choice {
    QString department, departmentName;
    QString office, officeName;
    int member = 0;
    QString memberName;
    int type = 0; // 0: neither option ticked
};

// The operator as these rules see him.
struct Sender {
    QString ente, department, office, code;
    QString bodyCode;          // Ente_codice_ASL
    QString protocolDepartment; // Ente_CodiceDIP
    static Sender fromSession();
};

// The caption of an assignment type ("di Competenza Ufficio", "Copia Conoscenza").
QString typeCaption(int type);
// "0 - Nessun componente" ("0 - Nessuna Unità Operativa" for body "104").
QString noMemberItem(const QString &bodyCode);

// The checks of "Aggiungi", in order; the message of the first that fails.
std::optional<QString> checkAdd(const Choice &c, const QVector<Recipient> &rows, const Sender &s, SendKind kind);
// The row "Aggiungi" appends.
Recipient recipientFrom(const Choice &c);
// The other type (1 <-> 2).
void switchType(Recipient &r);
// The question before switching the type of a row.
QString switchQuestion(const QString &officeName, SendKind kind);

// Removes the ticked rows that may still change; the count of ticked rows
// kept because their recipient already took the document in charge.
int removeTicked(QVector<Recipient> &rows, const QVector<bool> &ticked);
// The report of the rows kept.
QString keptText(int kept);

// The checks of "Assegna": a non-empty list, a deadline (when typed) that
// is a date not earlier than the protocol date ("dd/mm/yyyy" each).
std::optional<QString> checkAssign(const QVector<Recipient> &rows, const QString &deadline,
                                   const QString &protocolDate);
std::optional<QString> checkTransmit(const QVector<Recipient> &rows);
// "SI" when any recipient receives the document for competence.
QString anyCompetence(const QVector<Recipient> &rows);

// Queries ---------------------------------------------------------------

// The members of an office a document may be sent to, still valid on
// `today` ("yyyy-mm-dd"): those flagged for assignment, or (transmission)
// every one but the operator himself. Columns: number, name.
QString membersQuery(const QString &ente, const QString &office, SendKind kind, const QString &operatorCode,
                     const QString &today);
// 1 row when the protocol has a completion movement.
QString completedQuery(const QString &ente, const QString &direction, const QString &number);
// The latest assignment movement: key, notes, deadline.
QString lastAssignmentQuery(const QString &ente, const QString &direction, const QString &number);
// Its recipients but those of the operator's own department and office:
// department, department name, office, office name, member, member name,
// type, assignment date.
QString assignmentRecipientsQuery(const QString &ente, const QString &direction, const QString &number,
                                  const QString &movement, const QString &ownDepartment, const QString &ownOffice);
// Its pending deliveries: office, member.
QString pendingDeliveriesQuery(const QString &ente, const QString &direction, const QString &number,
                               const QString &movement);
// 1 row when the deadline was postponed.
QString postponedQuery(const QString &ente, const QString &number);
// The groups of offices of the operator's department: name.
QString groupsQuery(const QString &ente, const QString &department);
// The offices of a group: department, department name, office, office
// name, member, member name.
QString groupOfficesQuery(const QString &ente, const QString &department, const QString &group);

// Texts ---------------------------------------------------------------------
extern const char *const kAssignCaption;   // "Assegnazione Documenti"
extern const char *const kTransmitCaption; // "Trasmissione documenti"
extern const char *const kHeadingOpen;     // "Assegnazione Documento agli uffici interessati"
extern const char *const kHeadingDone;     // "Pratica Evasa"
extern const char *const kWaitText;        // "Attendere.Scrittura su remoto in corso"
extern const char *const kRequestTitle;    // "OLE - Spedizione Documenti"

} // namespace nimbo::iter
