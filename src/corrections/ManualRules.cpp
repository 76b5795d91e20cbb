#include "corrections/ManualRules.h"

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ContainsIndex.h"
#include "schema/ManualGuards.h"
#include "servers/ManualRequests.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::corrections {

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

protocol::Failure fail(const char *message, const char *field)
{
    return {QString::fromUtf8(message), QString::fromLatin1(field)};
}

bool blank(const QString &t) { return t.trimmed().isEmpty(); }

// An answer, a read that found nothing, or a read that failed (already
// reported to the operator).
enum class Found { Yes, No, Failed };

Found found(const QString &sql)
{
    const F::LoadedRows r = F::loadRows(kDb, sql);
    if (r.failed())
        return Found::Failed;
    return r.rowCount() > 0 ? Found::Yes : Found::No;
}

} // namespace

QString PaperFields::registerKey() const { return paperRegisterKey(year, id, progressive.trimmed().toInt()); }

QString PaperFields::numberText() const
{
    return paperNumberText(number.trimmed().toLongLong(), protocol::shownDate(day));
}

QString paperRegisterQuery(const QString &ente, const PaperFields &p)
{
    return QStringLiteral("SELECT 1 FROM Tab_AnaRegistriEme WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_AnnoRegistro = ") + q(p.year.trimmed())
           + QStringLiteral(" AND Tab_TipoRegistro = 'C' AND Tab_IDRegistro = ") + q(p.id.trimmed().toUpper())
           + QStringLiteral(" AND Tab_NumeroRegistro = ") + QString::number(p.progressive.trimmed().toInt());
}

QString paperProtocolQuery(const QString &ente, const PaperFields &p)
{
    // Written as the register's unique key is, so that its index serves it.
    return QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_RegistroTemporaneo = ") + q(p.registerKey()) + QStringLiteral(" AND ")
           + Schema::ManualGuards::kPaperRegister + QStringLiteral(" AND ") + Schema::ManualGuards::kPaperNumberPart
           + QStringLiteral(" = ") + q(p.numberText().left(7));
}

std::optional<protocol::Failure> checkPaper(const protocol::ProtocolForm &f, const PaperFields &p, const QString &ente,
                                            const QDate &today)
{
    if (f.direction != QLatin1String("E") && f.direction != QLatin1String("U"))
        return fail("Indicare se il protocollo è di Entrata o di Uscita", "OptTipoProtocollo");
    if (blank(p.year))
        return fail("Specificare l'anno del registro di emergenza.", "txtAnno");
    if (blank(p.id))
        return fail("Specificare il codice identificativo del registro di emergenza.", "TxtidReg");
    if (p.id.trimmed().size() != 4)
        return fail("Il codice identificativo del registro di emergenza deve essere di 4 caratteri.", "TxtidReg");
    if (blank(p.progressive))
        return fail("Specificare il progressivo del registro di emergenza.", "TxtNumReg");
    switch (found(paperRegisterQuery(ente, p))) {
    case Found::Failed: return protocol::Failure{QString(), QStringLiteral("TxtidReg")};
    case Found::No: return fail("IL Registro cartaceo indicato non è stato codificato.", "TxtidReg");
    case Found::Yes: break;
    }
    if (p.number.trimmed().toLongLong() <= 0)
        return fail("Specificare il numero di protocollo assegnato in emergenza.", "TxtNProtoEme");
    const QDate day = protocol::shownDate(p.day);
    if (!day.isValid())
        return fail("Specificare la data di effettuazione del protocollo in emergenza.", "TxtDProtoEme");
    if (blank(f.dataRicezione))
        return fail("Indicare la data di ricezione", "DataRicezione");
    const QDate received = protocol::shownDate(f.dataRicezione);
    if (received.isValid() && received > day)
        return fail("La DATA RICEZIONE deve essere minore o uguale della data del protocollo di emergenza.",
                    "DataRicezione");
    if (day > today)
        return fail("La DATA di protocollazione in emergenza deve essere minore o uguale della data corrente.",
                    "TxtDProtoEme");
    switch (found(paperProtocolQuery(ente, p))) {
    case Found::Failed: return protocol::Failure{QString(), QStringLiteral("TxtNProtoEme")};
    case Found::Yes: return protocol::Failure{kPaperAlreadyIn, QStringLiteral("TxtNProtoEme")};
    case Found::No: break;
    }
    return std::nullopt;
}

QString sameSubjectQuery(const QString &ente, const QString &subject)
{
    const QString columns = QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo "
                                           "FROM Tab_Protocollo p WHERE p.Tab_Ente = ")
                            + q(ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = 'E' AND p.Tab_Oggetto = ") + q(subject);
    const QString order = QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo") + Dialect::limit(1);
    if (!protocol::contains::indexable(subject))
        return columns + order;
    // The subject's text index gives the few protocols that may hold it;
    // the equality decides.
    const QString key = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL ? QStringLiteral("p.ctid")
                                                                                         : QStringLiteral("p.rowid");
    return columns + QStringLiteral(" AND ") + key + QStringLiteral(" IN (")
           + protocol::contains::subjectCandidates(ente, subject, QStringLiteral("E")) + QLatin1Char(')') + order;
}

QString sameSubjectWarning(const QString &ente, const QString &subject)
{
    const F::LoadedRows r = F::loadRows(kDb, sameSubjectQuery(ente, subject));
    if (!r.ok || r.rowCount() == 0)
        return {};
    return QStringLiteral("ATTENZIONE! Esiste già il seguente documento protocollato con lo stesso oggetto: ")
           + r.value(0, 0).toString().trimmed() + QLatin1Char('/') + shownNumber(r.value(1, 0).toString().trimmed())
           + QStringLiteral(" del ") + protocol::dateText(r.value(2, 0))
           + QStringLiteral("\n\nSe vuoi effettuare comunque la registrazione premi 'SI' altrimenti premi 'NO'.");
}

ColumnValues paperColumns(const PaperFields &p)
{
    return {{QStringLiteral("Tab_RegistroTemporaneo"), p.registerKey()},
            {QStringLiteral("Tab_ProtocolloTemporaneo"), p.numberText()}};
}

} // namespace nimbo::corrections
