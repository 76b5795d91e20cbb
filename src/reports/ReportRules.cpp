#include "reports/ReportRules.h"

#include "data/Dialect.h"
#include "servers/AnnualRegister.h"
#include "ui/ProtocolNumber.h"

namespace nimbo::reports {

namespace F = Funzioni_Com_1;

namespace {

QString s(const char *text) { return QString::fromUtf8(text); }
QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }
QString iso(const QDate &d) { return q(d.toString(Qt::ISODate)); }
QString day(const QDate &d) { return d.toString(QStringLiteral("dd/MM/yyyy")); }

const QStringList kRegisterColumns = {s("N° Protocollo"), s("Data"),   s("Ora"),    s("Tipo"), s("Mittente/Destinatario"),
                                      s("Oggetto"),       s("Tipo documento"), s("Ufficio"), s("Stato")};
// The chronological register in the general register's order.
const QStringList kChronologicalColumns = {s("N° Protocollo"), s("Tipo"), s("Data"), s("Ora"), s("Mittente/Destinatario"),
                                           s("Oggetto"), s("Tipo documento"), s("Ufficio"), s("Stato")};
const QStringList kProtocolColumns = {s("N° Protocollo"), s("Tipo"), s("Data Protocollo"), s("Mittente/Destinatario"),
                                      s("Oggetto"), s("Ufficio di registrazione")};

// How each column of a list is shown: t text, n protocol number, d date,
// m movement time (the 14-character serial), a assignment kind.
QString columnKinds(Report r)
{
    switch (r) {
    case Report::WorkLoads: return QStringLiteral("ttttdtt");
    case Report::PerOffice: return QStringLiteral("tttttt");
    case Report::Transmission: return QStringLiteral("ttmtndtat");
    case Report::NotAssigned:
    case Report::NotClassified: return QStringLiteral("ntdttt");
    case Report::NotInCharge: return QStringLiteral("tttntdmt");
    case Report::Archived: return QStringLiteral("ntdttdtt");
    default: return {};
    }
}

// The subject as the asker may read it.
QString subject(const Asker &a, const QString &alias = QStringLiteral("p"))
{
    const QString col = alias + QStringLiteral(".Tab_Oggetto");
    if (a.privacy)
        return col;
    return QStringLiteral("CASE WHEN %1.Tab_SoggPrivacy = 'S' THEN %2 ELSE %3 END").arg(alias, q(kMaskedSubject), col);
}

// The period on a date column: every day of it, whatever time a value carries.
QString period(const QString &column, const Criteria &c)
{
    return column + QStringLiteral(" >= ") + iso(c.from) + QStringLiteral(" AND ") + column + QStringLiteral(" < ")
           + iso(c.to.addDays(1));
}

// The period on a movement time "yyyymmddhhnnss".
QString serialPeriod(const QString &column, const Criteria &c)
{
    return column + QStringLiteral(" >= ") + q(c.from.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("000000"))
           + QStringLiteral(" AND ") + column + QStringLiteral(" <= ")
           + q(c.to.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("235959"));
}

const QString kCorrespondent = QStringLiteral(
    " LEFT JOIN Tab_Rubrica r ON r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario");
const QString kRegisteringOffice = QStringLiteral(
    " LEFT JOIN Tab_Uffici u ON u.Tab_Ente = p.Tab_Ente AND u.Tab_Dipartimento = p.Tab_SedeRicezione "
    "AND u.Tab_Ufficio = p.Tab_UfficioRegistrazione");
const QString kSameProtocol = QStringLiteral("%1.Tab_Ente = p.Tab_Ente AND %1.Tab_TipoProtocollo = p.Tab_TipoProtocollo "
                                             "AND %1.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo");

QString protocolList(const Criteria &c, const Asker &a, const QString &condition)
{
    return QStringLiteral("SELECT p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo, p.Tab_DataProtocollo, "
                          "r.Tab_Denominazione, ")
           + subject(a) + QStringLiteral(", u.Tab_Descrizione FROM Tab_Protocollo p") + kCorrespondent
           + kRegisteringOffice + QStringLiteral(" WHERE p.Tab_Ente = ") + q(a.ente) + QStringLiteral(" AND ")
           + period(QStringLiteral("p.Tab_DataProtocollo"), c) + QStringLiteral(" AND ") + condition
           + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo");
}

QString workLoads(const Criteria &c, const Asker &a)
{
    QString sql = QStringLiteral(
        "SELECT p.Tab_CodiceOpeReg, o.Op_Cognome || ' ' || o.Op_Nome, p.Tab_UfficioRegistrazione, u.Tab_Descrizione, "
        "p.Tab_DataRegistrazione, COUNT(*), SUM(COALESCE(p.Tab_NumeroDocumenti, 0)) FROM Tab_Protocollo p "
        "LEFT JOIN Tab_Operatori o ON o.Op_Codice_Operatore = p.Tab_CodiceOpeReg")
                  + kRegisteringOffice + QStringLiteral(" WHERE p.Tab_Ente = ") + q(a.ente) + QStringLiteral(" AND ")
                  + period(QStringLiteral("p.Tab_DataRegistrazione"), c);
    if (!c.department.isEmpty())
        sql += QStringLiteral(" AND o.Op_Dipartimento = ") + q(c.department);
    return sql + QStringLiteral(" GROUP BY p.Tab_CodiceOpeReg, o.Op_Cognome, o.Op_Nome, p.Tab_UfficioRegistrazione, "
                                "u.Tab_Descrizione, p.Tab_DataRegistrazione "
                                "ORDER BY p.Tab_CodiceOpeReg, p.Tab_DataRegistrazione, p.Tab_UfficioRegistrazione");
}

QString perOffice(const Criteria &c, const Asker &a)
{
    QString sql = QStringLiteral("SELECT p.Tab_SedeRicezione, d.Dipa_Denominazione, p.Tab_UfficioRegistrazione, "
                                 "u.Tab_Descrizione, p.Tab_TipoProtocollo, COUNT(*) FROM Tab_Protocollo p "
                                 "LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = p.Tab_Ente "
                                 "AND d.Dipa_CodDipartimento = p.Tab_SedeRicezione")
                  + kRegisteringOffice + QStringLiteral(" WHERE p.Tab_Ente = ") + q(a.ente) + QStringLiteral(" AND ")
                  + period(QStringLiteral("p.Tab_DataProtocollo"), c);
    if (!c.department.isEmpty())
        sql += QStringLiteral(" AND p.Tab_SedeRicezione = ") + q(c.department);
    if (!c.office.isEmpty())
        sql += QStringLiteral(" AND p.Tab_UfficioRegistrazione = ") + q(c.office);
    return sql + QStringLiteral(" GROUP BY p.Tab_SedeRicezione, d.Dipa_Denominazione, p.Tab_UfficioRegistrazione, "
                                "u.Tab_Descrizione, p.Tab_TipoProtocollo "
                                "ORDER BY p.Tab_SedeRicezione, p.Tab_UfficioRegistrazione, p.Tab_TipoProtocollo");
}

// The office reached by a movement (a) and its department.
const QString kReachedOffice = QStringLiteral(
    " LEFT JOIN Tab_Uffici u ON u.Tab_Ente = a.Tab_Ente AND u.Tab_Ufficio = a.Tab_UfficioDestinatario"
    " LEFT JOIN Tab_Dipartimenti d ON d.Dipa_CodiceEnte = u.Tab_Ente AND d.Dipa_CodDipartimento = u.Tab_Dipartimento"
    " LEFT JOIN Tab_UfficiComponenti k ON k.Tab_Ente = a.Tab_Ente AND k.Tab_Ufficio = a.Tab_UfficioDestinatario"
    " AND k.Tab_Progressivo = a.Tab_Componente AND a.Tab_Componente <> 0");

QString chosenOffice(const Criteria &c)
{
    QString sql;
    if (!c.department.isEmpty())
        sql += QStringLiteral(" AND u.Tab_Dipartimento = ") + q(c.department);
    if (!c.office.isEmpty())
        sql += QStringLiteral(" AND a.Tab_UfficioDestinatario = ") + q(c.office);
    return sql;
}

QString transmission(const Criteria &c, const Asker &a)
{
    QString sql = QStringLiteral("SELECT d.Dipa_Denominazione, u.Tab_Descrizione, m.Tab_DataSerialeMov, "
                                 "r.Tab_Denominazione, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, ")
                  + subject(a)
                  + QStringLiteral(", a.Tab_TipoAssegnazione, k.Tab_Componente FROM Tab_Iter_Documento m "
                                   "JOIN Tab_Protocollo p ON ")
                  + kSameProtocol.arg(QStringLiteral("m"))
                  + QStringLiteral(" JOIN Tab_Iter_Destinatari a ON a.Tab_Ente = m.Tab_Ente AND a.Tab_TipoProtocollo = "
                                   "m.Tab_TipoProtocollo AND a.Tab_NumeroProtocollo = m.Tab_NumeroProtocollo AND "
                                   "a.Tab_DataSerialeMov = m.Tab_DataSerialeMov")
                  + kReachedOffice + kCorrespondent + QStringLiteral(" WHERE m.Tab_Ente = ") + q(a.ente)
                  + QStringLiteral(" AND m.Tab_TipoMovimento = ") + QString::number(c.assignment == 2 ? 2 : 4)
                  + QStringLiteral(" AND m.Tab_TipoProtocollo = 'E' AND ")
                  + serialPeriod(QStringLiteral("m.Tab_DataSerialeMov"), c) + chosenOffice(c);
    const QString typed = c.subject.trimmed();
    if (!typed.isEmpty())
        sql += QStringLiteral(" AND ")
               + Dialect::likeNoCase(Dialect::centralTarget().engine, QStringLiteral("p.Tab_Oggetto"),
                                     q(QLatin1Char('%') + typed + QLatin1Char('%')));
    if (!a.privacy)
        sql += QStringLiteral(" AND COALESCE(p.Tab_SoggPrivacy, 'N') <> 'S'");
    return sql + QStringLiteral(" ORDER BY u.Tab_Dipartimento, a.Tab_UfficioDestinatario, p.Tab_NumeroProtocollo, "
                                "m.Tab_DataSerialeMov");
}

QString notAssigned(const Criteria &c, const Asker &a)
{
    QString condition = QStringLiteral("p.Tab_StatoProtocollo = 'A' AND NOT EXISTS (SELECT 1 FROM Tab_Iter_Destinatari "
                                       "a WHERE ")
                        + kSameProtocol.arg(QStringLiteral("a")) + QLatin1Char(')');
    // Both boxes or neither: every direction.
    if (c.incoming != c.outgoing)
        condition += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
    return protocolList(c, a, condition);
}

// A protocol is classified when it is filed under a title of the scheme
// (Tab_ProFascicoli, written by the registration and by the classification
// window); the register row's own title columns stay empty.
QString notClassified(const Criteria &c, const Asker &a)
{
    return protocolList(c, a,
                        QStringLiteral("p.Tab_StatoProtocollo = 'A' AND NOT EXISTS (SELECT 1 FROM Tab_ProFascicoli f "
                                       "WHERE ")
                            + kSameProtocol.arg(QStringLiteral("f"))
                            + QStringLiteral(" AND COALESCE(f.Tab_Titolo, '') <> '')"));
}

QString notInCharge(const Criteria &c, const Asker &a)
{
    return QStringLiteral("SELECT d.Dipa_Denominazione, u.Tab_Descrizione, k.Tab_Componente, p.Tab_NumeroProtocollo, "
                          "p.Tab_TipoProtocollo, p.Tab_DataProtocollo, a.Tab_DataSerialeMov, ")
           + subject(a)
           + QStringLiteral(" FROM Tab_Iter_Trasmissioni a JOIN Tab_Protocollo p ON ") + kSameProtocol.arg(QStringLiteral("a"))
           + kReachedOffice + QStringLiteral(" WHERE a.Tab_Ente = ") + q(a.ente)
           + QStringLiteral(" AND p.Tab_StatoProtocollo = 'A' AND ")
           + serialPeriod(QStringLiteral("a.Tab_DataSerialeMov"), c) + chosenOffice(c)
           + QStringLiteral(" ORDER BY u.Tab_Dipartimento, a.Tab_UfficioDestinatario, a.Tab_Componente, "
                            "p.Tab_NumeroProtocollo");
}

QString archived(const Criteria &c, const Asker &a)
{
    return QStringLiteral("SELECT p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo, p.Tab_DataProtocollo, ") + subject(a)
           + QStringLiteral(", r.Tab_Denominazione, m.Tab_DataChiusuraProcedimento, m.Tab_ProtoEvasione, "
                            "u.Tab_Descrizione FROM Tab_Iter_Documento m JOIN Tab_Protocollo p ON ")
           + kSameProtocol.arg(QStringLiteral("m")) + kCorrespondent
           + QStringLiteral(" LEFT JOIN Tab_Uffici u ON u.Tab_Ente = m.Tab_Ente AND u.Tab_Ufficio = m.Tab_Ufficio"
                            " WHERE m.Tab_Ente = ")
           + q(a.ente) + QStringLiteral(" AND m.Tab_TipoMovimento = 5 AND p.Tab_StatoProtocollo = 'A' AND ")
           + period(QStringLiteral("m.Tab_DataChiusuraProcedimento"), c)
           + QStringLiteral(" ORDER BY m.Tab_DataChiusuraProcedimento, p.Tab_NumeroProtocollo");
}

QString cell(const QVariant &v, QChar kind)
{
    if (v.isNull())
        return {};
    switch (kind.unicode()) {
    case 'n': return shownNumber(v.toString().trimmed());
    case 'd':
        if (v.typeId() == QMetaType::QDate)
            return day(v.toDate());
        if (v.typeId() == QMetaType::QDateTime)
            return day(v.toDateTime().date());
        return F::displayValue(QVariant(v.toString().left(10)));
    case 'm': {
        const QDateTime t = QDateTime::fromString(v.toString().trimmed(), QStringLiteral("yyyyMMddhhmmss"));
        return t.isValid() ? t.toString(QStringLiteral("dd/MM/yyyy hh:mm")) : v.toString();
    }
    case 'a':
        return v.toInt() == 1 ? s("Competenza") : v.toInt() == 2 ? s("Copia conoscenza") : v.toString();
    default: return F::displayValue(v).trimmed();
    }
}

} // namespace

const QVector<ReportInfo> &allReports()
{
    static const QVector<ReportInfo> reports = {
        {Report::Register, s("optRegGen"), s("Registro annuale del protocollo"), s("RegistroAnnuale.rpt"),
         s("Registro Annuale del Protocollo"), kRegisterColumns},
        {Report::Chronological, s("OptGenerale"), s("Registro cronologico del protocollo"), s("RegistroGenerale.rpt"),
         s("Registro cronologico del Protocollo"), kChronologicalColumns},
        {Report::WorkLoads, s("optCarichiLav"), s("Carichi di lavoro"), s("carichilavoro.rpt"),
         s("Stampa carichi di lavoro"),
         {s("Operatore"), s("Nominativo"), s("Ufficio"), s("Descrizione ufficio"), s("Data registrazione"),
          s("N. protocolli"), s("N. documenti")}},
        {Report::PerOffice, s("OptDocUfficio"), s("Documenti protocollati per ufficio"), s("TotperUfficio.rpt"),
         s("Riepilogo documenti protocollati per ufficio"),
         {s("Dipartimento"), s("Denominazione"), s("Ufficio"), s("Descrizione ufficio"), s("Tipo"), s("N. protocolli")}},
        {Report::Transmission, s("OptTrasmissione"), s("Distinta di trasmissione agli uffici"),
         s("DistintaTrasmissione.rpt"), s("Distinta di trasmissione agli uffici dell'Ente"),
         {s("Dipartimento"), s("Ufficio"), s("Data movimento"), s("Mittente"), s("N° Protocollo"), s("Data Protocollo"),
          s("Oggetto"), s("Assegnazione"), s("Componente")}},
        {Report::NotAssigned, s("OptNonAssegnati"), s("Documenti non assegnati"), s("NonAssegnati.rpt"),
         s("Elenco documenti non assegnati"), kProtocolColumns},
        {Report::NotClassified, s("OptNonClassif"), s("Documenti non classificati"), s("NonClassificati.rpt"),
         s("Elenco documenti non classificati"), kProtocolColumns},
        {Report::NotInCharge, s("OptNonIncarico"), s("Documenti non presi in carico"), s("NonInCarico.rpt"),
         s("Elenco documenti non presi in carico"),
         {s("Dipartimento"), s("Ufficio"), s("Componente"), s("N° Protocollo"), s("Tipo"), s("Data Protocollo"),
          s("Data trasmissione"), s("Oggetto")}},
        {Report::Archived, s("OptArchiviati"), s("Documenti archiviati"), s("DocArchiviati.rpt"),
         s("Elenco documenti archiviati"),
         {s("N° Protocollo"), s("Tipo"), s("Data Protocollo"), s("Oggetto"), s("Mittente/Destinatario"),
          s("Data chiusura"), s("Protocollo di chiusura"), s("Ufficio")}},
    };
    return reports;
}

const ReportInfo &info(Report report)
{
    for (const ReportInfo &r : allReports())
        if (r.report == report)
            return r;
    static const ReportInfo none{Report::None, {}, {}, {}, {}, {}};
    return none;
}

std::optional<QString> checkRequest(const Criteria &c)
{
    if (c.report == Report::None)
        return kChooseReport;
    if (!c.from.isValid() || !c.to.isValid())
        return kBadDates;
    if (c.from > c.to)
        return kStartAfterEnd;
    return std::nullopt;
}

QString transmissionQuestion(const Criteria &c)
{
    return QStringLiteral("Confermi la richiesta di stampa della distinta di trasmissione per il periodo ") + day(c.from)
           + QStringLiteral(" - ") + day(c.to);
}

std::optional<QString> checkReport(const Criteria &c)
{
    if (c.report == Report::Transmission && c.assignment != 2 && c.assignment != 4)
        return kChooseAssignment;
    if (c.report == Report::Register && c.from.year() != c.to.year())
        return kSameYear;
    return std::nullopt;
}

QString registerTemplate(const QString &authorityCode)
{
    return authorityCode.trimmed() == QLatin1String("ARP") ? s("RegistroMensile.rpt") : s("RegistroAnnuale.rpt");
}

QString registerTitle(const QString &authorityCode)
{
    return authorityCode.trimmed() == QLatin1String("ARP") ? s("Registro mensile del Protocollo")
                                                          : s("Registro Annuale del Protocollo");
}

QDate registerStart(const Criteria &c) { return QDate(c.from.year(), 1, 1); }
QDate registerEnd(const Criteria &c) { return QDate(c.from.year(), 12, 31); }

QString reportTitle(const Criteria &c, const Asker &a)
{
    if (c.report == Report::Register)
        return registerTitle(a.authorityCode);
    if (c.report == Report::Archived)
        return s("Elenco documenti archiviati nel periodo: ") + day(c.from) + QStringLiteral(" - ") + day(c.to);
    return info(c.report).title;
}

QMap<QString, QString> headingValues(const Criteria &c, const Asker &a)
{
    Q_UNUSED(a);
    QMap<QString, QString> v;
    if (c.report == Report::Register)
        v.insert(QStringLiteral("heading"), s("Registro Generale del PROTOCOLLO  Anno ") + QString::number(c.from.year()));
    else if (c.report == Report::Chronological)
        v.insert(QStringLiteral("heading"),
                 s("Registro Generale del protocollo dal  ") + day(c.from) + s("  al  ") + day(c.to));
    else
        v.insert(QStringLiteral("period"), s("Periodo dal ") + day(c.from) + s(" al ") + day(c.to));
    QStringList filters;
    if (c.report == Report::Transmission) {
        filters << (c.assignment == 2 ? s("Documenti ritrasmessi") : s("Documenti assegnati dal protocollo"));
        if (!c.subject.trimmed().isEmpty())
            filters << s("Oggetto contenente: ") + c.subject.trimmed();
    }
    if (c.report == Report::NotAssigned && c.incoming != c.outgoing)
        filters << (c.incoming ? s("Solo documenti in entrata") : s("Solo documenti in uscita"));
    v.insert(QStringLiteral("filters"), filters.join(QStringLiteral(" - ")));
    return v;
}

QString listQuery(const Criteria &c, const Asker &a)
{
    switch (c.report) {
    case Report::WorkLoads: return workLoads(c, a);
    case Report::PerOffice: return perOffice(c, a);
    case Report::Transmission: return transmission(c, a);
    case Report::NotAssigned: return notAssigned(c, a);
    case Report::NotClassified: return notClassified(c, a);
    case Report::NotInCharge: return notInCharge(c, a);
    case Report::Archived: return archived(c, a);
    default: return {};
    }
}

QVector<ReportRow> listRows(Report report, const F::LoadedRows &rows)
{
    const QString kinds = columnKinds(report);
    QVector<ReportRow> out;
    out.reserve(rows.rowCount());
    for (int r = 0; r < rows.rowCount(); ++r) {
        ReportRow row;
        for (int c = 0; c < rows.columnCount() && c < kReportColumns; ++c)
            row << cell(rows.value(c, r), c < kinds.size() ? kinds.at(c) : QLatin1Char('t'));
        out << row;
    }
    return out;
}

} // namespace nimbo::reports
