#include "schema/DeadlineKeeper.h"

namespace Schema::DeadlineKeeper {

using Dialect::Engine;

namespace {

// Registers before the subject was kept had the first eight columns only.
enum class Shape { WithoutSubject, WithSubject };

QString columns(Shape shape)
{
    return QStringLiteral("Tab_Ente, Tab_NumeroProtocollo, Tab_TipoProtocollo, Tab_Ufficio, Tab_Dipartimento, "
                          "Tab_DataSerialeMov, Tab_CodiceOpe, Tab_DataEvasione")
           + (shape == Shape::WithSubject ? QStringLiteral(", Tab_Oggetto, Tab_SoggPrivacy") : QString());
}

// The rows a protocol should have, for the movements of `d` that `where`
// selects (a condition on d.Tab_Ente, d.Tab_NumeroProtocollo and possibly
// d.Tab_TipoProtocollo).
QString rowsOf(Engine e, Shape shape, const QString &where)
{
    const QString deadline = QStringLiteral(
        "COALESCE((SELECT s.Tab_DataScadenza FROM Tab_ProScadenza s WHERE s.Tab_Ente = d.Tab_Ente "
        "AND s.Tab_Protocollo = d.Tab_NumeroProtocollo ORDER BY s.Tab_ProgrScadenze DESC LIMIT 1), d.Tab_DataEvasione)");
    const QString kept = e == Engine::PostgreSQL ? deadline : QStringLiteral("datetime(%1)").arg(deadline);
    return QStringLiteral(
               "SELECT DISTINCT d.Tab_Ente, d.Tab_NumeroProtocollo, d.Tab_TipoProtocollo, a.Tab_UfficioDestinatario, "
               "u.Tab_Dipartimento, d.Tab_DataSerialeMov, d.Tab_CodiceOpe, %1%3 "
               "FROM Tab_Iter_Documento d "
               "JOIN Tab_Protocollo p ON p.Tab_Ente = d.Tab_Ente AND p.Tab_TipoProtocollo = d.Tab_TipoProtocollo "
               "AND p.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo AND COALESCE(p.Tab_StatoProtocollo, 'A') <> 'C' "
               "JOIN Tab_Iter_Destinatari a ON a.Tab_Ente = d.Tab_Ente AND a.Tab_TipoProtocollo = d.Tab_TipoProtocollo "
               "AND a.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo AND a.Tab_DataSerialeMov = d.Tab_DataSerialeMov "
               "AND a.Tab_TipoAssegnazione = 1 "
               "JOIN Tab_Uffici u ON u.Tab_Ente = a.Tab_Ente AND u.Tab_Ufficio = a.Tab_UfficioDestinatario "
               "WHERE %2 AND d.Tab_TipoMovimento = 4 AND %1 IS NOT NULL "
               "AND d.Tab_DataSerialeMov = (SELECT MAX(d2.Tab_DataSerialeMov) FROM Tab_Iter_Documento d2 "
               "WHERE d2.Tab_Ente = d.Tab_Ente AND d2.Tab_TipoProtocollo = d.Tab_TipoProtocollo "
               "AND d2.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo AND d2.Tab_TipoMovimento = 4) "
               "AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento x WHERE x.Tab_Ente = d.Tab_Ente "
               "AND x.Tab_TipoProtocollo = d.Tab_TipoProtocollo AND x.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo "
               "AND x.Tab_TipoMovimento = 5)")
        .arg(kept, where,
             shape == Shape::WithSubject ? QStringLiteral(", p.Tab_Oggetto, p.Tab_SoggPrivacy") : QString());
}

// Body, number and (empty for both directions) direction of a protocol.
struct Key {
    QString ente, number, direction;
};

QString refreshSqlite(Shape shape, const Key &k)
{
    const QString dir = k.direction.isEmpty() ? QString() : QStringLiteral(" AND Tab_TipoProtocollo = ") + k.direction;
    const QString dDir = k.direction.isEmpty() ? QString() : QStringLiteral(" AND d.Tab_TipoProtocollo = ") + k.direction;
    return QStringLiteral("DELETE FROM %1 WHERE Tab_Ente = %2 AND Tab_NumeroProtocollo = %3%4; "
                          "INSERT OR IGNORE INTO %1 (%5) %6; ")
        .arg(kTable, k.ente, k.number, dir, columns(shape),
             rowsOf(Engine::SQLite, shape, QStringLiteral("d.Tab_Ente = %1 AND d.Tab_NumeroProtocollo = %2%3")
                                        .arg(k.ente, k.number, dDir)));
}

Key of(const char *row, bool withDirection, const char *numberColumn = "Tab_NumeroProtocollo")
{
    const QString r = QLatin1String(row);
    return {r + QStringLiteral(".Tab_Ente"), r + QLatin1Char('.') + QLatin1String(numberColumn),
            withDirection ? r + QStringLiteral(".Tab_TipoProtocollo") : QString()};
}

// A table whose rows, when `relevant` (a condition on NEW or OLD), change
// the deadlines of their protocol.
struct Source {
    const char *table;
    const char *relevant; // "%1" stands for NEW or OLD
    bool withDirection;
    const char *numberColumn;
    const char *updateOf; // columns whose change matters; empty: any
    bool inserts = true;
};

const Source kSources[] = {
    {"Tab_Iter_Documento", "%1.Tab_TipoMovimento IN (4, 5)", true, "Tab_NumeroProtocollo", ""},
    {"Tab_Iter_Destinatari", "%1.Tab_TipoAssegnazione = 1", true, "Tab_NumeroProtocollo", ""},
    {"Tab_ProScadenza", "%1.Tab_Ente IS NOT NULL", false, "Tab_Protocollo", ""},
    {"Tab_Protocollo", "%1.Tab_Ente IS NOT NULL", true, "Tab_NumeroProtocollo", "Tab_StatoProtocollo, Tab_TipoProtocollo", false},
};
// The register's row matters for its subject and privacy too once they are
// kept.
const char *const kProtocolColumnsWithSubject = "Tab_StatoProtocollo, Tab_TipoProtocollo, Tab_Oggetto, Tab_SoggPrivacy";

const char *updateOf(Shape shape, const Source &s)
{
    return shape == Shape::WithSubject && QLatin1String(s.table) == QLatin1String("Tab_Protocollo")
               ? kProtocolColumnsWithSubject
               : s.updateOf;
}

QString base(const Source &s) { return QStringLiteral("%1_scadenze").arg(QString::fromLatin1(s.table).toLower()); }

QStringList sqlite(Shape shape)
{
    QStringList out;
    for (const Source &s : kSources) {
        const QString b = base(s), t = QLatin1String(s.table), rel = QLatin1String(s.relevant);
        for (const char *suffix : {"_ai", "_au", "_ad"})
            out << QStringLiteral("DROP TRIGGER IF EXISTS ") + b + QLatin1String(suffix);
        const Key n = of("NEW", s.withDirection, s.numberColumn), o = of("OLD", s.withDirection, s.numberColumn);
        if (s.inserts) {
            out << QStringLiteral("CREATE TRIGGER %1_ai AFTER INSERT ON %2 FOR EACH ROW WHEN %3 BEGIN %4END")
                       .arg(b, t, rel.arg(QStringLiteral("NEW")), refreshSqlite(shape, n));
            out << QStringLiteral("CREATE TRIGGER %1_ad AFTER DELETE ON %2 FOR EACH ROW WHEN %3 BEGIN %4END")
                       .arg(b, t, rel.arg(QStringLiteral("OLD")), refreshSqlite(shape, o));
        }
        const char *of = updateOf(shape, s);
        const QString columns = *of ? QStringLiteral(" OF ") + QLatin1String(of) : QString();
        out << QStringLiteral("CREATE TRIGGER %1_au AFTER UPDATE%2 ON %3 FOR EACH ROW WHEN (%4) OR (%5) BEGIN %6%7END")
                   .arg(b, columns, t, rel.arg(QStringLiteral("OLD")), rel.arg(QStringLiteral("NEW")),
                        refreshSqlite(shape, o), refreshSqlite(shape, n));
    }
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_uffici_scadenze_au");
    out << QStringLiteral("CREATE TRIGGER tab_uffici_scadenze_au AFTER UPDATE OF Tab_Dipartimento ON Tab_Uffici "
                          "FOR EACH ROW BEGIN UPDATE %1 SET Tab_Dipartimento = NEW.Tab_Dipartimento "
                          "WHERE Tab_Ente = NEW.Tab_Ente AND Tab_Ufficio = NEW.Tab_Ufficio; END")
               .arg(kTable);
    return out;
}

// PostgreSQL: the functions run with their owner's rights (the workstation
// may only read the table) and look names up in the register's schema only.
QString ownersRights(const QString &signature)
{
    return QStringLiteral("DO $$ BEGIN EXECUTE format('ALTER FUNCTION %1 SET search_path = %I, pg_temp', "
                          "current_schema()); END $$")
               .arg(signature)
           + QStringLiteral("\n") + QStringLiteral("REVOKE ALL ON FUNCTION %1 FROM PUBLIC").arg(signature);
}

QStringList postgres(Shape shape)
{
    QStringList out;
    // Two writers touching one protocol at once (a postponement and an
    // assignment) take turns on the protocol's row: each recomputes after
    // the other committed, so the last one to finish sees both. A row lock
    // rather than an advisory one: a long transaction that touches many
    // protocols (an upgrade, a recovery) keeps no lock table entry for each.
    const QString rows = rowsOf(Engine::PostgreSQL, shape, QStringLiteral("d.Tab_Ente = e AND d.Tab_NumeroProtocollo = n%1"));
    out << QStringLiteral(
               "CREATE OR REPLACE FUNCTION tab_scadenze_aggiorna(e text, n text, t text) RETURNS void LANGUAGE plpgsql "
               "SECURITY DEFINER AS $scad$\nBEGIN\n"
               "  IF t IS NULL THEN\n"
               "    PERFORM 1 FROM Tab_Protocollo WHERE Tab_Ente = e AND Tab_NumeroProtocollo = n FOR NO KEY UPDATE;\n"
               "    DELETE FROM %1 WHERE Tab_Ente = e AND Tab_NumeroProtocollo = n;\n"
               "    INSERT INTO %1 (%2) %3 ON CONFLICT DO NOTHING;\n"
               "  ELSE\n"
               "    PERFORM 1 FROM Tab_Protocollo WHERE Tab_Ente = e AND Tab_TipoProtocollo = t "
               "AND Tab_NumeroProtocollo = n FOR NO KEY UPDATE;\n"
               "    DELETE FROM %1 WHERE Tab_Ente = e AND Tab_NumeroProtocollo = n AND Tab_TipoProtocollo = t;\n"
               "    INSERT INTO %1 (%2) %4 ON CONFLICT DO NOTHING;\n"
               "  END IF;\nEND\n$scad$")
               .arg(kTable, columns(shape), rows.arg(QString()),
                    rows.arg(QStringLiteral(" AND d.Tab_TipoProtocollo = t")));
    out << ownersRights(QStringLiteral("tab_scadenze_aggiorna(text, text, text)")).split(QLatin1Char('\n'));
    for (const Source &s : kSources) {
        const QString b = base(s), rel = QLatin1String(s.relevant);
        const auto call = [&](const char *row) {
            const QString r = QLatin1String(row);
            return QStringLiteral("PERFORM tab_scadenze_aggiorna(%1.Tab_Ente, %1.%2, %3);")
                .arg(r, QLatin1String(s.numberColumn),
                     s.withDirection ? r + QStringLiteral(".Tab_TipoProtocollo") : QStringLiteral("NULL"));
        };
        out << QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER AS "
                              "$scad$\nBEGIN\n"
                              "  IF TG_OP <> 'INSERT' AND %2 THEN %3 END IF;\n"
                              "  IF TG_OP <> 'DELETE' AND %4 THEN %5 END IF;\n"
                              "  RETURN NULL;\nEND\n$scad$")
                   .arg(b, rel.arg(QStringLiteral("OLD")), call("OLD"), rel.arg(QStringLiteral("NEW")), call("NEW"));
        out << ownersRights(b + QStringLiteral("()")).split(QLatin1Char('\n'));
        // Only the rows that matter call the function (most movements are
        // neither assignments nor completions).
        const QString t = QLatin1String(s.table);
        for (const char *suffix : {"", "_ai", "_au", "_ad"})
            out << QStringLiteral("DROP TRIGGER IF EXISTS %1%2 ON %3").arg(b, QLatin1String(suffix), t);
        if (s.inserts) {
            out << QStringLiteral("CREATE TRIGGER %1_ai AFTER INSERT ON %2 FOR EACH ROW WHEN (%3) EXECUTE FUNCTION %1()")
                       .arg(b, t, rel.arg(QStringLiteral("NEW")));
            out << QStringLiteral("CREATE TRIGGER %1_ad AFTER DELETE ON %2 FOR EACH ROW WHEN (%3) EXECUTE FUNCTION %1()")
                       .arg(b, t, rel.arg(QStringLiteral("OLD")));
        }
        const char *of = updateOf(shape, s);
        const QString columns = *of ? QStringLiteral(" OF ") + QLatin1String(of) : QString();
        out << QStringLiteral("CREATE TRIGGER %1_au AFTER UPDATE%2 ON %3 FOR EACH ROW WHEN ((%4) OR (%5)) "
                              "EXECUTE FUNCTION %1()")
                   .arg(b, columns, t, rel.arg(QStringLiteral("OLD")), rel.arg(QStringLiteral("NEW")));
    }
    out << QStringLiteral("CREATE OR REPLACE FUNCTION tab_uffici_scadenze() RETURNS trigger LANGUAGE plpgsql "
                          "SECURITY DEFINER AS $scad$\nBEGIN\n"
                          "  UPDATE %1 SET Tab_Dipartimento = NEW.Tab_Dipartimento WHERE Tab_Ente = NEW.Tab_Ente "
                          "AND Tab_Ufficio = NEW.Tab_Ufficio;\n  RETURN NULL;\nEND\n$scad$")
               .arg(kTable);
    out << ownersRights(QStringLiteral("tab_uffici_scadenze()")).split(QLatin1Char('\n'));
    out << QStringLiteral("DROP TRIGGER IF EXISTS tab_uffici_scadenze ON Tab_Uffici");
    out << QStringLiteral("CREATE TRIGGER tab_uffici_scadenze AFTER UPDATE OF Tab_Dipartimento ON Tab_Uffici "
                          "FOR EACH ROW EXECUTE FUNCTION tab_uffici_scadenze()");
    return out;
}

QStringList build(Kind kind, Engine e, Shape shape)
{
    if (kind != Kind::Central)
        return {};
    QStringList out = e == Engine::PostgreSQL ? postgres(shape) : sqlite(shape);
    out << QStringLiteral("DELETE FROM ") + kTable;
    out << QStringLiteral("INSERT INTO %1 (%2) %3")
               .arg(kTable, columns(shape), rowsOf(e, shape, QStringLiteral("1 = 1")));
    return out;
}

} // namespace

QStringList firstStatements(Kind kind, Engine e) { return build(kind, e, Shape::WithoutSubject); }

QStringList statements(Kind kind, Engine e) { return build(kind, e, Shape::WithSubject); }

} // namespace Schema::DeadlineKeeper
