#include "deadlines/ReminderRules.h"

#include <QRegularExpression>

#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {
namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString iso(const QDate &d) { return q(d.toString(Qt::ISODate)); }
QString shown(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("dd/MM/yyyy")) : QString(); }

// A date as either engine hands it back: a date on PostgreSQL, ISO text on SQLite.
QDate dateOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

} // namespace

// ---- reminders -------------------------------------------------------------

QString reminderListQuery(const QString &ente, const QString &number)
{
    return QStringLiteral("SELECT Tab_ProgrSollecito, Tab_DataSollecito, Tab_PersonaContattata, Tab_Risposta "
                          "FROM Tab_ProSolleciti WHERE Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND Tab_Protocollo = ") + q(number)
           + QStringLiteral(" ORDER BY Tab_DataSollecito, Tab_ProgrSollecito");
}

QString latestReminderQuery(const QString &ente, const QString &number, qlonglong changedId)
{
    QString sql = QStringLiteral("SELECT MAX(Tab_DataSollecito) FROM Tab_ProSolleciti WHERE Tab_Ente = ") + q(ente)
                  + QStringLiteral(" AND Tab_Protocollo = ") + q(number);
    if (changedId > 0)
        sql += QStringLiteral(" AND Tab_ProgrSollecito < ") + QString::number(changedId);
    return sql;
}

std::optional<Failure> checkReminder(const QDate &date, const QDate &today, const QDate &latest,
                                     const QString &person, const QString &answer)
{
    using namespace reminder;
    if (!date.isValid())
        return Failure{kDate, kNoDate};
    if (date > today)
        return Failure{kDate, kAfterToday};
    if (latest.isValid() && date < latest)
        return Failure{kDate, kBeforeLatest};
    if (person.trimmed().isEmpty())
        return Failure{kPerson, kNoPerson};
    if (answer.trimmed().isEmpty())
        return Failure{kAnswer, kNoAnswer};
    return std::nullopt;
}

QString reminderMailSubject(const QString &number, const QString &direction, const QDate &protocolDate)
{
    return QStringLiteral("Sollecito completamento pratica prot. N. ") + shownNumber(number) + QLatin1Char('-')
           + direction.trimmed() + QStringLiteral("  del ") + shown(protocolDate);
}

// ---- printed deadlines -------------------------------------------------------

QString printTitle(const QDate &from, const QDate &to, bool singleDay)
{
    const QString f = QStringLiteral("d/M/yyyy");
    if (singleDay)
        return QStringLiteral("Documenti in scadenza il ") + from.toString(f);
    return QStringLiteral("Documenti in scadenza dal giorno ") + from.toString(f) + QStringLiteral(" al giorno ")
           + to.toString(f);
}

QString printSubtitle(const QString &department, const QString &office)
{
    const auto part = [](const QString &s) { return s.trimmed().isEmpty() ? QStringLiteral("TUTTI") : s.trimmed(); };
    return QStringLiteral("UNITA' OPERATIVA: ") + part(department) + QStringLiteral(" - ") + part(office);
}

std::optional<QString> checkPrintDates(const QDate &from, const QDate &to, bool singleDay)
{
    if (!from.isValid() || (!singleDay && !to.isValid()))
        return QStringLiteral("Inserire una data corretta");
    if (!singleDay && to < from)
        return QStringLiteral("La data finale non può essere minore della data iniziale");
    return std::nullopt;
}

QVector<ReportRow> printRows(const QVector<DeadlineRow> &rows)
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
        row[6] = r.officeName.isEmpty() ? r.office : r.officeName;
        row[7] = shown(r.assigned);
        row[8] = QString::number(r.delayDays);
        row[9] = shown(r.lastReminder);
        row[10] = r.reminderPerson;
        row[11] = r.reminderAnswer;
        out.append(row);
    }
    return out;
}

// ---- activity agenda ------------------------------------------------------------

QString agendaProgressive(const QDateTime &serverNow)
{
    const QDate d = serverNow.date();
    const QString time = serverNow.time().toString(QStringLiteral("hh:mm:ss"));
    return QString::number(d.year()) + QString::number(d.month()) + QString::number(d.day()) + time.left(2)
           + time.mid(3, 2);
}

bool agendaTimeValid(const QString &time)
{
    if (time.trimmed().isEmpty())
        return true;
    static const QRegularExpression shape(QStringLiteral("^([01]\\d|2[0-3])\\.[0-5]\\d$"));
    return shape.match(time.trimmed()).hasMatch();
}

QString agendaListQuery(const QString &ente, const QDate &from, bool forCalendar)
{
    return QStringLiteral("SELECT Tab_DataOraRegistrazione, Tab_DataScadenza, Tab_Oggetto, Tab_Dipartimento, "
                          "Tab_Ufficio")
           + (forCalendar ? QStringLiteral(", Tab_OraScadenza, Tab_Annotazioni") : QString())
           + QStringLiteral(" FROM Tab_Scadenzario WHERE Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_DataScadenza >= ") + iso(from)
           + QStringLiteral(" ORDER BY Tab_DataScadenza, Tab_OraScadenza, Tab_DataOraRegistrazione");
}

QString agendaSameTimeQuery(const QString &ente, const QString &department, const QString &office,
                            const QDate &date, const QString &time, const QString &changedProgressive)
{
    QString sql = QStringLiteral("SELECT Tab_DataOraRegistrazione FROM Tab_Scadenzario WHERE Tab_Ente = ") + q(ente)
                  + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND Tab_Ufficio = ")
                  + q(office) + QStringLiteral(" AND Tab_DataScadenza = ") + iso(date)
                  + QStringLiteral(" AND COALESCE(Tab_OraScadenza, '') = ") + q(time.trimmed());
    if (!changedProgressive.isEmpty())
        sql += QStringLiteral(" AND Tab_DataOraRegistrazione <> ") + q(changedProgressive);
    return sql;
}

QString agendaKeyQuery(const QString &ente, const QString &department, const QString &office,
                       const QString &progressive)
{
    return QStringLiteral("SELECT Tab_DataScadenza FROM Tab_Scadenzario WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND Tab_Ufficio = ")
           + q(office) + QStringLiteral(" AND Tab_DataOraRegistrazione = ") + q(progressive);
}

QString agendaKeyTaken(const QString &progressive)
{
    return QStringLiteral("Il progressivo ") + progressive
           + QStringLiteral(" è già assegnato a un'altra scadenza dello stesso ufficio: registrazione non effettuata. "
                            "Attendere un minuto e premere NUOVO per ottenere un nuovo progressivo.");
}

QVector<CalendarEvent> agendaEvents(const F::LoadedRows &rows, const QString &ente)
{
    QVector<CalendarEvent> out;
    for (int i = 0; i < rows.rowCount(); ++i) {
        const auto txt = [&](int c) { return rows.value(c, i).toString().trimmed(); };
        const QDate day = dateOf(rows.value(1, i));
        if (!day.isValid())
            continue;
        CalendarEvent e;
        e.uid = QStringLiteral("agenda-%1-%2-%3-%4@nimbo").arg(ente.trimmed(), txt(3), txt(4), txt(0));
        const QString time = txt(5);
        e.allDay = time.isEmpty() || !agendaTimeValid(time);
        e.start = e.allDay ? day.startOfDay()
                           : QDateTime(day, QTime::fromString(time, QStringLiteral("hh.mm")));
        e.summary = txt(2);
        QStringList about;
        if (!txt(6).isEmpty())
            about << txt(6);
        about << QStringLiteral("Dipartimento %1, ufficio %2, progressivo %3").arg(txt(3), txt(4), txt(0));
        e.description = about.join(QLatin1Char('\n'));
        out.append(e);
    }
    return out;
}

} // namespace nimbo::deadlines
