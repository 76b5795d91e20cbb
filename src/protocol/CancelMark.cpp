#include "protocol/CancelMark.h"

#include "data/Funzioni_Com_1.h"
#include "protocol/ProtocolRules.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol::cancelled {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString joined(const QString &code, const QString &text)
{
    if (text.isEmpty())
        return code;
    return code.isEmpty() ? text : code + QStringLiteral(" - ") + text;
}

} // namespace

bool isCancelled(const QVariant &state) { return state.toString().trimmed().toUpper() == QLatin1String("C"); }

QString stateText(const QString &state) { return isCancelled(state) ? kMark : QStringLiteral("Attivo"); }

QString actText(const QString &type, const QString &number, const QVariant &date)
{
    const QString t = type.trimmed(), n = number.trimmed(), d = dateText(date);
    if (t.isEmpty() && n.isEmpty() && d.isEmpty())
        return {};
    QString out = t;
    if (!n.isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("N. ") + n;
    if (!d.isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(" ")) + QStringLiteral("del ") + d;
    return out;
}

QString detailsQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_DataCancellazione, p.Tab_CodiceOpeCanc, o.Op_Cognome, o.Op_Nome, "
                          "p.Tab_MotivoCancellazione, m.Tab_Descrizione, p.Tab_NoteCancellazione, "
                          "p.Tab_TipoProvvCancellazione, p.Tab_NumeroProvvCancellazione, p.Tab_DataProvvCancellazione "
                          "FROM Tab_Protocollo p LEFT JOIN Tab_Operatori o ON o.Op_Codice_Operatore = p.Tab_CodiceOpeCanc "
                          "LEFT JOIN Tab_Motivo_Cancella m ON m.Tab_Codice = p.Tab_MotivoCancellazione "
                          "WHERE p.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(number);
}

std::optional<Details> readDetails(const QString &ente, const QString &direction, const QString &number)
{
    const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"), detailsQuery(ente, direction, number));
    if (!row)
        return std::nullopt;
    const auto text = [&](int c) { return row->value(c).toString().trimmed(); };
    Details d;
    d.date = dateText(row->value(0));
    d.operatorText = joined(text(1), (text(2) + QLatin1Char(' ') + text(3)).trimmed());
    d.reasonText = joined(text(4), text(5));
    d.notes = text(6);
    d.actText = actText(text(7), text(8), row->value(9));
    return d;
}

} // namespace nimbo::protocol::cancelled
