#include "protocol/ProtocolSearch.h"

#include <QRegularExpression>
#include <algorithm>

#include "data/Dialect.h"
#include "data/LetterGrams.h"
#include "data/SearchNames.h"
#include "protocol/ContainsIndex.h"
#include "data/Funzioni_Com_1.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

const char *const kNoRowsText = "Non esistono documenti protocollati che soddisfano i criteri di ricerca impostati o per "
                                "i quali l'utente è abilitato alla gestione.";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString containsText(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

// The same test, for a walk along the register on PostgreSQL, where no
// index serves it and its cost is paid on every row walked. ILIKE lowers
// the whole text by the locale's rules; a text typed in ASCII is looked for
// in the ASCII-lowered text instead, several times cheaper, and a row that
// holds other characters is decided by ILIKE as well: the rows are ILIKE's.
// (ASCII-lowering keeps each character where it stands, so a match found
// there is one that ILIKE finds too.)
QString walkedText(const QString &column, const QString &typed)
{
    const QString t = typed.trimmed();
    const bool ascii = std::all_of(t.begin(), t.end(), [](QChar c) { return c.unicode() < 128; });
    if (Dialect::centralTarget().engine != Dialect::Engine::PostgreSQL || !ascii)
        return containsText(column, typed);
    return QStringLiteral("(lower(") + column + QStringLiteral(" COLLATE \"C\") LIKE ")
           + q(QLatin1Char('%') + t.toLower() + QLatin1Char('%')) + QStringLiteral(" OR (octet_length(") + column
           + QStringLiteral(") <> length(") + column + QStringLiteral(") AND ") + containsText(column, typed)
           + QStringLiteral("))");
}

bool numeric(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString key(const QString &ente, const QString &direction, const QString &number, const QString &alias = {})
{
    const QString a = alias.isEmpty() ? QString() : alias + QLatin1Char('.');
    return a + QStringLiteral("Tab_Ente = ") + q(ente) + QStringLiteral(" AND ") + a + QStringLiteral("Tab_TipoProtocollo = ")
           + q(direction) + QStringLiteral(" AND ") + a + QStringLiteral("Tab_NumeroProtocollo = ") + q(number);
}

// The address-book entries of the body whose name contains the text.
QString namesContaining(const QString &ente, const QString &typed)
{
    QString names = QStringLiteral("SELECT n.Tab_Identificativo FROM Tab_Rubrica n WHERE n.Tab_EnteRubrica = ") + q(ente)
                    + QStringLiteral(" AND ") + containsText(QStringLiteral("n.Tab_Denominazione"), typed);
    QString narrowed;
    if (contains::shortText(typed))
        narrowed = contains::nameLetters(typed, QStringLiteral("n.rowid"), QStringLiteral("n.Tab_Denominazione"));
    else
        narrowed = contains::nameRowsCondition(QStringLiteral("n.rowid"), typed);
    if (!narrowed.isEmpty())
        names += QStringLiteral(" AND ") + narrowed;
    return names;
}

// The main correspondent or one of the further recipients. The row's own
// copy of its names (one per line, kept by the database) answers by itself
// for a plain text: a text without wildcards or line breaks can only match
// inside one of the lines. A pattern ("_" matches a line break too) is
// decided by the names, asked of each row by its keys: a walk along the
// register meets the matches of a common name after a few rows, without
// reading every name that matches; the copy turns away most rows before any
// look-up. (A set of the matching names read once costs more: on
// PostgreSQL the whole address book is read for a text too short for its
// index, so OFFSET 0 keeps each look-up a probe by key.)
QString correspondentCondition(const QString &ente, const QString &typed, bool walked = false)
{
    const QString own = walked ? walkedText(QStringLiteral("p.") + SearchNames::kColumn, typed)
                               : containsText(QStringLiteral("p.") + SearchNames::kColumn, typed);
    if (!typed.contains(QLatin1Char('%')) && !typed.contains(QLatin1Char('_')) && !typed.contains(QLatin1Char('\n'))
        && !typed.contains(QLatin1Char('\r')))
        return own;
    const QString perRow = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL ? QStringLiteral(" OFFSET 0")
                                                                                          : QString();
    return QStringLiteral("(") + own
           + QStringLiteral(" AND (EXISTS (SELECT 1 FROM Tab_Rubrica r1 WHERE r1.Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND r1.Tab_Identificativo = p.Tab_Intestatario AND ")
           + containsText(QStringLiteral("r1.Tab_Denominazione"), typed) + perRow
           + QStringLiteral(") OR EXISTS (SELECT 1 FROM Tab_ProtocolloDestinatari d JOIN Tab_Rubrica r2 ON "
                            "r2.Tab_EnteRubrica = d.Tab_Ente AND r2.Tab_Identificativo = d.Tab_MittDest WHERE "
                            "d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND "
                            "d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND ")
           + containsText(QStringLiteral("r2.Tab_Denominazione"), typed) + perRow + QStringLiteral(")))");
}

// The keys of the newest protocols (up to the list) whose correspondent or
// further recipient has a name containing the text: the numbers come from
// the indexes of the names' protocols and further-recipient rows, are
// sorted, and only then are the rows read, newest first, until the list is
// full.
QString correspondentCandidates(const QString &ente, const QString &typed, const QString &filters, int limit,
                                int fromYear, int toYear)
{
    const bool pg = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL;
    const QString names = namesContaining(ente, typed);
    const QString numbers = QStringLiteral("SELECT n FROM (SELECT x.Tab_NumeroProtocollo AS n FROM Tab_Protocollo x WHERE "
                                           "x.Tab_Ente = ")
                            + q(ente) + contains::numberYears(QStringLiteral("x.Tab_NumeroProtocollo"), fromYear, toYear)
                            + QStringLiteral(" AND x.Tab_Intestatario IN (") + names
                            + QStringLiteral(") UNION SELECT d.Tab_NumeroProtocollo FROM Tab_ProtocolloDestinatari d "
                                             "WHERE d.Tab_Ente = ")
                            + q(ente) + contains::numberYears(QStringLiteral("d.Tab_NumeroProtocollo"), fromYear, toYear)
                            + QStringLiteral(" AND d.Tab_MittDest IN (") + names
                            // A limit keeps SQLite from merging the sorted
                            // numbers into the join; the join keeps their order,
                            // which the outer ORDER BY then costs nothing.
                            + QStringLiteral(")) u ORDER BY n DESC") + (pg ? QString() : QStringLiteral(" LIMIT -1"));
    const QString lim = QString::number(limit);
    if (pg)
        return QStringLiteral("SELECT f.k FROM (") + numbers
               + QStringLiteral(") c CROSS JOIN LATERAL (SELECT p.ctid AS k FROM Tab_Protocollo p WHERE p.Tab_Ente = ") + q(ente)
               + QStringLiteral(" AND p.Tab_NumeroProtocollo = c.n AND ") + filters
               + QStringLiteral(") f ORDER BY c.n DESC LIMIT ") + lim;
    return QStringLiteral("SELECT p.rowid AS k FROM (") + numbers
           + QStringLiteral(") c CROSS JOIN Tab_Protocollo p WHERE p.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND p.Tab_NumeroProtocollo = c.n AND ") + filters + QStringLiteral(" ORDER BY c.n DESC LIMIT ") + lim;
}

// SQLite: the register's row keys of a full-text table kept in protocol-number
// order, for a MATCH on it.
QString orderedKeys(const QString &table, const QString &match)
{
    return QStringLiteral("SELECT c.rowid AS k FROM %1 CROSS JOIN Tab_Protocollo_Ordine o CROSS JOIN Tab_Protocollo c "
                          "WHERE %2 AND o.k = %1.rowid AND c.Tab_Ente = o.Tab_Ente AND c.Tab_TipoProtocollo = "
                          "o.Tab_TipoProtocollo AND c.Tab_NumeroProtocollo = o.Tab_NumeroProtocollo")
        .arg(table, match);
}

// A text index's rows, every filter applied, newest first.
QString indexedCandidates(const QString &filters, int limit)
{
    return QStringLiteral("SELECT p.") + (Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL ? QStringLiteral("ctid") : QStringLiteral("rowid"))
           + QStringLiteral(" AS k FROM Tab_Protocollo p WHERE ") + filters
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo || '' DESC LIMIT ") + QString::number(limit);
}

} // namespace

std::optional<Failure> checkCriteria(const SearchCriteria &c)
{
    // The year alone is what the panel proposes and narrows nothing; a
    // number needs its year.
    const bool yearEmpty = c.year.trimmed().isEmpty(), numberEmpty = c.number.trimmed().isEmpty();
    if ((!yearEmpty && !numeric(c.year)) || (!numberEmpty && !(numeric(c.year) && numeric(c.number))))
        return Failure{QStringLiteral("Anno e numero del protocollo devono essere entrambi numerici o entrambi vuoti."),
                       !yearEmpty && !numeric(c.year) ? QStringLiteral("TxtAProto") : QStringLiteral("TxtNumero")};
    const QStringList eme{c.emeYear, c.emeType, c.emeRegister, c.emeNumber};
    int given = 0;
    for (const auto &e : eme)
        given += e.trimmed().isEmpty() ? 0 : 1;
    if ((given != 0 && given != 4) || (given == 4 && !(numeric(c.emeYear) && numeric(c.emeNumber))))
        return Failure{QStringLiteral("Indicare anno, tipo, registro e numero del protocollo di emergenza."),
                       QStringLiteral("TxtAnnoEme")};
    for (const QString *d : {&c.refDate, &c.from, &c.to})
        if (!d->trimmed().isEmpty() && !shownDate(*d).isValid())
            return Failure{QStringLiteral("La data deve essere valida e significativa."),
                           d == &c.refDate ? QStringLiteral("TxtDataRif")
                           : d == &c.from  ? QStringLiteral("DataDal")
                                           : QStringLiteral("DataAl")};
    if (!c.incoming && !c.outgoing)
        return Failure{QString::fromUtf8("Indicare se il protocollo è di Entrata o di Uscita"), QStringLiteral("ChkEntrata")};
    return std::nullopt;
}

QString searchQuery(const SearchCriteria &c, const Viewer &v)
{
    const QString columns = QStringLiteral("p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, "
                                           "p.Tab_Oggetto, r.Tab_Denominazione, p.Tab_StatoProtocollo");
    const QString joins = QStringLiteral("LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND "
                                         "r.Tab_Identificativo = p.Tab_Intestatario");
    // Everything but the subject and correspondent conditions, which are
    // written twice: as they are, and (walk) so that no text index can drive
    // them, for the walk along the register by number.
    QString sql = QStringLiteral("p.Tab_Ente = ") + q(v.ente);
    if (numeric(c.year) && numeric(c.number))
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo = ")
               + q(QStringLiteral("%1%2").arg(c.year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
                       .arg(c.number.trimmed().toLongLong(), 7, 10, QLatin1Char('0')));
    if (!c.emeYear.trimmed().isEmpty() && !c.emeNumber.trimmed().isEmpty()) {
        sql += QStringLiteral(" AND p.Tab_RegistroTemporaneo LIKE ")
               + q(c.emeYear.trimmed() + c.emeType.trimmed() + c.emeRegister.trimmed() + QLatin1Char('%'));
        sql += QStringLiteral(" AND p.Tab_ProtocolloTemporaneo LIKE ")
               + q(QStringLiteral("%1").arg(c.emeNumber.trimmed().toLongLong(), 7, 10, QLatin1Char('0')) + QLatin1Char('%'));
    }
    if (c.correspondentId > 0)
        sql += QStringLiteral(" AND p.Tab_Intestatario = ") + QString::number(c.correspondentId);
    if (!c.refNumber.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + containsText(QStringLiteral("p.Tab_ProtDocArrivo"), c.refNumber);
    if (const QDate d = shownDate(c.refDate); d.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtDocArrivo = ") + sqlDate(d);
    const QString type = c.docType.left(3).trimmed();
    if (!type.isEmpty() && c.docType.trimmed() != QLatin1String("TUTTI"))
        sql += QStringLiteral(" AND p.Tab_Tipologia = ") + q(type);
    QString from, to;
    if (const QDate d = shownDate(c.from); d.isValid()) {
        from = sqlDate(d);
        sql += QStringLiteral(" AND p.Tab_DataProtocollo >= ") + from;
    }
    if (const QDate d = shownDate(c.to); d.isValid()) {
        to = sqlDate(d);
        sql += QStringLiteral(" AND p.Tab_DataProtocollo <= ") + to;
    }

    QStringList directions;
    if (c.incoming && maysee(v, QStringLiteral("E")))
        directions << QStringLiteral("'E'");
    if (c.outgoing && maysee(v, QStringLiteral("U")))
        directions << QStringLiteral("'U'");
    if (directions.isEmpty())
        directions << QStringLiteral("''");
    sql += QStringLiteral(" AND p.Tab_TipoProtocollo IN (") + directions.join(QLatin1Char(',')) + QLatin1Char(')');

    if (c.filter == SearchCriteria::Filter::ActiveOnly)
        sql += QStringLiteral(" AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C'");
    else if (c.filter == SearchCriteria::Filter::PrivacyOnly)
        sql += QStringLiteral(" AND p.Tab_SoggPrivacy = 'S'");

    sql += QStringLiteral(" AND ") + scope::registrationSearch(v);

    TextQuery t;
    t.columns = columns;
    t.joins = joins;
    t.ente = v.ente;
    t.base = sql;
    t.subject = c.subject;
    t.correspondent = c.correspondent;
    t.from = from;
    t.to = to;
    t.fromYear = shownDate(c.from).isValid() ? shownDate(c.from).year() : 0;
    t.toYear = shownDate(c.to).isValid() ? shownDate(c.to).year() : 0;
    t.limit = kSearchLimit;
    return textQuery(t);
}

QString textQuery(const TextQuery &t)
{
    const QString &columns = t.columns, &joins = t.joins, &from = t.from, &to = t.to;
    const int limit = t.limit;
    const bool pg = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL;
    QString filters = t.base, walk = t.base;
    QStringList texts;
    if (!t.subject.trimmed().isEmpty()) {
        filters += QStringLiteral(" AND ") + containsText(QStringLiteral("p.Tab_Oggetto"), t.subject);
        texts << walkedText(QStringLiteral("(p.Tab_Oggetto || '')"), t.subject);
    }
    if (!t.correspondent.trimmed().isEmpty()) {
        filters += QStringLiteral(" AND ") + correspondentCondition(t.ente, t.correspondent);
        texts << correspondentCondition(t.ente, t.correspondent, true);
    }
    for (const QString &text : texts)
        walk += QStringLiteral(" AND ") + text;

    const QString order = QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC") + Dialect::limit(limit);
    const bool subjectIndexed = contains::indexable(t.subject), subjectShort = contains::shortText(t.subject);
    // PostgreSQL's text indexes give no order: a list from them is a probe of
    // the newest rows first, then a walk or the index, whichever is cheaper.
    // SQLite's subject index walks newest first, but a period far from the
    // newest protocols is met sooner along the period's years.
    const bool period = !from.isEmpty() || !to.isEmpty();
    // SQLite: a correspondent's names are walked newest first through their
    // ordered trigrams, as a subject's words are; within a period the
    // register is walked along the period's numbers instead, which meets its
    // matches without passing the newer ones.
    const bool namesOrdered = !pg && !period && t.subject.trimmed().isEmpty() && contains::indexable(t.correspondent);
    const bool probed = ((subjectShort || subjectIndexed) && (pg ? (subjectShort || period || t.narrow) : period))
                        || (!subjectIndexed && !subjectShort && !namesOrdered && !t.correspondent.trimmed().isEmpty()
                            && !contains::literalRuns(t.correspondent).isEmpty());
    if (probed) {
        contains::Probed pr;
        pr.columns = columns;
        pr.joins = joins;
        pr.walkFilters = walk;
        // A correspondent costs several probes a row; a subject, a test of
        // the row's own text, cheaper than the visibility.
        if (t.narrow && pg && !t.correspondent.trimmed().isEmpty()) {
            pr.walkBase = t.base;
            pr.walkTexts = texts.join(QStringLiteral(" AND "));
        }
        pr.ente = t.ente;
        pr.periodFrom = from;
        pr.periodTo = to;
        pr.fromYear = t.fromYear;
        pr.toYear = t.toYear;
        pr.limit = limit;
        const QString years = contains::numberYears(QStringLiteral("p.Tab_NumeroProtocollo"), pr.fromYear, pr.toYear);
        // The walk looks names up only on the rows whose own copy holds
        // the text: it may go as far for a correspondent as for a subject.
        pr.walkReach = 45000;
        if (subjectShort && pg) {
            pr.candidates = indexedCandidates(filters + years + QStringLiteral(" AND ")
                                                  + contains::subjectLetters(t.subject, QStringLiteral("p.Tab_Oggetto")),
                                              limit);
        } else if (subjectShort) {
            const QString match = contains::subjectLetters(t.subject, QString());
            pr.few = QStringLiteral("SELECT 1 FROM ") + LetterGrams::kSubjectTable + QStringLiteral(" WHERE ") + match;
            pr.candidates = indexedCandidates(filters + years + QStringLiteral(" AND p.rowid IN (")
                                                  + orderedKeys(LetterGrams::kSubjectTable, match) + QLatin1Char(')'),
                                              limit);
        } else if (subjectIndexed && !pg) {
            // The subject's trigrams, kept in number order, walked from the
            // period's last year back.
            pr.few = QStringLiteral("SELECT 1 FROM Tab_Protocollo_Ordine_fts WHERE ") + contains::orderedSubjectMatch(t.subject);
            pr.candidates = contains::orderedWalk(QStringLiteral("Tab_Protocollo_Ordine_fts"),
                                                  contains::orderedSubjectMatch(t.subject), filters, QStringLiteral("k"),
                                                  pr.fromYear, pr.toYear, limit);
            pr.ordered = true;
        } else if (!pg && contains::indexable(t.correspondent)) {
            // The same for the protocols' own copy of their names.
            pr.few = QStringLiteral("SELECT 1 FROM ") + SearchNames::kTable + QStringLiteral(" WHERE ")
                     + contains::orderedNameMatch(t.correspondent);
            pr.candidates = contains::orderedWalk(SearchNames::kTable, contains::orderedNameMatch(t.correspondent), filters,
                                                  QStringLiteral("k"), pr.fromYear, pr.toYear, limit);
            pr.ordered = true;
        } else if (subjectIndexed) {
            pr.candidates = indexedCandidates(filters + years, limit);
        } else if (pg && contains::indexable(t.correspondent)) {
            // The names' trigram index finds the protocols themselves.
            pr.candidates = indexedCandidates(filters + years, limit);
        } else {
            pr.candidates = correspondentCandidates(t.ente, t.correspondent, filters, limit, pr.fromYear, pr.toYear);
        }
        return contains::probedQuery(pr);
    }

    contains::Bounded b;
    if (subjectIndexed) {
        b.candidates = contains::subjectCandidates(t.ente, t.subject);
        b.filtersUseIndex = true;
        b.orderedMatch = contains::orderedSubjectMatch(t.subject);
        b.yearlySubject = t.subject;
        b.thisYear = QDate::currentDate().year();
    } else if (namesOrdered) {
        b.orderedTable = SearchNames::kTable;
        b.orderedMatch = contains::orderedNameMatch(t.correspondent);
        b.candidates = b.orderedMatch;
    } else if (subjectShort) {
        // SQLite: the subject's letters, kept in protocol-number order.
        b.orderedMatch = contains::subjectLetters(t.subject, QStringLiteral("p.Tab_Oggetto"));
        b.orderedTable = LetterGrams::kSubjectTable;
        b.candidates = b.orderedMatch;
    }
    if (b.candidates.isEmpty())
        return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM Tab_Protocollo p ") + joins
               + QStringLiteral(" WHERE ") + filters + order;
    b.columns = columns;
    b.joins = joins;
    b.filters = filters;
    b.walkFilters = walk;
    b.order = QStringLiteral("p.Tab_NumeroProtocollo DESC");
    b.ente = t.ente;
    b.periodFrom = from;
    b.periodTo = to;
    b.limit = limit;
    return contains::boundedQuery(b);
}

QString correspondentMatch(const QString &ente, const QString &typed) { return correspondentCondition(ente, typed); }

QString countText(int rows)
{
    if (rows <= 0)
        return QString::fromUtf8(kNoRowsText);
    return QStringLiteral("Sono stati trovati N. ") + QString::number(rows) + QStringLiteral(" Protocolli ");
}

QString protocolQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_StatoProtocollo, p.Tab_DataProtocollo, p.Tab_OraProtocollo, "
                          "p.Tab_DataRegistrazione, p.Tab_DataRicezione, p.Tab_OraRicezione, p.Tab_Intestatario, "
                          "p.Tab_Tipologia, p.Tab_Oggetto, p.Tab_SedeRicezione, p.Tab_UfficioRegistrazione, "
                          "p.Tab_ComponenteUfficio, p.Tab_Annotazioni, p.Tab_ProtDocArrivo, p.Tab_DataProtDocArrivo, "
                          "p.Tab_SoggPrivacy, p.Tab_Stampato, p.Tab_DataCancellazione, p.Tab_MotivoCancellazione, "
                          "p.Tab_NoteCancellazione, p.Tab_ProtocolloTemporaneo, p.Tab_RegistroTemporaneo, "
                          "p.Tab_CodiceOpeReg FROM Tab_Protocollo p WHERE ")
           + key(ente, direction, number, QStringLiteral("p"));
}

QString dossiersQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT f.Tab_Titolo, t.Tab_Descrizione, f.Tab_Categoria, c.Tab_Descrizione, f.Tab_Classe, "
                          "k.Tab_Descrizione, f.Tab_CodiceFascicolo, x.Tab_Descrizione, x.Tab_Chiusura, t.Tab_Attivo, "
                          "c.Tab_Attivo, k.Tab_Attivo FROM Tab_ProFascicoli f "
                          "LEFT JOIN Tab_Titolo t ON t.Tab_Ente = f.Tab_Ente AND t.Tab_Codice = f.Tab_Titolo "
                          "LEFT JOIN Tab_Categoria c ON c.Tab_Ente = f.Tab_Ente AND c.Tab_CodiceTitolo = f.Tab_Titolo "
                          "AND c.Tab_Codice = f.Tab_Categoria "
                          "LEFT JOIN Tab_Classe k ON k.Tab_Ente = f.Tab_Ente AND k.Tab_CodiceTitolo = f.Tab_Titolo "
                          "AND k.Tab_CodiceCategoria = f.Tab_Categoria AND k.Tab_Codice = f.Tab_Classe "
                          "LEFT JOIN Tab_Fascicoli x ON x.Tab_Ente = f.Tab_Ente AND x.Tab_Titolo = f.Tab_Titolo "
                          "AND x.Tab_Categoria = f.Tab_Categoria AND x.Tab_Classe = f.Tab_Classe "
                          "AND x.Tab_CodiceFascicolo = f.Tab_CodiceFascicolo WHERE ")
           + key(ente, direction, number, QStringLiteral("f"))
           + QStringLiteral(" ORDER BY f.Tab_Titolo, f.Tab_Categoria, f.Tab_Classe, f.Tab_CodiceFascicolo");
}

QString iterQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT d.Tab_DataSerialeMov, m.Tab_Descrizione, dip.Dipa_Denominazione, u.Tab_Descrizione, "
                          "d.Tab_CodiceOpe FROM Tab_Iter_Documento d "
                          "LEFT JOIN Tab_TipoMovimento m ON m.Tab_Codice = d.Tab_TipoMovimento "
                          "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = d.Tab_Ente AND u.Tab_Ufficio = d.Tab_Ufficio "
                          "LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = u.Tab_Ente AND "
                          "dip.Dipa_CodDipartimento = u.Tab_Dipartimento WHERE ")
           + key(ente, direction, number, QStringLiteral("d")) + QStringLiteral(" ORDER BY d.Tab_DataSerialeMov");
}

QString archivedQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT COUNT(*) FROM Tab_Iter_Documento WHERE ") + key(ente, direction, number)
           + QStringLiteral(" AND Tab_TipoMovimento = 5");
}

} // namespace nimbo::protocol
