#include "documents/FrmDettaglioProtocollo.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "iter/TrayRules.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "data/Scope.h"
#include "session/DicAmbiente.h"
#include "ui/ColumnMemory.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::documents {

namespace F = Funzioni_Com_1;

namespace {
const QString kTitle = QStringLiteral("Dettaglio del documento");
const QString kDb = QStringLiteral("PROTOCOLLO");
QString q(const QString &s) { return QLatin1Char('\'') + F::quote(s) + QLatin1Char('\''); }
} // namespace

namespace detail {

QString protocolQuery(const QString &ente, const QString &number)
{
    return QStringLiteral("SELECT p.Tab_NumeroProtocollo, p.Tab_TipoProtocollo, p.Tab_DataProtocollo, p.Tab_Oggetto, "
                          "r.Tab_Denominazione, p.Tab_SoggPrivacy, p.Tab_CodiceOpeReg FROM Tab_Protocollo p "
                          "LEFT JOIN Tab_Rubrica r ON r.Tab_Identificativo = p.Tab_Intestatario AND "
                          "r.Tab_EnteRubrica = p.Tab_Ente WHERE p.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND p.Tab_NumeroProtocollo = ") + q(number);
}

QString recipientsQuery(const QString &ente, const QString &direction, const QString &number)
{
    return QStringLiteral("SELECT r.Tab_DataSerialeMov, r.Tab_DataEffettivaAssegnazione, dip.Dipa_Denominazione, "
                          "u.Tab_Descrizione, c.Tab_Componente, r.Tab_Annotazioni FROM Tab_Iter_Destinatari r "
                          "LEFT JOIN Tab_Uffici u ON u.Tab_Ente = r.Tab_Ente AND u.Tab_Ufficio = r.Tab_UfficioDestinatario "
                          "LEFT JOIN Tab_Dipartimenti dip ON dip.Dipa_CodiceEnte = u.Tab_Ente AND "
                          "dip.Dipa_CodDipartimento = u.Tab_Dipartimento "
                          "LEFT JOIN Tab_UfficiComponenti c ON c.Tab_Ente = r.Tab_Ente AND "
                          "c.Tab_Ufficio = r.Tab_UfficioDestinatario AND c.Tab_Progressivo = r.Tab_Componente "
                          "WHERE r.Tab_Ente = ")
           + q(ente) + QStringLiteral(" AND r.Tab_TipoProtocollo = ") + q(direction)
           + QStringLiteral(" AND r.Tab_NumeroProtocollo = ") + q(number)
           + QStringLiteral(" ORDER BY r.Tab_DataSerialeMov, r.Tab_DataEffettivaAssegnazione");
}

QString recipientLine(const QVariant &assignedOn)
{
    QString when = assignedOn.toString().trimmed();
    const QDateTime t = QDateTime::fromString(when.left(19).replace(QLatin1Char('T'), QLatin1Char(' ')),
                                              QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (t.isValid())
        when = t.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    return QString(19, QLatin1Char(' ')) + QStringLiteral("a: ") + when;
}

QTreeWidget *iterList(QWidget *parent)
{
    auto *list = new QTreeWidget(parent);
    list->setObjectName(QStringLiteral("lswIter"));
    list->setHeaderLabels({QStringLiteral("Data e ora"), QStringLiteral("Tipo movimento"), QStringLiteral("Dipartimento"),
                           QStringLiteral("Ufficio"), QStringLiteral("Operatore"), QStringLiteral("Note")});
    list->setRootIsDecorated(false);
    list->setTextElideMode(Qt::ElideRight);
    list->header()->setTextElideMode(Qt::ElideRight);
    // Times, kinds of movement and operators whole; the names and the notes
    // share what is left, shortened with the whole text in their tips, so
    // that the list never scrolls sideways.
    for (int c : {0, 1, 4})
        list->header()->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    for (int c : {2, 3, 5})
        list->header()->setSectionResizeMode(c, QHeaderView::Stretch);
    new ui::ColumnMemory(list, {});
    return list;
}

bool fillIter(QTreeWidget *list, const QString &ente, const QString &direction, const QString &number,
              bool recipientNotes)
{
    list->clear();
    const F::LoadedRows moves = F::loadRows(kDb, iter::movementsQuery(ente, direction, number));
    const F::LoadedRows to = F::loadRows(kDb, recipientsQuery(ente, direction, number));
    QList<QTreeWidgetItem *> items;
    int r = 0;
    for (int m = 0; m < moves.rowCount(); ++m) {
        const QString serial = moves.value(0, m).toString().trimmed();
        auto *item = new QTreeWidgetItem;
        item->setText(0, iter::serialTextFull(serial));
        for (int c = 1; c <= 5; ++c)
            item->setText(c, moves.value(c, m).toString().trimmed());
        items << item;
        // The recipients come in movement order: those of this movement
        // follow it.
        while (r < to.rowCount() && to.value(0, r).toString().trimmed() < serial)
            ++r;
        for (; r < to.rowCount() && to.value(0, r).toString().trimmed() == serial; ++r) {
            auto *line = new QTreeWidgetItem;
            line->setText(0, recipientLine(to.value(1, r)));
            for (int c = 2; c <= 4; ++c)
                line->setText(c, to.value(c, r).toString().trimmed());
            if (recipientNotes)
                line->setText(5, to.value(5, r).toString().trimmed());
            items << line;
        }
    }
    // Every text whole in its tip.
    for (QTreeWidgetItem *item : items)
        for (int c = 0; c < item->columnCount(); ++c)
            item->setToolTip(c, item->text(c));
    list->addTopLevelItems(items);
    return !moves.failed() && !to.failed();
}

} // namespace detail

FrmDettaglioProtocollo::FrmDettaglioProtocollo(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmDettaglioProtocollo"));
    setWindowTitle(kTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    auto field = [this](const char *name, int chars) {
        auto *e = new QLineEdit(this);
        e->setObjectName(QLatin1String(name));
        ui::setReadOnly(e);
        if (chars > 0)
            e->setMaximumWidth(ui::fieldWidth(e, chars));
        return e;
    };
    auto *head = new ui::FormGroup(QStringLiteral("Documento"), this);
    txtNumeroProto_ = field("txtNumeroProto", 14);
    txtTipoProto_ = field("TxtTipoProto", 3);
    txtDataProtocollo_ = field("TxtDataProtocollo", 11);
    txtMittenteDestinatario_ = field("TxtMittenteDestinatario", 0);
    txtOggetto_ = field("TxtOggetto", 0);
    head->addRow(QStringLiteral("Protocollo N. ro"),
                 {txtNumeroProto_, QStringLiteral("Tipo"), txtTipoProto_, QStringLiteral("del"), txtDataProtocollo_});
    head->addRow(QStringLiteral("Mittente/Destinatario"), {{txtMittenteDestinatario_, 1}});
    head->addRow(QStringLiteral("Oggetto"), {{txtOggetto_, 1}});

    auto *iter = new ui::FormGroup(QStringLiteral("Iter del Protocollo selezionato"), this);
    lswIter_ = detail::iterList(iter);
    lswIter_->setMinimumSize(720, 220);
    iter->addWide(lswIter_);

    cmdDocum_ = new QPushButton(QStringLiteral("Docum."), this);
    cmdDocum_->setObjectName(QStringLiteral("cmdDocum"));
    cmdAllegati_ = new QPushButton(QStringLiteral("Allegati"), this);
    cmdAllegati_->setObjectName(QStringLiteral("cmdAllegati"));
    cmdClassifica_ = new QPushButton(QStringLiteral("Classificazione"), this);
    cmdClassifica_->setObjectName(QStringLiteral("cmdClassifica"));
    cmdClassifica_->setToolTip(QStringLiteral("Fascicoli in cui è classificato il protocollo"));
    cmdEsci_ = new QPushButton(QStringLiteral("Esci"), this);
    cmdEsci_->setObjectName(QStringLiteral("cmdEsci"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(cmdDocum_);
    bottom->addWidget(cmdAllegati_);
    bottom->addWidget(cmdClassifica_);
    bottom->addStretch();
    bottom->addWidget(cmdEsci_);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(head);
    layout->addWidget(iter, 1);
    layout->addLayout(bottom);

    connect(cmdEsci_, &QPushButton::clicked, this, [this] { closeWindow(); });
    connect(cmdDocum_, &QPushButton::clicked, this, [this] {
        if (QWidget *w = WindowRegistry::open(QStringLiteral("FrmVisDocu1")))
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_));
    });
    connect(cmdClassifica_, &QPushButton::clicked, this, [this] {
        // Seen from here, never changed.
        if (QWidget *w = WindowRegistry::open(QStringLiteral("FrmClassifica"))) {
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_));
            QMetaObject::invokeMethod(w, "setMode", Q_ARG(QString, QStringLiteral("CONSULTAZIONE")));
        }
    });
    connect(cmdAllegati_, &QPushButton::clicked, this, [this] {
        if (QWidget *w = WindowRegistry::open(QStringLiteral("frmProtAllegati"))) {
            QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, QStringLiteral("FRMINCARICO")));
            QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction_), Q_ARG(QString, number_));
        }
    });
}

bool FrmDettaglioProtocollo::setProtocol(const QString &direction, const QString &number)
{
    const auto &s = DicAmbiente::session();
    const F::LoadedRows rows = F::loadRows(kDb, detail::protocolQuery(s.op.ente, number));
    int row = -1;
    for (int r = 0; r < rows.rowCount() && row < 0; ++r)
        if (direction.isEmpty() || rows.value(1, r).toString() == direction)
            row = r;
    if (row < 0) {
        showBox(kTitle, QStringLiteral("Impossibile visualizzare il documento richiesto"), Icon::Warning);
        // Closed once the opener has returned from open().
        QTimer::singleShot(0, this, [this] { closeWindow(); });
        return false;
    }
    number_ = number;
    direction_ = rows.value(1, row).toString();
    txtNumeroProto_->setText(shownNumber(number));
    txtTipoProto_->setText(direction_);
    txtDataProtocollo_->setText(protocol::dateText(rows.value(2, row)));
    txtMittenteDestinatario_->setText(rows.value(4, row).toString());
    // A reserved subject stays hidden, except from whoever registered it.
    const auto viewer = protocol::Viewer::fromSession();
    const bool own = rows.value(6, row).toString().trimmed().compare(s.op.code, Qt::CaseInsensitive) == 0;
    const QString subject = rows.value(3, row).toString();
    txtOggetto_->setText(own ? subject
                             : protocol::scope::shownSubject(viewer, subject, rows.value(5, row).toString(),
                                                             QString::fromLatin1(protocol::scope::kTrayMask)));
    for (QLineEdit *e : {txtMittenteDestinatario_, txtOggetto_})
        e->setCursorPosition(0);
    cmdDocum_->setToolTip(QStringLiteral("Visualizza i Documenti Scannerizzati collegati al Protocollo ") + number);
    cmdDocum_->setEnabled(WindowRegistry::contains(QStringLiteral("FrmVisDocu1")));
    cmdAllegati_->setEnabled(WindowRegistry::contains(QStringLiteral("frmProtAllegati")));
    cmdClassifica_->setEnabled(WindowRegistry::contains(QStringLiteral("FrmClassifica")));
    loadIter();
    return true;
}

void FrmDettaglioProtocollo::loadIter()
{
    detail::fillIter(lswIter_, DicAmbiente::session().op.ente, direction_, number_, false);
}

void FrmDettaglioProtocollo::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::documents
