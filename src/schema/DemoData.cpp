#include "schema/DemoData.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/Password.h"
#include "schema/DemoLoader.h"
#include "schema/MaintainedTables.h"
#include "schema/Transaction.h"

namespace Schema {

using detail::Loader;

namespace {

QVariant today() { return QDate::currentDate(); }

void geography(Loader &l)
{
    const QStringList reg = {QStringLiteral("Reg_Codreg"), QStringLiteral("Reg_Descrizione"),
                             QStringLiteral("Reg_Memo_Regione"), QStringLiteral("Reg_CodOper"),
                             QStringLiteral("Reg_DatOper")};
    const char *regions[][3] = {{"017", "BASILICATA", "BAS"}, {"015", "CAMPANIA", "CAM"},
                                {"016", "PUGLIA", "PUG"},     {"018", "CALABRIA", "CAL"},
                                {"012", "LAZIO", "LAZ"}};
    for (const auto &r : regions)
        l.ensure(QStringLiteral("Tab_Regioni"), {reg[0]}, reg,
                 {QString::fromUtf8(r[0]), QString::fromUtf8(r[1]), QString::fromUtf8(r[2]), QStringLiteral("DEMO"), today()});

    const QStringList prv = {QStringLiteral("Prv_Codprov"), QStringLiteral("Prv_Descrizione"),
                             QStringLiteral("Prv_Sigla_Auto"), QStringLiteral("Prv_Codreg"),
                             QStringLiteral("Prv_CodOper"), QStringLiteral("Prv_DatOper")};
    const char *provinces[][4] = {{"076", "POTENZA", "PZ", "017"}, {"077", "MATERA", "MT", "017"},
                                  {"063", "NAPOLI", "NA", "015"},  {"072", "BARI", "BA", "016"},
                                  {"058", "ROMA", "RM", "012"}};
    for (const auto &p : provinces)
        l.ensure(QStringLiteral("Tab_Provincie"), {prv[0]}, prv,
                 {QString::fromUtf8(p[0]), QString::fromUtf8(p[1]), QString::fromUtf8(p[2]), QString::fromUtf8(p[3]),
                  QStringLiteral("DEMO"), today()});

    const QStringList com = {QStringLiteral("Com_Codcom"), QStringLiteral("com_Comune"), QStringLiteral("com_cap"),
                             QStringLiteral("com_codprov"), QStringLiteral("com_codcat"), QStringLiteral("com_stato"),
                             QStringLiteral("com_preftel"), QStringLiteral("com_Codoper"), QStringLiteral("com_Datoper")};
    const char *towns[][6] = {
        {"076063", "POTENZA", "85100", "PZ", "G942", "0971"},
        {"076048", "MELFI", "85025", "PZ", "F104", "0972"},
        {"076066", "RIONERO IN VULTURE", "85028", "PZ", "H307", "0972"},
        {"076040", "LAVELLO", "85024", "PZ", "E493", "0972"},
        {"076007", "AVIGLIANO", "85021", "PZ", "A519", "0971"},
        {"076089", "TITO", "85050", "PZ", "L181", "0971"},
        {"076059", "PICERNO", "85055", "PZ", "G590", "0971"},
        {"077014", "MATERA", "75100", "MT", "F052", "0835"},
        {"063049", "NAPOLI", "80100", "NA", "F839", "081"},
        {"072006", "BARI", "70100", "BA", "A662", "080"},
        {"058091", "ROMA", "00100", "RM", "H501", "06"},
    };
    for (const auto &t : towns)
        l.ensure(QStringLiteral("Tab_Comuni"), {com[0]}, com,
                 {QString::fromUtf8(t[0]), QString::fromUtf8(t[1]), QString::fromUtf8(t[2]), QString::fromUtf8(t[3]),
                  QString::fromUtf8(t[4]), QStringLiteral("IT"), QString::fromUtf8(t[5]), QStringLiteral("DEMO"), today()});
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
    Loader l(db);
    geography(l);
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
        *added = l.added() + tables;
    return true;
}

} // namespace Schema
