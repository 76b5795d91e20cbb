#include "iter/SendRules.h"

#include <QDate>

#include "data/Funzioni_Com_1.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

const char *const kAssignCaption = "Assegnazione Documenti";
const char *const kTransmitCaption = "Trasmissione documenti";
const char *const kHeadingOpen = "Assegnazione Documento agli uffici interessati";
const char *const kHeadingDone = "Pratica Evasa";
const char *const kWaitText = "Attendere.Scrittura su remoto in corso";
const char *const kRequestTitle = "OLE - Spedizione Documenti";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString protocolKey(const QString &alias, const QString &ente, const QString &direction, const QString &number)
{
    return alias + QStringLiteral(".Tab_Ente=") + q(ente) + QStringLiteral(" AND ") + alias +
           QStringLiteral(".Tab_TipoProtocollo=") + q(direction) + QStringLiteral(" AND ") + alias +
           QStringLiteral(".Tab_NumeroProtocollo=") + q(number);
}

// "dd/mm/yyyy" (or ISO) as a date; invalid otherwise.
QDate dayOf(const QString &text)
{
    const QString t = text.trimmed();
    QDate d = QDate::fromString(t, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(t.left(10), Qt::ISODate);
    return d;
}

} // namespace

Sender Sender::fromSession()
{
    const auto &s = DicAmbiente::session();
    return {s.op.ente, s.op.department, s.op.office, s.op.code, s.parm.enteCodiceAsl, s.parm.enteCodiceDip};
}

QString typeCaption(int type)
{
    return type == 1 ? QStringLiteral("di Competenza Ufficio") : QStringLiteral("Copia Conoscenza");
}

QString noMemberItem(const QString &bodyCode)
{
    return bodyCode == QLatin1String("104") ? QStringLiteral("0 - Nessuna Unità Operativa")
                                            : QStringLiteral("0 - Nessun componente");
}

std::optional<QString> checkAdd(const Choice &c, const QVector<Recipient> &rows, const Sender &s, SendKind kind)
{
    if (c.department.isEmpty())
        return QStringLiteral("Scegliere il dipartimento a cui inviare il documento");
    if (c.office.isEmpty())
        return QStringLiteral("Scegliere l'ufficio a cui inviare il documento");
    // Some bodies want a document sent inside the operator's own office to
    // name the member who handles it.
    const bool memberRule = s.bodyCode == QLatin1String("AS8") ||
                            (s.bodyCode == QLatin1String("ARB") && kind == SendKind::Transmission);
    if (memberRule && c.department == s.department && c.office == s.office && c.member == 0)
        return QStringLiteral("Scegliere il componente a cui inviare il documento");
    if (c.type != 1 && c.type != 2)
        return kind == SendKind::Assignment
                   ? QStringLiteral("Indicare se il documento viene assegnato per competenza o per copia conoscenza")
                   : QStringLiteral("indicare il tipo di trasmissione per l'ufficio in esame");
    for (const Recipient &r : rows)
        if (r.department == c.department && r.office == c.office && r.member == c.member)
            return QStringLiteral("il destinatario prescelto è già presente nella lista");
    return std::nullopt;
}

Recipient recipientFrom(const Choice &c)
{
    Recipient r;
    r.department = c.department;
    r.departmentName = c.departmentName;
    r.office = c.office;
    r.officeName = c.officeName;
    r.member = c.member;
    r.memberName = c.member == 0 ? QString() : c.memberName;
    r.modifiable = QStringLiteral("S");
    r.type = c.type;
    return r;
}

void switchType(Recipient &r) { r.type = r.type == 1 ? 2 : 1; }

QString switchQuestion(const QString &officeName, SendKind kind)
{
    return (kind == SendKind::Assignment ? QStringLiteral("Vuoi modificare il tipo di assegnazione per l'ufficio ' ")
                                         : QStringLiteral("Vuoi modificare il tipo di trasmissione per l'ufficio ' ")) +
           officeName + QLatin1Char('\'');
}

int removeTicked(QVector<Recipient> &rows, const QVector<bool> &ticked)
{
    int kept = 0;
    QVector<Recipient> out;
    for (int i = 0; i < rows.size(); ++i) {
        if (!ticked.value(i)) {
            out << rows[i];
        } else if (rows[i].modifiable != QLatin1String("S")) {
            out << rows[i];
            ++kept;
        }
    }
    rows = out;
    return kept;
}

QString keptText(int kept)
{
    return QStringLiteral("non sono stati eliminati ") + QString::number(kept) +
           QStringLiteral(" uffici assegnatari perché il messaggio è stato già preso in carico da essi.");
}

std::optional<QString> checkAssign(const QVector<Recipient> &rows, const QString &deadline,
                                   const QString &protocolDate)
{
    if (rows.isEmpty())
        return QStringLiteral("inserire almeno un ufficio nella lista di assegnazione");
    if (deadline.trimmed().isEmpty())
        return std::nullopt;
    const QDate due = dayOf(deadline);
    if (!due.isValid())
        return QStringLiteral("Inserire una data corretta");
    const QDate registered = dayOf(protocolDate);
    if (registered.isValid() &&
        due.toString(QStringLiteral("yyyyMMdd")) < registered.toString(QStringLiteral("yyyyMMdd")))
        return QStringLiteral("La data di completamento del procedimento non può essere minore della data di "
                              "protocollazioen del documento.");
    return std::nullopt;
}

std::optional<QString> checkTransmit(const QVector<Recipient> &rows)
{
    if (rows.isEmpty())
        return QStringLiteral("inserire almeno un ufficio nella lista di trasmissione");
    return std::nullopt;
}

QString anyCompetence(const QVector<Recipient> &rows)
{
    for (const Recipient &r : rows)
        if (r.type == 1)
            return QStringLiteral("SI");
    return QStringLiteral("NO");
}

// ---- queries ----------------------------------------------------------------------

QString membersQuery(const QString &ente, const QString &office, SendKind kind, const QString &operatorCode,
                     const QString &today)
{
    QString sql = QStringLiteral("SELECT Tab_Progressivo, Tab_Componente FROM Tab_UfficiComponenti WHERE Tab_Ente=") +
                  q(ente) + QStringLiteral(" AND Tab_Ufficio=") + q(office);
    if (kind == SendKind::Assignment)
        sql += QStringLiteral(" AND Tab_FlagAssegnazione='SI'");
    else
        sql += QStringLiteral(" AND (Tab_IdUser IS NULL OR Tab_IdUser<>") + q(operatorCode) + QLatin1Char(')');
    sql += QStringLiteral(" AND (Tab_DataFine IS NULL OR Tab_DataFine>=") + q(today) +
           QStringLiteral(") ORDER BY Tab_Componente");
    return sql;
}

QString completedQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT i.Tab_DataSerialeMov FROM Tab_Iter_Documento i WHERE ") +
           protocolKey(QStringLiteral("i"), ente, direction, number) + QStringLiteral(" AND i.Tab_TipoMovimento=5");
}

QString lastAssignmentQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT i.Tab_DataSerialeMov, i.Tab_Annotazioni, i.Tab_DataEvasione "
                          "FROM Tab_Iter_Documento i WHERE ") +
           protocolKey(QStringLiteral("i"), ente, direction, number) +
           QStringLiteral(" AND i.Tab_TipoMovimento=4 ORDER BY i.Tab_DataSerialeMov DESC");
}

QString assignmentRecipientsQuery(const QString &ente, const QString &direction, const QString &number,
                                  const QString &movement, const QString &ownDepartment, const QString &ownOffice)
{
    return QStringLiteral(
               "SELECT u.Tab_Dipartimento, dp.Dipa_Denominazione, d.Tab_UfficioDestinatario, u.Tab_Descrizione, "
               "d.Tab_Componente, c.Tab_Componente, d.Tab_TipoAssegnazione, d.Tab_DataEffettivaAssegnazione "
               "FROM Tab_Iter_Destinatari d "
               "JOIN Tab_Uffici u ON u.Tab_Ente=d.Tab_Ente AND u.Tab_Ufficio=d.Tab_UfficioDestinatario "
               "JOIN Tab_Dipartimenti dp ON dp.Dipa_CodiceEnte=u.Tab_Ente AND dp.Dipa_CodDipartimento=u.Tab_Dipartimento "
               "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente=d.Tab_Ente AND c.Tab_Ufficio=d.Tab_UfficioDestinatario "
               "AND c.Tab_Progressivo=d.Tab_Componente WHERE ") +
           protocolKey(QStringLiteral("d"), ente, direction, number) + QStringLiteral(" AND d.Tab_DataSerialeMov=") +
           q(movement) + QStringLiteral(" AND NOT (u.Tab_Dipartimento=") + q(ownDepartment) +
           QStringLiteral(" AND d.Tab_UfficioDestinatario=") + q(ownOffice) +
           QStringLiteral(") ORDER BY d.Tab_DataEffettivaAssegnazione, d.Tab_UfficioDestinatario, d.Tab_Componente");
}

QString pendingDeliveriesQuery(const QString &ente, const QString &direction, const QString &number,
                               const QString &movement)
{
    return QStringLiteral("SELECT t.Tab_UfficioDestinatario, t.Tab_Componente FROM Tab_Iter_Trasmissioni t WHERE ") +
           protocolKey(QStringLiteral("t"), ente, direction, number) + QStringLiteral(" AND t.Tab_DataSerialeMov=") +
           q(movement);
}

QString postponedQuery(const QString &ente, const QString &number)
{
    return QStringLiteral("SELECT Tab_ProgrScadenze FROM Tab_ProScadenza WHERE Tab_Ente=") + q(ente) +
           QStringLiteral(" AND Tab_Protocollo=") + q(number) + QStringLiteral(" AND Tab_flagRinvio=1");
}

QString groupsQuery(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT DISTINCT Tab_raggruppamento FROM Tab_UfficiGruppi WHERE Tab_Ente=") + q(ente) +
           QStringLiteral(" AND Tab_DipartimentoGruppo=") + q(department) +
           QStringLiteral(" ORDER BY Tab_raggruppamento");
}

QString groupOfficesQuery(const QString &ente, const QString &department, const QString &group)
{
    return QStringLiteral(
               "SELECT g.Tab_Dipartimento, dp.Dipa_Denominazione, g.Tab_Ufficio, u.Tab_Descrizione, g.Tab_Componente, "
               "c.Tab_Componente FROM Tab_UfficiGruppi g "
               "JOIN Tab_Uffici u ON u.Tab_Ente=g.Tab_Ente AND u.Tab_Ufficio=g.Tab_Ufficio "
               "JOIN Tab_Dipartimenti dp ON dp.Dipa_CodiceEnte=g.Tab_Ente AND dp.Dipa_CodDipartimento=g.Tab_Dipartimento "
               "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente=g.Tab_Ente AND c.Tab_Ufficio=g.Tab_Ufficio "
               "AND c.Tab_Progressivo=g.Tab_Componente WHERE g.Tab_Ente=") +
           q(ente) + QStringLiteral(" AND g.Tab_DipartimentoGruppo=") + q(department) +
           QStringLiteral(" AND g.Tab_raggruppamento=") + q(group) +
           QStringLiteral(" ORDER BY dp.Dipa_Denominazione, u.Tab_Descrizione, g.Tab_Componente");
}

} // namespace nimbo::iter
