#include "search/ProtocolDetailRules.h"

#include "protocol/CancelMark.h"
#include "protocol/ClassifyChoice.h"
#include "protocol/ProtocolRules.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search::protocoldetail {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString key(const QString &alias, const QString &ente, const QString &direction, const QString &number)
{
    return alias + QStringLiteral(".Tab_Ente = ") + q(ente) + QStringLiteral(" AND ") + alias
           + QStringLiteral(".Tab_TipoProtocollo = ") + q(direction) + QStringLiteral(" AND ") + alias
           + QStringLiteral(".Tab_NumeroProtocollo = ") + q(number);
}

QString text(const F::LoadedRows &r, int column, int row = 0) { return r.value(column, row).toString().trimmed(); }

QString coded(const QString &code, const QString &description)
{
    return description.isEmpty() ? code : code + QStringLiteral(" - ") + description;
}

} // namespace

QString protocolQuery(const QString &ente, const QString &direction, const QString &number)
{
    // Offices and members are read within the registering department and
    // office, so that a code used twice in the body gives one row.
    return QStringLiteral(
               "SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_StatoProtocollo, p.Tab_DataProtocollo, "
               "p.Tab_DataRicezione, p.Tab_OraRicezione, p.Tab_SoggPrivacy, p.Tab_RegistroTemporaneo, "
               "p.Tab_ProtocolloTemporaneo, p.Tab_Intestatario, r.Tab_Denominazione, p.Tab_Tipologia, "
               "t.Tab_Descrizione, p.Tab_SedeRicezione, d.Dipa_Denominazione, p.Tab_UfficioRegistrazione, "
               "u.Tab_Descrizione, p.Tab_ComponenteUfficio, c.Tab_Componente, p.Tab_Oggetto, p.Tab_Annotazioni, "
               "p.Tab_DataCancellazione, p.Tab_CodiceOpeCanc, o.Op_Cognome, o.Op_Nome, p.Tab_MotivoCancellazione, "
               "m.Tab_Descrizione, p.Tab_NoteCancellazione, p.Tab_TipoProvvCancellazione, p.Tab_NumeroProvvCancellazione, "
               "p.Tab_DataProvvCancellazione FROM Tab_Protocollo p "
               "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario "
               "LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia "
               "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = p.Tab_Ente AND "
               "d.Dipa_CodDipartimento = p.Tab_SedeRicezione "
               "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = p.Tab_Ente AND u.Tab_Dipartimento = p.Tab_SedeRicezione AND "
               "u.Tab_Ufficio = p.Tab_UfficioRegistrazione "
               "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente = p.Tab_Ente AND c.Tab_Ufficio = p.Tab_UfficioRegistrazione "
               "AND c.Tab_Progressivo = p.Tab_ComponenteUfficio "
               "LEFT JOIN Tab_Operatori o ON o.Op_Codice_Operatore = p.Tab_CodiceOpeCanc "
               "LEFT JOIN Tab_Motivo_Cancella m ON m.Tab_Codice = p.Tab_MotivoCancellazione WHERE ")
           + key(QStringLiteral("p"), ente, direction, number);
}

QString furtherRecipientsQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT COALESCE(r.Tab_Denominazione, CAST(d.Tab_MittDest AS VARCHAR(20))), r.Tab_Domicilio, "
                          "r.Tab_NumeroCivico, c.com_Comune FROM Tab_ProtocolloDestinatari d "
                          "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = d.Tab_Ente AND "
                          "r.Tab_Identificativo = d.Tab_MittDest "
                          "LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione WHERE ")
           + key(QStringLiteral("d"), ente, direction, number)
           + QStringLiteral(" AND d.Tab_principale = 'N' ORDER BY r.Tab_Denominazione, d.Tab_MittDest");
}

QString recipientLine(const QString &name, const QString &street, const QString &streetNumber,
                      const QString &municipality)
{
    return name.trimmed() + QStringLiteral(" - ") + street.trimmed() + QStringLiteral(", ") + streetNumber.trimmed()
           + QStringLiteral(" - ") + municipality.trimmed();
}

QString emergencyText(const QVariant &value)
{
    const QString t = value.toString().trimmed();
    return t.isEmpty() ? QStringLiteral("/") : t;
}

bool cancelled(const QVariant &state) { return state.toString().trimmed().toUpper() == QLatin1String("C"); }

Cancellation cancellationOf(const F::LoadedRows &p)
{
    return {p.value(CCancelledOn, 0), text(p, CCancelledBy),  text(p, CCancelledBySurname), text(p, CCancelledByName),
            text(p, CReason),         text(p, CReasonName), text(p, CCancelNotes),
            protocol::cancelled::actText(text(p, CActType), text(p, CActNumber), p.value(CActDate, 0))};
}

QString cancellationText(const Cancellation &c)
{
    const QString person = (c.surname + QLatin1Char(' ') + c.name).trimmed();
    QString who = c.operatorCode;
    if (!person.isEmpty())
        who += (who.isEmpty() ? QString() : QStringLiteral(" - ")) + person;
    return QStringLiteral("Protocollo cancellato\n\nData cancellazione: ") + protocol::dateText(c.on)
           + QStringLiteral("\nOperatore: ") + who + QStringLiteral("\nMotivo: ")
           + (c.reasonName.isEmpty() ? c.reason : c.reasonName) + QStringLiteral("\nNote: ") + c.notes
           + (c.act.isEmpty() ? QString() : QStringLiteral("\nProvvedimento di annullamento: ") + c.act);
}

QStringList dossierCells(const F::LoadedRows &rows, int row)
{
    const qlonglong dossier = rows.value(6, row).toLongLong();
    return {coded(text(rows, 0, row), text(rows, 1, row)), coded(text(rows, 2, row), text(rows, 3, row)),
            coded(text(rows, 4, row), text(rows, 5, row)),
            coded(protocol::ChosenDossier::shownCode(dossier), text(rows, 7, row))};
}

QString unreadText(const QStringList &parts, bool unreachable)
{
    QString what = parts.join(QStringLiteral(", "));
    const int last = what.lastIndexOf(QStringLiteral(", "));
    if (last >= 0)
        what.replace(last, 2, QStringLiteral(" e "));
    return QStringLiteral("Impossibile leggere ") + what
           + (unreachable ? QStringLiteral(": il registro centrale dei protocolli non è raggiungibile. Riprovare quando "
                                           "sarà di nuovo disponibile.")
                          : QStringLiteral(": la lettura dal registro centrale non è riuscita (il dettaglio è nel log)."));
}

} // namespace nimbo::search::protocoldetail
