#include "classification/CloseCaseWindow.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");

// Columns of the candidates as read (closeCandidatesQuery).
enum Read { RDirection, RNumber, RDate, RSubject, RName, RStamp, RDue, RDepartment, ROfficeName, ROffice, RPrivacy };
// As shown; the key, the date as stored and the office follow unseen.
enum Shown { SDirection, SNumber, SDate, SSubject, SName, SDue, SOfficeName, SKey, SOffice, SPrivacy };

QDate storedDate(const QVariant &v) { return QDate::fromString(v.toString().left(10), QStringLiteral("yyyy-MM-dd")); }

QLineEdit *entry(QWidget *parent, const char *name, int maxLength, bool upper)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    ui::makeCodeField(e, maxLength, upper);
    e->setMaxLength(maxLength);
    return e;
}

} // namespace

CloseCaseWindow::CloseCaseWindow(Variant variant, QWidget *parent) : ChildWindow(parent), variant_(variant)
{
    const bool list = variant == Variant::List;
    setObjectName(list ? QStringLiteral("frmArchPratica") : QStringLiteral("frmArchivia"));
    caption_ = list ? QStringLiteral("Evasione Pratiche") : QStringLiteral("Evasione Pratica");
    setWindowTitle(caption_);
    setToolbarKeys(QStringLiteral("ESCI"));

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    if (list) {
        auto *box = new QGroupBox(QStringLiteral("Documenti assegnati all'ufficio da evadere"), this);
        auto *v = new QVBoxLayout(box);
        list_ = new ui::RowList(QStringLiteral("LwPratiche"), box);
        list_->setColumns(QStringLiteral("TIPO;NUMERO;DATA;OGGETTO;CORRISPONDENTE;SCADENZA;UFFICIO"),
                          QStringLiteral("7;14;12;32;22;12;20"));
        // Room for every heading whole, and more for the subject.
        list_->setMinimumWidth(860);
        list_->setFitToWidth(true);
        v->addWidget(list_);
        outer->addWidget(box, 1);
        connect(list_, &ui::RowList::chosen, this, &CloseCaseWindow::chosen);
    }

    auto *doc = new ui::FormGroup(QStringLiteral("Documento da archiviare"), this);
    direction_ = ui::readOnlyField(doc, "TxtTipo", 2);
    number_ = ui::readOnlyField(doc, "TxtNumero", 13);
    date_ = ui::readOnlyField(doc, "TxtData", 10);
    subject_ = ui::readOnlyField(doc, "TxtOggetto");
    doc->addRow(QStringLiteral("Tipo"), {direction_, QStringLiteral("Numero"), number_, QStringLiteral("Data"), date_});
    doc->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    outer->addWidget(doc);

    auto *note = new ui::FormGroup(QStringLiteral("Nota di chiusura"), this);
    note->setObjectName(QStringLiteral("FraNota"));
    noteDirection_ = entry(note, closefield::kDirection, 1, true);
    noteYear_ = entry(note, closefield::kYear, 4, false);
    noteNumber_ = entry(note, closefield::kNumber, 7, false);
    closingDate_ = new ui::DateField(note);
    closingDate_->setObjectName(QLatin1String(closefield::kDate));
    notes_ = new QLineEdit(note);
    notes_->setObjectName(QStringLiteral("TxtNote"));
    notes_->setMaxLength(500);
    note->addRow(QStringLiteral("Tipo (E/U)"), {noteDirection_, QStringLiteral("Anno"), noteYear_,
                                                QStringLiteral("Numero"), noteNumber_});
    note->addRow(QStringLiteral("Data chiusura"), {closingDate_});
    note->addRow(QStringLiteral("Annotazioni"), {ui::Cell(notes_, 1)});
    outer->addWidget(note);
    dirty()->watch(note);

    if (!list) {
        closedCaption_ = new QLabel(QStringLiteral("Protocolli evasi con questo documento come nota di chiusura"), this);
        outer->addWidget(closedCaption_);
        closedList_ = new ui::RowList(QStringLiteral("LwEvase"), this);
        closedList_->setColumns(QStringLiteral("TIPO;NUMERO;DATA CHIUSURA;ANNOTAZIONI"), QStringLiteral("7;14;15;50"));
        closedList_->setFitToWidth(true);
        closedList_->setMinimumWidth(620);
        outer->addWidget(closedList_, 1);
    } else {
        outer->setStretch(0, 1);
    }
    clearForm();
    if (list)
        reload();
}

void CloseCaseWindow::reload()
{
    if (!list_)
        return;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    const F::LoadedRows r = F::loadRows(kDb, closeCandidatesQuery(v));
    F::Columns shown(SPrivacy + 1);
    for (int i = 0; r.ok && i < r.rowCount(); ++i) {
        const QString number = r.value(RNumber, i).toString().trimmed();
        shown[SDirection] << r.value(RDirection, i);
        shown[SNumber] << shownNumber(number);
        shown[SDate] << r.value(RDate, i);
        shown[SSubject] << protocol::scope::shownSubject(v, r.value(RSubject, i).toString(),
                                                         r.value(RPrivacy, i).toString(),
                                                         QLatin1String(protocol::scope::kDeadlineMask));
        shown[SName] << r.value(RName, i);
        shown[SDue] << r.value(RDue, i);
        shown[SOfficeName] << r.value(ROfficeName, i);
        shown[SKey] << number;
        shown[SOffice] << r.value(ROffice, i);
        shown[SPrivacy] << r.value(RPrivacy, i);
    }
    list_->setRows(shown);
}

void CloseCaseWindow::chosen(int row)
{
    if (!dirty()->confirmDiscard(caption_))
        return;
    CloseCaseForm p;
    p.direction = list_->text(row, SDirection).trimmed();
    p.number = list_->text(row, SKey).trimmed();
    p.protocolDate = storedDate(list_->value(row, SDate));
    showProtocol(p, list_->text(row, SSubject), list_->text(row, SOffice).trimmed());
}

void CloseCaseWindow::setProtocol(const QString &direction, const QString &number)
{
    const QString key = storedNumber(number);
    if (list_) {
        // Chosen when it is one of the office's open cases; the list stays
        // as it is otherwise.
        for (int row = 0; row < list_->count(); ++row)
            if (list_->text(row, SKey).trimmed() == key && list_->text(row, SDirection).trimmed() == direction) {
                list_->select(SKey, key);
                chosen(row);
                return;
            }
        return;
    }
    if (!dirty()->confirmDiscard(caption_))
        return;
    const protocol::Viewer v = protocol::Viewer::fromSession();
    bool failed = false;
    const auto row = F::loadRow(kDb, protocolToCloseQuery(v.ente, direction, key), &failed);
    if (!row) {
        if (!failed)
            showBox(caption_, QStringLiteral("il numero di protocollo inserito non esiste in archivio"), Icon::Warning);
        return;
    }
    CloseCaseForm p;
    p.direction = direction;
    p.number = key;
    p.protocolDate = storedDate(row->value(0));
    showProtocol(p,
         protocol::scope::shownSubject(v, row->value(1).toString(), row->value(2).toString(),
                                       QLatin1String(protocol::scope::kDeadlineMask)),
         v.office);
    closedList_->setRows({});
    const F::LoadedRows closed = F::loadRows(kDb, closedByNoteQuery(v.ente, key));
    F::Columns shown(4);
    for (int i = 0; closed.ok && i < closed.rowCount(); ++i) {
        shown[0] << closed.value(0, i);
        shown[1] << shownNumber(closed.value(1, i).toString().trimmed());
        shown[2] << closed.value(2, i);
        shown[3] << closed.value(3, i).toString().simplified();
    }
    closedList_->setRows(shown);
}

void CloseCaseWindow::showProtocol(const CloseCaseForm &protocol, const QString &subject, const QString &office)
{
    clearForm();
    form_ = protocol;
    office_ = office;
    direction_->setText(protocol.direction);
    number_->setText(shownNumber(protocol.number));
    date_->setText(protocol.protocolDate.toString(QStringLiteral("dd/MM/yyyy")));
    subject_->setText(subject);
    subject_->setCursorPosition(0);
    closingDate_->setDate(QDate::currentDate());
    findChild<QWidget *>(QStringLiteral("FraNota"))->setEnabled(true);
    setToolbarKeys(QStringLiteral("ESCI;REGISTRA;ANNULLA"));
    dirty()->setClean();
    noteDirection_->setFocus();
}

void CloseCaseWindow::clearForm()
{
    form_ = {};
    office_.clear();
    for (QLineEdit *e : {direction_, number_, date_, subject_, noteDirection_, noteYear_, noteNumber_,
                         static_cast<QLineEdit *>(closingDate_), notes_})
        e->clear();
    findChild<QWidget *>(QStringLiteral("FraNota"))->setEnabled(false);
    setToolbarKeys(QStringLiteral("ESCI"));
    dirty()->setClean();
}

CloseCaseForm CloseCaseWindow::typed() const
{
    CloseCaseForm f = form_;
    f.closingDate = closingDate_->text();
    f.noteDirection = noteDirection_->text();
    f.noteYear = noteYear_->text();
    f.noteNumber = noteNumber_->text();
    f.notes = notes_->text();
    return f;
}

bool CloseCaseWindow::closeCase()
{
    if (form_.number.isEmpty())
        return false;
    const CloseCaseForm f = typed();
    const QString ente = DicAmbiente::session().op.ente;
    const auto noteDate = [&](const QString &direction, const QString &number) -> std::optional<QDate> {
        const auto row = F::Caricadati(kDb, noteDateQuery(ente, direction, number));
        if (!row)
            return std::nullopt;
        return storedDate(row->value(0));
    };
    if (const auto failure = closeCaseFailure(
            variant_ == Variant::List ? CloseCaseVariant::List : CloseCaseVariant::One, f, QDate::currentDate(),
            noteDate)) {
        showBox(caption_, failure->message, Icon::Warning);
        if (auto *w = findChild<QWidget *>(QLatin1String(failure->field)))
            w->setFocus();
        return false;
    }
    const emergency::CallOutcome out = emergency::callProtocolServer(
        kOpEvadiPratica,
        closeCaseWriteRequest(ente, f, office_, DicAmbiente::session().op.code, QDate::currentDate()),
        QStringLiteral("OLE - Protocollo Documenti"),
        QStringLiteral("ATTENDERE ... Registrazione Archiviazione in corso ..."));
    if (!out.ok()) {
        emergency::reportFailure(out, caption_, QStringLiteral("Server Ole, Errore in Archiviazione Protocollo "),
                                 QStringLiteral("REGISTRA"));
        return false;
    }
    showBox(caption_, QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!"), Icon::Information);
    clearForm();
    reload();
    return true;
}

void CloseCaseWindow::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI")) {
        closeWindow();
    } else if (key == QLatin1String("REGISTRA")) {
        closeCase();
    } else if (key == QLatin1String("ANNULLA")) {
        if (dirty()->confirmDiscard(caption_))
            clearForm();
    }
}

} // namespace nimbo::classification
