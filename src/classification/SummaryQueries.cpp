#include "classification/SummaryQueries.h"

#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification::summary {

const char *const kListTitles = "Tipo;N. Protocollo;Data Protocollo;Oggetto;Corrispondente;Indirizzo";
const char *const kListWidths = "5;14;15;40;30;34";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString trimmed(const F::LoadedRows &r, int column, int row) { return r.value(column, row).toString().trimmed(); }

} // namespace

// ---- the tree -------------------------------------------------------------

QString childrenQuery(const QString &ente, const QStringList &path)
{
    const QString body = q(ente);
    switch (path.size()) {
    case 0:
        return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, Tab_Attivo FROM Tab_Titolo WHERE Tab_Ente = %1 "
                              "ORDER BY Tab_Codice")
            .arg(body);
    case 1:
        return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, Tab_Attivo FROM Tab_Categoria WHERE Tab_Ente = %1 "
                              "AND Tab_CodiceTitolo = %2 ORDER BY Tab_Codice")
            .arg(body, q(path[0]));
    case 2:
        return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione, Tab_Attivo FROM Tab_Classe WHERE Tab_Ente = %1 "
                              "AND Tab_CodiceTitolo = %2 AND Tab_CodiceCategoria = %3 ORDER BY Tab_Codice")
            .arg(body, q(path[0]), q(path[1]));
    default:
        return QStringLiteral("SELECT Tab_CodiceFascicolo, Tab_Descrizione, Tab_Chiusura FROM Tab_Fascicoli WHERE "
                              "Tab_Ente = %1 AND Tab_Titolo = %2 AND Tab_Categoria = %3 AND Tab_Classe = %4 "
                              "ORDER BY Tab_CodiceFascicolo")
            .arg(body, q(path[0]), q(path[1]), q(path[2]));
    }
}

QString dossierText(const QVariant &code) { return QStringLiteral("%1").arg(code.toLongLong(), 5, 10, QLatin1Char('0')); }

QVector<Element> elementsOf(const F::LoadedRows &rows, int pathLength)
{
    QVector<Element> out;
    out.reserve(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        Element e;
        e.description = trimmed(rows, 1, r);
        if (pathLength >= 3) {
            e.code = dossierText(rows.value(0, r));
            const QString closed = protocol::dateText(rows.value(2, r));
            e.inactive = !closed.isEmpty();
            e.state = e.inactive ? QStringLiteral("Chiuso il ") + closed : QStringLiteral("Aperto");
        } else {
            e.code = trimmed(rows, 0, r);
            // A missing flag counts as active, as the column's default.
            const QVariant active = rows.value(2, r);
            e.inactive = !active.isNull() && active.toString().trimmed() == QLatin1String("0");
            e.state = e.inactive ? QStringLiteral("Non attivo") : QStringLiteral("Attivo");
        }
        out << e;
    }
    return out;
}

// ---- the protocols of a class or a dossier --------------------------------

QString heading(const Selection &s)
{
    return s.dossier ? QStringLiteral("Documenti inseriti nel fascicolo:")
                     : QStringLiteral("Documenti appartenenti alla classe:");
}

QString headingWithName(const Selection &s)
{
    QString path = s.title + QLatin1Char('.') + s.category + QLatin1Char('.') + s.klass;
    if (s.dossier)
        path += QLatin1Char('.') + dossierText(*s.dossier);
    return heading(s) + QLatin1Char(' ') + path + QStringLiteral(" - ") + s.description;
}

QString periodProblem(const QString &from, const QString &to, Period *period)
{
    const QString wrong = QStringLiteral("inserire una data corretta");
    const QDate a = QDate::fromString(from.trimmed(), QStringLiteral("dd/MM/yyyy"));
    const QDate b = QDate::fromString(to.trimmed(), QStringLiteral("dd/MM/yyyy"));
    if (!a.isValid() || !b.isValid())
        return wrong;
    if (a > b)
        return QStringLiteral("la data iniziale del periodo non può essere maggiore della data finale");
    if (period)
        *period = {a, b};
    return {};
}

Period proposedPeriod(const QDate &today) { return {QDate(today.year(), 1, 1), today}; }

QString protocolsQuery(const QString &ente, const Selection &s, const Period &p, const protocol::Viewer &v)
{
    QString classified = QStringLiteral("SELECT f.Tab_TipoProtocollo, f.Tab_NumeroProtocollo FROM Tab_ProFascicoli f "
                                        "WHERE f.Tab_Ente = %1 AND f.Tab_Titolo = %2 AND f.Tab_Categoria = %3 AND "
                                        "f.Tab_Classe = %4")
                             .arg(q(ente), q(s.title), q(s.category), q(s.klass));
    if (s.dossier)
        classified += QStringLiteral(" AND f.Tab_CodiceFascicolo = %1").arg(*s.dossier);
    // The day after the period's end, so that a date stored with a time
    // still falls inside its day.
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "r.Tab_Denominazione, r.Tab_Domicilio, r.Tab_NumeroCivico, c.com_cap, c.com_Comune, "
                          "p.Tab_SoggPrivacy FROM Tab_Protocollo p "
                          "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                          "r.Tab_Identificativo = p.Tab_Intestatario "
                          "LEFT JOIN Tab_Comuni c ON c.Com_Codcom = r.Tab_ComuneUbicazione "
                          "WHERE p.Tab_Ente = %1 AND (p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo) IN (%2) "
                          "AND p.Tab_DataProtocollo >= %3 AND p.Tab_DataProtocollo < %4 AND %5 "
                          "ORDER BY p.Tab_NumeroProtocollo")
        .arg(q(ente), classified, protocol::sqlDate(p.from), protocol::sqlDate(p.to.addDays(1)),
             protocol::scope::generalSearch(v, QStringLiteral("p")));
}

QString addressText(const QString &street, const QString &number, const QString &postcode, const QString &town)
{
    QString out = street.trimmed();
    if (!number.trimmed().isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(", ")) + number.trimmed();
    QString place = postcode.trimmed();
    if (!town.trimmed().isEmpty())
        place += (place.isEmpty() ? QString() : QStringLiteral("   ")) + town.trimmed();
    if (!place.isEmpty())
        out += (out.isEmpty() ? QString() : QStringLiteral(" - ")) + place;
    return out;
}

F::Columns protocolRows(const F::LoadedRows &rows, const protocol::Viewer &v)
{
    F::Columns out(ColumnCount);
    const int n = rows.rowCount();
    for (auto &c : out)
        c.reserve(n);
    const QString mask = QString::fromLatin1(protocol::scope::kTrayMask);
    for (int r = 0; r < n; ++r) {
        const QString reserved = trimmed(rows, 9, r).toUpper();
        const bool masked = reserved == QLatin1String("S") && !v.privacy;
        const QString stored = trimmed(rows, 1, r);
        out[ColDirection].append(trimmed(rows, 0, r));
        out[ColNumber].append(shownNumber(stored));
        // ISO text: sorts as dates and is shown day first by every list.
        out[ColDate].append(QDate::fromString(protocol::dateText(rows.value(2, r)), QStringLiteral("dd/MM/yyyy"))
                                .toString(Qt::ISODate));
        out[ColSubject].append(masked ? mask : trimmed(rows, 3, r));
        out[ColHolder].append(masked ? mask : trimmed(rows, 4, r));
        out[ColAddress].append(masked ? mask
                                      : addressText(trimmed(rows, 5, r), trimmed(rows, 6, r), trimmed(rows, 7, r),
                                                    trimmed(rows, 8, r)));
        out[ColStored].append(stored);
        out[ColReserved].append(reserved);
    }
    return out;
}

// ---- progress of a protocol -----------------------------------------------

QString progressQuery(const QString &ente, const QStringList &numbers)
{
    QStringList quoted;
    for (const QString &n : numbers)
        quoted << q(n);
    if (quoted.isEmpty())
        quoted << QStringLiteral("''");
    // Both directions named, so that each number is found through the
    // movement key (body, direction, number, time).
    return QStringLiteral("SELECT d.Tab_TipoProtocollo, d.Tab_NumeroProtocollo, d.Tab_TipoMovimento, m.Tab_Descrizione, "
                          "u.Tab_Descrizione, ru.Tab_Descrizione FROM Tab_Iter_Documento d "
                          "LEFT JOIN Tab_TipoMovimento m ON m.Tab_Codice = d.Tab_TipoMovimento "
                          "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
                          "LEFT JOIN Tab_Iter_Destinatari r ON r.Tab_Ente = d.Tab_Ente AND "
                          "r.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND r.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo "
                          "AND r.Tab_DataSerialeMov = d.Tab_DataSerialeMov "
                          "LEFT JOIN Tab_Uffici ru ON ru.Tab_Ente = r.Tab_Ente AND ru.Tab_Ufficio = r.Tab_UfficioDestinatario "
                          "WHERE d.Tab_Ente = %1 AND d.Tab_TipoProtocollo IN ('E', 'U') AND d.Tab_NumeroProtocollo IN (%2) "
                          "AND d.Tab_DataSerialeMov = (SELECT MAX(x.Tab_DataSerialeMov) FROM Tab_Iter_Documento x WHERE "
                          "x.Tab_Ente = d.Tab_Ente AND x.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND "
                          "x.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo) "
                          "ORDER BY d.Tab_NumeroProtocollo, ru.Tab_Descrizione")
        .arg(q(ente), quoted.join(QStringLiteral(", ")));
}

QHash<QString, Progress> progressOf(const F::LoadedRows &rows)
{
    QHash<QString, Progress> out;
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString key = trimmed(rows, 0, r) + QLatin1Char('|') + trimmed(rows, 1, r);
        const bool first = !out.contains(key);
        Progress &p = out[key];
        if (first) {
            p.office = trimmed(rows, 4, r);
            p.state = rows.value(2, r).toInt() == kInChargeMovement ? QStringLiteral("PRESO IN CARICO DA ") + p.office
                                                                    : trimmed(rows, 3, r);
        }
        const QString to = trimmed(rows, 5, r);
        if (!to.isEmpty() && !p.recipients.split(QStringLiteral(", ")).contains(to))
            p.recipients += (p.recipients.isEmpty() ? QString() : QStringLiteral(", ")) + to;
    }
    return out;
}

} // namespace nimbo::classification::summary
