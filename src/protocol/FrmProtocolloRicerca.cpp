// The search panel of the registration window and the consultation of the
// protocols it finds.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTreeWidget>

#include "data/Funzioni_Com_1.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "protocol/CancelMark.h"
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"
#include "ui/ColumnMemory.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"

namespace F = Funzioni_Com_1;

namespace nimbo::protocol {

namespace {

const QString kCaption = QStringLiteral("Registrazione dei Protocolli");
const QString kDb = QStringLiteral("PROTOCOLLO");

QString cell(const F::LoadedRows &r, int column, int row = 0) { return r.value(column, row).toString().trimmed(); }

// "code - description", or the code alone when nothing describes it.
QString coded(const QString &code, const QString &description)
{
    return description.isEmpty() ? code : code + QStringLiteral(" - ") + description;
}

// "yyyymmddhhnnss" as "dd/mm/yyyy hh:nn:ss".
QString serialText(const QString &s)
{
    if (s.size() < 14)
        return s;
    return s.mid(6, 2) + QLatin1Char('/') + s.mid(4, 2) + QLatin1Char('/') + s.left(4) + QLatin1Char(' ') + s.mid(8, 2)
           + QLatin1Char(':') + s.mid(10, 2) + QLatin1Char(':') + s.mid(12, 2);
}

// One row of the result list; the key and the state letter ride along.
QTreeWidgetItem *listRow(const QString &direction, const QString &number, const QString &date, const QString &subject,
                         const QString &correspondent, const QString &state)
{
    const bool gone = state == QLatin1String("C");
    auto *it = new QTreeWidgetItem({direction, shownNumber(number), date, subject, correspondent,
                                    cancelled::stateText(state)});
    it->setData(0, Qt::UserRole, number);
    it->setData(5, Qt::UserRole, gone ? QStringLiteral("C") : QStringLiteral("A"));
    if (gone)
        it->setForeground(5, QColor(Qt::darkRed));
    it->setToolTip(3, subject);
    it->setToolTip(4, correspondent);
    return it;
}

} // namespace

void FrmProtocollo::buildSearch(QWidget *panel)
{
    auto *outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(4);
    auto *box = new QGroupBox(QStringLiteral("Impostazione Parametri di Ricerca"), panel);
    outer->addWidget(box);
    auto *columns = new QHBoxLayout(box);
    columns->setContentsMargins(4, 4, 4, 4);

    // Left: what identifies a protocol; right: what it is about.
    auto *which = new ui::FormGroup(QStringLiteral("Protocollo"), box);
    QLineEdit *year = edit(which, "TxtAProto");
    year->setFixedWidth(ui::fieldWidth(year, 4));
    QLineEdit *number = edit(which, "TxtNumero");
    number->setFixedWidth(ui::fieldWidth(number, 7));
    which->addRow(QStringLiteral("Anno"), {year, QStringLiteral("Numero"), number});
    QLineEdit *emeYear = edit(which, "TxtAnnoEme");
    emeYear->setFixedWidth(ui::fieldWidth(emeYear, 4));
    QLineEdit *emeType = edit(which, "TxtTipoEme");
    emeType->setFixedWidth(ui::fieldWidth(emeType, 2));
    QLineEdit *emeRegister = edit(which, "TxtRegEme");
    emeRegister->setFixedWidth(ui::fieldWidth(emeRegister, 5));
    QLineEdit *emeNumber = edit(which, "TxtNumEme");
    emeNumber->setFixedWidth(ui::fieldWidth(emeNumber, 7));
    which->addRow(QStringLiteral("Emergenza: anno"), {emeYear, QStringLiteral("tipo"), emeType});
    which->addRow(QStringLiteral("registro"), {emeRegister, QStringLiteral("numero"), emeNumber});
    QLineEdit *ref = edit(which, "TxtRifDoc");
    ref->setFixedWidth(ui::fieldWidth(ref, 10));
    which->addRow(QStringLiteral("Rif. mittente"), {ref, QStringLiteral("del"), dateEdit(which, "TxtDataRif")});
    which->addRow(QStringLiteral("Periodo dal"),
                  {dateEdit(which, "DataDal"), QStringLiteral("al"), dateEdit(which, "DataAl")});
    columns->addWidget(which);

    auto *what = new ui::FormGroup(QStringLiteral("Contenuto"), box);
    what->addRow(QStringLiteral("Oggetto"), {ui::Cell(edit(what, "TxtOggetto"), 1)});
    what->addRow(QStringLiteral("Mittente/Destinatario"), {ui::Cell(edit(what, "TxtMittDest"), 1)});
    cboTipoDoc_ = new QComboBox(what);
    cboTipoDoc_->setObjectName(QStringLiteral("CboTipoDoc"));
    cboTipoDoc_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cboTipoDoc_->setMinimumContentsLength(16);
    what->addRow(QStringLiteral("Tipo Documento"), {cboTipoDoc_});
    chkE_ = new QCheckBox(QStringLiteral("Entrata"), what);
    chkE_->setObjectName(QStringLiteral("ChkEntrata"));
    chkU_ = new QCheckBox(QStringLiteral("Uscita"), what);
    chkU_->setObjectName(QStringLiteral("ChkUscita"));
    what->addRow(QStringLiteral("Protocolli"), {chkE_, chkU_});
    optAttivi_ = new QRadioButton(QStringLiteral("Solo  attivi"), what);
    optAttivi_->setObjectName(QStringLiteral("OptSoloAttivi"));
    optPrivacy_ = new QRadioButton(QStringLiteral("Solo soggetti a privacy"), what);
    optPrivacy_->setObjectName(QStringLiteral("OptSoloPrivacy"));
    optTutti_ = new QRadioButton(QStringLiteral("Tutti i protocolli"), what);
    optTutti_->setObjectName(QStringLiteral("OptTutti"));
    what->addRow(QStringLiteral("Mostra"), {optAttivi_, optTutti_});
    what->addRow(QString(), {optPrivacy_});
    columns->addWidget(what, 1);

    auto *run = new QHBoxLayout;
    auto *start = new QPushButton(QStringLiteral("Avvia Ricerca"), panel);
    start->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    start->setDefault(false);
    found_ = label(panel, "lblTrovati");
    run->addWidget(start);
    run->addWidget(found_, 1);
    outer->addLayout(run);

    list_ = new QTreeWidget(panel);
    list_->setObjectName(QStringLiteral("LwProtocolli"));
    list_->setHeaderLabels({QStringLiteral("Tipo"), QStringLiteral("Numero"), QStringLiteral("Data"),
                            QStringLiteral("Oggetto"), QStringLiteral("Mittente/Destinatario"), QStringLiteral("Stato")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setAlternatingRowColors(true);
    // Number, date and state are always whole; subject and correspondent
    // share what is left, each cell's whole text in its tooltip.
    QHeaderView *head = list_->header();
    head->setStretchLastSection(false);
    const QFontMetrics fm = list_->fontMetrics();
    const auto width = [&fm](const QString &widest) { return fm.horizontalAdvance(widest) + 24; };
    list_->setColumnWidth(0, width(QStringLiteral("Tipo")));
    list_->setColumnWidth(1, width(QStringLiteral("0000-0000000")));
    list_->setColumnWidth(2, width(QStringLiteral("00/00/0000")));
    list_->setColumnWidth(5, width(cancelled::kMark));
    new ui::ColumnMemory(list_, {});
    for (int c : {0, 1, 2, 5})
        head->setSectionResizeMode(c, QHeaderView::Fixed);
    head->setSectionResizeMode(3, QHeaderView::Stretch);
    head->setSectionResizeMode(4, QHeaderView::Stretch);
    outer->addWidget(list_, 1);

    connect(start, &QPushButton::clicked, this, &FrmProtocollo::runSearch);
    connect(list_, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *it) { loadProtocol(it); });
}

void FrmProtocollo::fillDocTypes()
{
    if (cboTipoDoc_->count() > 0)
        return;
    cboTipoDoc_->addItem(QStringLiteral("TUTTI"));
    const F::LoadedRows r =
        F::loadRows(kDb, QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento ORDER BY Tab_Codice"));
    for (int i = 0; r.ok && i < r.rowCount(); ++i)
        cboTipoDoc_->addItem(cell(r, 0, i).leftJustified(3, QLatin1Char(' ')) + QStringLiteral(" - ") + cell(r, 1, i));
}

void FrmProtocollo::showSearch()
{
    fillDocTypes();
    const QDate today = QDate::currentDate();
    field("TxtAProto")->setText(QString::number(today.year()));
    field("DataDal")->setText(today.addDays(-7).toString(QStringLiteral("dd/MM/yyyy")));
    field("DataAl")->setText(today.toString(QStringLiteral("dd/MM/yyyy")));
    optTutti_->setChecked(true);
    const Viewer v = Viewer::fromSession();
    chkE_->setEnabled(maysee(v, QStringLiteral("E")));
    chkU_->setEnabled(maysee(v, QStringLiteral("U")));
    chkE_->setChecked(chkE_->isEnabled());
    chkU_->setChecked(chkU_->isEnabled());
    listDecod_->dismiss();
    panels_->setCurrentWidget(search_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA"));
}

SearchCriteria FrmProtocollo::criteria() const
{
    SearchCriteria c;
    c.year = field("TxtAProto")->text();
    c.number = field("TxtNumero")->text();
    c.emeYear = field("TxtAnnoEme")->text();
    c.emeType = field("TxtTipoEme")->text();
    c.emeRegister = field("TxtRegEme")->text();
    c.emeNumber = field("TxtNumEme")->text();
    c.refNumber = field("TxtRifDoc")->text();
    c.refDate = field("TxtDataRif")->text();
    c.subject = field("TxtOggetto")->text();
    c.correspondent = field("TxtMittDest")->text();
    c.docType = cboTipoDoc_->currentText().isEmpty() ? QStringLiteral("TUTTI") : cboTipoDoc_->currentText();
    c.from = field("DataDal")->text();
    c.to = field("DataAl")->text();
    c.incoming = chkE_->isChecked();
    c.outgoing = chkU_->isChecked();
    c.filter = optAttivi_->isChecked()    ? SearchCriteria::Filter::ActiveOnly
               : optPrivacy_->isChecked() ? SearchCriteria::Filter::PrivacyOnly
                                          : SearchCriteria::Filter::All;
    return c;
}

void FrmProtocollo::runSearch()
{
    const SearchCriteria c = criteria();
    if (const auto failure = checkCriteria(c)) {
        showBox(kCaption, failure->message, Icon::Warning);
        focusField(failure->field);
        return;
    }
    F::LoadedRows r;
    {
        busy::Guard guard;
        r = F::loadRows(kDb, searchQuery(c, Viewer::fromSession()));
    }
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem *> items;
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const QString number = cell(r, 1, i);
        items.append(listRow(cell(r, 0, i), number, dateText(r.value(2, i)), cell(r, 3, i), cell(r, 4, i),
                             cell(r, 5, i)));
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
    listLoaded_ = !items.isEmpty();
    found_->setText(listLoaded_ ? countText(int(items.size())) : QString());
    if (!listLoaded_)
        ui::tellNothingFound(this, countText(0));
    else
        list_->setCurrentItem(items.first());
}

void FrmProtocollo::otherProtocols()
{
    const qlonglong who = field("CodiceMitDest")->text().trimmed().toLongLong();
    if (who <= 0) {
        showBox(kCaption,
                QString::fromUtf8("Per attivare la funzione di consultazione 'Altri Protocolli' è necessario aver "
                                  "selezionato un Mittente o destinatario"),
                Icon::Information);
        return;
    }
    fillDocTypes();
    // Only the correspondent narrows the list: every other criterion is cleared.
    for (const char *name : {"TxtAProto", "TxtNumero", "TxtAnnoEme", "TxtTipoEme", "TxtRegEme", "TxtNumEme", "TxtRifDoc",
                             "TxtDataRif", "TxtOggetto", "TxtMittDest", "DataDal", "DataAl"})
        field(name)->clear();
    cboTipoDoc_->setCurrentIndex(0);
    const Viewer v = Viewer::fromSession();
    chkE_->setChecked(maysee(v, QStringLiteral("E")));
    chkU_->setChecked(maysee(v, QStringLiteral("U")));
    optAttivi_->setChecked(true);
    SearchCriteria c = criteria();
    c.correspondentId = who;
    const F::LoadedRows r = F::loadRows(kDb, searchQuery(c, v));
    list_->setUpdatesEnabled(false);
    list_->clear();
    QList<QTreeWidgetItem *> items;
    const QString shown = storedNumber(field("txtNumeroProtocollo")->text());
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        if (cell(r, 1, i) == shown)
            continue; // the protocol on screen is not an "other" one
        items.append(listRow(cell(r, 0, i), cell(r, 1, i), dateText(r.value(2, i)), cell(r, 3, i), cell(r, 4, i),
                             cell(r, 5, i)));
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
    listLoaded_ = !items.isEmpty();
    found_->setText(countText(int(items.size())));
    panels_->setCurrentWidget(search_);
    setToolbarKeys(QStringLiteral("ESCI;ANNULLA"));
}

void FrmProtocollo::loadProtocol(QTreeWidgetItem *item)
{
    if (!item)
        return;
    const QString ente = DicAmbiente::session().op.ente;
    const QString direction = item->text(0);
    const QString number = item->data(0, Qt::UserRole).toString();
    if (!mayDiscard())
        return;
    const F::LoadedRows p = F::loadRows(kDb, protocolQuery(ente, direction, number));
    if (!p.ok || p.rowCount() == 0)
        return;
    clearFields();
    list_->setCurrentItem(item);
    isNew_ = false;
    (direction == QLatin1String("E") ? optE_ : optU_)->setChecked(true);
    setDirection(direction);
    field("txtNumeroProtocollo")->setText(shownNumber(number));
    field("DataProtocollo")->setText(dateText(p.value(1, 0)));
    field("OraProtocollo")->setText(cell(p, 2));
    field("DataRegistrazione")->setText(dateText(p.value(3, 0)));
    field("DataRicezione")->setText(dateText(p.value(4, 0)));
    field("OraRicezione")->setText(cell(p, 5));
    field("Oggetto")->setText(p.value(8, 0).toString());
    field("Annotazioni")->setText(p.value(12, 0).toString());
    field("Text1")->setText(cell(p, 13));
    field("Text2")->setText(dateText(p.value(14, 0)));
    privacy_->setChecked(cell(p, 15) == QLatin1String("S"));
    saveSubject_->setVisible(false);
    emergencyNumber_ = cell(p, 20);
    field("TxtNEme")->setText(emergencyNumber_);
    field("TxtREme")->setText(cell(p, 21));
    if (cancelled::isCancelled(cell(p, 0))) {
        const cancelled::Details d = cancelled::readDetails(ente, direction, number).value_or(cancelled::Details{});
        desc("LblOperatoreCanc")->setText(d.operatorText);
        desc("LblDataCanc")->setText(d.date);
        desc("LblMotivoCanc")->setText(d.reasonText);
        desc("LblNoteCanc")->setText(d.notes);
        desc("LblProvvCanc")->setText(d.actText);
    }

    // Codes and their descriptions; an existing protocol keeps closed ones.
    const qlonglong member = p.value(11, 0).toLongLong();
    const QString codes[] = {QString::number(p.value(6, 0).toLongLong()), cell(p, 7), cell(p, 9), cell(p, 10),
                             member > 0 ? QString::number(member) : QString()};
    const LookupScope scope{ente, codes[2], codes[3], false};
    for (int i = 0; i < 5; ++i) {
        const CodeControl &c = kCodeControls[i];
        const auto found = codes[i].isEmpty() ? QVector<LookupRow>() : lookup(c.kind, codes[i], scope, false);
        lookupOf(c.kind)->set(codes[i], found.isEmpty() ? QString() : found.first().description);
    }
    const bool locked = DicAmbiente::session().op.level == 6;
    ui::setReadOnly(field("CodSedeRic"), locked);
    ui::setReadOnly(field("CodUfficio"), locked);

    reloadDossiers();
    reloadIter();
    const auto archived = F::Caricadati(kDb, archivedQuery(ente, direction, number));
    iterState_ = archived && archived->value(0).toLongLong() > 0 ? QStringLiteral("ARCH") : QStringLiteral("ATTIVA");

    const QString state = cell(p, 0).isEmpty() ? QStringLiteral("A") : cell(p, 0);
    applyState(state);
    // A body of type 9 lets an operator change only the last protocol he
    // registered, unless he works for the whole body; nothing cancelled or
    // opened for cancellation is rewritten here.
    const auto &s = DicAmbiente::session();
    modifiable_ = !forCancellation() && state != QLatin1String("C")
                  && (staysModifiable(s.parm.enteTipoUtente, number, lastNumber_) || s.op.level == 9);
    QString keys = consultationKeys(direction, listLoaded_);
    if (!modifiable_)
        keys.replace(QStringLiteral(";REGISTRA"), QString());
    if (forCancellation())
        keys.replace(QStringLiteral("NUOVO;"), QString());
    panels_->setCurrentWidget(registration_);
    setToolbarKeys(keys);
    dirty()->setClean();
}

void FrmProtocollo::step(int delta)
{
    const int count = list_->topLevelItemCount();
    if (count == 0)
        return;
    const int at = list_->currentItem() ? list_->indexOfTopLevelItem(list_->currentItem()) : 0;
    const int next = at + delta;
    if (next < 0) {
        showBox(kCaption,
                QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato è il primo "
                                  "dell'elenco selezionato."));
        return;
    }
    if (next >= count) {
        showBox(kCaption,
                QString::fromUtf8("Non è possibile scorrere ulteriormente la lista. Il protocollo visualizzato è "
                                  "l'ultimo dell'elenco selezionato."));
        return;
    }
    loadProtocol(list_->topLevelItem(next));
}

void FrmProtocollo::reloadDossiers()
{
    classifica_->clear();
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    const F::LoadedRows d = F::loadRows(kDb, dossiersQuery(DicAmbiente::session().op.ente, f.direction, f.number));
    for (int i = 0; d.ok && i < d.rowCount(); ++i) {
        auto *item = new QTreeWidgetItem(
            classifica_, {coded(cell(d, 0, i), cell(d, 1, i)), coded(cell(d, 2, i), cell(d, 3, i)),
                          coded(cell(d, 4, i), cell(d, 5, i)),
                          coded(ChosenDossier::shownCode(d.value(6, i).toLongLong()), cell(d, 7, i))});
        for (int c = 0; c < 4; ++c)
            item->setToolTip(c, item->text(c));
    }
}

void FrmProtocollo::reloadIter()
{
    iter_->clear();
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    const F::LoadedRows it = F::loadRows(kDb, iterQuery(DicAmbiente::session().op.ente, f.direction, f.number));
    for (int i = 0; it.ok && i < it.rowCount(); ++i)
        new QTreeWidgetItem(iter_, {serialText(cell(it, 0, i)), cell(it, 1, i), cell(it, 2, i), cell(it, 3, i),
                                    cell(it, 4, i)});
}

} // namespace nimbo::protocol
