#pragma once
// A small classified register of its own for the summary's tests, written
// straight into the demo database: a title T9 / category C9 with the classes
// K9 (dossiers 1, open, and 2, closed) and K8, and protocols of 2023 and 2024
// registered by different offices, one of them reserved, one routed to UPR.
//
//   n  dir  registered by        dossiers          date        notes
//   1  E    DEMO6 in PRO/UPR     K9/1              2024-02-01
//   2  U    DEMO9 in AMM/RAG     K9/1, K9/2        2024-03-01  reserved
//   3  E    DEMO9 in AMM/RAG     K9/2              2024-04-01  routed to UPR, taken in charge
//   4  E    DEMO6 in PRO/UPR     K9/1              2023-12-31
//   5  E    DEMO9 in AMM/RAG     K8/1              2024-05-01
//   6  E    DEMO9 in AMM/RAG     K9/1              2024-12-31

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <gtest/gtest.h>

namespace nimbo::test::summary {

inline QString s(const char *t) { return QString::fromUtf8(t); }
inline QString number(int n, int year = 2024) { return QStringLiteral("%1%2").arg(year).arg(n, 7, 10, QLatin1Char('0')); }

inline void exec(const QSqlDatabase &db, const QString &sql, const QVariantList &values = {})
{
    QSqlQuery q(db);
    ASSERT_TRUE(q.prepare(sql)) << sql.toStdString() << q.lastError().text().toStdString();
    for (const QVariant &v : values)
        q.addBindValue(v);
    ASSERT_TRUE(q.exec()) << sql.toStdString() << " -> " << q.lastError().text().toStdString();
}

inline void protocol(const QSqlDatabase &db, const QString &num, const QString &dir, const QDate &date,
                     const QString &dept, const QString &office, const QString &op, bool reserved, int holder = 1)
{
    exec(db,
         s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
           "Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, Tab_SoggPrivacy, "
           "Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ('001', ?, ?, ?, ?, ?, ?, ?, ?, 'A', ?, 'LET')"),
         {dir, num, date, QStringLiteral("OGGETTO DEL %1").arg(num), dept, office, op, reserved ? s("S") : s("N"),
          holder});
}

inline void classify(const QSqlDatabase &db, const QString &num, const QString &dir, const char *klass, int dossier)
{
    exec(db,
         s("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_Titolo, "
           "Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, Tab_Provenienza, Tab_CodOper, Tab_DatOper) "
           "VALUES ('001', ?, ?, 'T9', 'C9', ?, ?, 'P', 'TEST', ?)"),
         {dir, num, s(klass), dossier, QDate(2024, 1, 2)});
}

// The scheme and the six protocols of the table above.
inline void seedRegister(const QSqlDatabase &db)
{
    exec(db, s("INSERT INTO Tab_Titolo (Tab_Ente, Tab_Codice, Tab_Descrizione, Tab_Attivo) VALUES "
               "('001', 'T9', 'TITOLO DI PROVA', 1)"));
    exec(db, s("INSERT INTO Tab_Categoria (Tab_Ente, Tab_CodiceTitolo, Tab_Codice, Tab_Descrizione, Tab_Attivo) "
               "VALUES ('001', 'T9', 'C9', 'CATEGORIA DI PROVA', 1)"));
    exec(db, s("INSERT INTO Tab_Classe (Tab_Ente, Tab_CodiceTitolo, Tab_CodiceCategoria, Tab_Codice, Tab_Descrizione, "
               "Tab_Attivo) VALUES ('001', 'T9', 'C9', 'K9', 'CLASSE DI PROVA', 1), "
               "('001', 'T9', 'C9', 'K8', 'CLASSE DISMESSA', 0)"));
    exec(db, s("INSERT INTO Tab_Fascicoli (Tab_Ente, Tab_Titolo, Tab_Categoria, Tab_Classe, Tab_CodiceFascicolo, "
               "Tab_Descrizione, Tab_Apertura, Tab_Chiusura) VALUES ('001', 'T9', 'C9', 'K9', 1, 'FASCICOLO UNO', ?, NULL), "
               "('001', 'T9', 'C9', 'K9', 2, 'FASCICOLO DUE', ?, ?), ('001', 'T9', 'C9', 'K8', 1, 'ALTRO', ?, NULL)"),
         {QDate(2023, 1, 2), QDate(2023, 1, 2), QDate(2024, 6, 30), QDate(2023, 1, 2)});
    protocol(db, number(1), s("E"), QDate(2024, 2, 1), s("PRO"), s("UPR"), s("DEMO6"), false);
    protocol(db, number(2), s("U"), QDate(2024, 3, 1), s("AMM"), s("RAG"), s("DEMO9"), true, 2);
    protocol(db, number(3), s("E"), QDate(2024, 4, 1), s("AMM"), s("RAG"), s("DEMO9"), false);
    protocol(db, number(4, 2023), s("E"), QDate(2023, 12, 31), s("PRO"), s("UPR"), s("DEMO6"), false);
    protocol(db, number(5), s("E"), QDate(2024, 5, 1), s("AMM"), s("RAG"), s("DEMO9"), false);
    protocol(db, number(6), s("E"), QDate(2024, 12, 31), s("AMM"), s("RAG"), s("DEMO9"), false);
    classify(db, number(1), s("E"), "K9", 1);
    classify(db, number(2), s("U"), "K9", 1);
    classify(db, number(2), s("U"), "K9", 2);
    classify(db, number(3), s("E"), "K9", 2);
    classify(db, number(4, 2023), s("E"), "K9", 1);
    classify(db, number(5), s("E"), "K8", 1);
    classify(db, number(6), s("E"), "K9", 1);
    // Protocol 3: assigned by RAG to UPR, then taken in charge by UPR.
    exec(db, s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
               "Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES "
               "('001', 'E', ?, '20240402090000', 4, 'RAG', 'DEMO8', 'N'), "
               "('001', 'E', ?, '20240403090000', 3, 'UPR', 'DEMO7', 'S')"),
         {number(3), number(3)});
    exec(db, s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
               "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES "
               "('001', 'E', ?, '20240402090000', 'UPR', 0, 1)"),
         {number(3)});
    // Protocol 1: assigned by UPR to two offices.
    exec(db, s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
               "Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES "
               "('001', 'E', ?, '20240202090000', 4, 'UPR', 'DEMO7', 'N')"),
         {number(1)});
    exec(db, s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
               "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES "
               "('001', 'E', ?, '20240202090000', 'RAG', 0, 1), ('001', 'E', ?, '20240202090000', 'ARC', 0, 1)"),
         {number(1), number(1)});
}

// Every cell of the first sheet of an .xlsx file as read by a reader that is
// not ours (openpyxl): one list per row, dates as "date:yyyy-mm-dd", empty
// cells as "". Empty when the file cannot be read.
inline QJsonArray readWorkbook(const QString &path, QString *error = nullptr)
{
    const QString script = s(
        "import sys, json, datetime, openpyxl\n"
        "ws = openpyxl.load_workbook(sys.argv[1]).worksheets[0]\n"
        "def cell(v):\n"
        "    if isinstance(v, datetime.datetime): return 'date:' + v.strftime('%Y-%m-%d')\n"
        "    return '' if v is None else str(v)\n"
        "print(json.dumps([[cell(v) for v in row] for row in ws.iter_rows(values_only=True)]))\n");
    QProcess py;
    // Debian's own interpreter, where its python3-openpyxl lives.
    const QString python = QFile::exists(s("/usr/bin/python3")) ? s("/usr/bin/python3") : s("python3");
    py.start(python, {QStringLiteral("-c"), script, path});
    if (!py.waitForFinished(60000) || py.exitCode() != 0) {
        if (error)
            *error = QString::fromUtf8(py.readAllStandardError());
        return {};
    }
    return QJsonDocument::fromJson(py.readAllStandardOutput()).array();
}

inline QString cell(const QJsonArray &rows, int row, int column)
{
    return rows.at(row).toArray().at(column).toString();
}

} // namespace nimbo::test::summary
