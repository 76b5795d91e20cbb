#include "history/HistoryRules.h"

#include <QRegularExpression>

#include "data/Dialect.h"
#include "data/Scope.h"
#include "ui/RecordEditor.h"

namespace nimbo::history {
namespace {

QString q(const QString &t) { return ui::sqlText(t); }

bool numeric(const QString &t, int maxDigits)
{
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    const QString s = t.trimmed();
    return s.size() <= maxDigits && digits.match(s).hasMatch();
}

QDate dayFirst(const QString &text) { return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy")); }

QString isoDay(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }
QString dayStart(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QStringLiteral(" 00:00:00'"); }

QString number11(const QString &year, const QString &number)
{
    return QStringLiteral("%1%2")
        .arg(year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
        .arg(number.trimmed().toLongLong(), 7, 10, QLatin1Char('0'));
}

// The central database's "contains", case-insensitive.
QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

// The same on an old archive, whatever its engine: lower() on both sides.
QString oldContains(const QString &column, const QString &typed)
{
    return QStringLiteral("lower(") + column + QStringLiteral(") LIKE ")
           + q(QLatin1Char('%') + typed.trimmed().toLower() + QLatin1Char('%'));
}

const QString kYearNumber =
    QStringLiteral("specificare valori numerici per i campi relativi all'anno ed al numero di protocollo");

} // namespace

// ---- access log ---------------------------------------------------------------

std::optional<Problem> checkAccess(const AccessCriteria &c)
{
    const QString bad = QStringLiteral("Iserire una data di formato corretto (gg/mm/aaaa).");
    if (c.from.trimmed().isEmpty())
        return Problem{QStringLiteral("Indicare la data di inizio periodo di ricerca"), QStringLiteral("TxtDIni")};
    if (!dayFirst(c.from).isValid())
        return Problem{bad, QStringLiteral("TxtDIni")};
    if (c.to.trimmed().isEmpty())
        return Problem{QStringLiteral("Indicare la data di fine periodo di ricerca"), QStringLiteral("TxtDFine")};
    if (!dayFirst(c.to).isValid())
        return Problem{bad, QStringLiteral("TxtDFine")};
    if (dayFirst(c.to) < dayFirst(c.from))
        return Problem{QString::fromUtf8("La data di fine periodo non  può essere minore della data di inizio periodo"),
                       QStringLiteral("TxtDFine")};
    // A year without a number (or the reverse) cannot name a protocol.
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if ((year || number) && !(numeric(c.year, 4) && numeric(c.number, 7)))
        return Problem{kYearNumber, numeric(c.year, 4) ? QStringLiteral("TxtNumero") : QStringLiteral("TxtAProto")};
    return std::nullopt;
}

QString accessQuery(const AccessCriteria &c, const QString &ente)
{
    QString sql = QStringLiteral("SELECT l.ID, l.DataAccesso, l.Utente, l.NomeComputer, l.MacAddress, l.Funzione, "
                                 "l.Ente, l.NumProtocollo, l.IDAllegato, a.Descrizione_allegato, a.Nome_allegato "
                                 "FROM Log_ACCESSI_PROTO l LEFT JOIN Tab_allegati a ON a.Id_allegato = l.IDAllegato "
                                 "WHERE l.Ente = ")
                  + q(ente);
    if (!c.user.trimmed().isEmpty())
        sql += QStringLiteral(" AND l.Utente = ") + q(c.user.trimmed());
    // Both days whole: from the start of the first to the start of the day
    // after the last.
    sql += QStringLiteral(" AND l.DataAccesso >= ") + dayStart(dayFirst(c.from)) + QStringLiteral(" AND l.DataAccesso < ")
           + dayStart(dayFirst(c.to).addDays(1));
    if (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty())
        sql += QStringLiteral(" AND l.NumProtocollo = ") + q(number11(c.year, c.number));
    return sql + QStringLiteral(" ORDER BY l.DataAccesso, l.ID");
}

QString accessOperatorsQuery()
{
    return QStringLiteral("SELECT Op_Codice_Operatore From Tab_Operatori ORDER BY Op_Codice_Operatore");
}

QString accessHeading(const AccessCriteria &c)
{
    return QStringLiteral("Elenco Accessi nel periodo:  ") + c.from.trimmed() + QStringLiteral(" - ") + c.to.trimmed();
}

QString attachmentProtocolQuery(const QString &ente, qlonglong attachmentId)
{
    return QStringLiteral("SELECT a.num_ProtocolloGenerale, p.Tab_TipoProtocollo, p.Tab_SoggPrivacy, "
                          "p.Tab_CodiceOpeReg, a.Nome_allegato FROM Tab_allegati a LEFT JOIN Tab_Protocollo p ON "
                          "p.Tab_Ente = a.Cod_Ente AND p.Tab_NumeroProtocollo = a.num_ProtocolloGenerale WHERE "
                          "a.Cod_Ente = ")
           + q(ente) + QStringLiteral(" AND a.Id_allegato = ") + QString::number(attachmentId);
}

// ---- operators' history -------------------------------------------------------

QString operatorsQuery()
{
    return QStringLiteral("SELECT Op_Codice_Operatore, Op_Cognome || ' ' || Op_Nome FROM Tab_Operatori "
                          "ORDER BY Op_Cognome || ' ' || Op_Nome, Op_Codice_Operatore");
}

QString operatorChangesQuery(const QString &code)
{
    return QStringLiteral("SELECT Op_DataOperazione_Log, Op_TipoOperazione_Log, Op_Attivo, Op_Codoper, Op_Datoper, ID "
                          "FROM Log_Tab_Operatori WHERE Op_Codice_Operatore = ")
           + q(code) + QStringLiteral(" ORDER BY Op_DataOperazione_Log, ID");
}

QString operatorChangeText(const QString &type, const QString &active)
{
    const QString t = type.trimmed().toUpper();
    if (t == QLatin1String("I"))
        return QStringLiteral("ATTIVAZIONE OPERATORE");
    if (t == QLatin1String("U") && active.trimmed().toUpper() == QLatin1String("S"))
        return QStringLiteral("MODIFICA DATI OPERATORE");
    return QStringLiteral("DISATTIVAZIONE OPERATORE");
}

QString operatorChangeQuery(qlonglong id)
{
    return QStringLiteral("SELECT l.Op_Codice_Operatore, l.Op_Cognome, l.Op_Nome, l.OP_CF, l.Op_Fl_Password, "
                          "l.Op_Data, l.Op_AbilPrivacy, l.Op_Livello, l.Op_Ente, e.Ente_Denominazione, "
                          "l.Op_Dipartimento, d.Dipa_Denominazione, l.Op_CodiceUfficio, u.Tab_Descrizione, "
                          "l.Op_Attivo, l.Op_DataOperazione_Log, l.Op_Codoper FROM Log_Tab_Operatori l "
                          "LEFT JOIN Tab_Enti e ON e.Ente_Codice = l.Op_Ente "
                          "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = l.Op_Ente AND "
                          "d.Dipa_CodDipartimento = l.Op_Dipartimento "
                          "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = l.Op_Ente AND u.Tab_Ufficio = l.Op_CodiceUfficio "
                          "WHERE l.ID = ")
           + QString::number(id);
}

// ---- old-protocol archive -------------------------------------------------------

std::optional<Problem> checkAb(const AbCriteria &c)
{
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if (year != number)
        return Problem{QStringLiteral("inserire entrambi i dati relativi all'anno ed al numero di protocollo"),
                       year ? QStringLiteral("TxtNumero") : QStringLiteral("TxtAnno")};
    if (year && !(numeric(c.year, 4) && numeric(c.number, 7)))
        return Problem{kYearNumber, numeric(c.year, 4) ? QStringLiteral("TxtNumero") : QStringLiteral("TxtAnno")};
    return std::nullopt;
}

QString abListQuery(const AbCriteria &c, const QString &ente)
{
    QString sql = QStringLiteral("SELECT Tipo, Anno, NumeroProtocollo, DataArrivo, Oggetto, Mittente, Destinatario "
                                 "FROM AB_StoricoProtocollo WHERE Ente = ")
                  + q(ente);
    if (!c.year.trimmed().isEmpty() && !c.number.trimmed().isEmpty())
        sql += QStringLiteral(" AND NumeroProtocollo = ")
               + q(QStringLiteral("%1").arg(c.number.trimmed().toLongLong(), 7, 10, QLatin1Char('0')))
               + QStringLiteral(" AND Anno = ")
               + q(QStringLiteral("%1").arg(c.year.trimmed().toInt(), 4, 10, QLatin1Char('0')));
    static const QStringList operators{QStringLiteral("="), QStringLiteral(">"), QStringLiteral("<"),
                                       QStringLiteral(">="), QStringLiteral("<=")};
    if (c.date.isValid() && operators.contains(c.dateOperator))
        sql += QStringLiteral(" AND DataArrivo ") + c.dateOperator + QLatin1Char(' ') + isoDay(c.date);
    if (!c.sender.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("Mittente"), c.sender);
    if (!c.recipient.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("Destinatario"), c.recipient);
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("Oggetto"), c.subject);
    if (c.direction == QLatin1String("E") || c.direction == QLatin1String("U"))
        sql += QStringLiteral(" AND Tipo = ") + q(c.direction);
    return sql + QStringLiteral(" ORDER BY DataArrivo, NumeroProtocollo") + Dialect::limit(qMax(1, c.limit) + 1);
}

QString abDetailQuery(const QString &ente, const QString &year, const QString &number)
{
    return QStringLiteral("SELECT Anno, NumeroProtocollo, Tipo, DataLettera, Numero, DataArrivo, Mittente, Oggetto, "
                          "Destinatario, Note FROM AB_StoricoProtocollo WHERE Ente = ")
           + q(ente) + QStringLiteral(" AND NumeroProtocollo = ") + q(number) + QStringLiteral(" AND Anno = ") + q(year);
}

// ---- historical archive in the old layout ----------------------------------------

QString oldName(const QString &name)
{
    QString n = name;
    return QLatin1Char('"') + n.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

std::optional<Problem> checkOld(const OldCriteria &c)
{
    if (c.year.trimmed().isEmpty())
        return Problem{QStringLiteral("Selezionare l'anno del protocollo da consultare"), QStringLiteral("TxtAnno")};
    if (!numeric(c.year, 4))
        return Problem{QStringLiteral("Inserire un valore numerico"), QStringLiteral("TxtAnno")};
    if (!c.number.trimmed().isEmpty() && !numeric(c.number, 9))
        return Problem{QStringLiteral("Inserire un valore numerico"), QStringLiteral("TxtNumero")};
    if (!c.from.trimmed().isEmpty() && !dayFirst(c.from).isValid())
        return Problem{QStringLiteral("Inserire una data corretta"), QStringLiteral("TxtDal")};
    if (!c.to.trimmed().isEmpty() && !dayFirst(c.to).isValid())
        return Problem{QStringLiteral("Inserire una data corretta"), QStringLiteral("TxtAl")};
    return std::nullopt;
}

QString oldSourcesQuery(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT Cod_Fonte_Dati, Descr_Fonte_Dati FROM Tab_Fonte_DatiS WHERE Cod_Ente = ") + q(ente)
           + QStringLiteral(" AND Cod_Dipartimento = ") + q(department) + QStringLiteral(" ORDER BY Descr_Fonte_Dati");
}

QString oldSourceQuery(const QString &ente, const QString &department, const QString &code)
{
    return QStringLiteral("SELECT Percorso_Fonte_Dati, Percorso_Immagini FROM Tab_Fonte_DatiS WHERE Cod_Ente = ")
           + q(ente) + QStringLiteral(" AND Cod_Dipartimento = ") + q(department)
           + QStringLiteral(" AND Cod_Fonte_Dati = ") + q(code);
}

QString oldOfficesQuery(const QString &prefix)
{
    const QString code = oldName(QStringLiteral("Codice uff"));
    return QStringLiteral("SELECT ") + code + QStringLiteral(", ") + oldName(QStringLiteral("descrizione uff"))
           + QStringLiteral(", ") + oldName(QStringLiteral("Attivo")) + QStringLiteral(" FROM ")
           + oldName(QStringLiteral("Uffici")) + QStringLiteral(" WHERE ") + code + QStringLiteral(" LIKE ")
           + q(prefix.trimmed() + QLatin1Char('%')) + QStringLiteral(" ORDER BY ") + code;
}

QString oldListQuery(const OldCriteria &c)
{
    const auto p = [](const char *col) { return QStringLiteral("p.") + oldName(QLatin1String(col)); };
    const QString md = oldName(QStringLiteral("M/D Multipli"));
    const QString name = oldName(QStringLiteral("rag soc m/d"));
    const int year = c.year.trimmed().toInt();
    QString sql = QStringLiteral("SELECT ") + p("data proto") + QStringLiteral(", ") + p("annoprot") + QStringLiteral(", ")
                  + p("entrata/uscita") + QStringLiteral(", ") + p("n protocollo") + QStringLiteral(", ")
                  + p("oggetto proto") + QStringLiteral(", ") + p("desc doc") + QStringLiteral(", (SELECT MIN(m.")
                  + name + QStringLiteral(") FROM ") + md + QStringLiteral(" m WHERE m.") + oldName(QStringLiteral("annoprot"))
                  + QStringLiteral(" = ") + p("annoprot") + QStringLiteral(") FROM ") + oldName(QStringLiteral("Protocollo"))
                  + QStringLiteral(" p WHERE ") + p("data proto") + QStringLiteral(" >= ") + isoDay(QDate(year, 1, 1))
                  + QStringLiteral(" AND ") + p("data proto") + QStringLiteral(" < ") + isoDay(QDate(year + 1, 1, 1));
    if (!c.number.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + p("n protocollo") + QStringLiteral(" = ") + QString::number(c.number.trimmed().toLongLong());
    if (const QDate from = dayFirst(c.from); from.isValid())
        sql += QStringLiteral(" AND ") + p("data proto") + QStringLiteral(" >= ") + isoDay(from);
    if (const QDate to = dayFirst(c.to); to.isValid())
        sql += QStringLiteral(" AND ") + p("data proto") + QStringLiteral(" <= ") + isoDay(to);
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + oldContains(p("oggetto proto"), c.subject);
    if (!c.correspondent.trimmed().isEmpty())
        sql += QStringLiteral(" AND EXISTS (SELECT 1 FROM ") + md + QStringLiteral(" m WHERE m.")
               + oldName(QStringLiteral("annoprot")) + QStringLiteral(" = ") + p("annoprot") + QStringLiteral(" AND ")
               + oldContains(QStringLiteral("m.") + name, c.correspondent) + QLatin1Char(')');
    const QString dir = p("entrata/uscita");
    if (c.incoming && !c.outgoing)
        sql += QStringLiteral(" AND (") + dir + QStringLiteral(" = 'E' OR ") + dir + QStringLiteral(" = 'A')");
    else if (c.outgoing && !c.incoming)
        sql += QStringLiteral(" AND (") + dir + QStringLiteral(" = 'U' OR ") + dir + QStringLiteral(" = 'P')");
    return sql + QStringLiteral(" ORDER BY ") + p("annoprot") + Dialect::limit(kOldArchiveLimit + 1);
}

QString oldDetailQuery(const QString &key)
{
    static const char *const columns[] = {"annoprot", "n protocollo", "entrata/uscita", "data proto", "desc doc",
                                          "oggetto proto", "collegamento", "data arr/spe", "spedpost", "categ",
                                          "class", "fasc", "oggetto class", "documento", "data docum", "allegati",
                                          "data carico/scar", "data evidenza", "data scadenza", "FLAGSCAN"};
    QStringList names;
    for (const char *c : columns)
        names << oldName(QLatin1String(c));
    return QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
           + oldName(QStringLiteral("Protocollo")) + QStringLiteral(" WHERE ") + oldName(QStringLiteral("annoprot"))
           + QStringLiteral(" = ") + q(key);
}

QString oldCorrespondentsQuery(const QString &key)
{
    return QStringLiteral("SELECT ") + oldName(QStringLiteral("rag soc m/d")) + QStringLiteral(" FROM ")
           + oldName(QStringLiteral("M/D Multipli")) + QStringLiteral(" WHERE ") + oldName(QStringLiteral("annoprot"))
           + QStringLiteral(" = ") + q(key) + QStringLiteral(" ORDER BY 1");
}

QString oldOfficesOfQuery(const QString &key)
{
    return QStringLiteral("SELECT ") + oldName(QStringLiteral("descriz uff/m")) + QStringLiteral(" FROM ")
           + oldName(QStringLiteral("Uff Multipli")) + QStringLiteral(" WHERE ") + oldName(QStringLiteral("annoprot"))
           + QStringLiteral(" = ") + q(key) + QStringLiteral(" ORDER BY 1");
}

QString foundText(int count)
{
    return QStringLiteral("Sono stati trovati N. ") + QString::number(count) + QStringLiteral(" Protocolli");
}

} // namespace nimbo::history
