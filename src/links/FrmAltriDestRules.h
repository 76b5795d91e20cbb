#pragma once
// The further recipients of an outgoing protocol apart from their window:
// the queries of the protocol, of its list and of the entries and groups
// that may join it, and the rule that builds the list.

#include <QString>
#include <QStringList>
#include <QVector>

namespace nimbo::links::recipients {

// The first entries a search of single recipients offers.
constexpr int kSinglesShown = 500;

struct Recipient {
    qlonglong id = 0;
    QString name;
    QString address; // street, number and town as the list shows them
};

// "street, number - town", each part only when there is one.
QString address(const QString &street, const QString &number, const QString &town);
// How a single entry is offered: "name  -  street, number - town".
QString offered(const Recipient &r);

// Direction, number, date, subject, privacy flag, state, main recipient's
// identifier and name of the protocol.
QString protocolSql(const QString &ente, const QString &direction, const QString &number);
// The further recipients of the protocol: identifier, name, street, house
// number, town; by name.
QString listSql(const QString &ente, const QString &direction, const QString &number);

// One entry of the body's address book, read as the list reads entries.
QString entrySql(const QString &ente, qlonglong id);

// What a search of entries or groups looks for.
struct Search {
    QString ente;
    QString department;            // the operator's: its groups and the shared ones
    QString text;                  // the name typed; empty for all
    bool contains = false;         // "Contiene la stringa!" instead of "Inizia per"
    qlonglong mainRecipient = 0;   // never offered
    QVector<qlonglong> listed;     // already on the list, not offered again
};
// The first kSinglesShown active entries of the body by name: identifier,
// name, street, house number, town.
QString singlesSql(const Search &s);
// The names of the groups of the department or shared, by name.
QString groupsSql(const Search &s);
// The members of the named groups (of the department or shared) that are
// active and not ceased, by name: identifier, name, street, house number,
// town. An entry in two groups comes twice.
QString membersSql(const Search &s, const QStringList &groups);

// Appends to the list the candidates that are neither the main recipient
// nor on it already, each once, in their order; the number appended.
int addRecipients(QVector<Recipient> &list, const QVector<Recipient> &candidates, qlonglong mainRecipient);

} // namespace nimbo::links::recipients
