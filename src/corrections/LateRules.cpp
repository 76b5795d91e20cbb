#include "corrections/LateRules.h"

#include "data/Funzioni_Com_1.h"
#include "servers/LateRequests.h"

namespace F = Funzioni_Com_1;

namespace nimbo::corrections {

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

protocol::Failure fail(const QString &message, const char *field) { return {message, QString::fromLatin1(field)}; }

} // namespace

QString LateEntry::fullNumber() const { return lateNumber(year, number); }

std::optional<protocol::Failure> lateChecks(const LateEntry &entry, const protocol::ProtocolForm &f,
                                            const QString &ente)
{
    if (entry.year.trimmed().size() != 4 || lateNumber(entry.year, QStringLiteral("1")).isEmpty())
        return fail(QStringLiteral("Specificare l'anno del Protocollo da recuperare."), "TxtAnnoProtocollo");
    const QString number = entry.fullNumber();
    if (number.isEmpty())
        return fail(QStringLiteral("Specificare un numero di protocollo corretto."), "txtNumeroProtocollo");
    const QDate day = protocol::shownDate(entry.date);
    if (!day.isValid())
        return fail(QStringLiteral("Inserire la data di protocollo del documento."), "DataProtocollo");
    if (day.year() != entry.year.trimmed().toInt())
        return fail(QStringLiteral("incongruenza tra l'anno del protocollo e l'anno specificato nella data di "
                                   "protocollazione"),
                    "TxtAnnoProtocollo");

    const F::LoadedRows used = F::loadRows(kDb, QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE "
                                                               "Tab_Ente = '%1' AND Tab_NumeroProtocollo = '%2'")
                                                    .arg(F::quote(ente), number));
    if (used.failed())
        return fail(QStringLiteral("Impossibile verificare il numero di protocollo indicato: la lettura dal registro "
                                   "centrale non è riuscita."),
                    "txtNumeroProtocollo");
    if (used.ok && used.rowCount() > 0)
        return fail(kLateNumberUsed, "txtNumeroProtocollo");

    const F::LoadedRows lower = F::loadRows(kDb, lateLowerQuery(ente, day));
    if (!lower.ok)
        return fail(kLateLowerFailed, "txtNumeroProtocollo");
    const F::LoadedRows upper = F::loadRows(kDb, lateUpperQuery(ente, day));
    if (!upper.ok)
        return fail(kLateUpperFailed, "txtNumeroProtocollo");
    const auto value = [](const F::LoadedRows &r) { return r.value(0, 0).isNull() ? QString() : r.value(0, 0).toString().trimmed(); };
    // The counter is the server's to weigh: here only the days around.
    if (!lateBounds(day.year(), value(lower), value(upper), 9999999).contains(number))
        return fail(kLateOutOfRange, "txtNumeroProtocollo");

    if (f.direction != QLatin1String("E") && f.direction != QLatin1String("U"))
        return fail(QStringLiteral("Indicare se il protocollo è di Entrata o di Uscita"), "OptTipoProtocollo");
    if (f.dataRicezione.trimmed().isEmpty())
        return fail(QStringLiteral("Indicare la data di ricezione"), "DataRicezione");
    return std::nullopt;
}

} // namespace nimbo::corrections
