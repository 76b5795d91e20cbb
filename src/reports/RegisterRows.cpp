#include "reports/RegisterRows.h"

#include "data/Funzioni_Com_1.h"
#include "data/ServerRegistry.h"
#include "platform/Busy.h"
#include "servers/AnnualRegister.h"
#include "session/DicAmbiente.h"

namespace nimbo::reports {

namespace {

RegisterOutcome call(short operation, const QString &ente, const QDate &from, const QDate &to)
{
    RegisterOutcome out;
    QVariantList reply;
    {
        busy::Guard guard;
        busy::setWaitText(kRegisterWait);
        busy::setRequestTitle(kRegisterRequestTitle);
        ServerHolder holder;
        QString why;
        const bool created = createServer(holder, DicAmbiente::session().cfg.oleGp, &why);
        if (created) {
            QVariantList params{ente, from, to, DicAmbiente::session().op.code};
            reply = holder.object->Elabora(operation, params);
        }
        holder.release();
        busy::setWaitText(QString());
        busy::setRequestTitle(QString());
        if (!created) {
            out.kind = RegisterOutcome::NoServer;
            out.message = why;
            return out;
        }
    }
    const QString status = reply.value(0).toString().trimmed();
    if (status == QLatin1String("0")) {
        out.kind = RegisterOutcome::Ok;
        out.rows = registerReportRows(reply.value(2));
        if (out.rows.isEmpty())
            out.kind = RegisterOutcome::NoRows;
    } else if (status == QString::number(Funzioni_Com_1::kStatusNoRows)) {
        out.kind = RegisterOutcome::NoRows;
    } else if (status == QLatin1String("991")) {
        out.kind = RegisterOutcome::Refused;
        out.message = reply.value(1).toString();
    } else {
        out.kind = RegisterOutcome::ServerError;
        out.message = reply.value(1).toString() + QStringLiteral("  (Err.Num=") + status + QLatin1Char(')');
    }
    return out;
}

} // namespace

QVector<ReportRow> registerReportRows(const QVariant &columns)
{
    const QVariantList cols = columns.toList();
    QVector<ReportRow> rows;
    if (cols.isEmpty())
        return rows;
    const int count = int(cols.first().toList().size());
    rows.reserve(count);
    QVector<QVariantList> lists;
    for (const QVariant &c : cols)
        lists << c.toList();
    for (int r = 0; r < count; ++r) {
        ReportRow row;
        for (int c = 0; c < lists.size() && c < kReportColumns; ++c)
            row << lists[c].value(r).toString();
        rows << row;
    }
    return rows;
}

RegisterOutcome annualRegister(const QString &ente, const QDate &from, const QDate &to)
{
    return call(kOpRegistroProtocolli, ente, from, to);
}

RegisterOutcome chronologicalRegister(const QString &ente, const QDate &from, const QDate &to)
{
    // The same rows, in the order of the general register's template
    // (number, direction, date, time, then as read).
    RegisterOutcome out = call(kOpRegistroProtocolli, ente, from, to);
    for (ReportRow &row : out.rows) {
        if (row.size() <= registerrows::Direction)
            continue;
        const QString direction = row.at(registerrows::Direction);
        row.remove(registerrows::Direction);
        row.insert(registerrows::Number + 1, direction);
    }
    return out;
}

} // namespace nimbo::reports
