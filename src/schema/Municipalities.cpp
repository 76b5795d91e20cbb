// Writing the municipalities, provinces and regions of a list read from the
// office's files.

#include "schema/Municipalities.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include "schema/Transaction.h"

namespace Schema::Municipalities {
namespace {

QString failure(const QString &table, const QSqlQuery &q)
{
    return QStringLiteral("Scrittura di %1 non riuscita: %2").arg(table, q.lastError().text().trimmed());
}

// Inserts many rows per statement: a server then answers a hundred rows at
// a time instead of one, and the whole country loads in well under a second.
class Inserter {
public:
    Inserter(QSqlDatabase &db, QString table, QStringList columns)
        : db_(db), table_(std::move(table)), columns_(std::move(columns)), full_(db)
    {
    }

    bool add(const QVariantList &row, QString *error)
    {
        pending_.append(row);
        return pending_.size() < kRows || flush(error);
    }

    bool flush(QString *error)
    {
        if (pending_.isEmpty())
            return true;
        QSqlQuery tail(db_);
        QSqlQuery &q = pending_.size() == kRows ? full_ : tail;
        if (&q == &tail || !prepared_) {
            if (!q.prepare(statement(int(pending_.size())))) {
                *error = failure(table_, q);
                return false;
            }
            prepared_ = prepared_ || &q == &full_;
        }
        int at = 0;
        for (const QVariantList &row : std::as_const(pending_))
            for (const QVariant &v : row)
                q.bindValue(at++, v);
        if (!q.exec()) {
            *error = failure(table_, q);
            return false;
        }
        pending_.clear();
        return true;
    }

private:
    static constexpr int kRows = 100;

    QString statement(int rows) const
    {
        const QString one = QLatin1Char('(') + QStringList(columns_.size(), QStringLiteral("?")).join(QLatin1Char(','))
                            + QLatin1Char(')');
        return QStringLiteral("INSERT INTO ") + table_ + QStringLiteral(" (") + columns_.join(QStringLiteral(", "))
               + QStringLiteral(") VALUES ") + QStringList(rows, one).join(QLatin1Char(','));
    }

    QSqlDatabase &db_;
    QString table_;
    QStringList columns_;
    QSqlQuery full_;
    bool prepared_ = false;
    QList<QVariantList> pending_;
};

// One prepared statement run once per changed row.
class Updater {
public:
    Updater(QSqlDatabase &db, QString table, QString sql) : table_(std::move(table)), sql_(std::move(sql)), q_(db) {}
    bool run(const QVariantList &values, QString *error)
    {
        if (!prepared_) {
            if (!q_.prepare(sql_)) {
                *error = failure(table_, q_);
                return false;
            }
            prepared_ = true;
        }
        for (int i = 0; i < values.size(); ++i)
            q_.bindValue(i, values[i]);
        if (!q_.exec()) {
            *error = failure(table_, q_);
            return false;
        }
        return true;
    }

private:
    QString table_, sql_;
    QSqlQuery q_;
    bool prepared_ = false;
};

// The rows already there: the first column's value -> the others.
bool readRows(QSqlDatabase &db, const QString &sql, QHash<QString, QStringList> *rows, QString *error)
{
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(sql)) {
        *error = QStringLiteral("Lettura non riuscita: ") + q.lastError().text().trimmed();
        return false;
    }
    const int n = q.record().count();
    while (q.next()) {
        QStringList values;
        for (int i = 1; i < n; ++i)
            values << q.value(i).toString();
        rows->insert(q.value(0).toString(), values);
    }
    return true;
}

// "BAS" for Basilicata: the first three letters, accents dropped.
QString mnemonic(const QString &name)
{
    QString out;
    for (const QChar c : name.normalized(QString::NormalizationForm_D)) {
        if (out.size() == 3)
            break;
        if (c.isLetter() && c.unicode() < 0x80)
            out += c.toUpper();
    }
    return out;
}

struct Writer {
    QSqlDatabase &db;
    Mode mode;
    QVariant who;
    QVariant today = QDate::currentDate();
    Summary *summary;
    QString *error;

    bool regions(const QList<Region> &list)
    {
        QHash<QString, QStringList> have;
        if (!readRows(db, QStringLiteral("SELECT Reg_Codreg, Reg_Descrizione, Reg_Memo_Regione FROM Tab_Regioni"),
                      &have, error))
            return false;
        Inserter add(db, QStringLiteral("Tab_Regioni"),
                     {QStringLiteral("Reg_Codreg"), QStringLiteral("Reg_Descrizione"), QStringLiteral("Reg_Memo_Regione"),
                      QStringLiteral("Reg_CodOper"), QStringLiteral("Reg_DatOper")});
        Updater change(db, QStringLiteral("Tab_Regioni"),
                       QStringLiteral("UPDATE Tab_Regioni SET Reg_Descrizione = ?, Reg_Memo_Regione = ?, "
                                      "Reg_CodOper = ?, Reg_DatOper = ? WHERE Reg_Codreg = ?"));
        Counts &n = summary->regions;
        for (const Region &r : list) {
            const auto it = have.constFind(r.code);
            if (it == have.cend()) {
                if (!add.add({r.code, r.name, mnemonic(r.name), who, today}, error))
                    return false;
                ++n.added;
                continue;
            }
            // A mnemonic the operator gave is his.
            const QString memo = it->value(1).trimmed().isEmpty() ? mnemonic(r.name) : it->value(1);
            if (mode == Mode::AddOnly || (it->value(0) == r.name && memo == it->value(1))) {
                ++n.unchanged;
                continue;
            }
            if (!change.run({r.name, memo, who, today, r.code}, error))
                return false;
            ++n.updated;
        }
        return add.flush(error);
    }

    bool provinces(const QList<Province> &list)
    {
        QHash<QString, QStringList> have;
        if (!readRows(db,
                      QStringLiteral("SELECT Prv_Codprov, Prv_Descrizione, Prv_Sigla_Auto, Prv_Codreg FROM Tab_Provincie"),
                      &have, error))
            return false;
        Inserter add(db, QStringLiteral("Tab_Provincie"),
                     {QStringLiteral("Prv_Codprov"), QStringLiteral("Prv_Descrizione"), QStringLiteral("Prv_Sigla_Auto"),
                      QStringLiteral("Prv_Codreg"), QStringLiteral("Prv_CodOper"), QStringLiteral("Prv_DatOper")});
        Updater change(db, QStringLiteral("Tab_Provincie"),
                       QStringLiteral("UPDATE Tab_Provincie SET Prv_Descrizione = ?, Prv_Sigla_Auto = ?, Prv_Codreg = ?, "
                                      "Prv_CodOper = ?, Prv_DatOper = ? WHERE Prv_Codprov = ?"));
        Counts &n = summary->provinces;
        for (const Province &p : list) {
            const auto it = have.constFind(p.code);
            if (it == have.cend()) {
                if (!add.add({p.code, p.name, p.plate, p.region, who, today}, error))
                    return false;
                ++n.added;
            } else if (mode == Mode::AddOnly || *it == QStringList{p.name, p.plate, p.region}) {
                ++n.unchanged;
            } else {
                if (!change.run({p.name, p.plate, p.region, who, today, p.code}, error))
                    return false;
                ++n.updated;
            }
        }
        return add.flush(error);
    }

    bool municipalities(const QList<Municipality> &list)
    {
        QHash<QString, QStringList> have;
        if (!readRows(db,
                      QStringLiteral("SELECT Com_Codcom, com_Comune, com_codprov, com_codcat, com_cap FROM Tab_Comuni"),
                      &have, error))
            return false;
        QHash<QString, QSet<QString>> caps;
        {
            QSqlQuery q(db);
            q.setForwardOnly(true);
            if (!q.exec(QStringLiteral("SELECT Cap_Codcom, Cap_Cap FROM Tab_ComuniCap"))) {
                *error = QStringLiteral("Lettura non riuscita: ") + q.lastError().text().trimmed();
                return false;
            }
            while (q.next())
                caps[q.value(0).toString()].insert(q.value(1).toString());
        }
        Inserter add(db, QStringLiteral("Tab_Comuni"),
                     {QStringLiteral("Com_Codcom"), QStringLiteral("com_Comune"), QStringLiteral("com_cap"),
                      QStringLiteral("com_codprov"), QStringLiteral("com_codcat"), QStringLiteral("com_stato"),
                      QStringLiteral("com_preftel"), QStringLiteral("com_Codoper"), QStringLiteral("com_Datoper")});
        Updater change(db, QStringLiteral("Tab_Comuni"),
                       QStringLiteral("UPDATE Tab_Comuni SET com_Comune = ?, com_codprov = ?, com_codcat = ?, "
                                      "com_cap = ?, com_Codoper = ?, com_Datoper = ? WHERE Com_Codcom = ?"));
        Inserter addCap(db, QStringLiteral("Tab_ComuniCap"), {QStringLiteral("Cap_Codcom"), QStringLiteral("Cap_Cap")});
        Updater dropCap(db, QStringLiteral("Tab_ComuniCap"),
                        QStringLiteral("DELETE FROM Tab_ComuniCap WHERE Cap_Codcom = ? AND Cap_Cap = ?"));
        Counts &n = summary->municipalities;
        QSet<QString> inFile;
        for (const Municipality &m : list) {
            inFile.insert(m.code);
            // The postal codes of the file replace those of the town.
            const QSet<QString> want(m.postalCodes.cbegin(), m.postalCodes.cend());
            const QSet<QString> had = caps.value(m.code);
            bool capsChanged = false;
            for (const QString &c : m.postalCodes) {
                if (had.contains(c))
                    continue;
                if (!addCap.add({m.code, c}, error))
                    return false;
                capsChanged = true;
            }
            if (mode == Mode::AddAndUpdate && !want.isEmpty()) {
                for (const QString &c : had) {
                    if (want.contains(c))
                        continue;
                    if (!dropCap.run({m.code, c}, error))
                        return false;
                    capsChanged = true;
                }
            }
            const auto it = have.constFind(m.code);
            if (it == have.cend()) {
                if (!add.add({m.code, m.name, m.postalCodes.value(0), m.plate, m.cadastral, QStringLiteral("IT"),
                              QString(), who, today},
                             error))
                    return false;
                ++n.added;
                continue;
            }
            const QString cap = m.postalCodes.isEmpty() ? it->value(3) : m.postalCodes.first();
            const bool same = *it == QStringList{m.name, m.plate, m.cadastral, cap};
            if (mode == Mode::AddOnly || same) {
                ++(capsChanged && mode == Mode::AddAndUpdate ? n.updated : n.unchanged);
                continue;
            }
            if (!change.run({m.name, m.plate, m.cadastral, cap, who, today, m.code}, error))
                return false;
            ++n.updated;
        }
        for (auto it = have.cbegin(); it != have.cend(); ++it)
            summary->absent += inFile.contains(it.key()) ? 0 : 1;
        return add.flush(error) && addCap.flush(error);
    }
};

} // namespace

bool Summary::changed() const
{
    for (const Counts &c : {regions, provinces, municipalities})
        if (c.added || c.updated)
            return true;
    return false;
}

QStringList Summary::lines() const
{
    QStringList out{
        QStringLiteral("Regioni: %1 aggiunte, %2 aggiornate, %3 invariate.")
            .arg(regions.added)
            .arg(regions.updated)
            .arg(regions.unchanged),
        QStringLiteral("Province: %1 aggiunte, %2 aggiornate, %3 invariate.")
            .arg(provinces.added)
            .arg(provinces.updated)
            .arg(provinces.unchanged),
        QStringLiteral("Comuni: %1 aggiunti, %2 aggiornati, %3 invariati, %4 presenti nel database ma non nel file "
                       "(conservati).")
            .arg(municipalities.added)
            .arg(municipalities.updated)
            .arg(municipalities.unchanged)
            .arg(absent)};
    out << (changed() ? QStringLiteral("Caricamento completato.")
                      : QStringLiteral("Nessuna modifica: il database contiene già questi dati."));
    return out;
}

bool apply(QSqlDatabase &db, const List &list, Mode mode, const QString &operatorCode, Summary *summary,
           QString *error)
{
    *summary = Summary();
    Writer w{db, mode, operatorCode, QDate::currentDate(), summary, error};
    return w.regions(list.regions) && w.provinces(list.provinces) && w.municipalities(list.municipalities);
}

bool load(QSqlDatabase &db, const List &list, const QString &operatorCode, Summary *summary, QString *error)
{
    detail::Transaction tx(db);
    if (!tx.begin(error))
        return false;
    if (!apply(db, list, Mode::AddAndUpdate, operatorCode, summary, error))
        return false;
    return tx.commit(error);
}

} // namespace Schema::Municipalities
