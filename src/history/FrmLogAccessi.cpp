#include "history/FrmLogAccessi.h"
#include "history/WindowParts.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::history {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kCaption = QStringLiteral("Consulta LOG Accessi");
const QString kTitles = QStringLiteral("ID Accesso;Data e Ora;Utente;Nome Computer;Mac Address;Funzione;Ente;"
                                       "Num. Protocollo;ID allegato;descrizione Allegato;Nome File");
const QString kWidths = QStringLiteral("8;17;10;14;17;24;5;13;8;24;20");
constexpr int kColAttachment = 8, kColFile = 10;

QLineEdit *numberField(QWidget *parent, const char *name, int chars)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    e->setMaxLength(chars);
    e->setFixedWidth(ui::fieldWidth(e, chars + 1));
    return e;
}

} // namespace

FrmLogAccessi::FrmLogAccessi(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmLogAccessi"));
    setWindowTitle(kCaption);
    auto *g = new ui::FormGroup(QStringLiteral("Filtri"), this);
    user_ = new QComboBox(g);
    user_->setObjectName(QStringLiteral("CboOper"));
    user_->addItem(QStringLiteral("(tutti)"), QString());
    const F::LoadedRows ops = F::loadRows(kDb, accessOperatorsQuery());
    for (int i = 0; ops.ok && i < ops.rowCount(); ++i) {
        const QString code = ops.value(0, i).toString().trimmed();
        user_->addItem(code, code);
    }
    from_ = new ui::DateField(g);
    from_->setObjectName(QStringLiteral("TxtDIni"));
    to_ = new ui::DateField(g);
    to_->setObjectName(QStringLiteral("TxtDFine"));
    year_ = numberField(g, "TxtAProto", 4);
    number_ = numberField(g, "TxtNumero", 7);
    g->addRow(QStringLiteral("Operatore"), {user_});
    g->addRow(QStringLiteral("Dal"), {from_, QStringLiteral("Al"), to_});
    g->addRow(QStringLiteral("Anno protocollo"), {year_, QStringLiteral("Numero"), number_});

    cmdCerca_ = new QPushButton(QStringLiteral("Cerca"), this);
    cmdCerca_->setObjectName(QStringLiteral("CmdCerca"));
    cmdStampa_ = new QPushButton(QStringLiteral("Stampa"), this);
    cmdStampa_->setObjectName(QStringLiteral("CmdStampa"));
    cmdAllegato_ = new QPushButton(QStringLiteral("Visualizza Allegato"), this);
    cmdAllegato_->setObjectName(QStringLiteral("CmdAllegato"));
    cmdStampa_->setEnabled(false);
    cmdAllegato_->setEnabled(false);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdCerca_);
    buttons->addWidget(cmdStampa_);
    buttons->addWidget(cmdAllegato_);
    buttons->addStretch(1);

    list_ = new ui::RowList(QStringLiteral("flxLog"), this);
    list_->setColumns(kTitles, kWidths);
    list_->setFitToWidth(true);

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(g);
    v->addLayout(buttons);
    v->addWidget(list_, 1);

    connect(cmdCerca_, &QPushButton::clicked, this, [this] { search(); });
    connect(cmdStampa_, &QPushButton::clicked, this, [this] { print(); });
    connect(cmdAllegato_, &QPushButton::clicked, this, [this] { showAttachment(); });
    connect(list_, &ui::RowList::chosen, this, [this](int row) {
        cmdAllegato_->setEnabled(!list_->text(row, kColAttachment).trimmed().isEmpty());
    });
    setToolbarKeys(QStringLiteral("ESCI"));
}

QSize FrmLogAccessi::sizeHint() const { return QSize(1000, 640).expandedTo(minimumSizeHint()); }

AccessCriteria FrmLogAccessi::criteria() const
{
    AccessCriteria c;
    c.user = user_->currentData().toString();
    c.from = from_->text();
    c.to = to_->text();
    c.year = year_->text();
    c.number = number_->text();
    return c;
}

bool FrmLogAccessi::search()
{
    const AccessCriteria c = criteria();
    if (refused(this, kCaption, checkAccess(c)))
        return false;
    F::LoadedRows rows;
    {
        busy::Guard guard;
        rows = F::loadRows(kDb, accessQuery(c, DicAmbiente::session().op.ente));
    }
    list_->clear();
    cmdStampa_->setEnabled(false);
    cmdAllegato_->setEnabled(false);
    if (rows.noRows()) {
        showBox(kCaption,
                QStringLiteral("Non vi sono registrazioni nel file di log che soddisfino i filtri specificati.\n"
                               "Modificarli e riprovare."),
                Icon::Information);
        return true;
    }
    if (!rows.ok) {
        showBox(kCaption,
                QString::fromUtf8("Contattare il gestore della Procedura. Si è verificato un errore di lettura del file "
                                  "di LOG degli Accessi."),
                Icon::Critical);
        return false;
    }
    list_->setRows(rows.columns);
    searched_ = c;
    cmdStampa_->setEnabled(list_->count() > 0);
    return true;
}

bool FrmLogAccessi::print()
{
    QList<int> columns, widths;
    for (const QString &w : kWidths.split(QLatin1Char(';'))) {
        columns << int(columns.size());
        widths << w.toInt();
    }
    return printList(kCaption, QStringLiteral("AccessiLog.pdf"), accessHeading(searched_), list_, columns,
                     kTitles.split(QLatin1Char(';')), widths);
}

bool FrmLogAccessi::showAttachment()
{
    const int row = list_->currentRow();
    const qlonglong id = row < 0 ? 0 : list_->text(row, kColAttachment).trimmed().toLongLong();
    if (id <= 0) {
        showBox(kCaption, QStringLiteral("Selezionare un accesso ad un allegato."), Icon::Information);
        return false;
    }
    // The viewer reads it through the image server, which applies the
    // privacy and, for an enciphered one, the visibility of the protocol,
    // and writes the read into this very log.
    QWidget *w = WindowRegistry::open(QStringLiteral("frmProtVisAllegati"));
    if (!w)
        return false;
    bool shown = false;
    QMetaObject::invokeMethod(w, "setAttachment", Q_RETURN_ARG(bool, shown), Q_ARG(qlonglong, id),
                              Q_ARG(QString, list_->text(row, kColFile)));
    return shown;
}

void FrmLogAccessi::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::history
