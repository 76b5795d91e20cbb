#include "classification/SummaryWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

#include "classification/SummaryExport.h"
#include "classification/SummaryTree.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/ColumnMemory.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {

using namespace summary;

namespace {

const QString kCaption = QStringLiteral("Ricerca Protocolli Classificati");
const QString kDb = QStringLiteral("PROTOCOLLO");
// Exports longer than this show their progress and may be cancelled.
constexpr int kProgressFrom = 2000;
// Protocols whose progress is read in one statement.
constexpr int kProgressChunk = 500;

QString s(const char *text) { return QString::fromUtf8(text); }

QPushButton *button(const QString &caption, const char *name, QWidget *parent)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

FrmRiepFascicoli::FrmRiepFascicoli(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmRiepFascicoli"));
    setWindowTitle(kCaption);
    setToolbarKeys(QStringLiteral("ESCI"));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(4);

    auto *period = new ui::FormGroup(QStringLiteral("Periodo di protocollazione"), this);
    from_ = new ui::DateField(period);
    from_->setObjectName(QStringLiteral("TxtDataDal"));
    to_ = new ui::DateField(period);
    to_->setObjectName(QStringLiteral("TxtDataAl"));
    show_ = button(QStringLiteral("Visualizza"), "CmdVisualizza", period);
    period->addRow(QStringLiteral("Dal"), {from_, QStringLiteral("Al"), to_, show_, {new QWidget(period), 1}});
    const Period proposed = proposedPeriod(QDate::currentDate());
    from_->setDate(proposed.from);
    to_->setDate(proposed.to);
    v->addWidget(period);

    auto *split = new QSplitter(Qt::Horizontal, this);
    auto *treeGroup = new ui::FormGroup(QStringLiteral("ALBERO DELLE CLASSIFICAZIONI"), split);
    view_ = new QTreeView(treeGroup);
    view_->setObjectName(QStringLiteral("TvClassificazioni"));
    model_ = new SummaryTree([this](const QStringList &path) { return readChildren(path); }, this);
    view_->setModel(model_);
    view_->setUniformRowHeights(true);
    view_->setTextElideMode(Qt::ElideRight);
    view_->header()->setStretchLastSection(false);
    view_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    view_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    view_->setMinimumWidth(330);
    new ui::ColumnMemory(view_, {});
    treeGroup->addWide(view_);

    auto *listGroup = new ui::FormGroup(QStringLiteral("Protocolli classificati"), split);
    heading_ = new QLabel(listGroup);
    heading_->setObjectName(QStringLiteral("LblElenco"));
    heading_->setWordWrap(true);
    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), listGroup);
    list_->setColumns(QString::fromUtf8(kListTitles), QString::fromUtf8(kListWidths));
    list_->setFitToWidth(true);
    count_ = new QLabel(listGroup);
    count_->setObjectName(QStringLiteral("LblTotale"));
    listGroup->addWide(heading_);
    listGroup->addWide(list_);
    listGroup->addWide(count_);
    split->addWidget(treeGroup);
    split->addWidget(listGroup);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    // The descriptions of the scheme are long: the tree gets nearly half.
    split->setSizes({400, 600});
    split->setChildrenCollapsible(false);
    v->addWidget(split, 1);

    auto *bottom = new QHBoxLayout;
    detail_ = button(QStringLiteral("Dettaglio"), "CmdDettaglio", this);
    documents_ = button(QStringLiteral("Docum."), "CmdDocumenti", this);
    export_ = button(QStringLiteral("Esporta"), "CmdEsporta", this);
    exit_ = button(QStringLiteral("Esci"), "CmdEsci", this);
    detail_->setEnabled(WindowRegistry::contains(QStringLiteral("frmDettaglioProtocollo")));
    documents_->setEnabled(WindowRegistry::contains(QStringLiteral("FrmVisDocu1")));
    bottom->addWidget(detail_);
    bottom->addWidget(documents_);
    bottom->addWidget(export_);
    bottom->addStretch(1);
    bottom->addWidget(exit_);
    v->addLayout(bottom);

    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &current) { choose(current); });
    connect(show_, &QPushButton::clicked, this, [this] { showProtocols(); });
    for (ui::DateField *d : {from_, to_})
        connect(d, &QLineEdit::returnPressed, this, [this] { showProtocols(); });
    connect(list_->view(), &QAbstractItemView::doubleClicked, this, [this] { openDetail(); });
    connect(detail_, &QPushButton::clicked, this, [this] { openDetail(); });
    connect(documents_, &QPushButton::clicked, this, [this] { openDocuments(); });
    connect(export_, &QPushButton::clicked, this, [this] { exportList(); });
    connect(exit_, &QPushButton::clicked, this, [this] { closeWindow(); });

    heading_->setText(QStringLiteral("Scegliere una classe o un fascicolo nell'albero delle classificazioni."));
    model_->reload();
}

QSize FrmRiepFascicoli::sizeHint() const { return QSize(1000, 640).expandedTo(minimumSizeHint()); }

void FrmRiepFascicoli::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

std::optional<QVector<Element>> FrmRiepFascicoli::readChildren(const QStringList &path)
{
    const QString ente = DicAmbiente::session().op.ente;
    busy::Guard guard;
    const F::LoadedRows rows = F::loadRows(kDb, childrenQuery(ente, path));
    if (rows.failed()) {
        GECentr::writeLog(QStringLiteral("FrmRiepFascicoli: errore nel caricamento albero Classificazioni dell'ente: RC=")
                              + rows.code.toString(),
                          QStringLiteral("readChildren"), objectName());
        // One box for a tree that cannot be read, not one per node.
        if (!treeFailureShown_)
            showBox(kCaption,
                    s("Contattare esperto procedura. Si sono verificati errori nella generazione dell'albero della "
                      "Classificazione."),
                    Icon::Critical);
        treeFailureShown_ = true;
        return std::nullopt;
    }
    treeFailureShown_ = false;
    return elementsOf(rows, int(path.size()));
}

void FrmRiepFascicoli::choose(const QModelIndex &index)
{
    const int level = model_->level(index);
    if (level < 2) {
        chosen_.reset();
        listed_.reset();
        list_->clear();
        count_->clear();
        heading_->setText(QStringLiteral("Scegliere una classe o un fascicolo nell'albero delle classificazioni."));
        return;
    }
    const QStringList path = model_->path(index);
    Selection sel;
    sel.title = path[0];
    sel.category = path[1];
    sel.klass = path[2];
    sel.description = model_->description(index);
    if (level == 3)
        sel.dossier = path[3].toLongLong();
    chosen_ = sel;
    showProtocols();
}

bool FrmRiepFascicoli::showProtocols()
{
    Period period;
    if (const QString problem = periodProblem(from_->text(), to_->text(), &period); !problem.isEmpty()) {
        showBox(kCaption, problem, Icon::Warning);
        (from_->date().isValid() ? to_ : from_)->setFocus();
        return false;
    }
    if (!chosen_) {
        showBox(kCaption, QStringLiteral("Scegliere una classe o un fascicolo nell'albero delle classificazioni."),
                Icon::Information);
        return false;
    }
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    busy::Guard guard;
    const F::LoadedRows rows = F::loadRows(kDb, protocolsQuery(viewer.ente, *chosen_, period, viewer));
    if (rows.failed()) {
        list_->clear();
        listed_.reset();
        count_->clear();
        showBox(kCaption,
                QStringLiteral("Impossibile leggere i protocolli classificati dall'archivio centrale. Riprovare più tardi."),
                Icon::Critical);
        return false;
    }
    list_->setRows(protocolRows(rows, viewer));
    listed_ = chosen_;
    listedPeriod_ = period;
    heading_->setText(headingWithName(*chosen_));
    count_->setText(QStringLiteral("Sono stati trovati N. %1 Protocolli").arg(list_->count()));
    return true;
}

int FrmRiepFascicoli::chosenRow()
{
    const int row = list_->currentRow();
    if (row < 0 || row >= list_->count()) {
        showBox(kCaption, QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco"),
                Icon::Information);
        return -1;
    }
    return row;
}

void FrmRiepFascicoli::openDetail()
{
    const int row = chosenRow();
    if (row < 0)
        return;
    if (QWidget *w = WindowRegistry::open(QStringLiteral("frmDettaglioProtocollo")))
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, list_->text(row, ColDirection)),
                                  Q_ARG(QString, list_->text(row, ColStored)));
}

void FrmRiepFascicoli::openDocuments()
{
    const int row = chosenRow();
    if (row < 0)
        return;
    if (list_->text(row, ColReserved) == QLatin1String("S") && !DicAmbiente::session().op.privacy) {
        showBox(kCaption,
                s("Documento soggetto a privacy. L'utente non ha le autorizzazioni necessarie per consultarlo."),
                Icon::Warning);
        return;
    }
    if (QWidget *w = WindowRegistry::open(QStringLiteral("FrmVisDocu1")))
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, list_->text(row, ColDirection)),
                                  Q_ARG(QString, list_->text(row, ColStored)));
}

void FrmRiepFascicoli::exportList()
{
    if (!listed_) {
        showBox(kCaption, QStringLiteral("Scegliere una classe o un fascicolo nell'albero delle classificazioni."),
                Icon::Information);
        return;
    }
    QString path = dialogs().saveFileName(kCaption, QDir::home().filePath(QString::fromUtf8(kDefaultExportName)),
                                          QStringLiteral("Cartella di lavoro Excel (*.xlsx)"));
    if (path.trimmed().isEmpty()) {
        showBox(kCaption, s("Per completare l'operazione è necessario specificare il nome del file"), Icon::Warning);
        return;
    }
    if (!path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");

    // The rows as the list shows them: its order, its filter.
    QVector<ExportRow> rows;
    const auto *proxy = list_->proxy();
    rows.reserve(proxy->rowCount());
    for (int i = 0; i < proxy->rowCount(); ++i) {
        const int r = proxy->mapToSource(proxy->index(i, 0)).row();
        ExportRow e;
        e.direction = list_->text(r, ColDirection);
        e.number = list_->text(r, ColNumber);
        e.date = QDate::fromString(list_->value(r, ColDate).toString(), Qt::ISODate);
        e.subject = list_->text(r, ColSubject);
        e.holder = list_->text(r, ColHolder);
        e.address = list_->text(r, ColAddress);
        rows << e;
    }

    busy::Guard guard;
    std::unique_ptr<QProgressDialog> progress;
    const int n = int(rows.size());
    if (n > kProgressFrom) {
        // Reading the progress of the protocols, then writing them.
        progress = std::make_unique<QProgressDialog>(QStringLiteral("Esportazione dei protocolli in corso..."),
                                                     QStringLiteral("Annulla"), 0, 2 * n, this);
        progress->setObjectName(QStringLiteral("ProgressEsporta"));
        progress->setWindowTitle(kCaption);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
    }
    const auto goOn = [&](int done) {
        if (!progress)
            return true;
        progress->setValue(done);
        QCoreApplication::processEvents();
        return !progress->wasCanceled();
    };
    const auto cancelled = [this] {
        showBox(kCaption, QStringLiteral("Esportazione annullata: il file non è stato scritto."), Icon::Information);
    };

    const QString ente = DicAmbiente::session().op.ente;
    for (int at = 0; at < n; at += kProgressChunk) {
        if (!goOn(at))
            return cancelled();
        QStringList numbers;
        for (int i = at; i < qMin(n, at + kProgressChunk); ++i)
            numbers << storedNumber(rows[i].number);
        const F::LoadedRows read = F::loadRows(kDb, progressQuery(ente, numbers));
        if (read.failed()) {
            showBox(kCaption, s("Contattare l'esperto della Procedura. Errore nell'accesso al protocollo: ") + rows[at].number,
                    Icon::Critical);
            return;
        }
        const QHash<QString, Progress> found = progressOf(read);
        for (int i = at; i < qMin(n, at + kProgressChunk); ++i)
            rows[i].progress = found.value(rows[i].direction + QLatin1Char('|') + numbers[i - at]);
    }

    const QString title = QStringLiteral("Protocolli classificati - ") + headingWithName(*listed_);
    const QString subtitle = QStringLiteral("Periodo dal %1 al %2 - protocolli elencati: %3")
                                 .arg(listedPeriod_.from.toString(QStringLiteral("dd/MM/yyyy")),
                                      listedPeriod_.to.toString(QStringLiteral("dd/MM/yyyy")))
                                 .arg(n);
    QString error;
    const ExportOutcome done =
        writeWorkbook(path, title, subtitle, rows, [&](int written) { return goOn(n + written); }, &error);
    progress.reset();
    switch (done) {
    case ExportOutcome::Written:
        showBox(kCaption, QStringLiteral("Generazione del file EXCEL completata."), Icon::Information);
        break;
    case ExportOutcome::Cancelled:
        cancelled();
        break;
    case ExportOutcome::Failed:
        GECentr::writeLog(error, QStringLiteral("exportList"), objectName());
        showBox(kCaption, QStringLiteral("Impossibile scrivere il file EXCEL: ") + error, Icon::Critical);
        break;
    }
}

} // namespace nimbo::classification
