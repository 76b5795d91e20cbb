#include "servers/RegistrationDossiers.h"

#include <QSet>
#include <limits>

#include "schema/Definition.h"

namespace nimbo {

QString FiledDossier::shown() const
{
    return title + QLatin1Char('.') + category + QLatin1Char('.') + cls + QLatin1Char('.')
           + QString::number(code).rightJustified(5, QLatin1Char('0'));
}

namespace {

const QString kTable = QStringLiteral("Tab_ProFascicoli");

bool readCode(const RequestRow &row, const QString &column, int position, QString *out, QString *why)
{
    const QString field = QStringLiteral("%1 del fascicolo n. %2 della richiesta").arg(column).arg(position);
    if (!requestText(row.get(column), field, true, out, why))
        return false;
    const int most = Schema::entryLength(Schema::Kind::Central, kTable, column);
    if (most > 0 && out->size() > most) {
        *why = QStringLiteral("Codice troppo lungo per %1: al massimo %2 caratteri.").arg(field).arg(most);
        return false;
    }
    return true;
}

} // namespace

bool readFiledDossiers(const QVector<RequestRow> &rows, const QString &ente, QVector<FiledDossier> *out,
                       QString *why)
{
    QSet<QString> seen;
    int position = 0;
    for (const RequestRow &row : rows) {
        ++position;
        const QString body = row.text(QStringLiteral("Tab_Ente"));
        if (!body.isEmpty() && body.compare(ente.trimmed(), Qt::CaseInsensitive) != 0) {
            *why = QStringLiteral("Il fascicolo n. %1 della richiesta è di un altro ente (Tab_Ente %2): si classifica "
                                  "solo nei fascicoli dell'ente %3.")
                       .arg(position)
                       .arg(body, ente);
            return false;
        }
        FiledDossier d;
        if (!readCode(row, QStringLiteral("Tab_Titolo"), position, &d.title, why)
            || !readCode(row, QStringLiteral("Tab_Categoria"), position, &d.category, why)
            || !readCode(row, QStringLiteral("Tab_Classe"), position, &d.cls, why))
            return false;
        const QVariant code = row.get(QStringLiteral("Tab_CodiceFascicolo"));
        d.code = code.toLongLong();
        if (code.isNull() || d.code < 1 || d.code > std::numeric_limits<qint32>::max()) {
            *why = QStringLiteral("Codice del fascicolo (Tab_CodiceFascicolo) n. %1 della richiesta non valido: %2")
                       .arg(position)
                       .arg(code.toString());
            return false;
        }
        if (seen.contains(d.shown())) {
            *why = QStringLiteral("Il fascicolo %1 è indicato più di una volta: ogni fascicolo si indica una sola "
                                  "volta.")
                       .arg(d.shown());
            return false;
        }
        seen.insert(d.shown());
        out->append(d);
    }
    return true;
}

std::optional<QString> filedDossierRefusal(const RequestUnit::Exec &exec, QSqlQuery *&q, bool postgres,
                                           const QString &ente, const FiledDossier &d)
{
    const QString sql = QStringLiteral(
        "SELECT f.Tab_Chiusura, t.Tab_Attivo, c.Tab_Attivo, k.Tab_Attivo FROM Tab_Fascicoli f "
        "LEFT JOIN Tab_Titolo t ON t.Tab_Ente = f.Tab_Ente AND t.Tab_Codice = f.Tab_Titolo "
        "LEFT JOIN Tab_Categoria c ON c.Tab_Ente = f.Tab_Ente AND c.Tab_CodiceTitolo = f.Tab_Titolo "
        "AND c.Tab_Codice = f.Tab_Categoria "
        "LEFT JOIN Tab_Classe k ON k.Tab_Ente = f.Tab_Ente AND k.Tab_CodiceTitolo = f.Tab_Titolo "
        "AND k.Tab_CodiceCategoria = f.Tab_Categoria AND k.Tab_Codice = f.Tab_Classe "
        "WHERE f.Tab_Ente = ? AND f.Tab_Titolo = ? AND f.Tab_Categoria = ? AND f.Tab_Classe = ? "
        "AND f.Tab_CodiceFascicolo = ?");
    if (!exec(q, sql + (postgres ? QStringLiteral(" FOR SHARE OF f") : QString()),
              {ente, d.title, d.category, d.cls, d.code}))
        return std::nullopt;
    const bool found = q->next();
    const bool closed = found && !q->value(0).isNull();
    // An element is active only while its flag says 1, as the chooser
    // shows it; a missing one (which the database does not let happen) is
    // not active either. The highest inactive level is the one named.
    const auto inactive = [&](int column) { return q->value(column).isNull() || q->value(column).toLongLong() != 1; };
    const int level = !found ? 0 : inactive(1) ? 1 : inactive(2) ? 2 : inactive(3) ? 3 : 0;
    q->finish();
    const QString named = QStringLiteral("Il fascicolo ") + d.shown();
    if (!found)
        return named + QStringLiteral(" non esiste: scegliere un fascicolo presente in archivio.");
    if (closed)
        return named + QStringLiteral(" è chiuso: scegliere un fascicolo aperto.");
    if (level == 1)
        return named + QStringLiteral(" appartiene a un titolo non attivo: scegliere un fascicolo di un titolo attivo.");
    if (level == 2)
        return named
               + QStringLiteral(" appartiene a una categoria non attiva: scegliere un fascicolo di una categoria attiva.");
    if (level == 3)
        return named + QStringLiteral(" appartiene a una classe non attiva: scegliere un fascicolo di una classe attiva.");
    return QString();
}

} // namespace nimbo
