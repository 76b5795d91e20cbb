#pragma once
// Structure-change notices (Prot_Strutture_I) brought in from a file that
// another system (a personnel system, or a person with a spreadsheet)
// produces. The file is CSV in UTF-8 whose first line names the columns:
//
//   Cod_OP;Livello;Data_EFF;Cod_dip;des_dip;Cod_Uff;Des_Uff;cod_Ser;Des_ser;Stato_Acquisizione
//
// in any order and without regard to case; Cod_OP, Livello, Data_EFF and
// Cod_dip must be there, the others may be left out. Cod_OP is A, D or M;
// Livello 1 (department), 2 (office) or 3 (service); Data_EFF dd/mm/yyyy or
// yyyy-mm-dd; Stato_Acquisizione 0, 1 or 2, 0 when empty. Every notice names
// its department; an office notice also the office, a service notice also
// the service, each with its name.
//
// Every row is checked before anything is written; one bad row and nothing
// is imported.

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QStringList>

namespace Schema::StructureNotices {

struct Notice {
    QString codDip, desDip, codUff, desUff, codSer, desSer;
    QString codOp;   // "A", "D", "M"
    QDate dataEff;
    QString livello; // "1", "2", "3"
    QString stato;   // "0", "1", "2"
};

// The columns of the file, as the header names them.
const QStringList &columns();

// Reads and checks the file. False when anything is wrong: *problems then
// holds one line for the file itself ("intestazione: ...") or one per bad
// row ("riga N: ..." with N the file's line, the header being line 1).
bool read(const QByteArray &content, QList<Notice> *notices, QStringList *problems);

// Adds the notices in one transaction: all of them or none.
bool import(QSqlDatabase &db, const QList<Notice> &notices, QString *error);

} // namespace Schema::StructureNotices
