#include "iter/FrmArchiviati.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "iter/DocumentDoors.h"
#include "iter/SendSearch.h"
#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

const QString kCaption = QStringLiteral("Elenco documenti Archiviati");
constexpr int kClosedOnColumn = 8;
constexpr int kNumberColumn = 9;

} // namespace

FrmArchiviati::FrmArchiviati(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmArchiviati"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(4);

    // The window's own toolbar: the chosen protocol's attachments and images.
    auto *bar = new QHBoxLayout;
    const QVector<std::pair<const char *, QString>> doors{{"Allegati", QStringLiteral("frmProtAllegati")},
                                                          {"Docum.", QStringLiteral("FrmVisDocu1")}};
    for (const auto &[caption, window] : doors) {
        auto *b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(window == QLatin1String("FrmVisDocu1") ? QStringLiteral("cmdDocum")
                                                                : QStringLiteral("cmdAllegati"));
        b->setEnabled(WindowRegistry::contains(window));
        connect(b, &QPushButton::clicked, this, [this, window] { openDocumentsOfChosen(window); });
        bar->addWidget(b);
    }
    auto *esci = new QPushButton(QStringLiteral("Esci"), this);
    esci->setObjectName(QStringLiteral("CmdEsci"));
    bar->addWidget(esci);
    bar->addStretch(1);
    v->addLayout(bar);

    fields_ = new SearchFields(QStringLiteral("Data Protocollazione: dal"), this);
    v->addWidget(fields_);

    list_ = new ui::RowList(QStringLiteral("LwArchiviati"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto;Mittente/Destinatario;"
                                     "Data Archiviazione;Protocollo Archiviazione;Note archiviazione"),
                      QStringLiteral("5;14;15;30;24;18;22;30"));
    v->addWidget(list_, 3);

    auto *detail = new ui::FormGroup(QStringLiteral("Dettaglio del documento Archiviato"), this);
    closedOn_ = new ui::DescriptionLabel(detail);
    closedOn_->setObjectName(QStringLiteral("LblDataChiusura"));
    closingProtocol_ = new ui::DescriptionLabel(detail);
    closingProtocol_->setObjectName(QStringLiteral("LblProtoEvasione"));
    notes_ = new ui::DescriptionLabel(detail);
    notes_->setObjectName(QStringLiteral("LblNoteEvasione"));
    detail->addRow(QStringLiteral("Data di chiusura del Procedimento:"),
                   {{closedOn_, 1}, "Protocollo nota di chiusura:", {closingProtocol_, 1}});
    detail->addRow(QStringLiteral("Note sull' evasione della pratica:"), {{notes_, 1}});
    iter_ = new ui::RowList(QStringLiteral("lswIter"), detail);
    iter_->setColumns(QString::fromUtf8(kMovementTitles), QString::fromUtf8(kMovementWidths));
    detail->addWide(iter_);
    v->addWidget(detail, 2);

    connect(fields_, &SearchFields::search, this, [this] {
        if (search() && list_->count() == 0)
            ui::tellNothingFound(this, kNoDocumentFound);
    });
    connect(list_, &ui::RowList::chosen, this, &FrmArchiviati::showDetail);
    connect(esci, &QPushButton::clicked, this, [this] { closeWindow(); });
    setToolbarKeys(QStringLiteral("ESCI"));
}

QSize FrmArchiviati::sizeHint() const { return QSize(1000, 660).expandedTo(minimumSizeHint()); }

void FrmArchiviati::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmArchiviati::search()
{
    const ListCriteria c = fields_->criteria();
    if (const auto failure = checkCriteria(c)) {
        showBox(kCaption, *failure, Icon::Warning);
        return false;
    }
    busy::Guard guard;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    const auto rows = F::loadRows(QStringLiteral("PROTOCOLLO"), archivedQuery(c, v));
    showDetail(-1);
    if (!rows.ok && !rows.noRows()) {
        list_->clear();
        showBox(kCaption, QStringLiteral("Impossibile leggere i documenti archiviati dall'archivio centrale. Riprovare più tardi."),
                Icon::Critical);
        return false;
    }
    list_->setRows(archivedRows(rows, v));
    return true;
}

void FrmArchiviati::openDocumentsOfChosen(const QString &window)
{
    const int row = list_->currentRow();
    if (row < 0 || row >= list_->count()) {
        showBox(kCaption, QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco"),
                Icon::Information);
        return;
    }
    openDocuments(kCaption, window, list_->text(row, 0), list_->text(row, kNumberColumn),
                  QStringLiteral("FRMARCHIVIATI"));
}

void FrmArchiviati::showDetail(int row)
{
    if (row < 0 || row >= list_->count()) {
        closedOn_->clear();
        closingProtocol_->clear();
        notes_->clear();
        iter_->clear();
        return;
    }
    closedOn_->setText(list_->text(row, kClosedOnColumn));
    closingProtocol_->setText(list_->text(row, 6));
    notes_->setText(list_->text(row, 7));
    const auto moves = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                   movementsQuery(DicAmbiente::session().op.ente, list_->text(row, 0),
                                                  list_->text(row, kNumberColumn)));
    const F::Columns shown = movementRows(moves);
    iter_->setRows(shown);
}

} // namespace nimbo::iter
