#include "data/C_GestDB.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QThread>

#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "session/LogMask.h"

namespace C_GestDB {

namespace {

const QString kForm = QStringLiteral("C_GestDB");
const QString kProc = QStringLiteral("GestioneDB");

const QString kTextLocked = QStringLiteral("Informazione Momentaneamente Non Aggiornabile.");

// Databases opened through ApriDB, by the path they were asked with.
QHash<QString, Database> &openDatabases()
{
    static QHash<QString, Database> dbs;
    return dbs;
}

Database &sessionLocal()
{
    static Database db;
    return db;
}

QString pathKey(const QString &path)
{
    const QFileInfo fi(path);
    return fi.exists() ? fi.absoluteFilePath() : path.trimmed();
}

// What one step of an operation reports: nothing, a lock held by someone
// else, or another failure.
struct StepError {
    bool failed = false;
    bool lock = false;
    QString native;
    QString text;
    bool spent = false; // the engine already waited the whole lock wait
    bool lost = false;
    static StepError none() { return {}; }
    static StepError from(const QSqlDatabase &db, const QSqlError &e)
    {
        if (e.type() == QSqlError::NoError)
            return {};
        return {true,
                Dialect::isLockError(db, e.nativeErrorCode(), e.text()),
                e.nativeErrorCode(),
                e.text(),
                Dialect::lockWaitSpent(db, e.nativeErrorCode()),
                Dialect::isConnectionLost(db, e)};
    }
    static StepError other(const QString &text) { return {true, false, {}, text}; }
};

long numberOf(const QString &native)
{
    bool ok = false;
    const long n = native.toLong(&ok);
    return ok ? n : -1;
}

Result fail(const QString &context, const QString &userText, long number, const QString &detail)
{
    Result r;
    r.errNumber = number;
    r.errText = userText;
    r.detail = detail;
    GECentr::writeLog(context + QStringLiteral(" - Err: ") + QString::number(number) + QStringLiteral(" - ") + detail,
                      kProc, kForm);
    return r;
}

// Runs a step until it succeeds, fails for a reason other than a lock, or
// the lock wait has passed. Only the retrying knows about time; the steps
// themselves are plain.
template <typename Step>
Result withLockWait(const QString &context, const QString &userText, Step step)
{
    const QDateTime deadline = QDateTime::currentDateTime().addSecs(lockWaitSeconds());
    for (;;) {
        StepError e = step();
        if (!e.failed) {
            Result r;
            r.ok = true;
            return r;
        }
        if (!e.lock || e.spent || QDateTime::currentDateTime() >= deadline) {
            Result r = fail(context, userText, numberOf(e.native), e.text);
            r.lock = e.lock;
            r.lost = e.lost;
            return r;
        }
        QThread::msleep(100);
    }
}

QSqlQuery makeQuery(const Database &db)
{
    QSqlDatabase sql = db.sql();
    Dialect::followLockWait(sql);
    QSqlQuery q(sql);
    q.setForwardOnly(true);
    return q;
}

bool looksLikeTableName(const QString &source)
{
    static const QRegularExpression re(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return re.match(source.trimmed()).hasMatch();
}

QString selectText(const QString &source)
{
    return looksLikeTableName(source) ? QStringLiteral("SELECT * FROM ") + source.trimmed() : source;
}

// SQLite keeps dates as ISO text; PostgreSQL hands back date types. Callers
// see the same text from both.
QVariant isoDates(const QVariant &v)
{
    if (v.isNull())
        return v;
    switch (v.typeId()) {
    case QMetaType::QDate: return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case QMetaType::QDateTime: return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    case QMetaType::QTime: return v.toTime().toString(QStringLiteral("hh:mm:ss"));
    default: return v;
    }
}

Database resolveWorkspace(const Database &given) { return given.valid() ? given : sessionLocal(); }

Result openOp(const Request &req)
{
    const bool pg = !req.connect.trimmed().isEmpty();
    const QString where = pg ? req.connect.trimmed() : req.path;
    const QString context = QStringLiteral("Apertura Database ") + GECentr::hidePasswords(where);
    const QString userText = QStringLiteral("Archivi Bloccati Da Altro Utente,\nImpossibile Accedere.");
    const QString key = pg ? where : pathKey(where);
    const QString name = pg ? GECentr::hidePasswords(where) : QFileInfo(where).fileName();

    auto it = openDatabases().find(key);
    if (it != openDatabases().end()) {
        if (it->valid() && (!it->readOnly || req.readOnly)) {
            Result r;
            r.ok = true;
            r.database = *it;
            return r;
        }
        if (it->valid())
            return fail(context,
                        QStringLiteral("Archivio ") + name
                            + QStringLiteral(" Già Aperto Con altra Modalità Scrittura. Consultare Sistemista"),
                        0, QStringLiteral("già aperto in sola lettura"));
        openDatabases().erase(it);
    }
    // An absent file would be created empty and then read as if it were the
    // archive: refuse it instead.
    if (!pg && (where.trimmed().isEmpty() || !QFileInfo(where).isFile()))
        return fail(context, userText, 0, QStringLiteral("File inesistente: ") + where);

    static int serial = 0;
    Database db;
    db.connection = QStringLiteral("gestdb_%1").arg(++serial);
    db.path = key;
    db.readOnly = req.readOnly;
    Dialect::Target target = pg ? Dialect::Target::postgres(where) : Dialect::Target::sqlite(key);
    target.readOnly = req.readOnly;
    Result r = withLockWait(context, userText, [&]() -> StepError {
        QString err;
        if (Dialect::open(db.connection, target, &err)) {
            QSqlDatabase sql = db.sql();
            if (!Dialect::boundLockWaits(sql, &err)) {
                Dialect::close(db.connection);
                return StepError::other(err);
            }
            if (req.exclusive && !pg) {
                QSqlQuery q(sql);
                q.exec(QStringLiteral("PRAGMA locking_mode=EXCLUSIVE"));
            }
            return StepError::none();
        }
        StepError e = StepError::other(err);
        e.lock = err.contains(QLatin1String("locked"), Qt::CaseInsensitive);
        return e;
    });
    if (!r.ok)
        return r;
    // The engine may hand back other access than was asked (a write-protected
    // file opens read-only): such a database is not what the caller expects.
    const bool gotReadOnly = Dialect::isReadOnly(db.sql());
    if (gotReadOnly != req.readOnly) {
        Dialect::close(db.connection);
        const long code = req.readOnly ? kErrOpenedWritableAskedReadOnly : kErrOpenedReadOnlyAskedWritable;
        const QString text = QStringLiteral("Archivio ") + name
                             + QStringLiteral(" Aperto Con Modalità Errata. Consultare Sistemista");
        GECentr::writeLog(QStringLiteral("Err: ") + QString::number(code) + QStringLiteral(" - ") + text, kProc, kForm);
        Result bad;
        bad.errNumber = code;
        bad.errText = text;
        return bad;
    }
    openDatabases().insert(key, db);
    r.database = db;
    return r;
}

Result closeOp(const Request &req)
{
    const Database &db = req.database;
    if (!db.valid())
        return fail(QStringLiteral("Chiusura Database ") + db.name(),
                    QStringLiteral("Archivi Bloccati,\nImpossibile Accedere."), 0,
                    QStringLiteral("database non aperto"));
    for (auto it = openDatabases().begin(); it != openDatabases().end();) {
        if (it->connection == db.connection)
            it = openDatabases().erase(it);
        else
            ++it;
    }
    if (sessionLocal().connection == db.connection)
        sessionLocal() = Database();
    Dialect::close(db.connection);
    Result r;
    r.ok = true;
    return r;
}

Result transactionOp(const Request &req, const QString &context, const QString &userText, const QString &statement)
{
    const Database db = resolveWorkspace(req.database);
    if (!db.valid())
        return fail(context, userText, 0, QStringLiteral("nessun database aperto"));
    const QString sql = statement.isEmpty() ? Dialect::beginStatement(Dialect::engineOf(db.sql())) : statement;
    Result r = withLockWait(context, userText, [&]() {
        QSqlQuery q = makeQuery(db);
        q.exec(sql);
        return StepError::from(db.sql(), q.lastError());
    });
    // A rollback also undoes a change of the lock bound made inside it.
    if (statement == QLatin1String("ROLLBACK"))
        Dialect::forgetLockWait(db.connection);
    return r;
}

Result executeOp(const Request &req)
{
    const Database &db = req.database;
    const QString context = QStringLiteral("GestioneDB - Istruzione SQL ") + db.name();
    if (!db.valid())
        return fail(context, kTextLocked, 0, QStringLiteral("database non aperto"));
    int affected = -1;
    Result r = withLockWait(context, kTextLocked, [&]() {
        QSqlQuery q = makeQuery(db);
        q.exec(req.source);
        affected = q.numRowsAffected();
        return StepError::from(db.sql(), q.lastError());
    });
    if (r.ok)
        r.rowsAffected = affected;
    return r;
}

Result readOp(const Request &req)
{
    const Database &db = req.database;
    const QString context = QStringLiteral("GestioneDB - Apertura Tabella ") + req.source;
    const QString userText = QStringLiteral("L'Archivio E' Già in Uso.");
    if (!db.valid())
        return fail(context, userText, 0, QStringLiteral("database non aperto"));
    QVector<QVariantList> rows;
    QStringList columns;
    Result r = withLockWait(context, userText, [&]() {
        rows.clear();
        columns.clear();
        QSqlQuery q = makeQuery(db);
        if (!q.exec(selectText(req.source)))
            return StepError::from(db.sql(), q.lastError());
        const QSqlRecord rec = q.record();
        for (int c = 0; c < rec.count(); ++c)
            columns << rec.fieldName(c);
        rows.resize(rec.count());
        int n = 0;
        while ((req.rowCount < 0 || n < req.rowCount) && q.next()) {
            for (int c = 0; c < rec.count(); ++c)
                rows[c].append(isoDates(q.value(c)));
            ++n;
        }
        return StepError::from(db.sql(), q.lastError());
    });
    if (r.ok) {
        r.rows = std::move(rows);
        r.columns = columns;
    }
    return r;
}

} // namespace

// Record-level operations: kept together because they share the recordset's
// insides.
struct RecordsetOps {
    static QString keyCondition(const Recordset &rs, const QSqlRecord &row, QVariantList *binds)
    {
        QStringList parts;
        const QStringList names = rs.key_.isEmpty() ? [&] {
            QStringList all;
            for (int i = 0; i < row.count(); ++i)
                all << row.fieldName(i);
            return all;
        }() : rs.key_;
        for (const QString &n : names) {
            const QVariant v = row.value(n);
            if (v.isNull()) {
                parts << n + QStringLiteral(" IS NULL");
            } else {
                parts << n + QStringLiteral(" = ?");
                binds->append(v);
            }
        }
        return parts.join(QStringLiteral(" AND "));
    }

    static Result open(const Request &req)
    {
        const Database &db = req.database;
        const QString context = QStringLiteral("GestioneDB - Apertura Tabella ") + req.source;
        const QString userText = QStringLiteral("L'Archivio E' Già in Uso.");
        if (!db.valid())
            return fail(context, userText, 0, QStringLiteral("database non aperto"));
        auto rs = std::make_shared<Recordset>(db, req.source.trimmed(), looksLikeTableName(req.source));
        Result r = withLockWait(context, userText, [&]() {
            rs->rows_.clear();
            QSqlQuery q = makeQuery(db);
            if (!q.exec(selectText(req.source)))
                return StepError::from(db.sql(), q.lastError());
            rs->fields_ = q.record();
            while (q.next())
                rs->rows_.append(q.record());
            return StepError::from(db.sql(), q.lastError());
        });
        if (!r.ok)
            return r;
        if (rs->isTable_) {
            const QSqlIndex pk = db.sql().driver()->primaryIndex(rs->source_);
            for (int i = 0; i < pk.count(); ++i)
                rs->key_ << pk.fieldName(i);
        }
        r.recordset = rs;
        return r;
    }

    static Result change(short op, const Request &req)
    {
        static const QHash<short, QString> contexts = {
            {AddRecord, QStringLiteral("GestioneDB - Add Record In ")},
            {EditRecord, QStringLiteral("GestioneDB - Edit Record Sulla Tabella ")},
            {UpdateRecord, QStringLiteral("GestioneDB - Update Record Sulla Tabella ")},
            {DeleteRecord, QStringLiteral("GestioneDB - Delete Record Sulla Tabella ")},
        };
        Recordset *rs = req.recordset.get();
        const QString context = contexts.value(op) + (rs ? rs->name() : QString());
        if (!rs || !rs->db_.valid())
            return fail(context, kTextLocked, 0, QStringLiteral("recordset non aperto"));
        if (!rs->isTable_)
            return fail(context, kTextLocked, 0, QStringLiteral("recordset di sola lettura"));
        switch (op) {
        case AddRecord:
            rs->buffer_ = rs->fields_;
            rs->buffer_.clearValues();
            rs->mode_ = Recordset::Mode::Add;
            return ok();
        case EditRecord:
            if (rs->eof() || rs->bof())
                return fail(context, kTextLocked, 0, QStringLiteral("nessun record corrente"));
            rs->buffer_ = rs->rows_[rs->pos_];
            rs->mode_ = Recordset::Mode::Edit;
            return ok();
        case UpdateRecord: return update(*rs, context);
        default: return remove(*rs, context);
        }
    }

    static Result ok()
    {
        Result r;
        r.ok = true;
        return r;
    }

    static Result runBound(const Recordset &rs, const QString &context, const QString &sql, const QVariantList &binds)
    {
        return withLockWait(context, kTextLocked, [&]() {
            QSqlQuery q = makeQuery(rs.db_);
            if (!q.prepare(sql))
                return StepError::from(rs.db_.sql(), q.lastError());
            for (const QVariant &b : binds)
                q.addBindValue(b);
            q.exec();
            return StepError::from(rs.db_.sql(), q.lastError());
        });
    }

    static Result update(Recordset &rs, const QString &context)
    {
        if (rs.mode_ == Recordset::Mode::None)
            return fail(context, kTextLocked, 0, QStringLiteral("nessuna modifica in corso"));
        QStringList names, marks;
        QVariantList binds;
        QString sql;
        if (rs.mode_ == Recordset::Mode::Add) {
            for (int i = 0; i < rs.buffer_.count(); ++i) {
                if (rs.buffer_.isNull(i))
                    continue; // leaves defaults and generated keys to the engine
                names << rs.buffer_.fieldName(i);
                marks << QStringLiteral("?");
                binds << rs.buffer_.value(i);
            }
            sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(rs.source_)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(rs.source_, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        } else {
            const QSqlRecord &old = rs.rows_[rs.pos_];
            for (int i = 0; i < rs.buffer_.count(); ++i) {
                names << rs.buffer_.fieldName(i) + QStringLiteral(" = ?");
                binds << rs.buffer_.value(i);
            }
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                      .arg(rs.source_, names.join(QLatin1Char(',')), keyCondition(rs, old, &binds));
        }
        Result r = runBound(rs, context, sql, binds);
        if (!r.ok)
            return r;
        if (rs.mode_ == Recordset::Mode::Add) {
            rs.rows_.append(rs.buffer_);
            rs.pos_ = int(rs.rows_.size()) - 1;
        } else {
            rs.rows_[rs.pos_] = rs.buffer_;
        }
        rs.mode_ = Recordset::Mode::None;
        return r;
    }

    static Result remove(Recordset &rs, const QString &context)
    {
        if (rs.eof() || rs.bof())
            return fail(context, kTextLocked, 0, QStringLiteral("nessun record corrente"));
        QVariantList binds;
        const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2")
                                .arg(rs.source_, keyCondition(rs, rs.rows_[rs.pos_], &binds));
        Result r = runBound(rs, context, sql, binds);
        if (r.ok) {
            rs.rows_.remove(rs.pos_);
            rs.mode_ = Recordset::Mode::None;
        }
        return r;
    }
};

QString Database::name() const
{
    if (path.contains(QLatin1Char('=')))
        return GECentr::hidePasswords(path);
    return QFileInfo(path).fileName();
}

Database Database::wrap(const QString &connection, const QString &path)
{
    Database db;
    db.connection = connection;
    db.path = path;
    return db;
}

Recordset::Recordset(Database db, QString source, bool isTable)
    : db_(std::move(db)), source_(std::move(source)), isTable_(isTable)
{
}

QVariant Recordset::value(const QString &field) const
{
    if (mode_ != Mode::None)
        return buffer_.value(field);
    return (eof() || bof()) ? QVariant() : rows_[pos_].value(field);
}

QVariant Recordset::value(int field) const
{
    if (mode_ != Mode::None)
        return buffer_.value(field);
    return (eof() || bof()) ? QVariant() : rows_[pos_].value(field);
}

bool Recordset::setValue(const QString &field, const QVariant &v)
{
    if (mode_ == Mode::None || buffer_.indexOf(field) < 0)
        return false;
    buffer_.setValue(field, v);
    return true;
}

Result GestioneDB(short operation, const Request &req)
{
    switch (operation) {
    case ApriDB: return openOp(req);
    case ChiudiDB: return closeOp(req);
    case ApriTabella: return RecordsetOps::open(req);
    case ChiudiTabella: {
        if (!req.recordset)
            return fail(QStringLiteral("GestioneDB - Chiusura Tabella "), QStringLiteral("L'Archivio E' in Uso."), 0,
                        QStringLiteral("recordset non aperto"));
        // Other holders of the pointer see an empty set from now on.
        *req.recordset = Recordset(req.recordset->database(), req.recordset->name(), false);
        return RecordsetOps::ok();
    }
    case AddRecord:
    case EditRecord:
    case UpdateRecord:
    case DeleteRecord: return RecordsetOps::change(operation, req);
    case CommitTrans:
        return transactionOp(req, QStringLiteral("GestioneDB - Commit Sul workspace"), kTextLocked,
                             QStringLiteral("COMMIT"));
    case RollBackTrans:
        return transactionOp(req, QStringLiteral("GestioneDB - Roll Back sul workspace "),
                             QStringLiteral("Informazione Non Ripristinabile."), QStringLiteral("ROLLBACK"));
    case BeginTrans:
        return transactionOp(req, QStringLiteral("GestioneDB - Begin Transaction sul workspace "),
                             QStringLiteral("Inizio Aggiornamento Momentaneamente Non Attuabile."), QString());
    case ExecuteSQL: return executeOp(req);
    case LeggiRighe: return readOp(req);
    default: {
        Result r;
        r.errNumber = kErrUnknownOperation;
        r.errText = QStringLiteral("Accesso Archivi Errato, Consultare Sistemista");
        GECentr::writeLog(QStringLiteral("Errore In GestioneDB - Tipo Gestione Errato ") + QStringLiteral(" - ")
                              + QStringLiteral("Err: ") + QString::number(operation),
                          kProc, kForm);
        return r;
    }
    }
}

Result openDatabase(const QString &path, bool readOnly, bool exclusive)
{
    Request req;
    req.path = path;
    req.readOnly = readOnly;
    req.exclusive = exclusive;
    return GestioneDB(ApriDB, req);
}

Result openDatabase(const Dialect::Target &target, bool readOnly)
{
    Request req;
    if (target.engine == Dialect::Engine::PostgreSQL)
        req.connect = target.location;
    else
        req.path = target.location;
    req.readOnly = readOnly || target.readOnly;
    return GestioneDB(ApriDB, req);
}

Result closeDatabase(const Database &db)
{
    Request req;
    req.database = db;
    return GestioneDB(ChiudiDB, req);
}

Result execute(const Database &db, const QString &sql, int options)
{
    Request req;
    req.database = db;
    req.source = sql;
    req.options = options;
    return GestioneDB(ExecuteSQL, req);
}

Result readRows(const Database &db, const QString &sqlOrTable, int rowCount)
{
    Request req;
    req.database = db;
    req.source = sqlOrTable;
    req.rowCount = rowCount;
    return GestioneDB(LeggiRighe, req);
}

Result beginTrans(const Database &db)
{
    Request req;
    req.database = db;
    return GestioneDB(BeginTrans, req);
}

Result commitTrans(const Database &db)
{
    Request req;
    req.database = db;
    return GestioneDB(CommitTrans, req);
}

Result rollBack(const Database &db)
{
    Request req;
    req.database = db;
    return GestioneDB(RollBackTrans, req);
}

Result openLocalDatabase()
{
    Result r = openDatabase(DicAmbiente::session().cfg.tabLocal);
    if (r.ok)
        sessionLocal() = r.database;
    return r;
}

const Database &localDatabase() { return sessionLocal(); }
void setLocalDatabase(const Database &db) { sessionLocal() = db; }

void closeLocalDatabase()
{
    if (sessionLocal().valid())
        closeDatabase(sessionLocal());
    sessionLocal() = Database();
}

Transaction::~Transaction()
{
    if (active_)
        rollBack();
}

Result Transaction::begin()
{
    Result r = beginTrans(db_);
    active_ = r.ok;
    return r;
}

Result Transaction::commit()
{
    Result r = commitTrans(db_);
    if (r.ok)
        active_ = false;
    return r;
}

Result Transaction::rollBack()
{
    active_ = false;
    return C_GestDB::rollBack(db_);
}

int lockWaitSeconds()
{
    const int s = DicAmbiente::session().lockWaitSeconds;
    return s == 0 ? 30 : s;
}

} // namespace C_GestDB
