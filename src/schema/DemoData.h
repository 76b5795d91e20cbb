#pragma once
// Demo content of a central database, so that a newcomer can log in and
// register at once.
//
// Body "001" (AZIENDA SANITARIA DEMO, AOO code 001) with its Tab_Parm_Gen
// row; the protocol office is department PRO, office UPR.
//
// Operators (code / password, passwords ignore case):
//   DEMO6 / demo6pwd   level 6, personal, office UPR of PRO
//   DEMO7 / demo7pwd   level 7, office manager, office UPR of PRO
//   DEMO8 / demo8pwd   level 8, department manager, office RAG of AMM
//   DEMO9 / demo9pwd   level 9, whole body, office UPR of PRO, privacy right
// Every demo operator may change his own password; their password date is
// the day the demo was loaded; no function is withheld (op_funzioni empty).
//
// Also: departments PRO, AMM, SAN and the closed OLD; offices UPR, ARC,
// ECO (closed), RAG, PER, IGI, VET and SOP (closed); office members; the code
// tables; every Italian region, province and municipality with their
// postal codes, from the list shipped with the program; 30 address-book
// entries; titles, categories, classes and two open dossiers;
// the menu functions; one workstation; three structure-change notices
// (two waiting, the closing of ECO applied). The yearly counters stay empty.
//
// Loading is idempotent: a row whose key is already present is left as it
// is, so loading twice adds nothing and never overwrites an edited row.

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace Schema {

struct DemoOperator {
    QString code;
    QString password;
    int level;
};

const QList<DemoOperator> &demoOperators();
QString demoBody(); // "001"

// Fills the database (already created by createOrUpgrade) inside one
// transaction; *added receives the number of rows written.
bool loadDemo(QSqlDatabase &db, QString *error, int *added = nullptr);

} // namespace Schema
