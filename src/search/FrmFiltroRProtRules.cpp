#include "search/FrmFiltroRProtRules.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "data/TextCheck.h"
#include "protocol/CancelMark.h"
#include "session/DicAmbiente.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search::filter {

const char *const kNone = "--------------------";
const char *const kListTitles = "Tipo;N. Protocollo;Data;Oggetto;Mittente/Destinatario;Stato";
const char *const kListWidths = "7;13;11;40;30;10;0;0";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

// "a IN ('x', 'y')", or a condition that holds nowhere for no value.
QString inList(const QString &column, QStringList values)
{
    values.removeDuplicates();
    values.removeAll(QString());
    if (values.isEmpty())
        return QStringLiteral("1 = 0");
    QStringList quoted;
    for (const QString &value : std::as_const(values))
        quoted << q(value);
    return column + QStringLiteral(" IN (") + quoted.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString cell(const F::LoadedRows &rows, int column, int row) { return rows.value(column, row).toString().trimmed(); }

// The keys of the stored criteria; short and fixed, so an old saved search
// still reads after the window changes.
namespace key {
const QString year = QStringLiteral("anno"), number = QStringLiteral("numero"), emergency = QStringLiteral("emergenza"),
              date = QStringLiteral("data"), op = QStringLiteral("confronto"),
              correspondent = QStringLiteral("corrispondente"), docType = QStringLiteral("tipo"),
              subject = QStringLiteral("oggetto"), incoming = QStringLiteral("entrata"),
              outgoing = QStringLiteral("uscita"), department = QStringLiteral("dipartimento"),
              office = QStringLiteral("ufficio"), limit = QStringLiteral("righe");
} // namespace key

} // namespace

const QList<int> &rowLimits()
{
    static const QList<int> limits{50, 100, 150, 200, 250, 300, 350, 400, 500, 1000};
    return limits;
}

QString departmentsQuery(const protocol::Viewer &v)
{
    QString sql = QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                                 "Dipa_CodiceEnte = ")
                  + q(v.ente);
    if (v.level != 9) {
        QStringList mine{v.department};
        for (const auto &pair : v.extra)
            mine << pair.department;
        sql += QStringLiteral(" AND ") + inList(QStringLiteral("Dipa_CodDipartimento"), mine);
    }
    return sql + QStringLiteral(" ORDER BY Dipa_Denominazione");
}

QString officesQuery(const protocol::Viewer &v, const QString &department)
{
    QString sql = QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ") + q(v.ente)
                  + QStringLiteral(" AND Tab_Dipartimento = ") + q(department);
    if (v.level != 8 && v.level != 9) {
        QStringList mine;
        if (v.department == department)
            mine << v.office;
        for (const auto &pair : v.extra)
            if (pair.department == department)
                mine << pair.office;
        sql += QStringLiteral(" AND ") + inList(QStringLiteral("Tab_Ufficio"), mine);
    }
    return sql + QStringLiteral(" ORDER BY Tab_Descrizione");
}

F::Columns resultRows(const F::LoadedRows &rows, const protocol::Viewer &v)
{
    F::Columns out(ColDirectionCode + 1);
    const QString mask = QString::fromUtf8(kMask);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString direction = cell(rows, 0, r);
        const bool hidden = masked(v, cell(rows, 6, r));
        out[ColDirection] << (direction == QLatin1String("U") ? QStringLiteral("Uscita") : QStringLiteral("Entrata"));
        out[ColNumber] << shownNumber(cell(rows, 1, r));
        out[ColDate] << rows.value(2, r);
        out[ColSubject] << (hidden ? mask : cell(rows, 3, r));
        out[ColCorrespondent] << (hidden ? mask : cell(rows, 4, r));
        out[ColState] << protocol::cancelled::stateText(cell(rows, 5, r));
        out[ColKey] << cell(rows, 1, r);
        out[ColDirectionCode] << direction;
    }
    return out;
}

QString countText(qlonglong found)
{
    return QStringLiteral("Sono stati trovati N. ") + QString::number(found) + QStringLiteral(" Protocolli");
}

QList<int> printWidths() { return {7, 12, 10, 33, 22, 10}; }

QString criteriaText(const GeneralCriteria &c)
{
    QJsonObject o;
    const auto text = [&o](const QString &name, const QString &value) {
        if (!value.trimmed().isEmpty())
            o.insert(name, value.trimmed());
    };
    text(key::year, c.year);
    text(key::number, c.number);
    text(key::emergency, c.emergencyNumber);
    if (c.date.isValid())
        o.insert(key::date, c.date.toString(Qt::ISODate));
    o.insert(key::op, c.dateOperator);
    text(key::correspondent, c.correspondent);
    text(key::docType, c.docType);
    text(key::subject, c.subject);
    o.insert(key::incoming, c.incoming);
    o.insert(key::outgoing, c.outgoing);
    text(key::department, c.department);
    text(key::office, c.office);
    o.insert(key::limit, c.limit);
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

std::optional<GeneralCriteria> criteriaFromText(const QString &text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    GeneralCriteria c;
    // A text of at most `length` characters that a field of the window can hold.
    const auto read = [&o](const QString &name, int length) {
        const QString value = o.value(name).toString().trimmed().left(length);
        return TextCheck::problem(name, value).isEmpty() ? value : QString();
    };
    c.year = read(key::year, 4);
    c.number = read(key::number, 7);
    c.emergencyNumber = read(key::emergency, 7);
    c.date = QDate::fromString(o.value(key::date).toString(), Qt::ISODate);
    if (const QString op = o.value(key::op).toString(); op == QLatin1String("<="))
        c.dateOperator = op;
    c.correspondent = read(key::correspondent, 30);
    c.docType = read(key::docType, 3);
    c.subject = read(key::subject, 30);
    c.incoming = o.value(key::incoming).toBool(true);
    c.outgoing = o.value(key::outgoing).toBool(true);
    c.department = read(key::department, 5);
    c.office = read(key::office, 5);
    const int limit = o.value(key::limit).toInt();
    c.limit = rowLimits().contains(limit) ? limit : rowLimits().first();
    return c;
}

QString savedNamesQuery(const QString &ente, const QString &operatorCode)
{
    return QStringLiteral("SELECT Tab_Nome FROM Tab_RicercheSalvate WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Operatore = ") + q(operatorCode) + QStringLiteral(" ORDER BY Tab_Nome");
}

namespace {
QString savedCondition(const QString &ente, const QString &operatorCode, const QString &name)
{
    return QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_Operatore = ") + q(operatorCode)
           + QStringLiteral(" AND Tab_Nome = ") + q(name);
}
} // namespace

QString savedCriteriaQuery(const QString &ente, const QString &operatorCode, const QString &name)
{
    return QStringLiteral("SELECT Tab_Criteri FROM Tab_RicercheSalvate WHERE ")
           + savedCondition(ente, operatorCode, name);
}

F::Statement saveStatement(const QString &ente, const QString &operatorCode, const QString &name,
                           const QString &criteria, bool replace)
{
    return {replace ? QStringLiteral("CR") : QStringLiteral("A"), QStringLiteral("Tab_RicercheSalvate"),
            {{QStringLiteral("Tab_Ente"), ente},
             {QStringLiteral("Tab_Operatore"), operatorCode},
             {QStringLiteral("Tab_Nome"), name},
             {QStringLiteral("Tab_Criteri"), criteria},
             {QStringLiteral("Tab_CodOper"), operatorCode},
             {QStringLiteral("Tab_DatOper"), QDate::currentDate()}},
            replace ? savedCondition(ente, operatorCode, name) : QString()};
}

F::Statement removeStatement(const QString &ente, const QString &operatorCode, const QString &name)
{
    return {QStringLiteral("C"), QStringLiteral("Tab_RicercheSalvate"), {}, savedCondition(ente, operatorCode, name)};
}

QString nameProblem(const QString &name)
{
    if (name.trimmed().isEmpty())
        return QStringLiteral("Indicare il nome con cui salvare la ricerca");
    if (name.trimmed().size() > kNameLength)
        return QStringLiteral("Il nome della ricerca non può superare %1 caratteri").arg(kNameLength);
    return TextCheck::problem(QStringLiteral("Nome ricerca"), name.trimmed());
}

} // namespace nimbo::search::filter
