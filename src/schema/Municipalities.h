#pragma once
// The Italian municipalities with their provinces and regions, from the
// list the national statistics office publishes every year ("Elenco comuni
// italiani"), and their postal codes from a second file.
//
// The office's file is CSV separated by ";", in Latin-1 as Windows writes
// it, with CR LF line ends and a header row whose quoted headings hold line
// breaks. Its columns are found by their heading (blanks and line breaks
// collapsed, case and footnote marks such as "(1)" ignored), not by their
// place, so a later year's file with columns moved or added still loads:
//
//   Codice Regione, Denominazione regione
//   Codice Provincia (Storico)                  -> Tab_Provincie.Prv_Codprov
//   Denominazione dell'Unità territoriale sovracomunale -> Prv_Descrizione
//   Sigla automobilistica                       -> Prv_Sigla_Auto, com_codprov
//   Codice Comune formato alfanumerico          -> Tab_Comuni.Com_Codcom
//   Denominazione (Italiana e straniera)        -> com_Comune ("Bolzano/Bozen")
//   Codice Catastale del comune                 -> com_codcat
//
// The postal-code file is UTF-8, "codice_istat;denominazione;sigla;
// codice_catastale;cap", several codes of one municipality separated by a
// blank: the first goes to com_cap, every one of them to Tab_ComuniCap.
//
// Every row of both files is checked before anything is written; the
// tables are then brought in line in one transaction: what is missing is
// added, changed names and codes are updated, and nothing is ever deleted
// (a municipality absent from the file is kept and counted).

#include <QByteArray>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

namespace Schema::Municipalities {

struct Region {
    QString code, name;
};
struct Province {
    QString code, name, plate, region;
};
struct Municipality {
    QString code, name, plate, cadastral;
    QStringList postalCodes; // empty: none given
};

struct List {
    QList<Region> regions; // each once, in the order of the file
    QList<Province> provinces;
    QList<Municipality> municipalities;
};

// Reads and checks the office's file. False with a message naming the line
// (or the missing columns) when anything is wrong.
bool readList(const QByteArray &content, List *list, QString *error);
// Adds the postal codes of the second file to a list already read.
bool readPostalCodes(const QByteArray &content, List *list, QString *error);

// The files shipped with the program (list of 1 January 2020), read once.
bool readShipped(List *list, QString *error);
QByteArray shippedList();
QByteArray shippedPostalCodes();

struct Counts {
    int added = 0, updated = 0, unchanged = 0;
};
struct Summary {
    Counts regions, provinces, municipalities;
    int absent = 0; // municipalities in the database that the file lacks
    bool changed() const;
    // What the installer is told, one line each.
    QStringList lines() const;
};

enum class Mode {
    AddAndUpdate, // the yearly load: the file is right
    AddOnly       // the demo: rows already there are left as the operator left them
};

// Brings the tables in line with the list inside the caller's transaction;
// the operator code is written as the rows' last writer.
bool apply(QSqlDatabase &db, const List &list, Mode mode, const QString &operatorCode, Summary *summary,
           QString *error);
// apply() in a transaction of its own: everything or nothing.
bool load(QSqlDatabase &db, const List &list, const QString &operatorCode, Summary *summary, QString *error);

} // namespace Schema::Municipalities
