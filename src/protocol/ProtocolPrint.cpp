#include "protocol/ProtocolPrint.h"

#include "data/Funzioni_Com_1.h"
#include "data/PrtLibrary.h"
#include "protocol/CancelMark.h"
#include "platform/SerialPrinter.h"
#include "session/DicAmbiente.h"

namespace nimbo::protocol {

namespace {

QString sqlText(const QString &value)
{
    QString v = value;
    v.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

// A text command of the label: fixed font 4, no rotation, normal print.
// Quotes and backslashes inside the text are escaped the way the printer
// language expects, so a subject or office with a quote cannot break the
// command; the text is cut to what fits inside the frame.
QString labelText(int x, int y, const QString &text)
{
    QString t = text.left(kLabelTextWidth);
    t.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    t.replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QStringLiteral("A%1,%2,0,4,1,1,N, \"%3\"").arg(x).arg(y).arg(t);
}

QString orCode(const QString &name, const QString &code)
{
    return name.trimmed().isEmpty() ? code.trimmed() : name.trimmed();
}

QString codeDash(const QString &code, const QString &name)
{
    return code.trimmed() + QLatin1Char('-') + name.trimmed();
}

QMap<QString, QString> commonValues(const ProtocolFacts &p, const PrintSettings &s)
{
    // Italian-style date and the number as shown, for the templates: the
    // table rows keep the column formats other readers expect.
    return {
        {QStringLiteral("ente"), s.ausl.trimmed()},
        {QStringLiteral("numeroProtocollo"), shownNumber(p.number)},
        {QStringLiteral("dataProtocollo"), p.date.toString(QStringLiteral("dd/MM/yyyy"))},
        {QStringLiteral("annullato"), p.cancelled ? cancelled::kMark : QString()},
    };
}

PrintOutcome engineOutcome(ReportEngine &engine, bool ok)
{
    if (ok)
        return {true, {}};
    return {false, engine.lastErrorText()};
}

} // namespace

PrintSettings PrintSettings::fromSession()
{
    const auto &ses = DicAmbiente::session();
    PrintSettings s;
    s.labelPrinter = ses.cfg.stampanteEtichette;
    s.port = ses.cfg.portaCom;
    s.ausl = ses.cfg.ausl;
    s.reportFolder = ses.cfg.report;
    s.bodyCode = ses.parm.enteCodiceAsl;
    return s;
}

RawLinePrinter defaultRawPrinter()
{
    return PrtLibrary::printLines;
}

bool receiptOffered(const QString &direction)
{
    return direction.trimmed().compare(QLatin1String("E"), Qt::CaseInsensitive) == 0;
}

QStringList labelLines(const ProtocolFacts &p, const PrintSettings &s, const QString &heading)
{
    const QString office = (s.bodyCode.trimmed() == QLatin1String("104") ? QStringLiteral("U. Operativa: ")
                                                                         : QStringLiteral("Ufficio: "))
                           + orCode(p.officeName, p.officeCode);
    QStringList lines{
        QStringLiteral("ZB"),
        QStringLiteral("JB"),
        QStringLiteral("N"),
        QStringLiteral("D10"),
        QStringLiteral("X24,16,4,448,248"),
        QStringLiteral("X24,16,4,448,248"),
        QStringLiteral("X24,16,4,448,248"),
        labelText(40, 44, heading.trimmed().toUpper()),
        labelText(40, 80, s.ausl.trimmed().toUpper()),
        labelText(40, 44, QStringLiteral("N. PROT.")),
        labelText(40, 44, QStringLiteral("Data di Registrazione")),
        labelText(40, 44, shownNumber(p.number)),
        labelText(40, 78, p.date.toString(QStringLiteral("dd-MM-yyyy"))),
        labelText(40, 128, QStringLiteral("Dipartimento: ") + orCode(p.departmentName, p.departmentCode)),
        labelText(40, 168, office),
        QStringLiteral("P1"),
    };
    // A label printed again for a cancelled protocol must not pass for a
    // valid registration.
    if (p.cancelled)
        lines.insert(lines.size() - 1, labelText(40, 208, QStringLiteral("*** ") + cancelled::kMark + QStringLiteral(" ***")));
    return lines;
}

ReportRow labelReportRow(const ProtocolFacts &p, const PrintSettings &s)
{
    return {
        s.ausl.trimmed(),
        shownNumber(p.number),
        p.date.toString(QStringLiteral("MM-dd-yyyy")),
        codeDash(p.departmentCode, p.departmentName),
        codeDash(p.officeCode, p.officeName),
    };
}

ReportRow receiptReportRow(const ProtocolFacts &p, const ReceiptFacts &r, const PrintSettings &s)
{
    ReportRow row(kReportColumns);
    row[0] = p.date.toString(QStringLiteral("MM/dd/yyyy"));
    row[1] = shownNumber(p.number);
    row[2] = p.correspondent.trimmed();
    row[3] = p.subject.trimmed();
    row[4] = r.operatorCode.trimmed() + QStringLiteral(" - ") + r.operatorName.trimmed();
    row[5] = p.departmentName.trimmed();
    row[6] = p.officeName.trimmed();
    row[7] = r.town.trimmed();
    row[19] = s.ausl.trimmed();
    return row;
}

QString stampText(const ProtocolFacts &p, const PrintSettings &s)
{
    return s.ausl.trimmed().toUpper() + QStringLiteral(" - ") + QStringLiteral("PROTOCOLLO N. ")
           + storedNumber(p.number).mid(4) + QStringLiteral(" DEL ") + p.date.toString(QStringLiteral("dd/MM/yyyy"))
           + QLatin1Char('\r');
}

QString labelOfficeQuery(const QString &ente, const QString &direction, const QString &number)
{
    // The direction is part of the protocol key; without it an incoming and
    // an outgoing protocol with the same number could give each other's office.
    QString sql = QStringLiteral(
                      "SELECT Tab_Uffici.Tab_Dipartimento, Tab_Uffici.Tab_Ufficio, "
                      "Tab_Dipartimenti.Dipa_Denominazione, Tab_Uffici.Tab_Descrizione "
                      "FROM (Tab_Protocollo INNER JOIN Tab_Uffici ON Tab_Protocollo.Tab_Ente = Tab_Uffici.Tab_Ente "
                      "AND Tab_Protocollo.Tab_UfficioRegistrazione = Tab_Uffici.Tab_Ufficio "
                      "AND Tab_Protocollo.Tab_SedeRicezione = Tab_Uffici.Tab_Dipartimento) "
                      "INNER JOIN Tab_Dipartimenti ON Tab_Uffici.Tab_Ente = Tab_Dipartimenti.Dipa_CodiceEnte "
                      "AND Tab_Uffici.Tab_Dipartimento = Tab_Dipartimenti.Dipa_CodDipartimento "
                      "WHERE Tab_Protocollo.Tab_Ente = %1 AND Tab_Protocollo.Tab_NumeroProtocollo = %2")
                      .arg(sqlText(ente), sqlText(storedNumber(number)));
    if (!direction.trimmed().isEmpty())
        sql += QStringLiteral(" AND Tab_Protocollo.Tab_TipoProtocollo = %1").arg(sqlText(direction.trimmed()));
    return sql;
}

bool readLabelOffice(ProtocolFacts *p, const QString &ente)
{
    if (storedNumber(p->number).isEmpty())
        return false;
    const auto row = Funzioni_Com_1::Caricadati(QStringLiteral("PROTOCOLLO"),
                                                labelOfficeQuery(ente, p->direction, p->number));
    if (!row)
        return false;
    p->departmentCode = row->value(0).toString().trimmed();
    p->officeCode = row->value(1).toString().trimmed();
    p->departmentName = row->value(2).toString().trimmed();
    p->officeName = row->value(3).toString().trimmed();
    return true;
}

QString receiptTownQuery(const QString &ente, const QString &department, const QString &office)
{
    return QStringLiteral("SELECT Tab_Comuni.Com_Comune FROM Tab_Uffici INNER JOIN Tab_Comuni "
                          "ON Tab_Uffici.Tab_Comune = Tab_Comuni.Com_Codcom "
                          "WHERE Tab_Uffici.Tab_Ente = %1 AND Tab_Uffici.Tab_Dipartimento = %2 "
                          "AND Tab_Uffici.Tab_Ufficio = %3")
        .arg(sqlText(ente), sqlText(department), sqlText(office));
}

PrintOutcome printLabel(const ProtocolFacts &p, const PrintSettings &s, const QSqlDatabase &localDb,
                        const ReportTarget &dymoTarget, const RawLinePrinter &raw)
{
    if (storedNumber(p.number).isEmpty())
        return {};

    if (!s.dymo()) {
        const RawLinePrinter &out = raw ? raw : defaultRawPrinter();
        const QVariantList rc = out(s.port.trimmed(), labelLines(p, s));
        const int code = rc.isEmpty() ? -1 : rc.at(0).toInt();
        if (code != 0) {
            return {false, QStringLiteral("Errore nella stampa dell'etichetta. RC: ") + QString::number(code)
                               + QStringLiteral(" - ") + (rc.size() > 1 ? rc.at(1).toString() : QString())};
        }
        return {true, {}};
    }

    if (!replaceReportRows(localDb, {labelReportRow(p, s)}))
        return {false, QStringLiteral("ATTENZIONE ! Errore in Stampa Etichetta Protocollo ")};
    ReportEngine engine(s.reportFolder);
    ReportRequest req;
    req.templateName = kLabelTemplate;
    req.title = QStringLiteral("Etichetta Protocollo ") + shownNumber(p.number);
    req.values = commonValues(p, s);
    return engineOutcome(engine, engine.print(req, localDb, dymoTarget));
}

PrintOutcome printReceipt(const ProtocolFacts &p, const ReceiptFacts &r, const PrintSettings &s,
                          const QSqlDatabase &localDb, const ReportTarget &target)
{
    if (!receiptOffered(p.direction) || storedNumber(p.number).isEmpty())
        return {};
    if (!replaceReportRows(localDb, {receiptReportRow(p, r, s)}))
        return {false, QStringLiteral("ATTENZIONE ! Errore in Stampa Ricevuta Protocollazione ")};
    ReportEngine engine(s.reportFolder);
    ReportRequest req;
    req.templateName = kReceiptTemplate;
    req.title = QStringLiteral("Ricevuta di Protocollazione ") + shownNumber(p.number);
    req.values = commonValues(p, s);
    return engineOutcome(engine, engine.print(req, localDb, target));
}

PrintOutcome printStamp(const ProtocolFacts &p, const PrintSettings &s)
{
    if (storedNumber(p.number).isEmpty())
        return {};
    const SerialResult rc = sendSerial(s.port, kStampSettings, stampText(p, s).toLatin1());
    if (!rc.ok())
        return {false, rc.text};
    return {true, {}};
}

} // namespace nimbo::protocol
