#include "iter/FrmSpediti.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "iter/SendCall.h"
#include "iter/SendRules.h"
#include "iter/SendSearch.h"
#include "iter/TrayRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "servers/IterRequests.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

const QString kCaption = QStringLiteral("Documenti spediti");
const QString kSentOn = QStringLiteral("Data Spedizione: dal");
const QString kTakenOn = QStringLiteral("Data presa in carico: dal");
// Kept past the shown columns: the delivery progressive and the stored number.
constexpr int kDeliveryColumn = 7;
constexpr int kNumberColumn = 8;
constexpr int kMovementColumn = 6;

} // namespace

FrmSpediti::FrmSpediti(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmSpediti"));
    setWindowTitle(kCaption);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 4, 6, 4);
    v->setSpacing(4);

    auto *opts = new ui::FormGroup(QStringLiteral("Documenti"), this);
    optNotTaken_ = new QRadioButton(QStringLiteral("Documenti non ancora presi in carico dal destinatario"), opts);
    optNotTaken_->setObjectName(QStringLiteral("OptSpeditiNonInCarico"));
    optTaken_ = new QRadioButton(QStringLiteral("Altri documenti trasmessi precedentemente in carico"), opts);
    optTaken_->setObjectName(QStringLiteral("OptDocumentiTransitati"));
    optNotTaken_->setChecked(true);
    opts->addWide(optNotTaken_);
    opts->addWide(optTaken_);
    v->addWidget(opts);

    fields_ = new SearchFields(kSentOn, this);
    v->addWidget(fields_);

    list_ = new ui::RowList(QStringLiteral("lswUscita"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto;Data Trasmissione;Destinatario;SerialeMov"),
                      QStringLiteral("5;14;15;36;18;40;0"));
    list_->model()->setCheckable(true);
    v->addWidget(list_, 1);

    auto *buttons = new QHBoxLayout;
    cmdRiprendi_ = new QPushButton(QStringLiteral("Riprendi in carico"), this);
    cmdRiprendi_->setObjectName(QStringLiteral("CmdRiprendi"));
    auto *esci = new QPushButton(QStringLiteral("Esci"), this);
    esci->setObjectName(QStringLiteral("CmdEsci"));
    buttons->addStretch(1);
    buttons->addWidget(cmdRiprendi_);
    buttons->addWidget(esci);
    v->addLayout(buttons);

    connect(optNotTaken_, &QRadioButton::toggled, this, [this](bool notTaken) {
        fields_->setPeriodCaption(notTaken ? kSentOn : kTakenOn);
        cmdRiprendi_->setEnabled(notTaken);
        list_->clear();
    });
    connect(fields_, &SearchFields::search, this, [this] {
        if (search() && list_->count() == 0)
            ui::tellNothingFound(this, kNoDocumentFound);
    });
    connect(cmdRiprendi_, &QPushButton::clicked, this, &FrmSpediti::takeBack);
    connect(esci, &QPushButton::clicked, this, [this] { closeWindow(); });
    setToolbarKeys(QStringLiteral("ESCI"));
}

QSize FrmSpediti::sizeHint() const { return QSize(1000, 640).expandedTo(minimumSizeHint()); }

void FrmSpediti::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

SentView FrmSpediti::view() const { return optNotTaken_->isChecked() ? SentView::NotTaken : SentView::TakenBefore; }

bool FrmSpediti::search()
{
    const ListCriteria c = fields_->criteria();
    if (const auto failure = checkCriteria(c)) {
        showBox(kCaption, *failure, Icon::Warning);
        return false;
    }
    busy::Guard guard;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    const auto rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sentQuery(view(), c, v));
    list_->setRows(sentRows(rows, v));
    return rows.ok || rows.noRows();
}

void FrmSpediti::takeBack()
{
    if (view() != SentView::NotTaken)
        return;
    const Sender s = Sender::fromSession();
    TakeBackRequest req;
    req.ente = s.ente;
    req.department = s.department;
    req.office = s.office;
    req.operatorCode = s.code;
    for (int r = 0; r < list_->count(); ++r)
        if (list_->model()->isChecked(r))
            req.items.append({list_->text(r, 0), list_->text(r, kNumberColumn), list_->text(r, kMovementColumn),
                              list_->value(r, kDeliveryColumn).toLongLong()});
    if (req.items.isEmpty()) {
        showBox(kCaption, QStringLiteral("Selezionare almeno un protocollo presente nell'elenco"), Icon::Warning);
        return;
    }
    const CallOutcome out = callIterServer(kOpRipresaInCarico, takeBackRequest(req));
    if (!out.ok()) {
        reportFailure(out, kCaption, QStringLiteral("Server Ole, Errore in Registrazione presa in carico Documenti "),
                      QStringLiteral("Contattare Supporto sistemistico. Si è verificato un errore nella presa in "
                                     "carico di documenti."),
                      QStringLiteral("takeBack"), objectName());
        return;
    }
    showBox(kCaption, QStringLiteral("Operazione effettuata."), Icon::Information);
    search();
}

} // namespace nimbo::iter
