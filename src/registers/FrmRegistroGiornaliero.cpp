#include "registers/FrmRegistroGiornaliero.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "dailyregister/DailyRegister.h"
#include "data/ConnectionPool.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "session/GECentr.h"
#include "ui/DateField.h"
#include "ui/FormKit.h"

namespace nimbo::registers {

namespace {

const QString kTitle = QStringLiteral("Registro Giornaliero di Protocollo");

} // namespace

FrmRegistroGiornaliero::FrmRegistroGiornaliero(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("frmRegistroGiornaliero"));
    setWindowTitle(kTitle);
    auto *group = new ui::FormGroup(QStringLiteral("Registro del giorno"), this);
    day_ = new ui::DateField(group);
    day_->setObjectName(QStringLiteral("txtData"));
    day_->setDate(QDate::currentDate().addDays(-1));
    folder_ = new QLineEdit(group);
    folder_->setObjectName(QStringLiteral("txtCartella"));
    folder_->setText(QDir(DicAmbiente::session().programFolder).filePath(QStringLiteral("documenti/RegistroGiornaliero")));
    // Room for a whole path.
    folder_->setMinimumWidth(folder_->fontMetrics().averageCharWidth() * 70);
    group->addRow(QStringLiteral("Giorno"), {day_});
    group->addRow(QStringLiteral("Cartella"), {ui::Cell(folder_, 1)});
    outcome_ = new QLabel(this);
    outcome_->setObjectName(QStringLiteral("lblEsito"));
    outcome_->setWordWrap(true);
    outcome_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *make = new QPushButton(QStringLiteral("Produci"), this);
    make->setObjectName(QStringLiteral("CmdProduci"));
    auto *quit = new QPushButton(QStringLiteral("Esci"), this);
    quit->setObjectName(QStringLiteral("CmdEsci"));
    connect(make, &QPushButton::clicked, this, [this] { produce(); });
    connect(quit, &QPushButton::clicked, this, [this] { closeWindow(); });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(outcome_);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(make);
    buttons->addWidget(quit);
    layout->addLayout(buttons);
    layout->addStretch(1);
    setToolbarKeys(QStringLiteral("ESCI"));
}

bool FrmRegistroGiornaliero::produce()
{
    const QDate day = day_->date();
    if (!day.isValid()) {
        showBox(kTitle, QStringLiteral("ATTENZIONE! Inserire una data corretta."), Icon::Warning);
        day_->setFocus();
        return false;
    }
    // The day must be over: a register of a day still running would change.
    if (day >= QDate::currentDate()) {
        showBox(kTitle, QStringLiteral("ATTENZIONE! Il registro giornaliero si produce per un giorno già concluso."),
                Icon::Warning);
        day_->setFocus();
        return false;
    }
    const QString folder = folder_->text().trimmed();
    if (folder.isEmpty()) {
        showBox(kTitle, QStringLiteral("ATTENZIONE! Indicare la cartella in cui scrivere il registro."), Icon::Warning);
        folder_->setFocus();
        return false;
    }
    QString why;
    daily::Produced p;
    bool ok = false;
    {
        busy::Guard guard;
        busy::setWaitText(QStringLiteral("Attendere. Produzione del registro giornaliero in corso"));
        ConnectionPool::Connection *c = ConnectionPool::acquire(QStringLiteral("RegistroGiornaliero"),
                                                                Dialect::centralTarget(), &why);
        ok = c && daily::produce(c->db.sql(), DicAmbiente::session().op.ente, day, folder,
                                 DicAmbiente::session().op.code, QDateTime::currentDateTime(), &p, &why);
        busy::setWaitText(QString());
    }
    if (!ok) {
        GECentr::writeLog(why, QStringLiteral("produce"), objectName());
        showBox(kTitle, QStringLiteral("Errore nella produzione del registro giornaliero: ") + why, Icon::Critical);
        return false;
    }
    QString text = QStringLiteral("Registro giornaliero prodotto: %1\nProtocolli: %2 - annullamenti e modifiche: %3\n"
                                  "Impronta SHA-256: %4")
                       .arg(QDir::toNativeSeparators(p.pdf))
                       .arg(p.protocols)
                       .arg(p.changes)
                       .arg(p.digest);
    if (p.sameAsBefore)
        text += QStringLiteral("\nIl registro è identico a quello già prodotto per il giorno.");
    else if (p.changedSinceBefore)
        text += QStringLiteral("\nATTENZIONE! Il registro differisce da quello prodotto in precedenza per il giorno.");
    outcome_->setText(text);
    showBox(kTitle, text, p.changedSinceBefore ? Icon::Warning : Icon::Information);
    return true;
}

void FrmRegistroGiornaliero::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

} // namespace nimbo::registers
