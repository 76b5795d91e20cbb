#include "deadlines/DeadlineExport.h"

#include <QSaveFile>
#include <algorithm>
#include <libical/ical.h>
#include <memory>

#include "classification/XlsxBook.h"

namespace nimbo::deadlines {

namespace {

lxw_datetime cellTime(const QDateTime &t)
{
    return {t.date().year(), t.date().month(), t.date().day(), t.time().hour(), t.time().minute(),
            double(t.time().second())};
}

} // namespace

QString writeSheet(const QString &path, const Sheet &sheet)
{
    xlsx::Book book(path);
    if (!book.get())
        return book.error();
    lxw_worksheet *ws = workbook_add_worksheet(book.get(), "Scadenze");
    const xlsx::ListFormats formats = xlsx::listFormats(book.get());
    lxw_format *bold = formats.bold, *title = formats.heading, *day = formats.day;
    lxw_format *moment = workbook_add_format(book.get());
    format_set_num_format(moment, "dd/mm/yyyy hh:mm");
    format_set_align(moment, LXW_ALIGN_LEFT);

    // Widths follow the titles and the longest text of each column (within
    // reason), so that nothing a clerk needs is cut when the file opens.
    QVector<int> widths(sheet.titles.size(), 0);
    for (int c = 0; c < sheet.titles.size(); ++c)
        widths[c] = int(sheet.titles[c].size());
    for (const auto &row : sheet.rows)
        for (int c = 0; c < std::min(int(row.size()), int(widths.size())); ++c)
            widths[c] = std::max(widths[c], row[c].typeId() == QMetaType::QString ? int(row[c].toString().size()) : 12);
    for (int c = 0; c < widths.size(); ++c)
        worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), std::clamp(widths[c] + 2, 8, 60), nullptr);

    xlsx::text(ws, 0, 0, sheet.heading, bold);
    for (int c = 0; c < sheet.titles.size(); ++c)
        xlsx::text(ws, 3, c, sheet.titles[c], title);
    int r = 4;
    for (const auto &cells : sheet.rows) {
        for (int c = 0; c < cells.size(); ++c) {
            const QVariant &v = cells[c];
            const lxw_row_t line = lxw_row_t(r);
            const lxw_col_t col = lxw_col_t(c);
            switch (v.typeId()) {
            case QMetaType::QDate:
                if (v.toDate().isValid()) {
                    lxw_datetime when = cellTime(v.toDate().startOfDay());
                    worksheet_write_datetime(ws, line, col, &when, day);
                }
                break;
            case QMetaType::QDateTime:
                if (v.toDateTime().isValid()) {
                    lxw_datetime when = cellTime(v.toDateTime());
                    worksheet_write_datetime(ws, line, col, &when, moment);
                }
                break;
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::Double:
                worksheet_write_number(ws, line, col, v.toDouble(), nullptr);
                break;
            default:
                xlsx::text(ws, r, c, v.toString());
            }
        }
        ++r;
    }
    if (!book.commit())
        return book.error();
    return {};
}

namespace {

struct ComponentDeleter {
    void operator()(icalcomponent *c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentDeleter>;

icaltimetype icalTime(const QDateTime &t, bool allDay)
{
    icaltimetype out = icaltime_null_time();
    out.year = t.date().year();
    out.month = t.date().month();
    out.day = t.date().day();
    if (allDay) {
        out.is_date = 1;
    } else {
        // Floating local time: the deadline is at that hour wherever the
        // calendar is read, as on the register.
        out.hour = t.time().hour();
        out.minute = t.time().minute();
        out.second = t.time().second();
    }
    return out;
}

} // namespace

QString writeCalendar(const QString &path, const QVector<CalendarEvent> &events)
{
    Component calendar(icalcomponent_new(ICAL_VCALENDAR_COMPONENT));
    icalcomponent_add_property(calendar.get(), icalproperty_new_prodid("-//Nimbo//Scadenzario Protocollo//IT"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(calendar.get(), icalproperty_new_calscale("GREGORIAN"));
    const icaltimetype stamp = icaltime_current_time_with_zone(icaltimezone_get_utc_timezone());
    for (const CalendarEvent &e : events) {
        if (!e.start.isValid())
            return QStringLiteral("data mancante per l'evento ") + e.uid;
        icalcomponent *event = icalcomponent_new(ICAL_VEVENT_COMPONENT);
        icalcomponent_add_property(event, icalproperty_new_uid(e.uid.toUtf8().constData()));
        icalcomponent_add_property(event, icalproperty_new_dtstamp(stamp));
        icalproperty *start = icalproperty_new_dtstart(icalTime(e.start, e.allDay));
        if (e.allDay)
            icalproperty_add_parameter(start, icalparameter_new_value(ICAL_VALUE_DATE));
        icalcomponent_add_property(event, start);
        icalcomponent_add_property(event, icalproperty_new_summary(e.summary.toUtf8().constData()));
        if (!e.description.isEmpty())
            icalcomponent_add_property(event, icalproperty_new_description(e.description.toUtf8().constData()));
        icalcomponent_add_component(calendar.get(), event);
    }
    char *text = icalcomponent_as_ical_string_r(calendar.get());
    if (!text)
        return QStringLiteral("impossibile comporre il calendario");
    const QByteArray bytes(text);
    icalmemory_free_buffer(text);

    // QSaveFile writes beside the target and renames at commit: a failure
    // leaves nothing half-written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return file.errorString();
    }
    if (!file.commit())
        return QStringLiteral("impossibile scrivere il file ") + path;
    return {};
}

} // namespace nimbo::deadlines
