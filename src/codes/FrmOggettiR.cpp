#include "codes/FrmOggettiR.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "session/DicAmbiente.h"
#include "ui/FormKit.h"
#include "ui/NothingFound.h"
#include "ui/RowList.h"

namespace nimbo::codes {
namespace {

const QString kEnte = QStringLiteral("Tab_Ente");
const QString kDip = QStringLiteral("Tab_Dipartimento");
const QString kEU = QStringLiteral("Tab_EU");
const QString kSubject = QStringLiteral("Tab_OggettoR");
const QString kId = QStringLiteral("Tab_progr");

void fillDirections(QComboBox *c, const QString &none)
{
    c->addItem(none, QString());
    c->addItem(QStringLiteral("E - Entrata"), QStringLiteral("E"));
    c->addItem(QStringLiteral("U - Uscita"), QStringLiteral("U"));
}

} // namespace

FrmOggettiR::FrmOggettiR(QWidget *parent) : RecordEditor(parent)
{
    setObjectName(QStringLiteral("FrmOggettiR"));
    setWindowTitle(QStringLiteral("Gestione Oggetti Ricorrenti"));
    setTable(QStringLiteral("Tab_OggettiRicorrenti"));
    const auto &op = DicAmbiente::session().op;
    setContext(kEnte, op.ente);
    setContext(kDip, op.department);
    setDeletable(true);
    setDeleteFailure(QStringLiteral("ATTENZIONE ! Errore in cancellazione Codice Titolo Corrente"));

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *find = new ui::FormGroup(QStringLiteral("Ricerca"), left);
    search_ = new QLineEdit(find);
    search_->setObjectName(QStringLiteral("TxtRicerca"));
    searchDirection_ = new QComboBox(find);
    searchDirection_->setObjectName(QStringLiteral("CboRicercaEU"));
    fillDirections(searchDirection_, QStringLiteral("Tutti"));
    auto *go = new QPushButton(QStringLiteral("Cerca"), find);
    go->setObjectName(QStringLiteral("CmdCerca"));
    find->addRow(QStringLiteral("Oggetto"), {ui::Cell(search_, 1)});
    find->addRow(QStringLiteral("Tipo"), {searchDirection_, go});
    leftLayout->addWidget(find);
    list_ = new ui::RowList(QStringLiteral("LwOggetti"), left);
    // Direction and number are kept with each row but only the subject shows.
    list_->setColumns(QStringLiteral("Oggetto"), QStringLiteral("120"));
    leftLayout->addWidget(list_, 1);
    // The clerk's search says when it found nothing.
    const auto search = [this] {
        if (list_->load(searchQuery()) && list_->count() == 0)
            ui::tellNothingFound(this, QStringLiteral("Nessun oggetto ricorrente trovato"));
    };
    connect(search_, &QLineEdit::returnPressed, this, search);
    connect(go, &QPushButton::clicked, this, search);
    connect(searchDirection_, &QComboBox::currentIndexChanged, this, &FrmOggettiR::reloadList);

    auto *detail = new ui::FormGroup(QStringLiteral("Oggetto ricorrente"), this);
    subject_ = new QLineEdit(detail);
    subject_->setObjectName(QStringLiteral("TxtOggetto"));
    direction_ = new QComboBox(detail);
    direction_->setObjectName(QStringLiteral("CboEU"));
    fillDirections(direction_, QString());
    id_ = new QLineEdit(detail);
    id_->setObjectName(QStringLiteral("TxtProgr"));
    id_->hide();
    detail->addRow(QStringLiteral("Oggetto"), {ui::Cell(subject_, 1)});
    detail->addRow(QStringLiteral("Tipo"), {direction_});

    // The number is the database's: it selects the row but is never written.
    bind(kId, id_, Kind::Transient, true);
    bind(kSubject, subject_);
    bind(kEU, direction_);
    setList(list_, [this] { return searchQuery(); }, {{kId, 2}});
    setLoad([](const ui::Record &k) {
        bool numeric = false;
        const qlonglong n = k.value(kId).toLongLong(&numeric);
        return QStringLiteral("SELECT Tab_progr, Tab_OggettoR, Tab_EU FROM Tab_OggettiRicorrenti WHERE Tab_Ente = ")
               + ui::sqlText(k.value(kEnte)) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(k.value(kDip))
               + QStringLiteral(" AND Tab_progr = ") + QString::number(numeric ? n : -1);
    },
            {kId, kSubject, kEU});
    arrange(new QLabel(QStringLiteral("GESTIONE OGGETTI RICORRENTI"), this), left, detail);
    reloadList();
}

QString FrmOggettiR::searchQuery() const
{
    QString sql = QStringLiteral("SELECT Tab_OggettoR, Tab_EU, Tab_progr FROM Tab_OggettiRicorrenti WHERE Tab_Ente = ")
                  + ui::sqlText(context(kEnte)) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(context(kDip));
    const QString text = search_->text().trimmed();
    if (!text.isEmpty())
        sql += QStringLiteral(" AND UPPER(Tab_OggettoR) LIKE ") + ui::sqlText(QLatin1Char('%') + text.toUpper() + QLatin1Char('%'));
    const QString eu = searchDirection_->currentData().toString();
    if (!eu.isEmpty())
        sql += QStringLiteral(" AND Tab_EU = ") + ui::sqlText(eu);
    return sql + QStringLiteral(" ORDER BY Tab_OggettoR");
}

ui::CheckList FrmOggettiR::checks(bool) const
{
    return {{kSubject, [](ui::Record &r) { return !r.value(kSubject).trimmed().isEmpty(); },
             QStringLiteral("Inserire l'oggetto da memorizzare")},
            {kEU, [](ui::Record &r) { return !r.value(kEU).trimmed().isEmpty(); },
             QStringLiteral("Specificare se l'oggetto è riferito a documenti in Entrata o in Uscita")}};
}

void FrmOggettiR::loaded(const ui::Record &record) { storedDirection_ = record.value(kEU); }

void FrmOggettiR::enteredMode(Mode mode)
{
    if (mode != Mode::Edit)
        storedDirection_.clear();
}

QString FrmOggettiR::writeCondition(const ui::Record &key) const
{
    // The row as it was read: a subject moved to the other direction is
    // still found by its old one.
    bool numeric = false;
    const qlonglong n = key.value(kId).toLongLong(&numeric);
    return QStringLiteral("Tab_EU = ") + ui::sqlText(storedDirection_) + QStringLiteral(" AND Tab_Ente = ")
           + ui::sqlText(key.value(kEnte)) + QStringLiteral(" AND Tab_Dipartimento = ") + ui::sqlText(key.value(kDip))
           + QStringLiteral(" AND Tab_progr = ") + QString::number(numeric ? n : -1);
}

} // namespace nimbo::codes
