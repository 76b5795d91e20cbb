#include "search/ActsRules.h"

#include <QRegularExpression>
#include <QStringList>

#include "data/Dialect.h"
#include "data/TextCheck.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

const char *const kActsMask = "***************************************";

const char *const kActTypeInvalid = "IL Tipo di provvedimento deve essere valido e significativo";
const char *const kActNumberInvalid = "IL Numero identificativo del provvedimento deve essere valido e significativo";
const char *const kActDateInvalid = "La DATA del provvedimento deve essere valida e significativa";
const char *const kActDateFuture = "La DATA del provvedimento non può essere maggiore della data odierna";
const char *const kActDepartmentInvalid = "Il codice identificativo del Dipartimento deve essere valido e significativo";
const char *const kActDepartmentUnknown = "Attenzione! Il codice Dipartimento inserito non esiste in archivio.";
const char *const kActOfficeInvalid = "Il codice identificativo dell'Ufficio deve essere valido e significativo";
const char *const kActOfficeUnknown = "Attenzione! Il codice Ufficio inserito non esiste in archivio.";
const char *const kActSubjectInvalid = "L' Oggetto deve essere valido e significativo";
const char *const kActAlreadyLinked = "L'Atto è già collegato al protocollo in esame";
const char *const kActSaved = "Registrazione Atto Collegato Conclusa CORRETTAMENTE";
const char *const kActSaveError = "Attenzione ! Errore in registrazione atto collegato !";
const char *const kActNotSaved = "Registrazione Atto Collegato NON Conclusa !";
const char *const kActDeleteQuestion = "Confermi la cancellazione dell'atto collegato ?";
const char *const kActDeleted = "Cancellazione Atto Collegato Conclusa CORRETTAMENTE";
const char *const kActDeleteError = "Attenzione ! Errore in cancellazione atto collegato !";
const char *const kActNotDeleted = "Cancellazione Atto Collegato NON Conclusa !";

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString isoDate(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

bool identifier(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString compared(const QString &column, const QString &op, const QDate &d)
{
    return QStringLiteral(" AND ") + column + (op == QLatin1String("<=") ? QStringLiteral(" <= ") : QStringLiteral(" >= "))
           + isoDate(d);
}

// True when the query finds a row; a read that fails counts as not found,
// so that nothing is written on a guess.
bool found(const QString &sql)
{
    bool failed = false;
    return F::loadRow(kDb, sql, &failed).has_value() && !failed;
}

bool docTypeExists(const QString &code)
{
    return found(QStringLiteral("SELECT Tab_Codice FROM Tab_TipoDocumento WHERE Tab_Codice = ") + q(code));
}

bool departmentExists(const QString &ente, const QString &department)
{
    return found(QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ") + q(ente)
                 + QStringLiteral(" AND Dipa_CodDipartimento = ") + q(department));
}

// The owning office belongs to the owning department.
bool officeExists(const QString &ente, const QString &department, const QString &office)
{
    return found(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ") + q(ente)
                 + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND Tab_Ufficio = ")
                 + q(office));
}

// A text the register can store and that says something.
bool meaningful(const QString &text) { return !text.trimmed().isEmpty() && TextCheck::problem({}, text).isEmpty(); }

QString column(const ui::Record &r, const char *name) { return r.value(QLatin1String(name)).trimmed(); }

} // namespace

std::optional<ActsCriteriaProblem> checkActsCriteria(const ActsCriteria &c)
{
    if (!c.correspondent.trimmed().isEmpty() && !identifier(c.correspondent))
        return ActsCriteriaProblem{QStringLiteral("Il codice del Mittente/Destinatario deve essere numerico"),
                                   QStringLiteral("CodiceMitDest")};
    return std::nullopt;
}

bool choosesDepartment(const protocol::Viewer &v) { return v.level == 9; }
bool choosesOffice(const protocol::Viewer &v) { return v.level == 9 || v.level == 8; }
bool choosesOperator(const protocol::Viewer &v) { return v.level >= 7 && v.level <= 9; }

QString actsScope(const ActsCriteria &c, const protocol::Viewer &v, const QString &p)
{
    const QString registeredBy = p + QStringLiteral(".Tab_CodiceOpeReg = ") + q(v.operatorCode);
    QStringList parts;
    if (choosesDepartment(v)) {
        if (!c.department.trimmed().isEmpty())
            parts << p + QStringLiteral(".Tab_SedeRicezione = ") + q(c.department.trimmed());
    } else {
        parts << QLatin1Char('(') + p + QStringLiteral(".Tab_SedeRicezione = ") + q(v.department) + QStringLiteral(" OR ")
                     + registeredBy + QLatin1Char(')');
    }
    if (choosesOffice(v)) {
        if (!c.office.trimmed().isEmpty())
            parts << p + QStringLiteral(".Tab_UfficioRegistrazione = ") + q(c.office.trimmed());
    } else {
        parts << QLatin1Char('(') + p + QStringLiteral(".Tab_UfficioRegistrazione = ") + q(v.office)
                     + QStringLiteral(" OR ") + registeredBy + QLatin1Char(')');
    }
    if (choosesOperator(v)) {
        if (!c.operatorCode.trimmed().isEmpty())
            parts << p + QStringLiteral(".Tab_CodiceOpeReg = ") + q(c.operatorCode.trimmed());
    } else {
        parts << registeredBy;
    }
    return parts.isEmpty() ? QString::fromLatin1(protocol::scope::kEverything)
                           : QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
}

QString actsSearchQuery(const ActsCriteria &c, const protocol::Viewer &v)
{
    // Without the privacy right (an empty right included) a reserved
    // protocol is listed with its subject masked, and a subject criterion
    // does not look into it: finding it by a word would tell the word.
    const QString reserved = QStringLiteral("COALESCE(p.Tab_SoggPrivacy, 'N') = 'S'");
    const QString subject = v.privacy ? QStringLiteral("p.Tab_Oggetto")
                                      : QStringLiteral("CASE WHEN ") + reserved + QStringLiteral(" THEN ")
                                            + q(QString::fromLatin1(kActsMask)) + QStringLiteral(" ELSE p.Tab_Oggetto END");
    QString sql = QStringLiteral("SELECT p.Tab_TipoProtocollo, SUBSTR(p.Tab_NumeroProtocollo, 1, 4) || '-' || "
                                 "SUBSTR(p.Tab_NumeroProtocollo, 5), p.Tab_DataProtocollo, p.Tab_DataRicezione, ")
                  + subject
                  + QStringLiteral(", CASE WHEN EXISTS (SELECT 1 FROM Tab_DocumentiCollegati d WHERE d.Tab_Ente = "
                                   "p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND "
                                   "d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo) THEN 'SI' ELSE 'NO' END, "
                                   "p.Tab_NumeroProtocollo, p.Tab_StatoProtocollo FROM Tab_Protocollo p WHERE p.Tab_Ente = ")
                  + q(v.ente) + QStringLiteral(" AND p.Tab_TipoProtocollo = ")
                  + q(c.direction == QLatin1String("U") ? QStringLiteral("U") : QStringLiteral("E"));
    if (c.protocolDate.isValid())
        sql += compared(QStringLiteral("p.Tab_DataProtocollo"), c.protocolDateOperator, c.protocolDate);
    if (c.receiptDate.isValid())
        sql += compared(QStringLiteral("p.Tab_DataRicezione"), c.receiptDateOperator, c.receiptDate);
    if (identifier(c.correspondent))
        sql += QStringLiteral(" AND p.Tab_Intestatario = ") + QString::number(c.correspondent.trimmed().toLongLong());
    if (!c.docType.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(c.docType.trimmed());
    if (!c.subject.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("p.Tab_Oggetto"),
                                     q(QLatin1Char('%') + c.subject.trimmed() + QLatin1Char('%')));
        if (!v.privacy)
            sql += QStringLiteral(" AND NOT ") + reserved;
    }
    return sql + QStringLiteral(" AND ") + actsScope(c, v)
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC") + Dialect::limit(kActsLimit);
}

// ---- the acts of one protocol ----------------------------------------------------

ActKey actKeyOf(const ui::Record &r)
{
    // Fields hold "dd/mm/yyyy"; a key taken from a list row may be ISO.
    const QString date = column(r, "Tab_DataDocumento");
    QDate d = QDate::fromString(date, QStringLiteral("dd/MM/yyyy"));
    if (!d.isValid())
        d = QDate::fromString(date.left(10), Qt::ISODate);
    return {column(r, "Tab_TipoDocumento"), column(r, "Tab_NumeroDocumento"), d};
}

QString actCondition(const QString &ente, const QString &protocolNumber, const ActKey &k)
{
    return QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(kActsDirection)
           + QStringLiteral(" AND Tab_NumeroProtocollo = ") + q(protocolNumber) + QStringLiteral(" AND Tab_TipoDocumento = ")
           + q(k.type) + QStringLiteral(" AND Tab_NumeroDocumento = ") + q(k.number)
           + QStringLiteral(" AND Tab_DataDocumento = ") + isoDate(k.date);
}

QString actsListQuery(const QString &ente, const QString &protocolNumber)
{
    return QStringLiteral("SELECT t.Tab_Descrizione, d.Tab_NumeroDocumento, d.Tab_DataDocumento, d.Tab_Oggetto, "
                          "d.Tab_TipoDocumento FROM Tab_DocumentiCollegati d LEFT JOIN Tab_TipoDocumento t ON "
                          "t.Tab_Codice = d.Tab_TipoDocumento WHERE d.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND d.Tab_TipoProtocollo = ") + q(kActsDirection)
           + QStringLiteral(" AND d.Tab_NumeroProtocollo = ") + q(protocolNumber)
           + QStringLiteral(" ORDER BY t.Tab_Descrizione, d.Tab_NumeroDocumento");
}

QString actLoadQuery(const QString &ente, const QString &protocolNumber, const ActKey &k)
{
    return QStringLiteral("SELECT Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, Tab_Oggetto, "
                          "Tab_DipartProprietario, Tab_UfficioProprietario, Tab_Note FROM Tab_DocumentiCollegati WHERE ")
           + actCondition(ente, protocolNumber, k);
}

ui::CheckList actChecks(const QString &ente, const QString &protocolNumber, const std::optional<ActKey> &old,
                        const QDate &today)
{
    const auto text = [](const char *t) { return QString::fromUtf8(t); };
    return {
        {QStringLiteral("Tab_TipoDocumento"),
         [](ui::Record &r) {
             const QString t = column(r, "Tab_TipoDocumento");
             return !t.isEmpty() && docTypeExists(t);
         },
         text(kActTypeInvalid)},
        {QStringLiteral("Tab_NumeroDocumento"), [](ui::Record &r) { return meaningful(column(r, "Tab_NumeroDocumento")); },
         text(kActNumberInvalid)},
        {QStringLiteral("Tab_DataDocumento"), [](ui::Record &r) { return actKeyOf(r).date.isValid(); },
         text(kActDateInvalid)},
        {QStringLiteral("Tab_DataDocumento"), [today](ui::Record &r) { return actKeyOf(r).date <= today; },
         text(kActDateFuture)},
        {QStringLiteral("Tab_DipartProprietario"),
         [](ui::Record &r) { return !column(r, "Tab_DipartProprietario").isEmpty(); }, text(kActDepartmentInvalid)},
        {QStringLiteral("Tab_DipartProprietario"),
         [ente](ui::Record &r) { return departmentExists(ente, column(r, "Tab_DipartProprietario")); },
         text(kActDepartmentUnknown)},
        {QStringLiteral("Tab_UfficioProprietario"),
         [](ui::Record &r) { return !column(r, "Tab_UfficioProprietario").isEmpty(); }, text(kActOfficeInvalid)},
        {QStringLiteral("Tab_UfficioProprietario"),
         [ente](ui::Record &r) {
             return officeExists(ente, column(r, "Tab_DipartProprietario"), column(r, "Tab_UfficioProprietario"));
         },
         text(kActOfficeUnknown)},
        {QStringLiteral("Tab_Oggetto"), [](ui::Record &r) { return meaningful(column(r, "Tab_Oggetto")); },
         text(kActSubjectInvalid)},
        {QStringLiteral("Tab_NumeroDocumento"),
         [ente, protocolNumber, old](ui::Record &r) {
             const ActKey k = actKeyOf(r);
             if (old && *old == k)
                 return true;
             bool failed = false;
             const auto there = F::loadRow(kDb,
                                           QStringLiteral("SELECT Tab_Ente FROM Tab_DocumentiCollegati WHERE ")
                                               + actCondition(ente, protocolNumber, k),
                                           &failed);
             return !there && !failed;
         },
         text(kActAlreadyLinked)},
    };
}

F::Statement actStatement(const QString &ente, const QString &protocolNumber, const ui::Record &r,
                          const std::optional<ActKey> &old, const QString &operatorCode, const QDate &today)
{
    const ActKey k = actKeyOf(r);
    const QString notes = column(r, "Tab_Note");
    F::FieldList fields = {{QStringLiteral("Tab_Ente"), ente},
                           {QStringLiteral("Tab_TipoProtocollo"), kActsDirection},
                           {QStringLiteral("Tab_NumeroProtocollo"), protocolNumber},
                           {QStringLiteral("Tab_TipoDocumento"), k.type},
                           {QStringLiteral("Tab_NumeroDocumento"), k.number},
                           {QStringLiteral("Tab_DataDocumento"), k.date},
                           {QStringLiteral("Tab_Oggetto"), column(r, "Tab_Oggetto")},
                           {QStringLiteral("Tab_DipartProprietario"), column(r, "Tab_DipartProprietario")},
                           {QStringLiteral("Tab_UfficioProprietario"), column(r, "Tab_UfficioProprietario")},
                           {QStringLiteral("Tab_Note"),
                            notes.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(notes)},
                           {QStringLiteral("Tab_CodOper"), operatorCode},
                           {QStringLiteral("Tab_DatOper"), today}};
    if (!old)
        return {QStringLiteral("A"), QStringLiteral("Tab_DocumentiCollegati"), fields, QString()};
    return {QStringLiteral("R"), QStringLiteral("Tab_DocumentiCollegati"), fields,
            actCondition(ente, protocolNumber, *old)};
}

} // namespace nimbo::search
