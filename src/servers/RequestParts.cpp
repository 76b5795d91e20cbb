#include "servers/RequestParts.h"

#include <QHash>
#include <QRegularExpression>
#include <cmath>
#include <limits>

#include "data/Dialect.h"
#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "schema/Guards.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo {

QString writerOf(const QString &requested)
{
    const QString logged = DicAmbiente::session().op.code.trimmed();
    return logged.isEmpty() ? requested.trimmed() : logged;
}

namespace {

// A leading byte-order mark is no part of a text: SQLite drops it from a
// bound value and PostgreSQL keeps it, so it is dropped before either sees it.
QString withoutByteOrderMark(QString text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n] == QChar(0xFEFF))
        ++n;
    return n ? text.mid(n) : text;
}

} // namespace

bool isPlainValue(const QVariant &v)
{
    return v.typeId() != QMetaType::QVariantList && v.typeId() != QMetaType::QVariantMap && v.canConvert<QString>();
}

bool requestText(const QVariant &v, const QString &field, bool required, QString *out, QString *why)
{
    if (v.isValid() && !v.isNull() && !isPlainValue(v)) {
        *why = QStringLiteral("Valore non valido per ") + field + QStringLiteral(": è atteso un testo.");
        return false;
    }
    *out = withoutByteOrderMark(v.toString()).trimmed();
    if (const QString bad = TextCheck::problem(field, *out); !bad.isEmpty()) {
        *why = bad;
        return false;
    }
    if (required && out->isEmpty()) {
        *why = QStringLiteral("Dato obbligatorio mancante: ") + field;
        return false;
    }
    return true;
}

UnitOutcome statementFailure(const QSqlDatabase &db, const QSqlError &e, const QString &what)
{
    return {{Funzioni_Com_1::kStatusSqlFailed, what + e.text().trimmed()},
            Dialect::isLockError(db, e.nativeErrorCode(), e.text()),
            Dialect::isConnectionLost(db, e)};
}

// ---- the row condition of a request -----------------------------------------------

bool parseEqualities(const QString &text, const QStringList &texts, const QStringList &numbers,
                     QHash<QString, QString> *out)
{
    int i = 0;
    const int n = text.size();
    const auto skipSpace = [&] {
        while (i < n && text[i].isSpace())
            ++i;
    };
    const auto canonical = [&](const QString &name) {
        for (const QString &k : texts + numbers)
            if (name.compare(k, Qt::CaseInsensitive) == 0)
                return k;
        return QString();
    };
    for (;;) {
        skipSpace();
        const int start = i;
        while (i < n && (text[i].isLetterOrNumber() || text[i] == QLatin1Char('_')))
            ++i;
        const QString name = canonical(text.mid(start, i - start));
        if (name.isEmpty() || out->contains(name))
            return false;
        skipSpace();
        if (i >= n || text[i] != QLatin1Char('='))
            return false;
        ++i;
        skipSpace();
        QString value;
        if (numbers.contains(name)) {
            const int from = i;
            while (i < n && text[i].isDigit() && text[i].unicode() < 128)
                ++i;
            if (i == from)
                return false;
            value = text.mid(from, i - from);
        } else {
            if (i >= n || text[i] != QLatin1Char('\''))
                return false;
            ++i;
            bool closed = false;
            while (i < n) {
                if (text[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('\'')) {
                        value += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                value += text[i++];
            }
            if (!closed)
                return false;
        }
        out->insert(name, value);
        skipSpace();
        if (i >= n)
            return out->size() == texts.size() + numbers.size();
        if (text.mid(i, 3).compare(QLatin1String("and"), Qt::CaseInsensitive) != 0 || i + 3 >= n
            || !text[i + 3].isSpace())
            return false;
        i += 3;
    }
}

// ---- a row of a request ---------------------------------------------------------

using Schema::Column;
using Schema::Table;
using Schema::Type;

namespace {

QVariant typedNull(Type t)
{
    switch (t) {
    case Type::Integer:
    case Type::BigInt: return QVariant(QMetaType(QMetaType::LongLong));
    case Type::Real: return QVariant(QMetaType(QMetaType::Double));
    default: return QVariant(QMetaType(QMetaType::QString));
    }
}

} // namespace

bool requestColumnValue(const Column &c, const QVariant &v, QVariant *out, QString *why)
{
    if (v.isValid() && !v.isNull() && !isPlainValue(v)) {
        *why = QStringLiteral("Valore non valido per ") + c.name;
        return false;
    }
    const bool empty = !v.isValid() || v.isNull() || v.toString().trimmed().isEmpty();
    switch (c.type) {
    case Type::Text:
        *out = v.isValid() && !v.isNull() ? QVariant(withoutByteOrderMark(v.toString())) : typedNull(c.type);
        *why = TextCheck::problem(c.name, out->toString());
        return why->isEmpty();
    case Type::Integer:
    case Type::BigInt: {
        if (empty) {
            *out = typedNull(c.type);
            return true;
        }
        const QString text = v.toString().trimmed();
        bool ok = false;
        qlonglong x = text.toLongLong(&ok);
        const double d = v.toDouble();
        if (!ok && v.typeId() == QMetaType::Double && std::isfinite(d) && std::trunc(d) == d
            && std::abs(d) < 9.0e18) {
            x = qlonglong(d);
            ok = true;
        }
        static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]+$"));
        const bool tooBig = ok ? c.type == Type::Integer && (x < std::numeric_limits<qint32>::min()
                                                             || x > std::numeric_limits<qint32>::max())
                               : digits.match(text).hasMatch()
                                     || (v.typeId() == QMetaType::Double && std::isfinite(d) && std::trunc(d) == d);
        if (tooBig) {
            const qlonglong high = c.type == Type::Integer ? std::numeric_limits<qint32>::max()
                                                           : std::numeric_limits<qint64>::max();
            *why = QStringLiteral("Valore fuori dai limiti per %1: %2 (ammesso da %3 a %4).")
                       .arg(c.name, text, QString::number(-high - 1), QString::number(high));
            return false;
        }
        if (!ok) {
            *why = QStringLiteral("Valore non numerico per ") + c.name + QStringLiteral(": ") + v.toString();
            return false;
        }
        *out = x;
        return true;
    }
    case Type::Real: {
        bool ok = true;
        *out = empty ? typedNull(c.type) : QVariant(v.toDouble(&ok));
        if (!ok)
            *why = QStringLiteral("Valore non numerico per ") + c.name + QStringLiteral(": ") + v.toString();
        return ok;
    }
    case Type::Date:
    case Type::Timestamp: {
        if (empty) {
            *out = typedNull(c.type);
            return true;
        }
        QDateTime dt;
        if (v.typeId() == QMetaType::QDate)
            dt = v.toDate().startOfDay();
        else if (v.typeId() == QMetaType::QDateTime)
            dt = v.toDateTime();
        else
            dt = F::parseDateShape(v.toString());
        if (!dt.isValid()) {
            *why = QStringLiteral("Data non valida per ") + c.name + QStringLiteral(": ") + v.toString();
            return false;
        }
        *out = c.type == Type::Date ? dt.date().toString(Qt::ISODate)
                                    : dt.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        return true;
    }
    case Type::Blob:
    case Type::Serial: break;
    }
    *why = QStringLiteral("La colonna ") + c.name + QStringLiteral(" non può essere scritta con questa richiesta.");
    return false;
}


int RequestRow::indexOf(const QString &name) const
{
    for (int i = 0; i < values.size(); ++i)
        if (values[i].first->name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant RequestRow::get(const QString &name) const
{
    const int i = indexOf(name);
    return i < 0 ? QVariant() : values[i].second;
}

bool RequestRow::filled(const QString &name) const
{
    const QVariant v = get(name);
    return !v.isNull() && !v.toString().trimmed().isEmpty();
}

void RequestRow::set(const QString &name, const QVariant &value)
{
    const int i = indexOf(name);
    if (i >= 0)
        values[i].second = value;
    else if (const Column *c = table->column(name))
        values.append({c, value});
}

void RequestRow::setIfEmpty(const QString &name, const QVariant &value)
{
    if (!filled(name))
        set(name, value);
}

void RequestRow::remove(const QString &name)
{
    const int i = indexOf(name);
    if (i >= 0)
        values.remove(i);
}

void RequestRow::trimTexts()
{
    for (auto &[c, v] : values)
        if (c->type == Type::Text && !v.isNull())
            v = v.toString().trimmed();
}

bool readRequestRow(const QVariant &packed, const Table *table, RequestRow *row, QString *why)
{
    row->table = table;
    const QVariantList rows = packed.toList();
    if (packed.typeId() != QMetaType::QVariantList || rows.size() != 2
        || rows[0].typeId() != QMetaType::QVariantList || rows[1].typeId() != QMetaType::QVariantList
        || rows[0].toList().size() != rows[1].toList().size()) {
        *why = QStringLiteral("Elenco colonne non valido per ") + table->name
               + QStringLiteral(": sono attese due righe (nomi e valori) della stessa lunghezza.");
        return false;
    }
    const QVariantList names = rows[0].toList(), values = rows[1].toList();
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i].toString().trimmed();
        if (name.isEmpty())
            continue;
        const Column *c = table->column(name);
        if (!c) {
            *why = QStringLiteral("Colonna sconosciuta nella tabella ") + table->name + QStringLiteral(": ") + name;
            return false;
        }
        if (row->has(name)) {
            *why = QStringLiteral("Colonna ripetuta nella richiesta: ") + name;
            return false;
        }
        QVariant v;
        if (!requestColumnValue(*c, values[i], &v, why))
            return false;
        if (const int most = table->maxTextLength(c->name); most > 0 && !v.isNull() && v.toString().size() > most) {
            *why = QStringLiteral("Testo troppo lungo per %1: al massimo %2 caratteri.").arg(c->name).arg(most);
            return false;
        }
        if (const QString bad = Schema::Guards::valueProblem(table->name, c->name, &v); !bad.isEmpty()) {
            *why = bad;
            return false;
        }
        row->values.append({c, v});
    }
    return true;
}

// ---- the unit of work of a request -------------------------------------------------

RequestUnit::RequestUnit(const C_GestDB::Database &db, Exec exec, QString failureText)
    : db_(db), exec_(std::move(exec)), failureText_(std::move(failureText)), tx_(db)
{
}

RequestUnit::Check RequestUnit::operatorCheck(const QString &op, const QString &ente, bool activeOnly,
                                              const QString &refusal)
{
    return [this, op, ente, activeOnly, refusal](QSqlQuery *&) -> std::optional<QString> {
        QString sql = QStringLiteral("SELECT Op_Codice_Operatore FROM Tab_Operatori WHERE Op_Codice_Operatore = ?");
        QVariantList binds{op};
        if (!ente.isEmpty()) {
            sql += QStringLiteral(" AND Op_Ente = ?");
            binds << ente;
        }
        if (activeOnly)
            sql += QStringLiteral(" AND (Op_Attivo IS NULL OR Op_Attivo <> 'N')");
        bool found = false;
        if (!exists(sql, binds, &found))
            return std::nullopt;
        return found ? QString() : refusal + op;
    };
}

std::optional<UnitOutcome> RequestUnit::open(const Check &check)
{
    const C_GestDB::Result begun = tx_.begin();
    if (!begun.ok)
        return transactionFailure(begun, begun.lost);
    if (!check)
        return std::nullopt;
    const std::optional<QString> refused = check(q);
    if (!refused)
        return failed();
    if (!refused->isEmpty())
        return UnitOutcome{refusedRequest(*refused)};
    return std::nullopt;
}

bool RequestUnit::exists(const QString &sql, const QVariantList &binds, bool *found)
{
    if (!run(sql, binds))
        return false;
    *found = q->next();
    q->finish();
    return true;
}

UnitOutcome RequestUnit::failed() const
{
    if (!q)
        return {{F::kStatusSqlFailed, failureText_}};
    return statementFailure(db_.sql(), q->lastError(), failureText_);
}

UnitOutcome RequestUnit::commit(const QVariantList &reply)
{
    const C_GestDB::Result done = tx_.commit();
    if (!done.ok)
        return transactionFailure(done);
    return {reply};
}

ConnectionPool::Connection *openServerConnection(const QString &name, const std::optional<Dialect::Target> &target,
                                                 QVariantList *fail)
{
    Dialect::Target where;
    if (target) {
        where = *target;
    } else if (!Funzioni_Com_1::resolveDatabase(QStringLiteral("PROTOCOLLO"), &where)) {
        *fail = {Funzioni_Com_1::kStatusBadDatabase, Funzioni_Com_1::undeclaredText(QStringLiteral("PROTOCOLLO"))};
        return nullptr;
    }
    QString err;
    ConnectionPool::Connection *conn = ConnectionPool::acquire(name, where, &err);
    if (!conn)
        *fail = {Funzioni_Com_1::kStatusBadDatabase, QStringLiteral("Apertura Database PROTOCOLLO: ") + err};
    return conn;
}

std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> boundStatements(QSqlQuery &query)
{
    return [&query](QSqlQuery *&q, const QString &sql, const QVariantList &binds) {
        q = &query;
        if (!query.prepare(sql))
            return false;
        for (int i = 0; i < binds.size(); ++i)
            query.bindValue(i, binds[i]);
        return query.exec();
    };
}

} // namespace nimbo
