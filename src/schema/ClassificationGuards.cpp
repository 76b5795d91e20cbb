#include "schema/ClassificationGuards.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Schema::ClassificationGuards {

using Dialect::Engine;

namespace {

// One level standing under another: the child's columns name the parent's key.
struct Link {
    QString name; // of the constraint and of the triggers
    QString child;
    QStringList childColumns;
    QString parent;
    QStringList parentColumns;
    QString used;    // the parent is deleted or recoded while a child names it
    QString missing; // the child names no parent
    QString noun;    // the child, in the upgrade's list
    QStringList own; // the child's codes, in the upgrade's list
};

QStringList split(const char *names) { return QString::fromLatin1(names).split(QLatin1Char(',')); }

const QVector<Link> &links()
{
    static const QVector<Link> l = {
        {QStringLiteral("tab_categoria_titolo"), QStringLiteral("Tab_Categoria"), split("Tab_Ente,Tab_CodiceTitolo"),
         QStringLiteral("Tab_Titolo"), split("Tab_Ente,Tab_Codice"), kTitleUsed, kTitleMissing,
         QStringLiteral("categoria"), split("Tab_CodiceTitolo,Tab_Codice")},
        {QStringLiteral("tab_classe_categoria"), QStringLiteral("Tab_Classe"),
         split("Tab_Ente,Tab_CodiceTitolo,Tab_CodiceCategoria"), QStringLiteral("Tab_Categoria"),
         split("Tab_Ente,Tab_CodiceTitolo,Tab_Codice"), kCategoryUsed, kCategoryMissing, QStringLiteral("classe"),
         split("Tab_CodiceTitolo,Tab_CodiceCategoria,Tab_Codice")},
        {QStringLiteral("tab_fascicoli_classe"), QStringLiteral("Tab_Fascicoli"),
         split("Tab_Ente,Tab_Titolo,Tab_Categoria,Tab_Classe"), QStringLiteral("Tab_Classe"),
         split("Tab_Ente,Tab_CodiceTitolo,Tab_CodiceCategoria,Tab_Codice"), kClassUsed, kClassMissing,
         QStringLiteral("fascicolo"), split("Tab_Titolo,Tab_Categoria,Tab_Classe,Tab_CodiceFascicolo")},
        {QStringLiteral("tab_profascicoli_fascicolo"), QStringLiteral("Tab_ProFascicoli"),
         split("Tab_Ente,Tab_Titolo,Tab_Categoria,Tab_Classe,Tab_CodiceFascicolo"), QStringLiteral("Tab_Fascicoli"),
         split("Tab_Ente,Tab_Titolo,Tab_Categoria,Tab_Classe,Tab_CodiceFascicolo"), kDossierUsed, kDossierMissing,
         QStringLiteral("classificazione nel fascicolo"),
         split("Tab_Titolo,Tab_Categoria,Tab_Classe,Tab_CodiceFascicolo")},
    };
    return l;
}

const QStringList kCounterKey = split("Tab_Ente,Tab_Titolo,Tab_Categoria,Tab_Classe");

QString quoted(const QString &s)
{
    return QLatin1Char('\'') + QString(s).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

// "a.x = b.y AND ..." over two column lists.
QString matching(const QString &a, const QStringList &left, const QString &b, const QStringList &right)
{
    QStringList out;
    for (int i = 0; i < left.size(); ++i)
        out << a + QLatin1Char('.') + left[i] + QStringLiteral(" = ") + b + QLatin1Char('.') + right[i];
    return out.join(QStringLiteral(" AND "));
}

QString prefixed(const QString &p, const QStringList &columns)
{
    QStringList out;
    for (const QString &c : columns)
        out << p + QLatin1Char('.') + c;
    return out.join(QStringLiteral(", "));
}

// Some of the columns differ between OLD and NEW (SQLite).
QString changed(const QStringList &columns)
{
    QStringList out;
    for (const QString &c : columns)
        out << QStringLiteral("NEW.%1 IS NOT OLD.%1").arg(c);
    return QLatin1Char('(') + out.join(QStringLiteral(" OR ")) + QLatin1Char(')');
}

QString parentOf(const Link &l, const QString &row)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM %1 p WHERE %2)")
        .arg(l.parent, matching(QStringLiteral("p"), l.parentColumns, row, l.childColumns));
}

QString childOf(const Link &l, const QString &row)
{
    return QStringLiteral("EXISTS (SELECT 1 FROM %1 c WHERE %2)")
        .arg(l.child, matching(QStringLiteral("c"), l.childColumns, row, l.parentColumns));
}

// The counter follows every dossier written: it never stays below a code
// in its class, whoever wrote the dossier.
QString counterUpsert(Engine e)
{
    return QStringLiteral("INSERT INTO Tab_ContatoreFascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                          "Tab_UltimoFascicolo) VALUES (NEW.Tab_Ente, NEW.Tab_Titolo, NEW.Tab_Categoria, NEW.Tab_Classe, "
                          "NEW.Tab_CodiceFascicolo) ON CONFLICT (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe) DO "
                          "UPDATE SET Tab_UltimoFascicolo = %1(Tab_ContatoreFascicoli.Tab_UltimoFascicolo, "
                          "excluded.Tab_UltimoFascicolo)")
        .arg(e == Engine::PostgreSQL ? QStringLiteral("GREATEST") : QStringLiteral("MAX"));
}

const QString kCounterStart = QStringLiteral(
    "INSERT INTO Tab_ContatoreFascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_UltimoFascicolo) SELECT "
    "Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, MAX(Tab_CodiceFascicolo) FROM Tab_Fascicoli GROUP BY Tab_Ente, "
    "Tab_Titolo, Tab_Categoria, Tab_Classe");

QStringList sqliteStatements()
{
    QStringList out;
    const auto trigger = [&out](const QString &name, const QString &body) {
        out << QStringLiteral("DROP TRIGGER IF EXISTS ") + name
            << QStringLiteral("CREATE TRIGGER ") + name + QLatin1Char(' ') + body;
    };
    const auto raise = [](const QString &text) {
        return QStringLiteral(" BEGIN SELECT RAISE(ABORT, %1); END").arg(quoted(text));
    };
    for (const Link &l : links()) {
        trigger(l.name + QStringLiteral("_usato"),
                QStringLiteral("BEFORE DELETE ON %1 FOR EACH ROW WHEN %2").arg(l.parent, childOf(l, QStringLiteral("OLD")))
                    + raise(l.used));
        trigger(l.name + QStringLiteral("_ricodifica"),
                QStringLiteral("BEFORE UPDATE OF %1 ON %2 FOR EACH ROW WHEN %3 AND %4")
                        .arg(l.parentColumns.join(QStringLiteral(", ")), l.parent, changed(l.parentColumns),
                             childOf(l, QStringLiteral("OLD")))
                    + raise(l.used));
        trigger(l.name + QStringLiteral("_manca"),
                QStringLiteral("BEFORE INSERT ON %1 FOR EACH ROW WHEN NOT %2").arg(l.child, parentOf(l, QStringLiteral("NEW")))
                    + raise(l.missing));
        trigger(l.name + QStringLiteral("_sposta"),
                QStringLiteral("BEFORE UPDATE OF %1 ON %2 FOR EACH ROW WHEN NOT %3")
                        .arg(l.childColumns.join(QStringLiteral(", ")), l.child, parentOf(l, QStringLiteral("NEW")))
                    + raise(l.missing));
    }
    trigger(QStringLiteral("tab_contatorefascicoli_giu"),
            QStringLiteral("BEFORE UPDATE ON Tab_ContatoreFascicoli FOR EACH ROW WHEN NEW.Tab_UltimoFascicolo < "
                           "OLD.Tab_UltimoFascicolo OR NEW.Tab_UltimoFascicolo IS NULL OR ")
                + changed(kCounterKey) + raise(kCounterKept));
    trigger(QStringLiteral("tab_contatorefascicoli_via"),
            QStringLiteral("BEFORE DELETE ON Tab_ContatoreFascicoli FOR EACH ROW") + raise(kCounterKept));
    trigger(QStringLiteral("tab_fascicoli_contatore"),
            QStringLiteral("AFTER INSERT ON Tab_Fascicoli FOR EACH ROW BEGIN ") + counterUpsert(Engine::SQLite)
                + QStringLiteral("; END"));
    trigger(QStringLiteral("tab_fascicoli_contatore_r"),
            QStringLiteral("AFTER UPDATE OF Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo ON "
                           "Tab_Fascicoli FOR EACH ROW BEGIN ")
                + counterUpsert(Engine::SQLite) + QStringLiteral("; END"));
    return out;
}

QString pgFunction(const QString &name, const QString &body)
{
    return QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS $guard$\nBEGIN\n%2\nEND "
                          "$guard$")
        .arg(name, body);
}

QString pgRaise(const QString &text)
{
    return QStringLiteral("RAISE EXCEPTION USING ERRCODE = 'foreign_key_violation', MESSAGE = %1;").arg(quoted(text));
}

QString rowOf(const QString &row, const QStringList &columns)
{
    return QLatin1Char('(') + prefixed(row, columns) + QLatin1Char(')');
}

QStringList postgresStatements()
{
    QStringList out;
    const auto trigger = [&out](const QString &name, const QString &table, const QString &when, const QString &body) {
        out << pgFunction(name, body) << QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(name, table)
            << QStringLiteral("CREATE TRIGGER %1 %2 ON %3 FOR EACH ROW EXECUTE FUNCTION %1()").arg(name, when, table);
    };
    for (const Link &l : links()) {
        // The key: race-free where the triggers only look. The triggers in
        // front of it give the refusal its text.
        out << QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT IF EXISTS %2").arg(l.child, l.name)
            << QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 FOREIGN KEY (%3) REFERENCES %4 (%5)")
                   .arg(l.child, l.name, l.childColumns.join(QStringLiteral(", ")), l.parent,
                        l.parentColumns.join(QStringLiteral(", ")));
        trigger(l.name + QStringLiteral("_usato"), l.parent,
                QStringLiteral("BEFORE DELETE OR UPDATE OF %1").arg(l.parentColumns.join(QStringLiteral(", "))),
                QStringLiteral("IF TG_OP = 'DELETE' THEN\n  IF %3 THEN\n    %4\n  END IF;\n  RETURN OLD;\nEND IF;\n"
                               "IF %1 IS DISTINCT FROM %2 AND %3 THEN\n  %4\nEND IF;\nRETURN NEW;")
                    .arg(rowOf(QStringLiteral("NEW"), l.parentColumns), rowOf(QStringLiteral("OLD"), l.parentColumns),
                         childOf(l, QStringLiteral("OLD")), pgRaise(l.used)));
        trigger(l.name + QStringLiteral("_manca"), l.child,
                QStringLiteral("BEFORE INSERT OR UPDATE OF %1").arg(l.childColumns.join(QStringLiteral(", "))),
                QStringLiteral("IF NOT %1 THEN\n  %2\nEND IF;\nRETURN NEW;")
                    .arg(parentOf(l, QStringLiteral("NEW")), pgRaise(l.missing)));
    }
    trigger(QStringLiteral("tab_contatorefascicoli_guard"), QStringLiteral("Tab_ContatoreFascicoli"),
            QStringLiteral("BEFORE UPDATE OR DELETE"),
            QStringLiteral("IF TG_OP = 'DELETE' THEN\n  %3\nEND IF;\nIF NEW.Tab_UltimoFascicolo IS NULL OR "
                           "NEW.Tab_UltimoFascicolo < OLD.Tab_UltimoFascicolo OR %1 IS DISTINCT FROM %2 THEN\n  %3\n"
                           "END IF;\nRETURN NEW;")
                .arg(rowOf(QStringLiteral("NEW"), kCounterKey), rowOf(QStringLiteral("OLD"), kCounterKey),
                     QStringLiteral("RAISE EXCEPTION USING ERRCODE = 'integrity_constraint_violation', MESSAGE = %1;")
                         .arg(quoted(kCounterKept))));
    trigger(QStringLiteral("tab_fascicoli_contatore"), QStringLiteral("Tab_Fascicoli"),
            QStringLiteral("AFTER INSERT OR UPDATE OF Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, "
                           "Tab_CodiceFascicolo"),
            counterUpsert(Engine::PostgreSQL) + QStringLiteral(";\nRETURN NEW;"));
    return out;
}

} // namespace

QStringList statements(Kind kind, Engine e)
{
    if (kind != Kind::Central)
        return {};
    return (e == Engine::PostgreSQL ? postgresStatements() : sqliteStatements()) << kCounterStart;
}

QStringList violations(const QSqlDatabase &db, int limit, QString *error)
{
    QStringList out;
    int more = 0;
    for (const Link &l : links()) {
        const bool classification = l.child == QLatin1String("Tab_ProFascicoli");
        QSqlQuery q(db);
        if (!q.exec(QStringLiteral("SELECT %1%2 FROM %3 c WHERE NOT %4 ORDER BY %1")
                        .arg(prefixed(QStringLiteral("c"), QStringList{QStringLiteral("Tab_Ente")} + l.own),
                             classification ? QStringLiteral(", c.Tab_NumeroProtocollo") : QString(), l.child,
                             parentOf(l, QStringLiteral("c"))))) {
            if (error)
                *error = q.lastError().text();
            return out;
        }
        while (q.next()) {
            if (out.size() >= limit) {
                ++more;
                continue;
            }
            QStringList codes;
            for (int i = 1; i <= l.own.size(); ++i)
                codes << q.value(i).toString();
            QString line = QStringLiteral("ente %1, %2 %3").arg(q.value(0).toString(), l.noun, codes.join(QLatin1Char('.')));
            if (classification)
                line += QStringLiteral(" del protocollo ") + q.value(l.own.size() + 1).toString();
            out << line + QStringLiteral(": ") + l.missing;
        }
    }
    if (more > 0)
        out << QStringLiteral("... e altre %1 righe.").arg(more);
    return out;
}

} // namespace Schema::ClassificationGuards
