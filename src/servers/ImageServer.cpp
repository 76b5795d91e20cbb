#include "servers/ImageServer.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "data/TextCheck.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

QVariantList refused(const QString &why) { return {QStringLiteral("991"), why}; }

// Columns a client may write; the body and the identifier are the server's.
const QStringList kImageColumns = {QStringLiteral("Tipo_protocollo"), QStringLiteral("Prot_EU"),
                                   QStringLiteral("Prot_Numero"),     QStringLiteral("Immagine"),
                                   QStringLiteral("Data_Ins_Var"),    QStringLiteral("Migrato_su_Server"),
                                   QStringLiteral("Data_Migrazione"), QStringLiteral("Compresso"),
                                   QStringLiteral("Criptato")};
const QStringList kAttachmentColumns = {
    QStringLiteral("num_ProtocolloGenerale"), QStringLiteral("num_ProtocolloProvvisorio"),
    QStringLiteral("Nome_allegato"),          QStringLiteral("Descrizione_allegato"),
    QStringLiteral("Tipo_Doc_allegato"),      QStringLiteral("allegato"),
    QStringLiteral("Compresso"),              QStringLiteral("Criptato")};

bool isBlob(const QString &column)
{
    return column.compare(QLatin1String("Immagine"), Qt::CaseInsensitive) == 0
           || column.compare(QLatin1String("allegato"), Qt::CaseInsensitive) == 0;
}

QString nowText() { return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")); }

// The column list of a store request checked against the table's columns:
// names in their canonical spelling, values as they will be bound.
bool readColumns(const QVariant &table, const QStringList &allowed, QHash<QString, QVariant> *out, QString *why)
{
    const QVariantList parts = table.toList();
    if (parts.size() != 2 || parts[0].typeId() != QMetaType::QVariantList
        || parts[1].typeId() != QMetaType::QVariantList) {
        *why = QStringLiteral("Elenco colonne non valido: attese due righe, nomi e valori.");
        return false;
    }
    const QVariantList names = parts[0].toList(), values = parts[1].toList();
    if (names.size() != values.size()) {
        *why = QStringLiteral("Elenco colonne non valido: nomi e valori in numero diverso.");
        return false;
    }
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i].toString().trimmed();
        if (name.isEmpty())
            continue;
        QString canonical;
        for (const QString &c : allowed)
            if (c.compare(name, Qt::CaseInsensitive) == 0)
                canonical = c;
        if (canonical.isEmpty()) {
            *why = QStringLiteral("Colonna non ammessa: ") + name;
            return false;
        }
        if (isBlob(canonical)) {
            out->insert(canonical, values[i].toByteArray());
            continue;
        }
        const QString text = values[i].toString();
        *why = TextCheck::problem(canonical, text);
        if (!why->isEmpty())
            return false;
        out->insert(canonical, text);
    }
    return true;
}

QVariant nullable(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

} // namespace

bool ImageServer::open(QVariantList *fail)
{
    Dialect::Target target;
    if (target_) {
        target = *target_;
    } else if (!F::resolveDatabase(QStringLiteral("PROTOCOLLO"), &target)) {
        *fail = {F::kStatusBadDatabase, F::undeclaredText(QStringLiteral("PROTOCOLLO"))};
        return false;
    }
    QString err;
    conn_ = ConnectionPool::acquire(QStringLiteral("ImageServer"), target, &err);
    if (!conn_) {
        *fail = {F::kStatusBadDatabase, QStringLiteral("Apertura Database PROTOCOLLO: ") + err};
        return false;
    }
    return true;
}

std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> ImageServer::statements(QSqlQuery &query)
{
    return [this, &query](QSqlQuery *&q, const QString &sql, const QVariantList &binds) {
        q = &query;
        return exec(query, sql, binds);
    };
}

bool ImageServer::exec(QSqlQuery &q, const QString &sql, const QVariantList &binds)
{
    if (!q.prepare(sql))
        return false;
    for (int i = 0; i < binds.size(); ++i)
        q.bindValue(i, binds[i]);
    return q.exec();
}

QVariantList ImageServer::Elabora(short operation, QVariantList &params)
{
    switch (operation) {
    case kOpRegistraAllegato: return store(params, false);
    case kOpRegistraImmagineEmergenza: return store(params, true);
    case kOpLeggiDocumento: return read(params);
    default: return refused(QStringLiteral("Operazione non prevista: ") + QString::number(operation));
    }
}

QVariantList ImageServer::store(const QVariantList &p, bool imageOnly)
{
    if (p.size() != 5)
        return refused(QStringLiteral("Richiesta non valida: attesi 5 elementi."));
    const QString mode = p[0].toString().trimmed().toUpper();
    const QString what = p[1].toString().trimmed().toUpper();
    const QString op = p[2].toString().trimmed();
    const QString ente = p[4].toString().trimmed();
    if (mode != QLatin1String("A") && mode != QLatin1String("C"))
        return refused(QStringLiteral("Operazione sul database non valida: ") + p[0].toString());
    if (what != image::kImage && what != image::kAttachment)
        return refused(QStringLiteral("Tipo di documento non valido: ") + p[1].toString());
    if (imageOnly && (what != image::kImage || mode != QLatin1String("A")))
        return refused(QStringLiteral("Operazione riservata alle immagini."));
    if (op.isEmpty() || ente.isEmpty())
        return refused(QStringLiteral("Operatore ed ente sono obbligatori."));
    const bool isImage = what == image::kImage;
    QHash<QString, QVariant> row;
    qlonglong id = 0;
    if (mode == QLatin1String("A")) {
        QString why;
        if (!readColumns(p[3], isImage ? kImageColumns : kAttachmentColumns, &row, &why))
            return refused(why);
        if (isImage) {
            if (row.value(QStringLiteral("Prot_Numero")).toString().isEmpty()
                || row.value(QStringLiteral("Immagine")).toByteArray().isEmpty())
                return refused(QStringLiteral("Numero di protocollo e immagine sono obbligatori."));
            const QString eu = row.value(QStringLiteral("Prot_EU")).toString();
            if (eu != QLatin1String("E") && eu != QLatin1String("U"))
                return refused(QStringLiteral("Prot_EU deve essere E o U."));
            row.insert(QStringLiteral("Tipo_protocollo"), image::imageDirection(eu));
            if (imageOnly) {
                // A recovered image keeps the time it was scanned at.
                const QString at = row.value(QStringLiteral("Data_Ins_Var")).toString();
                const QDateTime scanned = F::parseDateShape(at);
                if (!scanned.isValid())
                    return refused(QStringLiteral("Data di inserimento dell'immagine non valida (Data_Ins_Var): ") + at);
                row.insert(QStringLiteral("Data_Ins_Var"), scanned.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            }
        } else if (row.value(QStringLiteral("Nome_allegato")).toString().isEmpty()
                   || (row.value(QStringLiteral("num_ProtocolloGenerale")).toString().isEmpty()
                       && row.value(QStringLiteral("num_ProtocolloProvvisorio")).toString().isEmpty())) {
            return refused(QStringLiteral("Nome dell'allegato e numero di protocollo sono obbligatori."));
        }
    } else {
        bool ok = false;
        id = p[3].toLongLong(&ok);
        if (!ok || id <= 0 || isImage)
            return refused(QStringLiteral("Id_allegato non valido: ") + p[3].toString());
    }

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlQuery q(conn_->db.sql());
    RequestUnit unit(conn_->db, statements(q), QStringLiteral("Registrazione documento: "));
    if (auto stop = unit.open(unit.operatorCheck(op, ente, true, QStringLiteral("Operatore non abilitato per l'ente: "))))
        return stop->reply;
    auto failed = [&q](const QString &what) {
        return QVariantList{F::kStatusSqlFailed, what + QStringLiteral(": ") + q.lastError().text()};
    };
    if (mode == QLatin1String("C")) {
        if (!exec(q, QStringLiteral("DELETE FROM Tab_allegati WHERE Id_allegato = ? AND Cod_Ente = ?"), {id, ente}))
            return failed(QStringLiteral("Cancellazione allegato"));
        const int n = q.numRowsAffected();
        if (n != 1)
            return refused(QStringLiteral("Allegato inesistente: ") + QString::number(id));
        return unit.commit({F::kStatusOk, QString(), n}).reply;
    }

    // The protocol a document belongs to must exist in the body.
    const QString number = row.value(isImage ? QStringLiteral("Prot_Numero")
                                             : QStringLiteral("num_ProtocolloGenerale")).toString();
    if (!number.isEmpty()) {
        QString sql = QStringLiteral("SELECT Tab_NumeroProtocollo, Tab_RegistroTemporaneo FROM Tab_Protocollo "
                                     "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?");
        QVariantList binds{ente, number};
        if (isImage) {
            sql += QStringLiteral(" AND Tab_TipoProtocollo = ?");
            binds.append(row.value(QStringLiteral("Prot_EU")));
        }
        if (!exec(q, sql, binds))
            return failed(QStringLiteral("Lettura protocollo"));
        if (!q.next())
            return refused(QStringLiteral("Protocollo inesistente: ") + number);
        const bool fromEmergency = !q.value(1).toString().trimmed().isEmpty();
        q.finish();
        if (imageOnly && !fromEmergency)
            return refused(QStringLiteral("Il protocollo ") + number
                           + QStringLiteral(" non proviene da un registro di emergenza."));
    }

    QString table;
    if (isImage) {
        table = QStringLiteral("Tab_immagini");
        row.insert(QStringLiteral("ID_ente"), ente);
        if (imageOnly) {
            row.insert(QStringLiteral("Migrato_su_Server"), QStringLiteral("S"));
            row.insert(QStringLiteral("Data_Migrazione"), nowText().left(10));
        } else {
            // The server's clock, not the workstation's.
            row.insert(QStringLiteral("Data_Ins_Var"), nowText());
            row.remove(QStringLiteral("Data_Migrazione"));
        }
        if (!exec(q, QStringLiteral("DELETE FROM Tab_immagini WHERE ID_ente = ? AND Tipo_protocollo = ? "
                                    "AND Prot_Numero = ?"),
                  {ente, row.value(QStringLiteral("Tipo_protocollo")), number}))
            return failed(QStringLiteral("Cancellazione immagine precedente"));
    } else {
        table = QStringLiteral("Tab_allegati");
        row.insert(QStringLiteral("Cod_Ente"), ente);
    }
    for (const QString &flag : {QStringLiteral("Compresso"), QStringLiteral("Criptato")})
        if (row.value(flag).toString() != QLatin1String("1"))
            row.insert(flag, QStringLiteral("0"));
    QStringList names;
    QVariantList binds;
    for (auto it = row.cbegin(); it != row.cend(); ++it) {
        names << it.key();
        binds << (isBlob(it.key()) ? it.value() : nullable(it.value().toString()));
    }
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    if (!exec(q, QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + names.join(QStringLiteral(", "))
                     + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QLatin1Char(')'),
              binds))
        return failed(isImage ? QStringLiteral("Registrazione immagine") : QStringLiteral("Registrazione allegato"));
    const QString idColumn = isImage ? QStringLiteral("ID") : QStringLiteral("Id_allegato");
    QString idSql = QStringLiteral("SELECT MAX(") + idColumn + QStringLiteral(") FROM ") + table;
    idSql += isImage ? QStringLiteral(" WHERE ID_ente = ? AND Prot_Numero = ?")
                     : QStringLiteral(" WHERE Cod_Ente = ? AND Nome_allegato = ?");
    if (!exec(q, idSql,
              {ente, isImage ? QVariant(number) : row.value(QStringLiteral("Nome_allegato"))})
        || !q.next())
        return failed(QStringLiteral("Lettura identificativo"));
    const qlonglong newId = q.value(0).toLongLong();
    q.finish();
    return unit.commit({F::kStatusOk, QString(), newId}).reply;
}

QVariantList ImageServer::read(const QVariantList &p)
{
    if (p.size() != 9)
        return refused(QStringLiteral("Richiesta di lettura non valida: attesi 9 elementi."));
    for (const QVariant &v : p)
        if (v.typeId() == QMetaType::QVariantList || v.typeId() == QMetaType::QVariantMap)
            return refused(QStringLiteral("Richiesta di lettura non valida."));
    const QString what = p[0].toString().trimmed().toUpper();
    const QString ente = p[1].toString().trimmed();
    const QString direction = p[2].toString().trimmed().toUpper();
    const QString key = p[3].toString().trimmed();
    const QString op = p[4].toString().trimmed();
    const bool want = p[8].toString() != QLatin1String("N");
    if (ente.isEmpty() || op.isEmpty() || key.isEmpty())
        return refused(QStringLiteral("Ente, operatore e documento sono obbligatori."));
    for (int i = 5; i <= 7; ++i) {
        const QString why = TextCheck::problem(QStringLiteral("Richiesta"), p[i].toString());
        if (!why.isEmpty())
            return refused(why);
    }
    qlonglong id = 0;
    if (what == image::kImage) {
        if (direction != QLatin1String("E") && direction != QLatin1String("U"))
            return refused(QStringLiteral("Tipo di protocollo non valido: ") + p[2].toString());
    } else if (what == image::kAttachment || what == image::kEmail) {
        bool ok = false;
        id = key.toLongLong(&ok);
        if (!ok)
            return refused(QStringLiteral("Identificativo non numerico: ") + key);
    } else {
        return refused(QStringLiteral("Lettura non prevista: ") + p[0].toString());
    }

    QVariantList fail;
    if (!open(&fail))
        return fail;
    QSqlQuery q(conn_->db.sql());
    // Every read is logged, so it runs as a unit like a store.
    RequestUnit unit(conn_->db, statements(q), QStringLiteral("Lettura documento: "));
    if (auto stop = unit.open())
        return stop->reply;
    auto failed = [&q](const QString &what) {
        return QVariantList{F::kStatusSqlFailed, what + QStringLiteral(": ") + q.lastError().text()};
    };
    C_GestDB::Transaction &tx = unit.transaction();

    // Which protocol the document belongs to, for the privacy rule and the log.
    QString number = what == image::kImage ? key : QString();
    bool found = true;
    if (what == image::kAttachment) {
        if (!exec(q, QStringLiteral("SELECT num_ProtocolloGenerale FROM Tab_allegati WHERE Id_allegato = ? "
                                    "AND Cod_Ente = ?"),
                  {id, ente}))
            return failed(QStringLiteral("Lettura allegato"));
        found = q.next();
        number = found ? q.value(0).toString().trimmed() : QString();
        q.finish();
    }
    if (!found)
        return {F::kStatusNoRows, QStringLiteral("Allegato inesistente.")};

    // Privacy: refused unless the check itself proves the reader may see it.
    bool allowed = true;
    QString refusal;
    if (!number.isEmpty()) {
        QString sql = QStringLiteral("SELECT Tab_SoggPrivacy, Tab_CodiceOpeReg FROM Tab_Protocollo "
                                     "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?");
        QVariantList binds{ente, number};
        if (what == image::kImage) {
            sql += QStringLiteral(" AND Tab_TipoProtocollo = ?");
            binds.append(direction);
        }
        bool checked = false;
        QString privacy, registeredBy;
        if (exec(q, sql, binds) && q.next()) {
            privacy = q.value(0).toString().trimmed().toUpper();
            registeredBy = q.value(1).toString().trimmed();
            q.finish();
            if (exec(q, QStringLiteral("SELECT Op_AbilPrivacy FROM Tab_Operatori WHERE Op_Codice_Operatore = ? "
                                       "AND Op_Ente = ?"),
                      {op, ente})
                && q.next()) {
                checked = true;
                const bool right = q.value(0).toString().trimmed().toUpper() == QLatin1String("S");
                allowed = privacy != QLatin1String("S") || right
                          || registeredBy.compare(op, Qt::CaseInsensitive) == 0;
                if (!allowed)
                    refusal = image::kPrivacyRefused;
            }
            q.finish();
        }
        if (!checked) {
            allowed = false;
            refusal = image::kPrivacyCheckFailed;
            // A failed statement leaves PostgreSQL's transaction unusable:
            // start again so that the refusal is still logged.
            tx.rollBack();
            const C_GestDB::Result again = tx.begin();
            if (!again.ok)
                return {kStatusPrivacy, refusal};
        }
    }

    if (what != image::kEmail || !number.isEmpty()) {
        const QString function = allowed ? p[7].toString() : p[7].toString() + QStringLiteral(" - Accesso negato");
        if (!exec(q, QStringLiteral("INSERT INTO Log_ACCESSI_PROTO (DataAccesso, Utente, NomeComputer, MacAddress, "
                                    "Funzione, Ente, NumProtocollo, IDAllegato) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                  {nowText(), op, p[5].toString(), p[6].toString(), function, ente, nullable(number),
                   what == image::kAttachment ? QVariant(id) : QVariant(QMetaType(QMetaType::LongLong))}))
            return failed(QStringLiteral("Scrittura log accessi"));
    }
    if (!allowed) {
        const C_GestDB::Result done = tx.commit();
        if (!done.ok)
            return {F::kStatusSqlFailed, done.errText + QLatin1Char(' ') + done.detail};
        return {kStatusPrivacy, refusal};
    }

    QVariantList reply{F::kStatusNoRows, QStringLiteral("Documento non presente.")};
    QString sql;
    QVariantList binds;
    if (what == image::kImage) {
        sql = QStringLiteral("SELECT %1, Compresso, Criptato FROM Tab_immagini WHERE ID_ente = ? AND "
                             "Tipo_protocollo = ? AND Prot_Numero = ? ORDER BY ID DESC");
        binds = {ente, image::imageDirection(direction), number};
    } else if (what == image::kAttachment) {
        sql = QStringLiteral("SELECT %1, Compresso, Criptato FROM Tab_allegati WHERE Id_allegato = ?");
        binds = {id};
    } else {
        sql = QStringLiteral("SELECT %1, '0', '0' FROM Tab_ProtocEmailProvvis WHERE Tab_Ente = ? AND "
                             "Tab_NumeroProtocolloProvv = ?");
        binds = {ente, id};
    }
    const QString column = what == image::kImage      ? QStringLiteral("Immagine")
                           : what == image::kAttachment ? QStringLiteral("allegato")
                                                       : QStringLiteral("Tab_email");
    // Without the document the read still says whether one is stored.
    if (!exec(q, sql.arg(want ? column : QStringLiteral("NULL")), binds))
        return failed(QStringLiteral("Lettura documento"));
    if (q.next()) {
        reply = {F::kStatusOk, QStringLiteral("Operazione OK"), want ? q.value(0).toByteArray() : QByteArray(),
                 q.value(1).toString().trimmed(), q.value(2).toString().trimmed()};
    }
    q.finish();
    const C_GestDB::Result done = tx.commit();
    if (!done.ok)
        return {F::kStatusSqlFailed, done.errText + QLatin1Char(' ') + done.detail};
    return reply;
}

} // namespace nimbo
