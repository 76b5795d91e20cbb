#pragma once
// The code tables the generic window maintains, each described in code:
// its columns, its key, the extra column with its caption, how a row is
// selected for a write and what makes a code "in use". Tab_Tabelle only
// names them; a row naming any other table is never turned into SQL.
//
// Also the typing rule of the window's fields: codes and extra values take
// only letters, digits and blanks, letters in upper case, anything else
// dropped as it is typed or pasted.

#include <QStringList>
#include <QValidator>
#include <QVector>
#include <functional>

#include "ui/RecordEditor.h"

namespace nimbo::codes {

// What the extra value must be.
enum class ExtraRule { None, YesNo, Required };

struct CodeTable {
    QString name;  // as stored in Tab_Tabelle ("TAB_TIPODOCUMENTO")
    QString table; // the table itself
    QString codeColumn;
    QString descriptionColumn;
    QString extraColumn;   // empty: none
    QString extraCaption;  // its grid title and field caption
    QString regionColumn;  // provinces: the region they belong to
    QString operatorColumn;
    QString dateColumn;
    ExtraRule extraRule = ExtraRule::None;
    QString inUse; // shown when a code in use is to be deleted
    // The queries that find a row while the code is in use; the stored
    // extra value is given too (a province is used through its plate code).
    std::function<QStringList(const QString &code, const QString &extra)> usage;

    // "Codice;Descrizione" and the extra titles, with their widths.
    QString titles() const;
    QString widths() const;
    // The grid's rows: code, description, extra, region name.
    QString listSql() const;
    // One code's row: code, description, extra, region code.
    QString loadSql(const QString &code) const;
    // The columns loadSql() returns, in order.
    QStringList loadColumns() const;
    // " Tab_Codice='X'" and the like.
    QString condition(const QString &code) const;
};

// Every table the window knows, in Tab_Tabelle's usual order.
const QVector<CodeTable> &codeTables();
// The table a Tab_Tabelle row names (without regard to case and blanks);
// null for a table the window does not know.
const CodeTable *codeTableNamed(const QString &storedName);

// The generic checks in their order, with their messages; `inGrid` tells
// whether a code is already listed (checked for a new element only).
ui::CheckList codeChecks(const CodeTable &t, bool isNew, std::function<bool(const QString &code)> inGrid);

// The typing rule. Strict (codes and extra values): A-Z, 0-9 and blank.
// Names (descriptions) also keep the letters and the marks of real names,
// "L'AQUILA", "FORLI'-CESENA", "BOLZANO/BOZEN", which the strict rule
// would mangle whenever a stored name is edited.
class CodeTextValidator : public QValidator {
    Q_OBJECT
public:
    enum class Rule { Strict, Names };
    explicit CodeTextValidator(Rule rule, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;
    // The text as the rule leaves it.
    static QString filtered(const QString &text, Rule rule);

private:
    Rule rule_;
};

} // namespace nimbo::codes
