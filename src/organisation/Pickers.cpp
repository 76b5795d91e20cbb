#include "organisation/Pickers.h"

#include <QComboBox>

#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

QVector<ui::Match> matches(const QString &sql)
{
    QVector<ui::Match> out;
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r)
        out.append({rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed(), QString()});
    return out;
}

QString like(const QString &column, const QString &typed, bool byDescription)
{
    return byDescription ? QStringLiteral("UPPER(") + column + QStringLiteral(") LIKE ") + ui::sqlText(typed.trimmed().toUpper() + QLatin1Char('%'))
                         : column + QStringLiteral(" = ") + ui::sqlText(typed.trimmed().toUpper());
}

} // namespace

QVector<ui::Match> openDepartments(const QString &ente)
{
    return matches(QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ")
                   + ui::sqlText(ente) + QStringLiteral(" AND Dipa_Chiuso <> 'SI' ORDER BY Dipa_Denominazione"));
}

QVector<ui::Match> openOffices(const QString &ente, const QString &dip)
{
    return matches(QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ") + ui::sqlText(ente)
                   + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(dip)
                   + QStringLiteral(" AND Tab_Chiuso <> 'SI' ORDER BY Tab_Descrizione"));
}

void fillPicker(QComboBox *combo, const QVector<ui::Match> &rows)
{
    combo->clear();
    for (const ui::Match &m : rows)
        combo->addItem(m.code + QStringLiteral(" - ") + m.description, m.code);
}

ui::CodeLookup::Finder departmentFinder(std::function<QString()> ente)
{
    return [ente](const QString &typed, bool byDescription) {
        return matches(QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                                      "Dipa_CodiceEnte = ")
                       + ui::sqlText(ente()) + QStringLiteral(" AND Dipa_Chiuso <> 'SI' AND ")
                       + like(byDescription ? QStringLiteral("Dipa_Denominazione") : QStringLiteral("Dipa_CodDipartimento"),
                              typed, byDescription)
                       + QStringLiteral(" ORDER BY Dipa_Denominazione"));
    };
}

ui::CodeLookup::Finder officeFinder(std::function<QString()> ente, std::function<QString()> dip)
{
    return [ente, dip](const QString &typed, bool byDescription) {
        return matches(QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ")
                       + ui::sqlText(ente()) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(dip())
                       + QStringLiteral(" AND Tab_Chiuso <> 'SI' AND ")
                       + like(byDescription ? QStringLiteral("Tab_Descrizione") : QStringLiteral("Tab_Ufficio"), typed,
                              byDescription)
                       + QStringLiteral(" ORDER BY Tab_Descrizione"));
    };
}

ui::CodeLookup::Finder entityFinder()
{
    return [](const QString &typed, bool byDescription) {
        return matches(QStringLiteral("SELECT Ente_Codice, Ente_Denominazione FROM Tab_Enti WHERE ")
                       + like(byDescription ? QStringLiteral("Ente_Denominazione") : QStringLiteral("Ente_Codice"), typed,
                              byDescription)
                       + QStringLiteral(" ORDER BY Ente_Denominazione"));
    };
}

} // namespace nimbo::organisation
