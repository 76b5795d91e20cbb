#include "deadlines/OverviewRules.h"

#include "data/Dialect.h"
#include "search/GeneralSearch.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines::overview {

using protocol::Viewer;

const char *const kCaption = "Scadenzario Pratiche";
const char *const kReservedImages =
    "Documento riservato. L'utente non ha le autorizzazioni necessarie per la sua consultazione.";
const char *const kMailMissing = "Contattare l'esperto della procedura!!! ";
const char *const kNoFileName = "Per completare l'operazione è necessario specificare il nome del file";
const char *const kSheetDone = "Generazione del file EXCEL completata.";
const char *const kPrintFailure = "Contattare Esperto Procedura. Errore nella predisposizione del file di stampa.";

const char *const kListTitles = "Data Scadenza;Tipo;N° Protocollo;Data Protocollo;Oggetto;Mittente/Destinatario;"
                                "Ufficio Competente;Data Assegnazione;Ritardo;Seriale;Ufficio;Indirizzo";
const char *const kListWidths = "10;4;12;10;50;14;12;10;6;0;0;10";
const char *const kOtherTitles = "Tipo;N° Protocollo;Data Protocollo;Oggetto;Stato";
const char *const kOtherWidths = "4;12;10;60;10";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString iso(const QDate &d) { return d.isValid() ? d.toString(Qt::ISODate) : QString(); }
QString shown(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString(); }
QVariant dateCell(const QDate &d) { return d.isValid() ? QVariant(d) : QVariant(QString()); }

} // namespace

F::Columns listRows(const QVector<DeadlineRow> &rows)
{
    F::Columns out(ColIndex + 1);
    for (int i = 0; i < rows.size(); ++i) {
        const DeadlineRow &r = rows.at(i);
        out[ColDeadline].append(iso(r.deadline.date()));
        out[ColDirection].append(r.direction);
        out[ColNumber].append(shownNumber(r.number));
        out[ColProtocolDate].append(iso(r.protocolDate));
        out[ColSubject].append(r.subject);
        out[ColCorrespondent].append(r.correspondent);
        out[ColOffice].append(r.officeName);
        out[ColAssigned].append(iso(r.assigned));
        out[ColDelay].append(r.delayDays);
        out[ColSerial].append(r.serial);
        out[ColOfficeCode].append(r.office);
        out[ColAddress].append(r.address);
        out[ColKey].append(r.number);
        out[ColIndex].append(i);
    }
    return out;
}

QString countText(qlonglong found)
{
    return QStringLiteral("Sono stati trovati N. ") + QString::number(found) + QStringLiteral(" Protocolli");
}

QString cutText(int limit)
{
    return QStringLiteral("Sono visualizzati i primi ") + QString::number(limit)
           + QStringLiteral(" protocolli: per vederne altri restringere i criteri di ricerca.");
}

QString searchTitle(const DeadlineCriteria &c, const QDate &today)
{
    if (c.kind == DeadlineCriteria::Kind::Overdue)
        return QStringLiteral("Documenti non ancora evasi alla data del ") + shown(today);
    return QStringLiteral("Documenti in scadenza nei ") + QString::number(c.days)
           + QStringLiteral(" giorni successivi alla data del ") + shown(today);
}

Sheet overviewSheet(const DeadlineCriteria &c, const QDate &today, const QVector<DeadlineRow> &rows)
{
    Sheet s;
    s.heading = searchTitle(c, today);
    s.titles = {QStringLiteral("Tipo"),          QStringLiteral("N. Protocollo"),
                QStringLiteral("Data Protocollo"), QStringLiteral("Oggetto"),
                QStringLiteral("Mittente/Destinatario"), QStringLiteral("Indirizzo Mittente/Destinatario"),
                QStringLiteral("Data Scadenza")};
    for (const DeadlineRow &r : rows)
        s.rows.append({r.direction, shownNumber(r.number), dateCell(r.protocolDate), r.subject, r.correspondent,
                       r.address, dateCell(r.deadline.date())});
    return s;
}

QVector<ReportRow> reportRows(const QVector<DeadlineRow> &rows)
{
    QVector<ReportRow> out;
    out.reserve(rows.size());
    for (const DeadlineRow &r : rows) {
        ReportRow row(kReportColumns);
        row[0] = shown(r.deadline.date());
        row[1] = r.direction;
        row[2] = shownNumber(r.number);
        row[3] = shown(r.protocolDate);
        row[4] = r.subject;
        row[5] = r.correspondent;
        row[6] = r.officeName;
        row[7] = shown(r.assigned);
        row[8] = QString::number(r.delayDays);
        row[9] = r.address;
        if (r.lastReminder.isValid())
            row[10] = shown(r.lastReminder)
                      + (r.reminderPerson.isEmpty() ? QString() : QStringLiteral(" - ") + r.reminderPerson);
        out.append(row);
    }
    return out;
}

QVector<CalendarEvent> calendarEvents(const QString &ente, const QVector<DeadlineRow> &rows)
{
    QVector<CalendarEvent> out;
    out.reserve(rows.size());
    for (const DeadlineRow &r : rows) {
        CalendarEvent e;
        e.uid = QStringLiteral("scadenza-%1-%2%3-%4-%5@nimbo")
                    .arg(ente.trimmed(), r.direction, r.number, r.serial, r.office.trimmed());
        // A deadline set as a day is the whole day; one with a time is that moment.
        e.start = r.deadline;
        e.allDay = r.deadline.time() == QTime(0, 0);
        e.summary = QStringLiteral("Scadenza prot. N. ") + shownNumber(r.number) + QStringLiteral(" - ") + r.subject;
        QStringList lines{QStringLiteral("Ufficio competente: ") + r.officeName};
        // The correspondent of a masked protocol does not travel outside the program.
        if (!r.reserved && !r.correspondent.isEmpty())
            lines << QStringLiteral("Mittente/Destinatario: ") + r.correspondent;
        if (r.assigned.isValid())
            lines << QStringLiteral("Data assegnazione: ") + shown(r.assigned);
        e.description = lines.join(QLatin1Char('\n'));
        out.append(e);
    }
    return out;
}

QString reminderSubject(const QString &number, const QString &direction, const QDate &protocolDate)
{
    return QStringLiteral("Sollecito completamento pratica prot. N. ") + shownNumber(number) + QLatin1Char('-')
           + direction + QStringLiteral("  del ") + shown(protocolDate);
}

QString assignmentNotesQuery(const QString &ente, const QString &direction, const QString &number,
                             const QString &serial)
{
    return QStringLiteral("SELECT d.Tab_Annotazioni FROM Tab_Iter_Documento d WHERE d.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND d.Tab_TipoProtocollo = ") + q(direction) + QStringLiteral(" AND d.Tab_NumeroProtocollo = ")
           + q(number) + QStringLiteral(" AND d.Tab_DataSerialeMov = ") + q(serial)
           + QStringLiteral(" AND d.Tab_TipoMovimento = 4");
}

QString otherDocumentsQuery(const Viewer &v, const QString &correspondentId, int limit)
{
    bool numeric = false;
    const qlonglong id = correspondentId.trimmed().toLongLong(&numeric);
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "p.Tab_SoggPrivacy, p.Tab_StatoProtocollo FROM Tab_Protocollo p WHERE p.Tab_Ente = ")
           + q(v.ente) + QStringLiteral(" AND p.Tab_Intestatario = ")
           + (numeric ? QString::number(id) : QStringLiteral("NULL")) + QStringLiteral(" AND ")
           + protocol::scope::generalSearch(v, QStringLiteral("p"))
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC") + Dialect::limit(limit + 1);
}

F::Columns otherDocumentRows(const F::LoadedRows &r, const Viewer &v)
{
    F::Columns out(6);
    for (int i = 0; i < r.rowCount(); ++i) {
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        const bool masked = search::masked(v, txt(4));
        out[0].append(txt(0));
        out[1].append(shownNumber(txt(1)));
        out[2].append(iso(QDate::fromString(txt(2).left(10), Qt::ISODate)));
        out[3].append(masked ? QString::fromLatin1(protocol::scope::kDeadlineMask) : txt(3));
        out[4].append(txt(5) == QLatin1String("C") ? QStringLiteral("ANNULLATO") : QStringLiteral("ATTIVO"));
        out[5].append(txt(1));
    }
    return out;
}

QString addressesQuery(const QString &ente, const QStringList &ids)
{
    QStringList numbers;
    for (const QString &id : ids) {
        bool ok = false;
        const qlonglong n = id.trimmed().toLongLong(&ok);
        if (ok && !numbers.contains(QString::number(n)))
            numbers << QString::number(n);
    }
    if (numbers.isEmpty())
        numbers << QStringLiteral("NULL");
    return QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Domicilio, r.Tab_NumeroCivico, cm.com_cap, cm.com_Comune "
                          "FROM Tab_Rubrica r LEFT JOIN Tab_Comuni cm ON cm.Com_Codcom = r.Tab_ComuneUbicazione "
                          "WHERE r.Tab_EnteRubrica = ")
           + q(ente) + QStringLiteral(" AND r.Tab_Identificativo IN (") + numbers.join(QLatin1Char(','))
           + QLatin1Char(')');
}

QString addressText(const QString &street, const QString &number, const QString &postcode, const QString &town)
{
    QString out = street.trimmed();
    if (!number.trimmed().isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(", ")) + number.trimmed();
    if (!postcode.trimmed().isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(" - ")) + postcode.trimmed();
    if (!town.trimmed().isEmpty())
        out += (out.isEmpty() ? QString() : postcode.trimmed().isEmpty() ? QStringLiteral(" - ") : QStringLiteral("   "))
               + town.trimmed();
    return out;
}

QString bodyNameQuery(const QString &ente)
{
    return QStringLiteral("SELECT Ente_Denominazione FROM Tab_Enti WHERE Ente_Codice = ") + q(ente);
}

} // namespace nimbo::deadlines::overview
