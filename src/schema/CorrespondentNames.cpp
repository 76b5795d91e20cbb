#include "schema/CorrespondentNames.h"

#include "schema/SearchGrams.h"

namespace Schema::CorrespondentNames {

using Dialect::Engine;

namespace {

// The names of protocol P (an alias or NEW/OLD): the main correspondent's,
// then a line per further recipient.
QString names(Engine e, const QString &p)
{
    const QString joined = e == Engine::PostgreSQL
                               ? QStringLiteral("string_agg(chr(10) || r.Tab_Denominazione, '')")
                               : QStringLiteral("group_concat(char(10) || r.Tab_Denominazione, '')");
    return QStringLiteral("(COALESCE((SELECT m.Tab_Denominazione FROM Tab_Rubrica m WHERE m.Tab_EnteRubrica = %1.Tab_Ente "
                          "AND m.Tab_Identificativo = %1.Tab_Intestatario), '') || COALESCE((SELECT %2 FROM "
                          "Tab_ProtocolloDestinatari d JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = d.Tab_Ente AND "
                          "r.Tab_Identificativo = d.Tab_MittDest WHERE d.Tab_Ente = %1.Tab_Ente AND d.Tab_TipoProtocollo "
                          "= %1.Tab_TipoProtocollo AND d.Tab_NumeroProtocollo = %1.Tab_NumeroProtocollo), ''))")
        .arg(p, joined);
}

// Rewrites the names of the protocol keyed like ROW when they changed: a
// row rewritten with the same names would cost every index a new entry.
QString refresh(Engine e, const QString &row)
{
    const QString now = names(e, QStringLiteral("Tab_Protocollo"));
    return QStringLiteral("UPDATE Tab_Protocollo SET %1 = %2 WHERE Tab_Ente = %3.Tab_Ente AND Tab_TipoProtocollo = "
                          "%3.Tab_TipoProtocollo AND Tab_NumeroProtocollo = %3.Tab_NumeroProtocollo AND %1 %4 %2;")
        .arg(kColumn, now, row, e == Engine::PostgreSQL ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT"));
}

QString renamed(Engine e, const QString &row)
{
    // Through the keys, so that each side reads its own index.
    const QString now = names(e, QStringLiteral("Tab_Protocollo"));
    return QStringLiteral("UPDATE Tab_Protocollo SET %1 = %2 WHERE ((Tab_Ente = %3.Tab_EnteRubrica AND Tab_Intestatario = "
                          "%3.Tab_Identificativo) OR (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo) IN (SELECT "
                          "d.Tab_Ente, d.Tab_TipoProtocollo, d.Tab_NumeroProtocollo FROM Tab_ProtocolloDestinatari d WHERE "
                          "d.Tab_Ente = %3.Tab_EnteRubrica AND d.Tab_MittDest = %3.Tab_Identificativo)) AND %1 %4 %2;")
        .arg(kColumn, now, row, e == Engine::PostgreSQL ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT"));
}

// An address-book entry whose name or key changed: editing its address or
// telephone must not rewrite every protocol that names it.
QString moved(const QString &differs)
{
    QStringList out;
    for (const char *c : {"Tab_Denominazione", "Tab_Identificativo", "Tab_EnteRubrica"})
        out << QStringLiteral("OLD.%1%2NEW.%1").arg(QLatin1String(c), differs);
    return out.join(QStringLiteral(" OR "));
}

QStringList sqlite()
{
    QStringList out;
    const QString keys = QStringLiteral("Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Intestatario");
    for (const char *t : {"tab_protocollo_nomi_ai", "tab_protocollo_nomi_au", "tab_destinatari_nomi_ai",
                          "tab_destinatari_nomi_ad", "tab_destinatari_nomi_au", "tab_rubrica_nomi_ai",
                          "tab_rubrica_nomi_ad", "tab_rubrica_nomi_au"})
        out << QStringLiteral("DROP TRIGGER IF EXISTS ") + QLatin1String(t);
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_nomi_ai AFTER INSERT ON Tab_Protocollo BEGIN ")
               + refresh(Engine::SQLite, QStringLiteral("NEW")) + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_nomi_au AFTER UPDATE OF ") + keys
               + QStringLiteral(" ON Tab_Protocollo BEGIN ") + refresh(Engine::SQLite, QStringLiteral("NEW"))
               + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_destinatari_nomi_ai AFTER INSERT ON Tab_ProtocolloDestinatari BEGIN ")
               + refresh(Engine::SQLite, QStringLiteral("NEW")) + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_destinatari_nomi_ad AFTER DELETE ON Tab_ProtocolloDestinatari BEGIN ")
               + refresh(Engine::SQLite, QStringLiteral("OLD")) + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_destinatari_nomi_au AFTER UPDATE ON Tab_ProtocolloDestinatari BEGIN ")
               + refresh(Engine::SQLite, QStringLiteral("OLD")) + refresh(Engine::SQLite, QStringLiteral("NEW"))
               + QStringLiteral(" END");
    // An entry written under a number that protocols already name counts
    // for them as much as a rename does.
    out << QStringLiteral("CREATE TRIGGER tab_rubrica_nomi_ai AFTER INSERT ON Tab_Rubrica BEGIN ")
               + renamed(Engine::SQLite, QStringLiteral("NEW")) + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_rubrica_nomi_ad AFTER DELETE ON Tab_Rubrica BEGIN ")
               + renamed(Engine::SQLite, QStringLiteral("OLD")) + QStringLiteral(" END");
    out << QStringLiteral("CREATE TRIGGER tab_rubrica_nomi_au AFTER UPDATE OF Tab_Denominazione, Tab_Identificativo, "
                          "Tab_EnteRubrica ON Tab_Rubrica WHEN ") + moved(QStringLiteral(" IS NOT ")) + QStringLiteral(" BEGIN ")
               + renamed(Engine::SQLite, QStringLiteral("OLD")) + renamed(Engine::SQLite, QStringLiteral("NEW"))
               + QStringLiteral(" END");
    out << QStringLiteral("UPDATE Tab_Protocollo SET %1 = %2").arg(kColumn, names(Engine::SQLite, QStringLiteral("Tab_Protocollo")));

    // The names' trigrams keyed like the ordered subject index, so that a
    // search walks the protocols holding a name newest first and stops at
    // its list's end. Contentless: what goes out is handed back as it went
    // in, which is the row's copy at that moment. Whichever of the ordered
    // table's triggers and the names' own runs first, each writes only
    // what the other has not: the order's triggers read the row's names as
    // they stand, the names' trigger acts only once the row has its key.
    const QString fts = kTable;
    out << QStringLiteral("CREATE VIRTUAL TABLE IF NOT EXISTS %1 USING fts5(t, content='', tokenize='trigram', "
                          "detail='none')")
               .arg(fts);
    out << QStringLiteral("INSERT INTO %1 (%1, rank) VALUES ('automerge', 0)").arg(fts);
    out << QStringLiteral("INSERT INTO %1 (%1) VALUES ('delete-all')").arg(fts);
    out << QStringLiteral("INSERT INTO %1 (rowid, t) SELECT o.k, p.%2 FROM Tab_Protocollo_Ordine o JOIN Tab_Protocollo p "
                          "ON p.Tab_Ente = o.Tab_Ente AND p.Tab_TipoProtocollo = o.Tab_TipoProtocollo AND "
                          "p.Tab_NumeroProtocollo = o.Tab_NumeroProtocollo WHERE p.%2 <> '' ORDER BY o.k")
               .arg(fts, kColumn);
    const QString add = QStringLiteral("INSERT INTO %1 (rowid, t) SELECT %2, %3 FROM Tab_Protocollo WHERE rowid = new.rowid "
                                       "AND %3 <> ''; ")
                            .arg(fts, SearchGrams::keyOf(QStringLiteral("new")), kColumn);
    const QString drop = QStringLiteral("INSERT INTO %1 (%1, rowid, t) SELECT 'delete', %2, old.%3 WHERE old.%3 <> ''; ")
                             .arg(fts, SearchGrams::keyOf(QStringLiteral("old")), kColumn);
    out << SearchGrams::orderTriggers(SearchGrams::subjectLettersOnAdd() + add, SearchGrams::subjectLettersOnDrop() + drop);
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_nomi_fts_au");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_nomi_fts_au AFTER UPDATE OF %1 ON Tab_Protocollo WHEN %2 IS NOT "
                          "NULL BEGIN INSERT INTO %3 (%3, rowid, t) SELECT 'delete', %2, old.%1 WHERE old.%1 <> ''; "
                          "INSERT INTO %3 (rowid, t) SELECT %2, new.%1 WHERE new.%1 <> ''; END")
               .arg(kColumn, SearchGrams::keyOf(QStringLiteral("new")), fts);
    return out;
}

QStringList postgres()
{
    QStringList out;
    // The owner's functions: a workstation that may add a further recipient
    // keeps the names right without a right of its own on the column.
    const auto function = [&out](const QString &name, const QString &body) {
        out << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER "
                              "SET search_path FROM CURRENT AS $nomi$\nBEGIN\n%2\nEND $nomi$")
                   .arg(name, body);
        out << QStringLiteral("REVOKE ALL ON FUNCTION %1() FROM PUBLIC").arg(name);
    };
    function(QStringLiteral("tab_protocollo_nomi"),
             QStringLiteral("  NEW.%1 := %2;\n  RETURN NEW;").arg(kColumn, names(Engine::PostgreSQL, QStringLiteral("NEW"))));
    function(QStringLiteral("tab_destinatari_nomi"),
             QStringLiteral("  IF TG_OP <> 'INSERT' THEN\n    %1\n  END IF;\n  IF TG_OP <> 'DELETE' THEN\n    %2\n  END IF;\n"
                            "  RETURN NULL;")
                 .arg(refresh(Engine::PostgreSQL, QStringLiteral("OLD")), refresh(Engine::PostgreSQL, QStringLiteral("NEW"))));
    // An entry written under a number that protocols already name counts
    // for them as much as a rename does.
    function(QStringLiteral("tab_rubrica_nomi"),
             QStringLiteral("  IF TG_OP = 'UPDATE' AND NOT (%3) THEN\n    RETURN NULL;\n  END IF;\n"
                            "  IF TG_OP <> 'INSERT' THEN\n    %1\n  END IF;\n  IF TG_OP <> 'DELETE' THEN\n    %2\n  END IF;\n"
                            "  RETURN NULL;")
                 .arg(renamed(Engine::PostgreSQL, QStringLiteral("OLD")), renamed(Engine::PostgreSQL, QStringLiteral("NEW")),
                      moved(QStringLiteral(" IS DISTINCT FROM "))));
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_protocollo_nomi ON Tab_Protocollo");
    out << QStringLiteral("CREATE TRIGGER tab_protocollo_nomi BEFORE INSERT OR UPDATE OF Tab_Ente, Tab_TipoProtocollo, "
                          "Tab_NumeroProtocollo, Tab_Intestatario ON Tab_Protocollo FOR EACH ROW EXECUTE FUNCTION "
                          "tab_protocollo_nomi()");
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_destinatari_nomi ON Tab_ProtocolloDestinatari");
    // At the commit: a registration that writes three further recipients
    // rewrites its protocol once, not three times.
    out << QStringLiteral("CREATE CONSTRAINT TRIGGER tab_destinatari_nomi AFTER INSERT OR DELETE OR UPDATE ON "
                          "Tab_ProtocolloDestinatari DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION "
                          "tab_destinatari_nomi()");
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_rubrica_nomi ON Tab_Rubrica");
    out << QStringLiteral("CREATE TRIGGER tab_rubrica_nomi AFTER INSERT OR DELETE OR UPDATE OF Tab_Denominazione, "
                          "Tab_Identificativo, Tab_EnteRubrica ON Tab_Rubrica FOR EACH ROW "
                          "EXECUTE FUNCTION tab_rubrica_nomi()");
    out << QStringLiteral("UPDATE Tab_Protocollo SET %1 = %2").arg(kColumn, names(Engine::PostgreSQL, QStringLiteral("Tab_Protocollo")));
    out << QStringLiteral("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_extension WHERE extname = 'pg_trgm') THEN "
                          "CREATE INDEX IF NOT EXISTS tab_protocollo_nomi_trgm ON Tab_Protocollo USING gin (%1 "
                          "gin_trgm_ops); END IF; END $$")
               .arg(kColumn);
    return out;
}

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    return e == Engine::PostgreSQL ? postgres() : sqlite();
}

} // namespace Schema::CorrespondentNames
