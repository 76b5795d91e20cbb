#pragma once
// The protocols an operator opened last, newest first, kept on the
// workstation per body and operator (never in the register): the start page
// lists them again.

#include <QString>
#include <QVector>

namespace nimbo::ui {

struct RecentProtocol {
    QString direction; // "E" / "U"
    QString number;    // 11 characters
};

constexpr int kRecentKept = 10;

// Puts the protocol first in the operator's list (once), keeping
// kRecentKept at most. Ignored without an operator or a well-formed key.
void rememberProtocol(const QString &ente, const QString &operatorCode, const QString &direction,
                      const QString &number);
QVector<RecentProtocol> recentProtocols(const QString &ente, const QString &operatorCode);
void forgetRecentProtocols(const QString &ente, const QString &operatorCode);

} // namespace nimbo::ui
