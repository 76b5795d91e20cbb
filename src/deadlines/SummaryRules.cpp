#include "deadlines/SummaryRules.h"

#include <QStringList>

#include "data/Dialect.h"
#include "iter/SendRules.h"
#include "ui/ProtocolNumber.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines::summary {

const char *const kTitles = "Tipo;N° Protocollo;Data Protocollo;Oggetto;Mittente/Destinatario";
const char *const kWidths = "7;13;11;45;35;0;0";
const char *const kMask = "*****************************************";

namespace {

QString q(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

QString contains(const QString &column, const QString &typed)
{
    return Dialect::likeNoCase(Dialect::centralTarget().engine, column,
                               q(QLatin1Char('%') + typed.trimmed() + QLatin1Char('%')));
}

QString dateLiteral(const QDate &d) { return QLatin1Char('\'') + d.toString(Qt::ISODate) + QLatin1Char('\''); }

// The offices of a department as a subquery: office codes are unique in a
// body, so a movement's office (or a recipient's) names its department
// without joining the offices row by row.
QString officesOf(const QString &ente, const QString &department)
{
    return QStringLiteral("(SELECT u.Tab_Ufficio FROM Tab_Uffici u WHERE u.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND u.Tab_Dipartimento = ") + q(department) + QLatin1Char(')');
}

struct Movement {
    QStringList sender;   // on the movement d alone
    QStringList receiver; // on the recipient row t (absent: nulls) together with d
    bool needsRecipient = false;
};

// The level's rule, in the terms of one movement d and one of its
// recipients t (a left join: t's columns are null when d has none).
// Returns false when the viewer may see nothing.
bool levelRule(const protocol::Viewer &v, std::optional<int> member, Movement &m)
{
    const QString office = q(v.office);
    switch (v.level) {
    case 6: {
        // His own sending from his office, or a delivery to the member he is
        // in his office: a member number alone names a member of any office.
        QStringList his{QStringLiteral("(d.Tab_CodiceOpe = %1 AND (d.Tab_Ufficio = %2 OR t.Tab_UfficioDestinatario = %2))")
                            .arg(q(v.operatorCode), office)};
        if (member)
            his << QStringLiteral("(t.Tab_UfficioDestinatario = %1 AND t.Tab_Componente = %2)").arg(office).arg(*member);
        m.receiver << QLatin1Char('(') + his.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        m.needsRecipient = true;
        return true;
    }
    case 7:
        m.receiver << QStringLiteral("(d.Tab_Ufficio = %1 OR t.Tab_UfficioDestinatario = %1)").arg(office);
        m.needsRecipient = true;
        return true;
    case 8: {
        const QString offices = officesOf(v.ente, v.department);
        m.receiver << QStringLiteral("(d.Tab_Ufficio IN %1 OR t.Tab_UfficioDestinatario IN %1)").arg(offices);
        m.needsRecipient = true;
        return true;
    }
    case 9:
        return true;
    default:
        return false;
    }
}

// EXISTS over the movements of p that match: the register is walked newest
// number first and each protocol probed through the movements' key, so
// the list stops at its limit without gathering every movement that
// matches (a protocol with many movements is still one row).
QString movementExists(const Criteria &c, const protocol::Viewer &v, std::optional<int> member, bool *nothing)
{
    Movement m;
    *nothing = !levelRule(v, member, m);
    if (!c.fromDepartment.trimmed().isEmpty())
        m.sender << QStringLiteral("d.Tab_Ufficio IN ") + officesOf(v.ente, c.fromDepartment.trimmed());
    if (!c.fromOffice.trimmed().isEmpty())
        m.sender << QStringLiteral("d.Tab_Ufficio = ") + q(c.fromOffice.trimmed());
    if (!c.fromOperator.trimmed().isEmpty())
        m.sender << QStringLiteral("d.Tab_CodiceOpe = ") + q(c.fromOperator.trimmed());
    if (!c.toDepartment.trimmed().isEmpty()) {
        m.receiver << QStringLiteral("t.Tab_UfficioDestinatario IN ") + officesOf(v.ente, c.toDepartment.trimmed());
        m.needsRecipient = true;
    }
    if (!c.toOffice.trimmed().isEmpty()) {
        m.receiver << QStringLiteral("t.Tab_UfficioDestinatario = ") + q(c.toOffice.trimmed());
        m.needsRecipient = true;
    }
    if (c.toMember) {
        m.receiver << QStringLiteral("t.Tab_Componente = %1").arg(*c.toMember);
        m.needsRecipient = true;
    }
    QString sql = QStringLiteral("EXISTS (SELECT 1 FROM Tab_Iter_Documento d ");
    if (m.needsRecipient)
        sql += QStringLiteral("LEFT JOIN Tab_Iter_Destinatari t ON t.Tab_Ente = d.Tab_Ente AND t.Tab_TipoProtocollo = "
                              "d.Tab_TipoProtocollo AND t.Tab_NumeroProtocollo = d.Tab_NumeroProtocollo AND "
                              "t.Tab_DataSerialeMov = d.Tab_DataSerialeMov ");
    sql += QStringLiteral("WHERE d.Tab_Ente = p.Tab_Ente AND d.Tab_TipoProtocollo = p.Tab_TipoProtocollo AND "
                          "d.Tab_NumeroProtocollo = p.Tab_NumeroProtocollo AND d.Tab_TipoMovimento IN (2, 4)");
    for (const QString &cond : m.sender + m.receiver)
        sql += QStringLiteral(" AND ") + cond;
    // PostgreSQL would rather gather every matching movement of the body
    // into a hash before reading the register, since it prices the probe
    // for all protocols and not for the few the limit lets it read.
    // OFFSET 0 keeps the probe.
    const bool postgres = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL;
    return sql + (postgres ? QStringLiteral(" OFFSET 0)") : QStringLiteral(")"));
}

// The numbers of the protocols an operator moved, or that were sent to a
// member of an office: few on any register, read from the indexes that end
// with the number. When the criteria hold such a narrow set the register is
// read only for them; the movement probe still decides every row.
QString movedBy(const QString &ente, const QString &op)
{
    return QStringLiteral("SELECT d.Tab_NumeroProtocollo FROM Tab_Iter_Documento d WHERE d.Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND d.Tab_CodiceOpe = ") + q(op);
}
QString sentToMember(const QString &ente, const QString &office, int member)
{
    return QStringLiteral("SELECT t.Tab_NumeroProtocollo FROM Tab_Iter_Destinatari t WHERE t.Tab_Ente = %1 AND "
                          "t.Tab_UfficioDestinatario = %2 AND t.Tab_Componente = %3")
        .arg(q(ente), q(office))
        .arg(member);
}

// A period's protocols lie between the smallest and the largest number
// registered in it (read from the index of dates and numbers alone): the
// walk by number starts at the period's newest protocol instead of passing
// every newer one, and ends at its oldest.
QString periodNumbers(const QString &ente, const QDate &from, const QDate &to)
{
    const QString period = QStringLiteral("FROM Tab_Protocollo b WHERE b.Tab_Ente = %1 AND b.Tab_DataProtocollo >= %2 AND "
                                          "b.Tab_DataProtocollo <= %3)")
                               .arg(q(ente), dateLiteral(from), dateLiteral(to));
    // PostgreSQL would find the largest number by walking the numbers'
    // index until one falls in the period: the whole register after it.
    // As text joined to nothing, the number is read from the dates' index.
    const QString number = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL
                               ? QStringLiteral("(b.Tab_NumeroProtocollo || '')")
                               : QStringLiteral("b.Tab_NumeroProtocollo");
    return QStringLiteral(" AND p.Tab_NumeroProtocollo <= (SELECT MAX(%1) ").arg(number) + period
           + QStringLiteral(" AND p.Tab_NumeroProtocollo >= (SELECT MIN(%1) ").arg(number) + period;
}

QStringList candidates(const Criteria &c, const protocol::Viewer &v, std::optional<int> member)
{
    QStringList out;
    if (v.level == 6) {
        QString mine = movedBy(v.ente, v.operatorCode);
        if (member)
            mine += QStringLiteral(" UNION ") + sentToMember(v.ente, v.office, *member);
        out << mine;
    }
    if (!c.fromOperator.trimmed().isEmpty())
        out << movedBy(v.ente, c.fromOperator.trimmed());
    if (c.toMember && !c.toOffice.trimmed().isEmpty())
        out << sentToMember(v.ente, c.toOffice.trimmed(), *c.toMember);
    return out;
}

} // namespace

const QList<int> &limits()
{
    static const QList<int> l{50, 100, 150, 200, 250, 300, 350, 400, 450, 500};
    return l;
}

QString memberQuery(const protocol::Viewer &v)
{
    return QStringLiteral("SELECT Tab_Progressivo FROM Tab_UfficiComponenti WHERE Tab_Ente = ") + q(v.ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(v.department) + QStringLiteral(" AND Tab_Ufficio = ")
           + q(v.office) + QStringLiteral(" AND Tab_IdUser = ") + q(v.operatorCode)
           + QStringLiteral(" ORDER BY Tab_Progressivo");
}

QString listQuery(const Criteria &c, const protocol::Viewer &v, std::optional<int> member)
{
    QString where = QStringLiteral("p.Tab_Ente = ") + q(v.ente);
    if (c.incoming != c.outgoing)
        where += QStringLiteral(" AND p.Tab_TipoProtocollo = ") + q(c.incoming ? QStringLiteral("E") : QStringLiteral("U"));
    // With both ends the period is read between its numbers (periodNumbers):
    // PostgreSQL must then not read it through the dates' index and sort it.
    const bool postgres = Dialect::centralTarget().engine == Dialect::Engine::PostgreSQL;
    const QString date = postgres && c.from.isValid() && c.to.isValid() ? QStringLiteral("(p.Tab_DataProtocollo + 0)")
                                                                         : QStringLiteral("p.Tab_DataProtocollo");
    if (c.from.isValid())
        where += QStringLiteral(" AND ") + date + QStringLiteral(" >= ") + dateLiteral(c.from);
    if (c.to.isValid())
        where += QStringLiteral(" AND ") + date + QStringLiteral(" <= ") + dateLiteral(c.to);
    if (!c.subject.trimmed().isEmpty())
        where += QStringLiteral(" AND ") + contains(QStringLiteral("p.Tab_Oggetto"), c.subject);
    if (!c.correspondent.trimmed().isEmpty())
        where += QStringLiteral(" AND ") + contains(QStringLiteral("r.Tab_Denominazione"), c.correspondent);
    const bool sqlite = Dialect::centralTarget().engine == Dialect::Engine::SQLite;
    // The candidates are a set to test along the walk by number, not a
    // list to read the register from and sort: both engines would read and
    // probe every one of them. "+" keeps SQLite's walk; on PostgreSQL the
    // double negation makes the set a hashed filter of the walk, tested
    // before the movement probe (the numbers are never null, so it means IN).
    for (const QString &numbers : candidates(c, v, member))
        where += (sqlite ? QStringLiteral(" AND +p.Tab_NumeroProtocollo IN (")
                         : QStringLiteral(" AND NOT p.Tab_NumeroProtocollo NOT IN ("))
                 + numbers + QLatin1Char(')');
    if (c.from.isValid() && c.to.isValid())
        where += periodNumbers(v.ente, c.from, c.to);
    bool nothing = false;
    const QString moved = movementExists(c, v, member, &nothing);
    where += QStringLiteral(" AND ") + (nothing ? QString::fromLatin1(protocol::scope::kNothing) : moved);
    return QStringLiteral("SELECT p.Tab_TipoProtocollo, p.Tab_NumeroProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "r.Tab_Denominazione, p.Tab_SoggPrivacy FROM Tab_Protocollo p LEFT JOIN Tab_Rubrica r ON "
                          "r.Tab_EnteRubrica = p.Tab_Ente AND r.Tab_Identificativo = p.Tab_Intestatario WHERE ")
           + where + QStringLiteral(" ORDER BY p.Tab_NumeroProtocollo DESC") + Dialect::limit(qMax(1, c.limit));
}

QString departmentsQuery(const QString &ente)
{
    return QStringLiteral("SELECT Dipa_CodDipartimento, Dipa_Denominazione FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ")
           + q(ente) + QStringLiteral(" AND COALESCE(Dipa_Chiuso, 'NO') <> 'SI' ORDER BY Dipa_Denominazione");
}

QString officesQuery(const QString &ente, const QString &department)
{
    return QStringLiteral("SELECT Tab_Ufficio, Tab_Descrizione FROM Tab_Uffici WHERE Tab_Ente = ") + q(ente)
           + QStringLiteral(" AND Tab_Dipartimento = ") + q(department) + QStringLiteral(" AND COALESCE(Tab_Chiuso, 'NO') <> 'SI' ORDER BY Tab_Descrizione");
}

QString operatorsQuery(const QString &ente, const QString &department, const QString &office)
{
    return QStringLiteral("SELECT Op_Codice_Operatore, Op_Nome, Op_Cognome FROM Tab_Operatori WHERE Op_Ente = ") + q(ente)
           + QStringLiteral(" AND Op_Dipartimento = ") + q(department) + QStringLiteral(" AND Op_CodiceUfficio = ")
           + q(office) + QStringLiteral(" AND Op_Attivo = 'S' ORDER BY Op_Cognome, Op_Nome");
}

QString membersQuery(const QString &ente, const QString &office, const QDate &today)
{
    return iter::membersQuery(ente, office, iter::SendKind::Assignment, QString(), today.toString(Qt::ISODate));
}

F::Columns shownRows(const F::LoadedRows &rows, const protocol::Viewer &v)
{
    F::Columns out(ColDirectionCode + 1);
    const QString mask = QString::fromLatin1(kMask);
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QString direction = rows.value(0, r).toString().trimmed();
        const QString number = rows.value(1, r).toString().trimmed();
        // Reserved whenever the viewer's right is anything but "S".
        const bool hidden = !v.privacy && rows.value(5, r).toString().trimmed() == QLatin1String("S");
        out[ColDirection] << (direction == QLatin1String("U") ? QStringLiteral("Uscita") : QStringLiteral("Entrata"));
        out[ColNumber] << shownNumber(number);
        out[ColDate] << rows.value(2, r);
        out[ColSubject] << (hidden ? mask : rows.value(3, r).toString().trimmed());
        out[ColCorrespondent] << (hidden ? mask : rows.value(4, r).toString().trimmed());
        out[ColKey] << number;
        out[ColDirectionCode] << direction;
    }
    return out;
}

QString heading(const HeadingParts &h)
{
    QString period = QStringLiteral("Riepilogo documenti trasmessi");
    if (!h.from.isEmpty())
        period += QStringLiteral(" dal ") + h.from;
    if (!h.to.isEmpty())
        period += QStringLiteral(" al ") + h.to;
    const auto side = [](const QString &lead, const QString &department, const QString &office, const QString &member) {
        if (department.isEmpty())
            return QString();
        QString s = lead + QStringLiteral(" Dipartimento: ") + department;
        if (!office.isEmpty())
            s += QStringLiteral(", Ufficio:") + office;
        if (!member.isEmpty())
            s += QStringLiteral(", Componente: ") + member;
        return s;
    };
    QStringList parts;
    for (const QString &s : {side(QStringLiteral("Inviati da"), h.fromDepartment, h.fromOffice, h.fromMember),
                             side(QStringLiteral("Destinati a"), h.toDepartment, h.toOffice, h.toMember)})
        if (!s.isEmpty())
            parts << s;
    QStringList lines{period};
    if (!parts.isEmpty())
        lines << parts.join(QLatin1Char('\t'));
    return lines.join(QLatin1Char('\r'));
}

QString criteriaProblem(const Criteria &c)
{
    if (c.from.isValid() && c.to.isValid() && c.to < c.from)
        return QString::fromUtf8("la data finale non può essere minore della data iniziale");
    return {};
}

} // namespace nimbo::deadlines::summary
