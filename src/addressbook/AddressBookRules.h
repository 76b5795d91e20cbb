#pragma once
// The address book apart from its windows: the queries of the search, the
// entry, its use and its duplicates, the groups' queries, the identifier
// asked of the protocol server and the texts the windows show.

#include <QString>
#include <QVector>

namespace nimbo::addressbook {

// The kind that stands for every kind in the filter.
inline const QString kAllKinds = QStringLiteral("000");
inline const QString kDefaultKind = QStringLiteral("001");
inline const QString kDefaultKindLabel = QStringLiteral("MITTENTE O DESTINATARO DIPARTIMENTALE");

inline const QString kMsgName = QStringLiteral("Inserire la Denominazione del Mittente/Destinatario !");
inline const QString kMsgStreet = QStringLiteral("Inserire l'indirizzo di residenza del Mittente/Destinatario !");
inline const QString kMsgMunicipality =
    QStringLiteral("Inserire correttamente il codice ISTAT del  comune di residenza del Mittente/Destinatario !");
inline const QString kMsgMail = QStringLiteral("Inserire un indirizzo di posta elettronica corretto !");
inline const QString kMsgDate = QStringLiteral("Inserire una data corretta !");
inline const QString kMsgMunicipalityCode = QStringLiteral("Inserire un codice ISTAT corretto.");
inline const QString kMsgKind = QStringLiteral("Inserire una tipologia corretta.");
inline const QString kMsgDuplicate =
    QStringLiteral("Il nominativo inserito esiste già in rubrica. Vuoi registrarlo comunque?");
inline const QString kMsgInternalCode =
    QStringLiteral("Inserire il Codice Interno assegnato dal Dipartimento di Prevenzione");
inline const QString kMsgSubCode = QStringLiteral(
    "Inserire un valore corretto per il Sottocodice Interno assegnato dal Dipartimento di Prevenzione");
inline const QString kMsgNoIdentifier =
    QStringLiteral("ATTENZIONE! Errore in Acquisizione Nuovo Progressivo Rubrica !");
inline const QString kMsgInUse = QStringLiteral(
    "Cancellazione del Mittente/Destinatario non effettuabile. Esistono in archivio informazioni ad esso correlate.");
inline const QString kMsgNothingFound = QStringLiteral("Nessun Mittente/Destinatario trovato");
inline const QString kMsgDeleteFailed =
    QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice Mittente/Destinatario Corrente");

struct Search {
    QString ente;
    QString kind;      // the text before " - " of the kind filter; "000" or empty: every kind
    QString text;      // the name typed
    bool contains = false;
    int limit = 50;
    qlonglong only = 0; // a preset identifier: that entry alone
};
// The condition on an address-book name: begins with or contains the text
// (case ignored, apostrophes doubled), the names' index narrowing the rows
// where it can; rowid is the row's rowid column ("r.rowid").
QString nameCondition(const QString &column, const QString &rowid, const QString &text, bool contains);

// Identifier, name, "street, number - municipality", telephone; ordered by name.
QString searchSql(const Search &s);

// The entry with its municipality's name and its kind's description.
QString entrySql(const QString &ente, qlonglong id);
QStringList entryColumns();

// A protocol has the entry as holder, recipient or further recipient.
QString usedByProtocolSql(const QString &ente, qlonglong id);
// The entry is a member of a group.
QString usedByGroupSql(const QString &ente, qlonglong id);
// An entry of kind "999" written by someone else.
QString othersKind999Sql(const QString &ente, qlonglong id, const QString &operatorCode);

// Another entry of the entity has this name (id 0: any).
QString duplicateSql(const QString &ente, const QString &name, qlonglong id);
// An entry of this name last written by an operator of the department.
QString departmentDuplicateSql(const QString &ente, const QString &name, const QString &department);

// Every kind: code, description, by code.
QString kindsSql();
// The protocols of the entity whose holder is the entry.
QString protocolsOfSql(const QString &ente, qlonglong id);

// "name - street, number - municipality", the caller's correspondent label.
QString correspondentLabel(const QString &name, const QString &street, const QString &number,
                           const QString &municipality);
// The house number as stored: trimmed and followed by one blank.
QString storedHouseNumber(const QString &typed);

// ---- groups -------------------------------------------------------------------------

QString groupsSql(const QString &ente, const QString &department);
// Identifier, name, "street, number", municipality, cessation date, shared.
QString groupMembersSql(const QString &ente, const QString &department, const QString &name);
struct GroupSearch {
    QString ente;
    QString text;
    bool contains = false;
    QString kind;
    QVector<qlonglong> leaveOut; // the members already listed
};
// Active, not ceased entries: identifier, name, "street, number", municipality.
QString groupSearchSql(const GroupSearch &s);
QString groupNameUsedSql(const QString &ente, const QString &name);

// ---- the protocol server ---------------------------------------------------------------

// The next identifier of the entity from the protocol server (operation 1),
// or 0; the server's or the call's failure has been shown to the operator.
qlonglong requestIdentifier(const QString &ente, const QString &title);

} // namespace nimbo::addressbook
