// Reading and checking the municipality files.

#include "schema/Municipalities.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

#include "data/Csv.h"
#include "data/TextCheck.h"

namespace Schema::Municipalities {
namespace {

// More than this many bad rows are summed up in one last line: a wrong
// file would otherwise print thousands.
constexpr int kProblemsShown = 20;

// A heading without its footnote marks: "Codice Provincia (Storico)(1)"
// is "codice provincia (storico)".
QString heading(const QString &text)
{
    static const QRegularExpression footnote(QStringLiteral("\\s*\\(\\d+\\)\\s*$"));
    QString h = Csv::normalisedHeading(text);
    for (QString before; before != h;) {
        before = h;
        h.remove(footnote);
    }
    return h;
}

struct Wanted {
    const char *label;                     // as the office writes it, for messages
    QList<const char *> phrases; // accepted headings, best first
};

// Finds each wanted column by its heading. A heading matches a phrase when it
// is the phrase or the phrase followed by a bracketed remark ("... (valida a
// fini statistici)").
bool findColumns(const QStringList &headings, const QList<Wanted> &wanted, const QString &whatFile, QList<int> *at,
                 QString *error)
{
    QStringList normal;
    for (const QString &h : headings)
        normal << heading(h);
    QStringList missing, ambiguous;
    at->clear();
    for (const Wanted &w : wanted) {
        int found = -1;
        bool twice = false;
        for (const char *phrase : w.phrases) {
            const QString p = QString::fromUtf8(phrase);
            for (int i = 0; i < normal.size(); ++i) {
                if (normal[i] != p && !normal[i].startsWith(p + QStringLiteral(" (")))
                    continue;
                twice = twice || found >= 0;
                found = found < 0 ? i : found;
            }
            if (found >= 0)
                break;
        }
        if (found < 0)
            missing << QStringLiteral("\"%1\"").arg(QString::fromUtf8(w.label));
        else if (twice)
            ambiguous << QStringLiteral("\"%1\"").arg(QString::fromUtf8(w.label));
        at->append(found);
    }
    if (!missing.isEmpty()) {
        *error = QStringLiteral("%1: %2 %3 nell'intestazione.")
                     .arg(whatFile,
                          missing.size() == 1 ? QStringLiteral("manca la colonna") : QStringLiteral("mancano le colonne"),
                          missing.join(QStringLiteral(", ")));
        return false;
    }
    if (!ambiguous.isEmpty()) {
        *error = QStringLiteral("%1: più colonne dell'intestazione corrispondono a %2.")
                     .arg(whatFile, ambiguous.join(QStringLiteral(", ")));
        return false;
    }
    return true;
}

// Patterns of the codes: 'D' a digit, 'L' an upper-case ASCII letter.
bool matches(const QString &text, const char *pattern)
{
    const auto n = qsizetype(qstrlen(pattern));
    if (text.size() != n)
        return false;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        const bool ok = pattern[i] == 'D' ? (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                          : (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
        if (!ok)
            return false;
    }
    return true;
}

const QString kList = QStringLiteral("Elenco dei comuni");
const QString kCaps = QStringLiteral("File dei CAP");

bool finish(const QStringList &problems, int more, const QString &whatFile, QString *error)
{
    if (problems.isEmpty())
        return true;
    QStringList out = problems;
    if (more > 0)
        out << QStringLiteral("... e altre %1 righe errate.").arg(more);
    *error = whatFile + QStringLiteral(" non caricato, nessuna modifica al database:\n") + out.join(QLatin1Char('\n'));
    return false;
}

} // namespace

bool readList(const QByteArray &content, List *list, QString *error)
{
    *list = List();
    QList<Csv::Record> records;
    QString why;
    if (!Csv::parse(content, {Csv::Encoding::Latin1, QLatin1Char(';')}, &records, &why)) {
        *error = kList + QStringLiteral(" non caricato: ") + why;
        return false;
    }
    if (records.isEmpty()) {
        *error = kList + QStringLiteral(" non caricato: il file è vuoto.");
        return false;
    }
    enum { RegCode, RegName, PrvCode, PrvName, Plate, Code, Name, Cadastral };
    const QList<Wanted> wanted = {
        {"Codice Regione", {"codice regione"}},
        {"Denominazione regione", {"denominazione regione", "denominazione della regione"}},
        {"Codice Provincia (Storico)", {"codice provincia (storico)", "codice provincia"}},
        {"Denominazione dell'Unità territoriale sovracomunale",
         {"denominazione dell'unità territoriale sovracomunale", "denominazione provincia",
          "denominazione della provincia"}},
        {"Sigla automobilistica", {"sigla automobilistica"}},
        {"Codice Comune formato alfanumerico", {"codice comune formato alfanumerico"}},
        {"Denominazione (Italiana e straniera)", {"denominazione (italiana e straniera)"}},
        {"Codice Catastale del comune", {"codice catastale del comune", "codice catastale"}},
    };
    const Csv::Record header = records.takeFirst();
    QList<int> col;
    if (!findColumns(header.fields, wanted, kList + QStringLiteral(" non caricato"), &col, error))
        return false;
    if (records.isEmpty()) {
        *error = kList + QStringLiteral(" non caricato: il file non contiene comuni dopo l'intestazione.");
        return false;
    }

    QStringList problems;
    int more = 0;
    QHash<QString, int> codeLine;
    QHash<QString, int> provinceAt, regionAt;   // code -> index in the list
    QHash<QString, int> provinceLine, regionLine;
    QHash<QString, QString> plateOf;           // plate -> province code
    const int width = int(header.fields.size());
    for (const Csv::Record &r : std::as_const(records)) {
        QStringList bad;
        if (r.fields.size() != width) {
            bad << QStringLiteral("%1 campi invece di %2 (riga troncata o con separatori in più)")
                       .arg(r.fields.size())
                       .arg(width);
        } else {
            const auto v = [&](int which) { return r.fields[col[which]].trimmed(); };
            const Municipality m{v(Code), v(Name), v(Plate), v(Cadastral), {}};
            const Province p{v(PrvCode), v(PrvName), m.plate, v(RegCode)};
            const Region g{p.region, v(RegName)};
            if (!matches(m.code, "DDDDDD"))
                bad << QStringLiteral("codice del comune \"%1\" non valido (sei cifre)").arg(m.code);
            if (m.name.isEmpty())
                bad << QStringLiteral("denominazione del comune vuota");
            if (!matches(m.plate, "LL"))
                bad << QStringLiteral("sigla automobilistica \"%1\" non valida (due lettere)").arg(m.plate);
            if (!matches(m.cadastral, "LDDD"))
                bad << QStringLiteral("codice catastale \"%1\" non valido (una lettera e tre cifre)").arg(m.cadastral);
            if (!matches(p.code, "DDD"))
                bad << QStringLiteral("codice della provincia \"%1\" non valido (tre cifre)").arg(p.code);
            if (p.name.isEmpty())
                bad << QStringLiteral("denominazione della provincia vuota");
            if (!matches(g.code, "DD"))
                bad << QStringLiteral("codice della regione \"%1\" non valido (due cifre)").arg(g.code);
            if (g.name.isEmpty())
                bad << QStringLiteral("denominazione della regione vuota");
            for (const auto &[what, text] : {std::pair{QStringLiteral("denominazione del comune"), m.name},
                                             std::pair{QStringLiteral("denominazione della provincia"), p.name},
                                             std::pair{QStringLiteral("denominazione della regione"), g.name}}) {
                const QString t = TextCheck::problem(what, text);
                if (!t.isEmpty())
                    bad << t;
            }
            if (codeLine.contains(m.code))
                bad << QStringLiteral("il comune %1 compare già alla riga %2").arg(m.code).arg(codeLine[m.code]);
            if (provinceAt.contains(p.code)) {
                const Province &seen = list->provinces[provinceAt[p.code]];
                if (seen.name != p.name || seen.plate != p.plate || seen.region != p.region)
                    bad << QStringLiteral("la provincia %1 ha dati diversi da quelli della riga %2")
                               .arg(p.code)
                               .arg(provinceLine[p.code]);
            } else if (plateOf.contains(p.plate)) {
                bad << QStringLiteral("la sigla %1 è già della provincia %2").arg(p.plate, plateOf[p.plate]);
            }
            if (regionAt.contains(g.code) && list->regions[regionAt[g.code]].name != g.name)
                bad << QStringLiteral("la regione %1 ha un nome diverso da quello della riga %2")
                           .arg(g.code)
                           .arg(regionLine[g.code]);
            if (bad.isEmpty()) {
                codeLine.insert(m.code, r.line);
                list->municipalities.append(m);
                if (!provinceAt.contains(p.code)) {
                    provinceAt.insert(p.code, int(list->provinces.size()));
                    provinceLine.insert(p.code, r.line);
                    plateOf.insert(p.plate, p.code);
                    list->provinces.append(p);
                }
                if (!regionAt.contains(g.code)) {
                    regionAt.insert(g.code, int(list->regions.size()));
                    regionLine.insert(g.code, r.line);
                    list->regions.append(g);
                }
            }
        }
        if (!bad.isEmpty()) {
            if (problems.size() < kProblemsShown)
                problems << QStringLiteral("riga %1: %2").arg(r.line).arg(bad.join(QStringLiteral("; ")));
            else
                ++more;
        }
    }
    if (!finish(problems, more, kList, error)) {
        *list = List();
        return false;
    }
    return true;
}

bool readPostalCodes(const QByteArray &content, List *list, QString *error)
{
    QList<Csv::Record> records;
    QString why;
    if (!Csv::parse(content, {Csv::Encoding::Utf8, QLatin1Char(';')}, &records, &why)) {
        *error = kCaps + QStringLiteral(" non caricato: ") + why;
        return false;
    }
    if (records.isEmpty()) {
        *error = kCaps + QStringLiteral(" non caricato: il file è vuoto.");
        return false;
    }
    const Csv::Record header = records.takeFirst();
    QList<int> col;
    if (!findColumns(header.fields, {{"codice_istat", {"codice_istat"}}, {"cap", {"cap"}}},
                     kCaps + QStringLiteral(" non caricato"), &col, error))
        return false;

    QHash<QString, int> at;
    for (int i = 0; i < list->municipalities.size(); ++i)
        at.insert(list->municipalities[i].code, i);
    QHash<QString, QStringList> found;
    QHash<QString, int> seenLine;
    QStringList problems;
    int more = 0;
    const int width = int(header.fields.size());
    for (const Csv::Record &r : std::as_const(records)) {
        QStringList bad;
        if (r.fields.size() != width) {
            bad << QStringLiteral("%1 campi invece di %2 (riga troncata o con separatori in più)")
                       .arg(r.fields.size())
                       .arg(width);
        } else {
            const QString code = r.fields[col[0]].trimmed();
            const QStringList caps = r.fields[col[1]].split(QLatin1Char(' '), Qt::SkipEmptyParts);
            if (!at.contains(code))
                bad << QStringLiteral("il comune \"%1\" non è nell'elenco dei comuni").arg(code);
            else if (seenLine.contains(code))
                bad << QStringLiteral("il comune %1 compare già alla riga %2").arg(code).arg(seenLine[code]);
            if (caps.isEmpty())
                bad << QStringLiteral("CAP mancante");
            for (const QString &cap : caps)
                if (!matches(cap, "DDDDD"))
                    bad << QStringLiteral("CAP \"%1\" non valido (cinque cifre)").arg(cap);
            if (bad.isEmpty()) {
                seenLine.insert(code, r.line);
                found.insert(code, caps);
            }
        }
        if (!bad.isEmpty()) {
            if (problems.size() < kProblemsShown)
                problems << QStringLiteral("riga %1: %2").arg(r.line).arg(bad.join(QStringLiteral("; ")));
            else
                ++more;
        }
    }
    if (!finish(problems, more, kCaps, error))
        return false;
    for (auto it = found.cbegin(); it != found.cend(); ++it) {
        QStringList caps;
        for (const QString &c : it.value())
            if (!caps.contains(c))
                caps << c;
        list->municipalities[at[it.key()]].postalCodes = caps;
    }
    return true;
}

QByteArray shippedList()
{
    QFile f(QStringLiteral(":/municipalities/istat-comuni-2020-01-01.csv"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray shippedPostalCodes()
{
    QFile f(QStringLiteral(":/municipalities/cap-comuni-2020.csv"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool readShipped(List *list, QString *error)
{
    // Read once: every demo database of a test run loads the same list.
    static const List shipped = [] {
        List l;
        QString why;
        if (!readList(shippedList(), &l, &why) || !readPostalCodes(shippedPostalCodes(), &l, &why))
            return List();
        return l;
    }();
    if (shipped.municipalities.isEmpty()) {
        *error = QStringLiteral("L'elenco dei comuni fornito con il programma non è leggibile.");
        return false;
    }
    *list = shipped;
    return true;
}

} // namespace Schema::Municipalities
