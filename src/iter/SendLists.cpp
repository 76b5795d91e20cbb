#include "iter/SendLists.h"

#include <QRegularExpression>

#include "data/Dialect.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QDate day(const QString &text) { return QDate::fromString(text.trimmed(), QStringLiteral("dd/MM/yyyy")); }

bool numeric(const QString &t)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,9}$"));
    return digits.match(t.trimmed()).hasMatch();
}

QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

// Direction, subject, type, correspondent, number: the filters every list shares.
QString protocolFilters(const ListCriteria &c, const protocol::Viewer &v)
{
    QString sql;
    QStringList dirs;
    if (c.incoming && protocol::maysee(v, QStringLiteral("E")))
        dirs << QStringLiteral("'E'");
    if (c.outgoing && protocol::maysee(v, QStringLiteral("U")))
        dirs << QStringLiteral("'U'");
    if (dirs.isEmpty())
        dirs << QStringLiteral("''");
    sql += QStringLiteral(" AND p.Tab_TipoProtocollo IN (") + dirs.join(QLatin1Char(',')) + QLatin1Char(')');
    if (!c.subject.trimmed().isEmpty())
        sql += QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
    const QString type = c.docType.trimmed();
    if (!type.isEmpty() && type != QLatin1String("AAA"))
        sql += QStringLiteral(" AND p.Tab_Tipologia=") + q(type);
    if (!c.correspondent.trimmed().isEmpty())
        sql += QStringLiteral(" AND p.Tab_Intestatario IN (SELECT Tab_Identificativo FROM Tab_Rubrica WHERE "
                              "Tab_EnteRubrica=") +
               q(v.ente) + QStringLiteral(" AND ") + contains(QStringLiteral("Tab_Denominazione"), c.correspondent) +
               QLatin1Char(')');
    if (numeric(c.year) && numeric(c.number))
        sql += QStringLiteral(" AND p.Tab_NumeroProtocollo=") +
               q(QStringLiteral("%1%2")
                     .arg(c.year.trimmed().toInt(), 4, 10, QLatin1Char('0'))
                     .arg(c.number.trimmed().toLongLong(), 7, 10, QLatin1Char('0')));
    return sql;
}

QString notCancelled() { return QStringLiteral(" AND COALESCE(p.Tab_StatoProtocollo, 'A')<>'C'"); }

QString protocolJoin(const QString &alias)
{
    return QStringLiteral(" JOIN Tab_Protocollo p ON p.Tab_Ente=") + alias + QStringLiteral(".Tab_Ente AND p.Tab_TipoProtocollo=") +
           alias + QStringLiteral(".Tab_TipoProtocollo AND p.Tab_NumeroProtocollo=") + alias +
           QStringLiteral(".Tab_NumeroProtocollo");
}

QString text(const F::LoadedRows &rows, int column, int row) { return rows.value(column, row).toString().trimmed(); }

} // namespace

std::optional<QString> checkCriteria(const ListCriteria &c)
{
    for (const QString *d : {&c.from, &c.to})
        if (!d->trimmed().isEmpty() && !day(*d).isValid())
            return QStringLiteral("Inserire una data corretta");
    if (day(c.from).isValid() && day(c.to).isValid() && day(c.to) < day(c.from))
        return QStringLiteral("la data finale non può essere minore della data iniziale");
    const bool year = !c.year.trimmed().isEmpty(), number = !c.number.trimmed().isEmpty();
    if (year != number)
        return QStringLiteral("inserire entrambi i dati relativi all'anno ed al numero di protocollo");
    if (year && !(numeric(c.year) && numeric(c.number)))
        return QStringLiteral("specificare valori numerici per i campi relativi all'anno ed al numero di protocollo");
    return std::nullopt;
}

QString sentQuery(SentView view, const ListCriteria &c, const protocol::Viewer &v)
{
    const QString filters = protocolFilters(c, v) + notCancelled();
    if (view == SentView::NotTaken) {
        protocol::scope::MovementColumns cols;
        cols.operatorCode = QStringLiteral("d.Tab_CodiceOpe");
        cols.office = QStringLiteral("d.Tab_Ufficio");
        cols.officeDepartment = QStringLiteral("us.Tab_Dipartimento");
        return QStringLiteral(
                   "SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                   "t.Tab_DataSerialeMov, dr.Dipa_Denominazione, ur.Tab_Descrizione, t.Tab_Componente, "
                   "c.Tab_Componente, d.Tab_DataSerialeMov, t.Tab_progressivo, p.Tab_SoggPrivacy "
                   "FROM Tab_Iter_Trasmissioni t "
                   "JOIN Tab_Iter_Documento d ON d.Tab_Ente=t.Tab_Ente AND d.Tab_TipoProtocollo=t.Tab_TipoProtocollo "
                   "AND d.Tab_NumeroProtocollo=t.Tab_NumeroProtocollo AND d.Tab_DataSerialeMov=t.Tab_DataSerialeMov") +
               protocolJoin(QStringLiteral("t")) +
               QStringLiteral(
                   " LEFT JOIN Tab_Uffici us ON us.Tab_Ente=d.Tab_Ente AND us.Tab_Ufficio=d.Tab_Ufficio "
                   "LEFT JOIN Tab_Uffici ur ON ur.Tab_Ente=t.Tab_Ente AND ur.Tab_Ufficio=t.Tab_UfficioDestinatario "
                   "LEFT JOIN Tab_Dipartimenti dr ON dr.Dipa_CodiceEnte=ur.Tab_Ente AND "
                   "dr.Dipa_CodDipartimento=ur.Tab_Dipartimento "
                   "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente=t.Tab_Ente AND c.Tab_Ufficio=t.Tab_UfficioDestinatario "
                   "AND c.Tab_Progressivo=t.Tab_Componente WHERE t.Tab_Ente=") +
               q(v.ente) + QStringLiteral(" AND ") + protocol::scope::sent(v, cols) + QStringLiteral(" AND ") +
               protocol::scope::movementPeriod(QStringLiteral("t.Tab_DataSerialeMov"), day(c.from), day(c.to)) +
               filters + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC, t.Tab_progressivo") +
               Dialect::limit(kSentLimit);
    }
    // What the operator himself took in charge and was not completed since.
    return QStringLiteral(
               "SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
               "d.Tab_DataSerialeMov, dp.Dipa_Denominazione, u.Tab_Descrizione, 0, '', d.Tab_DataSerialeMov, 0, "
               "p.Tab_SoggPrivacy FROM Tab_Iter_Documento d") +
           protocolJoin(QStringLiteral("d")) +
           QStringLiteral(" LEFT JOIN Tab_Uffici u ON u.Tab_Ente=d.Tab_Ente AND u.Tab_Ufficio=d.Tab_Ufficio "
                          "LEFT JOIN Tab_Dipartimenti dp ON dp.Dipa_CodiceEnte=u.Tab_Ente AND "
                          "dp.Dipa_CodDipartimento=u.Tab_Dipartimento WHERE d.Tab_Ente=") +
           q(v.ente) + QStringLiteral(" AND d.Tab_TipoMovimento=3 AND d.Tab_CodiceOpe=") + q(v.operatorCode) +
           QStringLiteral(" AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Documento e WHERE e.Tab_Ente=d.Tab_Ente AND "
                          "e.Tab_TipoProtocollo=d.Tab_TipoProtocollo AND e.Tab_NumeroProtocollo=d.Tab_NumeroProtocollo "
                          "AND e.Tab_TipoMovimento=5) AND ") +
           protocol::scope::movementPeriod(QStringLiteral("d.Tab_DataSerialeMov"), day(c.from), day(c.to)) + filters +
           QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC, d.Tab_DataSerialeMov") + Dialect::limit(kSentLimit);
}

QString archivedQuery(const ListCriteria &c, const protocol::Viewer &v)
{
    protocol::scope::MovementColumns cols;
    cols.operatorCode = QStringLiteral("d.Tab_CodiceOpe");
    cols.office = QStringLiteral("d.Tab_Ufficio");
    cols.officeDepartment = QStringLiteral("u.Tab_Dipartimento");
    cols.privacy = QStringLiteral("p.Tab_SoggPrivacy");
    QString sql =
        QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                       "r.Tab_Denominazione, d.Tab_DataSerialeMov, d.Tab_ProtoEvasione, d.Tab_Annotazioni, "
                       "d.Tab_DataChiusuraProcedimento, p.Tab_SoggPrivacy FROM Tab_Iter_Documento d") +
        protocolJoin(QStringLiteral("d")) +
        QStringLiteral(" LEFT JOIN Tab_Uffici u ON u.Tab_Ente=d.Tab_Ente AND u.Tab_Ufficio=d.Tab_Ufficio "
                       "LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica=p.Tab_Ente AND "
                       "r.Tab_Identificativo=p.Tab_Intestatario WHERE d.Tab_Ente=") +
        q(v.ente) + QStringLiteral(" AND d.Tab_TipoMovimento=5 AND ") + protocol::scope::archived(v, cols);
    if (const QDate d = day(c.from); d.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtocollo>=") + q(d.toString(Qt::ISODate));
    if (const QDate d = day(c.to); d.isValid())
        sql += QStringLiteral(" AND p.Tab_DataProtocollo<=") + q(d.toString(Qt::ISODate));
    return sql + protocolFilters(c, v) + notCancelled() +
           QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC, d.Tab_DataSerialeMov") + Dialect::limit(kArchivedLimit);
}

QString shownMovement(const QString &key)
{
    const QString k = key.trimmed();
    if (k.size() < 12)
        return k;
    return k.mid(6, 2) + QLatin1Char('/') + k.mid(4, 2) + QLatin1Char('/') + k.left(4) + QStringLiteral("  ") +
           k.mid(8, 2) + QLatin1Char(':') + k.mid(10, 2);
}

QString shownRecipient(const QString &department, const QString &office, int member, const QString &memberName)
{
    QString out = department + QStringLiteral(" - ") + office;
    if (member != 0)
        out += QStringLiteral(" - sig. ") + memberName;
    return out;
}

F::Columns sentRows(const F::LoadedRows &rows, const protocol::Viewer &v)
{
    // Shown: type, number, date, subject, sent on, recipient, movement;
    // kept: delivery progressive, raw delivery key.
    F::Columns out(9);
    const QString mask = QString::fromUtf8(protocol::scope::kTrayMask);
    for (int r = 0; r < rows.rowCount(); ++r) {
        out[0] << text(rows, 0, r);
        out[1] << shownNumber(text(rows, 1, r));
        out[2] << rows.value(2, r);
        out[3] << protocol::scope::shownSubject(v, text(rows, 3, r), text(rows, 11, r), mask);
        out[4] << shownMovement(text(rows, 4, r));
        out[5] << shownRecipient(text(rows, 5, r), text(rows, 6, r), rows.value(7, r).toInt(), text(rows, 8, r));
        out[6] << text(rows, 9, r);
        out[7] << rows.value(10, r).toLongLong();
        out[8] << text(rows, 1, r);
    }
    return out;
}

F::Columns archivedRows(const F::LoadedRows &rows, const protocol::Viewer &v)
{
    // Shown: type, number, date, subject, correspondent, archived on,
    // closing protocol, notes; kept: closing date, stored number.
    F::Columns out(10);
    const QString mask = QString::fromUtf8(protocol::scope::kTrayMask);
    for (int r = 0; r < rows.rowCount(); ++r) {
        out[0] << text(rows, 0, r);
        out[1] << shownNumber(text(rows, 1, r));
        out[2] << rows.value(2, r);
        out[3] << protocol::scope::shownSubject(v, text(rows, 3, r), text(rows, 9, r), mask);
        out[4] << text(rows, 4, r);
        out[5] << shownMovement(text(rows, 5, r));
        out[6] << text(rows, 6, r);
        out[7] << text(rows, 7, r);
        out[8] << F::displayValue(rows.value(8, r));
        out[9] << text(rows, 1, r);
    }
    return out;
}

} // namespace nimbo::iter
