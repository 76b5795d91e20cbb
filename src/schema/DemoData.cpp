#include "schema/DemoData.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/Password.h"
#include "schema/ClassificationScheme.h"
#include "schema/DemoLoader.h"
#include "schema/MaintainedTables.h"
#include "schema/Municipalities.h"
#include "schema/Transaction.h"

namespace Schema {

using detail::Loader;

namespace {

QVariant today() { return QDate::currentDate(); }

// Every Italian municipality, province and region of the list shipped with
// the program, so that the address book can use any of them. Rows already
// there (a demo loaded before, or changed by the operator) are left alone.
bool geography(QSqlDatabase &db, int *added, QString *error)
{
    Municipalities::List list;
    Municipalities::Summary summary;
    if (!Municipalities::readShipped(&list, error)
        || !Municipalities::apply(db, list, Municipalities::Mode::AddOnly, QStringLiteral("DEMO"), &summary, error))
        return false;
    *added = summary.regions.added + summary.provinces.added + summary.municipalities.added;
    return true;
}

void codeTables(Loader &l)
{
    const QStringList c = {QStringLiteral("Tab_Codice"), QStringLiteral("Tab_Descrizione"),
                           QStringLiteral("Tab_CodOper"), QStringLiteral("Tab_DatOper")};
    const auto fill = [&](const char *table, std::initializer_list<std::pair<const char *, const char *>> rows) {
        for (const auto &[code, text] : rows)
            l.ensure(QString::fromLatin1(table), {c[0]}, c,
                     {QString::fromUtf8(code), QString::fromUtf8(text), QStringLiteral("DEMO"), today()});
    };
    fill("Tab_TipoDocumento", {{"LET", "LETTERA"}, {"FAT", "FATTURA"}, {"DEL", "DELIBERA"}, {"DET", "DETERMINA"},
                               {"CIR", "CIRCOLARE"}, {"RIC", "RICHIESTA"}, {"EML", "POSTA ELETTRONICA"}, {"FAX", "FAX"}});
    fill("Tab_Motivo_Cancella", {{"01", "ERRORE DI REGISTRAZIONE"}, {"02", "DOCUMENTO DUPLICATO"},
                                 {"03", "DOCUMENTO NON DI COMPETENZA"}});
    fill("Tab_Motivo_Regtemp", {{"01", "GUASTO DEL SISTEMA CENTRALE"}, {"02", "INTERRUZIONE DELLA RETE"},
                                {"03", "MANUTENZIONE PROGRAMMATA"}});
    const char *movements[][2] = {{"2", "Ritrasmissione"}, {"3", "Presa in carico"}, {"4", "Assegnazione"},
                                  {"5", "Evasione"}};
    for (const auto &m : movements)
        l.ensure(QStringLiteral("Tab_TipoMovimento"), {c[0]}, c,
                 {QString::fromLatin1(m[0]).toInt(), QString::fromUtf8(m[1]), QStringLiteral("DEMO"), today()});

    const QStringList u = c + QStringList{QStringLiteral("Tab_Interno")};
    const char *kinds[][3] = {{"001", "PRIVATO CITTADINO", "N"}, {"002", "DITTA O SOCIETA'", "N"},
                              {"003", "ENTE PUBBLICO", "N"}, {"004", "UFFICIO INTERNO", "S"}};
    for (const auto &k : kinds)
        l.ensure(QStringLiteral("Tab_TipoUtenza"), {u[0]}, u,
                 {QString::fromUtf8(k[0]), QString::fromUtf8(k[1]), QStringLiteral("DEMO"), today(), QString::fromUtf8(k[2])});
}

// The demo body's classification scheme, from the file shipped with the
// program (the format a body's own scheme is loaded in). Elements already
// there are left as they are.
bool scheme(QSqlDatabase &db, int *added, QString *error)
{
    namespace S = ClassificationScheme;
    QList<S::Element> elements;
    QStringList problems;
    S::Summary summary;
    if (!S::read(S::demoFile(), &elements, &problems)
        || !S::apply(db, demoBody(), elements, true, QStringLiteral("DEMO"), &summary, &problems, error)) {
        if (error->isEmpty())
            *error = QStringLiteral("classificazione dimostrativa non valida: ") + problems.join(QStringLiteral("; "));
        return false;
    }
    *added = summary.total();
    return true;
}

} // namespace

QString demoBody() { return QStringLiteral("001"); }

const QList<DemoOperator> &demoOperators()
{
    static const QList<DemoOperator> ops = {{QStringLiteral("DEMO6"), QStringLiteral("demo6pwd"), 6},
                                            {QStringLiteral("DEMO7"), QStringLiteral("demo7pwd"), 7},
                                            {QStringLiteral("DEMO8"), QStringLiteral("demo8pwd"), 8},
                                            {QStringLiteral("DEMO9"), QStringLiteral("demo9pwd"), 9}};
    return ops;
}

bool loadDemo(QSqlDatabase &db, QString *error, int *added)
{
    QString dummy;
    if (!error)
        error = &dummy;
    const QString failed = QStringLiteral("Caricamento dati dimostrativi non riuscito: ");
    detail::Transaction tx(db);
    if (!tx.begin(error)) {
        *error = failed + *error;
        return false;
    }
    int towns = 0;
    if (!geography(db, &towns, error)) {
        *error = failed + *error;
        return false;
    }
    int schemeRows = 0;
    if (!scheme(db, &schemeRows, error)) {
        *error = failed + *error;
        return false;
    }
    Loader l(db);
    codeTables(l);
    detail::demoOrganisation(l);
    if (!l.error().isEmpty()) {
        *error = l.error();
        return false;
    }
    // Every register has them; a demo loaded on an older one gets them too.
    int tables = 0;
    if (!detail::addMissingMaintainedTables(db, error, &tables))
        return false;
    if (!tx.commit(error)) {
        *error = failed + *error;
        return false;
    }
    if (added)
        *added = l.added() + tables + towns + schemeRows;
    return true;
}

} // namespace Schema
