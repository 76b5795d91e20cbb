#include "protocol/ProtocolRules.h"

#include <QDateTime>
#include <algorithm>
#include <QRegularExpression>

#include "data/Dialect.h"
#include "data/DialectPrefix.h"
#include "data/Funzioni_Com_1.h"
#include "organisation/Pickers.h"
#include "protocol/ContainsIndex.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

Dialect::Engine engine() { return Dialect::centralTarget().engine; }

QString like(const QString &column, const QString &pattern)
{
    return Dialect::likeNoCase(engine(), column, q(pattern));
}

bool isNumber(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString text(const F::LoadedRows &r, int column, int row) { return r.value(column, row).toString().trimmed(); }

// The part of a list cell before " - ".
QString codeOf(const QString &cell)
{
    const int at = cell.indexOf(QStringLiteral(" - "));
    return (at < 0 ? cell : cell.left(at)).trimmed();
}

Failure fail(const char *message, const char *field)
{
    return {QString::fromUtf8(message), QString::fromLatin1(field)};
}

} // namespace

Context Context::fromSession()
{
    Context c;
    c.takeFromSession();
    c.protocolOfficeDept = DicAmbiente::session().parm.enteCodiceDip;
    c.today = QDate::currentDate();
    return c;
}

QDate shownDate(const QString &text)
{
    const QString t = text.trimmed();
    for (const char *fmt : {"dd/MM/yyyy", "d/M/yyyy"}) {
        const QDate d = QDate::fromString(t, QString::fromLatin1(fmt));
        if (d.isValid())
            return d;
    }
    return {};
}

bool validTime(const QString &text)
{
    const QString t = text.trimmed();
    return QTime::fromString(t, QStringLiteral("hh:mm:ss")).isValid()
           || QTime::fromString(t, QStringLiteral("hh:mm")).isValid();
}

QString requestDate(const QString &shown)
{
    const QDate d = shownDate(shown);
    return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : QString();
}

QString dateText(const QVariant &value)
{
    if (value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDate)
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    if (value.typeId() == QMetaType::QDateTime)
        return value.toDateTime().date().toString(QStringLiteral("dd/MM/yyyy"));
    const QDateTime dt = F::parseDateShape(value.toString().trimmed());
    return dt.isValid() ? dt.date().toString(QStringLiteral("dd/MM/yyyy")) : value.toString();
}

QString sqlDate(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

// ---- code lookups -----------------------------------------------------------------

bool searchesByDescription(const QString &typed) { return ui::searchesByDescription(typed); }

namespace {

// Active correspondents whose name holds the text, in the order of the
// active names' index: by name regardless of case, equal names by
// identifier, so that a list cut short is always the same. When the
// trigram index offers few candidates they are read and sorted; when it
// offers many, the names are walked in that order, the text tested on the
// index entry alone, until the list is full: a common text fills it within
// a few hundred names, and a rare one is never looked for by walking the
// whole book. Texts too short for the trigram index are walked the same
// way, and on PostgreSQL every text while the clerk types. While the clerk
// types, the names that begin with the text (a range of the same index)
// come first, and the others only when those are fewer than the list
// holds.
QString correspondentsNamed(const QString &ente, const QString &t, LookupList list)
{
    const bool pg = engine() == Dialect::Engine::PostgreSQL;
    const bool typing = list == LookupList::AsTyped;
    const int limit = typing ? 50 : 500;
    const QString body = QStringLiteral("r.Tab_EnteRubrica = ") + q(ente) + QStringLiteral(" AND r.Tab_Attivo = 1");
    const QString pattern = QLatin1Char('%') + t + QLatin1Char('%');
    const QString lim = QString::number(limit);
    // Beyond this many candidates the walk meets the list sooner than
    // reading and sorting them all.
    const int few = std::max(1000, 10 * limit);
    // The index's key: PostgreSQL keeps the name in capitals (compared
    // byte by byte, so that a beginning is a range), SQLite the name
    // compared without case.
    const QString key = pg ? QStringLiteral("(upper(r.Tab_Denominazione) COLLATE \"C\")")
                           : QStringLiteral("r.Tab_Denominazione COLLATE NOCASE");
    const QString order = pg ? key + QStringLiteral(", r.Tab_Denominazione, r.Tab_Identificativo")
                             : key + QStringLiteral(", r.Tab_Identificativo");
    // The text's plain letters up to its first other character: SQLite's
    // own LIKE, which reads the index entry alone and walks a beginning as
    // a range, tests them first; the case-blind comparison decides.
    const QString lead = t.left(std::find_if(t.begin(), t.end(), [](QChar ch) {
                                    return ch.unicode() < 0x20 || ch.unicode() >= 0x80;
                                }) - t.begin());
    // A condition tested on the index entry alone: PostgreSQL compares the
    // capitals the index holds (hidden from its estimates, which would
    // rather read the whole book and sort it), a beginning left in sight so
    // that it is read as a range.
    const auto onIndex = [&](const QString &pat, bool beginning = false) {
        if (pg)
            return beginning ? key + QStringLiteral(" LIKE upper(") + q(pat) + QLatin1Char(')')
                             : QStringLiteral("COALESCE(") + key + QStringLiteral(" LIKE upper(") + q(pat)
                                   + QStringLiteral("), false)");
        const QString exact = like(QStringLiteral("r.Tab_Denominazione"), pat);
        if (lead.isEmpty())
            return exact;
        const QString ascii = (beginning ? QString() : QStringLiteral("%")) + lead + QLatin1Char('%');
        return QStringLiteral("r.Tab_Denominazione LIKE ") + q(ascii) + QStringLiteral(" AND ") + exact;
    };
    // Each way is one branch, its guard decided once before its rows are
    // read. SQLite tests a guard that names no row on every row it walks:
    // there the guard gives the body's code, or none, so that the walk
    // along the index either starts or meets nothing at all.
    const auto guarded = [&](const QString &guard) {
        if (guard.isEmpty())
            return body + QStringLiteral(" AND ");
        return pg ? guard + QStringLiteral(" AND ") + body + QStringLiteral(" AND ")
                  : QStringLiteral("r.Tab_EnteRubrica = CASE WHEN ") + guard + QStringLiteral(" THEN ") + q(ente)
                        + QStringLiteral(" END AND r.Tab_Attivo = 1 AND ");
    };
    const QString from = QStringLiteral("SELECT r.Tab_Identificativo AS i FROM Tab_Rubrica r ")
                         + (pg ? QString() : QStringLiteral("INDEXED BY ix_tab_rubrica_attivi_nome "))
                         + QStringLiteral("WHERE ");
    const auto walk = [&](const QString &guard) {
        return from + guarded(guard) + onIndex(pattern) + QStringLiteral(" ORDER BY ") + order
               + QStringLiteral(" LIMIT ") + lim;
    };
    // The names that begin with the text; those also found among the
    // others are listed once, with them.
    const QString begins = onIndex(t + QLatin1Char('%'), true);
    QStringList with;
    QString first, guard;
    if (typing) {
        with << QStringLiteral("b AS MATERIALIZED (") + from + body + QStringLiteral(" AND ") + begins
                    + QStringLiteral(" ORDER BY ") + order + QStringLiteral(" LIMIT ") + lim + QLatin1Char(')');
        first = QStringLiteral("SELECT i, 0 AS k FROM b UNION ALL ");
        guard = QStringLiteral("(SELECT COUNT(*) FROM b) < ") + lim;
    }
    const auto also = [&](const QString &more) {
        return guard.isEmpty() ? more : more.isEmpty() ? guard : guard + QStringLiteral(" AND ") + more;
    };
    QString rest;
    // PostgreSQL walks its capitals faster than it counts candidates by
    // comparing the rows' names: while the clerk types it walks at once.
    if (!contains::indexable(t) || (pg && typing)) {
        rest = QStringLiteral("SELECT i, 1 AS k FROM (") + walk(also(QString())) + QStringLiteral(") w");
    } else {
        const QString matches = like(QStringLiteral("r.Tab_Denominazione"), pattern);
        // The candidates, counted no further than "few" (and not at all
        // when the names that begin with the text fill the list).
        const QString candidates =
            pg ? QStringLiteral("SELECT 1 FROM Tab_Rubrica r WHERE ") + body + QStringLiteral(" AND ") + matches
               : contains::nameCandidates(t);
        with << QStringLiteral("few AS MATERIALIZED (SELECT COUNT(*) AS n FROM (") + candidates
                    + (guard.isEmpty() ? QString() : QStringLiteral(" AND ") + guard) + QStringLiteral(" LIMIT ")
                    + QString::number(few + 1) + QStringLiteral(") c0)");
        // Sorted by an expression, so that the planner does not walk the
        // name index for them.
        QString found = QStringLiteral("SELECT r.Tab_Identificativo AS i FROM Tab_Rubrica r WHERE ")
                        + also(QStringLiteral("(SELECT n FROM few) <= ") + QString::number(few)) + QStringLiteral(" AND ")
                        + body;
        if (!pg)
            found += QStringLiteral(" AND ") + contains::nameRowsCondition(QStringLiteral("r.rowid"), t);
        found += QStringLiteral(" AND ") + matches + QStringLiteral(" ORDER BY ")
                 + (pg ? QStringLiteral("upper(r.Tab_Denominazione) || '', r.Tab_Denominazione, r.Tab_Identificativo")
                       : QStringLiteral("lower(r.Tab_Denominazione), r.Tab_Identificativo"))
                 + QStringLiteral(" LIMIT ") + lim;
        rest = QStringLiteral("SELECT i, 1 AS k FROM (") + found + QStringLiteral(") f UNION ALL SELECT i, 1 FROM (")
               + walk(also(QStringLiteral("(SELECT n FROM few) > ") + QString::number(few)))
               + QStringLiteral(") w");
    }
    return (with.isEmpty() ? QString() : QStringLiteral("WITH ") + with.join(QStringLiteral(", ")) + QLatin1Char(' '))
           + QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, c.com_Comune, r.Tab_Domicilio, "
                            "r.Tab_NumeroCivico FROM (SELECT i, MIN(k) AS k FROM (")
           + first + rest + QStringLiteral(") u GROUP BY i) m JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = ") + q(ente)
           + QStringLiteral(" AND r.Tab_Identificativo = m.i LEFT JOIN Tab_Comuni c ON c.Com_Codcom = "
                            "r.Tab_ComuneUbicazione ORDER BY m.k, ")
           + order + QStringLiteral(" LIMIT ") + lim;
}

} // namespace

QString lookupQuery(CodeField field, const QString &typed, const LookupScope &s, bool byDescription, LookupList list)
{
    const QString t = typed.trimmed();
    switch (field) {
    case CodeField::Correspondent: {
        const QString rows = QStringLiteral("r.Tab_Attivo = 1 AND r.Tab_EnteRubrica = ") + q(s.ente);
        QString sql = QStringLiteral("SELECT r.Tab_Identificativo, r.Tab_Denominazione, c.com_Comune, r.Tab_Domicilio, "
                                     "r.Tab_NumeroCivico FROM Tab_Rubrica r LEFT JOIN Tab_Comuni c ON "
                                     "c.Com_Codcom = r.Tab_ComuneUbicazione WHERE ")
                      + rows;
        if (byDescription)
            return correspondentsNamed(s.ente, t, list);
        if (!isNumber(t))
            return {};
        return sql + QStringLiteral(" AND r.Tab_Identificativo = ") + QString::number(t.toLongLong());
    }
    case CodeField::DocType:
        if (byDescription)
            return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento WHERE ")
                   + like(QStringLiteral("Tab_Descrizione"), t + QLatin1Char('%')) + QStringLiteral(" ORDER BY Tab_Descrizione");
        return QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento WHERE UPPER(Tab_Codice) = ") + q(t.toUpper());
    case CodeField::Department:
        return organisation::departmentQuery(s.ente, t, byDescription, s.leaveOutClosed);
    case CodeField::Office:
        return organisation::officeQuery(s.ente, s.department, t, byDescription, s.leaveOutClosed);
    case CodeField::Member: {
        const QString sql = QStringLiteral("SELECT Tab_Progressivo, Tab_Componente FROM Tab_UfficiComponenti WHERE "
                                           "Tab_Ente = ")
                            + q(s.ente) + QStringLiteral(" AND UPPER(Tab_Ufficio) = ") + q(s.office.trimmed().toUpper());
        // By name the member's name is matched, not its progressive.
        if (byDescription)
            return sql + QStringLiteral(" AND ") + like(QStringLiteral("Tab_Componente"), t + QLatin1Char('%'))
                   + QStringLiteral(" ORDER BY Tab_Componente");
        if (!isNumber(t))
            return {};
        return sql + QStringLiteral(" AND Tab_Progressivo = ") + QString::number(t.toLongLong())
               + QStringLiteral(" ORDER BY Tab_Componente");
    }
    }
    return {};
}

QVector<LookupRow> lookupRows(CodeField field, const QString &sql, bool asList)
{
    QVector<LookupRow> out;
    if (sql.isEmpty())
        return out;
    const F::LoadedRows r = F::loadRows(kDb, sql);
    if (!r.ok)
        return out;
    for (int i = 0; i < r.rowCount(); ++i) {
        LookupRow row;
        if (field == CodeField::Correspondent) {
            const qlonglong id = r.value(0, i).toLongLong();
            row.code = asList ? QStringLiteral("%1").arg(id, 6, 10, QLatin1Char('0')) : QString::number(id);
            row.description = text(r, 1, i) + QStringLiteral(" - ") + text(r, 2, i) + QStringLiteral("  - ")
                              + text(r, 3, i) + QLatin1Char(' ') + text(r, 4, i);
        } else {
            row.code = field == CodeField::Member ? QString::number(r.value(0, i).toLongLong()) : text(r, 0, i);
            row.description = text(r, 1, i);
        }
        out.append(row);
    }
    return out;
}

QVector<LookupRow> lookup(CodeField field, const QString &typed, const LookupScope &scope, bool byDescription, LookupList list)
{
    return lookupRows(field, lookupQuery(field, typed, scope, byDescription, list), byDescription);
}

QString recurringSubjectsQuery(const QString &ente, const QString &department, const QString &direction,
                               const QString &typed)
{
    return QStringLiteral("SELECT Tab_OggettoR FROM Tab_OggettiRicorrenti WHERE Tab_ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND Tab_EU = ") + q(direction)
           + QStringLiteral(" AND ") + Dialect::beginsNoCase(engine(), QStringLiteral("Tab_OggettoR"), typed.trimmed())
           + QStringLiteral(" ORDER BY Tab_OggettoR") + Dialect::limit(100);
}

// ---- validation -------------------------------------------------------------------

std::optional<Failure> checkDates(const ProtocolForm &f)
{
    if (f.direction != QLatin1String("E") && f.direction != QLatin1String("U"))
        return fail("Indicare se il protocollo è di Entrata o di Uscita", "OptTipoProtocollo");
    const QDate received = shownDate(f.dataRicezione);
    const bool noReceived = f.dataRicezione.trimmed().isEmpty();
    if (!received.isValid() && !(noReceived && f.direction == QLatin1String("U")))
        return fail("La DATA RICEZIONE deve essere valida e significativa.", "DataRicezione");
    if (!f.oraRicezione.trimmed().isEmpty() && !validTime(f.oraRicezione))
        return fail("L'ora di ricezione del documento deve essere valida e significativa.", "OraRicezione");
    const QDate protocolDate = shownDate(f.dataProtocollo);
    if (!protocolDate.isValid())
        return fail("La DATA protocollo deve essere valida e significativa.", "DataProtocollo");
    if (received.isValid() && received > protocolDate)
        return fail("La DATA RICEZIONE deve essere minore o uguale della data di protocollo.", "DataRicezione");
    if (!f.refDate.trimmed().isEmpty()) {
        const QDate ref = shownDate(f.refDate);
        if (!ref.isValid())
            return fail("La DATA del Documento in arrivo deve essere valida e significativa.", "Text2");
        if (received.isValid() && ref > received)
            return fail("La DATA del Documento in arrivo non può essere maggiore della data di ricezione del "
                        "documento stesso.",
                        "Text2");
    }
    return std::nullopt;
}

std::optional<Failure> validate(ProtocolForm *f, const Context &ctx)
{
    if (auto d = checkDates(*f))
        return d;
    LookupScope scope{ctx.ente, f->codSedeRic, f->codUfficio, ctx.isNew};

    if (!isNumber(f->codiceMitDest))
        return fail("IL codice Mittente/Destinatario deve essere numerico.", "CodiceMitDest");
    const auto who = lookup(CodeField::Correspondent, f->codiceMitDest, scope, false);
    if (who.isEmpty())
        return fail("IL Mittente/Destinatario specificato non è presente in archivio", "CodiceMitDest");
    f->descMitDest = who.first().description;

    if (f->codTipoDoc.trimmed().isEmpty())
        return fail("IL Tipo Documento deve essere valido e significativo.", "CodTipoDoc");
    const auto type = lookup(CodeField::DocType, f->codTipoDoc, scope, false);
    if (type.isEmpty())
        return fail("IL Tipo Documento specificato non è presente in archivio", "CodTipoDoc");
    f->codTipoDoc = type.first().code; // as the register holds it, whatever the case typed
    f->descTipoDoc = type.first().description;

    if (f->oggetto.trimmed().isEmpty())
        return fail("L'Oggetto deve essere valido e significativo.", "Oggetto");

    if (f->codSedeRic.trimmed().isEmpty())
        return fail("la Sede di Ricezione Documento deve essere valida e significativa.", "CodSedeRic");
    const auto dept = lookup(CodeField::Department, f->codSedeRic, scope, false);
    if (dept.isEmpty())
        return fail("Il Codice Dipartimento specificato non è presente in archivio", "CodSedeRic");
    f->codSedeRic = dept.first().code;
    f->descSedeRic = dept.first().description;

    if (f->codUfficio.trimmed().isEmpty())
        return fail("IL Codice Ufficio deve essere valido e significativo.", "CodUfficio");
    const auto office = lookup(CodeField::Office, f->codUfficio, scope, false);
    if (office.isEmpty())
        return fail("Il Codice Ufficio specificato non è presente in archivio", "CodUfficio");
    f->codUfficio = office.first().code;
    f->descUfficio = office.first().description;

    if (f->codOperatore.trimmed().isEmpty()) {
        f->codOperatore.clear();
        f->descOperatore.clear();
    } else {
        const auto member = lookup(CodeField::Member, f->codOperatore, scope, false);
        if (member.isEmpty())
            return fail("Il Componente specificato non è presente in archivio", "CodOperatore");
        f->descOperatore = member.first().description;
    }
    return std::nullopt;
}

QString similarSubjectQuery(const QString &ente, const QString &direction, const QString &subject, const QDate &today)
{
    // The direction and the order are written as expressions so that no
    // planner walks the whole direction through the key index: the date
    // index gives the 30 days, the few rows found are sorted afterwards.
    const QString columns = QStringLiteral("p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto");
    const QString since = sqlDate(today.addDays(-30));
    const QString rest = QStringLiteral("p.Tab_Ente = ") + q(ente) + QStringLiteral(" AND p.Tab_TipoProtocollo || '' = ")
                         + q(direction) + QStringLiteral(" AND ");
    const QString pattern = QLatin1Char('%') + subject.trimmed() + QLatin1Char('%');
    const QString filters = rest + like(QStringLiteral("p.Tab_Oggetto"), pattern)
                            + QStringLiteral(" AND p.Tab_DataProtocollo > ") + since;
    const QString order = QStringLiteral("p.Tab_NumeroProtocollo || '' DESC");
    if (!contains::indexable(subject))
        return QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM Tab_Protocollo p WHERE ") + filters
               + QStringLiteral(" ORDER BY ") + order;
    // A subject typed in full is rare in the register: the text index gives
    // its few protocols. A short common one falls back on the 30 days.
    contains::Bounded b;
    b.columns = columns;
    b.filters = filters;
    b.walkFilters = rest + like(QStringLiteral("(p.Tab_Oggetto || '')"), pattern)
                    + QStringLiteral(" AND p.Tab_DataProtocollo > ") + since;
    b.order = order;
    b.candidates = contains::subjectCandidates(ente, subject, direction);
    b.filtersUseIndex = true;
    b.orderedMatch = contains::orderedSubjectMatch(subject);
    b.ente = ente;
    b.periodFrom = since;
    return contains::boundedQuery(b);
}

QString similarSubjectWarning(const ProtocolForm &f, const Context &ctx)
{
    const F::LoadedRows r = F::loadRows(kDb, similarSubjectQuery(ctx.ente, f.direction, f.oggetto, ctx.today));
    if (!r.ok || r.rowCount() == 0)
        return {};
    QString msg = QStringLiteral("ATTENZIONE! Sono stati già protocollati i seguenti documenti aventi un Oggetto simile a "
                                 "quello inserito:");
    for (int i = 0; i < r.rowCount(); ++i)
        msg += QLatin1Char('\n') + shownNumber(text(r, 0, i)) + QStringLiteral(" del ") + dateText(r.value(1, i))
               + QStringLiteral("  -  ") + text(r, 2, i);
    msg += QStringLiteral("\n\nSe vuoi effettuare comunque la registrazione premi 'SI' altrimenti premi 'NO'.");
    return msg;
}

// ---- registration -----------------------------------------------------------------

ColumnValues registrationColumns(const ProtocolForm &f, const Context &ctx)
{
    const bool isNew = ctx.isNew;
    const auto named = [isNew](const char *name, bool onlyNew) {
        return onlyNew && !isNew ? QString() : QString::fromLatin1(name);
    };
    const QString today = ctx.today.toString(QStringLiteral("MM/dd/yyyy"));
    const QString member = f.codOperatore.trimmed();
    return {
        {QStringLiteral("Tab_TipoProtocollo"), f.direction},
        {QStringLiteral("Tab_NumeroProtocollo"), isNew ? QString() : f.number.trimmed()},
        {QStringLiteral("Tab_DataRegistrazione"), requestDate(f.dataRegistrazione)},
        {QStringLiteral("Tab_DataProtocollo"), requestDate(f.dataProtocollo)},
        {QStringLiteral("Tab_DataRicezione"), requestDate(f.dataRicezione)},
        {QStringLiteral("Tab_SedeRicezione"), f.codSedeRic.trimmed()},
        {named("Tab_CodiceOpeReg", true), ctx.operatorCode},
        {QStringLiteral("Tab_UfficioRegistrazione"), f.codUfficio.trimmed()},
        {QStringLiteral("Tab_Oggetto"), f.oggetto},
        {QStringLiteral("Tab_Tipologia"), f.codTipoDoc.trimmed()},
        {QStringLiteral("Tab_Intestatario"), f.codiceMitDest.trimmed().toLongLong()},
        {QStringLiteral("Tab_Annotazioni"), f.annotazioni},
        {QStringLiteral("Tab_Categoria"), QString()},
        {QStringLiteral("Tab_Classe"), QString()},
        {QStringLiteral("Tab_Titolo"), QString()},
        {QStringLiteral("Tab_NomeImpronta"), f.oggetto + f.descMitDest + f.descSedeRic + f.descUfficio},
        {named("Tab_RegistroTemporaneo", true), QStringLiteral(" ")},
        {named("Tab_ProtocolloTemporaneo", true), QString()},
        {QStringLiteral("Tab_StatoProtocollo"), isNew ? QStringLiteral("A") : f.state.left(1)},
        {QStringLiteral("Tab_Ente"), ctx.ente},
        {QStringLiteral("Tab_CodOper"), ctx.operatorCode},
        {QStringLiteral("Tab_DatOper"), today},
        {QStringLiteral("Tab_ProtDocArrivo"), f.refNumber.trimmed()},
        {QStringLiteral("Tab_DataProtDocArrivo"), requestDate(f.refDate)},
        {QStringLiteral("Tab_SoggPrivacy"), f.privacy ? QStringLiteral("S") : QStringLiteral("N")},
        {QStringLiteral("Tab_ComponenteUfficio"), member.isEmpty() ? 0 : member.toLongLong()},
        {QStringLiteral("Tab_OraProtocollo"), f.oraProtocollo.trimmed()},
        {QStringLiteral("Tab_OraRicezione"), f.oraRicezione.trimmed()},
        {named("Tab_Stampato", true), QStringLiteral("N")},
    };
}

QVector<ColumnValues> dossierRows(const ProtocolForm &f, const Context &ctx)
{
    QVector<ColumnValues> rows;
    if (!ctx.isNew)
        return rows;
    const QString today = ctx.today.toString(QStringLiteral("MM/dd/yyyy"));
    for (const Dossier &d : f.dossiers) {
        const QString code = codeOf(d.dossier);
        rows.append({{QStringLiteral("Tab_Ente"), ctx.ente},
                     {QStringLiteral("Tab_TipoProtocollo"), f.direction},
                     {QStringLiteral("Tab_NumeroProtocollo"), QString()},
                     {QStringLiteral("Tab_titolo"), codeOf(d.title)},
                     {QStringLiteral("Tab_categoria"), codeOf(d.category)},
                     {QStringLiteral("Tab_classe"), codeOf(d.cls)},
                     {QStringLiteral("Tab_Codicefascicolo"), isNumber(code) ? QVariant(code.toLongLong()) : QVariant(code)},
                     {QStringLiteral("Tab_Provenienza"), QStringLiteral("P")},
                     {QStringLiteral("Tab_CodOper"), ctx.operatorCode},
                     {QStringLiteral("Tab_DatOper"), today}});
    }
    return rows;
}

QVariantList buildRequest(const ProtocolForm &f, const Context &ctx, const ColumnValues &replacing)
{
    const QString number = ctx.isNew ? QString() : f.number.trimmed();
    ColumnValues columns = registrationColumns(f, ctx);
    for (const auto &[name, value] : replacing) {
        auto at = std::find_if(columns.begin(), columns.end(), [&name](const auto &c) { return c.first == name; });
        if (at == columns.end())
            columns.append({name, value});
        else
            at->second = value;
    }
    return registrationRequest(ctx.isNew ? QStringLiteral("A") : QStringLiteral("R"),
                               protocolCondition(ctx.ente, f.direction, number), columns,
                               ctx.operatorCode, dossierRows(f, ctx),
                               !ctx.department.isEmpty() && ctx.department == ctx.protocolOfficeDept);
}

Reply readReply(const QVariantList &reply)
{
    Reply r;
    const QString status = reply.value(0).toString().trimmed();
    if (status == kStatusRefused) {
        r.kind = Reply::Refused;
        r.message = reply.value(1).toString();
    } else if (!reply.isEmpty() && status == QLatin1String("0")) {
        r.kind = Reply::Ok;
        r.number = reply.value(2).toString().trimmed();
        r.date = dateText(reply.value(3));
        r.time = reply.value(4).toString().trimmed();
    } else {
        r.kind = Reply::Error;
        r.message = status + QLatin1Char(' ') + reply.value(1).toString();
    }
    return r;
}

// ---- state --------------------------------------------------------------------------

QVector<int> enabledButtons(const QString &state)
{
    if (state == QLatin1String("C"))
        return {0, 1, 2, 5};
    if (state == QLatin1String("M"))
        return {0, 1, 2, 5, 6, 8, 10};
    return {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
}

QString consultationKeys(const QString &direction, bool listLoaded)
{
    QString keys = QStringLiteral("NUOVO;ESCI;ANNULLA;REGISTRA;CERCA;ETICHETTA");
    if (direction == QLatin1String("E"))
        keys += QStringLiteral(";STAMPA");
    if (listLoaded)
        keys += QStringLiteral(";PRECEDENTE;SUCCESSIVO");
    return keys;
}

bool staysModifiable(bool bodyIsType9, const QString &number, const QString &lastNumber)
{
    return !bodyIsType9 || (!number.isEmpty() && number == lastNumber);
}

QString lastProtocolQuery(const QString &ente, const QString &operatorCode)
{
    return QStringLiteral("SELECT MAX(Tab_NumeroProtocollo) FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_CodiceOpeReg = ") + q(operatorCode);
}

} // namespace nimbo::protocol
