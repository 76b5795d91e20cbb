#include "schema/SearchGrams.h"

#include "data/LetterGrams.h"

namespace Schema::SearchGrams {

using Dialect::Engine;

QString keyOf(const QString &row)
{
    return QStringLiteral("(SELECT k FROM Tab_Protocollo_Ordine WHERE Tab_Ente = %1.Tab_Ente AND "
                          "Tab_TipoProtocollo = %1.Tab_TipoProtocollo AND Tab_NumeroProtocollo = "
                          "%1.Tab_NumeroProtocollo)")
        .arg(row);
}

QStringList orderTriggers(const QString &alsoOnAdd, const QString &alsoOnDrop)
{
    const QString slot = QStringLiteral(
        "(SELECT COALESCE(MAX(k) + 1, CAST(new.Tab_NumeroProtocollo AS INTEGER) * 67108864) FROM "
        "Tab_Protocollo_Ordine WHERE k >= CAST(new.Tab_NumeroProtocollo AS INTEGER) * 67108864 AND "
        "k < (CAST(new.Tab_NumeroProtocollo AS INTEGER) + 1) * 67108864)");
    const QString add = QStringLiteral("INSERT INTO Tab_Protocollo_Ordine (k, Tab_Ente, Tab_TipoProtocollo, "
                                       "Tab_NumeroProtocollo) VALUES (")
                        + slot
                        + QStringLiteral(", new.Tab_Ente, new.Tab_TipoProtocollo, new.Tab_NumeroProtocollo); "
                                         "INSERT INTO Tab_Protocollo_Ordine_fts (rowid, Tab_Oggetto) VALUES (")
                        + keyOf(QStringLiteral("new")) + QStringLiteral(", new.Tab_Oggetto); ") + alsoOnAdd;
    const QString drop = alsoOnDrop
                         + QStringLiteral("INSERT INTO Tab_Protocollo_Ordine_fts (Tab_Protocollo_Ordine_fts, rowid, "
                                          "Tab_Oggetto) VALUES ('delete', ")
                         + keyOf(QStringLiteral("old"))
                         + QStringLiteral(", old.Tab_Oggetto); DELETE FROM Tab_Protocollo_Ordine WHERE Tab_Ente = "
                                          "old.Tab_Ente AND Tab_TipoProtocollo = old.Tab_TipoProtocollo AND "
                                          "Tab_NumeroProtocollo = old.Tab_NumeroProtocollo; ");
    return {
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Ordine_ai"),
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Ordine_ad"),
        QStringLiteral("DROP TRIGGER IF EXISTS Tab_Protocollo_Ordine_au"),
        QStringLiteral("CREATE TRIGGER Tab_Protocollo_Ordine_ai AFTER INSERT ON Tab_Protocollo BEGIN ") + add
            + QStringLiteral("END"),
        QStringLiteral("CREATE TRIGGER Tab_Protocollo_Ordine_ad AFTER DELETE ON Tab_Protocollo BEGIN ") + drop
            + QStringLiteral("END"),
        QStringLiteral("CREATE TRIGGER Tab_Protocollo_Ordine_au AFTER UPDATE OF Tab_Oggetto, Tab_Ente, "
                       "Tab_TipoProtocollo, Tab_NumeroProtocollo ON Tab_Protocollo BEGIN ")
            + drop + add + QStringLiteral("END"),
    };
}

QString sqliteGramWords(const QString &text)
{
    // Positions a * 1000 + b over two copies of a table of 0..999: a
    // trigger may not hold a recursive query, and a subject has no limit.
    // The upper-cased text and its length are worked out once (x: a
    // subquery with a LIMIT is never merged into the join), not once per
    // position: on a long text that would cost the square of its length.
    // The words are those of LetterGrams::sqliteWord on the same text.
    const QString at = QStringLiteral("a.i * 1000 + b.i");
    const auto word = [&](int length) {
        return QStringLiteral("'h' || hex(substr(x.u, %1, %2))").arg(at).arg(length);
    };
    return QStringLiteral("(SELECT group_concat(") + word(1) + QStringLiteral(" || ' ' || ") + word(2)
           + QStringLiteral(", ' ') FROM (SELECT UPPER(%1) AS u, length(UPPER(%1)) AS n LIMIT 1) x, Tab_Posizioni a, "
                            "Tab_Posizioni b WHERE a.i <= x.n / 1000 AND b.i >= 1 - a.i AND b.i <= x.n - a.i * 1000)")
                 .arg(text);
}

QString subjectLettersOnAdd()
{
    return QStringLiteral("INSERT INTO %1 (rowid, t) VALUES (%2, %3); ")
        .arg(LetterGrams::kSubjectTable, keyOf(QStringLiteral("new")), sqliteGramWords(QStringLiteral("new.Tab_Oggetto")));
}

QString subjectLettersOnDrop()
{
    return QStringLiteral("INSERT INTO %1 (%1, rowid, t) VALUES ('delete', %2, %3); ")
        .arg(LetterGrams::kSubjectTable, keyOf(QStringLiteral("old")), sqliteGramWords(QStringLiteral("old.Tab_Oggetto")));
}

namespace {

QStringList sqliteStatements()
{
    const QString subjects = LetterGrams::kSubjectTable, names = LetterGrams::kNameTable;
    const auto table = [](const QString &name) {
        // Contentless: a removal hands the old words back, as the triggers do.
        return QStringList{
            QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS %1 USING fts5(t, content='', tokenize='ascii', "
                           "detail='none')")
                .arg(name),
            QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('automerge', 0)").arg(name),
            QStringLiteral("INSERT INTO %1 (%1) VALUES ('delete-all')").arg(name)};
    };
    QStringList out{QStringLiteral("CREATE TABLE IF NOT EXISTS Tab_Posizioni (i INTEGER PRIMARY KEY)"),
                    QStringLiteral("INSERT OR IGNORE INTO Tab_Posizioni (i) WITH RECURSIVE s(i) AS (SELECT 0 UNION ALL "
                                   "SELECT i + 1 FROM s WHERE i < 999) SELECT i FROM s")};
    // The subject's letters keyed like its trigrams, in protocol-number order.
    out << table(subjects);
    out << QStringLiteral("INSERT INTO %1 (rowid, t) SELECT o.k, %2 FROM Tab_Protocollo_Ordine o JOIN Tab_Protocollo p "
                          "ON p.Tab_Ente = o.Tab_Ente AND p.Tab_TipoProtocollo = o.Tab_TipoProtocollo AND "
                          "p.Tab_NumeroProtocollo = o.Tab_NumeroProtocollo ORDER BY o.k")
               .arg(subjects, sqliteGramWords(QStringLiteral("p.Tab_Oggetto")));
    out << orderTriggers(subjectLettersOnAdd(), subjectLettersOnDrop());
    // The name's letters keyed by the address book's rowid, as its trigrams.
    out << table(names);
    out << QStringLiteral("INSERT INTO %1 (rowid, t) SELECT rowid, %2 FROM Tab_Rubrica")
               .arg(names, sqliteGramWords(QStringLiteral("Tab_Denominazione")));
    const QString addName = QStringLiteral("INSERT INTO %1 (rowid, t) VALUES (new.rowid, %2); ")
                                .arg(names, sqliteGramWords(QStringLiteral("new.Tab_Denominazione")));
    const QString dropName = QStringLiteral("INSERT INTO %1 (%1, rowid, t) VALUES ('delete', old.rowid, %2); ")
                                 .arg(names, sqliteGramWords(QStringLiteral("old.Tab_Denominazione")));
    out << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_ai AFTER INSERT ON Tab_Rubrica BEGIN %2END").arg(names, addName)
        << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_ad AFTER DELETE ON Tab_Rubrica BEGIN %2END").arg(names, dropName)
        << QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1_au AFTER UPDATE OF Tab_Denominazione ON Tab_Rubrica BEGIN %2%3END")
               .arg(names, dropName, addName);
    return out;
}

QStringList pgStatements()
{
    // Every pair, then every letter; the index drops the repeated ones.
    return {QStringLiteral("CREATE OR REPLACE FUNCTION %1(t text) RETURNS text[] LANGUAGE sql IMMUTABLE STRICT PARALLEL "
                           "SAFE AS $$SELECT ARRAY(SELECT substr(t, i, 2) FROM generate_series(1, length(t)) AS i) || "
                           "string_to_array(t, NULL)$$")
                .arg(LetterGrams::kPgFunction),
            QStringLiteral("CREATE INDEX IF NOT EXISTS tab_protocollo_oggetto_lettere ON Tab_Protocollo USING gin (%1)")
                .arg(LetterGrams::pgGrams(QStringLiteral("Tab_Oggetto"))),
            QStringLiteral("CREATE INDEX IF NOT EXISTS tab_rubrica_denominazione_lettere ON Tab_Rubrica USING gin (%1)")
                .arg(LetterGrams::pgGrams(QStringLiteral("Tab_Denominazione")))};
}

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    QStringList out = e == Engine::PostgreSQL ? pgStatements() : sqliteStatements();
    // A correspondent's protocols and further-recipient rows give their
    // numbers from the index alone, to be sorted before any row is read.
    out << QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_intestatario_numero ON Tab_Protocollo "
                          "(Tab_Ente, Tab_Intestatario, Tab_NumeroProtocollo)")
        << QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollodest_mittdest_numero ON Tab_ProtocolloDestinatari "
                          "(Tab_Ente, Tab_MittDest, Tab_NumeroProtocollo, Tab_TipoProtocollo)")
        << QStringLiteral("CREATE INDEX IF NOT EXISTS ix_tab_protocollo_fuori_anno ON Tab_Protocollo (Tab_Ente, "
                          "Tab_DataProtocollo) WHERE ")
               + LetterGrams::offYear(e);
    return out;
}

} // namespace Schema::SearchGrams
