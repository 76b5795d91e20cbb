#pragma once
// The rules of the iter management window that need no widget: the list of
// protocols held in charge, the deadline search and its print, and the
// label of taking in charge.

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "platform/ReportEngine.h"
#include "data/Scope.h"

namespace nimbo::iter {

// ---- protocols held in charge -------------------------------------------------------

struct InChargeCriteria {
    bool incoming = true, outgoing = true; // OptE, OptU
    QString from, to;                      // TxtI, TxtF "dd/mm/yyyy", may be empty
    QString subject;                       // TxtOgg, contained
    QString docType;                       // cmbTipoDoc item: "description - code"
    QString correspondent;                 // R_MitDest, contained
    QString year, number;                  // TxtAProto, TxtNumero
};

// The first item of the document-type box: every type.
extern const char *const kAllTypes;
// The code of a box item "description - code".
QString itemCode(const QString &item);
// The document types as box items, ordered by description.
QString docTypesQuery();

// A message when the criteria cannot be searched.
std::optional<QString> checkInCharge(const InChargeCriteria &c);
// Direction, number, date, correspondent, subject, deadline, privacy: the
// protocols held in charge that the viewer may see, newest number first.
QString inChargeQuery(const InChargeCriteria &c, const protocol::Viewer &v);
extern const char *const kInChargeTitles;
extern const char *const kInChargeWidths;
// Shown columns, then the direction and number as keys.
Funzioni_Com_1::Columns inChargeRows(const Funzioni_Com_1::LoadedRows &r, const protocol::Viewer &v);

// ---- the protocol in detail ---------------------------------------------------------

// State, date, type description, correspondent's name, address, street
// number, town, subject, emergency number, privacy of a protocol.
QString headerQuery(const QString &ente, const QString &direction, const QString &number);
// "A T T I V O" or "C A N C E L L A T O".
QString stateText(const QString &state);
// A row when the protocol has linked documents.
QString linkedQuery(const QString &ente, const QString &direction, const QString &number);
// Recipients of a movement: office, member, assignment type, assignment date,
// ordered by the date of assignment.
QString recipientsQuery(const QString &ente, const QString &direction, const QString &number, const QString &serial);
// "Documento di Competenza Ufficio" / "Documento in Copia Conoscenza".
QString detailKindText(int assignmentType);

// ---- deadlines ------------------------------------------------------------------------

struct DeadlineCriteria {
    enum class Option { None, Due, Overdue } option = Option::Due;
    QString days = QStringLiteral("2"); // cmbGG
};
extern const char *const kDayChoices[8];
std::optional<QString> checkDeadlines(const DeadlineCriteria &c);
// Rows of the competence assignments not completed: deadline, direction,
// number, protocol date, subject, correspondent, competent office name,
// assignment key, office code, privacy; ordered by deadline.
QString deadlineQuery(const DeadlineCriteria &c, const protocol::Viewer &v);
extern const char *const kDeadlineTitles;
extern const char *const kDeadlineWidths;
// Shown rows; "Ritardo" counts the days from the deadline to today.
Funzioni_Com_1::Columns deadlineRows(const Funzioni_Com_1::LoadedRows &r, const protocol::Viewer &v,
                                     const QDate &today);
// The report's title for the search made.
QString deadlineTitle(const DeadlineCriteria &c, const QDate &today);
// The rows of the report (Rep_Campo01 .. Rep_Campo12) from the shown rows.
QVector<ReportRow> deadlineReportRows(const Funzioni_Com_1::Columns &shown);
inline const QString kDeadlineTemplate = QStringLiteral("DocInScadenza.rpt");

// ---- label of taking in charge ----------------------------------------------------

// The latest type-3 movement of the operator's department and office on the
// protocol: its key, department name, office name.
QString takenLabelQuery(const protocol::Viewer &v, const QString &direction, const QString &number);
// The EPL2 job: heading, the body's name in two pieces, the date taken in
// charge, department and office ("U. Operativa: " for body code "104").
QStringList takenLabelLines(const QString &heading, const QString &bodyName, const QDate &taken,
                            const QString &department, const QString &office, const QString &bodyCode);

} // namespace nimbo::iter
