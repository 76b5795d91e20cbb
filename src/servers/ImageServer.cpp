#include "servers/ImageServer.h"

#include <QDateTime>
#include <QHash>
#include <QSqlError>

#include "data/C_GestDB.h"
#include "data/Cipher.h"
#include "data/Scope.h"
#include "session/DicAmbiente.h"
#include "data/Funzioni_Com_1.h"
#include "data/Dialect.h"
#include "data/TextCheck.h"
#include "servers/RequestParts.h"

namespace nimbo {

namespace F = Funzioni_Com_1;

namespace {

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

const QString kStampFormat = QStringLiteral("yyyy-MM-dd hh:mm:ss");

bool isBlob(const QString &column)
{
    return column.compare(QLatin1String("Immagine"), Qt::CaseInsensitive) == 0
           || column.compare(QLatin1String("allegato"), Qt::CaseInsensitive) == 0;
}

// A timestamp as both engines give it back: PostgreSQL a date-time,
// SQLite the ISO text it was stored as.
QString stampText(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(kStampFormat);
    return v.toString().left(19).replace(QLatin1Char('T'), QLatin1Char(' '));
}

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
        QString name;
        if (!requestText(names[i], QStringLiteral("nome di colonna"), false, &name, why))
            return false;
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
        if (out->contains(canonical)) {
            *why = QStringLiteral("Colonna ripetuta nella richiesta: ") + canonical;
            return false;
        }
        if (isBlob(canonical)) {
            out->insert(canonical, values[i].toByteArray());
            continue;
        }
        QString text;
        if (!requestText(values[i], canonical, false, &text, why))
            return false;
        out->insert(canonical, text);
    }
    return true;
}

QVariant nullable(const QString &text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

// The database server's clock, read inside the unit: every time the image
// server writes is the server's, whatever the workstation's clock says.
std::optional<QDateTime> serverNow(RequestUnit &unit, const C_GestDB::Database &db)
{
    if (!unit.run(Dialect::serverTimeQuery(Dialect::engineOf(db.sql())), {}) || !unit.q->next())
        return std::nullopt;
    const QVariant v = unit.q->value(0);
    unit.q->finish();
    return v.typeId() == QMetaType::QDateTime ? v.toDateTime() : QDateTime::fromString(stampText(v), kStampFormat);
}

} // namespace

// A store request read whole before the database is touched.
struct ImageServer::Store {
    bool imageOnly = false;
    bool remove = false;
    bool isImage = false;
    QString op, ente;
    QHash<QString, QVariant> row;
    qlonglong id = 0;
    QString number; // the protocol the document belongs to
};

// A read request read whole before the database is touched.
struct ImageServer::Read {
    QString what, ente, direction, key, op, workstation, adapters, function;
    bool want = true;
    qlonglong id = 0;
};

bool ImageServer::open(QVariantList *fail)
{
    conn_ = openServerConnection(QStringLiteral("ImageServer"), target_, fail);
    return conn_ != nullptr;
}

std::function<bool(QSqlQuery *&, const QString &, const QVariantList &)> ImageServer::statements(QSqlQuery &query)
{
    return [&query](QSqlQuery *&q, const QString &sql, const QVariantList &binds) {
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
    default: return refusedRequest(QStringLiteral("Operazione non prevista: ") + QString::number(operation));
    }
}

QVariantList ImageServer::store(const QVariantList &p, bool imageOnly)
{
    if (p.size() != 5)
        return refusedRequest(QStringLiteral("Richiesta non valida: attesi 5 elementi."));
    Store s;
    s.imageOnly = imageOnly;
    QString mode, what, requested, why;
    // Every text is checked before anything is written or logged, and a
    // refusal never echoes a text that failed its check.
    if (!requestText(p[0], QStringLiteral("operazione sul database"), true, &mode, &why)
        || !requestText(p[1], QStringLiteral("tipo di documento"), true, &what, &why)
        || !requestText(p[2], QStringLiteral("operatore"), true, &requested, &why)
        || !requestText(p[4], QStringLiteral("ente"), true, &s.ente, &why))
        return refusedRequest(why);
    mode = mode.toUpper();
    what = what.toUpper();
    s.op = writerOf(requested);
    if (mode != QLatin1String("A") && mode != QLatin1String("C"))
        return refusedRequest(QStringLiteral("Operazione sul database non valida: ") + mode);
    if (what != image::kImage && what != image::kAttachment)
        return refusedRequest(QStringLiteral("Tipo di documento non valido: ") + what);
    if (imageOnly && (what != image::kImage || mode != QLatin1String("A")))
        return refusedRequest(QStringLiteral("Operazione riservata alle immagini."));
    s.isImage = what == image::kImage;
    s.remove = mode == QLatin1String("C");
    if (s.remove) {
        QString id;
        bool ok = false;
        if (!requestText(p[3], QStringLiteral("Id_allegato"), true, &id, &why))
            return refusedRequest(why);
        s.id = id.toLongLong(&ok);
        if (!ok || s.id <= 0 || s.isImage)
            return refusedRequest(QStringLiteral("Id_allegato non valido: ") + id);
    } else {
        if (!readColumns(p[3], s.isImage ? kImageColumns : kAttachmentColumns, &s.row, &why))
            return refusedRequest(why);
        if (s.isImage) {
            if (s.row.value(QStringLiteral("Prot_Numero")).toString().isEmpty()
                || s.row.value(QStringLiteral("Immagine")).toByteArray().isEmpty())
                return refusedRequest(QStringLiteral("Numero di protocollo e immagine sono obbligatori."));
            const QString eu = s.row.value(QStringLiteral("Prot_EU")).toString();
            if (eu != QLatin1String("E") && eu != QLatin1String("U"))
                return refusedRequest(QStringLiteral("Prot_EU deve essere E o U."));
            s.row.insert(QStringLiteral("Tipo_protocollo"), image::imageDirection(eu));
            if (imageOnly) {
                // A recovered image keeps the time it was scanned at.
                const QString at = s.row.value(QStringLiteral("Data_Ins_Var")).toString();
                const QDateTime scanned = F::parseDateShape(at);
                if (!scanned.isValid())
                    return refusedRequest(QStringLiteral("Data di inserimento dell'immagine non valida (Data_Ins_Var): ")
                                          + at);
                s.row.insert(QStringLiteral("Data_Ins_Var"), scanned.toString(kStampFormat));
            }
        } else if (s.row.value(QStringLiteral("Nome_allegato")).toString().isEmpty()
                   || (s.row.value(QStringLiteral("num_ProtocolloGenerale")).toString().isEmpty()
                       && s.row.value(QStringLiteral("num_ProtocolloProvvisorio")).toString().isEmpty())) {
            return refusedRequest(QStringLiteral("Nome dell'allegato e numero di protocollo sono obbligatori."));
        }
        s.number = s.row.value(s.isImage ? QStringLiteral("Prot_Numero") : QStringLiteral("num_ProtocolloGenerale"))
                       .toString();
    }

    QVariantList fail;
    if (!open(&fail))
        return fail;
    return runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&] { return storeAttempt(s); });
}

UnitOutcome ImageServer::storeAttempt(const Store &s)
{
    QSqlQuery query(conn_->db.sql());
    RequestUnit unit(conn_->db, statements(query), QStringLiteral("Registrazione documento: "));
    if (auto stop = unit.open(unit.operatorCheck(s.op, s.ente, true, QStringLiteral("Operatore non abilitato per l'ente: "))))
        return *stop;
    if (s.remove) {
        if (!unit.run(QStringLiteral("DELETE FROM Tab_allegati WHERE Id_allegato = ? AND Cod_Ente = ?"), {s.id, s.ente}))
            return unit.failed();
        if (unit.q->numRowsAffected() != 1)
            return {refusedRequest(QStringLiteral("Allegato inesistente: ") + QString::number(s.id))};
        return unit.commit({F::kStatusOk, QString(), 1});
    }

    // The protocol a document belongs to must exist in the body. An image
    // locks it until the commit, so that two stores of the same protocol's
    // image follow each other and the second finds the first's row.
    if (!s.number.isEmpty()) {
        QString sql = QStringLiteral("SELECT Tab_RegistroTemporaneo FROM Tab_Protocollo "
                                     "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?");
        QVariantList binds{s.ente, s.number};
        if (s.isImage) {
            sql += QStringLiteral(" AND Tab_TipoProtocollo = ?");
            binds.append(s.row.value(QStringLiteral("Prot_EU")));
            if (Dialect::engineOf(conn_->db.sql()) == Dialect::Engine::PostgreSQL)
                sql += QStringLiteral(" FOR NO KEY UPDATE");
        }
        if (!unit.run(sql, binds))
            return unit.failed();
        if (!unit.q->next())
            return {refusedRequest(QStringLiteral("Protocollo inesistente: ") + s.number)};
        const bool fromEmergency = !unit.q->value(0).toString().trimmed().isEmpty();
        unit.q->finish();
        if (s.imageOnly && !fromEmergency)
            return {refusedRequest(QStringLiteral("Il protocollo ") + s.number
                                   + QStringLiteral(" non proviene da un registro di emergenza."))};
    }
    const std::optional<QDateTime> now = serverNow(unit, conn_->db);
    if (!now)
        return unit.failed();

    QHash<QString, QVariant> row = s.row;
    QString table, idColumn;
    if (s.isImage) {
        table = QStringLiteral("Tab_immagini");
        idColumn = QStringLiteral("ID");
        row.insert(QStringLiteral("ID_ente"), s.ente);
        const QString key = QStringLiteral(" FROM Tab_immagini WHERE ID_ente = ? AND Tipo_protocollo = ? AND Prot_Numero = ?");
        const QVariantList keyBinds{s.ente, row.value(QStringLiteral("Tipo_protocollo")), s.number};
        if (s.imageOnly) {
            // A recovery only ever replaces its own earlier copy: the row
            // with a migration date (only this operation sets one) and the
            // same scan time. An image the protocol received otherwise
            // (scanned on it after a copy that failed) is kept.
            if (!unit.run(QStringLiteral("SELECT ID, Data_Migrazione, Data_Ins_Var") + key
                              + QStringLiteral(" ORDER BY ID DESC"),
                          keyBinds))
                return unit.failed();
            const QString scanned = row.value(QStringLiteral("Data_Ins_Var")).toString();
            while (unit.q->next()) {
                const bool ownCopy = !unit.q->value(1).toString().trimmed().isEmpty()
                                     && stampText(unit.q->value(2)) == scanned;
                if (ownCopy)
                    continue;
                const qlonglong kept = unit.q->value(0).toLongLong();
                const QDateTime at = QDateTime::fromString(stampText(unit.q->value(2)), kStampFormat);
                unit.q->finish();
                return unit.commit({F::kStatusOk, image::keptImageText(s.number, at), kept, image::kKept});
            }
            unit.q->finish();
            row.insert(QStringLiteral("Migrato_su_Server"), QStringLiteral("S"));
            row.insert(QStringLiteral("Data_Migrazione"), now->date().toString(Qt::ISODate));
        } else {
            row.insert(QStringLiteral("Data_Ins_Var"), now->toString(kStampFormat));
            row.remove(QStringLiteral("Data_Migrazione"));
        }
        if (!unit.run(QStringLiteral("DELETE") + key, keyBinds))
            return unit.failed();
    } else {
        table = QStringLiteral("Tab_allegati");
        idColumn = QStringLiteral("Id_allegato");
        row.insert(QStringLiteral("Cod_Ente"), s.ente);
    }
    for (const QString &flag : {QStringLiteral("Compresso"), QStringLiteral("Criptato")})
        if (row.value(flag).toString() != QLatin1String("1"))
            row.insert(flag, QStringLiteral("0"));
    QStringList names, marks;
    QVariantList binds;
    for (auto it = row.cbegin(); it != row.cend(); ++it) {
        names << it.key();
        marks << QStringLiteral("?");
        binds << (isBlob(it.key()) ? it.value() : nullable(it.value().toString()));
    }
    // The new row's identifier comes back from the insert itself: another
    // writer's row can never be taken for it.
    if (!unit.run(QStringLiteral("INSERT INTO ") + table + QStringLiteral(" (") + names.join(QStringLiteral(", "))
                      + QStringLiteral(") VALUES (") + marks.join(QStringLiteral(", ")) + QStringLiteral(") RETURNING ")
                      + idColumn,
                  binds)
        || !unit.q->next())
        return unit.failed();
    const qlonglong newId = unit.q->value(0).toLongLong();
    unit.q->finish();
    QVariantList reply{F::kStatusOk, QString(), newId};
    if (s.imageOnly)
        reply.append(image::kCopied);
    return unit.commit(reply);
}

QVariantList ImageServer::read(const QVariantList &p)
{
    if (p.size() != 9)
        return refusedRequest(QStringLiteral("Richiesta di lettura non valida: attesi 9 elementi."));
    Read r;
    QString requested, want, why;
    if (!requestText(p[0], QStringLiteral("tipo di lettura"), true, &r.what, &why)
        || !requestText(p[1], QStringLiteral("ente"), true, &r.ente, &why)
        || !requestText(p[2], QStringLiteral("tipo di protocollo"), false, &r.direction, &why)
        || !requestText(p[3], QStringLiteral("documento"), true, &r.key, &why)
        || !requestText(p[4], QStringLiteral("operatore"), true, &requested, &why)
        || !requestText(p[5], QStringLiteral("nome del computer"), false, &r.workstation, &why)
        || !requestText(p[6], QStringLiteral("schede di rete"), false, &r.adapters, &why)
        || !requestText(p[7], QStringLiteral("funzione"), false, &r.function, &why)
        || !requestText(p[8], QStringLiteral("invio del documento"), false, &want, &why))
        return refusedRequest(why);
    r.what = r.what.toUpper();
    r.direction = r.direction.toUpper();
    r.op = writerOf(requested);
    r.want = want != QLatin1String("N");
    // The function is logged as the window names it, blanks included.
    r.function = p[7].toString();
    if (const QString bad = TextCheck::problem(QStringLiteral("funzione"), r.function); !bad.isEmpty())
        return refusedRequest(bad);
    if (r.what == image::kImage) {
        if (r.direction != QLatin1String("E") && r.direction != QLatin1String("U"))
            return refusedRequest(QStringLiteral("Tipo di protocollo non valido: ") + r.direction);
    } else if (r.what == image::kAttachment || r.what == image::kEmail) {
        bool ok = false;
        r.id = r.key.toLongLong(&ok);
        if (!ok)
            return refusedRequest(QStringLiteral("Identificativo non numerico: ") + r.key);
    } else {
        return refusedRequest(QStringLiteral("Lettura non prevista: ") + r.what);
    }

    QVariantList fail;
    if (!open(&fail))
        return fail;
    return runPooledUnit(conn_, QStringLiteral("PROTOCOLLO"), [&] { return readAttempt(r); });
}

namespace {

// Whether the reader may see the protocol in the general search: his level,
// department, office and extra pairs as the register holds them. Nothing
// when a statement failed.
std::optional<bool> mayReadProtocol(RequestUnit &unit, const QString &ente, const QString &op, const QString &number)
{
    protocol::Viewer v;
    v.ente = ente;
    v.operatorCode = op;
    if (!unit.run(QStringLiteral("SELECT Op_Livello, Op_AbilPrivacy, Op_Dipartimento, Op_CodiceUfficio FROM "
                                 "Tab_Operatori WHERE Op_Codice_Operatore = ? AND Op_Ente = ?"),
                  {op, ente}))
        return std::nullopt;
    if (!unit.q->next()) {
        unit.q->finish();
        return false;
    }
    v.level = unit.q->value(0).toString().trimmed().toInt();
    v.privacy = unit.q->value(1).toString().trimmed().toUpper() == QLatin1String("S");
    v.department = unit.q->value(2).toString().trimmed();
    v.office = unit.q->value(3).toString().trimmed();
    unit.q->finish();
    if (!unit.run(QStringLiteral("SELECT Op_DIP, Op_Uff FROM Tab_Operatori_DIP WHERE Op_Codice = ? AND Op_Ente = ?"),
                  {op, ente}))
        return std::nullopt;
    while (unit.q->next())
        v.extra.append({unit.q->value(0).toString().trimmed(), unit.q->value(1).toString().trimmed()});
    unit.q->finish();
    if (!unit.run(QStringLiteral("SELECT 1 FROM Tab_Protocollo p WHERE p.Tab_Ente = ? AND p.Tab_NumeroProtocollo = ? "
                                 "AND ")
                      + protocol::scope::generalSearch(v),
                  {ente, number}))
        return std::nullopt;
    const bool sees = unit.q->next();
    unit.q->finish();
    return sees;
}

} // namespace

UnitOutcome ImageServer::readAttempt(const Read &r)
{
    QSqlQuery query(conn_->db.sql());
    // Every read is logged, so it runs as a unit like a store.
    RequestUnit unit(conn_->db, statements(query), QStringLiteral("Lettura documento: "));
    if (auto stop = unit.open())
        return *stop;
    C_GestDB::Transaction &tx = unit.transaction();
    const std::optional<QDateTime> now = serverNow(unit, conn_->db);
    if (!now)
        return unit.failed();

    // Which protocol the document belongs to, for the privacy rule and the log.
    QString number = r.what == image::kImage ? r.key : QString();
    if (r.what == image::kAttachment) {
        if (!unit.run(QStringLiteral("SELECT num_ProtocolloGenerale FROM Tab_allegati WHERE Id_allegato = ? "
                                     "AND Cod_Ente = ?"),
                      {r.id, r.ente}))
            return unit.failed();
        const bool found = unit.q->next();
        number = found ? unit.q->value(0).toString().trimmed() : QString();
        unit.q->finish();
        if (!found)
            return {{F::kStatusNoRows, QStringLiteral("Allegato inesistente.")}};
    }

    // Privacy: refused unless the check itself proves the reader may see it.
    bool allowed = true;
    QString refusal;
    if (!number.isEmpty()) {
        QString sql = QStringLiteral("SELECT Tab_SoggPrivacy, Tab_CodiceOpeReg FROM Tab_Protocollo "
                                     "WHERE Tab_Ente = ? AND Tab_NumeroProtocollo = ?");
        QVariantList binds{r.ente, number};
        if (r.what == image::kImage) {
            sql += QStringLiteral(" AND Tab_TipoProtocollo = ?");
            binds.append(r.direction);
        }
        bool checked = false;
        QString privacy, registeredBy;
        if (unit.run(sql, binds) && unit.q->next()) {
            privacy = unit.q->value(0).toString().trimmed().toUpper();
            registeredBy = unit.q->value(1).toString().trimmed();
            unit.q->finish();
            if (unit.run(QStringLiteral("SELECT Op_AbilPrivacy FROM Tab_Operatori WHERE Op_Codice_Operatore = ? "
                                        "AND Op_Ente = ?"),
                         {r.op, r.ente})
                && unit.q->next()) {
                checked = true;
                const bool right = unit.q->value(0).toString().trimmed().toUpper() == QLatin1String("S");
                allowed = privacy != QLatin1String("S") || right
                          || registeredBy.compare(r.op, Qt::CaseInsensitive) == 0;
                if (!allowed)
                    refusal = image::kPrivacyRefused;
            }
        }
        if (!checked) {
            // A connection that went away is not a refusal: the unit runs
            // again on a new one.
            if (const UnitOutcome gone = unit.failed(); gone.lost)
                return gone;
            unit.q->finish();
            allowed = false;
            refusal = image::kPrivacyCheckFailed;
            // A failed statement leaves PostgreSQL's transaction unusable:
            // start again so that the refusal is still logged.
            tx.rollBack();
            const C_GestDB::Result again = tx.begin();
            if (!again.ok)
                return {{kStatusPrivacy, refusal}};
        }
    }

    // An enciphered document goes only to an operator who may see its
    // protocol: the rule of the general search, on his own record.
    bool enciphered = false;
    if (allowed && !number.isEmpty() && r.what != image::kEmail) {
        const bool found = r.what == image::kAttachment
                               ? unit.run(QStringLiteral("SELECT Criptato FROM Tab_allegati WHERE Id_allegato = ?"), {r.id})
                               : unit.run(QStringLiteral("SELECT Criptato FROM Tab_immagini WHERE ID_ente = ? AND "
                                                         "Tipo_protocollo = ? AND Prot_Numero = ? ORDER BY ID DESC"),
                                          {r.ente, image::imageDirection(r.direction), number});
        if (!found)
            return unit.failed();
        enciphered = unit.q->next() && unit.q->value(0).toString().trimmed() == QLatin1String("1");
        unit.q->finish();
        if (enciphered) {
            std::optional<bool> sees = mayReadProtocol(unit, r.ente, r.op, number);
            if (!sees)
                return unit.failed();
            if (!*sees) {
                allowed = false;
                refusal = image::kEncipheredRefused;
            }
        }
    }

    // Every read leaves its row, a provisional e-mail's as well (its number
    // goes with the function: it is not a protocol's).
    QString function = r.function;
    if (r.what == image::kEmail)
        function += QStringLiteral(" - E-mail provvisoria N. ") + QString::number(r.id);
    if (!allowed)
        function += QStringLiteral(" - Accesso negato");
    if (!unit.run(QStringLiteral("INSERT INTO Log_ACCESSI_PROTO (DataAccesso, Utente, NomeComputer, MacAddress, "
                                 "Funzione, Ente, NumProtocollo, IDAllegato) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                  {now->toString(kStampFormat), r.op, r.workstation, r.adapters, function, r.ente, nullable(number),
                   r.what == image::kAttachment ? QVariant(r.id) : QVariant(QMetaType(QMetaType::LongLong))}))
        return unit.failed();
    if (!allowed)
        return unit.commit({kStatusPrivacy, refusal});

    QVariantList reply{F::kStatusNoRows, QStringLiteral("Documento non presente.")};
    QString sql;
    QVariantList binds;
    if (r.what == image::kImage) {
        sql = QStringLiteral("SELECT %1, Compresso, Criptato FROM Tab_immagini WHERE ID_ente = ? AND "
                             "Tipo_protocollo = ? AND Prot_Numero = ? ORDER BY ID DESC");
        binds = {r.ente, image::imageDirection(r.direction), number};
    } else if (r.what == image::kAttachment) {
        sql = QStringLiteral("SELECT %1, Compresso, Criptato FROM Tab_allegati WHERE Id_allegato = ?");
        binds = {r.id};
    } else {
        sql = QStringLiteral("SELECT %1, '0', '0' FROM Tab_ProtocEmailProvvis WHERE Tab_Ente = ? AND "
                             "Tab_NumeroProtocolloProvv = ?");
        binds = {r.ente, r.id};
    }
    const QString column = r.what == image::kImage        ? QStringLiteral("Immagine")
                           : r.what == image::kAttachment ? QStringLiteral("allegato")
                                                          : QStringLiteral("Tab_email");
    // Without the document the read still says whether one is stored.
    if (!unit.run(sql.arg(r.want ? column : QStringLiteral("NULL")), binds))
        return unit.failed();
    if (unit.q->next()) {
        reply = {F::kStatusOk, QStringLiteral("Operazione OK"), r.want ? unit.q->value(0).toByteArray() : QByteArray(),
                 unit.q->value(1).toString().trimmed(), unit.q->value(2).toString().trimmed()};
    }
    unit.q->finish();
    if (r.want && reply.value(0).toInt() == F::kStatusOk && reply.value(4).toString() == QLatin1String("1")) {
        // Deciphered here, with the installation's key: the reader was
        // found entitled above. A box this key does not open goes back as
        // it lies, still flagged, and the workstation refuses to show it.
        QByteArray clear;
        QString why;
        if (Cipher::decipherBytes(reply.value(2).toByteArray(), &clear, &why, DicAmbiente::session().cfg.keyFile))
            reply = {F::kStatusOk, QStringLiteral("Operazione OK"), clear, reply.value(3), QStringLiteral("0")};
    }
    return unit.commit(reply);
}

} // namespace nimbo
