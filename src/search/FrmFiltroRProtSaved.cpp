// The searches an operator keeps under a name, in the general search window.

#include <QComboBox>
#include <QLineEdit>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "search/FrmFiltroRProt.h"
#include "search/FrmFiltroRProtRules.h"
#include "session/DicAmbiente.h"

namespace F = Funzioni_Com_1;

namespace nimbo::search {

namespace {

const QString kCaption = QStringLiteral("Ricerca Protocolli");
const QString kDb = QStringLiteral("PROTOCOLLO");

const DicAmbiente::Operator &op() { return DicAmbiente::session().op; }

} // namespace

void FrmFiltroRProt::reloadSaved(const QString &current)
{
    const QSignalBlocker quiet(saved_);
    saved_->clear();
    saved_->addItem(QString::fromLatin1(filter::kNone));
    const F::LoadedRows rows = F::loadRows(kDb, filter::savedNamesQuery(op().ente, op().code));
    for (int r = 0; r < rows.rowCount(); ++r)
        saved_->addItem(rows.value(0, r).toString());
    saved_->setCurrentIndex(qMax(0, saved_->findText(current)));
}

bool FrmFiltroRProt::saveSearch()
{
    const QString name = savedName_->text().trimmed();
    if (const QString problem = filter::nameProblem(name); !problem.isEmpty()) {
        showBox(kCaption, problem, Icon::Warning);
        savedName_->setFocus();
        return false;
    }
    const GeneralCriteria c = criteria();
    if (const auto problem = checkCriteria(c)) {
        showBox(kCaption, problem->message, Icon::Warning);
        focusControl(problem->control);
        return false;
    }
    bool failed = false;
    const bool exists = F::loadRow(kDb, filter::savedCriteriaQuery(op().ente, op().code, name), &failed).has_value();
    if (failed)
        return false;
    if (exists
        && showBox(kCaption,
                   QString::fromUtf8("Esiste già una ricerca salvata con il nome \"%1\". Sostituirla con i criteri "
                                     "impostati ?")
                       .arg(name),
                   Icon::Question, Buttons::YesNo)
               != Answer::Yes)
        return false;
    if (!F::Update_Tabella({filter::saveStatement(op().ente, op().code, name, filter::criteriaText(c), exists)}, kDb))
        return false;
    reloadSaved(name);
    showBox(kCaption, QStringLiteral("Ricerca salvata con il nome \"%1\".").arg(name));
    return true;
}

bool FrmFiltroRProt::runSaved()
{
    if (saved_->currentIndex() <= 0) {
        showBox(kCaption, QStringLiteral("Scegliere la ricerca salvata da eseguire"), Icon::Warning);
        saved_->setFocus();
        return false;
    }
    const QString name = saved_->currentText();
    bool failed = false;
    const auto row = F::loadRow(kDb, filter::savedCriteriaQuery(op().ente, op().code, name), &failed);
    if (failed)
        return false;
    if (!row) {
        showBox(kCaption, QString::fromUtf8("La ricerca \"%1\" non è più tra quelle salvate.").arg(name), Icon::Warning);
        reloadSaved();
        return false;
    }
    const auto c = filter::criteriaFromText(row->value(0).toString());
    if (!c) {
        showBox(kCaption, QString::fromUtf8("La ricerca \"%1\" non è leggibile: salvarla di nuovo.").arg(name),
                Icon::Warning);
        return false;
    }
    if (!applyCriteria(*c))
        showBox(kCaption,
                QString::fromUtf8("Il dipartimento o l'ufficio della ricerca \"%1\" non è più tra quelli consultabili: "
                                  "la ricerca è eseguita sui soli protocolli visibili all'utente.")
                    .arg(name));
    return search();
}

bool FrmFiltroRProt::removeSaved()
{
    if (saved_->currentIndex() <= 0) {
        showBox(kCaption, QStringLiteral("Scegliere la ricerca salvata da eliminare"), Icon::Warning);
        saved_->setFocus();
        return false;
    }
    const QString name = saved_->currentText();
    if (showBox(kCaption, QStringLiteral("Confermi l'eliminazione della ricerca salvata \"%1\" ?").arg(name),
                Icon::Question, Buttons::YesNo)
        != Answer::Yes)
        return false;
    if (!F::Update_Tabella({filter::removeStatement(op().ente, op().code, name)}, kDb))
        return false;
    reloadSaved();
    savedName_->clear();
    return true;
}

} // namespace nimbo::search
