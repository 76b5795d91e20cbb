#pragma once
// The nine periodic reports of "Stampe Periodiche": what each one prints
// (template, title, column titles), the checks of a request in their order,
// and the SQL text of the lists read from the central register. The
// window (FrmStampe) only wires its controls to these.

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "platform/ReportEngine.h"

namespace nimbo::reports {

enum class Report {
    None,
    Register,       // optRegGen: annual (or monthly) register, operation 502
    Chronological,  // OptGenerale: chronological register of the period
    WorkLoads,      // optCarichiLav
    PerOffice,      // OptDocUfficio
    Transmission,   // OptTrasmissione
    NotAssigned,    // OptNonAssegnati
    NotClassified,  // OptNonClassif
    NotInCharge,    // OptNonIncarico
    Archived,       // OptArchiviati
};

struct ReportInfo {
    Report report;
    QString option;    // the option button's object name
    QString caption;   // the option button's caption
    QString templateName;
    QString title;
    QStringList columns; // the titles of the columns, in Rep_Campo order
};

// Every report in the window's order.
const QVector<ReportInfo> &allReports();
const ReportInfo &info(Report report);

// What the operator asked for.
struct Criteria {
    Report report = Report::None;
    QDate from, to;            // invalid when the box does not hold a real date
    int assignment = 0;        // transmission list: 4 (OptP) or 2 (OptS), 0 none chosen
    QString subject;           // TxtOgg, as typed
    QString department;        // empty: all
    QString office;            // empty: all
    bool incoming = true;      // EntrataChk
    bool outgoing = true;      // UscitaChk
};

// Who asks: the body and whether reserved subjects may be read.
struct Asker {
    QString ente;
    QString authorityCode; // Ente_codice_ASL
    bool privacy = false;  // Op_AbilPrivacy
};

inline const QString kChooseReport = QStringLiteral("ATTENZIONE ! Selezionare la stampa da effettuare!");
inline const QString kBadDates = QStringLiteral("ATTENZIONE! Ricontrollare le date !");
inline const QString kStartAfterEnd =
    QStringLiteral("ATTENZIONE! la data di inizio periodo non può essere maggiore della data di fine periodo.");
inline const QString kChooseAssignment =
    QStringLiteral("Specificare per quale tipo di assegnazione si vuole effettuare la ricerca");
inline const QString kSameYear = QStringLiteral("L'anno della data iniziale e di quella finale devono essere uguali.");
inline const QString kNoRegisterRows = QStringLiteral("Non esistono documenti protocollati nel periodo in esame.");
inline const QString kNoListRows = QStringLiteral("Nessun dato trovato");
inline const QString kMaskedSubject = QStringLiteral("*****");

// The checks that come before the transmission list's confirmation: the
// report chosen, real dates, the start not after the end. Empty when they pass.
std::optional<QString> checkRequest(const Criteria &c);
// The question asked before the transmission list is read.
QString transmissionQuestion(const Criteria &c);
// The checks after it: the assignment kind of the transmission list, one
// year for the register.
std::optional<QString> checkReport(const Criteria &c);

// The register's template and title: the monthly ones for authority "ARP",
// the annual ones for any other.
QString registerTemplate(const QString &authorityCode);
QString registerTitle(const QString &authorityCode);
// The period the register reads: the whole year of the dates.
QDate registerStart(const Criteria &c);
QDate registerEnd(const Criteria &c);

// The title printed for a request (the archived list names its period).
QString reportTitle(const Criteria &c, const Asker &a);
// The heading values of the template besides {{title}}: "heading" (the
// registers' heading line), "period", "filters".
QMap<QString, QString> headingValues(const Criteria &c, const Asker &a);

// The SQL text of a list (every report but the registers), for the generic
// server; its columns are those of info(report).columns.
QString listQuery(const Criteria &c, const Asker &a);

// The rows of a list as the template and the spreadsheet show them:
// protocol numbers "2024-0000001", dates day first, the movement times of
// the iter cut to "dd/mm/yyyy hh:mm".
QVector<ReportRow> listRows(Report report, const Funzioni_Com_1::LoadedRows &rows);

} // namespace nimbo::reports
