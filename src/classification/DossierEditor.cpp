#include "classification/DossierEditor.h"
#include "classification/DossierCall.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "emergency/ServerCall.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"

namespace nimbo::classification {
namespace {

const QString kCode = QStringLiteral("Tab_CodiceFascicolo");
const QString kDescription = QStringLiteral("Tab_Descrizione");
const QString kOpened = QStringLiteral("Tab_Apertura");
const QString kClosed = QStringLiteral("Tab_Chiusura");
const QString kCaption = QStringLiteral("Anagrafiche fascicoli");
const QString kDone = QStringLiteral("OPERAZIONE CONCLUSA CORRETTAMENTE!");
const QString kNotDone = QStringLiteral("OPERAZIONE NON ANDATA A BUON FINE");

} // namespace

DossierEditor::DossierEditor(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("frmFascicoli"));
    setWindowTitle(kCaption);
    setBoxTitle(kCaption);
    setTable(QStringLiteral("Tab_Fascicoli"));
    setDeletable(true);
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice fascicolo Corrente"));
    setContext(QStringLiteral("Tab_Ente"), DicAmbiente::session().op.ente);
    for (const char *c : {"Tab_Titolo", "Tab_Categoria", "Tab_Classe"})
        setContext(QLatin1String(c), QString());

    auto *heading = new QLabel(QStringLiteral("FASCICOLI"), this);
    heading->setObjectName(QStringLiteral("LblTitolo"));
    heading->setWordWrap(true);

    auto *listBox = new QGroupBox(kCaption, this);
    auto *listLayout = new QVBoxLayout(listBox);
    list_ = new ui::RowList(QStringLiteral("LwFascicoli"), listBox);
    list_->setColumns(QStringLiteral("CODICE;DESCRIZIONE;DATA APERTURA;DATA CHIUSURA"), QStringLiteral("8;70;12;12"));
    list_->setFitToWidth(true);
    list_->setMinimumWidth(620);
    listLayout->addWidget(list_);

    auto *detail = new ui::FormGroup(QStringLiteral("REGISTRAZIONE CODICI FASCICOLI"), this);
    detail->setObjectName(QStringLiteral("FraDettaglio"));
    code_ = ui::readOnlyField(detail, "TxtCodice", 6);
    description_ = new QLineEdit(detail);
    description_->setObjectName(QStringLiteral("TxtDescrizione"));
    opened_ = new ui::DateField(detail);
    opened_->setObjectName(QStringLiteral("TxtApertura"));
    closed_ = new ui::DateField(detail);
    closed_->setObjectName(QStringLiteral("TxtChiusura"));
    bind(kCode, code_, Kind::Number, true);
    bind(kDescription, description_);
    ui::makeCodeField(description_, lengthOf(kDescription), true);
    // As wide as the form, whatever the code-field rule gave it.
    description_->setMinimumWidth(0);
    description_->setMaximumWidth(QWIDGETSIZE_MAX);
    bind(kOpened, opened_, Kind::Date);
    bind(kClosed, closed_, Kind::Date);
    detail->addRow(QStringLiteral("Codice"), {code_});
    detail->addRow(QStringLiteral("Descrizione"), {ui::Cell(description_, 1)});
    detail->addRow(QStringLiteral("Data apertura"), {opened_, QStringLiteral("Data chiusura"), closed_});

    setList(list_, [this] { return dossierListQuery(dossierClass()); }, {{kCode, 0}});
    setLoad([this](const ui::Record &key) { return dossierLoadQuery(dossierClass(), codeOf(key)); },
            {kCode, kDescription, kOpened, kClosed});
    arrangeStacked(heading, listBox, detail);
    enteredMode(Mode::Browse);
    reloadList();
}

DossierClass DossierEditor::dossierClass() const
{
    return {context(QStringLiteral("Tab_Ente")), context(QStringLiteral("Tab_Titolo")),
            context(QStringLiteral("Tab_Categoria")), context(QStringLiteral("Tab_Classe"))};
}

qint64 DossierEditor::codeOf(const ui::Record &record) { return record.value(kCode).toLongLong(); }

void DossierEditor::ELABORATBAR(const QString &key)
{
    RecordEditor::ELABORATBAR(key);
    // The code is the server's: the clerk starts from the description.
    if (key == QLatin1String("NUOVO") && editMode() == Mode::New)
        description_->setFocus();
}

ui::CheckList DossierEditor::checks(bool) const { return dossierChecks(); }

QVector<ui::UsageCheck> DossierEditor::usageChecks(const ui::Record &) const
{
    return {{dossierUsedQuery(dossierClass(), codeOf(key())),
             QStringLiteral("Cancellazione del fascicolo non effettuabile. Il fascicolo  è già stato usato in fase di "
                            "registrazione di un protocollo")}};
}

void DossierEditor::enteredMode(Mode mode)
{
    ui::setReadOnly(code_, true);
    if (mode == Mode::New)
        opened_->setDate(QDate::currentDate());
}

void DossierEditor::loaded(const ui::Record &record)
{
    setFieldText(kCode, shownDossierCode(codeOf(record)));
}

void DossierEditor::written(bool deleted)
{
    // A new dossier is shown with the code the server gave it.
    const qint64 code = newCode_;
    newCode_ = -1;
    if (deleted || code < 0)
        return;
    if (openRecord({{kCode, QString::number(code)}}))
        list_->select(0, shownDossierCode(code));
}

QString DossierEditor::writeCondition(const ui::Record &key) const
{
    const DossierClass c = dossierClass();
    return dossierCondition(c.ente, c.title, c.category, c.cls, codeOf(key));
}

bool DossierEditor::writeRecord(const ui::Record &record, bool isNew)
{
    const QString shown = QStringLiteral("dd/MM/yyyy");
    const DossierData d{record.value(kDescription), QDate::fromString(record.value(kOpened), shown),
                        QDate::fromString(record.value(kClosed), shown)};
    const QVariantList request = dossierWriteRequest(dossierClass(), codeOf(key()), isNew, d,
                                                     DicAmbiente::session().op.code, QDate::currentDate());
    const emergency::CallOutcome out =
        writeDossier(request);
    if (out.ok()) {
        if (isNew)
            newCode_ = out.reply.value(2).toLongLong();
        showBox(kCaption, kDone, Icon::Information);
        return true;
    }
    reportDossierFailure(out, kCaption, QStringLiteral("REGISTRA"));
    showBox(kCaption, kNotDone, Icon::Critical);
    return false;
}

} // namespace nimbo::classification
