#include "deadlines/PostponeRules.h"

#include "protocol/ProtocolRules.h"
#include "servers/DeadlineRequests.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines
{

namespace
{

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

} // namespace

std::optional<PostponeFailure> postponeFailure(const PostponeForm &f, const QDate &today)
{
    const QDate wanted = protocol::shownDate(f.newDate.trimmed());
    if (!wanted.isValid())
        return PostponeFailure{kBadDate, "TxtNuovaScad"};
    if (!f.current.isValid() && wanted <= today)
        return PostponeFailure{postpone::kNotLaterThanToday, "TxtNuovaScad"};
    if (f.current.isValid() && wanted <= f.current)
        return PostponeFailure{postpone::kNotLaterThanCurrent, "TxtNuovaScad"};
    if (f.reason.trimmed().isEmpty())
        return PostponeFailure{kNoReason, "TxtMotivo"};
    if (f.official.trimmed().isEmpty())
        return PostponeFailure{kNoOfficial, "TxtFunzionario"};
    return std::nullopt;
}

QString deadlineInForceQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT COALESCE((SELECT s.Tab_DataScadenza FROM Tab_ProScadenza s WHERE s.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND s.Tab_Protocollo = ") + q(number)
           + QStringLiteral(" ORDER BY s.Tab_ProgrScadenze DESC LIMIT 1), (SELECT d.Tab_DataEvasione FROM "
                            "Tab_Iter_Documento d WHERE d.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND d.Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND d.Tab_NumeroProtocollo = ") + q(number)
           + QStringLiteral(" AND d.Tab_TipoMovimento = 4 ORDER BY d.Tab_DataSerialeMov DESC LIMIT 1))");
}

QString historyQuery(const QString &ente, const QString &number)
{
    return QStringLiteral("SELECT Tab_flagRinvio, Tab_DataOperazione, Tab_DataScadenza, Tab_FunzionarioAutorizzante, "
                          "Tab_EstremiAutorizzazione, Tab_Note_Scadenza, Tab_Operatore, Tab_ProgrScadenze FROM "
                          "Tab_ProScadenza WHERE Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND Tab_Protocollo = ") + q(number)
           + QStringLiteral(" ORDER BY Tab_flagRinvio, Tab_DataScadenza, Tab_ProgrScadenze");
}

QString operationText(int flag, int postponement)
{
    if (flag == 0)
        return kInitialDeadline;
    return QString::number(postponement) + QStringLiteral("° Rinvio");
}

F::Columns historyRows(const F::LoadedRows &r)
{
    F::Columns shown(kShownFlag + 1);
    // ISO text: the list shows it day first and sorts it by date.
    const auto day = [](const QVariant &v) {
        const QDate d = protocol::shownDate(protocol::dateText(v));
        return d.isValid() ? d.toString(Qt::ISODate) : QString();
    };
    int postponements = 0;
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const int flag = r.value(HFlag, i).toInt();
        if (flag != 0)
            ++postponements;
        const auto text = [&](int c) { return r.value(c, i).toString().trimmed(); };
        shown[0] << operationText(flag, postponements);
        shown[1] << day(r.value(HOperationDate, i));
        shown[2] << day(r.value(HDeadline, i));
        shown[3] << text(HOfficial);
        shown[4] << text(HReference);
        shown[5] << text(HNotes);
        shown[6] << text(HOperator);
        shown[7] << r.value(HId, i).toLongLong();
        shown[kShownFlag] << flag;
    }
    return shown;
}

std::optional<QString> removalFailure(const LastRow &last, const QString &operatorCode, int level)
{
    if (!last.exists || last.flag == 0)
        return postpone::kNothingToRemove;
    if (last.insertedBy.trimmed() != operatorCode.trimmed() && level != postpone::kManagerLevel)
        return postpone::kNotYours;
    return std::nullopt;
}

} // namespace nimbo::deadlines
