#include "organisation/FrmTreeStruttura.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "organisation/StructureRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/RecordEditor.h"
#include "ui/TreeModel.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kName = QStringLiteral("FrmTreeStruttura");

// Every key of the nodes the view shows expanded.
void expandedKeys(const QTreeView *view, const ui::TreeModel *model, const QModelIndex &parent, QStringList *out)
{
    for (int r = 0; r < model->rowCount(parent); ++r) {
        const QModelIndex i = model->index(r, 0, parent);
        if (view->isExpanded(i)) {
            out->append(model->key(i));
            expandedKeys(view, model, i, out);
        }
    }
}

} // namespace

FrmTreeStruttura::FrmTreeStruttura(QWidget *parent)
    : ChildWindow(parent), tree_(new QTreeView(this)), model_(new ui::TreeModel(this)), menu_(new QMenu(this))
{
    setWindowTitle(QStringLiteral("Albero delle Aree Organizzative Omogenee"));
    tree_->setObjectName(QStringLiteral("TrwAlbero"));
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->setContextMenuPolicy(Qt::CustomContextMenu);
    tree_->setMinimumSize(420, 360);

    auto *expand = new QPushButton(QStringLiteral("Espandi"), this);
    expand->setObjectName(QStringLiteral("cmdEspandi"));
    auto *collapse = new QPushButton(QStringLiteral("Comprimi"), this);
    collapse->setObjectName(QStringLiteral("cmdComprimi"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    connect(expand, &QPushButton::clicked, tree_, &QTreeView::expandAll);
    connect(collapse, &QPushButton::clicked, tree_, &QTreeView::collapseAll);
    connect(quit, &QPushButton::clicked, this, &ChildWindow::closeWindow);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(expand);
    buttons->addWidget(collapse);
    buttons->addStretch(1);
    buttons->addWidget(quit);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(tree_, 1);
    v->addLayout(buttons);

    menu_->setObjectName(QStringLiteral("MnuAlbero"));
    const bool units = DicAmbiente::session().parm.enteCodiceAsl == QLatin1String("104");
    for (const TreeEntry &e : treeEntries()) {
        QString caption = e.caption;
        if (units)
            caption.replace(QStringLiteral("Ufficio"), QString::fromUtf8("Unità Operativa"));
        QAction *a = menu_->addAction(caption);
        a->setObjectName(e.item);
        const QString item = e.item;
        connect(a, &QAction::triggered, this, [this, item] { openEntry(item); });
        actions_.insert(e.item, a);
    }
    connect(tree_, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        const QModelIndex i = tree_->indexAt(at);
        if (i.isValid())
            tree_->setCurrentIndex(i);
        prepareMenu(i);
        menu_->popup(tree_->viewport()->mapToGlobal(at));
    });

    setToolbarKeys(QStringLiteral("ESCI"));
    reload();
}

bool FrmTreeStruttura::reload()
{
    QStringList expanded;
    expandedKeys(tree_, model_, {}, &expanded);
    const QString current = model_->key(tree_->currentIndex());

    busy::Guard wait;
    const F::LoadedRows r = F::loadRows(QStringLiteral("PROTOCOLLO"), structureTreeQuery());
    if (!r.ok && !r.noRows()) {
        GECentr::writeLog(
            QStringLiteral("FrmTreeStruttura: errore nel caricamento albero Aree Organizzative Omogenee: RC=")
                + r.code.toString(),
            QStringLiteral("CaricaAlbero"), kName);
        showBox(windowTitle(),
                QStringLiteral("Contattare esperto procedura. Si sono verificati errori nella generazione "
                               "dell'albero delle Strutture."),
                Icon::Critical);
        model_->clear();
        return false;
    }
    model_->setRows(r.ok ? r.columns : F::Columns{}, {{0, 1}, {2, 3}, {4, 5}, {6, 7}});
    for (const QString &k : std::as_const(expanded)) {
        const QModelIndex i = model_->indexOfKey(k);
        if (i.isValid())
            tree_->expand(i);
    }
    makeCurrent(current);
    return true;
}

void FrmTreeStruttura::makeCurrent(const QString &key)
{
    QStringList path = key.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    while (!path.isEmpty()) {
        const QModelIndex i = model_->indexOfKey(path.join(QLatin1Char('|')));
        if (i.isValid()) {
            for (QModelIndex p = i.parent(); p.isValid(); p = p.parent())
                tree_->expand(p);
            tree_->setCurrentIndex(i);
            tree_->scrollTo(i);
            return;
        }
        path.removeLast();
    }
}

void FrmTreeStruttura::prepareMenu(const QModelIndex &index)
{
    const int level = index.isValid() ? model_->level(index) : -1;
    for (const TreeEntry &e : treeEntries()) {
        QAction *a = actions_.value(e.item);
        a->setVisible(e.levels.contains(level));
        // The editors of another part of the program may be missing.
        a->setEnabled(WindowRegistry::contains(e.window));
    }
}

void FrmTreeStruttura::openEntry(const QString &item)
{
    const TreeEntry *e = treeEntry(item);
    if (!e || !WindowRegistry::contains(e->window))
        return;
    const QModelIndex at = tree_->currentIndex();
    const QStringList codes = model_->codes(at);
    const int needed = int(e->context.size()) + (e->detail ? 1 : 0);
    if (codes.size() < needed)
        return; // the node lacks what the entry needs (the empty area)
    auto *editor = qobject_cast<ui::RecordEditor *>(WindowRegistry::open(e->window));
    if (!editor)
        return;
    QList<QPair<QString, QString>> context;
    for (int i = 0; i < e->context.size(); ++i)
        context.append({e->context.at(i), codes.at(i)});
    // Asked before anything changes: "No" leaves the editor as it was.
    if (!editor->changeContext(context))
        return;
    if (!openedBy_.contains(editor)) {
        connect(editor, &ui::RecordEditor::saved, this, &FrmTreeStruttura::editorSaved);
        connect(editor, &QObject::destroyed, this, [this](QObject *o) { openedBy_.remove(o); });
    }
    openedBy_.insert(editor, item);
    if (e->detail)
        editor->openRecord({{e->key, codes.at(e->context.size())}});
    else
        editor->startNew();
}

void FrmTreeStruttura::editorSaved()
{
    auto *editor = qobject_cast<ui::RecordEditor *>(sender());
    reload();
    // The record just written becomes the current node.
    const TreeEntry *e = editor ? treeEntry(openedBy_.value(editor)) : nullptr;
    if (!e || editor->editMode() != ui::RecordEditor::Mode::Edit)
        return;
    const ui::Record r = editor->record();
    QStringList context;
    for (const QString &c : e->context)
        context << r.value(c);
    makeCurrent(nodeKeyOf(*e, context, r.value(e->key)));
}

void FrmTreeStruttura::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::organisation
