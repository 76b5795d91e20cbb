#include "organisation/OrganisationRules.h"

#include "data/Usage.h"

#include <QDate>

#include "data/Cipher.h"
#include "data/Dialect.h"
#include "data/Utilities.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;
using nimbo::ui::Check;
using nimbo::ui::CheckList;
using nimbo::ui::Record;
using nimbo::ui::sqlText;
using nimbo::ui::UsageCheck;

namespace nimbo::organisation {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

bool exists(const QString &sql) { return F::Caricadati(kDb, sql).has_value(); }

QString firstValue(const QString &sql)
{
    const auto row = F::Caricadati(kDb, sql);
    return row ? F::displayValue(row->value(0)).trimmed() : QString();
}

bool filled(const Record &r, const QString &column) { return !r.value(column).trimmed().isEmpty(); }

QDate dateOf(const QString &text) { return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy")); }

bool validDate(const QString &text) { return dateOf(text).isValid(); }

// The comparison the closing rules are made on: "yyyy/mm/dd" text.
QString sortable(const QString &text) { return dateOf(text).toString(QStringLiteral("yyyy/MM/dd")); }

Check need(const QString &column, const QString &message)
{
    return {column, [column](Record &r) { return filled(r, column); }, message};
}

bool isNumber(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (!c.isDigit())
            return false;
    return true;
}


} // namespace

bool officesAreUnits() { return DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104"); }

QString municipalityName(const QString &code)
{
    if (code.trimmed().isEmpty())
        return {};
    return firstValue(QStringLiteral("SELECT com_comune FROM Tab_Comuni WHERE com_codcom=") + sqlText(code.trimmed()));
}

QString regionName(const QString &code)
{
    if (code.trimmed().isEmpty())
        return {};
    return firstValue(QStringLiteral("SELECT reg_descrizione FROM Tab_Regioni WHERE reg_codreg=") +
                      sqlText(code.trimmed()));
}

// ---- entities ----

bool entityCodeInArchive(const QString &code)
{
    return exists(QStringLiteral("SELECT ente_codice FROM Tab_Enti WHERE ente_codice=") + sqlText(code.trimmed()));
}

CheckList entityChecks(bool isNew, bool listVariant, const CodeTaken &taken)
{
    const QString code = QStringLiteral("Ente_Codice");
    CheckList out;
    const Check duplicate{code,
                          [taken](Record &r) {
                              const QString c = r.value(QStringLiteral("Ente_Codice")).trimmed();
                              return c.isEmpty() || !taken || !taken(c);
                          },
                          listVariant ? QStringLiteral("il Codice Ente digitato è già presente in archivio")
                                      : QStringLiteral("Il codice specificato esiste già in archivio. Modificarlo e "
                                                       "rieffettuare la registrazione.")};
    if (isNew && listVariant)
        out << duplicate;
    out << need(code, QStringLiteral("inserire il codice Ente"));
    if (isNew && !listVariant)
        out << duplicate;
    out << need(QStringLiteral("Ente_Denominazione"), QStringLiteral("inserire la denominazione dell'Ente"))
        << need(QStringLiteral("Ente_Indirizzo"), QStringLiteral("inserire l'indirizzo dell'Ente"))
        << need(QStringLiteral("Ente_Comune"), QStringLiteral("inserire il comune di residenza dell'Ente"))
        << Check{QStringLiteral("Ente_Comune"),
                 [](Record &r) { return !municipalityName(r.value(QStringLiteral("Ente_Comune"))).isEmpty(); },
                 QStringLiteral("Il codice Comune specificato non esiste in archivio")}
        << Check{QStringLiteral("Ente_Codice_Regione"),
                 [](Record &r) {
                     const QString reg = r.value(QStringLiteral("Ente_Codice_Regione")).trimmed();
                     return reg.isEmpty() || !regionName(reg).isEmpty();
                 },
                 QStringLiteral("Il codice Regione specificato non esiste in archivio")}
        << Check{QStringLiteral("Ente_Partita_Iva"),
                 [](Record &r) { return Utilities::checkVatNumber(r.value(QStringLiteral("Ente_Partita_Iva"))).ok(); },
                 QStringLiteral("la partita IVA inserita non è formalmente corretta")}
        << need(QStringLiteral("Ente_PostaElettronica"),
                QStringLiteral("inserire l'indirizzo di posta elettronica dell'ente"))
        << Check{QStringLiteral("Ente_PostaElettronica"),
                 [](Record &r) { return r.value(QStringLiteral("Ente_PostaElettronica")).contains(QLatin1Char('@')); },
                 QStringLiteral("l'indirizzo di posta elettronica inserito non è formalmente corretto")}
        << Check{QStringLiteral("Ente_Posta_PortaServer"),
                 [](Record &r) {
                     QString &port = r[QStringLiteral("Ente_Posta_PortaServer")];
                     port = port.trimmed();
                     if (port.isEmpty())
                         port = QStringLiteral("25");
                     return isNumber(port);
                 },
                 QStringLiteral("inserire lun valore numerico")}
        << Check{QStringLiteral("Ente_Posta_PortaIMAP"),
                 [](Record &r) {
                     const QString port = r.value(QStringLiteral("Ente_Posta_PortaIMAP")).trimmed();
                     return port.isEmpty() || isNumber(port);
                 },
                 QStringLiteral("inserire lun valore numerico")};
    for (const char *flag : {"Ente_ProtocolliDipartimento", "Ente_ScanPost"}) {
        const QString column = QString::fromLatin1(flag);
        out << Check{column,
                     [column](Record &r) {
                         const QString v = r.value(column);
                         return v == QLatin1String("S") || v == QLatin1String("N");
                     },
                     QStringLiteral("selezionare un valore dall'elenco")};
    }
    out << need(QStringLiteral("Ente_Posta_POP"),
                QStringLiteral("inserire il nome del server POP di posta elettronica utilizzato dall'ente"))
        << need(QStringLiteral("Ente_Posta_SMTP"),
                QStringLiteral("inserire il nome del server SMTP di posta elettronica utilizzato dall'ente"))
        // A typed password is stored only enciphered: without the key it is
        // not stored at all.
        << Check{QStringLiteral("Ente_PWD_Posta"),
                 [](Record &r) {
                     const QString typed = r.value(QStringLiteral("Ente_PWD_Posta"));
                     if (typed.isEmpty())
                         return true;
                     const Cipher::Result c = Cipher::encipher(typed);
                     if (!c.ok)
                         return false;
                     r.insert(kEnciphered, c.text);
                     return true;
                 },
                 QStringLiteral("Impossibile cifrare la password della casella di posta: manca la chiave di "
                                "cifratura (KEYFILE) della postazione.")};
    return out;
}

const QStringList &entityColumns()
{
    static const QStringList c{
        QStringLiteral("Ente_Codice"),           QStringLiteral("Ente_Denominazione"),
        QStringLiteral("Ente_Indirizzo"),        QStringLiteral("Ente_Comune"),
        QStringLiteral("Ente_Codice_Regione"),   QStringLiteral("Ente_Codice_Fiscale"),
        QStringLiteral("Ente_Partita_Iva"),      QStringLiteral("Ente_Telefono"),
        QStringLiteral("Ente_FAX"),              QStringLiteral("Ente_PostaElettronica"),
        QStringLiteral("Ente_PWD_Posta"),        QStringLiteral("Ente_ProtocolliDipartimento"),
        QStringLiteral("Ente_ScanPost"),         QStringLiteral("Ente_Posta_POP"),
        QStringLiteral("Ente_Posta_SMTP"),       QStringLiteral("Ente_Posta_PortaServer"),
        QStringLiteral("Ente_Posta_PortaIMAP"),  QStringLiteral("Ente_Posta_Sicurezza"),
        QStringLiteral("Ente_Posta_SicurezzaIMAP"),
        QStringLiteral("Ente_Posta_Utente"),     QStringLiteral("Ente_Posta_Cartella"),
        QStringLiteral("Ente_CodOper"),          QStringLiteral("Ente_DatOper"),
        QStringLiteral("Ente_ProgressivoRubrica")};
    return c;
}

// ---- departments ----

bool departmentCodeTaken(const QString &ente, const QString &code)
{
    return exists(QStringLiteral("SELECT Dipa_CodDipartimento from Tab_Dipartimenti WHERE Dipa_CodDipartimento= ") +
                  sqlText(code.trimmed()) + QStringLiteral(" AND Dipa_CodiceEnte=") + sqlText(ente));
}

CheckList departmentChecks(bool isNew)
{
    const QString code = QStringLiteral("Dipa_CodDipartimento");
    CheckList out;
    out << need(code, QStringLiteral("Inserire il codice Dipartimento"));
    if (isNew)
        out << Check{code,
                     [](Record &r) {
                         return !departmentCodeTaken(r.value(QStringLiteral("Dipa_CodiceEnte")),
                                                     r.value(QStringLiteral("Dipa_CodDipartimento")));
                     },
                     QStringLiteral("Il Codice Dipartimento è già presente nella tabella Dipartimenti")};
    out << need(QStringLiteral("Dipa_Denominazione"), QStringLiteral("Inserire la denominazione del Dipartimento"))
        << need(QStringLiteral("Dipa_Domicilio"), QStringLiteral("Inserire il domicilio del Dipartimento"))
        << need(QStringLiteral("Dipa_Comune"), QStringLiteral("Inserire il comune"))
        << Check{QStringLiteral("Dipa_Comune"),
                 [](Record &r) { return !municipalityName(r.value(QStringLiteral("Dipa_Comune"))).isEmpty(); },
                 QStringLiteral("il codice inserito non esiste in archivio")}
        << Check{QStringLiteral("Dipa_PostaElettronica"),
                 [](Record &r) {
                     const QString mail = r.value(QStringLiteral("Dipa_PostaElettronica"));
                     return mail.isEmpty() || mail.contains(QLatin1Char('@'));
                 },
                 QStringLiteral("L'indirizzo di posta elettronica indicato non è corretto")}
        << Check{QStringLiteral("Dipa_DataInizio"),
                 [](Record &r) { return validDate(r.value(QStringLiteral("Dipa_DataInizio"))); },
                 QStringLiteral("Inserire una data corretta")}
        << Check{QStringLiteral("Dipa_Chiuso"),
                 [](Record &r) {
                     const QString v = r.value(QStringLiteral("Dipa_Chiuso"));
                     return v == QLatin1String("SI") || v == QLatin1String("NO");
                 },
                 QStringLiteral("digitare 'SI' o 'NO'")}
        << Check{QStringLiteral("Dipa_DataFine"),
                 [](Record &r) {
                     return r.value(QStringLiteral("Dipa_Chiuso")) != QLatin1String("SI") ||
                            validDate(r.value(QStringLiteral("Dipa_DataFine")));
                 },
                 QStringLiteral("Inserire una data corretta")};
    return out;
}

const QStringList &departmentColumns()
{
    static const QStringList c{
        QStringLiteral("Dipa_CodDipartimento"), QStringLiteral("Dipa_CodiceEnte"),  QStringLiteral("Dipa_Denominazione"),
        QStringLiteral("Dipa_Domicilio"),       QStringLiteral("Dipa_Comune"),      QStringLiteral("Dipa_Telefono"),
        QStringLiteral("Dipa_FAX"),             QStringLiteral("Dipa_PostaElettronica"),
        QStringLiteral("Dipa_DataInizio"),      QStringLiteral("Dipa_DataFine"),    QStringLiteral("Dipa_Chiuso"),
        QStringLiteral("Dipa_CodOper"),         QStringLiteral("Dipa_DatOper")};
    return c;
}

// ---- offices ----

bool officeCodeTaken(const QString &ente, const QString &code)
{
    return exists(QStringLiteral("SELECT Tab_Ufficio from Tab_uffici WHERE Tab_Ufficio= ") + sqlText(code.trimmed()) +
                  QStringLiteral(" AND Tab_Ente=") + sqlText(ente));
}

CheckList officeChecks(bool isNew)
{
    const QString code = QStringLiteral("Tab_Ufficio");
    CheckList out;
    if (isNew)
        out << Check{code,
                     [](Record &r) {
                         const QString c = r.value(QStringLiteral("Tab_Ufficio")).trimmed();
                         return c.isEmpty() || !officeCodeTaken(r.value(QStringLiteral("Tab_Ente")), c);
                     },
                     QStringLiteral("Il Codice Ufficio è già presente nella tabella Uffici")};
    const auto closed = [](const Record &r) { return r.value(QStringLiteral("Tab_Chiuso")) == QLatin1String("SI"); };
    out << need(code, QStringLiteral("digitare il Codice Ufficio"))
        << need(QStringLiteral("Tab_Descrizione"), QStringLiteral("digitare la denominazione dell'Ufficio"))
        << need(QStringLiteral("Tab_Domicilio"), QStringLiteral("digitare l'indirizzo dell'Ufficio"))
        << need(QStringLiteral("Tab_Comune"), QStringLiteral("digitare il codice del comune di residenza dell'Ufficio"))
        << Check{QStringLiteral("Tab_Comune"),
                 [](Record &r) { return !municipalityName(r.value(QStringLiteral("Tab_Comune"))).isEmpty(); },
                 QStringLiteral("il codice digitato non esiste in archivio")}
        << Check{QStringLiteral("Tab_Email"),
                 [](Record &r) {
                     const QString mail = r.value(QStringLiteral("Tab_Email"));
                     return mail.isEmpty() || mail.contains(QLatin1Char('@'));
                 },
                 QStringLiteral("specificare un indirizzo di posta elettronica corretto")}
        << Check{QStringLiteral("Tab_DataInizio"),
                 [](Record &r) { return validDate(r.value(QStringLiteral("Tab_DataInizio"))); },
                 QStringLiteral("digitare una data corretta")}
        << Check{QStringLiteral("Tab_DataFine"),
                 [](Record &r) {
                     const QString end = r.value(QStringLiteral("Tab_DataFine"));
                     return end.isEmpty() || validDate(end);
                 },
                 QStringLiteral("digitare una data corretta")}
        << Check{QStringLiteral("Tab_DataFine"),
                 [closed](Record &r) { return !closed(r) || filled(r, QStringLiteral("Tab_DataFine")); },
                 QStringLiteral("specificare la data di chiusura dell'ufficio")}
        << Check{QStringLiteral("Tab_DataFine"),
                 [closed](Record &r) { return closed(r) || !filled(r, QStringLiteral("Tab_DataFine")); },
                 QStringLiteral("la data di chiusura dell'ufficio non può essere inserita se l'ufficio non è chiuso")}
        << Check{QStringLiteral("Tab_DataFine"),
                 [](Record &r) {
                     const QString from = r.value(QStringLiteral("Tab_DataInizio"));
                     const QString to = r.value(QStringLiteral("Tab_DataFine"));
                     return from.isEmpty() || to.isEmpty() || !(sortable(from) > sortable(to));
                 },
                 QStringLiteral("la data di chiusura non può essere minore della data di attivazione")};
    return out;
}

const QStringList &officeColumns()
{
    static const QStringList c{
        QStringLiteral("Tab_Ente"),        QStringLiteral("Tab_Dipartimento"), QStringLiteral("Tab_Ufficio"),
        QStringLiteral("Tab_Descrizione"), QStringLiteral("Tab_Domicilio"),    QStringLiteral("Tab_Numero_Civico"),
        QStringLiteral("Tab_Comune"),      QStringLiteral("Tab_Telefono"),     QStringLiteral("Tab_Fax"),
        QStringLiteral("Tab_Responsabile"), QStringLiteral("Tab_Email"),       QStringLiteral("Tab_DataInizio"),
        QStringLiteral("Tab_DataFine"),    QStringLiteral("Tab_Chiuso"),       QStringLiteral("tab_CodOper"),
        QStringLiteral("tab_DatOper")};
    return c;
}

void orderColumns(F::FieldList &fields, const QStringList &order)
{
    F::FieldList sorted;
    for (const QString &name : order)
        for (const F::Field &f : std::as_const(fields))
            if (f.name.compare(name, Qt::CaseInsensitive) == 0) {
                sorted.append(f);
                break;
            }
    for (const F::Field &f : std::as_const(fields))
        if (!order.contains(f.name, Qt::CaseInsensitive))
            sorted.append(f);
    fields = sorted;
}

// ---- deletion ----

namespace {

QVector<UsageCheck> withMessage(const QStringList &queries, const QString &message)
{
    QVector<UsageCheck> out;
    for (const QString &sql : queries)
        out.append({sql, message});
    return out;
}

} // namespace

QVector<UsageCheck> departmentUsageChecks(const QString &ente, const QString &department)
{
    return withMessage(Usage::departmentUsage(ente, department), kDepartmentUsed);
}

QVector<UsageCheck> officeUsageChecks(const QString &ente, const QString &office)
{
    return withMessage(Usage::officeUsage(ente, office), kOfficeUsed);
}

} // namespace nimbo::organisation
