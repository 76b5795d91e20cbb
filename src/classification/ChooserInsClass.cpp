#include "classification/ChooserInsClass.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "classification/ChooserLightDossier.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/CodeLookup.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const QString kTitle = QStringLiteral("Scelta dei Fascicoli");

struct LevelControl {
    Level level;
    const char *code, *description, *caption;
};
const LevelControl kLevels[3] = {{Level::Title, "CodTitolo", "DescTitolo", "Titolo"},
                                 {Level::Category, "CodCategoria", "DescCategoria", "Categoria"},
                                 {Level::Class, "CodClasse", "DescClasse", "Classe"}};

} // namespace

FrmInsClass::FrmInsClass(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmInsClass"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    pick_ = new ui::PickList(this);

    auto *scheme = new ui::FormGroup(QStringLiteral("Classificazione"), this);
    for (const LevelControl &c : kLevels) {
        auto *code = new QLineEdit(scheme);
        code->setObjectName(QString::fromLatin1(c.code));
        ui::makeCodeField(code, 4, true);
        code->setMaxLength(3);
        auto *description = new ui::DescriptionLabel(scheme);
        description->setObjectName(QString::fromLatin1(c.description));
        scheme->addCodeRow(QString::fromLatin1(c.caption), code, description);
        const Level level = c.level;
        auto *lookup = new ui::CodeLookup(
            code, description, pick_,
            [this, level](const QString &typed, bool byDescription) {
                return findActive(level, path(), typed, byDescription);
            },
            this);
        lookup->setPicksAmongCodes(true);
        lookup->setNothingFound(QStringLiteral("Nessun elemento attivo trovato"));
        lookups_[int(level)] = lookup;
        connect(lookup, &ui::CodeLookup::taken, this, [this, level] { levelChanged(level); });
        connect(code, &QLineEdit::textEdited, this, [this, level] { levelChanged(level); });
    }
    list_ = new QPushButton(QStringLiteral("Elenca fascicoli"), scheme);
    list_->setObjectName(QStringLiteral("cmdSchedarioSu"));
    list_->setToolTip(QStringLiteral("Elenca i fascicoli aperti della classe"));
    create_ = new QPushButton(QStringLiteral("Nuovo fascicolo..."), scheme);
    create_->setObjectName(QStringLiteral("cmdNuovoFascicolo"));
    create_->setToolTip(QStringLiteral("Crea un nuovo fascicolo nella classe"));
    scheme->addRow(QString(), {list_, create_});

    auto *found = new ui::FormGroup(QStringLiteral("Fascicoli aperti della classe"), this);
    dossiers_ = new QListWidget(found);
    dossiers_->setObjectName(QStringLiteral("LstSchedario"));
    dossiers_->setSelectionMode(QAbstractItemView::MultiSelection);
    dossiers_->setMinimumHeight(160);
    dossiers_->setToolTip(QStringLiteral("Un clic sceglie o lascia un fascicolo; se ne possono scegliere diversi"));
    found->addWide(dossiers_);

    confirm_ = new QPushButton(QStringLiteral("Conferma"), this);
    confirm_->setObjectName(QStringLiteral("CmdConferma"));
    quit_ = new QPushButton(QStringLiteral("Esci"), this);
    quit_->setObjectName(QStringLiteral("CmdEsci"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(confirm_);
    buttons->addWidget(quit_);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(scheme);
    layout->addWidget(found, 1);
    layout->addLayout(buttons);

    connect(list_, &QPushButton::clicked, this, &FrmInsClass::listDossiers);
    connect(create_, &QPushButton::clicked, this, &FrmInsClass::quickCreate);
    connect(confirm_, &QPushButton::clicked, this, &FrmInsClass::confirm);
    connect(quit_, &QPushButton::clicked, this, [this] { closeWindow(); });
}

QSize FrmInsClass::sizeHint() const { return QSize(640, 440).expandedTo(minimumSizeHint()); }

SchemePath FrmInsClass::path() const
{
    return {DicAmbiente::session().op.ente, lookupOf(Level::Title)->code()->text().trimmed(),
            lookupOf(Level::Category)->code()->text().trimmed(), lookupOf(Level::Class)->code()->text().trimmed()};
}

void FrmInsClass::chooseFor(QObject *caller)
{
    // The windows that asked before wait no longer.
    disconnect(this, &FrmInsClass::dossiersChosen, nullptr, nullptr);
    setCallerWindow(caller);
    dossiers_->clearSelection();
}

void FrmInsClass::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmInsClass::levelChanged(Level level)
{
    // A category belongs to its title and a class to its category: a code
    // changed above leaves them meaningless, and the list with them.
    for (int below = int(level) + 1; below < 3; ++below)
        lookups_[below]->clear();
    const SchemePath now = path();
    if (now.title != listed_.title || now.category != listed_.category || now.cls != listed_.cls) {
        dossiers_->clear();
        listed_ = {};
    }
}

bool FrmInsClass::exists(Level level) const
{
    const std::optional<ui::Match> found = activeElement(level, path());
    if (found)
        lookupOf(level)->set(found->code, found->description);
    return found.has_value();
}

void FrmInsClass::fail(const ChooserFailure &failure)
{
    showBox(kTitle, failure.message, Icon::Warning);
    if (QWidget *w = findChild<QWidget *>(failure.field))
        w->setFocus();
}

void FrmInsClass::listDossiers()
{
    if (const auto failure = listingFailure(path(), [this](Level l) { return exists(l); })) {
        fail(*failure);
        return;
    }
    const SchemePath p = path();
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), openDossiersQuery(p));
    if (rows.failed())
        return;
    // Chosen ones stay chosen when the list is read again.
    QList<qint64> chosen;
    for (const QListWidgetItem *item : dossiers_->selectedItems())
        chosen << itemCode(item->text());
    dossiers_->clear();
    for (int i = 0; i < rows.rowCount(); ++i) {
        const qint64 code = rows.value(0, i).toLongLong();
        auto *item = new QListWidgetItem(dossierItem(code, rows.value(1, i).toString().trimmed()), dossiers_);
        item->setSelected(chosen.contains(code));
    }
    listed_ = p;
    if (rows.noRows())
        ui::tellNothingFound(this, QStringLiteral("Nessun fascicolo aperto nella classe"));
}

void FrmInsClass::addCreated(const QString &title, const QString &category, const QString &cls, qint64 code,
                             const QString &description)
{
    const SchemePath p = path();
    if (p.title != title || p.category != category || p.cls != cls)
        return;
    listed_ = p;
    const QString text = dossierItem(code, description);
    QList<QListWidgetItem *> same = dossiers_->findItems(text, Qt::MatchExactly);
    QListWidgetItem *item = same.isEmpty() ? new QListWidgetItem(text, dossiers_) : same.first();
    item->setSelected(true);
    dossiers_->scrollToItem(item);
}

void FrmInsClass::quickCreate()
{
    if (const auto failure = listingFailure(path(), [this](Level l) { return exists(l); })) {
        fail(*failure);
        return;
    }
    auto *light = qobject_cast<FrmFascicoliLight *>(WindowRegistry::open(QStringLiteral("frmFascicoliLighT")));
    if (!light) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: frmFascicoliLighT"), QStringLiteral("quickCreate"),
                          objectName());
        return;
    }
    light->setProperty("Tag", QStringLiteral("FRMINSCLASS"));
    light->setDossierClass(path(), lookupOf(Level::Title)->description()->text(),
                           lookupOf(Level::Category)->description()->text(),
                           lookupOf(Level::Class)->description()->text());
    connect(light, &FrmFascicoliLight::dossierCreated, this, &FrmInsClass::addCreated, Qt::UniqueConnection);
}

void FrmInsClass::confirm()
{
    const QList<QListWidgetItem *> selected = dossiers_->selectedItems();
    if (const auto failure = confirmFailure(path(), int(selected.size()), [this](Level l) { return exists(l); })) {
        fail(*failure);
        return;
    }
    const SchemePath p = path();
    const QString titles[3] = {lookupOf(Level::Title)->description()->text(),
                               lookupOf(Level::Category)->description()->text(),
                               lookupOf(Level::Class)->description()->text()};
    ChosenDossiers chosen;
    // In the order of the list, whatever the order of the clicks.
    for (int i = 0; i < dossiers_->count(); ++i) {
        const QListWidgetItem *item = dossiers_->item(i);
        if (!item->isSelected())
            continue;
        chosen.append({p.title, titles[0], p.category, titles[1], p.cls, titles[2], itemCode(item->text()),
                       itemDescription(item->text())});
    }
    emit dossiersChosen(chosen);
    dossiers_->clearSelection();
    closeWindow();
}

} // namespace nimbo::classification
