#pragma once
// The daily register of protocols: for one body and one day, every protocol
// registered that day and every cancellation or correction made that day to
// an earlier protocol, as a PDF/A-1b file, an XML file of metadata and the
// PDF's SHA-256, and a record of the production in Tab_RegistroGiornaliero.
//
// The PDF depends only on the register: each protocol is shown as it stood
// at the end of the day (a later cancellation or correction is taken back
// through the history the database keeps), its dates inside the file are
// the end of the day and its identifiers are derived from the body and the
// day. Producing a day again gives the same bytes; the time of each
// production lives only in the metadata file and in the record.
//
// Reserved protocols (Tab_SoggPrivacy "S") show number, date, time and
// direction; their subject and correspondents read "RISERVATO".

#include <QDate>
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

namespace nimbo::daily {

struct Entry {
    QString number; // 11 digits
    QString direction, time, correspondent, subject, type, state;
    bool reserved = false;
};

struct Change {
    QString number;
    QString direction;
    QDate protocolDate;
    QString time;
    QString what; // "Annullamento - ..." or "Modifica: Oggetto, ..."
};

struct Day {
    QString ente, enteName;
    QDate date;
    QVector<Entry> entries; // in number order
    QVector<Change> changes;
};

// Reads the day from the central database; false with *error on failure.
bool collect(const QSqlDatabase &db, const QString &ente, const QDate &date, Day *day, QString *error);

// The identifier: body + "-" + yyyyMMdd.
QString identifier(const QString &ente, const QDate &date);

struct Produced {
    QString pdf, xml, sha;        // paths of the three files
    QString digest;               // hex SHA-256 of the PDF
    int protocols = 0, changes = 0;
    bool sameAsBefore = false;    // this content was produced before
    bool changedSinceBefore = false; // an earlier production holds other content
};

// Writes <id>.pdf, <id>.xml and <id>.pdf.sha256 into folder and records the
// production; `now` is the time of production. False with *error on failure
// (nothing is left half-written: the files are replaced whole).
bool produce(const QSqlDatabase &db, const QString &ente, const QDate &date, const QString &folder,
             const QString &operatorCode, const QDateTime &now, Produced *out, QString *error);

// The PDF alone, into a byte array (for produce and for tests).
bool renderPdf(const Day &day, QByteArray *pdf, QString *error);

// The bodies of the register, for "every body".
bool bodies(const QSqlDatabase &db, QStringList *out, QString *error);

} // namespace nimbo::daily
