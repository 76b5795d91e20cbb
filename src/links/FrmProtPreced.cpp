#include "links/FrmProtPreced.h"
#include "links/LinkLists.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Scope.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "protocol/ProtocolSearch.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;
namespace L = nimbo::protocol::links;

namespace nimbo::links {

const QString FrmProtPreced::kCaption = QStringLiteral("Elenco Protocolli");

namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kNoChoice = QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco");
// Days shown when the window opens: the last month.
constexpr int kRecentDays = 30;

} // namespace

FrmProtPreced::FrmProtPreced(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmProtPreced"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 2);

    auto *period = new QHBoxLayout;
    from_ = new ui::DateField(this);
    from_->setObjectName(QStringLiteral("DataInizio"));
    to_ = new ui::DateField(this);
    to_->setObjectName(QStringLiteral("DataFine"));
    auto *refreshButton = new QPushButton(QStringLiteral("Aggiorna Elenco"), this);
    refreshButton->setObjectName(QStringLiteral("CmdAggiorna"));
    period->addWidget(ui::caption(QStringLiteral("Visualizza i documenti protocollati tra il:"), this, from_));
    period->addWidget(from_);
    period->addWidget(ui::caption(QStringLiteral("e il:"), this, to_));
    period->addWidget(to_);
    period->addWidget(refreshButton);
    period->addStretch(1);
    v->addLayout(period);

    list_ = new ui::RowList(QStringLiteral("LwProtocolli"), this);
    setProtocolColumns(list_);
    v->addWidget(list_, 1);

    auto *lower = new QHBoxLayout;
    auto *data = new ui::FormGroup(QStringLiteral("Protocollo selezionato"), this);
    const auto field = [&](int column, const char *name, int chars = 0) {
        QLineEdit *e = ui::readOnlyField(data, name, chars);
        detail_.insert(column, e);
        return e;
    };
    data->addRow(QStringLiteral("Tipo"), {field(L::LDirection, "TxtTipo", 2), QStringLiteral("Numero"),
                                          field(L::LNumber, "TxtNumero", 12), QStringLiteral("Data"),
                                          field(L::LDate, "TxtData", 10)});
    data->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(field(L::LCorrespondent, "TxtMitDest"), 1)});
    data->addRow(QStringLiteral("Oggetto"), {ui::Cell(field(L::LSubject, "TxtOggetto"), 1)});
    data->addRow(QStringLiteral("Tipo documento"), {ui::Cell(field(L::LType, "TxtTipoDoc"), 1)});
    data->addRow(QStringLiteral("Dipartimento"), {ui::Cell(field(L::LDepartment, "TxtDipartimento"), 1)});
    data->addRow(QStringLiteral("Ufficio"), {ui::Cell(field(L::LOffice, "TxtUfficio"), 1)});
    lower->addWidget(data, 1);
    dossiers_ = new ui::RowList(QStringLiteral("LWClassifica"), this);
    dossiers_->setColumns(QStringLiteral("Titolo;Categoria;Classe;Fascicolo"), QStringLiteral("12;12;12;12"));
    dossiers_->setFitToWidth(true);
    auto *classification = new QVBoxLayout;
    classification->addWidget(ui::caption(QStringLiteral("Classificazione"), this));
    classification->addWidget(dossiers_, 1);
    lower->addLayout(classification, 1);
    v->addLayout(lower);

    auto *buttons = new QHBoxLayout;
    auto *precedent = new QPushButton(QStringLiteral("Protocollo Precedente"), this);
    precedent->setObjectName(QStringLiteral("CmdPrecedente"));
    precedent->setToolTip(QStringLiteral("Indica il protocollo selezionato come precedente del protocollo in esame"));
    auto *docs = new QPushButton(QStringLiteral("Docum."), this);
    docs->setObjectName(QStringLiteral("CmdDocumenti"));
    docs->setToolTip(QStringLiteral("Documenti scannerizzati del protocollo selezionato"));
    auto *attachments = new QPushButton(QStringLiteral("Allegati"), this);
    attachments->setObjectName(QStringLiteral("CmdAllegati"));
    buttons->addWidget(precedent);
    buttons->addWidget(docs);
    buttons->addWidget(attachments);
    buttons->addStretch(1);
    v->addLayout(buttons);

    connect(refreshButton, &QPushButton::clicked, this, &FrmProtPreced::refresh);
    connect(list_, &ui::RowList::chosen, this, &FrmProtPreced::showChosen);
    connect(precedent, &QPushButton::clicked, this, &FrmProtPreced::handBack);
    connect(docs, &QPushButton::clicked, this, [this] { openDocuments(QStringLiteral("FrmVisDocu1")); });
    connect(attachments, &QPushButton::clicked, this, [this] { openDocuments(QStringLiteral("frmProtAllegati")); });
    setToolbarKeys(QStringLiteral("ESCI"));

    const QDate today = QDate::currentDate();
    from_->setDate(today.addDays(-kRecentDays));
    to_->setDate(today);
    refresh();
}

QSize FrmProtPreced::sizeHint() const { return QSize(980, 620).expandedTo(minimumSizeHint()); }

void FrmProtPreced::setProtocol(const QString &direction, const QString &number)
{
    protocol_ = {direction.trimmed(), storedNumber(number)};
    refresh();
}

void FrmProtPreced::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

bool FrmProtPreced::refresh()
{
    if (const QString why = L::checkPeriod(from_->text(), to_->text()); !why.isEmpty()) {
        showBox(kCaption, why, Icon::Warning);
        (protocol::shownDate(from_->text()).isValid() ? to_ : from_)->setFocus();
        return false;
    }
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    const F::LoadedRows rows = F::loadRows(kDb, L::periodQuery(from_->date(), to_->date(), viewer));
    list_->setRows(shownProtocols(rows, viewer, protocol_.number));
    showChosen(-1);
    return true;
}

void FrmProtPreced::showChosen(int row)
{
    for (QLineEdit *e : std::as_const(detail_))
        e->clear();
    dossiers_->clear();
    if (row < 0)
        return;
    const QString ente = DicAmbiente::session().op.ente;
    const L::Key key{list_->text(row, 0).trimmed(), list_->text(row, kKeyColumn).trimmed()};
    const F::LoadedRows p = F::loadRows(kDb, L::detailQuery(ente, key));
    if (!p.ok || p.rowCount() == 0)
        return;
    const protocol::Viewer viewer = protocol::Viewer::fromSession();
    for (auto it = detail_.cbegin(); it != detail_.cend(); ++it) {
        it.value()->setText(L::detailText(p, it.key(), viewer));
        it.value()->setCursorPosition(0);
    }
    const F::LoadedRows d = F::loadRows(kDb, protocol::dossiersQuery(ente, key.direction, key.number));
    F::Columns levels(4);
    for (int i = 0; d.ok && i < d.rowCount(); ++i)
        for (int level = 0; level < 4; ++level) {
            // Code and name of each level: title, category, class, dossier.
            const QString code = d.value(2 * level, i).toString().trimmed();
            const QString name = d.value(2 * level + 1, i).toString().trimmed();
            levels[level].append(name.isEmpty() ? code : code + QStringLiteral(" - ") + name);
        }
    dossiers_->setRows(levels);
}

void FrmProtPreced::handBack()
{
    const int row = list_->currentRow();
    if (row < 0) {
        showBox(kCaption, kNoChoice, Icon::Warning);
        return;
    }
    emit precedentChosen(list_->text(row, 0).trimmed(), list_->text(row, kKeyColumn).trimmed(),
                         list_->text(row, 3).trimmed());
    closeWindow();
}

void FrmProtPreced::openDocuments(const QString &window)
{
    const int row = documentsRow(
        list_, kCaption,
        QString::fromUtf8("Documento riservato. L'utente non ha le autorizzazioni necessarie per consultarlo."));
    if (row >= 0)
        links::openDocuments(list_, row, window,
                             window == QLatin1String("frmProtAllegati") ? QStringLiteral("FRMPROTPRECED") : QString());
}

} // namespace nimbo::links
