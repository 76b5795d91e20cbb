#include "deadlines/AgendaWindow.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <memory>

#include "deadlines/ReminderRules.h"
#include "organisation/Pickers.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/CodeLookup.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::deadlines {
namespace {

using namespace agenda;
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kTitle = QStringLiteral("SCADENZARIO ATTIVITA'");

QString ente() { return DicAmbiente::session().op.ente; }
bool unitsCaption() { return DicAmbiente::session().parm.enteCodiceAsl.trimmed() == QLatin1String("104"); }

QLineEdit *codeField(QWidget *parent, const char *name, int chars)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QLatin1String(name));
    ui::makeCodeField(e, chars, true);
    return e;
}

// Whether a query finds a row; a read that failed counts as found, so that
// nothing is written on a guess (the loader has told the operator).
bool found(const QString &sql)
{
    bool failed = false;
    return F::loadRow(kDb, sql, &failed).has_value() || failed;
}

} // namespace

FrmScadenzario::FrmScadenzario(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmScadenzario"));
    setWindowTitle(kTitle);
    setBoxTitle(QStringLiteral("REGISTRAZIONE SCADENZARIO DEL PROTOCOLLO"));
    setTable(kTable);
    setContext(kEnte, ente());
    setDeletable(true);
    setDeleteQuestion(QStringLiteral("CONFERMI LA CANCELLAZIONE LOGICA DEL CODICE CORRENTE ?"));
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione Scadenza"));
    setLoadFailure(QStringLiteral("La scadenza non è più presente in archivio."));

    const QString officeCaption = unitsCaption() ? QStringLiteral("U. Operativa") : QStringLiteral("Ufficio ");
    list_ = new ui::RowList(QStringLiteral("LwScadenze"), this);
    list_->setColumns(QStringLiteral("Progressivo;Data Scadenza;Oggetto;Dipart.;") + officeCaption.trimmed(),
                      QStringLiteral("12;12;100;8;8"));
    list_->setFitToWidth(true);

    auto *detail = new ui::FormGroup(QStringLiteral(" Dettaglio Scadenza"), this);
    code_ = ui::readOnlyField(detail, "TxtCodice", 13);
    detail->addRow(QStringLiteral("Codice"), {code_});
    date_ = new ui::DateField(detail);
    date_->setObjectName(QStringLiteral("TxtData"));
    time_ = codeField(detail, "TxtOra", 5);
    time_->setPlaceholderText(QStringLiteral("hh.nn"));
    detail->addRow(QStringLiteral("Data"), {date_, QStringLiteral("Ora"), time_});
    pick_ = new ui::PickList(this);
    pick_->setObjectName(QStringLiteral("ListDecod"));
    department_ = codeField(detail, "TxtDipartimento", 6);
    auto *departmentName = new ui::DescriptionLabel(detail);
    departmentName->setObjectName(QStringLiteral("LblDipartimento"));
    detail->addCodeRow(QStringLiteral("Dipartimento"), department_, departmentName);
    office_ = codeField(detail, "TxtUfficio", 6);
    auto *officeName = new ui::DescriptionLabel(detail);
    officeName->setObjectName(QStringLiteral("LblUfficio"));
    detail->addCodeRow(officeCaption, office_, officeName);
    subject_ = new QLineEdit(detail);
    subject_->setObjectName(QStringLiteral("TxtOggetto"));
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    notes_ = new QPlainTextEdit(detail);
    notes_->setObjectName(QStringLiteral("TxtAnnotazioni"));
    notes_->setTabChangesFocus(true);
    notes_->setFixedHeight(notes_->fontMetrics().lineSpacing() * 4 + 12);
    detail->addRow(QStringLiteral("Annotazioni"), {ui::Cell(notes_, 1)});

    const auto ours = [] { return ente(); };
    departmentLookup_ = new ui::CodeLookup(department_, departmentName, pick_, organisation::departmentFinder(ours), this);
    officeLookup_ = new ui::CodeLookup(office_, officeName, pick_,
                                       organisation::officeFinder(ours, [this] { return department_->text().trimmed(); }),
                                       this);
    connect(department_, &QLineEdit::textEdited, this, [this] { officeLookup_->clear(); });

    export_ = new QPushButton(QStringLiteral("Esporta calendario"), this);
    export_->setObjectName(QStringLiteral("CmdEsportaCalendario"));
    connect(export_, &QPushButton::clicked, this, [this] { exportCalendar(); });

    bind(kProgressive, code_, Kind::Text, true);
    bind(kDate, date_, Kind::Date);
    bind(kTime, time_);
    bind(kDepartment, department_, Kind::Text, true);
    bind(kOffice, office_, Kind::Text, true);
    bind(kSubject, subject_);
    bind(kNotes, notes_);
    setList(list_, [this] { return listQuery(); }, {{kProgressive, 0}, {kDepartment, 3}, {kOffice, 4}});
    setLoad([](const ui::Record &k) {
        return QStringLiteral("SELECT Tab_DataOraRegistrazione, Tab_DataScadenza, Tab_OraScadenza, Tab_Dipartimento, "
                              "Tab_Ufficio, Tab_Oggetto, Tab_Annotazioni FROM Tab_Scadenzario WHERE Tab_Ente = ")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(k.value(kDepartment))
               + QStringLiteral(" AND Tab_Ufficio = ") + ui::sqlText(k.value(kOffice))
               + QStringLiteral(" AND Tab_DataOraRegistrazione = ") + ui::sqlText(k.value(kProgressive));
    },
            {kProgressive, kDate, kTime, kDepartment, kOffice, kSubject, kNotes});
    arrangeStacked(new QLabel(kTitle, this), list_, detail, {export_});
    setMinimumWidth(760);
    reloadList();
}

QString FrmScadenzario::listQuery(bool forCalendar) const
{
    QDate today = F::serverTime().date();
    if (!today.isValid())
        today = QDate::currentDate();
    return agendaListQuery(ente(), today, forCalendar);
}

ui::CheckList FrmScadenzario::checks(bool isNew) const
{
    const auto v = [](const ui::Record &r, const QString &c) { return r.value(c).trimmed(); };
    // The entry's own progressive, so that a change does not find itself.
    const QString changed = isNew ? QString() : key().value(kProgressive);
    auto sameTime = std::make_shared<QString>();
    ui::CheckList c{
        {kProgressive, [v](ui::Record &r) { return !v(r, kProgressive).isEmpty(); }, kNoProgressive},
        {kDepartment, [v](ui::Record &r) {
             return !v(r, kDepartment).isEmpty()
                    && found(QStringLiteral("SELECT Dipa_CodDipartimento FROM Tab_Dipartimenti WHERE Dipa_CodiceEnte = ")
                             + ui::sqlText(v(r, kEnte)) + QStringLiteral(" AND Dipa_CodDipartimento = ")
                             + ui::sqlText(v(r, kDepartment)));
         },
         kUnknownDepartment},
        {kOffice, [v](ui::Record &r) {
             return !v(r, kOffice).isEmpty()
                    && found(QStringLiteral("SELECT Tab_Ufficio FROM Tab_Uffici WHERE Tab_Ente = ") + ui::sqlText(v(r, kEnte))
                             + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(v(r, kDepartment))
                             + QStringLiteral(" AND Tab_Ufficio = ") + ui::sqlText(v(r, kOffice)));
         },
         kUnknownOffice},
        {kSubject, [v](ui::Record &r) { return !v(r, kSubject).isEmpty(); }, kNoSubject},
        {kDate, [v](ui::Record &r) { return QDate::fromString(v(r, kDate), QStringLiteral("dd/MM/yyyy")).isValid(); },
         kNoDate},
        {kTime, [v](ui::Record &r) { return agendaTimeValid(v(r, kTime)); }, kBadTime},
        {kDate, [v, changed, sameTime](ui::Record &r) {
             bool failed = false;
             const auto row = F::loadRow(
                 kDb,
                 agendaSameTimeQuery(v(r, kEnte), v(r, kDepartment), v(r, kOffice),
                                     QDate::fromString(v(r, kDate), QStringLiteral("dd/MM/yyyy")), v(r, kTime), changed),
                 &failed);
             *sameTime = row ? row->value(0).toString().trimmed() : QString();
             return !row && !failed;
         },
         QString(), [sameTime](const ui::Record &) { return sameTime->isEmpty() ? QString() : kDuplicate + *sameTime; }}};
    if (isNew) {
        // The key decides; this only says so before the write is tried. A
        // read that failed has been reported and claims nothing.
        auto unread = std::make_shared<bool>(false);
        c.append({kProgressive, [v, unread](ui::Record &r) {
                      const bool taken = F::loadRow(kDb, agendaKeyQuery(v(r, kEnte), v(r, kDepartment), v(r, kOffice),
                                                                       v(r, kProgressive)),
                                                    unread.get())
                                             .has_value();
                      return !taken && !*unread;
                  },
                  QString(), [v, unread](const ui::Record &r) {
                      return *unread ? QString() : agendaKeyTaken(v(r, kProgressive));
                  }});
    }
    return c;
}

void FrmScadenzario::addColumns(F::FieldList &fields, const ui::Record &, bool) const
{
    fields.append({QStringLiteral("Tab_CodOper"), DicAmbiente::session().op.code});
    fields.append({QStringLiteral("Tab_DatOper"), QDate::currentDate()});
}

bool FrmScadenzario::writeRecord(const ui::Record &record, bool isNew)
{
    if (RecordEditor::writeRecord(record, isNew))
        return true;
    // Another clerk of the office took the same progressive meanwhile: the
    // key refused the second entry, and the operator is told why.
    bool failed = false;
    if (isNew
        && F::loadRow(kDb, agendaKeyQuery(record.value(kEnte), record.value(kDepartment), record.value(kOffice),
                                          record.value(kProgressive)),
                      &failed))
        showBox(boxTitle(), agendaKeyTaken(record.value(kProgressive)), Icon::Warning);
    return false;
}

void FrmScadenzario::enteredMode(Mode mode)
{
    // The editor unlocks key fields for a new record; this one the server's clock fills.
    ui::setReadOnly(code_, true);
    if (mode == Mode::New) {
        departmentLookup_->clear();
        officeLookup_->clear();
        const QDateTime now = F::serverTime();
        setFieldText(kProgressive, now.isValid() ? agendaProgressive(now) : QString());
        // The operator's own office is the usual one.
        departmentLookup_->set(DicAmbiente::session().op.department, QString());
        departmentLookup_->refresh();
        officeLookup_->set(DicAmbiente::session().op.office, QString());
        officeLookup_->refresh();
        date_->setFocus();
    }
}

void FrmScadenzario::loaded(const ui::Record &)
{
    departmentLookup_->refresh();
    officeLookup_->refresh();
}

bool FrmScadenzario::exportCalendar()
{
    const F::LoadedRows rows = F::loadRows(kDb, listQuery(true));
    if (rows.failed())
        return false;
    if (rows.rowCount() == 0) {
        showBox(kTitle, QStringLiteral("Non vi sono scadenze da esportare."), Icon::Information);
        return false;
    }
    const QString path = dialogs().saveFileName(
        QStringLiteral("Esporta calendario"), QDir::home().filePath(QStringLiteral("Scadenzario attività.ics")),
        QStringLiteral("Calendario (*.ics)"));
    if (path.trimmed().isEmpty()) {
        showBox(kTitle, QStringLiteral("Per completare l'operazione è necessario specificare il nome del file"),
                Icon::Information);
        return false;
    }
    if (const QString why = writeCalendar(path, agendaEvents(rows, ente())); !why.isEmpty()) {
        showBox(kTitle, QStringLiteral("Errore nella generazione del calendario: ") + why, Icon::Critical);
        return false;
    }
    showBox(kTitle, QStringLiteral("Generazione del calendario completata."), Icon::Information);
    return true;
}

} // namespace nimbo::deadlines
