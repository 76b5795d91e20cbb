#include "corrections/DirectionRules.h"

#include <QRegularExpression>

#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::corrections::direction {

const char *const kWrongNumber = "inserire un numero di protocollo corretto";
const char *const kNotFound = "Protocollo non presente in archivio o non modificabile";
const char *const kNoProtocol = "Attenzione! Selezionare il protocollo da modificare.";
const char *const kInProgress = "Modifica Protocollo in Corso";
const char *const kDone = "Aggiornamento effettuato";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

} // namespace

QString typedNumber(const QString &typed)
{
    static const QRegularExpression split(QStringLiteral("^([0-9]{4})-([0-9]{1,7})$"));
    static const QRegularExpression whole(QStringLiteral("^[0-9]{11}$"));
    const QString t = typed.trimmed();
    QString key;
    if (const auto m = split.match(t); m.hasMatch())
        key = m.captured(1) + m.captured(2).rightJustified(7, QLatin1Char('0'));
    else if (whole.match(t).hasMatch())
        key = t;
    else
        return {};
    return key.mid(4).toLongLong() > 0 ? key : QString();
}

QString lookupQuery(const QString &ente, const QString &number, const QString &operatorCode)
{
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, t.Tab_Descrizione, "
                          "p.Tab_Intestatario, r.Tab_Denominazione, p.Tab_Oggetto, p.Tab_SoggPrivacy FROM Tab_Protocollo p "
                          "LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia LEFT JOIN Tab_Rubrica r ON "
                          "r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario WHERE p.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(number)
           + QStringLiteral(" AND p.Tab_CodiceOpeReg = ") + q(operatorCode)
           + QStringLiteral(" AND COALESCE(p.Tab_Stampato, ' ') <> 'M' AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'");
}

QString directionWord(const QString &direction)
{
    return direction == QLatin1String("U") ? QStringLiteral("Uscita") : QStringLiteral("Entrata");
}

QString correspondentCaption(const QString &direction)
{
    return direction == QLatin1String("U") ? QStringLiteral("Destinatario") : QStringLiteral("Mittente");
}

QString shown(const F::LoadedRows &rows, int column, const protocol::Viewer &viewer)
{
    const QVariant value = rows.value(column, 0);
    switch (column) {
    case CDirection: return directionWord(value.toString().trimmed());
    case CNumber: return shownNumber(value.toString().trimmed());
    case CDate: return protocol::dateText(value);
    case CCorrespondent:
    case CSubject:
        return protocol::scope::shownSubject(viewer, value.toString().trimmed(),
                                             rows.value(CPrivacy, 0).toString().trimmed(),
                                             QString::fromLatin1(protocol::scope::kTrayMask));
    default: return value.toString().trimmed();
    }
}

} // namespace nimbo::corrections::direction
