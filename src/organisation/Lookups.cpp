#include "organisation/Lookups.h"

#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include "data/Dialect.h"
#include "data/DialectPrefix.h"
#include "data/Funzioni_Com_1.h"
#include "ui/RecordEditor.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

struct Source {
    const char *table, *code, *name;
    int width;
    const char *extra; // shown after the name in the pick list
};
const Source kMunicipalities{"Tab_Comuni", "com_codcom", "com_comune", 6,
                             "COALESCE(com_cap, '') || '|' || COALESCE(com_codprov, '')"};
const Source kRegions{"Tab_Regioni", "reg_codreg", "reg_descrizione", 3, nullptr};

QVector<ui::Match> rows(const Source &s, const QString &where)
{
    const QString sql = QStringLiteral("SELECT %1,%2,%3 FROM %4 WHERE ")
                            .arg(QLatin1String(s.code), QLatin1String(s.name),
                                 s.extra ? QLatin1String(s.extra) : QLatin1String("''"), QLatin1String(s.table)) +
                        where + QStringLiteral(" order by ") + QLatin1String(s.name);
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    QVector<ui::Match> out;
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const QString code = F::displayValue(r.value(0, i)).trimmed();
        const QString name = F::displayValue(r.value(1, i)).trimmed();
        QString line = pickLine(code, s.width, name);
        if (s.extra) {
            const QStringList extra = F::displayValue(r.value(2, i)).split(QLatin1Char('|'));
            const QString cap = extra.value(0).trimmed(), province = extra.value(1).trimmed();
            const QString shown = province.isEmpty() ? cap : cap + QStringLiteral(" (") + province + QLatin1Char(')');
            if (!shown.isEmpty())
                line += QLatin1Char(' ') + shown;
        }
        out.append({code, name, line});
    }
    return out;
}

bool postalCode(const QString &t)
{
    static const QRegularExpression fiveDigits(QStringLiteral("^\\d{5}$"));
    return fiveDigits.match(t).hasMatch();
}

QVector<ui::Match> find(const Source &s, const QString &typed, bool byName)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return {};
    QVector<ui::Match> out = rows(s, QLatin1String(s.code) + QStringLiteral("=") + ui::sqlText(t));
    if (out.isEmpty() && byName)
        out = rows(s, Dialect::beginsNoCase(Dialect::centralTarget().engine, QLatin1String(s.name), t));
    // A clerk copies the postal code off the envelope: every municipality
    // that has it, as its first code or as one of its others (a city with a
    // code per district).
    if (out.isEmpty() && s.extra && postalCode(t))
        out = rows(s, QStringLiteral("com_cap=%1 OR com_codcom IN (SELECT Cap_Codcom FROM Tab_ComuniCap WHERE Cap_Cap=%1)")
                          .arg(ui::sqlText(t)));
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

QString postalCodeAndProvince(const QString &code)
{
    if (code.trimmed().isEmpty())
        return {};
    const QVector<ui::Match> m =
        rows(kMunicipalities, QLatin1String(kMunicipalities.code) + QStringLiteral("=") + ui::sqlText(code.trimmed()));
    return m.isEmpty() ? QString() : m.first().listText.mid(6 + 3 + 40 + 1);
}

ui::CodeLookup *municipalityLookup(QLineEdit *code, QLabel *name, ui::PickList *list, QLabel *postal)
{
    auto *l = new ui::CodeLookup(code, name, list, &findMunicipalities);
    l->setMinimumLength(3, kTooShort);
    l->setPicksAmongCodes(true);
    l->setNothingFound(QStringLiteral("Nessun Comune trovato"));
    l->setSearchAsYouType(true);
    if (postal) {
        QObject::connect(l, &ui::CodeLookup::taken, postal,
                         [postal](const QString &taken) { postal->setText(postalCodeAndProvince(taken)); });
        // Edited or cleared, the municipality no longer has one.
        QObject::connect(code, &QLineEdit::textEdited, postal, [postal] { postal->clear(); });
    }
    return l;
}

ui::CodeLookup *regionLookup(QLineEdit *code, QLabel *name, ui::PickList *list)
{
    auto *l = new ui::CodeLookup(code, name, list, &findRegions);
    l->setNothingFound(QStringLiteral("Nessuna Regione trovata"));
    return l;
}

ui::PickList *fixedPitchPickList(QWidget *window)
{
    auto *list = new ui::PickList(window);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return list;
}

} // namespace nimbo::organisation
