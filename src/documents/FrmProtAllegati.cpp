#include "documents/FrmProtAllegati.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "documents/Background.h"
#include "documents/ImageStore.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/ColumnMemory.h"
#include "ui/FileDrop.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::documents {

namespace F = Funzioni_Com_1;

namespace {
const QString kTitle = QStringLiteral("Gestione Allegati per Numero di Protocollo");
enum Column { ColDescription, ColFile, ColId, ColExtension };
} // namespace

bool isConsultation(const QString &caller)
{
    static const QStringList kConsult{QStringLiteral("FRMITER"),      QStringLiteral("FRMFILTRORPROT"),
                                      QStringLiteral("FRMINCARICO"),  QStringLiteral("FRMARCHIVIATI"),
                                      QStringLiteral("FRMPROTPRECED"), QStringLiteral("FRMSTORICORPROT"),
                                      QStringLiteral("FRMRICERCAPROT"), QStringLiteral("FRMVAIPROTOCOLLO")};
    return kConsult.contains(caller.trimmed().toUpper());
}

FrmProtAllegati::FrmProtAllegati(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmProtAllegati"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));

    lblProtocollo_ = new QLabel(this);
    lblProtocollo_->setObjectName(QStringLiteral("lblProtocollo"));
    list_ = new QTreeWidget(this);
    list_->setObjectName(QStringLiteral("LWallegati"));
    list_->setHeaderLabels({QStringLiteral("Descrizione Allegato"), QStringLiteral("File"), QStringLiteral("Id Allegato"),
                            QStringLiteral("estensione")});
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The description takes what the other columns leave: the list never
    // scrolls sideways.
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(ColDescription, QHeaderView::Stretch);
    list_->header()->resizeSection(ColFile, ui::fieldWidth(list_, 30));
    list_->header()->resizeSection(ColId, ui::fieldWidth(list_, 10));
    list_->header()->resizeSection(ColExtension, ui::fieldWidth(list_, 8));
    list_->setSortingEnabled(true);
    new ui::ColumnMemory(list_, {});
    lblMessaggio_ = new QLabel(this);
    lblMessaggio_->setObjectName(QStringLiteral("lblMessaggio"));

    addBox_ = new ui::FormGroup(QStringLiteral("Aggiungi Allegato"), this);
    auto *g = static_cast<ui::FormGroup *>(addBox_);
    txtFile_ = new QLineEdit(g);
    txtFile_->setObjectName(QStringLiteral("txtFile"));
    cmdScegli_ = new QPushButton(QStringLiteral("Scegli"), g);
    cmdScegli_->setObjectName(QStringLiteral("cmdScegli"));
    txtDescrizione_ = new QLineEdit(g);
    txtDescrizione_->setObjectName(QStringLiteral("txtDescrizione"));
    txtDescrizione_->setMaxLength(255);
    cmdRegistra_ = new QPushButton(QStringLiteral("Registra Allegato"), g);
    cmdRegistra_->setObjectName(QStringLiteral("cmdRegistra"));
    g->addRow(QStringLiteral("File"), {{txtFile_, 1}, cmdScegli_});
    g->addRow(QStringLiteral("Descrizione:"), {{txtDescrizione_, 1}, cmdRegistra_});

    cmdCancella_ = new QPushButton(QStringLiteral("Cancella Allegati"), this);
    cmdCancella_->setObjectName(QStringLiteral("cmdCancella"));
    cmdEsci_ = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("cmdEsci"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdCancella_);
    bottom->addStretch();
    bottom->addWidget(cmdEsci_);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lblProtocollo_);
    layout->addWidget(list_, 1);
    layout->addWidget(lblMessaggio_);
    layout->addWidget(addBox_);
    layout->addLayout(bottom);

    connect(cmdScegli_, &QPushButton::clicked, this, &FrmProtAllegati::choose);
    connect(cmdRegistra_, &QPushButton::clicked, this, &FrmProtAllegati::add);
    connect(cmdCancella_, &QPushButton::clicked, this, &FrmProtAllegati::remove);
    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { show(list_->indexOfTopLevelItem(item)); });
    setCaller(QString());
    ui::acceptFileDrops(this, [this](const QStringList &paths) {
        for (const QString &p : paths)
            addFile(p);
    });
}

void FrmProtAllegati::setCaller(const QString &caller)
{
    caller_ = caller.trimmed().toUpper();
    // Only the registration window changes what a protocol carries.
    mayChange_ = !caller_.isEmpty() && !isConsultation(caller_);
    addBox_->setVisible(mayChange_);
    cmdCancella_->setVisible(mayChange_);
}

void FrmProtAllegati::setProtocol(const QString &direction, const QString &number)
{
    direction_ = direction;
    number_ = number;
    lblProtocollo_->setText(QStringLiteral("Protocollo N. ") + shownNumber(number));
    load();
}

QSize FrmProtAllegati::sizeHint() const { return QSize(760, 480).expandedTo(minimumSizeHint()); }

int FrmProtAllegati::attachmentCount() const { return list_->topLevelItemCount(); }

void FrmProtAllegati::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

void FrmProtAllegati::load()
{
    list_->setSortingEnabled(false);
    list_->clear();
    const QString sql = QStringLiteral("SELECT Descrizione_allegato, nome_allegato,Id_allegato,Tipo_Doc_allegato From "
                                       "Tab_allegati WHERE num_ProtocolloGenerale='")
                        + F::quote(number_) + QStringLiteral("' AND Cod_Ente='")
                        + F::quote(DicAmbiente::session().op.ente) + QStringLiteral("' ORDER BY Id_allegato");
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sql);
    QList<QTreeWidgetItem *> items;
    for (int r = 0; r < rows.rowCount(); ++r) {
        auto *item = new QTreeWidgetItem;
        for (int c = 0; c < 4; ++c)
            item->setText(c, rows.value(c, r).toString());
        // The stored name may hold anything; the list shows it on one line.
        item->setText(ColFile, item->text(ColFile).simplified());
        item->setData(ColId, Qt::UserRole, rows.value(ColId, r));
        item->setData(ColFile, Qt::UserRole, rows.value(ColFile, r));
        items << item;
    }
    list_->addTopLevelItems(items);
    list_->setSortingEnabled(true);
    list_->sortByColumn(ColId, Qt::AscendingOrder);
    const QString none = QStringLiteral("Non vi sono documenti allegati per il protocollo in esame");
    lblMessaggio_->setText(items.isEmpty() ? none : QString());
    cmdCancella_->setEnabled(!items.isEmpty());
    if (items.isEmpty() && !mayChange_ && !number_.isEmpty())
        showBox(kTitle, none);
}

void FrmProtAllegati::choose()
{
    const QString path = dialogs().openFileName(QStringLiteral("Selezionare il file da allegare"), QDir::homePath(),
                                                QStringLiteral("*.*"));
    if (!path.isEmpty())
        txtFile_->setText(path);
}

bool FrmProtAllegati::addFile(const QString &path)
{
    if (!mayChange_ || number_.isEmpty()) {
        showBox(kTitle, QStringLiteral("Da questa finestra gli allegati del protocollo si possono solo consultare."),
                Icon::Warning);
        return false;
    }
    if (const auto why = ui::refuseDocument(path)) {
        showBox(kTitle, *why, Icon::Warning);
        return false;
    }
    txtFile_->setText(QDir::toNativeSeparators(path));
    if (txtDescrizione_->text().trimmed().isEmpty())
        txtDescrizione_->setText(QFileInfo(path).completeBaseName().left(txtDescrizione_->maxLength()));
    return add();
}

bool FrmProtAllegati::add()
{
    if (!mayChange_ || number_.isEmpty())
        return false;
    if (txtDescrizione_->text().trimmed().isEmpty()) {
        showBox(kTitle, QStringLiteral("inserire la descrizione dell'allegato"), Icon::Warning);
        txtDescrizione_->setFocus();
        return false;
    }
    // Reading, zipping and storing a large file take seconds: they run aside
    // while the window repaints and shows how far they are.
    const QString ente = DicAmbiente::session().op.ente, number = number_;
    const QString file = txtFile_->text().trimmed(), description = txtDescrizione_->text().trimmed();
    qlonglong id = 0;
    const Outcome o = runInBackground(
        this, QStringLiteral("Registrazione allegato in corso"), QStringLiteral("prgAllegato"),
        [&](const Progress &progress) { return storeAttachment(ente, number, file, description, &id, progress); },
        QStringLiteral("OLE - Protocollo Documenti"));
    if (!o.ok) {
        showBox(kTitle, o.text, Icon::Critical);
        return false;
    }
    txtFile_->clear();
    txtDescrizione_->clear();
    load();
    showBox(kTitle, QStringLiteral("Registrazione effettuata"));
    return true;
}

void FrmProtAllegati::remove()
{
    if (!mayChange_)
        return;
    const QList<QTreeWidgetItem *> chosen = list_->selectedItems();
    if (chosen.isEmpty()) {
        showBox(kTitle, QStringLiteral("selezionare l'allegato che si intende cancellare"), Icon::Warning);
        return;
    }
    if (showBox(kTitle,
                QStringLiteral("Si desidera eliminare definitivamente gli allegati selezionati correlati al Protocollo "
                               "in questione"),
                Icon::Question, Buttons::YesNo)
        != Answer::Yes)
        return;
    QStringList failed;
    for (QTreeWidgetItem *item : chosen) {
        const Outcome o = deleteAttachment(DicAmbiente::session().op.ente, item->data(ColId, Qt::UserRole).toLongLong());
        if (!o.ok)
            failed << item->text(ColFile) + QStringLiteral(" (") + o.text + QLatin1Char(')');
    }
    load();
    if (failed.isEmpty())
        showBox(kTitle, QStringLiteral("Cancellazione effettuata con successo"));
    else
        showBox(kTitle,
                QStringLiteral("ATTENZIONE ! Errore di cancellazione dell'allegato...") + QLatin1Char('\n')
                    + failed.join(QLatin1Char('\n')),
                Icon::Critical);
}

void FrmProtAllegati::show(int row)
{
    QTreeWidgetItem *item = list_->topLevelItem(row);
    if (!item)
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("frmProtVisAllegati"));
    if (w)
        QMetaObject::invokeMethod(w, "setAttachment", Q_ARG(qlonglong, item->data(ColId, Qt::UserRole).toLongLong()),
                                  Q_ARG(QString, item->data(ColFile, Qt::UserRole).toString()));
}

} // namespace nimbo::documents
