#include "iter/TrayRules.h"

#include <QStringList>

#include "data/Dialect.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

using protocol::Viewer;

const char *const kTrayTitles = "Tipo;N° Protocollo;Data Protocollo;Mittente/Destinatario;Oggetto;Data Trasmissione;"
                                "seriale;Dipartimento e Ufficio inviante;Tipo Trasmissione;progr";
const char *const kTrayWidths = "5;12;10;22;30;14;0;24;20;0";
const char *const kMovementTitles = "Data e ora;Tipo movimento;Dipartimento ;Ufficio;Operatore;Note";
const char *const kMovementWidths = "17;16;22;22;10;30";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString sameProtocol(const QString &a, const QString &b)
{
    return QStringLiteral("%1.Tab_Ente = %2.Tab_Ente AND %1.Tab_TipoProtocollo = %2.Tab_TipoProtocollo AND "
                          "%1.Tab_NumeroProtocollo = %2.Tab_NumeroProtocollo")
        .arg(a, b);
}

QString protocolKey(const QString &alias, const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("%1.Tab_Ente = %2 AND %1.Tab_TipoProtocollo = %3 AND %1.Tab_NumeroProtocollo = %4")
        .arg(alias, q(ente), q(direction), q(number));
}

} // namespace

std::optional<QString> checkTray(const TrayCriteria &c)
{
    const QDate from = protocol::shownDate(c.from), to = protocol::shownDate(c.to);
    if (!from.isValid() || !to.isValid())
        return QStringLiteral("inserire una data corretta");
    if (to < from)
        return QString::fromUtf8("la data di fine periodo non può essere minore della data di inizio periodo");
    return std::nullopt;
}

QVector<Viewer::Pair> trayOffices(const Viewer &v)
{
    if (v.level < 7 || v.level > 9)
        return {};
    QStringList departments{q(v.department)};
    for (const auto &p : v.extra)
        departments << q(p.department);
    departments.removeDuplicates();
    // Closed offices too: what was delivered to them before they closed is
    // still waiting.
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                        QStringLiteral("SELECT Tab_Dipartimento, Tab_Ufficio FROM Tab_Uffici WHERE "
                                                       "Tab_Ente = %1 AND Tab_Dipartimento IN (%2) ORDER BY 1, 2")
                                            .arg(q(v.ente), departments.join(QStringLiteral(", "))));
    QVector<Viewer::Pair> out;
    if (r.ok)
        for (int i = 0; i < r.rowCount(); ++i)
            out.append({r.columns[0][i].toString(), r.columns[1][i].toString()});
    return out;
}

QString trayQuery(const TrayCriteria &c, const Viewer &v, const QVector<Viewer::Pair> &departmentOffices)
{
    QStringList types;
    if (c.assigned)
        types << QString::number(kMovAssegnazione);
    if (c.retransmitted)
        types << QString::number(kMovTrasmissione);
    const QString columns = QStringLiteral(
        "p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, r.Tab_Denominazione, p.Tab_Oggetto, "
        "t.Tab_DataSerialeMov, dip.Dipa_Denominazione, us.Tab_Descrizione, "
        "(SELECT MIN(a.Tab_TipoAssegnazione) FROM Tab_Iter_Destinatari a WHERE ") + sameProtocol(QStringLiteral("a"), QStringLiteral("t"))
        + QStringLiteral(" AND a.Tab_DataSerialeMov = t.Tab_DataSerialeMov AND a.Tab_UfficioDestinatario = "
                         "t.Tab_UfficioDestinatario AND a.Tab_Componente = t.Tab_Componente), "
                         "t.Tab_progressivo, p.Tab_SoggPrivacy, d.Tab_TipoMovimento");
    const QString shown = QStringLiteral(
        " JOIN Tab_Iter_Trasmissioni t ON t.Tab_progressivo = k.k "
        "JOIN Tab_Iter_Documento d ON ") + sameProtocol(QStringLiteral("d"), QStringLiteral("t"))
        + QStringLiteral(" AND d.Tab_DataSerialeMov = t.Tab_DataSerialeMov "
                         "JOIN Tab_Protocollo p ON ") + sameProtocol(QStringLiteral("p"), QStringLiteral("t"))
        + QStringLiteral(" LEFT JOIN Tab_Uffici us ON us.Tab_Ente = d.Tab_Ente AND us.Tab_Ufficio = d.Tab_Ufficio "
                         "LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = us.Tab_Ente AND "
                         "dip.Dipa_CodDipartimento = us.Tab_Dipartimento "
                         "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                         "p.Tab_Intestatario");
    // Each alternative of the scope first picks the keys of its deliveries
    // alone, walking the office's (or member's) deliveries newest number
    // first and stopping at the limit; the movement and the protocol are
    // only looked up to filter, so no plan can trade the walk for a sort of
    // the whole in-tray. The shown columns are joined to the chosen keys.
    const protocol::scope::TrayColumns cols;
    const QString period = protocol::scope::movementPeriod(
        // SQLite has no statistics to weigh a period against the walk: keep
        // it off the movement date index there.
        Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL ? QStringLiteral("t.Tab_DataSerialeMov")
                                                                        : QStringLiteral("+t.Tab_DataSerialeMov"),
        protocol::shownDate(c.from), protocol::shownDate(c.to));
    // Each filter is a lookup by primary key written as a value that must be
    // there: a planner reads it as true for nearly every delivery (as it is)
    // and keeps the walk, where a join would be guessed to drop most rows and
    // traded for a sort of the whole in-tray.
    const QString filters =
        QStringLiteral(" AND ") + period + QStringLiteral(" AND (SELECT 1 FROM Tab_Iter_Documento d WHERE ")
        + sameProtocol(QStringLiteral("d"), QStringLiteral("t"))
        + QStringLiteral(" AND d.Tab_DataSerialeMov = t.Tab_DataSerialeMov AND ")
        + (types.isEmpty() ? QString::fromLatin1(protocol::scope::kNothing)
                           : QStringLiteral("d.Tab_TipoMovimento IN (") + types.join(QLatin1Char(',')) + QLatin1Char(')'))
        + QStringLiteral(") IS NOT NULL AND (SELECT 1 FROM Tab_Protocollo p WHERE ")
        + sameProtocol(QStringLiteral("p"), QStringLiteral("t"))
        + QStringLiteral(" AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C') IS NOT NULL");
    const QStringList branches = protocol::scope::inTrayBranches(v, cols, &departmentOffices);
    const QString limit = Dialect::limit(c.limit > 0 ? c.limit : kTrayLimit);
    QStringList parts;
    int n = 0;
    for (const QString &b : branches) {
        const QString from = b.contains(cols.memberUser)
                                 ? QStringLiteral(" FROM Tab_UfficiComponenti c JOIN Tab_Iter_Trasmissioni t ON "
                                                  "t.Tab_Ente = c.Tab_Ente AND t.Tab_UfficioDestinatario = "
                                                  "c.Tab_Ufficio AND t.Tab_Componente = c.Tab_Progressivo")
                                 : QStringLiteral(" FROM Tab_Iter_Trasmissioni t");
        parts << QStringLiteral("SELECT * FROM (SELECT t.Tab_progressivo AS k, t.Tab_NumeroProtocollo AS n, "
                                "t.Tab_TipoProtocollo AS tp")
                     + from + QStringLiteral(" WHERE t.Tab_Ente = ") + q(v.ente) + QStringLiteral(" AND ") + b + filters
                     + QStringLiteral(" ORDER BY t.Tab_NumeroProtocollo DESC") + limit + QStringLiteral(") b")
                     + QString::number(++n);
    }
    if (parts.isEmpty())
        parts << QStringLiteral("SELECT 0 AS k, '' AS n, '' AS tp WHERE ") + QString::fromLatin1(protocol::scope::kNothing);
    return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM (SELECT * FROM (")
           + parts.join(QStringLiteral(" UNION ALL ")) + QStringLiteral(") u ORDER BY n DESC, tp DESC") + limit
           + QStringLiteral(") k") + shown + QStringLiteral(" ORDER BY 2 DESC, 1 DESC");
}

QString officeWords(const QString &titles, const QString &bodyCode)
{
    const QString code = bodyCode.isEmpty() ? DicAmbiente::session().parm.enteCodiceAsl : bodyCode;
    if (code.trimmed() != QLatin1String("104"))
        return titles;
    QString out = titles;
    out.replace(QStringLiteral("Ufficio"), QString::fromUtf8("Unità operativa"));
    return out;
}

QString trayKindText(int assignmentType)
{
    if (assignmentType == kPerCompetenza)
        return QStringLiteral("Trasmesso per Competenza");
    if (assignmentType == kPerConoscenza)
        return QStringLiteral("Trasmesso per Copia Conoscenza");
    return {};
}

QString serialText(const QString &serial)
{
    if (serial.size() < 12)
        return serial;
    return serial.mid(6, 2) + QLatin1Char('/') + serial.mid(4, 2) + QLatin1Char('/') + serial.left(4)
           + QStringLiteral("  ") + serial.mid(8, 2) + QLatin1Char(':') + serial.mid(10, 2);
}

QString serialTextFull(const QString &serial)
{
    if (serial.size() < 14)
        return serialText(serial);
    return serial.mid(6, 2) + QLatin1Char('/') + serial.mid(4, 2) + QLatin1Char('/') + serial.left(4)
           + QLatin1Char(' ') + serial.mid(8, 2) + QLatin1Char(':') + serial.mid(10, 2) + QLatin1Char(':')
           + serial.mid(12, 2);
}

F::Columns trayRows(const F::LoadedRows &r, const Viewer &v)
{
    F::Columns out(ShKeyNumber + 1);
    const int n = r.rowCount();
    for (auto &c : out)
        c.reserve(n);
    for (int i = 0; i < n; ++i) {
        const auto val = [&](int c) { return r.value(c, i); };
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        out[ShType].append(txt(TrDirection));
        out[ShNumber].append(shownNumber(txt(TrNumber)));
        out[ShDate].append(val(TrDate));
        out[ShCorrespondent].append(txt(TrCorrespondent));
        out[ShSubject].append(protocol::scope::shownSubject(v, txt(TrSubject), txt(TrPrivacy),
                                                            QString::fromLatin1(protocol::scope::kTrayMask)));
        out[ShSent].append(serialText(txt(TrSerial)));
        out[ShSerial].append(txt(TrSerial));
        out[ShSender].append(txt(TrSenderDept) + QStringLiteral(" - ") + txt(TrSenderOffice));
        out[ShKind].append(trayKindText(val(TrAssignmentType).toInt()));
        out[ShDelivery].append(val(TrDelivery).toLongLong());
        out[ShKeyNumber].append(txt(TrNumber));
    }
    return out;
}

std::optional<QString> checkTicked(const QVector<Ticked> &rows)
{
    if (rows.isEmpty())
        return QStringLiteral("Selezionare almeno un protocollo presente nell'elenco");
    QStringList seen;
    for (const Ticked &t : rows) {
        const QString key = t.direction + t.number;
        if (seen.contains(key))
            return QString::fromUtf8("Il documento di protocollo N. ") + shownNumber(t.number)
                   + QString::fromUtf8(" è gia stato selezionato per la presa in carico da parte dell'ufficio");
        seen << key;
    }
    return std::nullopt;
}

QVariantList inChargeRequest(const Viewer &v, const QVector<Ticked> &rows, const QString &notes)
{
    InChargeRequest r;
    r.ente = v.ente;
    r.department = v.department;
    r.office = v.office;
    r.operatorCode = v.operatorCode;
    r.notes = notes.trimmed();
    for (const Ticked &t : rows)
        r.items.append({t.direction, t.number, t.delivery});
    return takeInChargeRequest(r);
}

ServerReply readServerReply(const QVariantList &reply)
{
    if (reply.isEmpty())
        return {ServerReply::Error, QStringLiteral("risposta vuota")};
    const QString status = reply.value(0).toString().trimmed();
    if (status == QLatin1String("0"))
        return {ServerReply::Ok, {}};
    if (status == QLatin1String("991"))
        return {ServerReply::Refused, reply.value(1).toString()};
    return {ServerReply::Error, reply.value(1).toString() + QStringLiteral("  (Err.Num=") + status + QLatin1Char(')')};
}

QString trayDetailQuery(const QString &ente, const QString &direction, const QString &number, const QString &serial,
                        qlonglong delivery)
{
    return QStringLiteral(
               "SELECT d.Tab_Annotazioni, (SELECT MAX(e.Tab_DataEvasione) FROM Tab_Iter_Documento e WHERE ")
           + sameProtocol(QStringLiteral("e"), QStringLiteral("d"))
           + QStringLiteral(" AND e.Tab_TipoMovimento = 4 AND e.Tab_DataSerialeMov = (SELECT MAX(e2.Tab_DataSerialeMov) "
                            "FROM Tab_Iter_Documento e2 WHERE ")
           + sameProtocol(QStringLiteral("e2"), QStringLiteral("d"))
           + QStringLiteral(" AND e2.Tab_TipoMovimento = 4)), dip.Dipa_Denominazione, us.Tab_Descrizione, "
                            "(SELECT MIN(a.Tab_TipoAssegnazione) FROM Tab_Iter_Destinatari a JOIN Tab_Iter_Trasmissioni t "
                            "ON t.Tab_progressivo = ")
           + QString::number(delivery)
           + QStringLiteral(" WHERE ") + sameProtocol(QStringLiteral("a"), QStringLiteral("d"))
           + QStringLiteral(" AND a.Tab_DataSerialeMov = d.Tab_DataSerialeMov AND a.Tab_UfficioDestinatario = "
                            "t.Tab_UfficioDestinatario AND a.Tab_Componente = t.Tab_Componente), d.Tab_DataSerialeMov, "
                            "p.Tab_ProtocolloTemporaneo FROM Tab_Iter_Documento d JOIN Tab_Protocollo p ON ")
           + sameProtocol(QStringLiteral("p"), QStringLiteral("d"))
           + QStringLiteral(" LEFT JOIN Tab_Uffici us ON us.Tab_Ente = d.Tab_Ente AND us.Tab_Ufficio = d.Tab_Ufficio "
                            "LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = us.Tab_Ente AND "
                            "dip.Dipa_CodDipartimento = us.Tab_Dipartimento WHERE ")
           + protocolKey(QStringLiteral("d"), ente, direction, number) + QStringLiteral(" AND d.Tab_DataSerialeMov = ")
           + q(serial);
}

QString movementsQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT d.Tab_DataSerialeMov, m.Tab_Descrizione, dip.Dipa_Denominazione, u.Tab_Descrizione, "
                          "d.Tab_CodiceOpe, d.Tab_Annotazioni, d.Tab_TipoMovimento, d.Tab_DataEvasione "
                          "FROM Tab_Iter_Documento d "
                          "LEFT JOIN Tab_TipoMovimento m ON m.Tab_Codice = d.Tab_TipoMovimento "
                          "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
                          "LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = u.Tab_Ente AND "
                          "dip.Dipa_CodDipartimento = u.Tab_Dipartimento WHERE ")
           + protocolKey(QStringLiteral("d"), ente, direction, number) + QStringLiteral(" ORDER BY d.Tab_DataSerialeMov");
}

F::Columns movementRows(const F::LoadedRows &r)
{
    F::Columns out(9);
    for (int i = 0; i < r.rowCount(); ++i) {
        const QString serial = r.value(0, i).toString().trimmed();
        out[0].append(serialTextFull(serial));
        for (int c = 1; c <= 5; ++c)
            out[c].append(r.value(c, i).toString().trimmed());
        out[6].append(r.value(6, i).toInt());
        out[7].append(serial);
        out[8].append(protocol::dateText(r.value(7, i)));
    }
    return out;
}

} // namespace nimbo::iter
