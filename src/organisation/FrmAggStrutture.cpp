#include "organisation/FrmAggStrutture.h"

#include <QLineEdit>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "organisation/StructureRules.h"
#include "platform/Busy.h"
#include "platform/Dialogs.h"
#include "ui/FormKit.h"
#include "ui/RowList.h"
#include "ui/RowModel.h"

namespace F = Funzioni_Com_1;

namespace nimbo::organisation {
namespace {

const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kFailed = QString::fromUtf8("Ripetere l'operazione. Si è verificato un errore nell'aggiornamento tabella "
                                          "Variazioni Anagrafica Strutture. ");

QString text(const F::LoadedRows &r, int column, int row) { return r.value(column, row).toString().trimmed(); }

} // namespace

FrmAggStrutture::FrmAggStrutture(QWidget *parent)
    : ChildWindow(parent), list_(new ui::RowList(QStringLiteral("LwStrutture"), this))
{
    setWindowTitle(QStringLiteral("Aggiornamento Anagrafica Strutture"));
    list_->model()->setCheckable(true);
    list_->setColumns(QStringLiteral("DIPARTIMENTO;UFFICIO;SERVIZIO;OPERAZIONE;DATA EFFETTO"),
                      QStringLiteral("30;30;22;14;12"));

    auto *group = new ui::FormGroup(QStringLiteral("Dettaglio variazione"), this);
    const auto add = [this, group](const char *name) {
        auto *e = new QLineEdit(group);
        e->setObjectName(QLatin1String(name));
        ui::setReadOnly(e);
        detail_.insert(QLatin1String(name), e);
        return e;
    };
    group->addRow(QStringLiteral("Dipartimento"), {ui::Cell(add("TxtDipartimento"), 1)});
    group->addRow(QStringLiteral("Ufficio"), {ui::Cell(add("TxtUfficio"), 1)});
    group->addRow(QStringLiteral("Servizio"), {ui::Cell(add("TxtServizio"), 1)});
    group->addRow(QStringLiteral("Operazione"), {add("TxtOperazione"), QStringLiteral("Tipo"), add("TxtLivello")});
    group->addRow(QStringLiteral("Data effetto"), {add("TxtDataEff"), QStringLiteral("Stato"), ui::Cell(add("TxtStato"), 1)});
    detail_.value(QStringLiteral("TxtDataEff"))->setFixedWidth(ui::fieldWidth(detail_.value(QStringLiteral("TxtDataEff")), 11));

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(8, 8, 8, 8);
    v->addWidget(list_, 1);
    v->addWidget(group);

    connect(list_, &ui::RowList::chosen, this, &FrmAggStrutture::showNotice);
    setToolbarKeys(QStringLiteral("ESCI;SELEZIONA TUTTI;DESELEZIONA TUTTI;REGISTRA"));
    reload();
}

void FrmAggStrutture::reload()
{
    clearDetail();
    const F::LoadedRows r = F::loadRows(kDb, noticesQuery());
    if (!r.ok) {
        list_->clear();
        return;
    }
    F::Columns shown(7);
    for (QVariantList &c : shown)
        c.reserve(r.rowCount());
    for (int i = 0; i < r.rowCount(); ++i) {
        shown[0].append(codeAndName(text(r, 1, i), text(r, 2, i)));
        shown[1].append(codeAndName(text(r, 3, i), text(r, 4, i)));
        shown[2].append(codeAndName(text(r, 5, i), text(r, 6, i)));
        shown[3].append(operationText(text(r, 7, i), false));
        shown[4].append(r.value(8, i));
        shown[kIdColumn].append(r.value(0, i));
        shown[kStateColumn].append(text(r, 9, i));
    }
    list_->setRows(shown);
    for (int i = 0; i < r.rowCount(); ++i)
        list_->model()->setChecked(i, text(r, 9, i) == QLatin1String("1"));
}

void FrmAggStrutture::showNotice(int row)
{
    clearDetail();
    const auto found = F::Caricadati(kDb, noticeQuery(list_->value(row, kIdColumn).toLongLong()));
    if (!found)
        return;
    const QVariantList &v = *found;
    const auto t = [&v](int i) { return v.value(i).toString().trimmed(); };
    const auto set = [this](const char *name, const QString &s) {
        QLineEdit *e = detail_.value(QLatin1String(name));
        e->setText(s);
        e->setCursorPosition(0);
    };
    set("TxtDipartimento", codeAndName(t(1), t(2)));
    set("TxtUfficio", codeAndName(t(3), t(4)));
    set("TxtServizio", codeAndName(t(5), t(6)));
    set("TxtOperazione", operationText(t(7), true));
    set("TxtDataEff", F::displayValue(v.value(8)).trimmed());
    set("TxtLivello", levelText(t(9)));
    set("TxtStato", stateText(t(10)));
}

void FrmAggStrutture::clearDetail()
{
    for (QLineEdit *e : std::as_const(detail_))
        e->clear();
}

bool FrmAggStrutture::registerTicks()
{
    const ui::RowModel *m = list_->model();
    if (m->rowCount() == 0)
        return false;
    busy::Guard wait;
    busy::setWaitText(QStringLiteral("aggiornamento in corso"));
    QVector<qlonglong> ids;
    for (int i = 0; i < m->rowCount(); ++i)
        ids.append(m->value(i, kIdColumn).toLongLong());

    // A notice applied since the list was read is left as it is: whoever
    // applied it owns it now.
    const F::LoadedRows applied = F::loadRows(kDb, appliedAmongQuery(ids));
    if (!applied.ok && !applied.noRows()) {
        busy::setWaitText(QString());
        showBox(windowTitle(), kFailed, Icon::Critical);
        return false;
    }
    QVector<qlonglong> skipped;
    for (int i = 0; i < applied.rowCount(); ++i)
        skipped.append(applied.value(0, i).toLongLong());
    QVector<qlonglong> write;
    QVector<bool> ticked;
    QStringList skippedLines;
    for (int i = 0; i < m->rowCount(); ++i) {
        if (skipped.contains(ids.at(i))) {
            QString line = QStringLiteral("   - ") + m->text(i, 3).toUpper() + QLatin1Char(' ') + m->text(i, 0);
            if (!m->text(i, 1).isEmpty())
                line += QLatin1Char(' ') + m->text(i, 1);
            skippedLines << line;
            continue;
        }
        write.append(ids.at(i));
        ticked.append(m->isChecked(i));
    }
    // One batch, one transaction: all the ticks or none. A notice that
    // turns "2" after the check above fails the batch instead of being
    // overwritten.
    const bool ok = write.isEmpty() || F::Update_Tabella(noticeWrites(write, ticked), kDb);
    busy::setWaitText(QString());
    if (!ok) {
        // The ticks stay on screen for another try.
        showBox(windowTitle(), kFailed, Icon::Critical);
        return false;
    }
    showBox(windowTitle(), QStringLiteral("Aggiornamento effettuato."), Icon::Information);
    if (!skippedLines.isEmpty())
        showBox(windowTitle(),
                QString::fromUtf8("Le seguenti variazioni sono state applicate nel frattempo e non sono state "
                                  "modificate:\n")
                    + skippedLines.join(QLatin1Char('\n')),
                Icon::Information);
    reload();
    return true;
}

void FrmAggStrutture::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
    else if (key == QLatin1String("SELEZIONA TUTTI"))
        list_->model()->setAllChecked(true);
    else if (key == QLatin1String("DESELEZIONA TUTTI"))
        list_->model()->setAllChecked(false);
    else if (key == QLatin1String("REGISTRA"))
        registerTicks();
}

} // namespace nimbo::organisation
