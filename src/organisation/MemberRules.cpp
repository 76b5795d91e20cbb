#include "organisation/MemberRules.h"

#include <QDate>

#include "data/Funzioni_Com_1.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kName = QStringLiteral("Tab_Componente");
const QString kMail = QStringLiteral("Tab_PostaElettronica");
const QString kUser = QStringLiteral("Tab_IdUser");
const QString kStart = QStringLiteral("Tab_DataInizio");
const QString kEnd = QStringLiteral("Tab_DataFine");
const QString kFlag = QStringLiteral("Tab_FlagAssegnazione");
const QString kProgressive = QStringLiteral("Tab_Progressivo");

const QString kBadDate = QStringLiteral("inserire una data corretta");
const QString kNotEnabledHere = QStringLiteral(
    "Il nome utente specificato non è tra quelli abilitati a gestire il protocollo per l'ufficio in esame");
const QString kUnknownOrNotEnabled =
    QStringLiteral("Il nome utente specificato non esiste in archivio o non è tra quelli abilitati a gestire il "
                   "protocollo per l'ufficio in esame");

QDate dateOf(const QString &text) { return QDate::fromString(text, QStringLiteral("dd/MM/yyyy")); }

bool found(const QString &sql) { return F::Caricadati(QStringLiteral("PROTOCOLLO"), sql).has_value(); }

bool operatorOfEntity(const QString &code, const QString &ente)
{
    return found(QStringLiteral("SELECT Op_Codice_Operatore from Tab_operatori WHERE Op_Codice_Operatore= ")
                 + ui::sqlText(code) + QStringLiteral(" AND op_Ente=") + ui::sqlText(ente));
}

} // namespace

QString operatorEnabledSql(const QString &code, const QString &ente, const QString &department,
                           const QString &office)
{
    const QString c = ui::sqlText(code);
    return QStringLiteral("SELECT Tab_Operatori.Op_Codice_Operatore FROM Tab_Operatori LEFT OUTER JOIN "
                          "Tab_Operatori_DIP ON Tab_Operatori_DIP.Op_Codice = Tab_Operatori.Op_Codice_Operatore "
                          "WHERE (Tab_Operatori.Op_Codice_Operatore=")
           + c + QStringLiteral(" AND Tab_Operatori.Op_Dipartimento=") + ui::sqlText(department)
           + QStringLiteral(" AND Tab_Operatori.Op_CodiceUfficio=") + ui::sqlText(office)
           + QStringLiteral(" AND Tab_Operatori.Op_Ente=") + ui::sqlText(ente)
           + QStringLiteral(") OR (Tab_Operatori.Op_Codice_Operatore=") + c
           + QStringLiteral(" AND Tab_Operatori_DIP.Op_Ente=") + ui::sqlText(ente)
           + QStringLiteral(" AND Tab_Operatori_DIP.Op_DIP=") + ui::sqlText(department)
           + QStringLiteral(" AND Tab_Operatori_DIP.Op_Uff=") + ui::sqlText(office) + QLatin1Char(')');
}

ui::CheckList memberChecks(MemberVariant variant, const MemberScope &scope, bool isNew)
{
    ui::CheckList checks;
    checks.append({kName, [](ui::Record &r) { return !r.value(kName).isEmpty(); },
                   QStringLiteral("inserire il nome e cognome del componente l'ufficio")});
    checks.append({kMail,
                   [](ui::Record &r) {
                       const QString mail = r.value(kMail);
                       return mail.isEmpty() || mail.contains(QLatin1Char('@'));
                   },
                   QStringLiteral("l'indirizzo di posta elettronica inserito non è formalmente corretto")});
    const bool tree = variant == MemberVariant::Detail;
    if (variant != MemberVariant::Reduced)
        checks.append({kUser,
                       [scope](ui::Record &r) {
                           const QString user = r.value(kUser);
                           return user.isEmpty() || operatorOfEntity(user, scope.ente);
                       },
                       tree ? kUnknownOrNotEnabled
                            : QStringLiteral("Il Codice Utente specificato non è tra quelli abilitati all'utilizzo "
                                             "della procedura")});
    checks.append({kStart, [](ui::Record &r) { return dateOf(r.value(kStart)).isValid(); }, kBadDate});
    checks.append({kEnd,
                   [](ui::Record &r) { return r.value(kEnd).isEmpty() || dateOf(r.value(kEnd)).isValid(); },
                   kBadDate});
    checks.append({kEnd,
                   [](ui::Record &r) {
                       const QDate end = dateOf(r.value(kEnd));
                       // Compared as "yyyy/mm/dd" texts, that is as dates.
                       return !end.isValid() || end >= dateOf(r.value(kStart));
                   },
                   QStringLiteral("la data di chiusura non può essere minore della data di inizio")});
    if (variant != MemberVariant::Reduced) {
        const bool required = !tree || scope.authority == QLatin1String(kOperatorRequiredAuthority);
        if (required)
            checks.append({kUser, [](ui::Record &r) { return !r.value(kUser).isEmpty(); },
                           tree ? QStringLiteral("Inserire il Codice Utente da utilizzare durante l'uso della procedura")
                                : QStringLiteral("Inserire il codice identificativo dell'utente durante l'uso della "
                                                 "procedura")});
        checks.append({kUser,
                       [scope](ui::Record &r) {
                           const QString user = r.value(kUser);
                           return user.isEmpty()
                                  || found(operatorEnabledSql(user, scope.ente, scope.department, scope.office));
                       },
                       tree ? kUnknownOrNotEnabled : kNotEnabledHere});
        checks.append({kFlag,
                       [](ui::Record &r) {
                           const QString flag = r.value(kFlag);
                           return flag == QLatin1String("SI") || flag == QLatin1String("NO");
                       },
                       QStringLiteral("Indicare se il componente può essere titolare di un'assegnazione o meno")});
    }
    if (isNew)
        checks.append({kProgressive,
                       [scope](ui::Record &r) {
                           const std::optional<qlonglong> next = nextProgressive(scope.ente, scope.office);
                           if (!next)
                               return false;
                           r.insert(kProgressive, QString::number(*next));
                           return true;
                       },
                       QStringLiteral("ATTENZIONE ! Errore in assegnazione nuovo progressivo !")});
    return checks;
}

std::optional<qlonglong> nextProgressive(const QString &ente, const QString &office)
{
    const F::LoadedRows rows = F::loadRows(
        QStringLiteral("PROTOCOLLO"),
        // A progressive once given is never given again, even after its
        // member was deleted: the office keeps the highest.
        QStringLiteral("SELECT MAX(n) FROM (SELECT max(tab_progressivo) AS n FROM Tab_UfficiComponenti WHERE Tab_Ente=")
            + ui::sqlText(ente) + QStringLiteral(" and Tab_ufficio=") + ui::sqlText(office)
            + QStringLiteral(" UNION ALL SELECT Tab_UltimoComponente FROM Tab_Uffici WHERE Tab_Ente=") + ui::sqlText(ente)
            + QStringLiteral(" and Tab_Ufficio=") + ui::sqlText(office) + QStringLiteral(") UltimoProgr"));
    // An aggregate always gives a row; no row at all means the read failed.
    if (!rows.ok || rows.rowCount() < 1)
        return std::nullopt;
    const QVariant last = rows.value(0, 0);
    if (last.isNull() || last.toString().trimmed().isEmpty())
        return 1;
    bool ok = false;
    const qlonglong n = last.toString().trimmed().toLongLong(&ok);
    if (!ok) {
        const double d = last.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        return qlonglong(d) + 1;
    }
    return n + 1;
}

QVector<ui::UsageCheck> memberUsage(const QString &ente, const QString &office, const QString &progressive)
{
    bool numeric = false;
    const qlonglong n = progressive.trimmed().toLongLong(&numeric);
    // A progressive that is not a number finds nothing; the deletion then
    // fails on its own condition.
    const QString member = numeric ? QString::number(n) : QStringLiteral("-1");
    const QString used =
        QStringLiteral("Non è possibile cancellare il componente corrente. Esso è già stato utilizzato in altre "
                       "operazioni di registrazione.");
    const QString iter = QStringLiteral(" WHERE Tab_componente= ") + member + QStringLiteral(" AND tab_ente=")
                         + ui::sqlText(ente) + QStringLiteral(" AND Tab_UfficioDestinatario=") + ui::sqlText(office)
                         + QStringLiteral(" LIMIT 1");
    return {{QStringLiteral("SELECT Tab_ComponenteUfficio FROM Tab_Protocollo WHERE Tab_Ente=") + ui::sqlText(ente)
                 + QStringLiteral(" AND Tab_UfficioRegistrazione=") + ui::sqlText(office)
                 + QStringLiteral(" AND Tab_ComponenteUfficio= ") + member + QStringLiteral(" LIMIT 1"),
             used},
            {QStringLiteral("SELECT Tab_componente from Tab_iter_destinatari") + iter, used},
            {QStringLiteral("SELECT Tab_componente from Tab_iter_trasmissioni") + iter, used},
            {QStringLiteral("SELECT Tab_raggruppamento FROM Tab_UfficiGruppi WHERE Tab_Ente=") + ui::sqlText(ente)
                 + QStringLiteral(" AND Tab_Ufficio=") + ui::sqlText(office) + QStringLiteral(" AND Tab_Componente= ")
                 + member + QStringLiteral(" LIMIT 1"),
             QStringLiteral("Non è possibile cancellare il componente corrente: fa parte di un raggruppamento di "
                            "uffici (Gestione Gruppi Mittenti/Destinatari). Toglierlo prima dal raggruppamento.")}};
}

} // namespace nimbo::organisation
