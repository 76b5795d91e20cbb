#pragma once
// What the structure tree and the notices window apply, without a window:
// the tree's query and the editor each menu entry opens, the notices' list,
// texts and writes.

#include <QString>
#include <QStringList>
#include <QVector>

#include "data/Funzioni_Com_1.h"

namespace nimbo::organisation {

// ---- structure tree ------------------------------------------------------------

// Entities with their departments, offices and members: outer joins, so
// that a record without children still gives its row. Columns: code and
// name of each level, entity first.
QString structureTreeQuery();

// A context-menu entry of the tree: the editor it opens and how the codes
// of the node's key (entity, department, office, member) reach it. The
// first codes go to the context columns; a detail entry hands the next one
// as the record's key, an "add" entry starts a new record.
struct TreeEntry {
    QString item;    // menu entry name (MnuDettaglioDip)
    QString caption;
    QString window;  // editor window name
    QStringList context;
    QString key;     // the record's own key column
    bool detail = false;
    QVector<int> levels; // node levels showing it; -1 is the empty tree area
};
const QVector<TreeEntry> &treeEntries();
const TreeEntry *treeEntry(const QString &item);
// The node key of the record an editor shows, from its fields.
QString nodeKeyOf(const TreeEntry &entry, const QStringList &contextValues, const QString &keyValue);

// ---- structure-change notices ------------------------------------------------

QString noticesQuery();
QString noticeQuery(qlonglong id);
// "Attivazione"; "A - Attivazione" in the detail.
QString operationText(const QString &op, bool withCode);
QString levelText(const QString &level);
QString stateText(const QString &state);
// "code - name", or nothing when both are empty.
QString codeAndName(const QString &code, const QString &name);

// Which listed notices are in state "2" by now (applied meanwhile).
QString appliedAmongQuery(const QVector<qlonglong> &ids);
// One write per notice: "1" ticked, "0" not. A notice in state "2" is
// never written: the condition leaves it out, and a row left out fails
// the whole batch rather than going unnoticed.
QVector<Funzioni_Com_1::Statement> noticeWrites(const QVector<qlonglong> &ids, const QVector<bool> &ticked);

} // namespace nimbo::organisation
