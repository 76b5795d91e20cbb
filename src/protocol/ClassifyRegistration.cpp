// The registration window's dossiers: "Classifica" beside LWClassifica
// opens the dossier chooser for a new protocol (the dossiers go with
// operation 10) and the classification window for a registered one; a new
// protocol's list loses a dossier with "Rimuovi". Both windows live in the
// classification library, which builds on this one: they are reached by
// name, told what to do through their invokables and heard by signal.

#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>

#include "platform/Dialogs.h"
#include "session/GECentr.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::protocol {

QWidget *FrmProtocollo::buildClassifyButtons(QWidget *parent)
{
    auto *box = new QWidget(parent);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 2);
    row->setSpacing(4);
    cmdClassifica_ = new QPushButton(QStringLiteral("Classifica"), box);
    cmdClassifica_->setObjectName(QStringLiteral("CmdClassifica"));
    cmdClassifica_->setToolTip(QStringLiteral("Fascicoli in cui è classificato il protocollo"));
    cmdRimuoviClass_ = new QPushButton(QStringLiteral("Rimuovi"), box);
    cmdRimuoviClass_->setObjectName(QStringLiteral("CmdRimuoviClass"));
    cmdRimuoviClass_->setToolTip(QStringLiteral("Toglie dal nuovo protocollo il fascicolo scelto nell'elenco"));
    row->addWidget(cmdClassifica_);
    row->addWidget(cmdRimuoviClass_);
    connect(cmdClassifica_, &QPushButton::clicked, this, &FrmProtocollo::openClassification);
    connect(cmdRimuoviClass_, &QPushButton::clicked, this, &FrmProtocollo::removeDossier);
    return box;
}

void FrmProtocollo::updateClassifyButtons()
{
    if (!cmdClassifica_)
        return;
    const bool shown = !storedNumber(field("txtNumeroProtocollo")->text()).isEmpty();
    cmdClassifica_->setEnabled((isNew_ && !forCancellation()) || shown);
    cmdRimuoviClass_->setEnabled(isNew_ && !forCancellation());
}

void FrmProtocollo::openClassification()
{
    if (isNew_) {
        if (forCancellation())
            return;
        QWidget *w = WindowRegistry::open(QStringLiteral("FrmInsClass"));
        if (!w || !QMetaObject::invokeMethod(w, "chooseFor", Q_ARG(QObject *, this))) {
            GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmInsClass"),
                              QStringLiteral("openClassification"), objectName());
            return;
        }
        connect(w, SIGNAL(dossiersChosen(nimbo::protocol::ChosenDossiers)), this,
                SLOT(addDossiers(nimbo::protocol::ChosenDossiers)), Qt::UniqueConnection);
        return;
    }
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmClassifica"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number))) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmClassifica"), QStringLiteral("openClassification"),
                          objectName());
        return;
    }
    // Changed only where the protocol may still be changed by this operator;
    // a cancelled one never.
    const bool mayChange = modifiable_ && !forCancellation() && f.state != QLatin1String("C");
    QMetaObject::invokeMethod(w, "setMode",
                              Q_ARG(QString, mayChange ? QStringLiteral("MODIFICABILE") : QStringLiteral("CONSULTAZIONE")));
    connect(w, SIGNAL(classificationChanged(QString, QString)), this, SLOT(reloadDossiers()), Qt::UniqueConnection);
}

void FrmProtocollo::addDossiers(const ChosenDossiers &chosen)
{
    // A choice that arrives once the protocol is registered has no list to go to.
    if (!isNew_)
        return;
    const auto coded = [](const QString &code, const QString &description) {
        return description.isEmpty() ? code : code + QStringLiteral(" - ") + description;
    };
    QStringList keys;
    for (const Dossier &d : form().dossiers)
        keys << ChosenDossier{d.title.section(QStringLiteral(" - "), 0, 0).trimmed(), {},
                              d.category.section(QStringLiteral(" - "), 0, 0).trimmed(), {},
                              d.cls.section(QStringLiteral(" - "), 0, 0).trimmed(), {},
                              d.dossier.section(QStringLiteral(" - "), 0, 0).trimmed().toLongLong(), {}}
                    .key();
    bool added = false;
    for (const ChosenDossier &d : chosen) {
        if (keys.contains(d.key()))
            continue;
        keys << d.key();
        auto *item = new QTreeWidgetItem(classifica_, {coded(d.title, d.titleDescription),
                                                       coded(d.category, d.categoryDescription),
                                                       coded(d.cls, d.classDescription),
                                                       coded(d.code(), d.dossierDescription)});
        // Long descriptions are shortened in their columns: whole in the tip.
        for (int c = 0; c < 4; ++c)
            item->setToolTip(c, item->text(c));
        added = true;
    }
    lists_->setCurrentWidget(classifica_);
    if (added)
        dirty()->setDirty();
}

void FrmProtocollo::removeDossier()
{
    if (!isNew_)
        return;
    QTreeWidgetItem *chosen = classifica_->currentItem();
    if (!chosen) {
        showBox(kCaption, QStringLiteral("Selezionare un fascicolo dall'elenco."), Icon::Information);
        return;
    }
    delete chosen;
    dirty()->setDirty();
}

} // namespace nimbo::protocol
