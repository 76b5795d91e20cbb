#include "protocol/ProtocolLinks.h"

#include <QRegularExpression>

#include "data/Dialect.h"
#include "data/ServerRegistry.h"
#include "protocol/ProtocolRules.h"
#include "session/GECentr.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol::links {

const char *const kLinkFailed = "Errore nella registrazione del protocollo collegato";
const char *const kLinkExists = "Il protocollo scelto è già collegato al protocollo in esame.";
const char *const kLinkItself = "Un protocollo non può essere collegato a se stesso.";
const char *const kUnlinkFailed = "ATTENZIONE ! Errore in cancellazione protocollo collegato";

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kTable = QStringLiteral("Tab_ProtocolliCollegati");

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString rowCondition(const QString &ente, const Key &holder, const Key &linked)
{
    return QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(holder.direction)
           + QStringLiteral(" AND Tab_NumeroProtocollo = ") + q(holder.number)
           + QStringLiteral(" AND Tab_TipoProtocolloC = ") + q(linked.direction)
           + QStringLiteral(" AND Tab_NumeroProtocolloC = ") + q(linked.number);
}

F::Statement insertRow(const QString &ente, const Key &holder, const Key &linked)
{
    return {QStringLiteral("A"),
            kTable,
            {{QStringLiteral("Tab_Ente"), ente},
             {QStringLiteral("Tab_TipoProtocollo"), holder.direction},
             {QStringLiteral("Tab_NumeroProtocollo"), holder.number},
             {QStringLiteral("Tab_TipoProtocolloC"), linked.direction},
             {QStringLiteral("Tab_NumeroProtocolloC"), linked.number}},
            QString()};
}

// The smaller number holds the first row written.
bool firstHolds(const Key &a, const Key &b) { return a.number < b.number || (a.number == b.number && a.direction < b.direction); }

// Runs the rows as one unit on the generic server without the table
// writer's own boxes: the caller tells the clerk what happened.
bool runQuietly(const QVector<F::Statement> &statements, QString *failure)
{
    ServerHolder holder;
    if (!createServer(holder, F::genericProgId(), failure))
        return false;
    QVariantList params{kDb, QVariant(F::packStatements(statements))};
    const QVariantList reply = holder.object->Elabora(F::kOpBatchWrite, params);
    holder.release();
    bool numeric = false;
    if (reply.value(0).toInt(&numeric) == F::kStatusOk && numeric)
        return true;
    *failure = reply.value(1).toString();
    return false;
}

bool linkStands(const QString &ente, const Key &a, const Key &b)
{
    const F::LoadedRows r = F::loadRows(kDb, QStringLiteral("SELECT COUNT(*) FROM Tab_ProtocolliCollegati WHERE ")
                                                 + rowCondition(ente, a, b));
    return r.ok && r.rowCount() > 0 && r.value(0, 0).toLongLong() > 0;
}

QString comparison(const QString &op)
{
    const QString o = op.trimmed();
    return o == QLatin1String(">=") || o == QLatin1String("<=") ? o : QStringLiteral("=");
}

bool digits(const QString &t, int most)
{
    static const QRegularExpression re(QStringLiteral("^\\d+$"));
    return re.match(t.trimmed()).hasMatch() && t.trimmed().size() <= most;
}

QString containsText(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

const QString kCandidateColumns = QStringLiteral(
    "SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, r.Tab_Denominazione, "
    "p.Tab_SoggPrivacy FROM Tab_Protocollo p LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
    "r.Tab_Identificativo = p.Tab_Intestatario WHERE p.Tab_Ente = ");
const QString kActive = QStringLiteral(" AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'");

QString directions(bool incoming, bool outgoing, const Viewer &v)
{
    QStringList d;
    if (incoming && maysee(v, QStringLiteral("E")))
        d << QStringLiteral("'E'");
    if (outgoing && maysee(v, QStringLiteral("U")))
        d << QStringLiteral("'U'");
    if (d.isEmpty())
        d << QStringLiteral("''");
    return QStringLiteral(" AND p.Tab_TipoProtocollo IN (") + d.join(QLatin1Char(',')) + QLatin1Char(')');
}

} // namespace

QVector<F::Statement> linkStatements(const QString &ente, const Key &a, const Key &b)
{
    const Key &first = firstHolds(a, b) ? a : b, &second = firstHolds(a, b) ? b : a;
    return {insertRow(ente, first, second), insertRow(ente, second, first)};
}

QVector<F::Statement> unlinkStatements(const QString &ente, const Key &a, const Key &b)
{
    const Key &first = firstHolds(a, b) ? a : b, &second = firstHolds(a, b) ? b : a;
    return {{QStringLiteral("C"), kTable, {}, rowCondition(ente, first, second)},
            {QStringLiteral("C"), kTable, {}, rowCondition(ente, second, first)}};
}

Result link(const QString &ente, const Key &a, const Key &b)
{
    if (a.number.trimmed() == b.number.trimmed())
        return {Outcome::Itself, {}};
    QString why;
    if (runQuietly(linkStatements(ente, a, b), &why))
        return {Outcome::Done, {}};
    // The database refused: a pair linked meanwhile by another clerk is no
    // fault of this one, and he is told so rather than shown its words.
    if (linkStands(ente, a, b) && linkStands(ente, b, a))
        return {Outcome::Exists, why};
    GECentr::writeLog(QString::fromUtf8(kLinkFailed) + QStringLiteral(": ") + why, QStringLiteral("link"),
                      QStringLiteral("ProtocolLinks"));
    return {Outcome::Failed, why};
}

Result unlink(const QString &ente, const Key &a, const Key &b)
{
    QString why;
    if (runQuietly(unlinkStatements(ente, a, b), &why))
        return {Outcome::Done, {}};
    GECentr::writeLog(QString::fromUtf8(kUnlinkFailed) + QStringLiteral(": ") + why, QStringLiteral("unlink"),
                      QStringLiteral("ProtocolLinks"));
    return {Outcome::Failed, why};
}

QString linkMessage(const Result &r)
{
    switch (r.outcome) {
    case Outcome::Done: return {};
    case Outcome::Itself: return QString::fromUtf8(kLinkItself);
    case Outcome::Exists: return QString::fromUtf8(kLinkExists);
    case Outcome::Failed: break;
    }
    return QString::fromUtf8(kLinkFailed);
}

namespace {

// A protocol with the descriptions of its codes, in LinkedColumn order
// after the first two columns.
const QString kDescribed = QStringLiteral(
    "p.Tab_DataProtocollo, p.Tab_Oggetto, p.Tab_SoggPrivacy, t.Tab_Descrizione, r.Tab_Denominazione, "
    "d.Dipa_Denominazione, u.Tab_Descrizione, p.Tab_Annotazioni FROM ");
const QString kDescriptions = QStringLiteral(
    " LEFT JOIN Tab_TipoDocumento t ON t.Tab_Codice = p.Tab_Tipologia "
    "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario "
    "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = p.Tab_Ente AND d.Dipa_CodDipartimento = p.Tab_SedeRicezione "
    "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = p.Tab_Ente AND u.Tab_Ufficio = p.Tab_UfficioRegistrazione WHERE ");

} // namespace

QString linkedQuery(const QString &ente, const Key &p)
{
    return QStringLiteral("SELECT c.Tab_TipoProtocolloC, c.Tab_NumeroProtocolloC, ") + kDescribed
           + QStringLiteral("Tab_ProtocolliCollegati c JOIN Tab_Protocollo p ON p.Tab_Ente = c.Tab_Ente AND "
                            "p.Tab_TipoProtocollo = c.Tab_TipoProtocolloC AND p.Tab_NumeroProtocollo = "
                            "c.Tab_NumeroProtocolloC")
           + kDescriptions + QStringLiteral("c.Tab_Ente = ") + q(ente) + QStringLiteral(" AND c.Tab_TipoProtocollo = ")
           + q(p.direction) + QStringLiteral(" AND c.Tab_NumeroProtocollo = ") + q(p.number) + kActive
           + QStringLiteral(" ORDER BY c.Tab_TipoProtocolloC, c.Tab_NumeroProtocolloC");
}

QString detailQuery(const QString &ente, const Key &p)
{
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, ") + kDescribed
           + QStringLiteral("Tab_Protocollo p") + kDescriptions + QStringLiteral("p.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(p.direction)
           + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(p.number);
}

QString detailText(const F::LoadedRows &rows, int column, const Viewer &viewer)
{
    const QVariant value = rows.value(column, 0);
    switch (column) {
    case LNumber: return shownNumber(value.toString().trimmed());
    case LDate: return dateText(value);
    case LCorrespondent:
    case LSubject:
    case LNotes:
        return scope::shownSubject(viewer, value.toString().trimmed(), rows.value(LPrivacy, 0).toString().trimmed(),
                                   QString::fromLatin1(scope::kTrayMask));
    default: return value.toString().trimmed();
    }
}

QString checkCriteria(const Criteria &c)
{
    const bool yearGiven = !c.year.trimmed().isEmpty(), numberGiven = !c.number.trimmed().isEmpty();
    if ((yearGiven || numberGiven)
        && !(digits(c.year, 4) && c.year.trimmed().size() == 4 && digits(c.number, 7) && c.number.trimmed().toLongLong() > 0))
        return QStringLiteral("Inserire un numero di protocollo corretto");
    for (const QString *d : {&c.protocolDate, &c.registrationDate, &c.receptionDate})
        if (!d->trimmed().isEmpty() && !shownDate(*d).isValid())
            return QStringLiteral("La data deve essere valida e significativa.");
    if (!c.incoming && !c.outgoing)
        return QString::fromUtf8("Indicare se il protocollo è di Entrata o di Uscita");
    return {};
}

QString candidatesQuery(const Criteria &c, const Key &p, const Viewer &v)
{
    QString sql = kCandidateColumns + q(v.ente) + kActive + QStringLiteral(" AND p.Tab_NumeroProtocollo <> ") + q(p.number)
                  + QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_ProtocolliCollegati c WHERE c.Tab_Ente = "
                                   "p.Tab_Ente AND c.Tab_TipoProtocollo = ")
                  + q(p.direction) + QStringLiteral(" AND c.Tab_NumeroProtocollo = ") + q(p.number)
                  + QStringLiteral(" AND c.Tab_NumeroProtocolloC = p.Tab_NumeroProtocollo)")
                  + directions(c.incoming, c.outgoing, v);
    if (digits(c.year, 4) && digits(c.number, 7))
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ")
               + q(QStringLiteral("%1%2").arg(c.year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
                       .arg(c.number.trimmed().toLongLong(), 7, 10, QLatin1Char('0')));
    const std::pair<QString, std::pair<QString, QString>> dates[] = {
        {QStringLiteral("p.Tab_DataProtocollo"), {c.protocolOp, c.protocolDate}},
        {QStringLiteral("p.Tab_DataRegistrazione"), {c.registrationOp, c.registrationDate}},
        {QStringLiteral("p.Tab_DataRicezione"), {c.receptionOp, c.receptionDate}}};
    for (const auto &[column, given] : dates)
        if (const QDate d = shownDate(given.second); d.isValid())
            sql += QStringLiteral(" AND ") + column + QLatin1Char(' ') + comparison(given.first) + QLatin1Char(' ')
                   + sqlDate(d);
    if (!c.correspondent.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_Intestatario IN (SELECT Tab_Identificativo FROM Tab_Rubrica WHERE "
                              "Tab_EnteRubrica = ")
               + q(v.ente) + QStringLiteral(" AND ") + containsText(QStringLiteral("Tab_Denominazione"), c.correspondent)
               + QLatin1Char(')');
    if (!c.docType.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(c.docType.trimmed());
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + containsText(QStringLiteral("p.Tab_Oggetto"), c.subject);
    if (!c.department.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_SedeRicezione = ") + q(c.department.trimmed());
    if (!c.office.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_UfficioRegistrazione = ") + q(c.office.trimmed());
    return sql + QStringLiteral(" AND ") + scope::registrationSearch(v)
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC") + Dialect::limit(kCandidateLimit);
}

QString checkPeriod(const QString &from, const QString &to)
{
    const QDate f = shownDate(from), t = shownDate(to);
    if (!f.isValid())
        return QStringLiteral("inserire correttamente la data di inizio ricerca");
    if (!t.isValid())
        return QStringLiteral("inserire correttamente la data di fine ricerca");
    if (t < f)
        return QString::fromUtf8("la data di fine ricerca non può essere minore della data iniziale");
    return {};
}

QString periodQuery(const QDate &from, const QDate &to, const Viewer &v)
{
    return kCandidateColumns + q(v.ente) + directions(true, true, v) + QStringLiteral(" AND p.Tab_DataProtocollo >= ")
           + sqlDate(from) + QStringLiteral(" AND p.Tab_DataProtocollo <= ") + sqlDate(to) + kActive
           + QStringLiteral(" AND ") + scope::registrationSearch(v) + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC")
           + Dialect::limit(kCandidateLimit * 2);
}

QString precedentText(const QString &direction, const QString &number)
{
    if (number.trimmed().isEmpty())
        return {};
    return direction + QStringLiteral(" - ") + shownNumber(number);
}

} // namespace nimbo::protocol::links
