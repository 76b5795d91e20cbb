// The search panel of the registration window and the consultation of the
// protocols it finds.

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
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
#include "protocol/FrmProtocollo.h"
#include "protocol/ProtocolPrint.h"
#include "session/DicAmbiente.h"

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

} // namespace

void FrmProtocollo::buildSearch(QWidget *panel)
{
    auto *outer = new QVBoxLayout(panel);
    auto *box = new QGroupBox(QStringLiteral("Impostazione Parametri di Ricerca"), panel);
    outer->addWidget(box);
    auto *g = new QGridLayout(box);
    int r = 0;
    const auto row = [&](const char *caption, std::initializer_list<QWidget *> widgets) {
        g->addWidget(new QLabel(QString::fromUtf8(caption), box), r, 0);
        int c = 1;
        for (QWidget *w : widgets)
            g->addWidget(w, r, c++);
        ++r;
    };
    row("Anno / Numero", {edit(box, "TxtAProto"), edit(box, "TxtNumero")});
    row("Emergenza: anno, tipo, registro, numero",
        {edit(box, "TxtAnnoEme"), edit(box, "TxtTipoEme"), edit(box, "TxtRegEme"), edit(box, "TxtNumEme")});
    row("Riferimento documento mittente", {edit(box, "TxtRifDoc"), edit(box, "TxtDataRif")});
    row("Oggetto", {edit(box, "TxtOggetto")});
    row("Mittente/Destinatario", {edit(box, "TxtMittDest")});
    cboTipoDoc_ = new QComboBox(box);
    cboTipoDoc_->setObjectName(QStringLiteral("CboTipoDoc"));
    row("Tipo Documento", {cboTipoDoc_});
    row("Periodo dal / al", {edit(box, "DataDal"), edit(box, "DataAl")});
    chkE_ = new QCheckBox(QStringLiteral("Entrata"), box);
    chkE_->setObjectName(QStringLiteral("ChkEntrata"));
    chkU_ = new QCheckBox(QStringLiteral("Uscita"), box);
    chkU_->setObjectName(QStringLiteral("ChkUscita"));
    row("Protocolli", {chkE_, chkU_});
    optAttivi_ = new QRadioButton(QStringLiteral("Solo  attivi"), box);
    optAttivi_->setObjectName(QStringLiteral("OptSoloAttivi"));
    optPrivacy_ = new QRadioButton(QStringLiteral("Solo soggetti a privacy"), box);
    optPrivacy_->setObjectName(QStringLiteral("OptSoloPrivacy"));
    optTutti_ = new QRadioButton(QStringLiteral("Tutti i protocolli"), box);
    optTutti_->setObjectName(QStringLiteral("OptTutti"));
    row("", {optAttivi_, optPrivacy_, optTutti_});
    auto *start = new QPushButton(QStringLiteral("Avvia Ricerca"), box);
    start->setObjectName(QStringLiteral("CmdAvviaRicerca"));
    found_ = label(box, "lblTrovati");
    row("", {start, found_});

    list_ = new QTreeWidget(panel);
    list_->setObjectName(QStringLiteral("LwProtocolli"));
    list_->setHeaderLabels({QStringLiteral("Tipo"), QStringLiteral("Numero"), QStringLiteral("Data"),
                            QStringLiteral("Oggetto"), QStringLiteral("Mittente/Destinatario"), QStringLiteral("Stato")});
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    outer->addWidget(list_);

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
    listDecod_->hide();
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
        auto *it = new QTreeWidgetItem({cell(r, 0, i), shownNumber(number), dateText(r.value(2, i)), cell(r, 3, i),
                                        cell(r, 4, i), cell(r, 5, i) == QLatin1String("C") ? QStringLiteral("C") : QString()});
        it->setData(0, Qt::UserRole, number);
        items.append(it);
    }
    list_->addTopLevelItems(items);
    list_->setUpdatesEnabled(true);
    listLoaded_ = !items.isEmpty();
    found_->setText(listLoaded_ ? countText(int(items.size())) : QString());
    if (!listLoaded_)
        showBox(kCaption, countText(0), Icon::Information);
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
        auto *it = new QTreeWidgetItem({cell(r, 0, i), shownNumber(cell(r, 1, i)), dateText(r.value(2, i)),
                                        cell(r, 3, i), cell(r, 4, i), QString()});
        it->setData(0, Qt::UserRole, cell(r, 1, i));
        items.append(it);
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
    const F::LoadedRows p = F::loadRows(kDb, protocolQuery(ente, direction, number));
    if (!p.ok || p.rowCount() == 0)
        return;
    clearFields();
    list_->setCurrentItem(item);
    isNew_ = false;
    (direction == QLatin1String("E") ? optE_ : optU_)->setChecked(true);
    setDirection(direction);
    field("txtNumeroProtocollo")->setText(number);
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
    desc("LblDataCanc")->setText(dateText(p.value(17, 0)));
    desc("LblMotivoCanc")->setText(cell(p, 18));
    desc("LblNoteCanc")->setText(cell(p, 19));

    // Codes and their descriptions; an existing protocol keeps closed ones.
    const qlonglong member = p.value(11, 0).toLongLong();
    const QString codes[] = {QString::number(p.value(6, 0).toLongLong()), cell(p, 7), cell(p, 9), cell(p, 10),
                             member > 0 ? QString::number(member) : QString()};
    const LookupScope scope{ente, codes[2], codes[3], false};
    for (int i = 0; i < 5; ++i) {
        const CodeControl &c = kCodeControls[i];
        field(c.code)->setText(codes[i]);
        if (codes[i].isEmpty())
            continue;
        const auto found = lookup(c.kind, codes[i], scope, false);
        if (!found.isEmpty())
            desc(c.description)->setText(found.first().description);
    }
    const bool locked = DicAmbiente::session().op.level == 6;
    field("CodSedeRic")->setReadOnly(locked);
    field("CodUfficio")->setReadOnly(locked);

    const F::LoadedRows d = F::loadRows(kDb, dossiersQuery(ente, direction, number));
    for (int i = 0; d.ok && i < d.rowCount(); ++i)
        new QTreeWidgetItem(classifica_, {coded(cell(d, 0, i), cell(d, 1, i)), coded(cell(d, 2, i), cell(d, 3, i)),
                                          coded(cell(d, 4, i), cell(d, 5, i)),
                                          coded(QString::number(d.value(6, i).toLongLong()), cell(d, 7, i))});
    const F::LoadedRows it = F::loadRows(kDb, iterQuery(ente, direction, number));
    for (int i = 0; it.ok && i < it.rowCount(); ++i)
        new QTreeWidgetItem(iter_, {serialText(cell(it, 0, i)), cell(it, 1, i), cell(it, 2, i), cell(it, 3, i),
                                    cell(it, 4, i)});
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

} // namespace nimbo::protocol
