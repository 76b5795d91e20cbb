#include "organisation/Lookups.h"

#include <QFontDatabase>
#include <QLineEdit>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

struct Source {
    const char *table, *code, *name;
    int width;
};
const Source kMunicipalities{"Tab_Comuni", "com_codcom", "com_comune", 6};
const Source kRegions{"Tab_Regioni", "reg_codreg", "reg_descrizione", 3};

QVector<ui::Match> rows(const Source &s, const QString &where)
{
    const QString sql = QStringLiteral("SELECT %1,%2 FROM %3 WHERE ")
                            .arg(QLatin1String(s.code), QLatin1String(s.name), QLatin1String(s.table)) +
                        where + QStringLiteral(" order by ") + QLatin1String(s.name);
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    QVector<ui::Match> out;
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const QString code = F::displayValue(r.value(0, i)).trimmed();
        const QString name = F::displayValue(r.value(1, i)).trimmed();
        out.append({code, name, pickLine(code, s.width, name)});
    }
    return out;
}

QVector<ui::Match> find(const Source &s, const QString &typed, bool byName)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return {};
    QVector<ui::Match> out = rows(s, QLatin1String(s.code) + QStringLiteral("=") + ui::sqlText(t));
    if (out.isEmpty() && byName)
        out = rows(s, Dialect::likeNoCase(Dialect::centralTarget().engine, QLatin1String(s.name),
                                          ui::sqlText(t + QLatin1Char('%'))));
    return out;
}

} // namespace

QString pickLine(const QString &code, int codeWidth, const QString &name)
{
    return code.leftJustified(codeWidth, QLatin1Char(' '), true) + QStringLiteral(" - ") +
           name.leftJustified(40, QLatin1Char(' '), true);
}

QVector<ui::Match> findMunicipalities(const QString &typed, bool byName) { return find(kMunicipalities, typed, byName); }

QVector<ui::Match> findRegions(const QString &typed, bool byName) { return find(kRegions, typed, byName); }

ui::CodeLookup *municipalityLookup(QLineEdit *code, QLabel *name, ui::PickList *list)
{
    auto *l = new ui::CodeLookup(code, name, list, &findMunicipalities);
    l->setMinimumLength(3, kTooShort);
    return l;
}

ui::CodeLookup *regionLookup(QLineEdit *code, QLabel *name, ui::PickList *list)
{
    return new ui::CodeLookup(code, name, list, &findRegions);
}

ui::PickList *fixedPitchPickList(QWidget *window)
{
    auto *list = new ui::PickList(window);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return list;
}

} // namespace nimbo::organisation
