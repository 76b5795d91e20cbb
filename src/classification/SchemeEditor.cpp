#include "classification/SchemeEditor.h"

#include <QCheckBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "classification/SchemeWrites.h"
#include "organisation/EditorParts.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace F = Funzioni_Com_1;

namespace nimbo::classification {
namespace {

const QString kCode = QStringLiteral("Tab_Codice");
const QString kDescription = QStringLiteral("Tab_Descrizione");
const QString kActive = QStringLiteral("Tab_Attivo");

QString fromUtf8(const char *text) { return QString::fromUtf8(text); }

} // namespace

SchemeEditor::SchemeEditor(SchemeLevel level, QWidget *parent) : RecordEditor(parent), level_(level)
{
    const SchemeLevelText &t = textOf(level);
    setObjectName(QLatin1String(t.window));
    setWindowTitle(fromUtf8(t.caption));
    setBoxTitle(fromUtf8(t.boxTitle));
    setTable(QLatin1String(t.table));
    setDeletable(true);
    setDeleteFailure(fromUtf8(t.deleteFailed));
    for (const QString &c : parentColumns(level))
        setContext(c, QString());
    // The titles are the body's own; the levels below come with their
    // parents from the window that opens them.
    setContext(QStringLiteral("Tab_Ente"), DicAmbiente::session().op.ente);

    auto *heading = new QLabel(fromUtf8(t.caption).toUpper(), this);
    heading->setObjectName(QStringLiteral("LblTitolo"));
    // The opener names the parents, whose descriptions may be long.
    heading->setWordWrap(true);

    auto *listBox = new QGroupBox(fromUtf8(t.listTitle), this);
    auto *listLayout = new QVBoxLayout(listBox);
    list_ = new ui::RowList(QLatin1String(level == SchemeLevel::Title      ? "LwTitoli"
                                          : level == SchemeLevel::Category ? "LwCategorie"
                                                                           : "LwClassi"),
                            listBox);
    list_->setColumns(QStringLiteral("CODICE;DESCRIZIONE;ATTIVO"), QStringLiteral("8;100;8"));
    list_->setFitToWidth(true);
    // Wide enough to read a description, not only its first words.
    list_->setMinimumWidth(620);
    listLayout->addWidget(list_);

    auto *detail = new ui::FormGroup(fromUtf8(t.detailTitle), this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    code_ = new QLineEdit(detail);
    code_->setObjectName(QStringLiteral("TxtCodCate"));
    description_ = new QLineEdit(detail);
    description_->setObjectName(QStringLiteral("TxtDesCate"));
    active_ = new QCheckBox(QStringLiteral("Attivo"), detail);
    active_->setObjectName(QStringLiteral("ChkAttivo"));
    bind(kCode, code_, Kind::Text, true);
    bind(kDescription, description_);
    // Stored as 1 or 0: written by writeRecord, shown by loaded().
    bind(kActive, active_, Kind::Transient);
    ui::makeCodeField(code_, lengthOf(kCode), true);
    detail->addRow(QStringLiteral("Codice"), {code_});
    detail->addRow(QStringLiteral("Descrizione"), {ui::Cell(description_, 1)});
    detail->addRow(QString(), {active_});

    setList(list_, [this] { return listQuery(level_, pathOf({})); }, {{kCode, 0}});
    setLoad([this](const ui::Record &key) { return loadQuery(level_, pathOf(key)); }, {kCode, kDescription, kActive});

    child_ = organisation::button(this, t.childButton, fromUtf8(t.childCaption));
    connect(child_, &QPushButton::clicked, this, &SchemeEditor::openChild);
    // Descriptions are long: the list takes the window's whole width.
    arrangeStacked(heading, listBox, detail, {child_});
    reloadList();
}

SchemePath SchemeEditor::pathOf(const ui::Record &record) const
{
    SchemePath p{context(QStringLiteral("Tab_Ente")), context(QStringLiteral("Tab_CodiceTitolo")),
                 context(QStringLiteral("Tab_CodiceCategoria")), {}};
    const QString own = record.value(kCode);
    switch (level_) {
    case SchemeLevel::Title: p.title = own; break;
    case SchemeLevel::Category: p.category = own; break;
    case SchemeLevel::Class: p.cls = own; break;
    }
    return p;
}

ui::CheckList SchemeEditor::checks(bool isNew) const
{
    const SchemeLevelText &t = textOf(level_);
    ui::CheckList out;
    if (isNew)
        out.append({kCode,
                     [this](ui::Record &r) {
                         // Not knowing is not "free": the key refuses a
                         // duplicate anyway, and says so when written.
                         bool failed = false;
                         return r.value(kCode).isEmpty()
                                || !F::loadRow(QStringLiteral("PROTOCOLLO"), existsQuery(level_, pathOf(r)), &failed);
                     },
                     fromUtf8(t.duplicate)});
    out.append({kCode, [](ui::Record &r) { return !r.value(kCode).isEmpty(); }, fromUtf8(t.emptyCode)});
    out.append({kDescription, [](ui::Record &r) { return !r.value(kDescription).isEmpty(); },
                fromUtf8(t.emptyDescription)});
    return out;
}

QVector<ui::UsageCheck> SchemeEditor::usageChecks(const ui::Record &) const
{
    return classification::usageChecks(level_, pathOf(key()));
}

void SchemeEditor::enteredMode(Mode mode)
{
    // A new element is active.
    if (mode == Mode::New)
        active_->setChecked(true);
}

void SchemeEditor::loaded(const ui::Record &record) { active_->setChecked(record.value(kActive) == QLatin1String("1")); }

bool SchemeEditor::writeRecord(const ui::Record &record, bool isNew)
{
    SchemeWrite w;
    w.level = level_;
    w.path = pathOf(isNew ? record : key());
    w.isNew = isNew;
    w.active = active_->isChecked();
    w.today = QDate::currentDate();
    w.writer = DicAmbiente::session().op.code;
    if (isNew) {
        for (const QString &c : parentColumns(level_))
            w.fields.append({c, context(c)});
        w.fields.append({kCode, record.value(kCode)});
    }
    w.fields.append({kDescription, record.value(kDescription)});
    w.fields.append({kActive, w.active ? 1 : 0});
    w.fields.append({QStringLiteral("Tab_CodOper"), w.writer});
    w.fields.append({QStringLiteral("Tab_DatOper"), w.today});
    const F::BuildResult b = writeSchemeElement(w);
    if (b.ok())
        return true;
    GECentr::writeLog(QStringLiteral("Errore nella registrazione su Tabella ") + QLatin1String(textOf(level_).table)
                          + QStringLiteral(": ") + b.errText,
                      QStringLiteral("REGISTRA"), objectName());
    showBox(boxTitle(), QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE"), Icon::Critical);
    return false;
}

void SchemeEditor::openChild()
{
    const SchemeLevelText &t = textOf(level_);
    const QString code = editMode() == Mode::Edit ? key().value(kCode) : QString();
    if (code.isEmpty()) {
        showBox(QStringLiteral("Nimbo"), fromUtf8(t.noneChosen), Icon::Warning);
        return;
    }
    const SchemePath p = pathOf(key());
    const QString named = code + QStringLiteral(" - ") + record().value(kDescription);
    switch (level_) {
    case SchemeLevel::Title:
        organisation::openEditorFor(QStringLiteral("FrmCategorie"),
                                    {{QStringLiteral("Tab_Ente"), p.ente}, {QStringLiteral("Tab_CodiceTitolo"), p.title}},
                                    fromUtf8(textOf(SchemeLevel::Category).caption),
                                    QStringLiteral("CATEGORIE DEL TITOLO ") + named);
        break;
    case SchemeLevel::Category:
        organisation::openEditorFor(QStringLiteral("frmClassi"),
                                    {{QStringLiteral("Tab_Ente"), p.ente},
                                     {QStringLiteral("Tab_CodiceTitolo"), p.title},
                                     {QStringLiteral("Tab_CodiceCategoria"), p.category}},
                                    fromUtf8(textOf(SchemeLevel::Class).caption),
                                    QStringLiteral("CLASSI DELLA CATEGORIA ") + p.title + QLatin1Char('.') + named);
        break;
    case SchemeLevel::Class:
        organisation::openEditorFor(QStringLiteral("frmFascicoli"),
                                    {{QStringLiteral("Tab_Ente"), p.ente},
                                     {QStringLiteral("Tab_Titolo"), p.title},
                                     {QStringLiteral("Tab_Categoria"), p.category},
                                     {QStringLiteral("Tab_Classe"), p.cls}},
                                    QStringLiteral("Anagrafiche fascicoli"),
                                    QStringLiteral("CLASSE ") + p.title + QLatin1Char('.') + p.category
                                        + QLatin1Char('.') + named);
        break;
    }
}

} // namespace nimbo::classification
