#include "servers/ManualRequests.h"

#include <QRegularExpression>

#include "schema/ManualGuards.h"

namespace nimbo {

QString paperRegisterKey(const QString &year, const QString &id, int progressive)
{
    return year.trimmed() + kPaperRegisterType + id.trimmed().toUpper()
           + QStringLiteral("%1").arg(progressive, 3, 10, QLatin1Char('0'));
}

QString paperNumberText(qlonglong number, const QDate &day)
{
    return QStringLiteral("%1").arg(number, 7, 10, QLatin1Char('0')) + QLatin1Char('|')
           + day.toString(QStringLiteral("dd/MM/yyyy"));
}

std::optional<PaperRegistration> PaperRegistration::read(const QString &ente, const QString &registerKey,
                                                         const QString &numberText, QString *why)
{
    const QString reg = registerKey.trimmed();
    if (reg.mid(4, 1) != kPaperRegisterType)
        return std::nullopt;
    PaperRegistration p;
    p.ente = ente;
    p.fromRegister = reg;
    p.fromNumber = numberText.trimmed();
    static const QRegularExpression regShape(QStringLiteral("^(\\d{4})C([A-Z0-9]{4})(\\d{3})$"));
    const auto r = regShape.match(reg);
    if (!r.hasMatch()) {
        *why = QStringLiteral("Registro cartaceo (Tab_RegistroTemporaneo) non valido: ") + reg
               + QStringLiteral(" (atteso anno, C, codice di 4 caratteri e progressivo di 3 cifre, come 2026CAB01001).");
        return p;
    }
    p.year = r.captured(1);
    p.id = r.captured(2);
    p.progressive = r.captured(3).toInt();
    static const QRegularExpression numberShape(QStringLiteral("^(\\d{7})\\|(\\d{2}/\\d{2}/\\d{4})$"));
    const auto n = numberShape.match(p.fromNumber);
    p.day = n.hasMatch() ? QDate::fromString(n.captured(2), QStringLiteral("dd/MM/yyyy")) : QDate();
    if (!p.day.isValid() || n.captured(1).toLongLong() == 0) {
        *why = QStringLiteral("Numero del registro cartaceo (Tab_ProtocolloTemporaneo) non valido: ") + p.fromNumber
               + QStringLiteral(" (atteso il numero di 7 cifre, \"|\" e la data gg/mm/aaaa, come 0000015|14/03/2026).");
        return p;
    }
    p.number = n.captured(1);
    return p;
}

std::optional<QString> PaperRegistration::refusal(const StatementRunner &exec, QSqlQuery *&q, const QDate &today) const
{
    if (day > today)
        return QStringLiteral("La data del protocollo in emergenza (Tab_ProtocolloTemporaneo) %1 è successiva alla data "
                              "corrente. Registrazione non effettuata.")
            .arg(day.toString(QStringLiteral("dd/MM/yyyy")));
    if (!exec(q, QStringLiteral("SELECT 1 FROM Tab_AnaRegistriEme WHERE Tab_Ente = ? AND Tab_AnnoRegistro = ? AND "
                                "Tab_TipoRegistro = 'C' AND Tab_IDRegistro = ? AND Tab_NumeroRegistro = ?"),
              {ente, year, id, progressive}))
        return std::nullopt;
    const bool coded = q->next();
    q->finish();
    if (!coded)
        return QStringLiteral("IL Registro cartaceo indicato non è stato codificato. (Tab_RegistroTemporaneo %1: "
                              "registro %2/C/%3 n. %4 non presente tra i registri di emergenza dell'ente.)")
            .arg(fromRegister, year, id)
            .arg(progressive);
    if (!exec(q, QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_ProtocolloTemporaneo FROM "
                                "Tab_Protocollo WHERE Tab_Ente = ? AND Tab_RegistroTemporaneo = ? AND ")
                     + Schema::ManualGuards::kPaperRegister + QStringLiteral(" AND ")
                     + Schema::ManualGuards::kPaperNumberPart + QStringLiteral(" = ?"),
              {ente, fromRegister, number}))
        return std::nullopt;
    QString out;
    if (q->next()) {
        const QString general = q->value(1).toString().trimmed();
        out = kPaperAlreadyIn
              + QStringLiteral("\nIl numero %1 del registro cartaceo %2 (Tab_ProtocolloTemporaneo %3) è il protocollo "
                               "%4 N. %5-%6.")
                    .arg(number, fromRegister, q->value(2).toString().trimmed(), q->value(0).toString().trimmed(),
                         general.left(4), general.mid(4));
    }
    q->finish();
    return out;
}

} // namespace nimbo
