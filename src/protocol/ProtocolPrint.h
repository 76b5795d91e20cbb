#pragma once
// The paper outputs of a registered protocol: the label (raw EPL2 commands
// on the label printer's port, or the label template on the "DYMO"
// printer), the receipt of registration (incoming protocols) and the stamp
// line for the serial stamping printer.
//
// Plain functions: the registration window collects the protocol's facts
// (it reads the department and office with readLabelOffice() and the town
// with receiptTownQuery()), calls the print action and shows the returned
// message, if any, with a critical icon. No failure here touches the
// protocol itself.

#include <QDate>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

#include "platform/ReportEngine.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::protocol {

inline const QString kLabelTemplate = QStringLiteral("EtichettaProtocollo.rpt");
inline const QString kReceiptTemplate = QStringLiteral("ricevutaprotocollo.rpt");
inline const QString kDymoPrinter = QStringLiteral("DYMO");
inline const QString kStampSettings = QStringLiteral("9600,n,8,1");
// Heading of the raw label: the regional authority the body belongs to.
inline const QString kLabelHeading = QStringLiteral("SERVIZIO SANITARIO REGIONALE");
// Characters of font 4 that fit between x = 40 and the frame's right edge.
constexpr int kLabelTextWidth = 29;

// What is printed about one protocol, as the window shows it.
struct ProtocolFacts {
    QString direction;      // "E" incoming, "U" outgoing
    QString number;         // "yyyynnnnnnn" or as shown "yyyy-nnnnnnn"; empty before registration
    QDate date;             // protocol date
    QString departmentCode;
    QString departmentName;
    QString officeCode;
    QString officeName;
    QString correspondent;  // description of the sender or recipient
    QString subject;
    bool cancelled = false; // printed again after its cancellation: marked "ANNULLATO"
};

// The operator side of a receipt.
struct ReceiptFacts {
    QString operatorCode;
    QString operatorName;
    QString town;           // town of the operator's office; empty when not found
};

// Settings the outputs depend on.
struct PrintSettings {
    QString labelPrinter;   // STAMPANTE-ETICHETTE: "DYMO" or a raw-command printer
    QString port;           // PORTA-COM: label device, and the stamping printer's serial port
    QString ausl;           // AUSL: the body's name
    QString reportFolder;   // REPORT: folder of the templates
    QString bodyCode;       // Ente_codice_ASL: "104" names offices "U. Operativa"

    // Taken from the session's configuration and body parameters.
    static PrintSettings fromSession();
    bool dymo() const { return labelPrinter.trimmed().compare(kDymoPrinter, Qt::CaseInsensitive) == 0; }
};

// Outcome of a print action. message is empty when there is nothing to show.
struct PrintOutcome {
    bool sent = false;      // something went to a printer, device or file
    QString message;
    bool failed() const { return !message.isEmpty(); }
};

// Writes raw lines to a device, each followed by CR LF: reply element 0 is 0
// on success, otherwise an error code with its text in element 1.
using RawLinePrinter = std::function<QVariantList(const QString &device, const QStringList &lines)>;
// The program's raw printer output.
RawLinePrinter defaultRawPrinter();

// The receipt is offered for incoming protocols only.
bool receiptOffered(const QString &direction);

// The 16 command lines of the raw label, 17 for a cancelled protocol (the line ends are the printer
// output's business).
QStringList labelLines(const ProtocolFacts &p, const PrintSettings &s, const QString &heading = kLabelHeading);
// The Tab_Report rows the two templates read.
ReportRow labelReportRow(const ProtocolFacts &p, const PrintSettings &s);
ReportRow receiptReportRow(const ProtocolFacts &p, const ReceiptFacts &r, const PrintSettings &s);
// The line for the stamping printer, ending with CR.
QString stampText(const ProtocolFacts &p, const PrintSettings &s);

// Department code, office code, department name, office description of the
// office that registered the protocol.
QString labelOfficeQuery(const QString &ente, const QString &direction, const QString &number);
// The label shows the department and office stored for the protocol, not
// what the window holds: fills them into *p from labelOfficeQuery() on the
// register. False, and *p untouched, when the register has no such
// protocol or its office is gone; then no label is printed.
bool readLabelOffice(ProtocolFacts *p, const QString &ente);
// The town of an office.
QString receiptTownQuery(const QString &ente, const QString &department, const QString &office);

// "ETICHETTA". Nothing is printed for a protocol without a number. The raw
// label goes to the PORTA-COM device through raw (the program's raw printer
// output when empty); a "DYMO" label rewrites Tab_Report in localDb and
// prints the label template on dymoTarget.
PrintOutcome printLabel(const ProtocolFacts &p, const PrintSettings &s, const QSqlDatabase &localDb,
                        const ReportTarget &dymoTarget = ReportTarget::printer(kDymoPrinter),
                        const RawLinePrinter &raw = {});
// "STAMPA". Nothing is printed for an outgoing or unnumbered protocol.
PrintOutcome printReceipt(const ProtocolFacts &p, const ReceiptFacts &r, const PrintSettings &s,
                          const QSqlDatabase &localDb, const ReportTarget &target = ReportTarget::printer());
// "Segnatura". Nothing is sent for a protocol without a number.
PrintOutcome printStamp(const ProtocolFacts &p, const PrintSettings &s);

} // namespace nimbo::protocol
