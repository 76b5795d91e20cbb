#include "schema/Schema.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/Dialect.h"
#include "schema/CancelGuards.h"
#include "schema/CorrespondentNames.h"
#include "schema/ClassificationGuards.h"
#include "schema/DeadlineKeeper.h"
#include "schema/Ddl.h"
#include "schema/DirectionHistory.h"
#include "schema/Guards.h"
#include "schema/History.h"
#include "schema/LateGuards.h"
#include "schema/LinkGuards.h"
#include "schema/ManualGuards.h"
#include "schema/MemberGuards.h"
#include "schema/SearchGrams.h"
#include "schema/Transaction.h"

namespace Schema {
namespace {

using Dialect::Engine;

// Each step names what it brings; the structure it adds comes from the
// "since" marks of the definition, anything else from its extra statements.
struct Step {
    int version;
    const char *what;
    QStringList (*extra)(Kind, Engine);
    // Run before the step; false (with the reason) stops the upgrade.
    bool (*precondition)(const QSqlDatabase &, Kind, QString *) = nullptr;
};

QStringList noExtra(Kind, Engine) { return {}; }

// The guards cannot stand on a register that already breaks them: the
// upgrade lists the rows to put right instead of failing on the first
// constraint the engine refuses.
bool registerKeepsTheRules(const QSqlDatabase &db, Kind kind, QString *why)
{
    if (kind != Kind::Central || !tableExists(db, QStringLiteral("Tab_Protocollo")))
        return true;
    QString error;
    const QStringList bad = Guards::violations(db, 20, &error);
    if (!error.isEmpty()) {
        *why = error;
        return false;
    }
    if (bad.isEmpty())
        return true;
    *why = QStringLiteral("il registro contiene protocolli che violano le regole del registro; correggerli e "
                          "ripetere l'aggiornamento:\n")
           + bad.join(QLatin1Char('\n'));
    return false;
}

// Trigram indexes let PostgreSQL answer the "contains" searches on subjects
// and correspondent names (ILIKE '%...%') without reading the whole
// register. The extension is optional: a server without it, or a user who
// may not install it, keeps the plain scan and the upgrade still succeeds.
QStringList containsIndexes(Kind kind, Engine e)
{
    if (kind != Kind::Central || e != Engine::PostgreSQL)
        return {};
    const auto index = [](const char *name, const char *table, const char *column) {
        return QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN "
                              "CREATE INDEX IF NOT EXISTS %1 ON %2 USING gin (%3 gin_trgm_ops); END IF; END $$")
            .arg(QLatin1String(name), QLatin1String(table), QLatin1String(column));
    };
    return {QStringLiteral("DO $$ BEGIN CREATE EXTENSION IF NOT EXISTS pg_trgm; EXCEPTION WHEN OTHERS THEN "
                           "RAISE NOTICE 'pg_trgm not available: %', SQLERRM; END $$"),
            index("tab_protocollo_oggetto_trgm", "Tab_Protocollo", "Tab_Oggetto"),
            index("tab_rubrica_denominazione_trgm", "Tab_Rubrica", "Tab_Denominazione")};
}

// SQLite: trigram full-text tables over the subject and the address-book
// name, reading their text from the tables themselves (external content,
// keyed by rowid), kept in step by triggers and filled here for the rows
// already there. A deleted or changed row must leave the index too, or a
// later row that takes its rowid would be found by the old text.
// Tab_Protocollo's rowid is implicit, and VACUUM may renumber implicit
// rowids: after a VACUUM the tables must be rebuilt ('rebuild' below).
QStringList trigramTables(Kind kind, Engine e)
{
    if (kind != Kind::Central || e != Engine::SQLite)
        return {};
    QStringList out;
    const auto table = [&out](const char *fts, const char *table, const char *column) {
        const QString f = QLatin1String(fts), t = QLatin1String(table), c = QLatin1String(column);
        out << QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS %1 USING fts5(%3, content='%2', content_rowid='rowid', "
                              "tokenize='trigram', detail='none')")
                   .arg(f, t, c);
        out << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_ai AFTER INSERT ON %2 BEGIN "
                              "INSERT INTO %1 (rowid, %3) VALUES (new.rowid, new.%3); END")
                   .arg(f, t, c);
        out << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_ad AFTER DELETE ON %2 BEGIN "
                              "INSERT INTO %1 (%1, rowid, %3) VALUES ('delete', old.rowid, old.%3); END")
                   .arg(f, t, c);
        out << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_au AFTER UPDATE OF %3 ON %2 BEGIN "
                              "INSERT INTO %1 (%1, rowid, %3) VALUES ('delete', old.rowid, old.%3); "
                              "INSERT INTO %1 (rowid, %3) VALUES (new.rowid, new.%3); END")
                   .arg(f, t, c);
        out << QStringLiteral("INSERT INTO %1 (%1) VALUES ('rebuild')").arg(f);
    };
    table("Tab_Protocollo_Oggetto_fts", "Tab_Protocollo", "Tab_Oggetto");
    table("Tab_Rubrica_Denominazione_fts", "Tab_Rubrica", "Tab_Denominazione");
    return out;
}

// The history triggers copy columns by name: a definition that no longer
// pairs every history column with a table column must stop the upgrade
// rather than install triggers that record less.
bool historyMatchesTheTables(const QSqlDatabase &, Kind kind, QString *why)
{
    if (kind != Kind::Central)
        return true;
    *why = History::mismatch();
    return why->isEmpty();
}

// SQLite: the trigram tables merge their segments only when a level holds
// too many ('crisismerge'), not after every write. The automatic merge runs
// inside the writing transaction and now and then rewrites a large segment,
// which holds a registration for a tenth of a second or more; left to the
// crisis merges, the work per write stays small and the segments few enough
// (at most fifteen a level) for the searches.
QStringList quietTrigramMerges(Kind kind, Engine e)
{
    if (kind != Kind::Central || e != Engine::SQLite)
        return {};
    QStringList out;
    for (const char *fts : {"Tab_Protocollo_Oggetto_fts", "Tab_Rubrica_Denominazione_fts"})
        out << QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('automerge', 0)").arg(QLatin1String(fts));
    return out;
}

// SQLite: the subject index keyed in protocol-number order. The full-text
// table's rowid is the number times 2^26 plus a slot for the bodies that
// share the number, and Tab_Protocollo_Ordine turns it back into the
// protocol's key. Walked by descending rowid, the index yields the
// protocols whose subject may hold a word newest number first, so a search
// for a common word stops at its thousandth match instead of reading and
// sorting every candidate. Keyed by the protocol key rather than by the
// register's implicit rowid, it survives a VACUUM. It replaces the subject
// table of the earlier step, so a registration still writes one index.
//
// PostgreSQL: a trigram index over the subject behind the year of the
// number ("2025#subject"), so that a search can ask one year at a time for
// its candidates and go on to older years only while the list is short.
QStringList orderedSubjects(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    if (e == Engine::PostgreSQL)
        return {QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN "
                               "CREATE INDEX IF NOT EXISTS tab_protocollo_anno_oggetto_trgm ON Tab_Protocollo USING gin "
                               "((left(Tab_NumeroProtocollo, 4) || '#' || Tab_Oggetto) gin_trgm_ops); END IF; END $$")};
    return QStringList{
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Oggetto_fts_ai"),
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Oggetto_fts_ad"),
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Oggetto_fts_au"),
        QStringLiteral("DROP TABLE IF EXISTS Tab_Protocollo_Oggetto_fts"),
        QStringLiteral("CREATE TABLE IF NOT EXISTS Tab_Protocollo_Ordine (k INTEGER PRIMARY KEY, Tab_Ente TEXT NOT "
                       "NULL, Tab_TipoProtocollo TEXT NOT NULL, Tab_NumeroProtocollo TEXT NOT NULL)"),
        QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS Tab_Protocollo_Ordine_chiave ON Tab_Protocollo_Ordine "
                       "(Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo)"),
        // Contentless: the subjects stay in the register only; a removal
        // hands the old text back to the index, as the triggers do.
        QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS Tab_Protocollo_Ordine_fts USING fts5(Tab_Oggetto, "
                       "content='', tokenize='trigram', detail='none')"),
        QStringLiteral("INSERT INTO Tab_Protocollo_Ordine_fts (Tab_Protocollo_Ordine_fts, rank) VALUES ('automerge', 0)"),
        QStringLiteral("DELETE FROM Tab_Protocollo_Ordine"),
        QStringLiteral("INSERT INTO Tab_Protocollo_Ordine (k, Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo) "
                       "SELECT CAST(Tab_NumeroProtocollo AS INTEGER) * 67108864 + ROW_NUMBER() OVER (PARTITION BY "
                       "Tab_NumeroProtocollo ORDER BY Tab_Ente, Tab_TipoProtocollo) - 1, Tab_Ente, "
                       "Tab_TipoProtocollo, Tab_NumeroProtocollo FROM Tab_Protocollo"),
        QStringLiteral("INSERT INTO Tab_Protocollo_Ordine_fts (Tab_Protocollo_Ordine_fts) VALUES ('delete-all')"),
        QStringLiteral("INSERT INTO Tab_Protocollo_Ordine_fts (rowid, Tab_Oggetto) SELECT o.k, p.Tab_Oggetto FROM "
                       "Tab_Protocollo_Ordine o JOIN Tab_Protocollo p ON p.Tab_Ente = o.Tab_Ente AND "
                       "p.Tab_TipoProtocollo = o.Tab_TipoProtocollo AND p.Tab_NumeroProtocollo = "
                       "o.Tab_NumeroProtocollo ORDER BY o.k"),
    } + SearchGrams::orderTriggers();
}

// The movement types the iter's logic rests on, in every register: the
// lists read their descriptions, and the iter server writes types 2 to 4.
// Rows already there (perhaps renamed by the body) are left alone.
QStringList movementTypes(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    QStringList out;
    const char *types[][2] = {{"2", "Ritrasmissione"}, {"3", "Presa in carico"}, {"4", "Assegnazione"},
                              {"5", "Evasione"}};
    for (const auto &t : types)
        out << QStringLiteral("INSERT INTO Tab_TipoMovimento (Tab_Codice, Tab_Descrizione, Tab_CodOper, Tab_DatOper) "
                              "SELECT %1, '%2', 'NIMBO', CURRENT_DATE WHERE NOT EXISTS (SELECT 1 FROM "
                              "Tab_TipoMovimento WHERE Tab_Codice = %1)")
                   .arg(QLatin1String(t[0]), QLatin1String(t[1]));
    return out;
}

// PostgreSQL: the address-book name's trigram index takes each write at
// once instead of in a pending list. The list is merged only by a vacuum
// (or when it outgrows its limit, inside the write that finds it full);
// until then every search reads all of it, and its size makes the planner
// walk the names in order instead, reading ILIKE on tens of thousands of
// rows for a common word. A name is written one at a time, so the direct
// write costs little.
QStringList directNameIndex(Kind kind, Engine e)
{
    if (kind != Kind::Central || e != Engine::PostgreSQL)
        return {};
    return {QStringLiteral("DO $$ BEGIN IF to_regclass('tab_rubrica_denominazione_trgm') IS NOT NULL THEN "
                           "ALTER INDEX tab_rubrica_denominazione_trgm SET (fastupdate = off); "
                           "PERFORM gin_clean_pending_list('tab_rubrica_denominazione_trgm'); END IF; END $$")};
}

// PostgreSQL: the subject's trigram index split by the last digit of the
// number's year (its fourth character), one partial index a digit. A search
// that asks one year at a time reads that year's index, whose lists hold
// that year's protocols only (and those of years ten apart); the index on
// "year#subject" it replaces made every year probe read the lists of the
// year's own trigrams, which hold nearly every protocol. Ten indexes serve
// every year to come; a registration writes one of them.
//
// Both engines: ix_tab_protocollo_1 (body, number) repeats the unique index
// of the register's guards, and cost each registration a write.
QStringList subjectsByYearDigit(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out{QStringLiteral("DROP INDEX IF EXISTS ix_tab_protocollo_1")};
    if (e != Engine::PostgreSQL)
        return out;
    // The searches name the digit with this same condition (substr of the
    // number, fourth character), or the planner cannot use the index.
    QString create;
    for (int d = 0; d <= 9; ++d)
        create += QStringLiteral("CREATE INDEX IF NOT EXISTS tab_protocollo_oggetto_anno%1_trgm ON Tab_Protocollo USING "
                                 "gin (Tab_Oggetto gin_trgm_ops) WHERE substr(Tab_NumeroProtocollo, 4, 1) = '%1'; ")
                      .arg(d);
    out << QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN ") + create
               + QStringLiteral("END IF; END $$");
    out << QStringLiteral("DROP INDEX IF EXISTS tab_protocollo_anno_oggetto_trgm");
    return out;
}

// The recovery of an emergency registration looks its register and number
// up in the general register before registering it.
QStringList emergencyIndex(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    // Partial, so that only a look-up naming the emergency register can
    // use it: as a plain index on the body it would be taken for the
    // register's other searches (SQLite without statistics for it walked
    // the whole body instead of the correspondent's rows).
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_emergenza ON Tab_Protocollo (Tab_Ente, "
                           "Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo) WHERE Tab_RegistroTemporaneo IS NOT NULL")};
}

// One emergency registration gives one protocol of the general register:
// body, emergency register and emergency number are unique wherever both
// are filled in (an ordinary protocol holds blanks there).
const QString kRecoveredOnce = QStringLiteral("TRIM(Tab_RegistroTemporaneo) <> '' AND TRIM(Tab_ProtocolloTemporaneo) <> ''");

QStringList emergencyRegistrationOnce(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS ux_tab_protocollo_emergenza ON Tab_Protocollo (Tab_Ente, "
                           "Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo) WHERE ")
            + kRecoveredOnce};
}

// A register where an emergency registration was recovered more than once
// cannot take the key: the upgrade stops and lists the protocols, which
// only the body can tell apart (each may have been assigned, filed or
// answered since), instead of dropping any of them.
bool emergencyRegistrationsOnce(const QSqlDatabase &db, Kind kind, QString *why)
{
    if (kind != Kind::Central || !tableExists(db, QStringLiteral("Tab_Protocollo")))
        return true;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT p.Tab_Ente, p.Tab_RegistroTemporaneo, p.Tab_ProtocolloTemporaneo, "
                               "p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo FROM Tab_Protocollo p JOIN (SELECT Tab_Ente, "
                               "Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo FROM Tab_Protocollo WHERE ")
                + kRecoveredOnce
                + QStringLiteral(" GROUP BY Tab_Ente, Tab_RegistroTemporaneo, Tab_ProtocolloTemporaneo HAVING COUNT(*) > 1) "
                                 "d ON d.Tab_Ente = p.Tab_Ente AND d.Tab_RegistroTemporaneo = p.Tab_RegistroTemporaneo "
                                 "AND d.Tab_ProtocolloTemporaneo = p.Tab_ProtocolloTemporaneo ORDER BY p.Tab_Ente, "
                                 "p.Tab_RegistroTemporaneo, p.Tab_ProtocolloTemporaneo, p.Tab_NumeroProtocollo"))) {
        *why = q.lastError().text();
        return false;
    }
    // One line a registration, with every protocol that carries it.
    QStringList lines;
    QString current;
    int more = 0;
    while (q.next()) {
        const QString registration = QStringLiteral("ente %1, registro di emergenza %2, numero %3:")
                                         .arg(q.value(0).toString().trimmed(), q.value(1).toString().trimmed(),
                                              q.value(2).toString().trimmed());
        const QString protocol = QStringLiteral(" %1 N. %2").arg(q.value(3).toString().trimmed(),
                                                                 q.value(4).toString().trimmed());
        if (registration != current) {
            current = registration;
            if (lines.size() >= 20) {
                ++more;
                continue;
            }
            lines << registration + protocol;
        } else if (more == 0) {
            lines.last() += QLatin1Char(',') + protocol;
        }
    }
    if (lines.isEmpty())
        return true;
    if (more > 0)
        lines << QStringLiteral("... e altre %1 registrazioni.").arg(more);
    *why = QStringLiteral("il registro contiene registrazioni di emergenza recuperate in più protocolli; ciascuna deve "
                          "restare in un solo protocollo: correggerle e ripetere l'aggiornamento:\n")
           + lines.join(QLatin1Char('\n'));
    return false;
}

// The register's own trail: the protocol's history written by a trigger,
// and a protocol row only from a registration.
QStringList registrationTrail(Kind kind, Engine e)
{
    return History::protocolStatements(kind, e) + Guards::registrationStatements(kind, e);
}

// The names of the groups already written, one row each. An address-book
// group name is the entity's: one held by two departments cannot get its
// row, and the upgrade names those groups instead of failing on the key.
bool groupNamesAreUnique(const QSqlDatabase &db, Kind kind, QString *why)
{
    if (kind != Kind::Central || !tableExists(db, QStringLiteral("Tab_RubricaGruppi")))
        return true;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT Tab_Ente, Tab_Raggruppamento, MIN(Tab_Dipartimento), MAX(Tab_Dipartimento) "
                               "FROM Tab_RubricaGruppi GROUP BY Tab_Ente, Tab_Raggruppamento HAVING "
                               "COUNT(DISTINCT Tab_Dipartimento) > 1 ORDER BY 1, 2 LIMIT 20"))) {
        *why = q.lastError().text();
        return false;
    }
    QStringList bad;
    while (q.next())
        bad << QStringLiteral("ente %1, gruppo \"%2\": dipartimenti %3 e %4")
                   .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString());
    if (bad.isEmpty())
        return true;
    *why = QStringLiteral("la rubrica contiene gruppi con lo stesso nome in più dipartimenti; rinominarli e ripetere "
                          "l'aggiornamento:\n")
           + bad.join(QLatin1Char('\n'));
    return false;
}

QStringList groupNames(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("INSERT INTO Tab_RubricaGruppiNomi (Tab_Ente, Tab_Raggruppamento, Tab_Dipartimento) "
                           "SELECT DISTINCT Tab_Ente, Tab_Raggruppamento, Tab_Dipartimento FROM Tab_RubricaGruppi"),
            QStringLiteral("INSERT INTO Tab_UfficiGruppiNomi (Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento) "
                           "SELECT DISTINCT Tab_Ente, Tab_DipartimentoGruppo, Tab_raggruppamento FROM "
                           "Tab_UfficiGruppi")};
}

// The scheme's order cannot be put on a database whose classifications,
// dossiers or scheme elements already name something missing: the upgrade
// lists them instead of failing on the first key the engine refuses.
bool schemeKeepsItsOrder(const QSqlDatabase &db, Kind kind, QString *why)
{
    if (kind != Kind::Central || !tableExists(db, QStringLiteral("Tab_ProFascicoli")))
        return true;
    QString error;
    const QStringList bad = ClassificationGuards::violations(db, 20, &error);
    if (!error.isEmpty()) {
        *why = error;
        return false;
    }
    if (bad.isEmpty())
        return true;
    *why = QStringLiteral("la classificazione contiene righe che indicano titoli, categorie, classi o fascicoli non "
                          "presenti in archivio; correggerle e ripetere l'aggiornamento:\n")
           + bad.join(QLatin1Char('\n'));
    return false;
}

// The general search. An iter recipient is probed per protocol to know
// whether it was routed to one of the viewer's offices: with the office at
// the end of the key the probe reads the index alone. A count reads the
// protocols routed to a set of offices from the index that starts with the
// office, again without the rows. The document type is counted within the
// body from an index that names both. Only recovered
// protocols hold an emergency number, and a search for one reads the
// partial index that lists them instead of the register; the search names
// the same condition, or the planner cannot use it.
QStringList generalSearchIndexes(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_iter_destinatari_ufficio_protocollo ON "
                           "Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_UfficioDestinatario)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_iter_destinatari_protocollo_ufficio ON "
                           "Tab_Iter_Destinatari (Tab_Ente, Tab_UfficioDestinatario, Tab_TipoProtocollo, "
                           "Tab_NumeroProtocollo)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_ente_tipologia ON Tab_Protocollo (Tab_Ente, "
                           "Tab_Tipologia)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_numero_emergenza ON Tab_Protocollo (Tab_Ente, "
                           "Tab_ProtocolloTemporaneo) WHERE Tab_ProtocolloTemporaneo IS NOT NULL")};
}

// SQLite walks the register by number and tests a period on each entry of
// the index before it reads the row: a period far from the newest protocols
// is met without reading the rows in between. PostgreSQL's plans do not
// need it.
QStringList numberDateIndex(Kind kind, Engine e)
{
    if (kind != Kind::Central || e != Engine::SQLite)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_numero_data ON Tab_Protocollo (Tab_Ente, "
                           "Tab_NumeroProtocollo, Tab_DataProtocollo)")};
}

// The workflow summary reads the protocols an operator moved, or that
// were sent to one member of an office, and the first and last number of a
// period: with the number at the end of the key they come from the index
// alone.
QStringList summaryIndexes(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_iter_documento_operatore_numero ON Tab_Iter_Documento "
                           "(Tab_Ente, Tab_CodiceOpe, Tab_NumeroProtocollo)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_iter_destinatari_componente_numero ON "
                           "Tab_Iter_Destinatari (Tab_Ente, Tab_UfficioDestinatario, Tab_Componente, "
                           "Tab_NumeroProtocollo)"),
            QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_data_numero ON Tab_Protocollo (Tab_Ente, "
                           "Tab_DataProtocollo, Tab_NumeroProtocollo)")};
}

// The daily register reads the changes of one day from the history.
QStringList dailyRegisterIndex(Kind kind, Engine)
{
    if (kind != Kind::Central)
        return {};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_storico_modifica ON Tab_Protocollo_Storico "
                           "(Tab_Ente, Tab_DataModifica)")};
}

// The lookups that narrow as the clerk types read municipalities and
// recurring subjects by the beginning of their name through an index:
// SQLite's case-insensitive LIKE walks one with NOCASE collation, a trigram
// index serves PostgreSQL's ILIKE (Dialect::beginsNoCase).
QStringList typedLookupIndexes(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    if (e == Engine::SQLite)
        return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_comuni_nome_nocase ON Tab_Comuni (com_Comune COLLATE "
                               "NOCASE)"),
                QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_oggettiricorrenti_nocase ON Tab_OggettiRicorrenti "
                               "(Tab_Ente, Tab_Dipartimento, Tab_EU, Tab_OggettoR COLLATE NOCASE)")};
    const auto index = [](const char *name, const char *table, const char *column) {
        return QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN "
                              "CREATE INDEX IF NOT EXISTS %1 ON %2 USING gin (%3 gin_trgm_ops); END IF; END $$")
            .arg(QLatin1String(name), QLatin1String(table), QLatin1String(column));
    };
    return {index("ix_tab_comuni_nome_trgm", "Tab_Comuni", "com_Comune"),
            index("ix_tab_oggettiricorrenti_trgm", "Tab_OggettiRicorrenti", "Tab_OggettoR")};
}

// The active names of the address book in order, with their identifiers:
// a lookup whose text many names hold walks them here, testing the text on
// the index alone, until its list is full.
// By name regardless of case: SQLite compares it without case (its LIKE
// then walks a beginning as a range), PostgreSQL keeps it in capitals
// compared byte by byte, tested there without reading the row.
QStringList activeNamesIndex(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    if (e == Engine::PostgreSQL)
        return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_rubrica_attivi_nome ON Tab_Rubrica (Tab_EnteRubrica, "
                               "(upper(Tab_Denominazione) COLLATE \"C\"), Tab_Denominazione, Tab_Identificativo) WHERE "
                               "Tab_Attivo = 1")};
    return {QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_rubrica_attivi_nome ON Tab_Rubrica (Tab_EnteRubrica, "
                           "Tab_Denominazione COLLATE NOCASE, Tab_Identificativo) WHERE Tab_Attivo = 1")};
}

const std::vector<Step> &steps()
{
    static const std::vector<Step> s = {
        {1, "schema iniziale", noExtra},
        {2, "storico delle modifiche dei protocolli", noExtra},
        {3, "ultimo protocollo in uscita per dipartimento", noExtra},
        {4, "indici per la ricerca per parole di oggetto e corrispondente", containsIndexes},
        {5, "vincoli del registro: numero unico per ente, codici ammessi, campi fissati alla registrazione",
         Guards::statements, registerKeepsTheRules},
        {6, "indici a trigrammi per la ricerca per parole su SQLite", trigramTables},
        {7, "storico di dipartimenti e uffici scritto dal database", History::statements, historyMatchesTheTables},
        {8, "indici a trigrammi senza fusioni durante la registrazione", quietTrigramMerges},
        {9, "registro delle modifiche degli operatori scritto dal database", History::operatorStatements,
         historyMatchesTheTables},
        {10, "tutti i codici di avviamento postale dei comuni", noExtra},
        {11, "indice a trigrammi dell'oggetto in ordine di numero di protocollo", orderedSubjects},
        {12, "tipi di movimento dell'iter e indici delle liste dei documenti in carico", movementTypes},
        {13, "indice a trigrammi dei nomi della rubrica senza lista d'attesa", directNameIndex},
        {14, "indici a trigrammi dell'oggetto per anno; tolto l'indice ripetuto del numero", subjectsByYearDigit},
        {15, "indice dei protocolli recuperati dai registri di emergenza", emergencyIndex},
        {16, "un solo protocollo per registrazione di emergenza", emergencyRegistrationOnce,
         emergencyRegistrationsOnce},
        {17, "storico dei protocolli scritto dal database; protocolli inseriti solo dalla registrazione",
         registrationTrail},
        {18, "nomi dei gruppi di uffici e di rubrica, unici per dipartimento e per ente", groupNames,
         groupNamesAreUnique},
        {19, "componenti degli uffici: progressivi mai riassegnati, non cancellabili se indicati nei protocolli",
         MemberGuards::statements},
        {20, "storico di dipartimenti e uffici: la riapertura registrata come attivazione", History::statements},
        {21, "fascicoli: contatore dei codici per classe; titoli, categorie, classi e fascicoli in uso non cancellabili",
         ClassificationGuards::statements, schemeKeepsItsOrder},
        {22, "indice dei protocolli classificati per classe e fascicolo", noExtra},
        {23, "protocolli collegati: mai un protocollo a se stesso", LinkGuards::statements},
        {24, "ricerche di protocolli salvate da ciascun operatore", noExtra},
        {25, "indici di lettere e coppie di lettere di oggetto e rubrica; indici dei numeri per corrispondente e "
             "dei protocolli con numero di un altro anno",
         SearchGrams::statements},
        {26, "indici della ricerca generale dei protocolli: uffici destinatari dell'iter e numeri di emergenza",
         generalSearchIndexes},
        {27, "annullamento dei protocolli: atto che lo autorizza; stato annullato solo con data, motivo e operatore",
         CancelGuards::statements},
        {28, "storico e collegamenti dei protocolli letti per numero, anche dopo il cambio del tipo",
         DirectionHistory::statements},
        {29, "un solo protocollo per numero di registro cartaceo di emergenza", ManualGuards::statements,
         ManualGuards::noPaperTwins},
        {30, "protocolli recuperati sotto un numero lasciato libero: ammissione del numero e momento reale della "
             "scrittura", LateGuards::statements},
        {31, "indice dei numeri di protocollo con la data, per le ricerche su un periodo", numberDateIndex},
        {32, "scadenze in corso delle pratiche assegnate per competenza, tenute dal database",
         DeadlineKeeper::firstStatements},
        {33, "indici del riepilogo dell'iter: protocolli mossi da un operatore, inviati a un componente, numeri di un "
             "periodo",
         summaryIndexes},
        {34, "nomi dei corrispondenti di ciascun protocollo, tenuti dal database, per le ricerche per corrispondente",
         CorrespondentNames::statements},
        {35, "posta elettronica: casella dell'ente, messaggi ricevuti una volta sola, posta inviata e ricevute PEC",
         noExtra},
        {36, "scadenze in corso con l'oggetto del protocollo, per la ricerca delle scadenze per oggetto",
         DeadlineKeeper::statements},
        {37, "registri giornalieri di protocollo prodotti, con la loro impronta; storico dei protocolli per giorno",
         dailyRegisterIndex},
        {38, "indici dei comuni e degli oggetti ricorrenti per la ricerca durante la digitazione", typedLookupIndexes},
        {39, "indice dei nomi attivi della rubrica in ordine, per la ricerca durante la digitazione", activeNamesIndex},
    };
    return s;
}

QString kindText(Kind k) { return k == Kind::Central ? QStringLiteral("central") : QStringLiteral("local"); }

bool run(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery q(db);
    if (q.exec(sql))
        return true;
    *error = q.lastError().text().trimmed() + QStringLiteral(" [") + sql.left(200) + QLatin1Char(']');
    return false;
}

bool applyStructure(QSqlDatabase &db, Kind kind, int v, QString *error)
{
    const Engine e = Dialect::engineOf(db);
    for (const auto &t : tables(kind)) {
        if (t.since > v)
            continue;
        if (!tableExists(db, t.name)) {
            if (!run(db, Ddl::createTable(t, e, v), error))
                return false;
            continue;
        }
        const QStringList have = columnNames(db, t.name);
        for (const auto &c : t.columns) {
            if (c.since > v || have.contains(c.name.toLower()))
                continue;
            if (c.type == Type::Serial) {
                *error = QStringLiteral("la tabella %1 non ha la colonna %2").arg(t.name, c.name);
                return false;
            }
            if (!run(db, Ddl::addColumn(t, c, e), error))
                return false;
        }
    }
    return true;
}

} // namespace

int currentVersion(Kind) { return steps().back().version; }

bool tableExists(const QSqlDatabase &db, const QString &name)
{
    QSqlQuery q(db);
    if (Dialect::engineOf(db) == Engine::PostgreSQL)
        q.prepare(QStringLiteral("SELECT 1 FROM information_schema.tables WHERE table_schema = current_schema() "
                                 "AND table_name = ?"));
    else
        q.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type IN ('table', 'view') AND lower(name) = ?"));
    q.addBindValue(name.toLower());
    return q.exec() && q.next();
}

QStringList columnNames(const QSqlDatabase &db, const QString &table)
{
    QStringList out;
    QSqlQuery q(db);
    if (Dialect::engineOf(db) == Engine::PostgreSQL) {
        q.prepare(QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_schema = "
                                 "current_schema() AND table_name = ?"));
        q.addBindValue(table.toLower());
        if (!q.exec())
            return out;
        while (q.next())
            out << q.value(0).toString().toLower();
    } else {
        if (!q.exec(QStringLiteral("PRAGMA table_info(") + table + QLatin1Char(')')))
            return out;
        while (q.next())
            out << q.value(1).toString().toLower();
    }
    return out;
}

int version(const QSqlDatabase &db, QString *error)
{
    if (!db.isOpen()) {
        if (error)
            *error = QStringLiteral("Database non aperto");
        return -1;
    }
    if (!tableExists(db, versionTableName()))
        return 0;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT MAX(version_number) FROM ") + versionTableName()) || !q.next()) {
        if (error)
            *error = q.lastError().text();
        return -1;
    }
    return q.value(0).isNull() ? 0 : q.value(0).toInt();
}

bool recordedKind(const QSqlDatabase &db, Kind *kind)
{
    if (!tableExists(db, versionTableName()))
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT schema_kind FROM ") + versionTableName()
                + QStringLiteral(" ORDER BY version_number DESC"))
        || !q.next())
        return false;
    const QString k = q.value(0).toString();
    if (k != kindText(Kind::Central) && k != kindText(Kind::Local))
        return false;
    *kind = k == kindText(Kind::Central) ? Kind::Central : Kind::Local;
    return true;
}

bool createOrUpgrade(QSqlDatabase &db, Kind kind, QString *error, int targetVersion)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const int program = currentVersion(kind);
    if (targetVersion < 0)
        targetVersion = program;
    if (targetVersion > program) {
        *error = QStringLiteral("Versione dello schema richiesta (%1) non gestita da questo programma.").arg(targetVersion);
        return false;
    }

    detail::Transaction tx(db);
    if (!tx.begin(error)) {
        *error = QStringLiteral("Impossibile iniziare l'aggiornamento del database: ") + *error;
        return false;
    }
    QString readError;
    const int have = version(db, &readError);
    if (have < 0) {
        *error = QStringLiteral("Impossibile leggere la versione del database: ") + readError;
        return false;
    }
    if (have > program) {
        *error = QStringLiteral("Il database è della versione %1 dello schema, più recente della versione %2 "
                                "gestita da questo programma: aggiornare il programma.")
                     .arg(have)
                     .arg(program);
        return false;
    }
    Kind recorded;
    if (have > 0 && recordedKind(db, &recorded) && recorded != kind) {
        *error = kind == Kind::Central
                     ? QStringLiteral("Il database indicato è un database locale di postazione, non il database "
                                      "centrale del protocollo.")
                     : QStringLiteral("Il database indicato è il database centrale del protocollo, non un database "
                                      "locale di postazione.");
        return false;
    }
    if (have >= targetVersion)
        return tx.commit(error);

    const Engine e = Dialect::engineOf(db);
    const QString stepFailed = QStringLiteral("Aggiornamento del database alla versione %1 (%2) non riuscito: ");
    if (!run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS ") + versionTableName()
                     + QStringLiteral(" (version_number INTEGER NOT NULL PRIMARY KEY, schema_kind TEXT NOT NULL, "
                                      "applied_at TEXT NOT NULL, description TEXT)"),
             error))
        return false;
    // Views read the tables the steps change: take them down and build them
    // again on the final structure.
    for (const auto &v : views(kind))
        if (!run(db, Ddl::dropView(v), error))
            return false;

    for (const auto &step : steps()) {
        if (step.version <= have || step.version > targetVersion)
            continue;
        QString why;
        bool ok = !step.precondition || step.precondition(db, kind, &why);
        ok = ok && applyStructure(db, kind, step.version, &why);
        for (const QString &sql : step.extra(kind, e)) {
            if (!ok)
                break;
            ok = run(db, sql, &why);
        }
        QSqlQuery q(db);
        if (ok) {
            q.prepare(QStringLiteral("INSERT INTO ") + versionTableName()
                      + QStringLiteral(" (version_number, schema_kind, applied_at, description) VALUES (?, ?, ?, ?)"));
            q.addBindValue(step.version);
            q.addBindValue(kindText(kind));
            q.addBindValue(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            q.addBindValue(QString::fromUtf8(step.what));
            ok = q.exec();
            if (!ok)
                why = q.lastError().text();
        }
        if (!ok) {
            *error = stepFailed.arg(step.version).arg(QString::fromUtf8(step.what)) + why;
            return false;
        }
    }
    for (const auto &t : tables(kind)) {
        if (t.since > targetVersion)
            continue;
        for (const QString &sql : Ddl::createIndexes(t, targetVersion))
            if (!run(db, sql, error))
                return false;
    }
    for (const auto &v : views(kind)) {
        if (v.since <= targetVersion && !run(db, Ddl::createView(v), error))
            return false;
    }
    return tx.commit(error);
}

} // namespace Schema
