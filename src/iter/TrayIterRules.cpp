#include "iter/TrayIterRules.h"

#include <QRegularExpression>

#include "data/Dialect.h"
#include "iter/TrayRules.h"
#include "protocol/ProtocolRules.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

using protocol::Viewer;
namespace scope = protocol::scope;

const char *const kAllTypes = "Tutte le tipologie - AAA";
const char *const kInChargeTitles = "Tipo;N° Protocollo;Data Protocollo;Intestatario;Oggetto;Data scadenza";
const char *const kInChargeWidths = "5;12;10;26;40;10";
const char *const kDayChoices[8] = {"1", "2", "3", "4", "5", "10", "15", "30"};
const char *const kDeadlineTitles = "Data Scadenza;Tipo;N° Protocollo;Data Protocollo;Oggetto;Mittente/Destinatario;"
                                    "Ufficio Competente;Data Assegnazione;Ritardo;Seriale;Ufficio";
const char *const kDeadlineWidths = "10;5;12;10;30;20;20;14;6;0;0";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString key(const QString &alias, const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("%1.Tab_Ente = %2 AND %1.Tab_TipoProtocollo = %3 AND %1.Tab_NumeroProtocollo = %4")
        .arg(alias, q(ente), q(direction), q(number));
}

QString sameProtocol(const QString &a, const QString &b)
{
    return QStringLiteral("%1.Tab_Ente = %2.Tab_Ente AND %1.Tab_TipoProtocollo = %2.Tab_TipoProtocollo AND "
                          "%1.Tab_NumeroProtocollo = %2.Tab_NumeroProtocollo")
        .arg(a, b);
}

QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

bool numeric(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QDate dateOf(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().date();
    return F::parseDateShape(v.toString().trimmed()).date();
}

} // namespace

QString itemCode(const QString &item)
{
    const int at = item.lastIndexOf(QStringLiteral(" - "));
    return (at < 0 ? item : item.mid(at + 3)).trimmed();
}

QString docTypesQuery()
{
    return QStringLiteral("SELECT Tab_Descrizione, Tab_Codice FROM Tab_TipoDocumento ORDER BY Tab_Descrizione");
}

std::optional<QString> checkInCharge(const InChargeCriteria &c)
{
    for (const QString *d : {&c.from, &c.to})
        if (!d->trimmed().isEmpty() && !protocol::shownDate(*d).isValid())
            return QStringLiteral("Inserire una data corretta");
    const QDate from = protocol::shownDate(c.from), to = protocol::shownDate(c.to);
    if (from.isValid() && to.isValid() && to < from)
        return QString::fromUtf8("la data finale non può essere minore della data iniziale");
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if (year != number)
        return QStringLiteral("inserire entrambi i dati relativi all'anno ed al numero di protocollo");
    if (year && (!numeric(c.year) || !numeric(c.number) || c.year.trimmed().size() > 4 || c.number.trimmed().size() > 7))
        return QStringLiteral("specificare valori numerici per i campi relativi all'anno ed al numero di protocollo");
    return std::nullopt;
}

QString inChargeQuery(const InChargeCriteria &c, const Viewer &v)
{
    QString sql = QStringLiteral(
        "SELECT DISTINCT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, r.Tab_Denominazione, "
        "p.Tab_Oggetto, a.Tab_DataEvasione, p.Tab_SoggPrivacy FROM Tab_Iter_Documento d "
        "JOIN Tab_Protocollo p ON ") + sameProtocol(QStringLiteral("p"), QStringLiteral("d"))
        + QStringLiteral(" JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
                         "JOIN Tab_Iter_Documento a ON ") + sameProtocol(QStringLiteral("a"), QStringLiteral("d"))
        + QStringLiteral(" AND a.Tab_TipoMovimento = 4 AND a.Tab_DataSerialeMov = (SELECT MAX(a2.Tab_DataSerialeMov) "
                         "FROM Tab_Iter_Documento a2 WHERE ") + sameProtocol(QStringLiteral("a2"), QStringLiteral("d"))
        + QStringLiteral(" AND a2.Tab_TipoMovimento = 4) LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                         "r.Tab_Identificativo = p.Tab_Intestatario WHERE d.Tab_Ente = ")
        + q(v.ente) + QStringLiteral(" AND d.Tab_InCarico = 'S' AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'");
    if (c.incoming != c.outgoing)
        sql += QStringLiteral(" AND d.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
    const QDate from = protocol::shownDate(c.from), to = protocol::shownDate(c.to);
    if (from.isValid() || to.isValid())
        sql += QStringLiteral(" AND ") + scope::movementPeriod(QStringLiteral("d.Tab_DataSerialeMov"), from, to);
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
    const QString type = itemCode(c.docType);
    if (!type.isEmpty() && type != QLatin1String("AAA"))
        sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(type);
    if (!c.correspondent.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("r.Tab_Denominazione"), c.correspondent);
    if (numeric(c.year) && numeric(c.number))
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ")
               + q(QStringLiteral("%1%2").arg(c.year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
                       .arg(c.number.trimmed().toLongLong(), 7, 10, QLatin1Char('0')));
    sql += QStringLiteral(" AND ") + scope::inCharge(v);
    return sql + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC, p.Tab_TipoProtocollo");
}

F::Columns inChargeRows(const F::LoadedRows &r, const Viewer &v)
{
    F::Columns out(8);
    for (int i = 0; i < r.rowCount(); ++i) {
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        out[0].append(txt(0));
        out[1].append(shownNumber(txt(1)));
        out[2].append(r.value(2, i));
        out[3].append(txt(3));
        out[4].append(scope::shownSubject(v, txt(4), txt(6), QString::fromLatin1(scope::kTrayMask)));
        out[5].append(r.value(5, i));
        out[6].append(txt(0));
        out[7].append(txt(1));
    }
    return out;
}

QString headerQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_StatoProtocollo, p.Tab_DataProtocollo, td.Tab_Descrizione, r.Tab_Denominazione, "
                          "r.Tab_Domicilio, r.Tab_NumeroCivico, cm.com_Comune, p.Tab_Oggetto, "
                          "p.Tab_ProtocolloTemporaneo, p.Tab_SoggPrivacy FROM Tab_Protocollo p "
                          "LEFT JOIN Tab_TipoDocumento td ON td.Tab_Codice = p.Tab_Tipologia "
                          "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                          "p.Tab_Intestatario LEFT JOIN Tab_Comuni cm ON cm.Com_Codcom = r.Tab_ComuneUbicazione WHERE ")
           + key(QStringLiteral("p"), ente, direction, number);
}

QString stateText(const QString &state)
{
    return state.trimmed() == QLatin1String("C") ? QStringLiteral("C A N C E L L A T O") : QStringLiteral("A T T I V O");
}

QString linkedQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT l.Tab_NumeroProtocollo FROM Tab_ProtocolliCollegati l WHERE ")
           + key(QStringLiteral("l"), ente, direction, number) + Dialect::limit(1);
}

QString recipientsQuery(const QString &ente, const QString &direction, const QString &number, const QString &serial)
{
    return QStringLiteral("SELECT a.Tab_UfficioDestinatario, u.Tab_Descrizione, a.Tab_Componente, c.Tab_Componente, "
                          "a.Tab_TipoAssegnazione, a.Tab_DataEffettivaAssegnazione, u.Tab_Dipartimento "
                          "FROM Tab_Iter_Destinatari a LEFT JOIN Tab_Uffici u ON u.Tab_Ente = a.Tab_Ente AND "
                          "u.Tab_Ufficio = a.Tab_UfficioDestinatario LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente = "
                          "a.Tab_Ente AND c.Tab_Ufficio = a.Tab_UfficioDestinatario AND c.Tab_Progressivo = "
                          "a.Tab_Componente WHERE ")
           + key(QStringLiteral("a"), ente, direction, number) + QStringLiteral(" AND a.Tab_DataSerialeMov = ") + q(serial)
           + QStringLiteral(" ORDER BY a.Tab_DataEffettivaAssegnazione");
}

QString detailKindText(int assignmentType)
{
    if (assignmentType == 1)
        return QStringLiteral("Documento di Competenza Ufficio");
    if (assignmentType == 2)
        return QStringLiteral("Documento in Copia Conoscenza");
    return {};
}

std::optional<QString> checkDeadlines(const DeadlineCriteria &c)
{
    if (c.option == DeadlineCriteria::Option::None)
        return QStringLiteral("Specificare il tipo di ricerca da effettuare");
    if (c.option == DeadlineCriteria::Option::Due && (!numeric(c.days) || c.days.trimmed().toInt() <= 0))
        return QStringLiteral("specificare il numero di giorni di riferimento");
    return std::nullopt;
}

QString deadlineQuery(const DeadlineCriteria &c, const Viewer &v)
{
    const Dialect::Engine e = Dialect::centralTarget().engine;
    QString sql = QStringLiteral(
        "SELECT x.Tab_DataEvasione, x.Tab_TipoProtocollo, x.Tab_NumeroProtocollo, x.Tab_DataProtocollo, x.Tab_Oggetto, "
        "x.Tab_Denominazione, x.Tab_Descrizione, x.Tab_DataSerialeMov, x.Tab_Ufficio, x.Tab_SoggPrivacy "
        "FROM ProtocolliAssegnati_Competenza x WHERE x.Tab_Ente = ")
        + q(v.ente)
        + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento arch WHERE arch.Tab_TipoMovimento = 5 AND ")
        + sameProtocol(QStringLiteral("arch"), QStringLiteral("x")) + QStringLiteral(")");
    if (c.option == DeadlineCriteria::Option::Due)
        sql += QStringLiteral(" AND x.Tab_DataEvasione > NOW() AND x.Tab_DataEvasione <= ")
               + Dialect::addDays(e, QStringLiteral("NOW()"), c.days.trimmed().toInt());
    else
        sql += QStringLiteral(" AND x.Tab_DataEvasione < NOW()");
    scope::DeadlineColumns cols;
    cols.operatorCode = QStringLiteral("x.Tab_codiceOpe");
    cols.office = QStringLiteral("x.Tab_Ufficio");
    cols.department = QStringLiteral("x.Dipa_CodDipartimento");
    sql += QStringLiteral(" AND ") + scope::deadlines(v, cols);
    return sql + QStringLiteral(" ORDER BY x.Tab_DataEvasione, x.Tab_NumeroProtocollo");
}

F::Columns deadlineRows(const F::LoadedRows &r, const Viewer &v, const QDate &today)
{
    F::Columns out(13);
    for (int i = 0; i < r.rowCount(); ++i) {
        const auto txt = [&](int c) { return r.value(c, i).toString().trimmed(); };
        const QDate deadline = dateOf(r.value(0, i));
        out[0].append(r.value(0, i));
        out[1].append(txt(1));
        out[2].append(shownNumber(txt(2)));
        out[3].append(r.value(3, i));
        out[4].append(scope::shownSubject(v, txt(4), txt(9), QString::fromLatin1(scope::kDeadlineMask)));
        out[5].append(txt(5));
        out[6].append(txt(6));
        out[7].append(serialText(txt(7)));
        out[8].append(deadline.isValid() ? deadline.daysTo(today) : 0);
        out[9].append(txt(7));
        out[10].append(txt(8));
        out[11].append(txt(1));
        out[12].append(txt(2));
    }
    return out;
}

QString deadlineTitle(const DeadlineCriteria &c, const QDate &today)
{
    if (c.option == DeadlineCriteria::Option::Overdue)
        return QStringLiteral("Documenti non ancora evasi alla data del ") + today.toString(QStringLiteral("d/M/yyyy"));
    return QStringLiteral("Documenti in scadenza entro il ")
           + today.addDays(c.days.trimmed().toInt()).toString(QStringLiteral("d/M/yyyy"));
}

QVector<ReportRow> deadlineReportRows(const F::Columns &shown)
{
    QVector<ReportRow> rows;
    const int n = shown.isEmpty() ? 0 : int(shown.first().size());
    for (int i = 0; i < n; ++i) {
        ReportRow row(kReportColumns);
        for (int c = 0; c < 11; ++c)
            row[c] = F::displayValue(shown[c].value(i));
        row[11] = shown[11].value(i).toString() + QLatin1Char(' ') + shown[2].value(i).toString();
        rows.append(row);
    }
    return rows;
}

QString takenLabelQuery(const Viewer &v, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT d.Tab_DataSerialeMov, dip.Dipa_Denominazione, u.Tab_Descrizione "
                          "FROM Tab_Iter_Documento d JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = "
                          "d.Tab_Ufficio LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = u.Tab_Ente AND "
                          "dip.Dipa_CodDipartimento = u.Tab_Dipartimento WHERE ")
           + key(QStringLiteral("d"), v.ente, direction, number)
           + QStringLiteral(" AND d.Tab_TipoMovimento = 3 AND d.Tab_Ufficio = ") + q(v.office)
           + QStringLiteral(" AND u.Tab_Dipartimento = ") + q(v.department)
           + QStringLiteral(" ORDER BY d.Tab_DataSerialeMov DESC") + Dialect::limit(1);
}

QStringList takenLabelLines(const QString &heading, const QString &bodyName, const QDate &taken,
                            const QString &department, const QString &office, const QString &bodyCode)
{
    // Quotes and backslashes inside a text would end the printer's string.
    const auto text = [](int y, const QString &t) {
        QString v = t;
        v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        v.replace(QLatin1Char('"'), QStringLiteral("\\\""));
        return QStringLiteral("A16,%1,0,2,1,1,N,\"%2\"").arg(y).arg(v);
    };
    const QString name = bodyName.trimmed();
    QStringList lines{QStringLiteral("N"), QStringLiteral("D10"), QStringLiteral("X0,8,4,468,252"), text(48, heading),
                      text(78, QStringLiteral("AOO: ") + name.left(30))};
    if (name.size() > 30)
        lines << text(98, QStringLiteral("   ") + name.mid(30));
    lines << text(128, QStringLiteral("Preso in Carico il:  ") + taken.toString(QStringLiteral("dd/MM/yyyy")))
          << text(178, QStringLiteral("Dipartimento: ") + department.trimmed())
          << text(198, (bodyCode.trimmed() == QLatin1String("104") ? QStringLiteral("U. Operativa: ")
                                                                   : QStringLiteral("Ufficio: "))
                           + office.trimmed())
          << QStringLiteral("P1");
    return lines;
}

} // namespace nimbo::iter
