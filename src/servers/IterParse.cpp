#include "servers/IterParse.h"

#include <QRegularExpression>

#include "servers/RequestParts.h"

namespace nimbo::iterrequest {

namespace {

bool plain(const QVariant &v) { return isPlainValue(v); }

bool textOf(const QVariant &v, const QString &field, bool required, QString *out, QString *why)
{
    return requestText(v, field, required, out, why);
}

bool numberOf(const QVariant &v, const QString &field, qlonglong min, qlonglong *out, QString *why)
{
    bool ok = false;
    const QString n = v.toString().trimmed();
    *out = n.toLongLong(&ok);
    if (!plain(v) || !ok || *out < min) {
        *why = QStringLiteral("Valore non numerico o non valido per ") + field + QStringLiteral(": ") + n;
        return false;
    }
    return true;
}

bool protocolOf(const QString &ente, const QVariant &direction, const QVariant &number, const QString &where,
                Protocol *p, QString *why)
{
    p->ente = ente;
    p->direction = direction.toString().trimmed().toUpper();
    if (!plain(direction) || (p->direction != QLatin1String("E") && p->direction != QLatin1String("U"))) {
        *why = QStringLiteral("Tipo protocollo non valido") + where
               + QStringLiteral(": deve essere E (Entrata) o U (Uscita).");
        return false;
    }
    static const QRegularExpression eleven(QStringLiteral("^\\d{11}$"));
    p->number = number.toString().trimmed();
    if (!plain(number) || !eleven.match(p->number).hasMatch()) {
        *why = QStringLiteral("Numero di protocollo non valido") + where + QStringLiteral(": ") + p->number
               + QStringLiteral(" (attese 11 cifre, anno e numero).");
        return false;
    }
    return true;
}

bool movementKeyOf(const QVariant &v, const QString &where, QString *out, QString *why)
{
    static const QRegularExpression fourteen(QStringLiteral("^\\d{14}$"));
    *out = v.toString().trimmed();
    if (!plain(v) || !fourteen.match(*out).hasMatch()) {
        *why = QStringLiteral("Chiave del movimento (Tab_DataSerialeMov) non valida") + where + QStringLiteral(": ")
               + *out + QStringLiteral(" (attese 14 cifre aaaammgghhmmss).");
        return false;
    }
    return true;
}

QString recipientText(const Recipient &d)
{
    return d.member ? QStringLiteral("%1, componente %2").arg(d.office).arg(d.member) : d.office;
}

} // namespace

QString shown(const Protocol &p) { return p.number.left(4) + QLatin1Char('/') + p.number.mid(4); }

bool parseCharge(const QVariantList &params, bool back, ChargeRequest *r, QString *why)
{
    const QString what = back ? QStringLiteral("ripresa in carico") : QStringLiteral("presa in carico");
    if (params.size() != 4) {
        *why = QStringLiteral("Richiesta di ") + what
               + QStringLiteral(" non valida: sono attesi 4 elementi (ente, dipartimento, anno, elenco dei documenti).");
        return false;
    }
    QString year;
    if (!textOf(params[0], QStringLiteral("Tab_Ente"), true, &r->ente, why)
        || !textOf(params[1], QStringLiteral("dipartimento dell'operatore"), true, &r->department, why)
        || !textOf(params[2], QStringLiteral("anno"), true, &year, why))
        return false;
    static const QRegularExpression fourDigits(QStringLiteral("^\\d{4}$"));
    if (!fourDigits.match(year).hasMatch()) {
        *why = QStringLiteral("Anno non valido nella richiesta di ") + what + QStringLiteral(": ") + year;
        return false;
    }
    const QVariantList rows = params[3].toList();
    if (params[3].typeId() != QMetaType::QVariantList || rows.isEmpty()) {
        *why = QStringLiteral("Selezionare almeno un protocollo presente nell'elenco.");
        return false;
    }
    QSet<qlonglong> seen;
    QSet<QString> seenProtocols;
    for (int i = 0; i < rows.size(); ++i) {
        const QString where = QStringLiteral(" (riga %1)").arg(i + 1);
        const QVariantList c = rows[i].toList();
        if (rows[i].typeId() != QMetaType::QVariantList || c.size() != 8) {
            *why = QStringLiteral("Riga non valida") + where + QStringLiteral(": sono attesi 8 elementi.");
            return false;
        }
        ChargeRow row;
        row.index = i;
        QString ente, office, op;
        if (!textOf(c[0], QStringLiteral("Tab_Ente") + where, true, &ente, why)
            || !textOf(c[3], QStringLiteral("ufficio dell'operatore") + where, true, &office, why)
            || !textOf(c[4], QStringLiteral("codice operatore") + where, true, &op, why)
            || !textOf(c[5], QStringLiteral("note di presa in carico") + where, false, &row.notes, why))
            return false;
        if (ente != r->ente) {
            *why = QStringLiteral("L'ente della riga %1 (%2) non corrisponde all'ente della richiesta (%3).")
                       .arg(i + 1)
                       .arg(ente, r->ente);
            return false;
        }
        if (i == 0) {
            r->office = office;
            r->op = writerOf(op);
        } else if (office != r->office || writerOf(op) != r->op) {
            *why = QStringLiteral("Ufficio e operatore devono essere gli stessi in ogni riga della richiesta") + where
                   + QLatin1Char('.');
            return false;
        }
        if (!protocolOf(r->ente, c[1], c[2], where, &row.protocol, why))
            return false;
        if (back) {
            if (!movementKeyOf(c[6], where, &row.movement, why)
                || !numberOf(c[7], QStringLiteral("Tab_progressivo della trasmissione") + where, 1, &row.delivery, why))
                return false;
        } else if (!numberOf(c[6], QStringLiteral("Tab_progressivo della trasmissione") + where, 1, &row.delivery,
                             why)) {
            return false;
        }
        // One office takes a document in charge once, whether it reached the
        // office and one of its members or the same delivery came twice; a
        // sender may take back several recipients of one protocol.
        const QString protocolKey = row.protocol.direction + row.protocol.number;
        if (seen.contains(row.delivery) || (!back && seenProtocols.contains(protocolKey))) {
            *why = QStringLiteral("Il documento di protocollo N. ") + shown(row.protocol)
                   + QStringLiteral(" è gia stato selezionato per la presa in carico da parte dell'ufficio");
            return false;
        }
        seen.insert(row.delivery);
        seenProtocols.insert(protocolKey);
        r->rows.append(row);
    }
    return true;
}

bool parseMove(const QVariantList &params, bool assignment, MoveRequest *r, QString *why)
{
    const int size = assignment ? 11 : 10;
    const int cols = assignment ? 6 : 4;
    const QString what = assignment ? QStringLiteral("assegnazione") : QStringLiteral("trasmissione");
    if (params.size() != size) {
        *why = QStringLiteral("Richiesta di %1 non valida: sono attesi %2 elementi.").arg(what).arg(size);
        return false;
    }
    QString ente, flag;
    if (!textOf(params[0], QStringLiteral("Tab_Ente"), true, &ente, why)
        || !protocolOf(ente, params[1], params[2], QString(), &r->protocol, why)
        || !textOf(params[3], QStringLiteral("codice operatore"), true, &r->op, why)
        || !textOf(params[4], QStringLiteral("ufficio dell'operatore"), true, &r->office, why)
        || !textOf(params[6], QStringLiteral("note"), false, &r->notes, why)
        || !textOf(params[7], QStringLiteral("dipartimento dell'operatore"), true, &r->department, why)
        || !textOf(params[size - 1], QStringLiteral("indicatore SI/NO"), true, &flag, why))
        return false;
    if (flag != QLatin1String("SI") && flag != QLatin1String("NO")) {
        *why = QStringLiteral("Indicatore non valido nell'elemento %1 della richiesta: atteso SI o NO (%2).")
                   .arg(size - 1)
                   .arg(flag);
        return false;
    }
    if (assignment) {
        if (!params[5].toString().trimmed().isEmpty() && !movementKeyOf(params[5], QString(), &r->movement, why))
            return false;
        QString deadline;
        if (!textOf(params[9], QStringLiteral("data di completamento del procedimento"), false, &deadline, why))
            return false;
        if (!deadline.isEmpty()) {
            r->deadline = QDate::fromString(deadline, QStringLiteral("dd/MM/yyyy"));
            if (!r->deadline.isValid()) {
                *why = QStringLiteral("Inserire una data corretta: data di completamento del procedimento ") + deadline;
                return false;
            }
        }
    } else if (!params[5].toString().trimmed().isEmpty()) {
        *why = QStringLiteral("La chiave del movimento di una trasmissione è assegnata dal server: l'elemento 5 della "
                              "richiesta deve essere vuoto.");
        return false;
    }
    const QVariantList rows = params[8].toList();
    if (params[8].typeId() != QMetaType::QVariantList || rows.isEmpty()) {
        *why = QStringLiteral("inserire almeno un ufficio nella lista di ") + what;
        return false;
    }
    bool competence = false;
    for (int i = 0; i < rows.size(); ++i) {
        const QString where = QStringLiteral(" (riga %1 dei destinatari)").arg(i + 1);
        const QVariantList c = rows[i].toList();
        if (rows[i].typeId() != QMetaType::QVariantList || c.size() != cols) {
            *why = QStringLiteral("Riga non valida%1: sono attesi %2 elementi.").arg(where).arg(cols);
            return false;
        }
        if (c[0].toString().trimmed() != QLatin1String("I")) {
            *why = QStringLiteral("Riga non valida") + where + QStringLiteral(": il primo elemento deve essere I.");
            return false;
        }
        Recipient d;
        qlonglong type = 0;
        if (!textOf(c[1], QStringLiteral("ufficio destinatario") + where, true, &d.office, why)
            || !numberOf(c[2], QStringLiteral("Tab_Componente") + where, 0, &d.member, why)
            || !numberOf(c[assignment ? 4 : 3], QStringLiteral("tipo di assegnazione") + where, 1, &type, why))
            return false;
        if (type != kPerCompetenza && type != kPerConoscenza) {
            *why = QStringLiteral("Tipo di assegnazione non valido") + where
                   + QStringLiteral(": 1 (competenza) o 2 (copia conoscenza).");
            return false;
        }
        d.type = int(type);
        if (assignment) {
            QString modifiable, date;
            if (!textOf(c[3], QStringLiteral("Modificabile") + where, false, &modifiable, why)
                || !textOf(c[5], QStringLiteral("Data Assegnazione") + where, false, &date, why))
                return false;
            if (!modifiable.isEmpty() && modifiable != QLatin1String("S") && modifiable != QLatin1String("N")) {
                *why = QStringLiteral("Indicatore Modificabile non valido") + where + QStringLiteral(": S o N.");
                return false;
            }
        }
        if (r->recipients.contains(d)) {
            *why = QStringLiteral("il destinatario prescelto è già presente nella lista") + where + QStringLiteral(": ")
                   + recipientText(d);
            return false;
        }
        competence = competence || d.type == kPerCompetenza;
        r->recipients.append(d);
    }
    r->leavesCharge = flag == QLatin1String("SI");
    if (!assignment && r->leavesCharge != competence) {
        *why = competence ? QStringLiteral("Indicatore di competenza NO, ma un destinatario riceve il documento per "
                                           "competenza.")
                          : QStringLiteral("Indicatore di competenza SI, ma nessun destinatario riceve il documento per "
                                           "competenza.");
        return false;
    }
    return true;
}

} // namespace nimbo::iterrequest
