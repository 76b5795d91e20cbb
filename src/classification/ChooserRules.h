#pragma once
// The rules of the dossier chooser (FrmInsClass), of the quick creation of
// a dossier (frmFascicoliLighT) and of the classification of one protocol
// (FrmClassifica), kept apart from the windows: the queries, the ordered
// checks with their messages, the texts of the lists and what is written.

#include "classification/SchemePath.h"
#include <QDate>
#include <QString>
#include <QVector>
#include <functional>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "protocol/ClassifyChoice.h"
#include "servers/ProtocolServer.h"
#include "ui/CodeLookup.h"

namespace nimbo::classification {

using protocol::ChosenDossier;
using protocol::ChosenDossiers;

enum class Level { Title, Category, Class };


// ---- the chooser ----------------------------------------------------------------------

// The lookup of one level among the ACTIVE elements of the body under the
// path's parents: by code, or by the beginning of the description.
QString schemeLookupQuery(Level level, const SchemePath &path, const QString &typed, bool byDescription);
// The code first; the description only when no code matches and the text
// may be one (the kit's finder).
QVector<ui::Match> findActive(Level level, const SchemePath &path, const QString &typed, bool byDescription);
// The active element with that code, or nothing (not there, not active,
// or the read failed).
std::optional<ui::Match> activeElement(Level level, const SchemePath &path);

// The open dossiers of the class, by description: code, description.
QString openDossiersQuery(const SchemePath &path);
// "00007 - DESCRIZIONE".
QString dossierItem(qint64 code, const QString &description);
// The dossier code of an item (its first 5 characters) and its description
// (from the 9th character on).
qint64 itemCode(const QString &item);
QString itemDescription(const QString &item);

struct ChooserFailure {
    QString message;
    QString field; // objectName of the control that gets the focus
};
// Listing the dossiers needs the three codes of elements that exist.
std::optional<ChooserFailure> listingFailure(const SchemePath &path, const std::function<bool(Level)> &exists);
// Confirming: each code given and existing, in order, then one dossier chosen.
std::optional<ChooserFailure> confirmFailure(const SchemePath &path, int selected,
                                             const std::function<bool(Level)> &exists);

// ---- quick creation (operation 303) ------------------------------------------------------

// The columns of a new dossier of the class, opened on `today`.
ColumnValues newDossierColumns(const SchemePath &path, const QString &description, const QString &operatorCode,
                               const QDate &today);

// ---- the classification of a protocol ------------------------------------------------------

// The protocol's dossiers with each level's code and description, the
// dossier's closing date and whether its class is still offered: rows
// whose dossier or scheme went away meanwhile keep showing by their codes.
QString classificationQuery(const QString &ente, const QString &direction, const QString &number);

struct Classified {
    ChosenDossier dossier;
    QDate closed;        // invalid while the dossier is open
    bool inactive = false; // its title, category or class is no longer active
    // "aperto", "chiuso il dd/mm/yyyy", "non attivo".
    QString state() const;
};
QVector<Classified> classifiedRows(const Funzioni_Com_1::LoadedRows &rows);

// "<code> - <description>", or the code alone when the description is gone.
QString codeAndDescription(const QString &code, const QString &description);

// The dossiers of `chosen` whose key is not among `present`, each once.
ChosenDossiers notYetPresent(const ChosenDossiers &chosen, const QVector<Classified> &present);

// The row condition of one link of the protocol.
QString linkCondition(const QString &ente, const QString &direction, const QString &number, const ChosenDossier &d);
// The insertion of one link, written by the classification window ("P").
Funzioni_Com_1::Statement linkInsert(const QString &ente, const QString &direction, const QString &number,
                                     const ChosenDossier &d, const QString &operatorCode, const QDate &today);
// Runs the statements as one unit through the generic server's batch write,
// as Update_Tabella does, but shows nothing: a refusal the window can
// explain (a key another workstation took a moment ago) is its to tell.
// False with the server's text in *failure.
bool writeQuietly(const QVector<Funzioni_Com_1::Statement> &statements, QString *failure);
// One row when the dossier is open and its title, category and class active.
QString offeredQuery(const QString &ente, const ChosenDossier &d);

} // namespace nimbo::classification
