// Operations 500 and 501 of the protocol server: the emergency registers
// and their sessions (requests and replies in EmergencyRequests.h).
//
// The key arrives as fields and the statements are the server's own, with
// bound values. A new session is numbered inside the transaction that
// writes it, after the register's row has been touched: two workstations
// opening a session of one register at once follow one another instead of
// taking the same number.

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "schema/Definition.h"
#include "servers/EmergencyRequests.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace emergency {

namespace {

QVariantList pack(const QVector<QPair<QString, QVariant>> &columns)
{
    ColumnValues c;
    for (const auto &p : columns)
        c.append(p);
    return packColumns(c);
}

QString requestDate(const QDate &d) { return d.isValid() ? d.toString(QStringLiteral("MM/dd/yyyy")) : QString(); }

QVector<QPair<QString, QVariant>> registerKeyColumns(const RegisterKey &k, const char *prefix)
{
    const QString p = QString::fromLatin1(prefix);
    const bool session = p == QLatin1String("ses_");
    return {{session ? QStringLiteral("ses_Ente") : QStringLiteral("Tab_Ente"), k.ente},
            {p + QStringLiteral("AnnoRegistro"), k.year},
            {p + QStringLiteral("TipoRegistro"), k.type},
            {p + QStringLiteral("IDRegistro"), k.id},
            {p + QStringLiteral("NumeroRegistro"), k.number}};
}

} // namespace

QVariantList registerRequest(const QString &mode, const RegisterRecord &r, const QString &operatorCode)
{
    auto columns = registerKeyColumns(r.key, "Tab_");
    columns.append({QStringLiteral("Tab_NoteRegistro"), r.notes});
    columns.append({QStringLiteral("Tab_DataIstituzione"), requestDate(r.instituted)});
    columns.append({QStringLiteral("Tab_OraIstituzione"), r.time});
    columns.append({QStringLiteral("Tab_Codoper"), operatorCode});
    columns.append({QStringLiteral("Tab_Datoper"), requestDate(QDate::currentDate())});
    return {mode, QVariant(pack(registerKeyColumns(r.key, "Tab_"))), operatorCode, kTitleRegister,
            QVariant(pack(columns))};
}

QVariantList sessionRequest(const QString &mode, const SessionRecord &s, const QString &operatorCode)
{
    auto key = registerKeyColumns(s.reg, "ses_");
    if (s.progr > 0)
        key.append({QStringLiteral("ses_progr"), s.progr});
    auto columns = registerKeyColumns(s.reg, "ses_");
    columns.append({QStringLiteral("Tab_DataApertura"), requestDate(s.opened)});
    columns.append({QStringLiteral("Tab_OraApertura"), s.openedAt});
    columns.append({QStringLiteral("Tab_motivo"), s.reason});
    columns.append({QStringLiteral("Tab_annotazioni"), s.notes});
    columns.append({QStringLiteral("Tab_Datachiusura"), requestDate(s.closed)});
    columns.append({QStringLiteral("Tab_Orachiusura"), s.closedAt});
    columns.append({QStringLiteral("Tab_allineamento"), s.aligned});
    columns.append({QStringLiteral("Tab_iniziale"), s.first});
    columns.append({QStringLiteral("Tab_finale"), s.last});
    columns.append({QStringLiteral("Tab_Codoper"), operatorCode});
    columns.append({QStringLiteral("Tab_Datoper"), requestDate(QDate::currentDate())});
    return {mode, QVariant(pack(key)), operatorCode, kTitleSession, QVariant(pack(columns))};
}

} // namespace emergency

std::optional<QVariantList> RecoveredRegistration::lookUp(const StatementRunner &exec, QSqlQuery *&q) const
{
    if (isEmpty())
        return QVariantList();
    // Body, register and number name one registration whatever its
    // direction: the register's unique key holds them so.
    if (!exec(q, QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_DataProtocollo, Tab_TipoProtocollo FROM Tab_Protocollo "
                                "WHERE Tab_Ente = ? AND Tab_RegistroTemporaneo = ? AND Tab_ProtocolloTemporaneo = ?"),
              {ente, fromRegister, fromNumber}))
        return std::nullopt;
    QVariantList out;
    if (q->next()) {
        const QString number = q->value(0).toString().trimmed();
        const QVariant d = q->value(1);
        const QString found = q->value(2).toString().trimmed();
        if (found != direction)
            out = {kStatusRefused, QStringLiteral("La registrazione di emergenza %1 del registro %2 "
                                                  "(Tab_ProtocolloTemporaneo) è già nel registro generale come "
                                                  "protocollo %3 N. %4. Registrazione non effettuata.")
                                       .arg(fromNumber, fromRegister, found, number)};
        else
            out = {Funzioni_Com_1::kStatusOk, QString(), number,
                   d.typeId() == QMetaType::QDate ? d.toDate() : QDate::fromString(d.toString().left(10), Qt::ISODate)};
    }
    q->finish();
    return out;
}

namespace {

QVariantList refusal(const QString &text) { return {kStatusRefused, text}; }

using Fields = RequestRow;

// The row of one table as the request gives it, texts without blanks around.
bool readFields(const QVariant &packed, const QString &tableName, Fields *out, QString *why)
{
    if (!readRequestRow(packed, Schema::findTable(Schema::Kind::Central, tableName), out, why))
        return false;
    out->trimTexts();
    return true;
}

// The key's columns, all required; the row's own values may not say
// otherwise.
bool readKey(const QVariant &packed, const QString &table, const QStringList &columns, const Fields &row, Fields *key,
             QString *why)
{
    if (!readFields(packed, table, key, why))
        return false;
    for (const QString &c : columns) {
        if (key->text(c).isEmpty()) {
            *why = QStringLiteral("Chiave incompleta: manca ") + c;
            return false;
        }
        if (row.indexOf(c) >= 0 && row.text(c) != key->text(c)) {
            *why = QStringLiteral("Il valore di ") + c + QStringLiteral(" (") + row.text(c)
                   + QStringLiteral(") non corrisponde alla chiave (") + key->text(c) + QStringLiteral(").");
            return false;
        }
    }
    if (key->values.size() != columns.size()) {
        *why = QStringLiteral("La chiave può nominare solo ") + columns.join(QStringLiteral(", "));
        return false;
    }
    return true;
}

QString where(const QStringList &columns)
{
    QStringList parts;
    for (const QString &c : columns)
        parts << c + QStringLiteral(" = ?");
    return QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

QVariantList binds(const Fields &key, const QStringList &columns)
{
    QVariantList out;
    for (const QString &c : columns)
        out << key.get(c);
    return out;
}

bool isTime(const QString &t)
{
    static const QRegularExpression re(QStringLiteral("^\\d{1,2}:\\d{2}(:\\d{2})?$"));
    return re.match(t).hasMatch()
           && QTime::fromString(t.size() > 5 ? t : t + QStringLiteral(":00"), QStringLiteral("h:mm:ss")).isValid();
}

const QStringList kRegisterKey = {QStringLiteral("Tab_Ente"), QStringLiteral("Tab_AnnoRegistro"),
                                  QStringLiteral("Tab_TipoRegistro"), QStringLiteral("Tab_IDRegistro"),
                                  QStringLiteral("Tab_NumeroRegistro")};
const QStringList kSessionRegister = {QStringLiteral("ses_Ente"), QStringLiteral("ses_AnnoRegistro"),
                                      QStringLiteral("ses_TipoRegistro"), QStringLiteral("ses_IDRegistro"),
                                      QStringLiteral("ses_NumeroRegistro")};

struct Common {
    QString mode, op;
    bool isNew = false;
};

bool readCommon(const QVariantList &params, Common *c, QString *why)
{
    if (params.size() < 5) {
        *why = QStringLiteral("Richiesta incompleta: sono attesi 5 elementi.");
        return false;
    }
    c->mode = params[0].toString().trimmed().toUpper();
    if (c->mode != QLatin1String("A") && c->mode != QLatin1String("R")) {
        *why = QStringLiteral("Tipo di operazione non previsto: ") + params[0].toString()
               + QStringLiteral(" (attesi \"A\" o \"R\").");
        return false;
    }
    c->isNew = c->mode == QLatin1String("A");
    if (!requestText(params[2], QStringLiteral("codice operatore"), true, &c->op, why))
        return false;
    c->op = writerOf(c->op);
    return true;
}

// A register's year as the registers window accepts it.
bool registerYear(const QString &year)
{
    static const QRegularExpression re(QStringLiteral("^(19|20)\\d{2}$"));
    return re.match(year).hasMatch();
}

// A register's identifier: four upper-case letters or digits (a
// workstation's code for an electronic register); it becomes part of the
// session key every recovered protocol carries.
bool registerId(const QString &id)
{
    static const QRegularExpression re(QStringLiteral("^[A-Z0-9]{4}$"));
    return re.match(id).hasMatch();
}

// The register's year and identifier, or the refusal that names the field.
QString registerKeyProblem(const QString &yearColumn, const QString &year, const QString &idColumn, const QString &id)
{
    if (!registerYear(year))
        return QStringLiteral("Anno del registro non valido (%1): ").arg(yearColumn) + year;
    if (!registerId(id))
        return QStringLiteral("Identificativo del registro non valido (%1): 4 lettere maiuscole o cifre.").arg(idColumn);
    return {};
}

// Inside the unit: the body exists and the operator is an active one of it.
RequestUnit::Check bodyAndOperator(RequestUnit &unit, const QString &bodyColumn, const QString &ente, const QString &op)
{
    const RequestUnit::Check opCheck = unit.operatorCheck(
        op, ente, true,
        QStringLiteral("Operatore (codice operatore) sconosciuto, non attivo o non dell'ente ") + ente + QStringLiteral(": "));
    return [&unit, bodyColumn, ente, opCheck](QSqlQuery *&q) -> std::optional<QString> {
        bool found = false;
        if (!unit.exists(QStringLiteral("SELECT Ente_Codice FROM Tab_Enti WHERE Ente_Codice = ?"), {ente}, &found))
            return std::nullopt;
        if (!found)
            return QStringLiteral("Ente sconosciuto (%1): ").arg(bodyColumn) + ente;
        return opCheck(q);
    };
}

} // namespace

QVariantList ProtocolServer::emergencyRegister(const QVariantList &params)
{
    Common c;
    QString why;
    if (!readCommon(params, &c, &why))
        return refusal(why);
    const QString table = QStringLiteral("Tab_AnaRegistriEme");
    Fields row, key;
    if (!readFields(params[4], table, &row, &why) || !readKey(params[1], table, kRegisterKey, row, &key, &why))
        return refusal(why);
    const QString year = key.text(QStringLiteral("Tab_AnnoRegistro"));
    const QString type = key.text(QStringLiteral("Tab_TipoRegistro"));
    const QString id = key.text(QStringLiteral("Tab_IDRegistro"));
    const qlonglong number = key.get(QStringLiteral("Tab_NumeroRegistro")).toLongLong();
    if (const QString bad = registerKeyProblem(QStringLiteral("Tab_AnnoRegistro"), year, QStringLiteral("Tab_IDRegistro"), id);
        !bad.isEmpty())
        return refusal(bad);
    if (type != QLatin1String("C") && type != QLatin1String("T"))
        return refusal(QStringLiteral("Tipo registro non valido (Tab_TipoRegistro): deve essere C o T."));
    if (number < 1 || (type == QLatin1String("T") && number != 1))
        return refusal(QStringLiteral("Numero del registro non valido (Tab_NumeroRegistro): ") + QString::number(number));
    const QStringList required = {QStringLiteral("Tab_NoteRegistro"), QStringLiteral("Tab_DataIstituzione"),
                                  QStringLiteral("Tab_OraIstituzione")};
    for (const QString &r : required)
        if (c.isNew && row.text(r).isEmpty())
            return refusal(QStringLiteral("Dato obbligatorio mancante: ") + r);
    if (row.indexOf(QStringLiteral("Tab_OraIstituzione")) >= 0 && !isTime(row.text(QStringLiteral("Tab_OraIstituzione"))))
        return refusal(QStringLiteral("Ora di istituzione non valida (Tab_OraIstituzione): ")
                       + row.text(QStringLiteral("Tab_OraIstituzione")));

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const RequestUnit::Exec exec = [this](QSqlQuery *&q, const QString &text, const QVariantList &b) {
        return run(q, text, b);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, QStringLiteral("Errore in registrazione registro: "));
        const QString ente = key.text(QStringLiteral("Tab_Ente"));
        if (auto stop = unit.open(bodyAndOperator(unit, QStringLiteral("Tab_Ente"), ente, c.op)))
            return *stop;
        const auto failed = [&] { return unit.failed(); };
        bool found = false;
        if (type == QLatin1String("T")) {
            if (!unit.exists(QStringLiteral("SELECT ID_Postazione FROM Tab_Postazioni WHERE Ente = ? AND ID_Postazione = ?"),
                        {ente, id}, &found))
                return failed();
            if (!found)
                return {refusal(QStringLiteral("Il Codice Postazione specificato non è tra quelli abilitati "
                                               "all'utilizzo della procedura"))};
        }
        if (!unit.exists(QStringLiteral("SELECT Tab_Ente FROM Tab_AnaRegistriEme") + where(kRegisterKey),
                    binds(key, kRegisterKey), &found))
            return failed();
        if (c.isNew && found)
            return {refusal(type == QLatin1String("T")
                                ? QStringLiteral("Attenzione! Esiste già un registro per la postazione e l'anno specificati.")
                                : QStringLiteral("Esiste già il registro ") + year + QLatin1Char('/') + type
                                      + QLatin1Char('/') + id + QStringLiteral(" numero ") + QString::number(number))};
        if (!c.isNew && !found)
            return {refusal(QStringLiteral("Errore! Il registro richiesto non è presente in archivio."))};
        Fields w = row;
        w.set(QStringLiteral("Tab_Codoper"), c.op);
        w.set(QStringLiteral("Tab_Datoper"), QDate::currentDate().toString(Qt::ISODate));
        QStringList names, marks;
        QVariantList values;
        if (c.isNew) {
            for (const QString &k : kRegisterKey)
                w.set(k, key.get(k));
            for (const auto &[col, v] : w.values) {
                names << col->name;
                marks << QStringLiteral("?");
                values << v;
            }
            if (!unit.run(QStringLiteral("INSERT INTO Tab_AnaRegistriEme (") + names.join(QLatin1Char(','))
                            + QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                     values))
                return failed();
        } else {
            for (const QString &k : kRegisterKey)
                w.remove(k);
            for (const auto &[col, v] : w.values) {
                names << col->name + QStringLiteral(" = ?");
                values << v;
            }
            if (!unit.run(QStringLiteral("UPDATE Tab_AnaRegistriEme SET ") + names.join(QLatin1Char(','))
                            + where(kRegisterKey),
                     values + binds(key, kRegisterKey)))
                return failed();
        }
        return unit.commit({F::kStatusOk, QString(), year + QLatin1Char('/') + type + QLatin1Char('/') + id});
    };
    return runUnit(sql, attempt);
}

QVariantList ProtocolServer::emergencySession(const QVariantList &params)
{
    Common c;
    QString why;
    if (!readCommon(params, &c, &why))
        return refusal(why);
    const QString table = QStringLiteral("Tab_SessioniEmergenza");
    const QStringList keyColumns = c.isNew ? kSessionRegister : kSessionRegister + QStringList{QStringLiteral("ses_progr")};
    Fields row, key;
    if (!readFields(params[4], table, &row, &why) || !readKey(params[1], table, keyColumns, row, &key, &why))
        return refusal(why);
    if (c.isNew && row.indexOf(QStringLiteral("ses_progr")) >= 0 && !row.text(QStringLiteral("ses_progr")).isEmpty())
        return refusal(QStringLiteral("Il numero di una nuova sessione (ses_progr) è assegnato dal server."));
    if (const QString bad = registerKeyProblem(QStringLiteral("ses_AnnoRegistro"), key.text(QStringLiteral("ses_AnnoRegistro")),
                                               QStringLiteral("ses_IDRegistro"), key.text(QStringLiteral("ses_IDRegistro")));
        !bad.isEmpty())
        return refusal(bad);
    if (key.text(QStringLiteral("ses_TipoRegistro")) != QLatin1String("T"))
        return refusal(QStringLiteral("Le sessioni di emergenza appartengono ai soli registri telematici (ses_TipoRegistro T)."));
    const QDate opened = QDate::fromString(row.text(QStringLiteral("Tab_DataApertura")), Qt::ISODate);
    const QDate closed = QDate::fromString(row.text(QStringLiteral("Tab_DataChiusura")), Qt::ISODate);
    if (!opened.isValid() || !isTime(row.text(QStringLiteral("Tab_OraApertura"))))
        return refusal(QStringLiteral("Data e ora di apertura obbligatorie (Tab_DataApertura, Tab_OraApertura)."));
    if (closed.isValid() && !isTime(row.text(QStringLiteral("Tab_OraChiusura"))))
        return refusal(QStringLiteral("Ora di chiusura omessa o errata (Tab_OraChiusura)."));
    if (closed.isValid() && closed < opened)
        return refusal(QStringLiteral("la data di chiusura non può essere minore della data di apertura!"));
    QString aligned = row.text(QStringLiteral("Tab_Allineamento"));
    if (aligned.isEmpty())
        aligned = QStringLiteral("NO");
    if (aligned != QLatin1String("SI") && aligned != QLatin1String("NO"))
        return refusal(QStringLiteral("Specificare 'SI' o 'NO' nel campo ALLINEATO !"));
    row.set(QStringLiteral("Tab_Allineamento"), aligned);

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlDatabase sql = db_.sql();
    const RequestUnit::Exec exec = [this](QSqlQuery *&q, const QString &text, const QVariantList &b) {
        return run(q, text, b);
    };
    auto attempt = [&]() -> UnitOutcome {
        RequestUnit unit(db_, exec, QStringLiteral("Errore in registrazione sessione: "));
        if (auto stop = unit.open(bodyAndOperator(unit, QStringLiteral("ses_Ente"), key.text(QStringLiteral("ses_Ente")), c.op)))
            return *stop;
        const auto failed = [&] { return unit.failed(); };
        bool found = false;
        if (!unit.exists(QStringLiteral("SELECT Tab_Codice FROM Tab_Motivo_Regtemp WHERE Tab_Codice = ?"),
                    {row.text(QStringLiteral("Tab_Motivo"))}, &found))
            return failed();
        if (!found)
            return {refusal(QStringLiteral("Motivo Apertura non inserito o non presente in archivio!"))};
        // Touching the register locks it until the commit: sessions of one
        // register are numbered one after the other.
        const QVariantList reg = binds(key, kSessionRegister);
        if (!unit.run(QStringLiteral("UPDATE Tab_AnaRegistriEme SET Tab_NumeroRegistro = Tab_NumeroRegistro") + where(kRegisterKey),
                 reg))
            return failed();
        if (unit.q->numRowsAffected() < 1)
            return {refusal(QStringLiteral("Il registro ") + reg.value(1).toString() + QStringLiteral("/T/")
                            + reg.value(3).toString() + QStringLiteral(" non è presente in archivio."))};
        Fields w = row;
        w.set(QStringLiteral("Tab_Codoper"), c.op);
        w.set(QStringLiteral("Tab_Datoper"), QDate::currentDate().toString(Qt::ISODate));
        QStringList names, marks;
        QVariantList values;
        qlonglong progr = 0;
        if (c.isNew) {
            if (!unit.run(QStringLiteral("SELECT COALESCE(MAX(ses_progr), 0) FROM Tab_SessioniEmergenza") + where(kSessionRegister),
                     reg)
                || !unit.q->next())
                return failed();
            progr = unit.q->value(0).toLongLong() + 1;
            unit.q->finish();
            for (const QString &k : kSessionRegister)
                w.set(k, key.get(k));
            w.set(QStringLiteral("ses_progr"), progr);
            for (const auto &[col, v] : w.values) {
                names << col->name;
                marks << QStringLiteral("?");
                values << v;
            }
            if (!unit.run(QStringLiteral("INSERT INTO Tab_SessioniEmergenza (") + names.join(QLatin1Char(','))
                            + QStringLiteral(") VALUES (") + marks.join(QLatin1Char(',')) + QLatin1Char(')'),
                     values))
                return failed();
        } else {
            progr = key.get(QStringLiteral("ses_progr")).toLongLong();
            for (const QString &k : keyColumns)
                w.remove(k);
            for (const auto &[col, v] : w.values) {
                names << col->name + QStringLiteral(" = ?");
                values << v;
            }
            if (!unit.run(QStringLiteral("UPDATE Tab_SessioniEmergenza SET ") + names.join(QLatin1Char(',')) + where(keyColumns),
                     values + binds(key, keyColumns)))
                return failed();
            if (unit.q->numRowsAffected() < 1)
                return {refusal(QStringLiteral("La sessione ") + QString::number(progr)
                                + QStringLiteral(" non è presente in archivio."))};
        }
        return unit.commit({F::kStatusOk, QString(), progr});
    };
    return runUnit(sql, attempt);
}

} // namespace nimbo
