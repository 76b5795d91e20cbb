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

QString todayQuery(Dialect::Engine e, const protocol::Viewer &v, int limit)
{
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_OraProtocollo, p.Tab_Oggetto, "
                          "p.Tab_SoggPrivacy FROM Tab_Protocollo p WHERE p.Tab_Ente = '%1' AND p.Tab_DataProtocollo = %2 "
                          "AND p.Tab_SedeRicezione = '%3' AND p.Tab_UfficioRegistrazione = '%4' AND ")
               .arg(F::quote(v.ente), Dialect::addDays(e, QStringLiteral("NOW()"), 0), F::quote(v.department),
                    F::quote(v.office))
           + scope::registrationSearch(v) + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC, p.Tab_TipoProtocollo")
           + Dialect::limit(limit);
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

    out.today = plainRows(read(todayQuery(e, v)), v, true);

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
