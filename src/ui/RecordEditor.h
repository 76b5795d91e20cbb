#pragma once
// The maintenance window of one kind of record (entities, departments,
// offices, operators, address book, code tables...): a list of records and
// the detail of one, or the detail alone when another window (a tree)
// opens it on a record. A window declares its table, its fields and their
// columns, its checks in order, its usage checks and what it adds to a
// write; the editor gives the rest:
//   - the modes: browsing ("ESCI;NUOVO", detail disabled), new ("ESCI;
//     REGISTRA;ANNULLA", fields cleared, key editable) and change (key
//     locked, "...;CANCELLA" when records may be deleted);
//   - the checks in their order: the first that fails shows its message
//     and puts the focus on its field;
//   - the write through Update_Tabella, "A" for a new record and "R" for a
//     change, on the row that the key selects as it was loaded (a change
//     that finds no row fails); a change never writes a key column;
//   - each text field's length from its column in the schema definition,
//     and a record refused, not cut, when a loaded value is longer;
//   - deletion: the usage checks in order (the first that finds a row
//     shows its message), the confirmation, "C";
//   - the list reloaded after every write, saved() for whoever shows the
//     records elsewhere, and a question before typed data is thrown away.

#include <QHash>
#include <QPointer>
#include <QVector>
#include <functional>

#include "data/Funzioni_Com_1.h"
#include "ui/ChildWindow.h"

#include <QLabel>

class QVBoxLayout;
class QHBoxLayout;

namespace nimbo::ui {

class RowList;

// What the fields hold, column by column, trimmed; dates as "dd/mm/yyyy".
using Record = QHash<QString, QString>;

// One check of the ordered list. passes() may complete the record (an
// empty port becomes "25"); what it writes there goes back into the field.
// A check without a message has told the operator itself (a question he
// answered "No"): its failure only stops the write and focuses the field.
struct Check {
    QString column;
    std::function<bool(Record &)> passes;
    QString message;
    // For a message that names what was typed.
    std::function<QString(const Record &)> messageFor = {};
    QString text(const Record &record) const { return messageFor ? messageFor(record) : message; }
};
using CheckList = QVector<Check>;

// The first check that fails, or nullptr when the record passes them all.
const Check *firstFailure(const CheckList &checks, Record &record);
// Every check that fails, in order.
QVector<const Check *> allFailures(const CheckList &checks, Record &record);

// "Is this record used?": a query that finds a row when it is, and the
// message shown then.
struct UsageCheck {
    QString sql;
    QString message;
    // The logical database the query reads; the editor's own when empty.
    QString database = {};
};

// Quotes a text for SQL (apostrophes doubled).
QString sqlText(const QString &text);

class RecordEditor : public ChildWindow {
    Q_OBJECT
public:
    enum class Mode { Browse, New, Edit };
    // How a column's text is written. Transient fields (a password and its
    // confirmation) take part in the checks but are neither read nor
    // written: the window decides what to do with them in addColumns().
    enum class Kind { Text, Date, Number, Transient };

    explicit RecordEditor(QWidget *parent = nullptr);

    Mode editMode() const { return mode_; }
    // The fields as typed.
    Record record() const;
    // The key of the record being changed.
    Record key() const { return key_; }

    // Values the opener gives (the entity of a department list): written
    // with every record and part of its key.
    void setContext(const QString &column, const QString &value);
    QString context(const QString &column) const { return context_.value(column); }
    // Puts the editor under the context an opener names (the entity and
    // department of an office list). Typed data is asked about first: "No"
    // leaves the window exactly as it was, context and record included, and
    // gives false. Otherwise the record is put away (browsing) and the
    // context set: a key never changes by a change of context.
    bool changeContext(const QList<QPair<QString, QString>> &context);

    // As "NUOVO".
    void startNew();
    // Loads the record the key selects and enters change mode; false when
    // it cannot be read (the window's message has been shown).
    bool openRecord(const Record &key);
    // Reloads the list, if the window has one.
    void reloadList();
    // Opens the record before (-1) or after (+1) the current one in the
    // list as it is shown; at either end shows the given message instead.
    bool step(int delta, const QString &atFirst, const QString &atLast);
    // The heading across the top (an opener names the record it is for:
    // "GESTIONE DIPARTIMENTI ENTE: ..."); nothing when arrange() had none.
    void setHeading(const QString &text);
    QString heading() const;

    void ELABORATBAR(const QString &key) override;

    // What the window declared, for checks of every editor against the schema.
    struct BoundField {
        QString column;
        QWidget *widget;
        Kind kind;
        bool key;
    };
    QVector<BoundField> boundFields() const;
    QString table() const { return table_; }
    bool isLocal() const { return database_ != QLatin1String("PROTOCOLLO"); }

signals:
    // A record was written or deleted.
    void saved();

protected:
    // ---- what a window declares ----
    void setTable(const QString &table, const QString &database = QStringLiteral("PROTOCOLLO"));
    // A field and its column. Key columns select the row and are locked
    // while a record is changed. A line field takes the column's declared
    // length (Schema::entryLength) as its maxLength.
    void bind(const QString &column, QWidget *field, Kind kind = Kind::Text, bool key = false);
    // The declared length of a column of the editor's table (0 for none),
    // for windows that size a field before binding it.
    int lengthOf(const QString &column) const;
    // Forgets every field, for a window whose table changes (the code
    // tables): it binds the new table's fields afterwards.
    void unbindAll();
    // The panel that holds the fields: disabled while browsing, watched for
    // typing.
    void setDetail(QWidget *panel);
    // The list variant: the rows come from sql(), and choosing one opens the
    // record whose key columns are in the given list columns. It may be
    // called again with other key columns.
    void setList(RowList *list, std::function<QString()> sql, const QHash<QString, int> &keyColumns);
    // How a record is read: a query on the key, and the record column that
    // each value of its row goes to, in SELECT order (columns without a
    // field are handed to loaded() only).
    void setLoad(std::function<QString(const Record &key)> sql, const QStringList &columns);
    void setDeletable(bool deletable) { deletable_ = deletable; }
    // The title of the editor's message boxes.
    void setBoxTitle(const QString &title) { boxTitle_ = title; }
    // Shown when the record cannot be read or the deletion fails.
    void setLoadFailure(const QString &text) { loadFailure_ = text; }
    void setDeleteFailure(const QString &text) { deleteFailure_ = text; }
    // Shown after a write that did not go through (nothing by default: the
    // writer has reported its error).
    void setWriteFailure(const QString &text) { writeFailure_ = text; }
    void setDeleteQuestion(const QString &text) { deleteQuestion_ = text; }
    // Shown when a usage check cannot be read (the deletion failure when none).
    void setUsageFailure(const QString &text) { usageFailure_ = text; }
    // Windows that report every wrong field at once: the failures, one per
    // line, in one critical box with this caption, the focus on the first.
    // A heading, when given, is the box's first line, above the failures.
    void setChecksTogether(const QString &caption, const QString &heading = {})
    {
        togetherCaption_ = caption;
        togetherHeading_ = heading;
    }

    // The window's layout: the heading across the top, the list (if any;
    // or the list with its search fields) at the left, the detail at the
    // right with the window's buttons under it.
    void arrange(QLabel *heading, QWidget *list, QWidget *detail, const QList<QWidget *> &buttons = {});
    // The same with the list across the top and the detail under it, for
    // lists of many columns.
    void arrangeStacked(QLabel *heading, QWidget *list, QWidget *detail, const QList<QWidget *> &buttons = {});
    // A search window: the search fields beside the detail and its buttons,
    // and under both, across the window's whole width, what was found (one
    // list or a panel of lists), so that lists of many columns can be read.
    void arrangeSearch(QLabel *heading, QWidget *search, QWidget *found, QWidget *detail,
                       const QList<QWidget *> &buttons = {});

    // ---- what a window adds ----
    virtual CheckList checks(bool isNew) const = 0;
    // Columns written besides the fields (operator and date of the write...).
    virtual void addColumns(Funzioni_Com_1::FieldList &fields, const Record &record, bool isNew) const;
    virtual QVector<UsageCheck> usageChecks(const Record &record) const;
    // Locks and defaults of a mode (today's date on a new record...).
    virtual void enteredMode(Mode mode);
    // A record was read: descriptions beside codes and the like.
    virtual void loaded(const Record &record);
    // A write or deletion went through.
    virtual void written(bool deleted);
    // The toolbar of a mode.
    virtual QString toolbarFor(Mode mode) const;
    // The row a change or a deletion touches; condition(key) unless the
    // window's row is selected by more than its key.
    virtual QString writeCondition(const Record &key) const;
    // How a checked record is written and the current one deleted: through
    // Update_Tabella on the table by default. A window whose rows a server
    // writes (groups written whole) does it its own way. False when it
    // failed; the failure has been shown (the default deletion shows the
    // deletion failure text).
    virtual bool writeRecord(const Record &record, bool isNew);
    virtual bool deleteRecord();

    // The field of a column (null when none).
    QWidget *field(const QString &column) const;
    // Sets a field's text as the program, not the operator, does.
    void setFieldText(const QString &column, const QString &text);
    QString boxTitle() const { return boxTitle_.isEmpty() ? windowTitle() : boxTitle_; }
    // The row condition for a key.
    QString condition(const Record &key) const;

private:
    struct Binding {
        QString column;
        QPointer<QWidget> widget;
        Kind kind;
        bool key;
    };
    QVBoxLayout *startLayout(QLabel *heading);
    static QHBoxLayout *buttonRow(const QList<QWidget *> &buttons);
    static QVBoxLayout *detailColumn(QWidget *detail, const QList<QWidget *> &buttons);
    void enter(Mode mode);
    void clearFields();
    bool confirmDiscard();
    bool save();
    bool remove();
    void chosenFromList(int row);
    Funzioni_Com_1::FieldList columnsToWrite(const Record &record, bool isNew) const;
    const Binding *bindingOf(const QString &column) const;
    bool isKeyColumn(const QString &column) const;
    void applyLength(const Binding &b) const;
    // The first line field that the loaded record's value would not fit,
    // with that value; null when all fit.
    const Binding *overflowing(const Record &loaded) const;
    QString captionOf(const QWidget *field) const;

    QString table_;
    QString database_ = QStringLiteral("PROTOCOLLO");
    QVector<Binding> bindings_;
    QHash<QString, QString> context_;
    QPointer<QWidget> detail_;
    QPointer<QLabel> heading_;
    RowList *list_ = nullptr;
    std::function<QString()> listSql_;
    QHash<QString, int> listKeys_;
    std::function<QString(const Record &)> loadSql_;
    QStringList loadColumns_;
    bool deletable_ = false;
    QString boxTitle_;
    QString loadFailure_;
    QString deleteFailure_;
    QString usageFailure_;
    QString writeFailure_;
    QString deleteQuestion_ = QStringLiteral("CONFERMI LA CANCELLAZIONE DEL CODICE CORRENTE ?");
    QString togetherCaption_;
    QString togetherHeading_;
    Mode mode_ = Mode::Browse;
    Record key_;
};

} // namespace nimbo::ui
