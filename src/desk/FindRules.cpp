#include "desk/FindRules.h"

#include <QRegularExpression>

#include "data/Funzioni_Com_1.h"

namespace nimbo::desk {

namespace F = Funzioni_Com_1;

std::optional<FindTarget> parseTarget(const QString &typed, int currentYear)
{
    QString text = typed.trimmed().toUpper();
    if (text.isEmpty() || text.size() > 40)
        return std::nullopt;
    FindTarget t;
    // An emergency register's key: year, T (a session) or C (a paper
    // register), the register's four characters and the progressive on
    // three digits; separators between the parts are allowed.
    static const QRegularExpression emergency(
        QStringLiteral(R"(^(\d{4})[ /-]?([TC])[ /-]?([A-Z0-9]{4})[ /-]?(\d{3})[ /|-]+(\d{1,7})$)"));
    if (const auto m = emergency.match(text); m.hasMatch()) {
        t.emergencyKey = m.captured(1) + m.captured(2) + m.captured(3) + m.captured(4);
        t.emergencyNumber = QStringLiteral("%1").arg(m.captured(5).toLongLong(), 7, 10, QLatin1Char('0'));
        if (t.emergencyNumber == QLatin1String("0000000"))
            return std::nullopt;
        return t;
    }
    static const QRegularExpression direction(QStringLiteral(R"(^([EU])\s*(\d.*)$)"));
    if (const auto m = direction.match(text); m.hasMatch()) {
        t.direction = m.captured(1);
        text = m.captured(2).trimmed();
    }
    static const QRegularExpression yearNumber(QStringLiteral(R"(^(\d{4})\s*[/-]\s*(\d{1,7})$)"));
    static const QRegularExpression stored(QStringLiteral(R"(^(\d{4})(\d{7})$)"));
    static const QRegularExpression bare(QStringLiteral(R"(^(\d{1,7})$)"));
    int year = 0;
    qlonglong number = 0;
    if (const auto m = yearNumber.match(text); m.hasMatch()) {
        year = m.captured(1).toInt();
        number = m.captured(2).toLongLong();
    } else if (const auto s = stored.match(text); s.hasMatch()) {
        year = s.captured(1).toInt();
        number = s.captured(2).toLongLong();
    } else if (const auto b = bare.match(text); b.hasMatch()) {
        year = currentYear;
        number = b.captured(1).toLongLong();
    } else {
        return std::nullopt;
    }
    if (year < 1900 || year > 9999 || number <= 0)
        return std::nullopt;
    t.number = QStringLiteral("%1%2").arg(year, 4, 10, QLatin1Char('0')).arg(number, 7, 10, QLatin1Char('0'));
    return t;
}

QString findQuery(const FindTarget &t, const protocol::Viewer &v)
{
    QString sql = QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p WHERE "
                                 "p.Tab_Ente = '%1'")
                      .arg(F::quote(v.ente));
    if (!t.number.isEmpty()) {
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = '%1'").arg(F::quote(t.number));
    } else {
        sql += QStringLiteral(" AND p.Tab_RegistroTemporaneo LIKE '%1%' AND p.Tab_ProtocolloTemporaneo LIKE '%2%'")
                   .arg(F::quote(t.emergencyKey), F::quote(t.emergencyNumber));
    }
    if (!t.direction.isEmpty())
        sql += QStringLiteral(" AND p.Tab_TipoProtocollo = '%1'").arg(F::quote(t.direction));
    return sql + QStringLiteral(" AND ") + protocol::scope::registrationSearch(v)
           + QStringLiteral(" ORDER BY p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo");
}

} // namespace nimbo::desk
