#include "protocol/ProtocolLinksPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

const QString LinkedPanel::kTitle = QStringLiteral("Documenti protocollati collegati al protocollo N. ");

namespace {

const QString kBoxTitle = QStringLiteral("Protocolli Collegati");
// Hidden columns of the list: the register key and the privacy flag.
constexpr int kKeyColumn = 4, kPrivacyColumn = 5;

} // namespace

LinkedPanel::LinkedPanel(bool editable, QWidget *parent) : QGroupBox(parent)
{
    setObjectName(QStringLiteral("FraCollegati"));
    auto *v = new QVBoxLayout(this);
    list_ = new ui::RowList(QStringLiteral("LWCollegati"), this);
    list_->setColumns(QStringLiteral("Tipo;N° Protocollo;Data Protocollo;Oggetto;;"), QStringLiteral("5;13;10;50;0;0"));
    v->addWidget(list_, 1);

    auto *detail = new ui::FormGroup(QStringLiteral("Protocollo collegato selezionato"), this);
    const auto field = [&](int column, const char *name, int chars = 0) {
        QLineEdit *e = ui::readOnlyField(detail, name, chars);
        detail_.insert(column, e);
        return e;
    };
    detail->addRow(QStringLiteral("Tipo"), {field(links::LDirection, "TxtTipoCollegato", 2), QStringLiteral("Numero"),
                                            field(links::LNumber, "TxtNumeroCollegato", 12), QStringLiteral("Data"),
                                            field(links::LDate, "TxtDataCollegato", 10), QStringLiteral("Tipo documento"),
                                            ui::Cell(field(links::LType, "TxtTipoDocCollegato"), 1)});
    detail->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(field(links::LCorrespondent, "TxtMitDestCollegato"), 1)});
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(field(links::LSubject, "TxtOggettoCollegato"), 1)});
    detail->addRow(QStringLiteral("Dipartimento"), {ui::Cell(field(links::LDepartment, "TxtDipCollegato"), 1),
                                                    QStringLiteral("Ufficio"),
                                                    ui::Cell(field(links::LOffice, "TxtUffCollegato"), 1)});
    detail->addRow(QStringLiteral("Note"), {ui::Cell(field(links::LNotes, "TxtNoteCollegato"), 1)});
    v->addWidget(detail);

    auto *buttons = new QHBoxLayout;
    const auto button = [&](const QString &text, const char *name) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
        return b;
    };
    add_ = button(QStringLiteral("Collega ulteriore protocollo"), "CmdCollega");
    remove_ = button(QStringLiteral("Cancella Protocollo"), "CmdCancellaCollegato");
    view_ = button(QStringLiteral("Visualizza documento scannerizzato"), "CmdVisualizzaCollegato");
    buttons->addStretch(1);
    exit_ = button(QStringLiteral("Torna al protocollo"), "CmdTornaProtocollo");
    v->addLayout(buttons);
    add_->setVisible(editable);
    remove_->setVisible(editable);

    connect(list_, &ui::RowList::chosen, this, &LinkedPanel::showDetail);
    connect(add_, &QPushButton::clicked, this, &LinkedPanel::openLinkWindow);
    connect(remove_, &QPushButton::clicked, this, &LinkedPanel::removeChosen);
    connect(view_, &QPushButton::clicked, this, &LinkedPanel::viewDocument);
}

void LinkedPanel::setProtocol(const QString &direction, const QString &number)
{
    protocol_ = {direction.trimmed(), storedNumber(number)};
    setTitle(kTitle + shownNumber(protocol_.number));
    reload();
}

void LinkedPanel::reload()
{
    clearDetail();
    if (protocol_.number.isEmpty()) {
        list_->clear();
        return;
    }
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                           links::linkedQuery(DicAmbiente::session().op.ente, protocol_));
    const Viewer viewer = Viewer::fromSession();
    // The detail is read again for the row chosen: the list keeps only
    // what it shows and the two keys.
    F::Columns shown(kPrivacyColumn + 1);
    for (int i = 0; rows.ok && i < rows.rowCount(); ++i) {
        const QString flag = rows.value(links::LPrivacy, i).toString().trimmed();
        const QString number = rows.value(links::LNumber, i).toString().trimmed();
        shown[0].append(rows.value(links::LDirection, i).toString().trimmed());
        shown[1].append(shownNumber(number));
        shown[2].append(dateText(rows.value(links::LDate, i)));
        shown[3].append(scope::shownSubject(viewer, rows.value(links::LSubject, i).toString(), flag,
                                            QString::fromLatin1(scope::kTrayMask)));
        shown[kKeyColumn].append(number);
        shown[kPrivacyColumn].append(flag);
    }
    list_->setRows(shown);
}

links::Key LinkedPanel::chosen() const
{
    const int row = list_->currentRow();
    if (row < 0)
        return {};
    return {list_->text(row, 0).trimmed(), list_->text(row, kKeyColumn).trimmed()};
}

void LinkedPanel::clearDetail()
{
    for (QLineEdit *e : std::as_const(detail_))
        e->clear();
}

void LinkedPanel::showDetail(int row)
{
    clearDetail();
    if (row < 0)
        return;
    const F::LoadedRows rows = F::loadRows(
        QStringLiteral("PROTOCOLLO"), links::detailQuery(DicAmbiente::session().op.ente,
                                                         {list_->text(row, 0).trimmed(), list_->text(row, kKeyColumn).trimmed()}));
    if (!rows.ok || rows.rowCount() == 0)
        return;
    const Viewer viewer = Viewer::fromSession();
    for (auto it = detail_.cbegin(); it != detail_.cend(); ++it) {
        it.value()->setText(links::detailText(rows, it.key(), viewer));
        it.value()->setCursorPosition(0);
    }
}

void LinkedPanel::openLinkWindow()
{
    if (protocol_.number.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmCollega"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, protocol_.direction),
                                         Q_ARG(QString, protocol_.number))) {
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmCollega"), QStringLiteral("openLinkWindow"),
                          objectName());
        return;
    }
    // The link window may be one already open for another protocol.
    connect(w, SIGNAL(linked()), this, SLOT(reload()), Qt::UniqueConnection);
}

void LinkedPanel::removeChosen()
{
    const links::Key other = chosen();
    if (other.number.isEmpty()) {
        showBox(kBoxTitle, QStringLiteral("Per poter cancellare un collegamento bisogna prima averlo selezionato dalla lista."),
                Icon::Warning);
        return;
    }
    if (showBox(kBoxTitle, QStringLiteral("CONFERMI LA CANCELLAZIONE DEL collegamento selezionato?"), Icon::Question,
                Buttons::YesNo)
        != Answer::Yes)
        return;
    const links::Result r = links::unlink(DicAmbiente::session().op.ente, protocol_, other);
    if (!r.ok())
        showBox(kBoxTitle, QString::fromUtf8(links::kUnlinkFailed), Icon::Critical);
    reload();
}

void LinkedPanel::viewDocument()
{
    const int row = list_->currentRow();
    if (row < 0) {
        showBox(kBoxTitle, QStringLiteral("prima di richiedere la funzione selezionare un protocollo dall'elenco"),
                Icon::Warning);
        return;
    }
    if (list_->text(row, kPrivacyColumn).trimmed() == QLatin1String("S") && !Viewer::fromSession().privacy) {
        showBox(kBoxTitle,
                QString::fromUtf8("Documento Riservato. L'utente non ha le abilitazioni necessarie per prenderne visione."),
                Icon::Warning);
        return;
    }
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmVisDocu1"));
    if (w)
        QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, list_->text(row, 0).trimmed()),
                                  Q_ARG(QString, list_->text(row, kKeyColumn).trimmed()));
}

} // namespace nimbo::protocol
