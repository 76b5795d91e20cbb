#include "data/Funzioni_Com_1.h"

#include <QLocale>
#include <QRegularExpression>
#include <cmath>

#include "data/TextCheck.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"

namespace Funzioni_Com_1 {

namespace {

const QString kForm = QStringLiteral("Funzioni_Com_1");
constexpr int kExecuteOptions = 192;

QString isoDate(const QDate &d) { return d.toString(QStringLiteral("yyyy-MM-dd")); }
QString isoStamp(const QDateTime &t) { return t.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

// Builds the value list of a field list, or names the first field that
// cannot be written.
bool literals(const FieldList &fields, QStringList *out, const QString &prefix, QString *error)
{
    for (const Field &f : fields) {
        QString lit;
        int type = 0;
        if (!sqlLiteral(f.value, &lit, &type)) {
            const QString what = QStringLiteral("Tipo Dato errato ") + QString::number(type) + QLatin1Char(' ') + f.name;
            GECentr::writeLog(what, prefix.section(QLatin1Char(':'), 0, 0), kForm);
            if (error)
                *error = prefix + what;
            return false;
        }
        out->append(lit);
    }
    return true;
}

BuildResult run(const C_GestDB::Database &db, const QString &sql, const QString &proc)
{
    BuildResult b;
    b.sql = sql;
    const C_GestDB::Result r = C_GestDB::execute(db, sql, kExecuteOptions);
    b.rows = r.rowsAffected;
    if (!r.ok) {
        const QString why = r.detail.isEmpty() ? r.errText : r.detail;
        GECentr::writeLog(QStringLiteral(" Errore ExecuteSQL :") + why, proc, kForm);
        b.errNumber = r.errNumber;
        // Another user's lock is told in the dispatcher's own words.
        b.errText = r.lock ? r.errText : why;
        b.lock = r.lock;
        b.lost = r.lost;
    }
    return b;
}

BuildResult refused(const QString &error)
{
    BuildResult b;
    b.errText = error;
    return b;
}

} // namespace

QString quote(const QString &text)
{
    QString out = text;
    return out.replace(QLatin1Char('\''), QStringLiteral("''"));
}

QString pad(const QString &text, int length, QChar side)
{
    if (side.toUpper() == QLatin1Char('L'))
        return text.rightJustified(length, QLatin1Char(' '));
    return text.leftJustified(length, QLatin1Char(' '));
}

QDateTime parseDateShape(const QString &text, bool *hasTime)
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,4})([/.\-])(\d{1,2})\2(\d{1,4})(?:[ T](\d{1,2}):(\d{2})(?::(\d{2}))?)?\s*$)"));
    if (hasTime)
        *hasTime = false;
    const auto m = re.match(text);
    if (!m.hasMatch())
        return {};
    const QString a = m.captured(1), c = m.captured(4);
    const QChar sep = m.captured(2).at(0);
    int y, mo, d;
    if (a.size() == 4) { // year first, whatever the separator
        y = a.toInt();
        mo = m.captured(3).toInt();
        d = c.toInt();
    } else if (c.size() == 4) {
        y = c.toInt();
        if (sep == QLatin1Char('.')) { // d.m.yyyy
            d = a.toInt();
            mo = m.captured(3).toInt();
        } else { // m/d/yyyy, the form dates are written in for SQL text
            mo = a.toInt();
            d = m.captured(3).toInt();
        }
    } else {
        return {};
    }
    const QDate date(y, mo, d);
    if (!date.isValid())
        return {};
    QTime time(0, 0);
    if (m.capturedLength(5) > 0) {
        time = QTime(m.captured(5).toInt(), m.captured(6).toInt(), m.captured(7).toInt());
        if (!time.isValid())
            return {};
        if (hasTime)
            *hasTime = true;
    }
    return QDateTime(date, time);
}

bool isDateShape(const QString &text) { return parseDateShape(text).isValid(); }

bool sqlLiteral(const QVariant &value, QString *literal, int *typeNumber)
{
    if (typeNumber)
        *typeNumber = value.typeId();
    if (!value.isValid() || value.isNull()) {
        *literal = QStringLiteral("Null");
        return true;
    }
    switch (value.typeId()) {
    case QMetaType::Bool: *literal = value.toBool() ? QStringLiteral("1") : QStringLiteral("0"); return true;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar: *literal = value.toString(); return true;
    case QMetaType::Float:
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return false; // no engine stores it, and the text would not parse
        *literal = QString::number(d, 'g', QLocale::FloatingPointShortest);
        return true;
    }
    case QMetaType::QDate: *literal = QLatin1Char('\'') + isoDate(value.toDate()) + QLatin1Char('\''); return true;
    case QMetaType::QDateTime:
        *literal = QLatin1Char('\'') + isoStamp(value.toDateTime()) + QLatin1Char('\'');
        return true;
    case QMetaType::QTime: // times of day are kept as texts
        *literal = QLatin1Char('\'') + value.toTime().toString(QStringLiteral("hh:mm:ss")) + QLatin1Char('\'');
        return true;
    case QMetaType::QString: {
        const QString s = value.toString();
        if (s.isEmpty()) {
            *literal = QStringLiteral("Null");
            return true;
        }
        bool withTime = false;
        const QDateTime dt = parseDateShape(s, &withTime);
        if (dt.isValid()) {
            *literal = QLatin1Char('\'') + (withTime ? isoStamp(dt) : isoDate(dt.date())) + QLatin1Char('\'');
            return true;
        }
        *literal = QLatin1Char('\'') + quote(s) + QLatin1Char('\'');
        return true;
    }
    default: return false;
    }
}

QString updateStatement(const QString &table, const FieldList &fields, const QString &condition, QString *error)
{
    QStringList values;
    if (!literals(fields, &values, QStringLiteral("Update_SQL:"), error))
        return {};
    QStringList pairs;
    for (qsizetype i = 0; i < fields.size(); ++i)
        pairs << fields[i].name + QStringLiteral(" = ") + values[i];
    return QStringLiteral("UPDATE ") + table + QStringLiteral(" ") + QStringLiteral("SET ")
           + pairs.join(QLatin1Char(',')) + QStringLiteral(" WHERE ") + condition;
}

QString deleteStatement(const QString &table, const QString &condition)
{
    return QStringLiteral("DELETE FROM ") + table + QStringLiteral(" ") + QStringLiteral("WHERE ") + condition
           + QLatin1Char(';');
}

QString insertStatement(const QString &table, const FieldList &fields, QString *error)
{
    QStringList values;
    if (!literals(fields, &values, QStringLiteral("Insert_Sql:"), error))
        return {};
    QStringList names;
    for (const Field &f : fields)
        names << f.name;
    return QStringLiteral("INSERT INTO ") + table + QStringLiteral(" ") + QStringLiteral("( ")
           + names.join(QLatin1Char(',')) + QStringLiteral(") ") + QStringLiteral("VALUES (")
           + values.join(QLatin1Char(',')) + QStringLiteral(");");
}

BuildResult runUpdate(const C_GestDB::Database &db, const QString &table, const FieldList &fields,
                      const QString &condition)
{
    QString error;
    const QString sql = updateStatement(table, fields, condition, &error);
    return sql.isEmpty() ? refused(error) : run(db, sql, QStringLiteral("Update_SQL"));
}

BuildResult runDelete(const C_GestDB::Database &db, const QString &table, const QString &condition)
{
    return run(db, deleteStatement(table, condition), QStringLiteral("Delete_SQL"));
}

BuildResult runInsert(const C_GestDB::Database &db, const QString &table, const FieldList &fields)
{
    QString error;
    const QString sql = insertStatement(table, fields, &error);
    return sql.isEmpty() ? refused(error) : run(db, sql, QStringLiteral("Insert_Sql"));
}

QVariantList packStatements(const QVector<Statement> &statements)
{
    QVariantList out;
    for (const Statement &s : statements) {
        QVariantList fields;
        for (const Field &f : s.fields)
            fields.append(QVariant(QVariantList{f.name, f.value}));
        out.append(QVariant(QVariantList{s.kind, s.table, QVariant(fields), s.condition}));
    }
    return out;
}

bool unpackStatements(const QVariantList &packed, QVector<Statement> *statements)
{
    statements->clear();
    for (const QVariant &v : packed) {
        if (v.typeId() != QMetaType::QVariantList)
            return false;
        const QVariantList s = v.toList();
        if (s.size() != 4 || s[2].typeId() != QMetaType::QVariantList)
            return false;
        Statement st{s[0].toString(), s[1].toString(), {}, s[3].toString()};
        for (const QVariant &f : s[2].toList()) {
            const QVariantList pair = f.toList();
            if (f.typeId() != QMetaType::QVariantList || pair.size() != 2)
                return false;
            st.fields.append({pair[0].toString(), pair[1]});
        }
        statements->append(st);
    }
    return true;
}

namespace {

// The first text of a batch that cannot be stored, before anything is run.
BuildResult refusedText(const QVector<Statement> &statements, int *failed)
{
    BuildResult b;
    for (qsizetype i = 0; i < statements.size() && b.ok(); ++i) {
        const Statement &s = statements[i];
        for (const Field &f : s.fields) {
            if (f.value.typeId() == QMetaType::QString) {
                b.errText = TextCheck::problem(s.table + QLatin1Char('.') + f.name, f.value.toString());
                if (!b.ok())
                    break;
            }
        }
        if (b.ok())
            b.errText = TextCheck::problem(QStringLiteral("condizione di ") + s.table, s.condition);
        if (!b.ok() && failed)
            *failed = int(i);
    }
    return b;
}

} // namespace

BuildResult runBatch(const C_GestDB::Database &db, const QVector<Statement> &statements, int *failed)
{
    if (failed)
        *failed = -1;
    if (BuildResult b = refusedText(statements, failed); !b.ok())
        return b;
    C_GestDB::Transaction tx(db);
    const C_GestDB::Result begun = tx.begin();
    if (!begun.ok) {
        BuildResult b;
        b.errNumber = begun.errNumber;
        b.errText = begun.errText;
        b.lock = begun.lock;
        b.lost = begun.lost;
        return b;
    }
    for (qsizetype i = 0; i < statements.size(); ++i) {
        const Statement &s = statements[i];
        const QString kind = s.kind.trimmed().toUpper();
        BuildResult b;
        if (kind == QLatin1String("R")) {
            b = runUpdate(db, s.table, s.fields, s.condition);
            if (b.ok() && b.rows == 0)
                b.errText = QStringLiteral("Nessuna riga di ") + s.table
                            + QStringLiteral(" corrisponde alla condizione: aggiornamento non eseguito");
        } else if (kind == QLatin1String("A")) {
            b = runInsert(db, s.table, s.fields);
        } else if (kind == QLatin1String("C")) {
            b = runDelete(db, s.table, s.condition);
        } else if (kind == QLatin1String("CR")) {
            b = runDelete(db, s.table, s.condition);
            if (b.ok())
                b = runInsert(db, s.table, s.fields);
        } else {
            // An unknown letter would silently drop a write from the unit.
            b.errText = QStringLiteral("Tipo operazione errato ") + s.kind + QLatin1Char(' ') + s.table;
        }
        if (!b.ok()) {
            if (failed)
                *failed = int(i);
            return b; // the guard rolls the whole batch back
        }
    }
    const C_GestDB::Result done = tx.commit();
    BuildResult b;
    if (!done.ok) {
        if (failed)
            *failed = int(statements.size());
        b.errNumber = done.errNumber;
        b.errText = done.errText;
        b.lost = done.lost;
    }
    return b;
}

bool resolveDatabase(const QString &logicalName, Dialect::Target *target)
{
    const QString name = logicalName.trimmed().toUpper();
    const auto &cfg = DicAmbiente::session().cfg;
    if (name == QLatin1String("PROTOCOLLO") && !cfg.serverDb.trimmed().isEmpty()) {
        *target = Dialect::centralTarget();
        return true;
    }
    bool declared = false;
    for (const auto &d : cfg.databases)
        declared = declared || d.name == name;
    if (!declared)
        return false;
    *target = name == QLatin1String("PROTOCOLLO") ? Dialect::centralTarget()
                                                   : Dialect::Target::sqlite(DicAmbiente::declaredDatabase(cfg, name));
    return true;
}

QString undeclaredText(const QString &logicalName)
{
    return QStringLiteral("ATTENZIONE ! ") + logicalName
           + QStringLiteral(" Inesistente tra i SET di dichiarazione Database in file ini");
}

QString genericProgId() { return DicAmbiente::session().cfg.oleGenerica; }

} // namespace Funzioni_Com_1
