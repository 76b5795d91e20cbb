#include "desk/StartRules.h"

#include <QDateTime>

#include "data/Funzioni_Com_1.h"
#include "deadlines/DeadlineSearch.h"
#include "iter/TrayRules.h"
#include "protocol/ProtocolRules.h"

namespace nimbo::desk {

namespace F = Funzioni_Com_1;
namespace scope = protocol::scope;

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString subjectOf(const protocol::Viewer &v, const QVariant &subject, const QVariant &privacy)
{
    return scope::shownSubject(v, subject.toString().trimmed(), privacy.toString().trimmed(),
                               QString::fromLatin1(scope::kTrayMask));
}

// Rows of a query whose columns are direction, number, shown date, subject
// and privacy flag.
QVector<DeskRow> plainRows(const F::LoadedRows &r, const protocol::Viewer &v, bool time)
{
    QVector<DeskRow> out;
    for (int i = 0; i < r.rowCount(); ++i)
        out.append({r.value(0, i).toString().trimmed(), r.value(1, i).toString().trimmed(),
                    time ? r.value(2, i).toString().trimmed().left(5) : protocol::dateText(r.value(2, i)),
                    subjectOf(v, r.value(3, i), r.value(4, i))});
    return out;
}

} // namespace

QString todayQuery(Dialect::Engine e, const protocol::Viewer &v, const QDate &day, bool fewOfficeRows, int limit)
{
    // SQLite's statistics cannot tell an office with no registrations from
    // one with all of them: it is named the index to read, the office's own
    // rows when they are few, otherwise the day's rows newest first.
    QString from = QStringLiteral("Tab_Protocollo p");
    if (e == Dialect::Engine::SQLite)
        from += fewOfficeRows ? QStringLiteral(" INDEXED BY ix_tab_protocollo_5")
                              : QStringLiteral(" INDEXED BY ix_tab_protocollo_data_numero");
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_OraProtocollo, p.Tab_Oggetto, "
                          "p.Tab_SoggPrivacy FROM %1 WHERE p.Tab_Ente = '%2' AND p.Tab_DataProtocollo = %3 "
                          "AND p.Tab_SedeRicezione = '%4' AND p.Tab_UfficioRegistrazione = '%5' AND ")
               .arg(from, F::quote(v.ente), protocol::sqlDate(day), F::quote(v.department), F::quote(v.office))
           + scope::registrationSearch(v) + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC")
           + Dialect::limit(limit);
}

QString officeRowsQuery(const protocol::Viewer &v)
{
    return QStringLiteral("SELECT COUNT(*) FROM (SELECT 1 FROM Tab_Protocollo WHERE Tab_Ente = '%1' AND "
                          "Tab_SedeRicezione = '%2' AND Tab_UfficioRegistrazione = '%3'")
               .arg(F::quote(v.ente), F::quote(v.department), F::quote(v.office))
           + Dialect::limit(kFewOfficeRows + 1) + QStringLiteral(") o");
}

QString recentQuery(const protocol::Viewer &v, const QVector<ui::RecentProtocol> &recent)
{
    QStringList keys;
    for (const auto &r : recent)
        keys << QStringLiteral("(p.Tab_TipoProtocollo = '%1' AND p.Tab_NumeroProtocollo = '%2')")
                    .arg(F::quote(r.direction), F::quote(r.number));
    if (keys.isEmpty())
        keys << QString::fromLatin1(scope::kNothing);
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "p.Tab_SoggPrivacy FROM Tab_Protocollo p WHERE p.Tab_Ente = '%1' AND (")
               .arg(F::quote(v.ente))
           + keys.join(QStringLiteral(" OR ")) + QStringLiteral(") AND ") + scope::registrationSearch(v);
}

DeskLists readDesk(const protocol::Viewer &v)
{
    DeskLists out;
    const Dialect::Engine e = Dialect::centralTarget().engine;
    const auto read = [&](const QString &sql) {
        F::LoadedRows r = F::loadRows(kDb, sql);
        if (r.failed())
            out.failed = true;
        return r;
    };

    iter::TrayCriteria tray;
    tray.limit = kDeskRows;
    const F::LoadedRows t = read(iter::trayQuery(tray, v, iter::trayOffices(v)));
    for (int i = 0; i < t.rowCount(); ++i)
        out.tray.append({t.value(iter::TrDirection, i).toString().trimmed(),
                         t.value(iter::TrNumber, i).toString().trimmed(),
                         iter::serialText(t.value(iter::TrSerial, i).toString().trimmed()),
                         subjectOf(v, t.value(iter::TrSubject, i), t.value(iter::TrPrivacy, i))});

    // Overdue first (the oldest deadline first), then those due within the
    // next days.
    for (const auto kind : {deadlines::DeadlineCriteria::Kind::Overdue, deadlines::DeadlineCriteria::Kind::DueWithin}) {
        deadlines::DeadlineCriteria c;
        c.kind = kind;
        c.days = kDueDays;
        c.limit = kDeskRows;
        const F::LoadedRows d = read(deadlines::deadlineListQuery(c, v));
        const auto rows = deadlines::deadlineRows(d, v);
        for (const auto &r : rows) {
            if (out.deadlines.size() >= kDeskRows)
                break;
            out.deadlines.append({r.direction, r.number, r.deadline.date().toString(QStringLiteral("dd/MM/yyyy")),
                                  r.subject});
        }
    }

    // The server's today, read once: a clock function in the statement
    // would be called for every row it looks at.
    const QDate day = F::serverTime().date();
    bool few = true;
    if (e == Dialect::Engine::SQLite) {
        const F::LoadedRows n = read(officeRowsQuery(v));
        few = n.rowCount() > 0 && n.value(0, 0).toLongLong() <= kFewOfficeRows;
    }
    if (day.isValid())
        out.today = plainRows(read(todayQuery(e, v, day, few)), v, true);
    else
        out.failed = true;

    const auto recent = ui::recentProtocols(v.ente, v.operatorCode);
    if (!recent.isEmpty()) {
        const QVector<DeskRow> seen = plainRows(read(recentQuery(v, recent)), v, false);
        // In the order they were opened.
        for (const auto &r : recent)
            for (const DeskRow &s : seen)
                if (s.direction == r.direction && s.number == r.number)
                    out.recent.append(s);
    }
    return out;
}

} // namespace nimbo::desk
