// The checks of "Stampe Periodiche" in their order, the register's template
// by authority code, and the text the lists are read with.

#include <gtest/gtest.h>

#include "reports/ReportRules.h"

using namespace nimbo::reports;

namespace {

Criteria request(Report r, QDate from = {2024, 3, 1}, QDate to = {2024, 3, 31})
{
    Criteria c;
    c.report = r;
    c.from = from;
    c.to = to;
    return c;
}

TEST(ReportChecks, InTheirOrder)
{
    // Nothing chosen wins over bad dates.
    Criteria c = request(Report::None, {}, {});
    EXPECT_EQ(checkRequest(c).value_or(QString()), kChooseReport);
    c.report = Report::NotClassified;
    EXPECT_EQ(checkRequest(c).value_or(QString()), kBadDates);
    c.from = {2024, 3, 1};
    EXPECT_EQ(checkRequest(c).value_or(QString()), kBadDates);
    c.to = {2024, 2, 29};
    EXPECT_EQ(checkRequest(c).value_or(QString()), kStartAfterEnd);
    // Compared as dates, not as day-first texts: 05/03 is after 28/02.
    c = request(Report::NotClassified, {2024, 2, 28}, {2024, 3, 5});
    EXPECT_FALSE(checkRequest(c));
    EXPECT_FALSE(checkReport(c));
    c = request(Report::NotClassified, {2024, 3, 5}, {2024, 3, 5});
    EXPECT_FALSE(checkRequest(c));

    // The transmission list asks first, then wants an assignment kind.
    c = request(Report::Transmission);
    EXPECT_FALSE(checkRequest(c));
    EXPECT_EQ(transmissionQuestion(c),
              QString::fromUtf8("Confermi la richiesta di stampa della distinta di trasmissione per il periodo "
                                "01/03/2024 - 31/03/2024"));
    EXPECT_EQ(checkReport(c).value_or(QString()), kChooseAssignment);
    c.assignment = 2;
    EXPECT_FALSE(checkReport(c));

    // The register stays within one year; the chronological one need not.
    c = request(Report::Register, {2023, 12, 1}, {2024, 1, 31});
    EXPECT_FALSE(checkRequest(c));
    EXPECT_EQ(checkReport(c).value_or(QString()), kSameYear);
    c.report = Report::Chronological;
    EXPECT_FALSE(checkReport(c));
    c = request(Report::Register, {2024, 2, 1}, {2024, 5, 31});
    EXPECT_FALSE(checkReport(c));
    EXPECT_EQ(registerStart(c), QDate(2024, 1, 1));
    EXPECT_EQ(registerEnd(c), QDate(2024, 12, 31));
}

TEST(ReportChecks, TemplatesAndTitles)
{
    EXPECT_EQ(registerTemplate(QStringLiteral("ARP")), QStringLiteral("RegistroMensile.rpt"));
    EXPECT_EQ(registerTitle(QStringLiteral("ARP")), QStringLiteral("Registro mensile del Protocollo"));
    for (const char *other : {"101", "104", "AS8", "ARB", "", "arp "}) {
        const QString code = QString::fromLatin1(other);
        EXPECT_EQ(registerTemplate(code), code.trimmed() == QLatin1String("ARP") ? QStringLiteral("RegistroMensile.rpt")
                                                                                 : QStringLiteral("RegistroAnnuale.rpt"))
            << other;
    }
    Asker a{QStringLiteral("001"), QStringLiteral("101"), false};
    Criteria c = request(Report::Register, {2024, 2, 1}, {2024, 5, 31});
    EXPECT_EQ(reportTitle(c, a), QStringLiteral("Registro Annuale del Protocollo"));
    EXPECT_EQ(headingValues(c, a).value(QStringLiteral("heading")),
              QStringLiteral("Registro Generale del PROTOCOLLO  Anno 2024"));
    c.report = Report::Chronological;
    EXPECT_EQ(reportTitle(c, a), QStringLiteral("Registro cronologico del Protocollo"));
    EXPECT_EQ(headingValues(c, a).value(QStringLiteral("heading")),
              QStringLiteral("Registro Generale del protocollo dal  01/02/2024  al  31/05/2024"));
    c.report = Report::Archived;
    EXPECT_EQ(reportTitle(c, a), QStringLiteral("Elenco documenti archiviati nel periodo: 01/02/2024 - 31/05/2024"));
    // Every report has its own template and as many titles as the template prints.
    QStringList names;
    for (const ReportInfo &r : allReports()) {
        EXPECT_FALSE(names.contains(r.templateName)) << r.templateName.toStdString();
        names << r.templateName;
        EXPECT_FALSE(r.columns.isEmpty());
    }
    EXPECT_EQ(names.size(), 9);
}

// Typed text reaches the SQL only through the quote function: an apostrophe
// is doubled, never closes the literal.
TEST(ReportChecks, TypedTextIsQuoted)
{
    Criteria c = request(Report::Transmission);
    c.assignment = 4;
    c.subject = QString::fromUtf8("DELL'ASL' OR '1'='1");
    c.department = QStringLiteral("A'B");
    const QString sql = listQuery(c, {QStringLiteral("0'1"), QString(), false});
    EXPECT_TRUE(sql.contains(QStringLiteral("%DELL''ASL'' OR ''1''=''1%"))) << sql.toStdString();
    EXPECT_TRUE(sql.contains(QStringLiteral("'A''B'")));
    EXPECT_TRUE(sql.contains(QStringLiteral("'0''1'")));
    EXPECT_EQ(sql.count(QLatin1Char('\'')) % 2, 0);
}

} // namespace
