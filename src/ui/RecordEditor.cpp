#include "ui/RecordEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>

#include "platform/Dialogs.h"
#include "schema/Definition.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::ui {
namespace {

QString textOf(const QWidget *w)
{
    if (const auto *e = qobject_cast<const QLineEdit *>(w))
        return e->text().trimmed();
    if (const auto *c = qobject_cast<const QComboBox *>(w)) {
        const QVariant code = c->currentData();
        return code.isValid() ? code.toString().trimmed() : c->currentText().trimmed();
    }
    if (const auto *t = qobject_cast<const QPlainTextEdit *>(w))
        return t->toPlainText().trimmed();
    if (const auto *b = qobject_cast<const QCheckBox *>(w))
        return b->isChecked() ? QStringLiteral("S") : QStringLiteral("N");
    return {};
}

void setTextOf(QWidget *w, const QString &text)
{
    const QSignalBlocker quiet(w);
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        e->setText(text);
        e->setCursorPosition(0);
    } else if (auto *c = qobject_cast<QComboBox *>(w)) {
        int at = c->findData(text);
        if (at < 0)
            at = c->findText(text);
        if (at < 0 && c->isEditable())
            c->setEditText(text);
        else
            c->setCurrentIndex(at);
    } else if (auto *t = qobject_cast<QPlainTextEdit *>(w)) {
        t->setPlainText(text);
    } else if (auto *b = qobject_cast<QCheckBox *>(w)) {
        b->setChecked(text == QLatin1String("S") || text == QLatin1String("SI"));
    }
}

// Puts the focus on a field, bringing forward the tab page it sits on.
void focusField(QWidget *w)
{
    for (QWidget *p = w; p; p = p->parentWidget()) {
        QWidget *stack = p->parentWidget();
        if (auto *tabs = qobject_cast<QTabWidget *>(stack ? stack->parentWidget() : nullptr)) {
            const int page = tabs->indexOf(p);
            if (page >= 0)
                tabs->setCurrentIndex(page);
        }
    }
    w->setFocus();
}

void lock(QWidget *w, bool locked)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        setReadOnly(e, locked);
    else if (w)
        w->setEnabled(!locked);
}

} // namespace

const Check *firstFailure(const CheckList &checks, Record &record)
{
    for (const Check &c : checks)
        if (!c.passes(record))
            return &c;
    return nullptr;
}

QVector<const Check *> allFailures(const CheckList &checks, Record &record)
{
    QVector<const Check *> failed;
    for (const Check &c : checks)
        if (!c.passes(record))
            failed << &c;
    return failed;
}

QString sqlText(const QString &text) { return QLatin1Char('\'') + F::quote(text) + QLatin1Char('\''); }

RecordEditor::RecordEditor(QWidget *parent) : ChildWindow(parent) { setToolbarKeys(toolbarFor(Mode::Browse)); }

void RecordEditor::setTable(const QString &table, const QString &database)
{
    table_ = table;
    database_ = database;
    for (const Binding &b : std::as_const(bindings_))
        applyLength(b);
}

void RecordEditor::bind(const QString &column, QWidget *field, Kind kind, bool key)
{
    bindings_.append({column, field, kind, key});
    applyLength(bindings_.last());
}

int RecordEditor::lengthOf(const QString &column) const
{
    // The register's tables are central; every other logical database is
    // the workstation's local one.
    return Schema::entryLength(isLocal() ? Schema::Kind::Local : Schema::Kind::Central, table_, column);
}

QVector<RecordEditor::BoundField> RecordEditor::boundFields() const
{
    QVector<BoundField> out;
    for (const Binding &b : bindings_)
        out.append({b.column, b.widget.data(), b.kind, b.key});
    return out;
}

void RecordEditor::applyLength(const Binding &b) const
{
    auto *e = qobject_cast<QLineEdit *>(b.widget.data());
    if (!e || b.kind == Kind::Transient)
        return;
    if (const int length = lengthOf(b.column); length > 0)
        e->setMaxLength(length);
}

const RecordEditor::Binding *RecordEditor::overflowing(const Record &loaded) const
{
    for (const Binding &b : bindings_) {
        const auto *e = qobject_cast<const QLineEdit *>(b.widget.data());
        if (e && b.kind != Kind::Transient && loaded.contains(b.column)
            && loaded.value(b.column).size() > e->maxLength())
            return &b;
    }
    return nullptr;
}

QString RecordEditor::captionOf(const QWidget *field) const
{
    const QList<QLabel *> labels = findChildren<QLabel *>();
    for (const QLabel *l : labels)
        if (l->buddy() == field && !l->text().isEmpty())
            return l->text().remove(QLatin1Char('&'));
    return {};
}

void RecordEditor::unbindAll() { bindings_.clear(); }

void RecordEditor::setDetail(QWidget *panel)
{
    detail_ = panel;
    dirty()->watch(panel);
    panel->setEnabled(mode_ != Mode::Browse);
    // Called from the window's constructor, where its own toolbar sets are
    // known (the base constructor could only give the default ones).
    setToolbarKeys(toolbarFor(mode_));
}

void RecordEditor::setList(RowList *list, std::function<QString()> sql, const QHash<QString, int> &keyColumns)
{
    list_ = list;
    listSql_ = std::move(sql);
    listKeys_ = keyColumns;
    connect(list_, &RowList::chosen, this, &RecordEditor::chosenFromList, Qt::UniqueConnection);
}

void RecordEditor::setLoad(std::function<QString(const Record &)> sql, const QStringList &columns)
{
    loadSql_ = std::move(sql);
    loadColumns_ = columns;
}

QVBoxLayout *RecordEditor::startLayout(QLabel *heading)
{
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    heading_ = heading;
    if (heading) {
        QFont f = heading->font();
        f.setBold(true);
        f.setPointSizeF(f.pointSizeF() * 1.15);
        heading->setFont(f);
        outer->addWidget(heading);
    }
    return outer;
}

QHBoxLayout *RecordEditor::buttonRow(const QList<QWidget *> &buttons)
{
    auto *row = new QHBoxLayout;
    for (QWidget *b : buttons)
        row->addWidget(b);
    row->addStretch(1);
    return row;
}

// The detail with the window's buttons under it, pushed to the top.
QVBoxLayout *RecordEditor::detailColumn(QWidget *detail, const QList<QWidget *> &buttons)
{
    auto *column = new QVBoxLayout;
    column->addWidget(detail);
    if (!buttons.isEmpty())
        column->addLayout(buttonRow(buttons));
    column->addStretch(1);
    return column;
}

void RecordEditor::arrange(QLabel *heading, QWidget *list, QWidget *detail, const QList<QWidget *> &buttons)
{
    QVBoxLayout *outer = startLayout(heading);
    auto *body = new QHBoxLayout;
    body->setSpacing(10);
    if (list) {
        list->setMinimumWidth(260);
        list->setMaximumWidth(380);
        body->addWidget(list, 2);
    }
    body->addLayout(detailColumn(detail, buttons), 5);
    outer->addLayout(body, 1);
    setDetail(detail);
}

void RecordEditor::arrangeStacked(QLabel *heading, QWidget *list, QWidget *detail, const QList<QWidget *> &buttons)
{
    QVBoxLayout *outer = startLayout(heading);
    if (list)
        outer->addWidget(list, 1);
    outer->addWidget(detail);
    if (!buttons.isEmpty())
        outer->addLayout(buttonRow(buttons));
    setDetail(detail);
}

void RecordEditor::arrangeSearch(QLabel *heading, QWidget *search, QWidget *found, QWidget *detail,
                                 const QList<QWidget *> &buttons)
{
    QVBoxLayout *outer = startLayout(heading);
    auto *top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(search, 0, Qt::AlignTop);
    top->addLayout(detailColumn(detail, buttons), 1);
    outer->addLayout(top);
    found->setMinimumHeight(160);
    outer->addWidget(found, 1);
    setDetail(detail);
}

void RecordEditor::setHeading(const QString &text)
{
    if (heading_)
        heading_->setText(text);
}

QString RecordEditor::heading() const { return heading_ ? heading_->text() : QString(); }

void RecordEditor::setContext(const QString &column, const QString &value) { context_.insert(column, value); }

bool RecordEditor::changeContext(const QList<QPair<QString, QString>> &context)
{
    if (!confirmDiscard())
        return false;
    if (mode_ != Mode::Browse) {
        key_.clear();
        clearFields();
        enter(Mode::Browse);
    }
    for (const auto &c : context)
        context_.insert(c.first, c.second);
    return true;
}

void RecordEditor::addColumns(F::FieldList &, const Record &, bool) const {}

QVector<UsageCheck> RecordEditor::usageChecks(const Record &) const { return {}; }

void RecordEditor::enteredMode(Mode) {}

void RecordEditor::loaded(const Record &) {}

void RecordEditor::written(bool) {}

QString RecordEditor::writeCondition(const Record &key) const { return condition(key); }

QString RecordEditor::toolbarFor(Mode mode) const
{
    switch (mode) {
    case Mode::Browse: return QStringLiteral("ESCI;NUOVO");
    case Mode::New: return QStringLiteral("ESCI;REGISTRA;ANNULLA");
    case Mode::Edit:
        return deletable_ ? QStringLiteral("ESCI;REGISTRA;ANNULLA;CANCELLA") : QStringLiteral("ESCI;REGISTRA;ANNULLA");
    }
    return {};
}

const RecordEditor::Binding *RecordEditor::bindingOf(const QString &column) const
{
    for (const Binding &b : bindings_)
        if (b.column.compare(column, Qt::CaseInsensitive) == 0)
            return &b;
    return nullptr;
}

QWidget *RecordEditor::field(const QString &column) const
{
    const Binding *b = bindingOf(column);
    return b ? b->widget.data() : nullptr;
}

bool RecordEditor::isKeyColumn(const QString &column) const
{
    for (auto it = context_.cbegin(); it != context_.cend(); ++it)
        if (it.key().compare(column, Qt::CaseInsensitive) == 0)
            return true;
    if (const Binding *b = bindingOf(column); b && b->key)
        return true;
    const Schema::Table *t = Schema::findTable(isLocal() ? Schema::Kind::Local : Schema::Kind::Central, table_);
    return t && t->primaryKey.contains(column, Qt::CaseInsensitive);
}

void RecordEditor::setFieldText(const QString &column, const QString &text)
{
    if (QWidget *w = field(column))
        setTextOf(w, text);
}

Record RecordEditor::record() const
{
    Record r;
    for (auto it = context_.cbegin(); it != context_.cend(); ++it)
        r.insert(it.key(), it.value());
    for (const Binding &b : bindings_)
        if (b.widget)
            r.insert(b.column, textOf(b.widget));
    return r;
}

QString RecordEditor::condition(const Record &key) const
{
    QStringList parts;
    for (auto it = context_.cbegin(); it != context_.cend(); ++it)
        parts << it.key() + QStringLiteral(" = ") + sqlText(key.value(it.key(), it.value()));
    for (const Binding &b : bindings_)
        if (b.key)
            parts << b.column + QStringLiteral(" = ") + sqlText(key.value(b.column));
    return parts.join(QStringLiteral(" AND "));
}

F::FieldList RecordEditor::columnsToWrite(const Record &record, bool isNew) const
{
    F::FieldList fields;
    for (auto it = context_.cbegin(); it != context_.cend(); ++it)
        fields.append({it.key(), it.value()});
    for (const Binding &b : bindings_) {
        const QString text = record.value(b.column);
        switch (b.kind) {
        case Kind::Text: fields.append({b.column, text}); break;
        case Kind::Date: {
            const QDate d = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
            fields.append({b.column, d.isValid() ? QVariant(d) : QVariant(QMetaType(QMetaType::QDate))});
            break;
        }
        case Kind::Number: {
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            fields.append({b.column, ok ? QVariant(n) : QVariant(QMetaType(QMetaType::LongLong))});
            break;
        }
        case Kind::Transient: break;
        }
    }
    addColumns(fields, record, isNew);
    // A change rewrites the row the loaded key selects; its key stays as
    // loaded, whatever a field or a change of context now holds.
    if (!isNew)
        fields.removeIf([this](const F::Field &f) { return isKeyColumn(f.name); });
    return fields;
}

void RecordEditor::clearFields()
{
    for (const Binding &b : bindings_)
        if (b.widget)
            setTextOf(b.widget, QString());
}

void RecordEditor::enter(Mode mode)
{
    mode_ = mode;
    for (const Binding &b : bindings_)
        if (b.key)
            lock(b.widget, mode == Mode::Edit);
    if (detail_)
        detail_->setEnabled(mode != Mode::Browse);
    enteredMode(mode);
    dirty()->setClean();
    setToolbarKeys(toolbarFor(mode));
}

bool RecordEditor::confirmDiscard() { return dirty()->confirmDiscard(boxTitle()); }

void RecordEditor::startNew()
{
    if (!confirmDiscard())
        return;
    key_.clear();
    clearFields();
    enter(Mode::New);
    for (const Binding &b : bindings_)
        if (b.key && b.widget) {
            b.widget->setFocus();
            break;
        }
}

bool RecordEditor::openRecord(const Record &key)
{
    if (!confirmDiscard())
        return false;
    Record k = key;
    for (auto it = context_.cbegin(); it != context_.cend(); ++it)
        if (!k.contains(it.key()))
            k.insert(it.key(), it.value());
        else
            context_[it.key()] = k.value(it.key());
    bool failed = false;
    const auto row = F::loadRow(database_, loadSql_(k), &failed);
    if (!row) {
        // A read that failed is not a record that is not there: the loader
        // has said what went wrong, and nothing more is claimed here.
        if (!failed)
            showBox(boxTitle(),
                    loadFailure_.isEmpty() ? QStringLiteral("Record non trovato in archivio.") : loadFailure_,
                    Icon::Warning);
        return false;
    }
    Record r = k;
    for (int i = 0; i < loadColumns_.size() && i < row->size(); ++i)
        r.insert(loadColumns_.at(i), F::displayValue(row->at(i)).trimmed());
    if (const Binding *b = overflowing(r)) {
        // A field would cut the value, and a write would store it cut: the
        // record is not opened at all.
        key_.clear();
        clearFields();
        enter(Mode::Browse);
        const QString caption = captionOf(b->widget);
        showBox(boxTitle(),
                QStringLiteral("Il campo %1contiene %2 caratteri, più dei %3 che la finestra accetta: il record non "
                               "può essere aperto senza troncarlo. Rivolgersi all'amministratore del sistema.")
                    .arg(caption.isEmpty() ? QString() : QStringLiteral("\"%1\" ").arg(caption))
                    .arg(r.value(b->column).size())
                    .arg(qobject_cast<const QLineEdit *>(b->widget.data())->maxLength()),
                Icon::Warning);
        return false;
    }
    clearFields();
    for (const Binding &b : bindings_)
        if (b.widget && r.contains(b.column))
            setTextOf(b.widget, r.value(b.column));
    key_ = k;
    for (const Binding &b : bindings_)
        if (b.key)
            key_.insert(b.column, r.value(b.column));
    enter(Mode::Edit);
    loaded(r);
    dirty()->setClean();
    return true;
}

void RecordEditor::reloadList()
{
    if (list_ && listSql_)
        list_->load(listSql_(), database_);
}

bool RecordEditor::step(int delta, const QString &atFirst, const QString &atLast)
{
    if (!list_)
        return false;
    const QAbstractItemModel *shown = list_->view()->model();
    const QModelIndex at = list_->view()->currentIndex();
    const int next = (at.isValid() ? at.row() : (delta > 0 ? -1 : shown->rowCount())) + delta;
    if (next < 0 || next >= shown->rowCount()) {
        showBox(boxTitle(), next < 0 ? atFirst : atLast, Icon::Information);
        return false;
    }
    if (!confirmDiscard())
        return false;
    dirty()->setClean();
    list_->view()->setCurrentIndex(shown->index(next, 0));
    chosenFromList(list_->currentRow());
    return true;
}

void RecordEditor::chosenFromList(int row)
{
    Record k;
    for (auto it = listKeys_.cbegin(); it != listKeys_.cend(); ++it)
        k.insert(it.key(), list_->text(row, it.value()).trimmed());
    if (mode_ == Mode::Edit && k == key_)
        return;
    openRecord(k);
}

bool RecordEditor::save()
{
    const bool isNew = mode_ == Mode::New;
    Record r = record();
    const Record typed = r;
    const CheckList list = checks(isNew);
    QVector<const Check *> failed;
    if (togetherCaption_.isEmpty()) {
        if (const Check *first = firstFailure(list, r))
            failed << first;
    } else {
        failed = allFailures(list, r);
    }
    // What the checks completed goes back into the fields.
    for (auto it = r.cbegin(); it != r.cend(); ++it)
        if (typed.value(it.key()) != it.value())
            setFieldText(it.key(), it.value());
    if (!failed.isEmpty()) {
        if (togetherCaption_.isEmpty()) {
            if (const QString text = failed.first()->text(r); !text.isEmpty())
                showBox(boxTitle(), text, Icon::Warning);
        } else {
            QStringList lines;
            if (!togetherHeading_.isEmpty())
                lines << togetherHeading_;
            for (const Check *c : failed)
                lines << c->text(r);
            showBox(togetherCaption_, lines.join(QLatin1Char('\n')), Icon::Critical);
        }
        if (QWidget *w = field(failed.first()->column))
            focusField(w);
        return false;
    }
    Record k = isNew ? r : key_;
    if (!writeRecord(r, isNew)) {
        // Reported; the window stays as it is for another try.
        if (!writeFailure_.isEmpty())
            showBox(boxTitle(), writeFailure_, Icon::Critical);
        return false;
    }
    dirty()->setClean();
    reloadList();
    if (list_) {
        key_.clear();
        clearFields();
        enter(Mode::Browse);
    } else {
        // A detail window stays on the record just written.
        for (const Binding &b : bindings_)
            if (b.key)
                k.insert(b.column, r.value(b.column));
        openRecord(k);
    }
    written(false);
    emit saved();
    return true;
}

bool RecordEditor::remove()
{
    const Record r = record();
    for (const UsageCheck &u : usageChecks(r)) {
        const F::LoadedRows used = F::loadRows(u.database.isEmpty() ? database_ : u.database, u.sql);
        if (used.ok) {
            showBox(boxTitle(), u.message, Icon::Warning);
            return false;
        }
        if (!used.noRows()) {
            // Not knowing is not "unused".
            GECentr::writeLog(QStringLiteral("verifica utilizzo non riuscita: ") + u.sql, QStringLiteral("CANCELLA"),
                              objectName());
            showBox(boxTitle(), usageFailure_.isEmpty() ? deleteFailure_ : usageFailure_, Icon::Critical);
            return false;
        }
    }
    if (showBox(boxTitle(), deleteQuestion_, Icon::Question, Buttons::YesNo) != Answer::Yes)
        return false;
    if (!deleteRecord())
        return false;
    key_.clear();
    clearFields();
    enter(Mode::Browse);
    reloadList();
    written(true);
    emit saved();
    return true;
}

bool RecordEditor::writeRecord(const Record &record, bool isNew)
{
    const F::Statement st{isNew ? QStringLiteral("A") : QStringLiteral("R"), table_, columnsToWrite(record, isNew),
                          isNew ? QString() : writeCondition(key_)};
    return F::Update_Tabella({st}, database_);
}

bool RecordEditor::deleteRecord()
{
    const F::Statement st{QStringLiteral("C"), table_, {}, writeCondition(key_)};
    if (F::Update_Tabella({st}, database_))
        return true;
    showBox(boxTitle(), deleteFailure_, Icon::Critical);
    return false;
}

void RecordEditor::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI")) {
        closeWindow();
    } else if (key == QLatin1String("NUOVO")) {
        startNew();
    } else if (key == QLatin1String("ANNULLA")) {
        if (!confirmDiscard())
            return;
        key_.clear();
        clearFields();
        enter(Mode::Browse);
    } else if (key == QLatin1String("REGISTRA")) {
        if (mode_ != Mode::Browse)
            save();
    } else if (key == QLatin1String("CANCELLA")) {
        if (mode_ == Mode::Edit && deletable_)
            remove();
    } else if (key == QLatin1String("VARIAZIONE")) {
        if (list_ && list_->currentRow() >= 0)
            chosenFromList(list_->currentRow());
    }
}

} // namespace nimbo::ui
