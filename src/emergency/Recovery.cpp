#include "emergency/Recovery.h"

#include <QSqlError>
#include <QSqlQuery>

#include "data/C_GestDB.h"
#include "data/Funzioni_Com_1.h"
#include "emergency/EmergencyRules.h"
#include "emergency/ServerCall.h"
#include "servers/ImageRequests.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo::emergency {
namespace {

QDate isoDate(const QVariant &v)
{
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return QDate::fromString(v.toString().left(10), Qt::ISODate);
}

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

C_GestDB::Database localDb()
{
    if (!C_GestDB::localDatabase().valid())
        C_GestDB::openLocalDatabase();
    return C_GestDB::localDatabase();
}

QString localKey(const EmergencyRecord &r)
{
    return QStringLiteral("Tab_Ente=") + q(kEmergencyBody) + QStringLiteral(" and Tab_TipoProtocollo=") + q(r.direction)
           + QStringLiteral(" and Tab_NumeroProtocollo=") + q(r.number);
}

// The image row of the registration on the workstation.
const QString kImageKey = QStringLiteral(" WHERE ID_ente = ? AND Tipo_protocollo = ? AND Prot_Numero = ?");

bool localImageQuery(QSqlQuery &q, const QString &select, const EmergencyRecord &r)
{
    q.prepare(select + QStringLiteral(" FROM Tab_immagini") + kImageKey);
    q.addBindValue(kEmergencyBody);
    q.addBindValue(image::imageDirection(r.direction));
    q.addBindValue(r.number);
    return q.exec();
}

} // namespace

bool readEmergencyRecord(const QString &direction, const QString &number, EmergencyRecord *out)
{
    const C_GestDB::Result rows = C_GestDB::readRows(
        localDb(),
        QStringLiteral("SELECT Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_ChiaveRegistrazione, Tab_DataProtocollo, "
                       "Tab_DataRicezione, Tab_OraRicezione, Tab_Tipologia, Tab_Oggetto, Tab_Annotazioni, "
                       "Tab_ProtDocArrivo, Tab_DataProtDocArrivo, Tab_Categoria, Tab_Classe, Tab_ProtocolloGenerale "
                       "FROM Tab_ProtocolloEmergenza WHERE Tab_Ente=")
            + q(kEmergencyBody) + QStringLiteral(" and Tab_TipoProtocollo=") + q(direction)
            + QStringLiteral(" and Tab_NumeroProtocollo=") + q(number),
        1);
    if (!rows.ok || rows.rowCountRead() == 0)
        return false;
    const auto v = [&](int c) { return rows.rows.value(c).value(0); };
    out->direction = v(0).toString().trimmed();
    out->number = v(1).toString().trimmed();
    out->sessionKey = v(2).toString().trimmed();
    out->date = isoDate(v(3));
    out->received = isoDate(v(4));
    out->receivedAt = v(5).toString().trimmed();
    out->docType = v(6).toString().trimmed();
    out->subject = v(7).toString();
    out->notes = v(8).toString();
    out->refNumber = v(9).toString().trimmed();
    out->refDate = isoDate(v(10));
    out->category = v(11).toString().trimmed();
    out->cls = v(12).toString().trimmed();
    out->general = v(13).toString().trimmed();
    return true;
}

Recoverer recovererFromSession()
{
    const auto &s = DicAmbiente::session();
    Recoverer w;
    w.ente = s.op.ente;
    w.operatorCode = s.op.code;
    w.department = s.op.department;
    w.office = s.op.office;
    w.protocolOffice = !w.department.isEmpty() && w.department == s.parm.enteCodiceDip;
    return w;
}

ColumnValues recoveryColumns(const EmergencyRecord &r, const Recoverer &who, qlonglong correspondent,
                             const QString &docType, const QString &time)
{
    const QDate today = QDate::currentDate();
    const QVariant noDate = QVariant(QMetaType(QMetaType::QDate));
    return {{QStringLiteral("Tab_Ente"), who.ente},
            {QStringLiteral("Tab_TipoProtocollo"), r.direction},
            // The server sets the protocol and registration dates and time
            // from its clock when it gives the number.
            {QStringLiteral("Tab_DataRegistrazione"), today},
            {QStringLiteral("Tab_DataProtocollo"), today},
            {QStringLiteral("Tab_OraProtocollo"), time},
            {QStringLiteral("Tab_DataRicezione"), r.received.isValid() ? QVariant(r.received) : noDate},
            {QStringLiteral("Tab_OraRicezione"), r.receivedAt},
            {QStringLiteral("Tab_SedeRicezione"), who.department},
            {QStringLiteral("Tab_CodiceOpeReg"), who.operatorCode},
            {QStringLiteral("Tab_UfficioRegistrazione"), who.office},
            {QStringLiteral("Tab_Tipologia"), docType.trimmed()},
            {QStringLiteral("Tab_Intestatario"), correspondent},
            {QStringLiteral("Tab_Oggetto"), r.subject},
            {QStringLiteral("Tab_Annotazioni"), r.notes},
            {QStringLiteral("Tab_Categoria"), r.category},
            {QStringLiteral("Tab_Classe"), r.cls},
            {QStringLiteral("Tab_RegistroTemporaneo"), r.sessionKey},
            {QStringLiteral("Tab_ProtocolloTemporaneo"), temporaryNumber(r.number, r.date)},
            {QStringLiteral("Tab_StatoProtocollo"), QStringLiteral("A")},
            {QStringLiteral("Tab_ProtDocArrivo"), r.refNumber},
            {QStringLiteral("Tab_DataProtDocArrivo"), r.refDate.isValid() ? QVariant(r.refDate) : noDate},
            {QStringLiteral("Tab_SoggPrivacy"), QStringLiteral("N")},
            {QStringLiteral("Tab_ComponenteUfficio"), 0},
            {QStringLiteral("Tab_CodOper"), who.operatorCode},
            {QStringLiteral("Tab_DatOper"), today}};
}

QString alreadyRecovered(const QString &ente, const EmergencyRecord &r, bool *failed)
{
    const F::LoadedRows rows = F::loadRows(
        kCentral, QStringLiteral("SELECT Tab_NumeroProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ") + q(ente)
                      + QStringLiteral(" AND Tab_TipoProtocollo = ") + q(r.direction)
                      + QStringLiteral(" AND Tab_RegistroTemporaneo = ") + q(r.sessionKey)
                      + QStringLiteral(" AND Tab_ProtocolloTemporaneo = ") + q(temporaryNumber(r.number, r.date)));
    if (failed)
        *failed = !rows.ok && !rows.noRows();
    return rows.ok ? rows.value(0, 0).toString().trimmed() : QString();
}

bool completeLocalRecord(const EmergencyRecord &r, const QString &general, const QString &operatorCode, QString *why)
{
    const F::Statement st{QStringLiteral("R"), QStringLiteral("Tab_ProtocolloEmergenza"),
                          {{QStringLiteral("Tab_ProtocolloGenerale"), general},
                           {QStringLiteral("Tab_CodOper"), operatorCode},
                           {QStringLiteral("Tab_DatOper"), QDate::currentDate()}},
                          // Never relinked to another protocol: the write then
                          // changes no row and fails.
                          localKey(r) + QStringLiteral(" and (Tab_ProtocolloGenerale IS NULL or Tab_ProtocolloGenerale='' "
                                                       "or Tab_ProtocolloGenerale=")
                              + q(general) + QLatin1Char(')')};
    const F::BuildResult b = F::runBatch(localDb(), {st});
    if (why)
        *why = b.errText;
    return b.ok();
}

bool imagePending(const EmergencyRecord &r)
{
    QSqlQuery q(localDb().sql());
    return localImageQuery(q, QStringLiteral("SELECT COALESCE(Migrato_su_Server, 'N')"), r) && q.next()
           && q.value(0).toString().trimmed() != QLatin1String("S");
}

ImageCopy copyImage(const EmergencyRecord &r, const QString &general, const QString &ente, const QString &operatorCode)
{
    ImageCopy out;
    // The workstation's write lock, held from the look at the local row to
    // its mark: recoveries of one registration side by side on this
    // workstation copy its image once, the later ones find it copied.
    C_GestDB::Transaction held(localDb());
    if (const C_GestDB::Result begun = held.begin(); !begun.ok) {
        out.kind = ImageCopy::Failed;
        out.code = QStringLiteral("2");
        out.message = begun.errText + QLatin1Char(' ') + begun.detail;
        return out;
    }
    QSqlQuery q(localDb().sql());
    if (!localImageQuery(q, QStringLiteral("SELECT Immagine, Compresso, Data_Ins_Var, Migrato_su_Server"), r)) {
        out.kind = ImageCopy::Failed;
        out.code = QStringLiteral("2");
        out.message = q.lastError().text();
        return out;
    }
    if (!q.next() || q.value(3).toString().trimmed() == QLatin1String("S"))
        return out; // nothing scanned, or already copied
    const QByteArray stored = q.value(0).toByteArray();
    const QString compresso = q.value(1).toString().trimmed();
    QDateTime scanned = F::parseDateShape(q.value(2).toString());
    if (!scanned.isValid())
        scanned = QDateTime::currentDateTime();
    q.finish();
    const CallOutcome call =
        callServer(DicAmbiente::session().cfg.oleImg, kOpRegistraImmagineEmergenza,
                   image::recoveredImageRequest(operatorCode, ente, r.direction, general, stored,
                                                compresso == QLatin1String("1") ? compresso : QStringLiteral("0"),
                                                scanned),
                   QStringLiteral("OLE - Protocollo Documenti"));
    out.code = call.status;
    out.message = call.message;
    switch (call.kind) {
    case CallOutcome::Ok: break;
    case CallOutcome::NoServer: out.kind = ImageCopy::NoServer; return out;
    case CallOutcome::Refused:
    case CallOutcome::ServerError:
        out.kind = call.reply.isEmpty() ? ImageCopy::CallError : ImageCopy::Failed;
        return out;
    }
    // The server holds it now: a later recovery leaves it alone.
    QSqlQuery mark(localDb().sql());
    mark.prepare(QStringLiteral("UPDATE Tab_immagini SET Migrato_su_Server = 'S', Data_Migrazione = ?") + kImageKey);
    mark.addBindValue(QDate::currentDate().toString(Qt::ISODate));
    mark.addBindValue(kEmergencyBody);
    mark.addBindValue(image::imageDirection(r.direction));
    mark.addBindValue(r.number);
    if (!mark.exec()) {
        out.kind = ImageCopy::Failed;
        out.code = QStringLiteral("2");
        out.message = mark.lastError().text();
        return out;
    }
    mark.finish();
    if (const C_GestDB::Result done = held.commit(); !done.ok) {
        out.kind = ImageCopy::Failed;
        out.code = QStringLiteral("2");
        out.message = done.errText + QLatin1Char(' ') + done.detail;
        return out;
    }
    out.kind = call.reply.value(3).toString() == image::kKept ? ImageCopy::Kept : ImageCopy::Copied;
    return out;
}

RecoveryOutcome recover(const EmergencyRecord &r, const Recoverer &who, qlonglong correspondent, const QString &docType)
{
    RecoveryOutcome out;
    bool lookupFailed = false;
    out.number = alreadyRecovered(who.ente, r, &lookupFailed);
    if (lookupFailed) {
        out.kind = RecoveryOutcome::ServerError;
        out.message = QStringLiteral("Ricerca del protocollo generale non riuscita.");
        return out;
    }
    if (!out.number.isEmpty()) {
        out.kind = RecoveryOutcome::Reused;
    } else {
        const QDateTime now = F::serverTime();
        if (!now.isValid()) {
            out.kind = RecoveryOutcome::NoTime;
            return out;
        }
        const QVariantList request = registrationRequest(
            QStringLiteral("A"), protocolCondition(who.ente, r.direction, QString()),
            recoveryColumns(r, who, correspondent, docType, now.time().toString(QStringLiteral("hh:mm:ss"))),
            who.operatorCode, {}, who.protocolOffice);
        const CallOutcome call = callProtocolServer(kOpRegistraProtocollo, request, QStringLiteral("OLE - Protocollo Documenti"));
        out.message = call.message;
        switch (call.kind) {
        case CallOutcome::Ok: break;
        case CallOutcome::Refused: out.kind = RecoveryOutcome::Refused; return out;
        case CallOutcome::NoServer: out.kind = RecoveryOutcome::NoServer; return out;
        case CallOutcome::ServerError:
            out.kind = RecoveryOutcome::ServerError;
            out.message = call.status + QStringLiteral(" - ") + call.message;
            return out;
        }
        out.number = call.reply.value(2).toString().trimmed();
        out.kind = RecoveryOutcome::Registered;
    }
    QString why;
    if (!completeLocalRecord(r, out.number, who.operatorCode, &why)) {
        out.kind = RecoveryOutcome::LocalFailed;
        out.message = why;
        return out;
    }
    out.image = copyImage(r, out.number, who.ente, who.operatorCode);
    if (!out.image.ok())
        out.kind = RecoveryOutcome::ImageFailed;
    return out;
}

} // namespace nimbo::emergency
