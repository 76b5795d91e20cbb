#include "classification/ClassifyProtocol.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "classification/ChooserInsClass.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RecordEditor.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const QString kTitle = QStringLiteral("Classificazione del Protocollo");
const QString kDb = QStringLiteral("PROTOCOLLO");
// The row's place in rows_, kept past the shown columns.
constexpr int kIndexColumn = 5;

QString item(const ChosenDossier &d) { return d.code() + QStringLiteral(" - ") + d.dossierDescription; }

} // namespace

FrmClassifica::FrmClassifica(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmClassifica"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));

    protocol_ = new QLabel(this);
    protocol_->setObjectName(QStringLiteral("LblProtocollo"));
    QFont bold = protocol_->font();
    bold.setBold(true);
    protocol_->setFont(bold);

    list_ = new ui::RowList(QStringLiteral("LWClassifica"), this);
    list_->setColumns(QStringLiteral("Titolo;Categoria;Classe;Fascicolo;Stato"), QStringLiteral("20;20;20;42;16"));
    list_->setFitToWidth(true);

    add_ = new QPushButton(QStringLiteral("Aggiungi fascicoli..."), this);
    add_->setObjectName(QStringLiteral("CmdAggiungi"));
    add_->setToolTip(QStringLiteral("Classifica il protocollo in altri fascicoli"));
    remove_ = new QPushButton(QStringLiteral("Rimuovi fascicolo"), this);
    remove_->setObjectName(QStringLiteral("CmdCancella"));
    remove_->setToolTip(QStringLiteral("Toglie il protocollo dal fascicolo scelto nell'elenco"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(add_);
    buttons->addWidget(remove_);
    buttons->addStretch(1);
    buttons->addWidget(quit);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(protocol_);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);

    connect(add_, &QPushButton::clicked, this, &FrmClassifica::openChooser);
    connect(remove_, &QPushButton::clicked, this, &FrmClassifica::removeChosen);
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });
    applyMode();
}

QSize FrmClassifica::sizeHint() const { return QSize(1000, 400).expandedTo(minimumSizeHint()); }

void FrmClassifica::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmClassifica::mayAdd() const
{
    return !number_.isEmpty() && state_ != QLatin1String("C") && mode() != kReadOnly;
}

bool FrmClassifica::mayRemove() const
{
    return !number_.isEmpty() && state_ != QLatin1String("C") && mode() == kModifiable;
}

void FrmClassifica::modeChanged() { applyMode(); }

void FrmClassifica::applyMode()
{
    add_->setEnabled(mayAdd());
    remove_->setEnabled(mayRemove() && !rows_.isEmpty());
}

void FrmClassifica::setProtocol(const QString &direction, const QString &number)
{
    const QString ente = DicAmbiente::session().op.ente;
    const QString n = storedNumber(number);
    QString sql = QStringLiteral("SELECT Tab_TipoProtocollo, Tab_StatoProtocollo FROM Tab_Protocollo WHERE Tab_Ente = ")
                  + ui::sqlText(ente) + QStringLiteral(" AND Tab_NumeroProtocollo = ") + ui::sqlText(n);
    if (!direction.trimmed().isEmpty())
        sql += QStringLiteral(" AND Tab_TipoProtocollo = ") + ui::sqlText(direction.trimmed());
    const F::LoadedRows found = F::loadRows(kDb, sql);
    // Whoever opens the window for a protocol says what may be done on it.
    ChildWindow::setMode(QString());
    if (!found.ok) {
        direction_.clear();
        number_.clear();
        state_.clear();
        protocol_->clear();
        rows_.clear();
        list_->clear();
        applyMode();
        if (found.noRows())
            showBox(kTitle, QStringLiteral("Impossibile visualizzare il documento richiesto"), Icon::Warning);
        return;
    }
    direction_ = found.value(0, 0).toString().trimmed();
    state_ = found.value(1, 0).toString().trimmed();
    number_ = n;
    protocol_->setText(QStringLiteral("Protocollo ")
                       + (direction_ == QLatin1String("E") ? QStringLiteral("in entrata") : QStringLiteral("in uscita"))
                       + QStringLiteral(" N. ") + shownNumber(n)
                       + (state_ == QLatin1String("C") ? QStringLiteral("  (annullato)") : QString()));
    reload();
}

void FrmClassifica::reload()
{
    rows_.clear();
    const F::LoadedRows r = F::loadRows(kDb, classificationQuery(DicAmbiente::session().op.ente, direction_, number_));
    rows_ = classifiedRows(r);
    F::Columns columns(kIndexColumn + 1);
    for (int i = 0; i < rows_.size(); ++i) {
        const ChosenDossier &d = rows_.at(i).dossier;
        columns[0].append(codeAndDescription(d.title, d.titleDescription));
        columns[1].append(codeAndDescription(d.category, d.categoryDescription));
        columns[2].append(codeAndDescription(d.cls, d.classDescription));
        columns[3].append(codeAndDescription(d.code(), d.dossierDescription));
        columns[4].append(rows_.at(i).state());
        columns[kIndexColumn].append(i);
    }
    list_->setRows(rows_.isEmpty() ? F::Columns{} : columns);
    applyMode();
}

void FrmClassifica::openChooser()
{
    if (!mayAdd())
        return;
    auto *chooser = qobject_cast<FrmInsClass *>(WindowRegistry::open(QStringLiteral("FrmInsClass")));
    if (!chooser) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmInsClass"), QStringLiteral("openChooser"),
                          objectName());
        return;
    }
    chooser_ = chooser;
    chooser->chooseFor(this);
    connect(chooser, &FrmInsClass::dossiersChosen, this, &FrmClassifica::addDossiers);
}

bool FrmClassifica::insert(const ChosenDossier &d, QStringList *problems)
{
    const QString ente = DicAmbiente::session().op.ente;
    // Closed or deactivated since the chooser listed it: it takes no more
    // protocols.
    const F::LoadedRows offered = F::loadRows(kDb, offeredQuery(ente, d));
    if (offered.failed())
        return false;
    if (!offered.ok) {
        *problems << QStringLiteral("Il fascicolo ") + item(d)
                         + QString::fromUtf8(" è chiuso o la sua classe non è più attiva: non può essere usato.");
        return false;
    }
    const F::Statement st =
        linkInsert(ente, direction_, number_, d, DicAmbiente::session().op.code, QDate::currentDate());
    QString failure;
    if (writeQuietly({st}, &failure))
        return true;
    GECentr::writeLog(failure, QStringLiteral("addDossiers"), objectName());
    // Another workstation may have filed it a moment ago: the key keeps it
    // once, and the clerk is told so rather than of a failure.
    const F::LoadedRows now =
        F::loadRows(kDb, QStringLiteral("SELECT Tab_CodiceFascicolo FROM Tab_ProFascicoli WHERE ")
                             + linkCondition(ente, direction_, number_, d));
    if (now.ok)
        *problems << QStringLiteral("Il fascicolo ") + item(d)
                         + QString::fromUtf8(" è già presente nella classificazione del protocollo.");
    else
        *problems << QStringLiteral("Errore durante l'inserimento del fascicolo  ") + item(d)
                         + QStringLiteral("  selezionato");
    return false;
}

void FrmClassifica::addDossiers(const ChosenDossiers &chosen)
{
    if (!mayAdd())
        return;
    // What the clerk saw decides what is new; the register is read again
    // so that a dossier filed meanwhile from another workstation is not
    // written twice.
    const ChosenDossiers wanted = notYetPresent(chosen, rows_);
    reload();
    QStringList problems;
    bool changed = false;
    for (const ChosenDossier &d : wanted) {
        if (notYetPresent({d}, rows_).isEmpty()) {
            problems << QStringLiteral("Il fascicolo ") + item(d)
                            + QString::fromUtf8(" è già presente nella classificazione del protocollo.");
            continue;
        }
        changed = insert(d, &problems) || changed;
    }
    reload();
    if (!problems.isEmpty())
        showBox(kTitle, problems.join(QLatin1Char('\n')), Icon::Warning);
    if (changed)
        emit classificationChanged(direction_, number_);
}

void FrmClassifica::removeChosen()
{
    if (!mayRemove())
        return;
    const int row = list_->currentRow();
    if (row < 0) {
        showBox(kTitle, QStringLiteral("Selezionare un fascicolo dall'elenco."), Icon::Information);
        return;
    }
    const ChosenDossier d = rows_.value(list_->value(row, kIndexColumn).toInt()).dossier;
    if (showBox(kTitle, QStringLiteral("Togliere il protocollo dal fascicolo ") + item(d) + QStringLiteral(" ?"),
                Icon::Question, Buttons::YesNo)
        != Answer::Yes)
        return;
    const F::Statement st{QStringLiteral("C"), QStringLiteral("Tab_ProFascicoli"), {},
                          linkCondition(DicAmbiente::session().op.ente, direction_, number_, d)};
    if (!F::Update_Tabella({st}, kDb)) {
        showBox(kTitle,
                QStringLiteral("Errore durante la cancellazione del fascicolo  ") + item(d) + QStringLiteral("  selezionato"),
                Icon::Critical);
        return;
    }
    reload();
    emit classificationChanged(direction_, number_);
}

} // namespace nimbo::classification
