#include "search/FrmRicercaProt.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include "data/Dialect.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "protocol/ProtocolRules.h"
#include "search/ProtocolDetail.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/ProtocolNumber.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {
namespace {

const QString kTitle = QStringLiteral("Ricerca Protocollo");
const QString kDocumentsRefused =
    QStringLiteral("Documento riservato. L'utente non ha le abilitazioni necessarie per consultarlo.");
const QString kHeading = QStringLiteral("Provvedimenti collegati al protocollo N. ");
// Columns of the found list past its titles.
constexpr int kFoundNumber = 6;
// Columns of the acts list.
constexpr int kActNumber = 1;
constexpr int kActDate = 2;
constexpr int kActType = 4;

// A code field of `chars` characters and its description, on a row of the group.
QLineEdit *codeRow(ui::FormGroup *group, const QString &caption, const char *code, const char *description,
                   int chars, ui::DescriptionLabel **shown)
{
    auto *field = new QLineEdit(group);
    field->setObjectName(QLatin1String(code));
    ui::makeCodeField(field, chars, true);
    *shown = new ui::DescriptionLabel(group);
    (*shown)->setObjectName(QLatin1String(description));
    group->addCodeRow(caption, field, *shown);
    return field;
}

QComboBox *comparison(QWidget *parent, const char *name)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(QLatin1String(name));
    c->addItems({QStringLiteral(">="), QStringLiteral("<=")});
    return c;
}

ui::CodeLookup::Finder protocolFinder(protocol::CodeField field, std::function<QString()> department = {})
{
    return [field, department = std::move(department)](const QString &typed, bool byDescription) {
        protocol::LookupScope scope;
        scope.ente = protocol::Viewer::fromSession().ente;
        scope.department = department ? department() : QString();
        // A search looks for old protocols too: closed departments and offices count.
        scope.leaveOutClosed = false;
        QVector<ui::Match> out;
        for (const auto &row : protocol::lookup(field, typed, scope, byDescription))
            out.append({row.code, row.description, QString()});
        return out;
    };
}

// Operators of the body by code, or by the beginning of their surname.
QVector<ui::Match> findOperators(const QString &typed, bool byDescription)
{
    const QString t = typed.trimmed();
    const QString name = QStringLiteral("COALESCE(Op_Cognome, '') || ' ' || COALESCE(Op_Nome, '')");
    QString sql = QStringLiteral("SELECT Op_Codice_Operatore, ") + name
                  + QStringLiteral(" FROM Tab_Operatori WHERE Op_Ente = ")
                  + ui::sqlText(protocol::Viewer::fromSession().ente) + QStringLiteral(" AND ");
    sql += byDescription ? Dialect::likeNoCase(Dialect::centralTarget().engine, name, ui::sqlText(t + QLatin1Char('%')))
                         : QStringLiteral("UPPER(Op_Codice_Operatore) = ") + ui::sqlText(t.toUpper());
    const F::LoadedRows rows = F::loadRows(QStringLiteral("PROTOCOLLO"), sql + QStringLiteral(" ORDER BY 2"));
    QVector<ui::Match> out;
    for (int i = 0; rows.ok && i < rows.rowCount(); ++i)
        out.append({rows.value(0, i).toString().trimmed(), rows.value(1, i).toString().trimmed(), QString()});
    return out;
}

} // namespace

FrmRicercaProt::FrmRicercaProt(QWidget *parent) : RecordEditor(parent), viewer_(protocol::Viewer::fromSession())
{
    setObjectName(QStringLiteral("FrmRicercaProt"));
    setWindowTitle(kTitle);
    setTable(QStringLiteral("Tab_DocumentiCollegati"));
    setContext(QStringLiteral("Tab_Ente"), viewer_.ente);
    setContext(QStringLiteral("Tab_NumeroProtocollo"), QString());
    setDeletable(true);
    setDeleteQuestion(QString::fromUtf8(kActDeleteQuestion));
    setLoadFailure(QStringLiteral("Atto collegato non trovato in archivio."));
    pick_ = new ui::PickList(this);

    pages_ = new QStackedWidget(this);
    pages_->setObjectName(QStringLiteral("Pagine"));
    auto *find = new QWidget(pages_);
    auto *findLayout = new QVBoxLayout(find);
    findLayout->setContentsMargins(0, 0, 0, 0);
    findLayout->addWidget(buildCriteria());
    protocols_ = new ui::RowList(QStringLiteral("LwProtocolli"), find);
    protocols_->setColumns(QStringLiteral("Tipo;Numero;Data Protocollo;Data Ricezione;Oggetto;Atti Collegati"),
                           QStringLiteral("4;12;10;10;60;8"));
    protocols_->setFitToWidth(true);
    findLayout->addWidget(protocols_, 1);
    connect(protocols_, &ui::RowList::chosen, this, [this](int row) { openProtocol(row); });
    pages_->addWidget(find);
    pages_->addWidget(buildActs());

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(8, 8, 8, 8);
    outer->addWidget(pages_);
    applyLevel();
    enteredMode(Mode::Browse);
}

QWidget *FrmRicercaProt::buildCriteria()
{
    auto *box = new QWidget(this);
    auto *row = new QHBoxLayout(box);
    row->setContentsMargins(0, 0, 0, 0);

    auto *what = new ui::FormGroup(QStringLiteral("Protocollo"), box);
    incoming_ = new QRadioButton(QStringLiteral("Entrata"), what);
    incoming_->setObjectName(QStringLiteral("OptTipoProtocolloE"));
    incoming_->setChecked(true);
    outgoing_ = new QRadioButton(QStringLiteral("Uscita"), what);
    outgoing_->setObjectName(QStringLiteral("OptTipoProtocolloU"));
    what->addRow(QStringLiteral("Tipo"), {incoming_, outgoing_, ui::Cell(new QWidget(what), 1)});
    protocolOp_ = comparison(what, "CmbOperatoreProtocollo");
    protocolDate_ = new ui::DateField(what);
    protocolDate_->setObjectName(QStringLiteral("DataProtocollo"));
    receiptOp_ = comparison(what, "CmbOperatoreRicezione");
    receiptDate_ = new ui::DateField(what);
    receiptDate_->setObjectName(QStringLiteral("DataRicezione"));
    // The caption names the date; the comparison before it reads with it.
    what->addRow(ui::caption(QStringLiteral("Data Protocollo"), what, protocolDate_), {protocolOp_, protocolDate_});
    what->addRow(ui::caption(QStringLiteral("Data Ricezione"), what, receiptDate_), {receiptOp_, receiptDate_});
    ui::DescriptionLabel *correspondentName = nullptr;
    correspondent_ =
        codeRow(what, QStringLiteral("Mittente/Destinatario"), "CodiceMitDest", "LblCodiceMitDest", 9,
                &correspondentName);
    ui::DescriptionLabel *docTypeName = nullptr;
    docType_ = codeRow(what, QStringLiteral("Tipo Documento"), "CodTipoDoc", "LblCodTipoDoc", 7, &docTypeName);
    subject_ = new QLineEdit(what);
    subject_->setObjectName(QStringLiteral("Oggetto"));
    subject_->setMaxLength(255);
    what->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});

    auto *where = new ui::FormGroup(QStringLiteral("Registrazione"), box);
    ui::DescriptionLabel *departmentName = nullptr;
    department_ = codeRow(where, QStringLiteral("Dipartimento"), "CodSedeRic", "LblCodSedeRic", 5, &departmentName);
    ui::DescriptionLabel *officeName = nullptr;
    office_ = codeRow(where, QStringLiteral("Ufficio"), "CodUfficio", "LblCodUfficio", 5, &officeName);
    ui::DescriptionLabel *operatorName = nullptr;
    operator_ = codeRow(where, QStringLiteral("Operatore"), "CodOperatore", "LblCodOperatore", 10, &operatorName);

    new ui::CodeLookup(correspondent_, correspondentName, pick_, protocolFinder(protocol::CodeField::Correspondent),
                       this);
    new ui::CodeLookup(docType_, docTypeName, pick_, protocolFinder(protocol::CodeField::DocType), this);
    new ui::CodeLookup(department_, departmentName, pick_, protocolFinder(protocol::CodeField::Department), this);
    new ui::CodeLookup(office_, officeName, pick_,
                       protocolFinder(protocol::CodeField::Office, [this] { return department_->text().trimmed(); }),
                       this);
    new ui::CodeLookup(operator_, operatorName, pick_, &findOperators, this);

    row->addWidget(what, 1);
    row->addWidget(where, 1, Qt::AlignTop);
    return box;
}

QWidget *FrmRicercaProt::buildActs()
{
    auto *page = new QWidget(pages_);
    auto *v = new QVBoxLayout(page);
    v->setContentsMargins(0, 0, 0, 0);
    heading_ = new QLabel(page);
    heading_->setObjectName(QStringLiteral("LblTitoloAtti"));
    QFont f = heading_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.15);
    heading_->setFont(f);
    v->addWidget(heading_);
    tabs_ = new QTabWidget(page);
    tabs_->setObjectName(QStringLiteral("TabProtocollo"));
    v->addWidget(tabs_, 1);

    auto *actsPage = new QWidget(tabs_);
    auto *a = new QVBoxLayout(actsPage);
    acts_ = new ui::RowList(QStringLiteral("LwAtti"), actsPage);
    acts_->setColumns(QStringLiteral("Tipo Provvedimento;Numero;Data;Oggetto"), QStringLiteral("24;14;10;60"));
    acts_->setFitToWidth(true);
    a->addWidget(acts_, 1);

    auto *act = new ui::FormGroup(QStringLiteral("Provvedimento"), actsPage);
    ui::DescriptionLabel *typeName = nullptr;
    actType_ = codeRow(act, QStringLiteral("Tipo Provvedimento"), "TxtTipoAtto", "LblTipoAtto", 7, &typeName);
    auto *number = new QLineEdit(act);
    number->setObjectName(QStringLiteral("TxtNumeroAtto"));
    number->setMinimumWidth(ui::fieldWidth(number, 20));
    auto *date = new ui::DateField(act);
    date->setObjectName(QStringLiteral("TxtDataAtto"));
    act->addRow(QStringLiteral("Numero"), {number, QStringLiteral("Data"), date, ui::Cell(new QWidget(act), 1)});
    auto *subject = new QLineEdit(act);
    subject->setObjectName(QStringLiteral("TxtOggettoAtto"));
    act->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject, 1)});
    ui::DescriptionLabel *departmentName = nullptr;
    actDepartment_ = codeRow(act, QStringLiteral("Dipartimento Proprietario"), "TxtDipartimentoProprietario",
                             "LblDipartimentoProprietario", 5, &departmentName);
    ui::DescriptionLabel *officeName = nullptr;
    actOffice_ = codeRow(act, QStringLiteral("Ufficio Proprietario"), "TxtUfficioProprietario",
                         "LblUfficioProprietario", 5, &officeName);
    auto *notes = new QLineEdit(act);
    notes->setObjectName(QStringLiteral("TxtNoteAtto"));
    act->addRow(QStringLiteral("Note"), {ui::Cell(notes, 1)});
    a->addWidget(act);

    // The acts are kept by the record editor this window is; its keys are
    // pressed here, the toolbar being the search's.
    struct Key {
        QPushButton **button;
        const char *name, *text, *key;
    };
    auto *buttons = new QHBoxLayout;
    for (const Key &k : {Key{&new_, "CmdNuovo", "Nuovo", "NUOVO"}, Key{&save_, "CmdRegistra", "Registra", "REGISTRA"},
                         Key{&cancel_, "CmdAnnulla", "Annulla", "ANNULLA"},
                         Key{&delete_, "CmdCancella", "Cancella", "CANCELLA"}}) {
        *k.button = new QPushButton(QString::fromLatin1(k.text), actsPage);
        (*k.button)->setObjectName(QLatin1String(k.name));
        buttons->addWidget(*k.button);
        const QString key = QString::fromLatin1(k.key);
        connect(*k.button, &QPushButton::clicked, this, [this, key] { RecordEditor::ELABORATBAR(key); });
    }
    buttons->addStretch(1);
    a->addLayout(buttons);
    tabs_->addTab(actsPage, QStringLiteral("Provvedimenti collegati"));

    detail_ = new ProtocolDetail(kDocumentsRefused, QStringLiteral("FRMRICERCAPROT"), tabs_);
    tabs_->addTab(detail_, QStringLiteral("Dettaglio del protocollo"));

    // The owning office is chosen among the open offices of the owning department.
    const auto ente = [this] { return viewer_.ente; };
    new ui::CodeLookup(actType_, typeName, pick_, protocolFinder(protocol::CodeField::DocType), this);
    new ui::CodeLookup(actDepartment_, departmentName, pick_, organisation::departmentFinder(ente), this);
    new ui::CodeLookup(actOffice_, officeName, pick_,
                       organisation::officeFinder(ente, [this] { return actDepartment_->text().trimmed(); }), this);

    // Type, number and date select the act; they stay editable in a change
    // (a mistyped number is corrected), so the editor does not lock them.
    bind(QStringLiteral("Tab_TipoDocumento"), actType_);
    bind(QStringLiteral("Tab_NumeroDocumento"), number);
    bind(QStringLiteral("Tab_DataDocumento"), date, Kind::Date);
    bind(QStringLiteral("Tab_Oggetto"), subject);
    bind(QStringLiteral("Tab_DipartProprietario"), actDepartment_);
    bind(QStringLiteral("Tab_UfficioProprietario"), actOffice_);
    bind(QStringLiteral("Tab_Note"), notes);
    setList(acts_, [this] { return actsListQuery(viewer_.ente, number_); },
            {{QStringLiteral("Tab_TipoDocumento"), kActType},
             {QStringLiteral("Tab_NumeroDocumento"), kActNumber},
             {QStringLiteral("Tab_DataDocumento"), kActDate}});
    setLoad([this](const ui::Record &k) { return actLoadQuery(viewer_.ente, number_, actKeyOf(k)); },
            {QStringLiteral("Tab_TipoDocumento"), QStringLiteral("Tab_NumeroDocumento"),
             QStringLiteral("Tab_DataDocumento"), QStringLiteral("Tab_Oggetto"), QStringLiteral("Tab_DipartProprietario"),
             QStringLiteral("Tab_UfficioProprietario"), QStringLiteral("Tab_Note")});
    setDetail(act);
    return page;
}

// Criteria the level does not let the operator choose show his own values.
void FrmRicercaProt::applyLevel()
{
    const auto fix = [this](QLineEdit *field, bool chooses, const QString &own) {
        if (chooses)
            return;
        field->setText(own);
        ui::setReadOnly(field);
        // The description follows the code as when the field is left.
        for (ui::CodeLookup *l : findChildren<ui::CodeLookup *>())
            if (l->code() == field)
                l->refresh();
    };
    fix(department_, choosesDepartment(viewer_), viewer_.department);
    fix(office_, choosesOffice(viewer_), viewer_.office);
    fix(operator_, choosesOperator(viewer_), viewer_.operatorCode);
}

ActsCriteria FrmRicercaProt::criteria() const
{
    ActsCriteria c;
    c.direction = outgoing_->isChecked() ? QStringLiteral("U") : QStringLiteral("E");
    c.protocolDate = protocolDate_->date();
    c.protocolDateOperator = protocolOp_->currentText();
    c.receiptDate = receiptDate_->date();
    c.receiptDateOperator = receiptOp_->currentText();
    c.correspondent = correspondent_->text().trimmed();
    c.docType = docType_->text().trimmed();
    c.operatorCode = operator_->text().trimmed();
    c.subject = subject_->text().trimmed();
    c.department = department_->text().trimmed();
    c.office = office_->text().trimmed();
    return c;
}

bool FrmRicercaProt::search()
{
    const ActsCriteria c = criteria();
    if (const auto problem = checkActsCriteria(c)) {
        showBox(kTitle, problem->message, Icon::Warning);
        if (auto *w = findChild<QWidget *>(problem->control))
            w->setFocus();
        return false;
    }
    lastSearch_ = actsSearchQuery(c, viewer_);
    return protocols_->load(lastSearch_);
}

bool FrmRicercaProt::openProtocol(int row)
{
    if (row < 0 || row >= protocols_->count())
        return false;
    const QString direction = protocols_->text(row, 0).trimmed();
    const QString number = protocols_->text(row, kFoundNumber).trimmed();
    if (!changeContext({{QStringLiteral("Tab_NumeroProtocollo"), number}}))
        return false;
    // The detail tells the operator why a protocol cannot be read.
    if (!detail_->load(direction, number, viewer_))
        return false;
    number_ = number;
    direction_ = direction;
    heading_->setText(kHeading + shownNumber(number));
    reloadList();
    tabs_->setCurrentIndex(0);
    pages_->setCurrentIndex(1);
    enteredMode(editMode());
    setToolbarKeys(toolbarFor(editMode()));
    return true;
}

bool FrmRicercaProt::closeProtocol()
{
    if (number_.isEmpty())
        return true;
    if (!changeContext({{QStringLiteral("Tab_NumeroProtocollo"), QString()}}))
        return false;
    number_.clear();
    direction_.clear();
    acts_->clear();
    pages_->setCurrentIndex(0);
    // The found list shows again whether acts are linked.
    if (actsChanged_ && !lastSearch_.isEmpty())
        protocols_->load(lastSearch_);
    actsChanged_ = false;
    enteredMode(editMode());
    setToolbarKeys(toolbarFor(editMode()));
    return true;
}

void FrmRicercaProt::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("CERCA") && number_.isEmpty())
        search();
    else if (key == QLatin1String("ANNULLA"))
        closeProtocol();
}

QString FrmRicercaProt::toolbarFor(Mode) const
{
    return number_.isEmpty() ? QStringLiteral("ESCI;CERCA") : QStringLiteral("ESCI;ANNULLA");
}

void FrmRicercaProt::enteredMode(Mode mode)
{
    // Acts are recorded against incoming protocols only.
    new_->setEnabled(mode == Mode::Browse && !number_.isEmpty() && direction_ == kActsDirection);
    save_->setEnabled(mode != Mode::Browse);
    cancel_->setEnabled(mode != Mode::Browse);
    delete_->setEnabled(mode == Mode::Edit);
    if (mode != Mode::Edit)
        for (ui::CodeLookup *l : findChildren<ui::CodeLookup *>())
            if (l->code() == actType_ || l->code() == actDepartment_ || l->code() == actOffice_)
                l->set(l->code()->text(), QString());
    if (mode == Mode::New)
        actType_->setFocus();
}

void FrmRicercaProt::loaded(const ui::Record &)
{
    for (ui::CodeLookup *l : findChildren<ui::CodeLookup *>())
        if (l->code() == actType_ || l->code() == actDepartment_ || l->code() == actOffice_)
            l->refresh();
}

QDate FrmRicercaProt::today() const
{
    // The server's clock dates the register; this workstation's is the fallback.
    const QDateTime now = F::serverTime();
    return now.isValid() ? now.date() : QDate::currentDate();
}

ui::CheckList FrmRicercaProt::checks(bool isNew) const
{
    return actChecks(viewer_.ente, number_, isNew ? std::nullopt : std::optional<ActKey>(actKeyOf(key())), today());
}

bool FrmRicercaProt::writeRecord(const ui::Record &record, bool isNew)
{
    const auto old = isNew ? std::nullopt : std::optional<ActKey>(actKeyOf(key()));
    if (F::Update_Tabella({actStatement(viewer_.ente, number_, record, old, viewer_.operatorCode, today())},
                          QStringLiteral("PROTOCOLLO")))
        return true;
    showBox(kTitle, QString::fromUtf8(kActSaveError), Icon::Critical);
    showBox(kTitle, QString::fromUtf8(kActNotSaved), Icon::Warning);
    return false;
}

QString FrmRicercaProt::writeCondition(const ui::Record &key) const
{
    return actCondition(viewer_.ente, number_, actKeyOf(key));
}

bool FrmRicercaProt::deleteRecord()
{
    if (F::Update_Tabella({{QStringLiteral("C"), table(), {}, writeCondition(key())}}, QStringLiteral("PROTOCOLLO")))
        return true;
    showBox(kTitle, QString::fromUtf8(kActDeleteError), Icon::Critical);
    showBox(kTitle, QString::fromUtf8(kActNotDeleted), Icon::Warning);
    return false;
}

void FrmRicercaProt::written(bool deleted)
{
    actsChanged_ = true;
    showBox(kTitle, QString::fromUtf8(deleted ? kActDeleted : kActSaved), Icon::Information);
}

} // namespace nimbo::search
