#pragma once
// A small register of body 001 on both engines, written straight into the
// central database: protocols of known dates, subjects, offices and states,
// their iter movements, deliveries and classification rows; and the program
// started with "Stampe Periodiche" registered, the report printer writing
// PDF files.

#include <QDate>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include "reports/PeriodicReports.h"
#include "support/Files.h"
#include "ui/UiFixture.h"

namespace nimbo::test {

class ReportTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        reports::registerPeriodicReportWindows();
        DicAmbiente::session().cfg.oleGp = kProtocolProgId;
    }

    static QString s(const char *t) { return QString::fromUtf8(t); }
    static QString number(int n, int year = 2024) { return QStringLiteral("%1%2").arg(year).arg(n, 7, 10, QLatin1Char('0')); }
    static QString shown(int n, int year = 2024) { return QStringLiteral("%1-%2").arg(year).arg(n, 7, 10, QLatin1Char('0')); }


    struct Protocol {
        int n = 1;
        QDate date{2024, 3, 4};
        QString direction = QStringLiteral("E");
        QString subject;
        QString department = QStringLiteral("PRO");
        QString office = QStringLiteral("UPR");
        QString op = QStringLiteral("DEMO9");
        bool reserved = false;
        bool cancelled = false;
        int documents = 1;
        int year = 2024;
    };
    void protocol(const Protocol &p)
    {
        run(s("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataProtocollo, "
              "Tab_OraProtocollo, Tab_DataRegistrazione, Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, "
              "Tab_CodiceOpeReg, Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia, "
              "Tab_NumeroDocumenti) VALUES ('001', ?, ?, ?, '09:30:00', ?, ?, ?, ?, ?, ?, ?, 1, 'LET', ?)"),
            {p.direction, number(p.n, p.year), p.date.toString(Qt::ISODate), p.date.toString(Qt::ISODate),
             p.subject.isEmpty() ? QStringLiteral("OGGETTO %1").arg(p.n) : p.subject, p.department, p.office, p.op,
             p.reserved ? s("S") : s("N"), p.cancelled ? s("C") : s("A"), p.documents});
    }
    // A movement of type `type` (4 assignment, 2 transmission) of protocol n
    // to an office (a member when member > 0); pending: not yet taken in charge.
    void movement(int n, const QString &serial, int type, const QString &office, int member = 0, int kind = 1,
                  bool pending = false, const QString &direction = QStringLiteral("E"))
    {
        run(s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
              "Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico) VALUES ('001', ?, ?, ?, ?, 'UPR', 'DEMO9', 'N')"),
            {direction, number(n), serial, type});
        run(s("INSERT INTO Tab_Iter_Destinatari (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
              "Tab_UfficioDestinatario, Tab_Componente, Tab_TipoAssegnazione) VALUES ('001', ?, ?, ?, ?, ?, ?)"),
            {direction, number(n), serial, office, member, kind});
        if (pending)
            run(s("INSERT INTO Tab_Iter_Trasmissioni (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                  "Tab_DataSerialeMov, Tab_UfficioDestinatario, Tab_Componente) VALUES ('001', ?, ?, ?, ?, ?)"),
                {direction, number(n), serial, office, member});
    }
    // The completion of protocol n's matter, closed on `closed` by protocol `by`.
    void completion(int n, const QDate &closed, const QString &by, const QString &office = QStringLiteral("RAG"))
    {
        run(s("INSERT INTO Tab_Iter_Documento (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, Tab_DataSerialeMov, "
              "Tab_TipoMovimento, Tab_Ufficio, Tab_CodiceOpe, Tab_InCarico, Tab_ProtoEvasione, "
              "Tab_DataChiusuraProcedimento) VALUES ('001', 'E', ?, ?, 5, ?, 'DEMO8', 'N', ?, ?)"),
            {number(n), closed.toString(QStringLiteral("yyyyMMdd")) + s("120000"), office, by,
             closed.toString(Qt::ISODate)});
    }
    // Files protocol n in a dossier of the demo scheme (01.02.01, dossier 1).
    void classify(int n, const QString &direction = QStringLiteral("E"))
    {
        run(s("INSERT INTO Tab_ProFascicoli (Tab_Ente, Tab_NumeroProtocollo, Tab_Titolo, Tab_Categoria, Tab_Classe, "
              "Tab_CodiceFascicolo, Tab_TipoProtocollo, Tab_Provenienza) VALUES ('001', ?, '01', '02', '01', 1, ?, 'P')"),
            {number(n), direction});
    }

    // Logs in with the given privacy right; the report printer writes PDF files.
    MDIMenu *start(const char *code, const char *privacy = "N")
    {
        run(s("UPDATE Tab_Operatori SET Op_AbilPrivacy = ? WHERE Op_Codice_Operatore = ?"), {s(privacy), s(code)});
        return logInPrinting(s(code), s(code).toLower() + s("pwd"), {QStringLiteral("SET AUSL=AZIENDA SANITARIA DEMO")});
    }

    // A workbook as openpyxl reads it: {"a1": title, "rows": [[cells of row 4 on]]}
    // with dates as "date:yyyy-mm-dd".
    static QJsonObject readSheet(const QString &path)
    {
        static const char *script = R"(
import json, sys, datetime, openpyxl
ws = openpyxl.load_workbook(sys.argv[1]).active
def cell(v):
    if isinstance(v, datetime.datetime): return "date:" + v.strftime("%Y-%m-%d")
    if isinstance(v, float) and v.is_integer(): return int(v)
    return v
print(json.dumps({"a1": ws["A1"].value, "a2": ws["A2"].value,
                  "rows": [[cell(c.value) for c in r] for r in ws.iter_rows(min_row=4)]}))
)";
        // Debian's interpreter, the one its python3-openpyxl package serves.
        const QString python = QFile::exists(s("/usr/bin/python3")) ? s("/usr/bin/python3") : s("python3");
        QProcess p;
        p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), path});
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            ADD_FAILURE() << "openpyxl: " << p.readAllStandardError().toStdString();
            return {};
        }
        return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
    }

    // The PDF's text with its ligatures ("fi", "ffi") as plain letters.
    static QString pdfWords(const QString &path) { return pdfText(path).normalized(QString::NormalizationForm_KC); }

    QTemporaryDir out;
};

} // namespace nimbo::test
