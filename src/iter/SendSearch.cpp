#include "iter/SendSearch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "data/Funzioni_Com_1.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

namespace {

// Letters typed into the correspondent box become capitals.
class UpperValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = input.toUpper();
        return Acceptable;
    }
};

} // namespace

SearchFields::SearchFields(const QString &periodCaption, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FraRicerca"));
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    auto *g = new ui::FormGroup(QStringLiteral("Parametri di ricerca"), this);
    optE_ = new QCheckBox(QStringLiteral("Entrata"), g);
    optE_->setObjectName(QStringLiteral("OptE"));
    optU_ = new QCheckBox(QStringLiteral("Uscita"), g);
    optU_->setObjectName(QStringLiteral("OptU"));
    from_ = new ui::DateField(g);
    from_->setObjectName(QStringLiteral("TxtI"));
    to_ = new ui::DateField(g);
    to_->setObjectName(QStringLiteral("TxtF"));
    subject_ = new QLineEdit(g);
    subject_->setObjectName(QStringLiteral("TxtOgg"));
    type_ = new QComboBox(g);
    type_->setObjectName(QStringLiteral("cmbTipoDoc"));
    type_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    type_->setMinimumContentsLength(24);
    correspondent_ = new QLineEdit(g);
    correspondent_->setObjectName(QStringLiteral("R_MitDest"));
    correspondent_->setValidator(new UpperValidator(correspondent_));
    year_ = new QLineEdit(g);
    year_->setObjectName(QStringLiteral("TxtAProto"));
    year_->setMaximumWidth(ui::fieldWidth(year_, 5));
    number_ = new QLineEdit(g);
    number_->setObjectName(QStringLiteral("TxtNumero"));
    number_->setMaximumWidth(ui::fieldWidth(number_, 8));
    search_ = new QPushButton(QStringLiteral("Visualizza"), g);
    search_->setObjectName(QStringLiteral("CmdVisualizza"));

    period_ = new QLabel(periodCaption, g);
    period_->setBuddy(from_);
    g->addRow(QStringLiteral("Protocolli"), {optE_, optU_, period_, from_, "al", to_, "Anno", year_, "Numero", number_});
    g->addRow(QStringLiteral("Oggetto"), {{subject_, 1}, "Tipo documento", type_});
    g->addRow(QStringLiteral("Mittente/Destinatario"), {{correspondent_, 1}, search_});
    h->addWidget(g);

    type_->addItem(QStringLiteral("Tutte le tipologie - AAA"), QStringLiteral("AAA"));
    const auto rows = F::loadRows(QStringLiteral("PROTOCOLLO"),
                                  QStringLiteral("SELECT Tab_Codice, Tab_Descrizione FROM Tab_TipoDocumento "
                                                 "ORDER BY Tab_Descrizione"));
    for (int r = 0; rows.ok && r < rows.rowCount(); ++r) {
        const QString code = rows.value(0, r).toString().trimmed();
        type_->addItem(rows.value(1, r).toString().trimmed() + QStringLiteral(" - ") + code, code);
    }
    connect(search_, &QPushButton::clicked, this, &SearchFields::search);
    resetDefaults();
}

void SearchFields::setPeriodCaption(const QString &caption) { period_->setText(caption); }

void SearchFields::resetDefaults()
{
    const protocol::Viewer v = protocol::Viewer::fromSession();
    optE_->setEnabled(protocol::maysee(v, QStringLiteral("E")));
    optU_->setEnabled(protocol::maysee(v, QStringLiteral("U")));
    optE_->setChecked(optE_->isEnabled());
    optU_->setChecked(optU_->isEnabled());
    const QDate today = QDate::currentDate();
    from_->setDate(today.addDays(-7));
    to_->setDate(today);
}

ListCriteria SearchFields::criteria() const
{
    ListCriteria c;
    c.incoming = optE_->isChecked();
    c.outgoing = optU_->isChecked();
    c.from = from_->text();
    c.to = to_->text();
    c.subject = subject_->text();
    c.docType = type_->currentData().toString();
    c.correspondent = correspondent_->text();
    c.year = year_->text();
    c.number = number_->text();
    return c;
}

} // namespace nimbo::iter
