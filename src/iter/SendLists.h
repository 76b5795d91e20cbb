#pragma once
// The lists of what an office sent and what was completed: their search
// criteria and checks, the queries with the operator's visibility (through
// the one scope builder) and the way rows are shown.

#include <QDate>
#include <QString>
#include <optional>

#include "data/Funzioni_Com_1.h"
#include "data/Scope.h"

namespace nimbo::iter {

constexpr int kSentLimit = 500;
constexpr int kArchivedLimit = 2000;

// The search fields shared by the lists.
struct ListCriteria {
    bool incoming = true, outgoing = true; // OptE, OptU
    QString from, to;                       // "dd/mm/yyyy", may be empty
    QString subject;                        // contains
    QString docType;                        // code; empty or "AAA": every type
    QString correspondent;                  // name contains
    QString year, number;                   // both or neither
};

// The message of the first check that fails.
std::optional<QString> checkCriteria(const ListCriteria &c);

enum class SentView { NotTaken, TakenBefore };

// Sent and not yet taken in charge (at most kSentLimit): direction, number,
// protocol date, subject, delivery key, department name, office name,
// member number, member name, sending movement key, delivery progressive,
// privacy flag. Taken before: direction, number, protocol date, subject,
// in-charge movement key, department name, office name, 0, empty, movement
// key, 0, privacy flag.
QString sentQuery(SentView view, const ListCriteria &c, const protocol::Viewer &v);
// Completed documents (at most kArchivedLimit): direction, number, protocol
// date, subject, correspondent, completion movement key, closing protocol,
// notes, closing date, privacy flag.
QString archivedQuery(const ListCriteria &c, const protocol::Viewer &v);
// "dd/mm/yyyy  hh:nn" from a movement key "yyyymmddhhnnss".
QString shownMovement(const QString &key);
// "Destinatario": department, office and, for a member, " - sig. " and his name.
QString shownRecipient(const QString &department, const QString &office, int member, const QString &memberName);

// The rows of a loaded list as the list shows them (reserved subjects masked).
Funzioni_Com_1::Columns sentRows(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &v);
Funzioni_Com_1::Columns archivedRows(const Funzioni_Com_1::LoadedRows &rows, const protocol::Viewer &v);

} // namespace nimbo::iter
