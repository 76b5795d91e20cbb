#include "schema/StructureNotices.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include "data/Csv.h"
#include "data/TextCheck.h"
#include "schema/Transaction.h"

namespace Schema::StructureNotices {
namespace {

enum Col { CodDip, DesDip, CodUff, DesUff, CodSer, DesSer, CodOp, DataEff, Livello, Stato, ColumnCount };

const QList<int> &requiredColumns()
{
    static const QList<int> r = {CodOp, Livello, DataEff, CodDip};
    return r;
}

QDate parseDate(const QString &text)
{
    for (const char *format : {"dd/MM/yyyy", "d/M/yyyy", "yyyy-MM-dd"}) {
        const QDate d = QDate::fromString(text, QString::fromLatin1(format));
        if (d.isValid())
            return d;
    }
    return {};
}

// The checks of one row; empty when the row is good.
QStringList check(const QStringList &value, Notice *n)
{
    QStringList bad;
    const QStringList &name = columns();
    for (int c = 0; c < ColumnCount; ++c) {
        const QString p = TextCheck::problem(name[c], value[c]);
        if (!p.isEmpty())
            bad << p;
    }
    n->codDip = value[CodDip];
    n->desDip = value[DesDip];
    n->codUff = value[CodUff];
    n->desUff = value[DesUff];
    n->codSer = value[CodSer];
    n->desSer = value[DesSer];
    n->codOp = value[CodOp].toUpper();
    if (n->codOp != QLatin1String("A") && n->codOp != QLatin1String("D") && n->codOp != QLatin1String("M"))
        bad << QStringLiteral("Cod_OP \"%1\" non ammesso (A attivazione, D disattivazione, M modifica)").arg(value[CodOp]);
    n->livello = value[Livello];
    const int level = n->livello == QLatin1String("1")   ? 1
                      : n->livello == QLatin1String("2") ? 2
                      : n->livello == QLatin1String("3") ? 3
                                                         : 0;
    if (level == 0)
        bad << QStringLiteral("Livello \"%1\" non ammesso (1 dipartimento, 2 ufficio, 3 servizio)").arg(value[Livello]);
    n->dataEff = parseDate(value[DataEff]);
    if (!n->dataEff.isValid())
        bad << (value[DataEff].isEmpty()
                    ? QStringLiteral("Data_EFF mancante")
                    : QStringLiteral("Data_EFF \"%1\" non è una data gg/mm/aaaa o aaaa-mm-gg").arg(value[DataEff]));
    n->stato = value[Stato].isEmpty() ? QStringLiteral("0") : value[Stato];
    if (n->stato != QLatin1String("0") && n->stato != QLatin1String("1") && n->stato != QLatin1String("2"))
        bad << QStringLiteral("Stato_Acquisizione \"%1\" non ammesso (0, 1 o 2)").arg(value[Stato]);
    // What the notice is about must be named: its department always, and
    // the office or service it changes.
    const auto need = [&](int c, const char *what) {
        if (value[c].isEmpty())
            bad << QStringLiteral("%1 mancante (%2)").arg(name[c], QString::fromUtf8(what));
    };
    need(CodDip, "codice del dipartimento");
    if (level == 1)
        need(DesDip, "denominazione del dipartimento");
    if (level == 2) {
        need(CodUff, "codice dell'ufficio");
        need(DesUff, "denominazione dell'ufficio");
    }
    if (level == 3) {
        need(CodSer, "codice del servizio");
        need(DesSer, "denominazione del servizio");
    }
    return bad;
}

} // namespace

const QStringList &columns()
{
    static const QStringList c = {QStringLiteral("Cod_dip"), QStringLiteral("des_dip"), QStringLiteral("Cod_Uff"),
                                  QStringLiteral("Des_Uff"), QStringLiteral("cod_Ser"), QStringLiteral("Des_ser"),
                                  QStringLiteral("Cod_OP"),  QStringLiteral("Data_EFF"), QStringLiteral("Livello"),
                                  QStringLiteral("Stato_Acquisizione")};
    return c;
}

bool read(const QByteArray &content, QList<Notice> *notices, QStringList *problems)
{
    notices->clear();
    problems->clear();
    QList<Csv::Record> records;
    QChar separator;
    QString error;
    if (!Csv::parse(content, &records, &separator, &error)) {
        *problems << error;
        return false;
    }
    if (records.isEmpty() || separator.isNull()) {
        *problems << QStringLiteral("intestazione: la prima riga deve nominare le colonne separate da \";\" o \",\" (%1)")
                         .arg(columns().join(QLatin1Char(';')));
        return false;
    }
    // Where each of our columns sits in the file; -1 when left out.
    QList<int> at(ColumnCount, -1);
    const Csv::Record header = records.takeFirst();
    for (int i = 0; i < header.fields.size(); ++i) {
        const QString h = header.fields[i].trimmed();
        // Spreadsheets save empty trailing columns; their cells must stay empty.
        if (h.isEmpty())
            continue;
        int c = 0;
        while (c < ColumnCount && columns()[c].compare(h, Qt::CaseInsensitive) != 0)
            ++c;
        if (c == ColumnCount)
            *problems << QStringLiteral("intestazione: colonna \"%1\" sconosciuta").arg(h);
        else if (at[c] >= 0)
            *problems << QStringLiteral("intestazione: colonna %1 ripetuta").arg(columns()[c]);
        else
            at[c] = i;
    }
    for (int c : requiredColumns())
        if (at[c] < 0)
            *problems << QStringLiteral("intestazione: manca la colonna %1").arg(columns()[c]);
    if (!problems->isEmpty())
        return false;
    if (records.isEmpty()) {
        *problems << QStringLiteral("il file non contiene variazioni dopo l'intestazione");
        return false;
    }

    for (const Csv::Record &r : std::as_const(records)) {
        if (r.fields.size() != header.fields.size()) {
            *problems << QStringLiteral("riga %1: %2 campi invece dei %3 dell'intestazione")
                             .arg(r.line)
                             .arg(r.fields.size())
                             .arg(header.fields.size());
            continue;
        }
        QStringList value;
        bool unnamed = false;
        for (int i = 0; i < header.fields.size(); ++i)
            unnamed = unnamed || (header.fields[i].trimmed().isEmpty() && !r.fields[i].trimmed().isEmpty());
        if (unnamed) {
            *problems << QStringLiteral("riga %1: valore in una colonna senza nome nell'intestazione").arg(r.line);
            continue;
        }
        for (int c = 0; c < ColumnCount; ++c)
            value << (at[c] < 0 ? QString() : r.fields[at[c]].trimmed());
        Notice n;
        const QStringList bad = check(value, &n);
        if (bad.isEmpty())
            notices->append(n);
        else
            *problems << QStringLiteral("riga %1: ").arg(r.line) + bad.join(QStringLiteral("; "));
    }
    if (!problems->isEmpty()) {
        notices->clear();
        return false;
    }
    return true;
}

bool import(QSqlDatabase &db, const QList<Notice> &notices, QString *error)
{
    detail::Transaction tx(db);
    if (!tx.begin(error))
        return false;
    QSqlQuery q(db);
    if (!q.prepare(QStringLiteral("INSERT INTO Prot_Strutture_I (Cod_dip, des_dip, Cod_Uff, Des_Uff, cod_Ser, Des_ser, "
                                  "Cod_OP, Data_EFF, Livello, Stato_Acquisizione) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"))) {
        *error = q.lastError().text();
        return false;
    }
    // Codes and names left out of a notice stay empty (NULL), as they would
    // from the producer's own table.
    const auto opt = [](const QString &s) { return s.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(s); };
    for (const Notice &n : notices) {
        for (const QVariant &v : {opt(n.codDip), opt(n.desDip), opt(n.codUff), opt(n.desUff), opt(n.codSer),
                                  opt(n.desSer), QVariant(n.codOp), QVariant(n.dataEff), QVariant(n.livello),
                                  QVariant(n.stato)})
            q.addBindValue(v);
        if (!q.exec()) {
            *error = q.lastError().text();
            return false;
        }
    }
    return tx.commit(error);
}

} // namespace Schema::StructureNotices
