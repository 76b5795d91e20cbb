#include "schema/FunctionTable.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include "schema/Transaction.h"

namespace FunctionTable {
namespace {

struct Item {
    int level;
    const char *name;
    const char *caption;
    const char *code;
    const char *tag;
};

// The codes are those the function table has always given (the top menu's
// two letters and the item's place); the sub-menus of SERVIZI came later
// and took the numbers after the last item.
const Item kTree[] = {
    {0, "mnurubrica", "RUBRICA", "RU00", ""},
    {1, "mnugestioneMD", "Mittenti/Destinatari", "RU01", ""},
    {1, "MnuGruppi", "Gestione Gruppi", "RU02", ""},
    {0, "mnuprotocollo", "PROTOCOLLO", "PR00", ""},
    {1, "mnuProtDoc", "Protocollo Documenti", "PR01", ""},
    {1, "mnuProtDocEmerg", "Protocollo Emergenza", "PR02", ""},
    {1, "mnuProtEml", "Protocollo E-Mail", "PR03", ""},
    {1, "mnuiter", "Iter Documento", "PR04", ""},
    {1, "mnucollegprovv", "Collegamento a Provvedimenti", "PR05", ""},
    {1, "MnuRecupera", "Recupero Protocolli di Emergenza", "PR06", ""},
    {2, "mnuassdefprot", "Recupero da Registro Telematico", "PR07", ""},
    {2, "MnuCartaceo", "Recupero da Registro Cartaceo", "PR08", ""},
    {1, "mnucancprot", "Cancellazione Protocollo", "PR09", ""},
    {1, "NmuModifica", "Modifica Tipo Protocollo (E/U)", "PR10", ""},
    {1, "MnuRecuperaProto", "Recupera Protocolli", "PR11", ""},
    {1, "mnuricercaprot", "Ricerca Protocolli", "PR12", ""},
    {1, "mnuSTAB", "Ricerca Protocolli su Storico Autorità Bacino", "PR13", ""},
    {1, "mnustAL", "Ricerca Protocolli su Archivio Storico", "PR14", ""},
    {1, "mnuRG", "Crea Elenco funzioni", "PR15", ""},
    {0, "MnuRiepiloghi", "RIEPILOGHI", "RI00", ""},
    {1, "MnuConsulta", "Ricerca Protocolli Classificati", "RI01", ""},
    {1, "MnuRiepiloghiIter", "Iter Documenti", "RI02", ""},
    {1, "mnuricprotope", "Visualizza pratiche non ancora evase", "RI03", ""},
    {1, "MnuStorico", "Consulta Archivio Storico", "RI04", ""},
    {1, "mnuriepemerg", "Attivita' in emergenza", "RI05", ""},
    {0, "mnustampe", "STAMPE", "ST00", ""},
    {1, "mnuregprotgen", "Stampe Periodiche", "ST01", ""},
    {1, "mnuregprotgiorn", "Scarico Protocolli su CD", "ST02", ""},
    {1, "mnuRegGiornaliero", "Registro Giornaliero di Protocollo", "", ""},
    {1, "mnuScadenzario", "Stampa Scadenzario", "ST03", ""},
    {1, "mnuscadenze", "Scadenzario Attivita'", "ST04", ""},
    {0, "fff", "TABELLE", "TA00", ""},
    {1, "MnuOggetti", "Oggetti Ricorrenti", "TA01", ""},
    {1, "mnuComuni", "Comuni d'Italia", "TA02", ""},
    {1, "mnucodici", "Codici Applicazione", "TA03", ""},
    {1, "mnucatcla", "Titoli/Categorie/Classi/Fascicoli", "TA04", ""},
    {0, "MnuServizi", "SERVIZI", "SE00", ""},
    {1, "MnuServSYS", "Sistema", "SE15", ""},
    {2, "MnuScanner", "Elenco Scanner Attivi", "SE01", ""},
    {2, "MnuCambia", "Cambio Dipartimento", "SE02", ""},
    {2, "MnuCemail", "Cambio Indirizzo E-mail", "SE03", ""},
    {2, "MnuServOper", "Operatori", "SE04", ""},
    {2, "MnuStoOpe", "Consulta Storico Operatori", "SE05", ""},
    {2, "MnuLogAccessi", "Consulta LOG Accessi", "SE06", ""},
    {2, "MnuPostazioni", "Gestione Postazioni di Protocollo", "SE07", ""},
    {1, "MnuStrutture", "Gestione Struttura dell'Ente", "SE16", ""},
    {2, "mnudatiente", "Anagrafe Aree/Dipartimenti/Uffici", "SE08", ""},
    {2, "mnuEnti", "Anagrafe Enti", "", ""},
    {2, "MnuRUffici", "Raggruppamento Uffici", "SE09", ""},
    {2, "MnuAggStrutture", "Aggiornamento Automatico Dipartimenti/Uffici", "SE10", ""},
    {2, "MnuStoDipe", "Consulta Storico Dipartimenti", "SE11", ""},
    {2, "MnuStoUff", "Consulta Storico Uffici", "SE12", ""},
    {1, "MNUgestRegistri", "Gestione Registri di Emergenza", "SE17", ""},
    {2, "mnuregemerg", "Anagrafe Registri d'emergenza", "SE13", ""},
    {2, "MnuSessioni", "Gestione Sessioni di Emergenza", "SE14", ""},
    {0, "mnuforms", "FINESTRE ", "FI00", ""},
    {1, "mnusovrapponi", "Sovrapponi", "FI01", ""},
    {1, "mnuaffianca", "Affianca Orizzontalmente", "FI02", ""},
    {1, "mnuaffvert", "Affianca Verticalmente", "FI03", ""},
    {1, "mnudispicone", "Disponi Icone", "FI04", ""},
    {0, "MnuUscita", "USCITA", "US00", "O"},
    {0, "MnuInformazioni", "&?", "IN00", "O"},
};

QString prefixOf(const Entry &top)
{
    QString letters;
    for (const QChar c : top.caption)
        if (c.isLetter())
            letters += c.toUpper();
    if (letters.size() < 2) {
        letters.clear();
        QString name = top.name;
        if (name.startsWith(QLatin1String("mnu"), Qt::CaseInsensitive))
            name = name.mid(3);
        for (const QChar c : name)
            if (c.isLetter())
                letters += c.toUpper();
    }
    return (letters + QStringLiteral("XX")).left(2);
}

} // namespace

QString rightOf(const QString &name)
{
    // The entities are kept by whoever keeps the structure of the body.
    if (name == QLatin1String("mnuEnti"))
        return QStringLiteral("mnudatiente");
    // The daily register is made by whoever prints and archives the register.
    if (name == QLatin1String("mnuRegGiornaliero"))
        return QStringLiteral("mnuregprotgiorn");
    return name;
}

const QVector<Entry> &menuTree()
{
    static const QVector<Entry> tree = [] {
        QVector<Entry> out;
        for (const Item &i : kTree)
            out.append({i.level, QString::fromUtf8(i.name), QString::fromUtf8(i.caption), QString::fromLatin1(i.code),
                        QString::fromLatin1(i.tag)});
        return out;
    }();
    return tree;
}

bool isMenu(const QVector<Entry> &entries, int i)
{
    return i >= 0 && i + 1 < entries.size() && entries[i + 1].level > entries[i].level;
}

QHash<QString, QString> assignCodes(const QVector<Entry> &entries, const QHash<QString, QString> &existing)
{
    QHash<QString, QString> codes;
    QSet<QString> used;
    const auto take = [&](const Entry &e, const QString &code) {
        if (code.isEmpty() || used.contains(code) || codes.contains(e.name))
            return;
        codes.insert(e.name, code);
        used.insert(code);
    };
    for (const Entry &e : entries)
        take(e, existing.value(e.name).trimmed());
    for (const Entry &e : entries)
        take(e, e.code.trimmed());
    QString prefix;
    for (const Entry &e : entries) {
        if (e.level == 0)
            prefix = prefixOf(e);
        if (codes.contains(e.name))
            continue;
        // The menu itself takes number 0, its items the first free one.
        for (int n = e.level == 0 ? 0 : 1;; ++n) {
            const QString code = prefix + QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
            if (!used.contains(code)) {
                take(e, code);
                break;
            }
        }
    }
    return codes;
}

bool fill(QSqlDatabase &db, QString *error, int *written)
{
    Schema::detail::Transaction tx(db);
    if (!tx.begin(error))
        return false;
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT tf_nome, tf_codice FROM Tab_Funzioni"))) {
        *error = QStringLiteral("Lettura di Tab_Funzioni: ") + q.lastError().text();
        return false;
    }
    QHash<QString, QString> existing;
    while (q.next())
        existing.insert(q.value(0).toString().trimmed(), q.value(1).toString().trimmed());
    const QVector<Entry> &tree = menuTree();
    const QHash<QString, QString> codes = assignCodes(tree, existing);
    if (!q.exec(QStringLiteral("DELETE FROM Tab_Funzioni"))) {
        *error = QStringLiteral("Cancellazione Preliminare Funzioni: ") + q.lastError().text();
        return false;
    }
    if (!q.prepare(QStringLiteral("INSERT INTO Tab_Funzioni (tf_nome, Tf_Caption, tf_codice) VALUES (?, ?, ?)"))) {
        *error = q.lastError().text();
        return false;
    }
    for (const Entry &e : tree) {
        q.bindValue(0, e.name);
        q.bindValue(1, e.caption);
        q.bindValue(2, codes.value(e.name));
        if (!q.exec()) {
            *error = QStringLiteral("Registrazione Funzione ") + e.name + QStringLiteral(": ") + q.lastError().text();
            return false;
        }
    }
    q.finish();
    if (!tx.commit(error))
        return false;
    if (written)
        *written = int(tree.size());
    return true;
}

} // namespace FunctionTable
