#include "organisation/Pickers.h"

#include <QComboBox>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

QString like(const QString &column, const QString &pattern)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column, ui::sqlText(pattern));
}

// A missing flag is an open record: only "SI" closes one.
const QString kOpenDepartment = QStringLiteral(" AND COALESCE(Dipa_Chiuso, 'NO') <> 'SI'");
const QString kOpenOffice = QStringLiteral(" AND COALESCE(Tab_Chiuso, 'NO') <> 'SI'");

QString departmentsOf(const QString &ente, bool openOnly)
{
    return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE "
                          "Dipa_CodiceEnte = ")
           + ui::sqlText(ente) + (openOnly ? kOpenDepartment : QString());
}

QString officesOf(const QString &ente, const QString &dip, bool openOnly)
{
    return QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ") + ui::sqlText(ente)
           + QStringLiteral(" AND UPPER(Tab_Dipartimento) = ") + ui::sqlText(dip.trimmed().toUpper())
           + (openOnly ? kOpenOffice : QString());
}

QVector<ui::Match> read(const QString &sql)
{
    QVector<ui::Match> out;
    if (sql.isEmpty())
        return out;
    const F::LoadedRows r = F::loadRows(kDb, sql);
    if (!r.ok)
        return out;
    out.reserve(r.rowCount());
    for (int i = 0; i < r.rowCount(); ++i)
        out.append({r.value(0, i).toString().trimmed(), r.value(1, i).toString().trimmed(), QString()});
    return out;
}

} // namespace

QVector<ui::Match> openDepartments(const QString &ente)
{
    return read(departmentsOf(ente, true) + QStringLiteral(" ORDER BY Dipa_Denominazione"));
}

QVector<ui::Match> openOffices(const QString &ente, const QString &dip)
{
    return read(officesOf(ente, dip, true) + QStringLiteral(" ORDER BY Tab_Descrizione"));
}

void fillPicker(QComboBox *combo, const QVector<ui::Match> &items)
{
    const QSignalBlocker quiet(combo);
    combo->clear();
    for (const ui::Match &m : items)
        combo->addItem(m.code + QStringLiteral(" - ") + m.description, m.code);
    combo->setCurrentIndex(-1);
}

QString pickedCode(const QComboBox *combo)
{
    return combo->currentIndex() < 0 ? QString() : combo->currentData().toString();
}

QString pickedName(const QComboBox *combo)
{
    if (combo->currentIndex() < 0)
        return {};
    const QString text = combo->currentText();
    const int at = text.indexOf(QStringLiteral(" - "));
    return at < 0 ? text : text.mid(at + 3);
}

QString departmentQuery(const QString &ente, const QString &typed, bool byDescription, bool openOnly)
{
    const QString t = typed.trimmed();
    const QString sql = departmentsOf(ente, openOnly);
    if (byDescription)
        return sql + QStringLiteral(" AND ") + like(QStringLiteral("Dipa_Denominazione"), t + QLatin1Char('%'))
               + QStringLiteral(" ORDER BY Dipa_Denominazione");
    return sql + QStringLiteral(" AND UPPER(Dipa_CodDipartimento) = ") + ui::sqlText(t.toUpper())
           + QStringLiteral(" ORDER BY Dipa_CodDipartimento");
}

QString officeQuery(const QString &ente, const QString &dip, const QString &typed, bool byDescription, bool openOnly)
{
    const QString t = typed.trimmed();
    const QString sql = officesOf(ente, dip, openOnly);
    if (byDescription)
        return sql + QStringLiteral(" AND ") + like(QStringLiteral("Tab_Descrizione"), t + QLatin1Char('%'))
               + QStringLiteral(" ORDER BY Tab_Descrizione");
    return sql + QStringLiteral(" AND UPPER(Tab_Ufficio) = ") + ui::sqlText(t.toUpper());
}

ui::CodeLookup::Finder departmentFinder(std::function<QString()> ente, std::function<bool()> openOnly)
{
    return [ente = std::move(ente), openOnly = std::move(openOnly)](const QString &typed, bool byDescription) {
        return read(departmentQuery(ente(), typed, byDescription, !openOnly || openOnly()));
    };
}

ui::CodeLookup::Finder officeFinder(std::function<QString()> ente, std::function<QString()> dip,
                                    std::function<bool()> openOnly)
{
    return [ente = std::move(ente), dip = std::move(dip), openOnly = std::move(openOnly)](const QString &typed,
                                                                                          bool byDescription) {
        return read(officeQuery(ente(), dip(), typed, byDescription, !openOnly || openOnly()));
    };
}

ui::CodeLookup::Finder entityFinder()
{
    return [](const QString &typed, bool byDescription) {
        const QString t = typed.trimmed();
        const QString sql = QStringLiteral("SELECT Ente_Codice, Ente_Denominazione FROM Tab_Enti WHERE ");
        if (byDescription)
            return read(sql + like(QStringLiteral("Ente_Denominazione"), t + QLatin1Char('%'))
                        + QStringLiteral(" ORDER BY Ente_Denominazione"));
        return read(sql + QStringLiteral("UPPER(Ente_Codice) = ") + ui::sqlText(t.toUpper()));
    };
}

} // namespace nimbo::organisation
