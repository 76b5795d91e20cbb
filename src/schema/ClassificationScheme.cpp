#include "schema/ClassificationScheme.h"

#include <QDate>
#include <QFile>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/Csv.h"
#include "data/TextCheck.h"
#include "schema/Definition.h"

namespace Schema::ClassificationScheme {
namespace {

const QStringList kHeadings = {QStringLiteral("title"), QStringLiteral("category"), QStringLiteral("class"),
                               QStringLiteral("description"), QStringLiteral("active")};
const char *const kLevelTables[] = {"Tab_Titolo", "Tab_Categoria", "Tab_Classe"};
const char *const kLevelNames[] = {"titolo", "categoria", "classe"};

QString keyOf(const Element &e) { return e.title + QLatin1Char('.') + e.category + QLatin1Char('.') + e.cls; }

// What is wrong with one line, empty when nothing.
QString problemOf(const QStringList &fields, Element *e)
{
    if (fields.size() != kHeadings.size())
        return QStringLiteral("attese %1 colonne (title;category;class;description;active), trovate %2")
            .arg(kHeadings.size())
            .arg(fields.size());
    QString codes[3];
    for (int i = 0; i < 3; ++i) {
        codes[i] = fields[i].trimmed().toUpper();
        if (const QString bad = TextCheck::problem(kHeadings[i], codes[i]); !bad.isEmpty())
            return bad;
        const int most = entryLength(Kind::Central, QString::fromLatin1(kLevelTables[i]), QStringLiteral("Tab_Codice"));
        if (codes[i].size() > most)
            return QStringLiteral("il codice %1 \"%2\" supera %3 caratteri")
                .arg(QString::fromLatin1(kLevelNames[i]), codes[i])
                .arg(most);
    }
    if (codes[0].isEmpty())
        return QStringLiteral("manca il codice del titolo");
    if (codes[1].isEmpty() && !codes[2].isEmpty())
        return QStringLiteral("una classe deve indicare la sua categoria");
    e->title = codes[0];
    e->category = codes[1];
    e->cls = codes[2];
    e->description = fields[3].trimmed();
    if (const QString bad = TextCheck::problem(kHeadings[3], e->description); !bad.isEmpty())
        return bad;
    if (e->description.isEmpty())
        return QStringLiteral("manca la descrizione");
    const int most = entryLength(Kind::Central, QString::fromLatin1(kLevelTables[e->level()]), QStringLiteral("Tab_Descrizione"));
    if (e->description.size() > most)
        return QStringLiteral("la descrizione supera %1 caratteri").arg(most);
    const QString active = fields[4].trimmed();
    if (active.isEmpty() || active == QLatin1String("1"))
        e->active = 1;
    else if (active == QLatin1String("0"))
        e->active = 0;
    else
        return QStringLiteral("active deve essere 1, 0 o vuoto, non \"%1\"").arg(active);
    return QString();
}

} // namespace

bool read(const QByteArray &content, QList<Element> *elements, QStringList *problems)
{
    QList<Csv::Record> records;
    QString error;
    if (!Csv::parse(content, Csv::Format{}, &records, &error)) {
        *problems << error;
        return false;
    }
    if (records.isEmpty()) {
        *problems << QStringLiteral("intestazione: il file è vuoto");
        return false;
    }
    QStringList headings;
    for (const QString &h : records.first().fields)
        headings << Csv::normalisedHeading(h);
    if (headings != kHeadings) {
        *problems << QStringLiteral("intestazione: attesa \"title;category;class;description;active\", trovata \"%1\"")
                         .arg(records.first().fields.join(QLatin1Char(';')));
        return false;
    }
    QHash<QString, int> seen;
    for (const Csv::Record &r : records.mid(1)) {
        Element e;
        e.line = r.line;
        QString bad = problemOf(r.fields, &e);
        if (bad.isEmpty() && seen.contains(keyOf(e)))
            bad = QStringLiteral("%1 ripetuto: è già alla riga %2")
                      .arg(QString::fromLatin1(kLevelNames[e.level()]))
                      .arg(seen.value(keyOf(e)));
        if (!bad.isEmpty()) {
            *problems << QStringLiteral("riga %1: %2").arg(r.line).arg(bad);
            continue;
        }
        seen.insert(keyOf(e), r.line);
        elements->append(e);
    }
    return problems->isEmpty();
}

int Summary::total() const
{
    int n = 0;
    for (int i = 0; i < 3; ++i)
        n += added[i] + updated[i];
    return n;
}

QString Summary::text() const
{
    return QStringLiteral("Classificazione caricata: %1 elementi (titoli %2 nuovi e %3 aggiornati, categorie %4 nuove e "
                          "%5 aggiornate, classi %6 nuove e %7 aggiornate).")
        .arg(total())
        .arg(added[0])
        .arg(updated[0])
        .arg(added[1])
        .arg(updated[1])
        .arg(added[2])
        .arg(updated[2]);
}

bool apply(QSqlDatabase &db, const QString &ente, const QList<Element> &elements, bool addOnly, const QString &writer,
           Summary *summary, QStringList *problems, QString *error)
{
    // The key columns of each level's table, and the element's codes for them.
    const QStringList keys[3] = {{QStringLiteral("Tab_Ente"), QStringLiteral("Tab_Codice")},
                                 {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_CodiceTitolo"), QStringLiteral("Tab_Codice")},
                                 {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_CodiceTitolo"),
                                  QStringLiteral("Tab_CodiceCategoria"), QStringLiteral("Tab_Codice")}};
    const auto codes = [&ente](const Element &e, int level) {
        QVariantList v{ente, e.title};
        if (level >= 1)
            v << e.category;
        if (level >= 2)
            v << e.cls;
        return v;
    };
    const auto where = [](const QStringList &k) { return k.join(QStringLiteral(" = ? AND ")) + QStringLiteral(" = ?"); };
    const auto exists = [&](int level, const QVariantList &binds, bool *found) {
        QSqlQuery q(db);
        q.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE %2").arg(QString::fromLatin1(kLevelTables[level]), where(keys[level])));
        for (const QVariant &b : binds)
            q.addBindValue(b);
        if (!q.exec()) {
            *error = q.lastError().text();
            return false;
        }
        *found = q.next();
        return true;
    };
    const QString today = QDate::currentDate().toString(Qt::ISODate);
    for (const Element &e : elements) {
        const int level = e.level();
        if (level > 0) {
            // The parent: above in the file (written already) or in the database.
            bool found = false;
            if (!exists(level - 1, codes(e, level - 1), &found))
                return false;
            if (!found) {
                *problems << QStringLiteral("riga %1: %2 %3 non è né in una riga precedente né in archivio")
                                 .arg(e.line)
                                 .arg(level == 1 ? QStringLiteral("il titolo") : QStringLiteral("la categoria"),
                                      level == 1 ? e.title : e.title + QLatin1Char('.') + e.category);
                continue;
            }
        }
        bool there = false;
        if (!exists(level, codes(e, level), &there))
            return false;
        if (there && addOnly)
            continue;
        QSqlQuery q(db);
        const QString table = QString::fromLatin1(kLevelTables[level]);
        if (there)
            q.prepare(QStringLiteral("UPDATE %1 SET Tab_Descrizione = ?, Tab_Attivo = ?, Tab_CodOper = ?, Tab_DatOper = ? "
                                     "WHERE %2")
                          .arg(table, where(keys[level])));
        else
            q.prepare(QStringLiteral("INSERT INTO %1 (Tab_Descrizione, Tab_Attivo, Tab_CodOper, Tab_DatOper, %2) VALUES "
                                     "(?, ?, ?, ?%3)")
                          .arg(table, keys[level].join(QStringLiteral(", ")),
                               QStringLiteral(", ?").repeated(keys[level].size())));
        for (const QVariant &v : QVariantList{e.description, e.active, writer, today} + codes(e, level))
            q.addBindValue(v);
        if (!q.exec()) {
            *error = QStringLiteral("riga %1: %2").arg(e.line).arg(q.lastError().text());
            return false;
        }
        ++(there ? summary->updated : summary->added)[level];
    }
    return problems->isEmpty();
}

QByteArray demoFile()
{
    QFile f(QStringLiteral(":/classification/classificazione-demo.csv"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace Schema::ClassificationScheme
