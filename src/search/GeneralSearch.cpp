#include "search/GeneralSearch.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "protocol/ContainsIndex.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

const char *const kMask = "*****************************************";

namespace {

using Dialect::Engine;

bool postgres() { return Dialect::centralTarget().engine == Engine::PostgreSQL; }

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

bool numeric(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

QString quotedList(QStringList values)
{
    for (QString &v : values)
        v = q(v);
    values.removeDuplicates();
    return values.join(QStringLiteral(", "));
}

// The protocol of p routed (an iter recipient) to one of the offices a
// subquery or list gives. The recipients are probed through the index that
// ends with the receiving office, so the probe reads no table row; office
// codes are unique in a body, so the office alone names it.
QString routedTo(const QString &offices)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM Tab_Iter_Destinatari r WHERE r.Tab_Ente = p.Tab_Ente AND "
                          "r.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND r.Tab_NumeroProtocollo = "
                          "p.Tab_NumeroProtocollo AND r.Tab_UfficioDestinatario IN (")
           + offices + QStringLiteral("))");
}

// The offices of the departments listed, as a subquery: read once, not per row.
QString officesOf(const QString &ente, const QString &departments)
{
    return QStringLiteral("SELECT u.Tab_Ufficio FROM Tab_Uffici u WHERE u.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND u.Tab_Dipartimento IN (") + departments + QLatin1Char(')');
}

// A protocol "reaches" a set of offices when it was registered there or
// routed to one of them. Each condition of the kind is kept apart, so that
// a count can read the registered and the routed protocols each through
// its own index (see countQuery).
struct Reach {
    QString registered; // condition on p
    QString offices;    // list or subquery of office codes
    QString condition() const
    {
        return QLatin1Char('(') + registered + QStringLiteral(" OR ") + routedTo(offices) + QLatin1Char(')');
    }
};

// What the viewer may see: level 6 what he registered; 7 what was
// registered by, or routed to, his office and the offices of his further
// pairs; 8 the same for his departments; 9 the whole body. The chosen
// department and office narrow it and never widen it. Levels 7 and 8 and
// the chosen department and office give reaches; the rest a plain condition.
struct Scope {
    QString plain; // empty: none
    std::vector<Reach> reaches;
};

Scope scopeOf(const GeneralCriteria &c, const protocol::Viewer &v)
{
    Scope out;
    const QString department = c.department.trimmed(), office = c.office.trimmed();
    QStringList departments{v.department};
    for (const auto &pair : v.extra)
        departments << pair.department;
    switch (v.level) {
    case 6:
        out.plain = QStringLiteral("p.Tab_CodiceOpeReg = ") + q(v.operatorCode);
        break;
    case 7: {
        QStringList registered{QStringLiteral("(p.Tab_SedeRicezione = %1 AND p.Tab_UfficioRegistrazione = %2)")
                                   .arg(q(v.department), q(v.office))};
        QStringList offices{v.office};
        for (const auto &pair : v.extra) {
            registered << QStringLiteral("(p.Tab_SedeRicezione = %1 AND p.Tab_UfficioRegistrazione = %2)")
                              .arg(q(pair.department), q(pair.office));
            offices << pair.office;
        }
        registered.removeDuplicates();
        out.reaches.push_back({QLatin1Char('(') + registered.join(QStringLiteral(" OR ")) + QLatin1Char(')'),
                               quotedList(offices)});
        break;
    }
    case 8:
        // A department of his own, once chosen, holds all he may see of it.
        if (department.isEmpty() || !departments.contains(department)) {
            const QString listed = quotedList(departments);
            out.reaches.push_back({QStringLiteral("p.Tab_SedeRicezione IN (") + listed + QLatin1Char(')'),
                                   officesOf(v.ente, listed)});
        }
        break;
    case 9:
        break;
    default:
        out.plain = QString::fromLatin1(protocol::scope::kNothing);
        break;
    }
    if (!department.isEmpty())
        out.reaches.push_back({QStringLiteral("p.Tab_SedeRicezione = ") + q(department), officesOf(v.ente, q(department))});
    if (!department.isEmpty() && !office.isEmpty())
        out.reaches.push_back({QStringLiteral("p.Tab_UfficioRegistrazione = ") + q(office), q(office)});
    return out;
}

QString scopeCondition(const Scope &s)
{
    QStringList all;
    if (!s.plain.isEmpty())
        all << s.plain;
    for (const Reach &r : s.reaches)
        all << r.condition();
    return all.isEmpty() ? QString::fromLatin1(protocol::scope::kEverything) : all.join(QStringLiteral(" AND "));
}

// The main correspondent or a further recipient whose name contains the
// text; holder is the column of the main correspondent as the caller wants
// it written.
QString correspondentCondition(const QString &holder, const QString &ente, const QString &typed)
{
    QString names = QStringLiteral("SELECT n.Tab_Identificativo FROM Tab_Rubrica n WHERE n.Tab_EnteRubrica = ") + q(ente)
                    + QStringLiteral(" AND ") + contains(QStringLiteral("n.Tab_Denominazione"), typed);
    // SQLite reads the names through its trigram table (nothing on PostgreSQL).
    if (const QString narrowed = protocol::contains::nameRowsCondition(QStringLiteral("n.rowid"), typed); !narrowed.isEmpty())
        names += QStringLiteral(" AND ") + narrowed;
    return QLatin1Char('(') + holder + QStringLiteral(" IN (") + names
           + QStringLiteral(") OR EXISTS (SELECT 1 FROM Tab_ProtocolloDestinatari d WHERE d.Tab_Ente = p.Tab_Ente AND "
                            "d.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND d.Tab_NumeroProtocollo = "
                            "p.Tab_NumeroProtocollo AND d.Tab_MittDest IN (")
           + names + QStringLiteral(")))");
}

QString dateLiteral(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

// The criteria, written twice: as they are (filters) and with the text
// conditions hidden from the text indexes (walk), for a plan that walks the
// register by number instead; criteria are the same without the scope.
struct Conditions {
    QString filters, walk, criteria;
    QString periodFrom, periodTo;
    Scope scope;
};

Conditions conditions(const GeneralCriteria &c, const protocol::Viewer &v)
{
    QString sql = QStringLiteral("p.Tab_Ente = ") + q(v.ente);
    Conditions out;
    QString subject, subjectWalk, corr, corrWalk;
    if (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) {
        // The number names one protocol: nothing else narrows it but the scope.
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(searchedNumber(c.year, c.number));
    } else if (!c.emergencyNumber.trimmed().isEmpty()) {
        // Only recovered protocols hold an emergency number: the first term
        // names the partial index that lists them.
        sql += QStringLiteral(" AND p.Tab_ProtocolloTemporaneo IS NOT NULL AND p.Tab_ProtocolloTemporaneo LIKE ")
               + q(QLatin1Char('%') + c.emergencyNumber.trimmed().rightJustified(7, QLatin1Char('0')) + QLatin1Char('%'));
    } else {
        if (c.date.isValid()) {
            const bool upTo = c.dateOperator == QLatin1String("<=");
            sql += QStringLiteral(" AND p.Tab_DataProtocollo ") + (upTo ? QStringLiteral("<= ") : QStringLiteral(">= "))
                   + dateLiteral(c.date);
            (upTo ? out.periodTo : out.periodFrom) = dateLiteral(c.date);
        }
        if (!c.docType.trimmed().isEmpty())
            sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(c.docType.trimmed());
        if (c.incoming != c.outgoing)
            sql += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
        if (!c.subject.trimmed().isEmpty()) {
            subject = QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
            subjectWalk = QStringLiteral(" AND ") + contains(QStringLiteral("(p.Tab_Oggetto || '')"), c.subject);
        }
        if (!c.correspondent.trimmed().isEmpty()) {
            corr = QStringLiteral(" AND ") + correspondentCondition(QStringLiteral("p.Tab_Intestatario"), v.ente, c.correspondent);
            corrWalk = QStringLiteral(" AND ")
                       + correspondentCondition(QStringLiteral("+p.Tab_Intestatario"), v.ente, c.correspondent);
        }
    }
    out.scope = scopeOf(c, v);
    out.criteria = sql + subject + corr;
    const QString scope = QStringLiteral(" AND ") + scopeCondition(out.scope);
    out.filters = sql + scope + subject + corr;
    out.walk = sql + scope + subjectWalk + corrWalk;
    return out;
}

// The kind of text that lets an index find the candidates; none when the
// criteria name a number or an emergency number, or no text is long enough.
enum class Text { None, Subject, Correspondent };

Text drivingText(const GeneralCriteria &c, const protocol::Viewer &v)
{
    if ((!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) || !c.emergencyNumber.trimmed().isEmpty())
        return Text::None;
    // An operator's own registrations, read through the registrar's index,
    // are fewer than the protocols a common word or name finds.
    if (v.level == 6)
        return Text::None;
    if (protocol::contains::indexable(c.subject))
        return Text::Subject;
    if (protocol::contains::indexable(c.correspondent))
        return Text::Correspondent;
    return Text::None;
}

QString candidates(Text t, const GeneralCriteria &c, const protocol::Viewer &v)
{
    return t == Text::Subject ? protocol::contains::subjectCandidates(v.ente, c.subject)
                              : protocol::contains::correspondentCandidates(v.ente, c.correspondent);
}

// Up to this many protocols left by the criteria, a count probes the iter
// of each instead of reading the routed protocols as a set (SQLite).
int fewRows_ = 100000;

const char *const kColumns = "p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                             "r.Tab_Denominazione, p.Tab_StatoProtocollo, p.Tab_SoggPrivacy, p.Tab_CodiceOpeReg";
const char *const kHolder = "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = "
                            "p.Tab_Intestatario";

} // namespace

std::optional<CriteriaProblem> checkCriteria(const GeneralCriteria &c)
{
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if (year != number)
        return CriteriaProblem{QString::fromUtf8("inserire entrambi i dati relativi all'anno ed al numero di protocollo"),
                               year ? QStringLiteral("TxtNumero") : QStringLiteral("txtAnno")};
    if (year && !(numeric(c.year) && c.year.trimmed().size() <= 4 && numeric(c.number) && c.number.trimmed().size() <= 7))
        return CriteriaProblem{QString::fromUtf8("specificare valori numerici per i campi relativi all'anno ed al numero di "
                                                 "protocollo"),
                               numeric(c.year) ? QStringLiteral("TxtNumero") : QStringLiteral("txtAnno")};
    if (!c.emergencyNumber.trimmed().isEmpty()
        && !(numeric(c.emergencyNumber) && c.emergencyNumber.trimmed().size() <= 7))
        return CriteriaProblem{QString::fromUtf8("inserire un valore numerico"), QStringLiteral("TxtNumEme")};
    return std::nullopt;
}

QString searchedNumber(const QString &year, const QString &number)
{
    return QStringLiteral("%1%2")
        .arg(year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
        .arg(number.trimmed().toLongLong(), 7, 10, QLatin1Char('0'));
}

QString listQuery(const GeneralCriteria &c, const protocol::Viewer &v)
{
    const Conditions w = conditions(c, v);
    const int limit = qMax(1, c.limit);
    const Text text = drivingText(c, v);
    if (text == Text::None) {
        // An operator's own registrations are read through the registrar's
        // index and sorted: walking the register by number to find them
        // would pass every other operator's protocols.
        const QString order = v.level == 6 ? QStringLiteral("p.Tab_NumeroProtocollo || '' DESC")
                                           : QStringLiteral("p.Tab_NumeroProtocollo DESC");
        return QStringLiteral("SELECT ") + QLatin1String(kColumns) + QStringLiteral(" FROM Tab_Protocollo p ")
               + QLatin1String(kHolder) + QStringLiteral(" WHERE ") + w.filters + QStringLiteral(" ORDER BY ") + order
               + Dialect::limit(limit);
    }
    // A text: its index gives the candidates, unless the word is so common
    // that walking the register newest first meets the list sooner.
    protocol::contains::Bounded b;
    b.candidates = candidates(text, c, v);
    if (text == Text::Subject) {
        b.filtersUseIndex = true;
        b.orderedMatch = protocol::contains::orderedSubjectMatch(c.subject);
        b.yearlySubject = c.subject;
        b.thisYear = QDate::currentDate().year();
    } else {
        b.candidateCount = protocol::contains::correspondentCount(v.ente, c.correspondent);
    }
    b.columns = QLatin1String(kColumns);
    b.joins = QLatin1String(kHolder);
    b.filters = w.filters;
    b.walkFilters = w.walk;
    b.order = QStringLiteral("p.Tab_NumeroProtocollo DESC");
    b.ente = v.ente;
    // The bounded plan reads a period as "from" (and "to"): a period open
    // at its start reads as the whole register up to the day.
    b.periodFrom = w.periodFrom.isEmpty() && !w.periodTo.isEmpty() ? QStringLiteral("'0001-01-01'") : w.periodFrom;
    b.periodTo = w.periodTo;
    b.limit = limit;
    return protocol::contains::boundedQuery(b);
}

QString countQuery(const GeneralCriteria &c, const protocol::Viewer &v)
{
    const Conditions w = conditions(c, v);
    const Text text = drivingText(c, v);
    // Every candidate of the text is read once; the plain conditions beside
    // the key decide. PostgreSQL's planner finds the subject's candidates
    // through its trigram index by itself.
    QString keyed;
    if (text == Text::Correspondent || (text == Text::Subject && !postgres()))
        keyed = (postgres() ? QStringLiteral("p.ctid = ANY (ARRAY(SELECT k FROM (") : QStringLiteral("p.rowid IN (SELECT k FROM ("))
                + candidates(text, c, v) + (postgres() ? QStringLiteral(") c0)) AND ") : QStringLiteral(") c0) AND "));
    // A number, an emergency number or a text leaves few protocols, or
    // gives its candidates: each is probed, as the list does.
    const bool named = (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty()) || !c.emergencyNumber.trimmed().isEmpty();
    if (named || text != Text::None)
        return QStringLiteral("SELECT COUNT(*) FROM Tab_Protocollo p WHERE ") + keyed + w.filters;
    QString criteria = keyed + w.criteria;
    if (!w.scope.plain.isEmpty())
        criteria += QStringLiteral(" AND ") + w.scope.plain;
    // A reach asked as "registered OR routed" would probe the iter of every
    // protocol the criteria leave. Counted as disjoint parts instead (for
    // each reach: registered there; or not registered there and routed
    // there), each part reads the routed protocols as one set, through the
    // recipients' office index, and the sum is the same count.
    const std::vector<Reach> &reaches = w.scope.reaches;
    QStringList parts;
    for (unsigned mask = 0; mask < (1u << reaches.size()); ++mask) {
        QString part = criteria;
        for (size_t i = 0; i < reaches.size(); ++i) {
            const Reach &r = reaches[i];
            if (mask & (1u << i))
                part += QStringLiteral(" AND ") + r.registered;
            else
                part += QStringLiteral(" AND NOT COALESCE(") + r.registered
                        + QStringLiteral(", 1 = 0) AND (p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo) IN (SELECT "
                                         "r.Tab_TipoProtocollo, r.Tab_NumeroProtocollo FROM Tab_Iter_Destinatari r WHERE "
                                         "r.Tab_Ente = ")
                        + q(v.ente) + QStringLiteral(" AND r.Tab_UfficioDestinatario IN (") + r.offices
                        + QStringLiteral("))");
        }
        parts << part;
    }
    if (parts.size() == 1 || postgres()) {
        // PostgreSQL's planner joins each part's routed set or probes it
        // protocol by protocol, whichever its estimates find cheaper.
        for (QString &part : parts)
            part = QStringLiteral("(SELECT COUNT(*) FROM Tab_Protocollo p WHERE ") + part + QLatin1Char(')');
        return QStringLiteral("SELECT ") + parts.join(QStringLiteral(" + "));
    }
    // SQLite reads every routed set whole, however few protocols the
    // criteria leave: up to kFewRows of them, a probe per protocol costs
    // less. The protocols are counted up to the bound first, and each way
    // reads its rows only when its LIMIT (evaluated once) lets it.
    const QString bound = QString::number(fewRows_);
    const QString few = QStringLiteral("WITH few AS MATERIALIZED (SELECT COUNT(*) <= ") + bound
                        + QStringLiteral(" AS y FROM (SELECT 1 FROM Tab_Protocollo p WHERE ") + criteria
                        + QStringLiteral(" LIMIT ") + QString::number(fewRows_ + 1) + QStringLiteral(") f) ");
    const auto counted = [](const QString &where, const QString &when) {
        return QStringLiteral("(SELECT COUNT(*) FROM (SELECT 1 FROM Tab_Protocollo p WHERE ") + where
               + QStringLiteral(" LIMIT CASE WHEN ") + when + QStringLiteral(" THEN -1 ELSE 0 END) c)");
    };
    QStringList sum{counted(keyed + w.filters, QStringLiteral("(SELECT y FROM few)"))};
    for (const QString &part : parts)
        sum << counted(part, QStringLiteral("NOT (SELECT y FROM few)"));
    return few + QStringLiteral("SELECT ") + sum.join(QStringLiteral(" + "));
}

int setCountProbeBound(int rows)
{
    const int old = fewRows_;
    fewRows_ = rows;
    return old;
}

bool masked(const protocol::Viewer &v, const QString &privacyFlag)
{
    return !v.privacy && privacyFlag.trimmed() == QLatin1String("S");
}

} // namespace nimbo::search
