#include "addressbook/EntryChecks.h"

#include "addressbook/AddressBookRules.h"
#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"

#include <QComboBox>

namespace F = Funzioni_Com_1;

namespace nimbo::addressbook {

namespace {
const QString kInternal = QStringLiteral("Tab_CodInterno_DiPrev");
const QString kSub = QStringLiteral("Tab_SCodInterno_DiPrev");
} // namespace

ui::Check required(const QString &column, const QString &message)
{
    return {column, [column](ui::Record &r) { return !r.value(column).trimmed().isEmpty(); }, message};
}

ui::Check municipalityExists(const QString &column, ui::CodeLookup *lookup)
{
    return {column,
            [column, lookup](ui::Record &r) {
                const QString code = r.value(column).trimmed();
                const auto row = F::Caricadati(QStringLiteral("PROTOCOLLO"),
                                               QStringLiteral("SELECT com_codcom,com_comune FROM Tab_Comuni WHERE "
                                                              "com_codcom=")
                                                   + ui::sqlText(code));
                if (!row)
                    return false;
                lookup->set(F::displayValue(row->value(0)).trimmed(), F::displayValue(row->value(1)).trimmed());
                return true;
            },
            kMsgMunicipalityCode};
}

ui::CheckList preventionChecks()
{
    const auto applies = [](const ui::Record &r) {
        return DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("AS8")
               && (!r.value(kInternal).isEmpty() || !r.value(kSub).isEmpty());
    };
    return {{kInternal,
             [applies](ui::Record &r) {
                 if (DicAmbiente::session().parm.enteCodiceAsl != QLatin1String("AS8")) {
                     r.insert(kInternal, QString());
                     r.insert(kSub, QString());
                     return true;
                 }
                 return !applies(r) || !r.value(kInternal).isEmpty();
             },
             kMsgInternalCode},
            {kSub,
             [applies](ui::Record &r) {
                 bool numeric = false;
                 r.value(kSub).toLongLong(&numeric);
                 return !applies(r) || numeric;
             },
             kMsgSubCode}};
}

ui::Check duplicateQuestion(const QString &title, std::function<QString(const ui::Record &)> sql, QString *askedAbout)
{
    const QString column = QStringLiteral("Tab_Denominazione");
    return {column,
            [=](ui::Record &r) {
                const QString name = r.value(column);
                const QString query = sql(r);
                if (query.isEmpty() || name == *askedAbout)
                    return true;
                const F::LoadedRows found = F::loadRows(QStringLiteral("PROTOCOLLO"), query);
                if (!found.ok)
                    return found.noRows();
                *askedAbout = name;
                return showBox(title, kMsgDuplicate, Icon::Question, Buttons::YesNo) == Answer::Yes;
            },
            QString()};
}

ui::Check identifierGiven(const QString &title, const QString &ente, qlonglong *got)
{
    return {QStringLiteral("Tab_Denominazione"),
            [=](ui::Record &r) {
                *got = requestIdentifier(ente, title);
                if (*got <= 0)
                    return false;
                r.insert(QStringLiteral("Tab_Identificativo"), QString::number(*got));
                return true;
            },
            kMsgNoIdentifier};
}

QVector<ui::Match> findKinds(const QString &typed, bool byDescription)
{
    const QString t = typed.trimmed();
    const QString sql = QStringLiteral("SELECT tab_codice, tab_descrizione FROM Tab_TipoUtenza WHERE ")
                        + (byDescription ? QStringLiteral("tab_descrizione LIKE ") + ui::sqlText(t + QLatin1Char('%'))
                                         : QStringLiteral("tab_codice = ") + ui::sqlText(t))
                        + QStringLiteral(" ORDER BY tab_descrizione");
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    QVector<ui::Match> out;
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        out.append({F::displayValue(r.value(0, i)).trimmed(), F::displayValue(r.value(1, i)).trimmed(), QString()});
    return out;
}

void fillKinds(QComboBox *combo, const QString &firstCode, const QString &firstText)
{
    combo->addItem(firstText, firstCode);
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), kindsSql());
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const QString code = F::displayValue(r.value(0, i)).trimmed();
        combo->addItem(code + QStringLiteral(" - ") + F::displayValue(r.value(1, i)).trimmed(), code);
    }
}

} // namespace nimbo::addressbook
