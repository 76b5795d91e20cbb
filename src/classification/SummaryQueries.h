#pragma once
// The statements and the rules of the summary of classified protocols:
// the classification tree read one level at a time, the protocols of a
// class or of a dossier in a period within the operator's scope, the
// masking of reserved protocols and the progress of each protocol (its last
// iter movement) for the export. Plain functions, shared by the window and
// the benchmark, so that what is measured is what the clerk runs.

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::classification::summary {

// ---- the tree -------------------------------------------------------------

// One element under a node: code, description, and its state as the tree
// shows it ("Attivo", "Non attivo", "Aperto", "Chiuso il dd/mm/yyyy").
struct Element {
    QString code;
    QString description;
    QString state;
    bool inactive = false; // not active, or a closed dossier
};

// The children of the node named by `path` (no code: the titles; title:
// its categories; title and category: its classes; all three: the class's
// dossiers), in code order.
QString childrenQuery(const QString &ente, const QStringList &path);
// The rows of childrenQuery as elements of the level below `path`.
QVector<Element> elementsOf(const Funzioni_Com_1::LoadedRows &rows, int pathLength);
// A dossier code as it is shown: "00007".
QString dossierText(const QVariant &code);

// ---- the protocols of a class or a dossier --------------------------------

// What was chosen in the tree: a class, or a dossier of it.
struct Selection {
    QString title, category, klass;
    std::optional<qint64> dossier;
    QString description; // of the class or of the dossier
};
// "Documenti inseriti nel fascicolo:" or "Documenti appartenenti alla classe:"
QString heading(const Selection &s);
// The heading with what was chosen: "... 01.02.03 - DESCRIZIONE".
QString headingWithName(const Selection &s);

struct Period {
    QDate from, to;
};
// Why the period typed cannot be used ("inserire una data corretta"), or
// empty when it can.
QString periodProblem(const QString &from, const QString &to, Period *period);
// The period proposed when the window opens: the first of January of the
// year to today.
Period proposedPeriod(const QDate &today);

// The protocols of the body classified in the selection, dated within the
// period, that the viewer may see, one row each, by number. The
// classification is read as a semi-join (each protocol once, however many
// dossiers of the class hold it).
QString protocolsQuery(const QString &ente, const Selection &s, const Period &p, const protocol::Viewer &v);

// The list's columns: shown first, then the keys the window needs.
enum Column {
    ColDirection,
    ColNumber,    // "2026-0000001"
    ColDate,      // "yyyy-mm-dd"
    ColSubject,
    ColHolder,
    ColAddress,
    ColStored,    // "20260000001"
    ColReserved,  // "S" for a reserved protocol
    ColumnCount
};
extern const char *const kListTitles;
extern const char *const kListWidths;
// Reserved protocols carry asterisks in place of subject, correspondent and
// address unless the viewer holds the privacy right: the real texts never
// reach the list, so nothing read from it (the export) can show them.
Funzioni_Com_1::Columns protocolRows(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &v);
// "street, number - postcode   municipality", leaving out what is missing.
QString addressText(const QString &street, const QString &number, const QString &postcode, const QString &town);

// ---- progress of a protocol (the export) ----------------------------------

struct Progress {
    QString state;      // the movement's description, or "PRESO IN CARICO DA <office>"
    QString office;     // the office that made the movement
    QString recipients; // its recipient offices, ", " between them
};
// The last movement of each of the protocols (stored numbers, at most a few
// hundred at a time) with its recipients, by number.
QString progressQuery(const QString &ente, const QStringList &numbers);
// The rows of progressQuery by "direction|stored number".
QHash<QString, Progress> progressOf(const Funzioni_Com_1::LoadedRows &rows);
// Movement type of taking a document in charge.
constexpr int kInChargeMovement = 3;

} // namespace nimbo::classification::summary
