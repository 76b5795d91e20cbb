#pragma once
// The demo register on both engines with protocols registered by different
// operators, departments and offices, for the linked-acts window's tests.

#include "../ui/UiFixture.h"
#include "data/Scope.h"

namespace nimbo::test {

struct ActsRow {
    const char *number, *direction, *department, *office, *registeredBy, *privacy, *subject, *date, *received;
    int correspondent = 2;
};
// The register the tests read (body 001 of the demo data).
inline const ActsRow kActsRows[] = {
    {"20260000001", "E", "PRO", "UPR", "DEMO6", "N", "Richiesta dell'ufficio tecnico", "2026-01-02", "2025-12-30"},
    {"20260000002", "E", "PRO", "ARC", "DEMO7", "N", "Fattura di gennaio", "2026-01-15", "2026-01-14"},
    {"20260000003", "E", "PRO", "UPR", "DEMO9", "N", "Delibera del consiglio", "2026-02-01", "2026-01-31", 3},
    {"20260000004", "E", "AMM", "RAG", "DEMO8", "N", "Mandato di pagamento", "2026-02-02", "2026-02-01"},
    {"20260000005", "E", "AMM", "RAG", "DEMO6", "N", "Bilancio preventivo", "2026-02-03", "2026-02-02"},
    {"20260000006", "E", "SAN", "IGI", "OTHER", "S", "Segreto sanitario", "2026-02-04", "2026-02-03"},
    {"20260000007", "U", "PRO", "UPR", "DEMO6", "N", "Risposta in uscita", "2026-02-05", nullptr},
};

class ActsTest : public MainWindowTest {
protected:
    static QString insertRow(const ActsRow &r)
    {
        const auto text = [](const char *s) {
            return s ? QLatin1Char('\'') + QString::fromUtf8(s).replace(QLatin1Char('\''), QStringLiteral("''"))
                           + QLatin1Char('\'')
                     : QStringLiteral("NULL");
        };
        return QStringLiteral("INSERT INTO Tab_Protocollo (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                              "Tab_DataProtocollo, Tab_DataRegistrazione, Tab_DataRicezione, Tab_OraProtocollo, "
                              "Tab_Oggetto, Tab_SedeRicezione, Tab_UfficioRegistrazione, Tab_CodiceOpeReg, "
                              "Tab_SoggPrivacy, Tab_StatoProtocollo, Tab_Intestatario, Tab_Tipologia) VALUES ('001', ")
               + QStringList{text(r.direction), text(r.number), text(r.date), text(r.date), text(r.received),
                             QStringLiteral("'10:00:00'"), text(r.subject), text(r.department), text(r.office),
                             text(r.registeredBy), text(r.privacy), QStringLiteral("'A'"),
                             QString::number(r.correspondent), QStringLiteral("'LET'")}
                     .join(QStringLiteral(", "))
               + QLatin1Char(')');
    }
    void seedRegister()
    {
        for (const ActsRow &r : kActsRows)
            sql(insertRow(r));
    }
    void linkAct(const char *protocol, const char *type, const char *number, const char *date,
                 const char *department = "AMM", const char *office = "RAG")
    {
        sql(QStringLiteral("INSERT INTO Tab_DocumentiCollegati (Tab_Ente, Tab_TipoProtocollo, Tab_NumeroProtocollo, "
                           "Tab_TipoDocumento, Tab_NumeroDocumento, Tab_DataDocumento, Tab_Oggetto, "
                           "Tab_DipartProprietario, Tab_UfficioProprietario) VALUES ('001', 'E', '%1', '%2', '%3', "
                           "'%4', 'Atto', '%5', '%6')")
                .arg(QLatin1String(protocol), QLatin1String(type), QLatin1String(number), QLatin1String(date),
                     QLatin1String(department), QLatin1String(office)));
    }
    static protocol::Viewer viewer(int level, const char *code, const char *department, const char *office,
                                   bool privacy = false)
    {
        protocol::Viewer v;
        v.ente = QStringLiteral("001");
        v.level = level;
        v.operatorCode = QLatin1String(code);
        v.department = QLatin1String(department);
        v.office = QLatin1String(office);
        v.privacy = privacy;
        return v;
    }
    // The rows a statement returns, each column joined by "|".
    QStringList rows(const QString &statement)
    {
        const auto r = Funzioni_Com_1::loadRows(QStringLiteral("PROTOCOLLO"), statement);
        EXPECT_TRUE(r.ok || r.noRows()) << statement.toStdString();
        QStringList out;
        for (int i = 0; r.ok && i < r.rowCount(); ++i) {
            QStringList cells;
            for (int c = 0; c < r.columnCount(); ++c)
                cells << Funzioni_Com_1::displayValue(r.value(c, i)).trimmed();
            out << cells.join(QLatin1Char('|'));
        }
        return out;
    }
    // The stored numbers a statement of the search lists, in order.
    QStringList numbers(const QString &statement)
    {
        QStringList out;
        for (const QString &row : rows(statement))
            out << row.section(QLatin1Char('|'), 6, 6);
        return out;
    }
};

} // namespace nimbo::test
