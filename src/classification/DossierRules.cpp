#include "classification/DossierRules.h"

#include "data/Dialect.h"

namespace nimbo::classification {
namespace {

const QString kShown = QStringLiteral("dd/MM/yyyy");

QDate typedDate(const QString &text) { return QDate::fromString(text, kShown); }

QString requestDate(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : QString(); }

QString classCondition(const DossierClass &c)
{
    return QStringLiteral("Tab_Ente = %1 AND Tab_Titolo = %2 AND Tab_Categoria = %3 AND Tab_Classe = %4")
        .arg(ui::sqlText(c.ente), ui::sqlText(c.title), ui::sqlText(c.category), ui::sqlText(c.cls));
}

} // namespace

QString shownDossierCode(qint64 code) { return QStringLiteral("%1").arg(code, 5, 10, QLatin1Char('0')); }

QString dossierListQuery(const DossierClass &c)
{
    // Zero-padded by the query itself, so that the list shows and sorts the
    // code as the clerk knows it on both engines.
    const QString text = QStringLiteral("CAST(Tab_CodiceFascicolo AS VARCHAR(20))");
    return QStringLiteral("SELECT CASE WHEN Tab_CodiceFascicolo < 100000 THEN SUBSTR('00000' || %1, LENGTH(%1) + 1, "
                          "5) ELSE %1 END, Tab_Descrizione, Tab_Apertura, Tab_Chiusura FROM Tab_Fascicoli WHERE %2 "
                          "ORDER BY Tab_Descrizione")
        .arg(text, classCondition(c));
}

QString dossierLoadQuery(const DossierClass &c, qint64 code)
{
    return QStringLiteral("SELECT Tab_CodiceFascicolo, Tab_Descrizione, Tab_Apertura, Tab_Chiusura FROM Tab_Fascicoli "
                          "WHERE %1 AND Tab_CodiceFascicolo = %2")
        .arg(classCondition(c))
        .arg(code);
}

QString dossierUsedQuery(const DossierClass &c, qint64 code)
{
    return QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_ProFascicoli WHERE %1 AND Tab_CodiceFascicolo = %2")
               .arg(classCondition(c))
               .arg(code)
           + Dialect::limit(1);
}

ui::CheckList dossierChecks()
{
    const QString wrongDate = QStringLiteral("inserire una data corretta");
    return {
        {QStringLiteral("Tab_Descrizione"), [](ui::Record &r) { return !r.value(QStringLiteral("Tab_Descrizione")).isEmpty(); },
         QStringLiteral("inserire la descrizione del fascicolo")},
        {QStringLiteral("Tab_Apertura"), [](ui::Record &r) { return typedDate(r.value(QStringLiteral("Tab_Apertura"))).isValid(); },
         wrongDate},
        {QStringLiteral("Tab_Chiusura"),
         [](ui::Record &r) {
             const QString closed = r.value(QStringLiteral("Tab_Chiusura"));
             return closed.isEmpty() || typedDate(closed).isValid();
         },
         wrongDate},
        {QStringLiteral("Tab_Chiusura"),
         [](ui::Record &r) {
             const QDate closed = typedDate(r.value(QStringLiteral("Tab_Chiusura")));
             return !closed.isValid() || closed >= typedDate(r.value(QStringLiteral("Tab_Apertura")));
         },
         QStringLiteral("la data di chiusura fascicolo non può essere minore della data di apertura fascicolo")},
    };
}

QVariantList dossierWriteRequest(const DossierClass &c, qint64 code, bool isNew, const DossierData &d,
                                 const QString &writer, const QDate &today)
{
    const qint64 n = isNew ? 0 : code;
    const ColumnValues columns{
        {QStringLiteral("Tab_Ente"), c.ente},
        {QStringLiteral("Tab_Titolo"), c.title},
        {QStringLiteral("Tab_Categoria"), c.category},
        {QStringLiteral("Tab_Classe"), c.cls},
        {QStringLiteral("Tab_CodiceFascicolo"), n},
        {QStringLiteral("Tab_Descrizione"), d.description},
        {QStringLiteral("Tab_Apertura"), requestDate(d.opened)},
        {QStringLiteral("Tab_Chiusura"), requestDate(d.closed)},
        {QStringLiteral("Tab_CodOper"), writer},
        {QStringLiteral("Tab_DatOper"), requestDate(today)},
    };
    return dossierRequest(isNew ? QStringLiteral("A") : QStringLiteral("R"),
                          dossierCondition(c.ente, c.title, c.category, c.cls, n), columns);
}

} // namespace nimbo::classification
