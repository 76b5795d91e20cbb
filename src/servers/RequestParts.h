#pragma once
// Pieces the protocol server's operations share to read a request and to
// answer when a unit fails.

#include <QSqlDatabase>
#include <QSqlError>
#include <QVariant>

#include "servers/ProtocolServer.h"

namespace nimbo {

// A request refused before anything was written.
inline QVariantList refusedRequest(const QString &why) { return {kStatusRefused, why}; }

// A single value of a request, not a list or a map.
bool isPlainValue(const QVariant &v);

// One text of a request: a text, storable, trimmed, and not empty when
// required; otherwise false with *why saying what is wrong.
bool requestText(const QVariant &v, const QString &field, bool required, QString *out, QString *why);

// A statement of a unit that failed: the reply names what was being done,
// and whether another writer's lock or a lost connection stopped it.
UnitOutcome statementFailure(const QSqlDatabase &db, const QSqlError &e, const QString &what);

} // namespace nimbo
