#include "desk/FrmVaiProtocollo.h"

#include <QDate>
#include <QTimer>
#include <QVBoxLayout>

#include "data/Funzioni_Com_1.h"
#include "desk/FindRules.h"
#include "platform/Dialogs.h"
#include "search/ProtocolDetail.h"
#include "ui/ProtocolNumber.h"
#include "ui/WindowRegistry.h"

namespace nimbo::desk {

namespace F = Funzioni_Com_1;

namespace {
const QString kDb = QStringLiteral("PROTOCOLLO");
const QString kRefused =
    QStringLiteral("Documenti riservati. L'utente non ha le autorizzazioni necessarie per consultarli.");

// The visible protocols that match, as (direction, number); nullopt when
// the read failed (already reported).
std::optional<QVector<QPair<QString, QString>>> visible(const FindTarget &t)
{
    const F::LoadedRows rows = F::loadRows(kDb, findQuery(t, protocol::Viewer::fromSession()));
    if (rows.failed())
        return std::nullopt;
    QVector<QPair<QString, QString>> out;
    for (int r = 0; r < rows.rowCount(); ++r)
        out.append({rows.value(0, r).toString().trimmed(), rows.value(1, r).toString().trimmed()});
    return out;
}
} // namespace

FrmVaiProtocollo::FrmVaiProtocollo(QWidget *parent) : ChildWindow(parent)
{
    setObjectName(QStringLiteral("FrmVaiProtocollo"));
    setWindowTitle(kFindTitle);
    setToolbarKeys(QStringLiteral("ESCI"));
    detail_ = new search::ProtocolDetail(kRefused, QStringLiteral("FRMVAIPROTOCOLLO"), this);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(detail_);
}

bool FrmVaiProtocollo::setProtocol(const QString &direction, const QString &number)
{
    FindTarget t;
    t.direction = direction.trimmed().toUpper();
    t.number = storedNumber(number.trimmed());
    const auto found = t.number.size() == 11 ? visible(t) : QVector<QPair<QString, QString>>{};
    const bool shown = found && !found->isEmpty() && detail_->load(found->first().first, found->first().second,
                                                                   protocol::Viewer::fromSession());
    if (!shown) {
        if (found && found->isEmpty())
            showBox(kFindTitle, kNotFound, Icon::Warning);
        // Closed once the opener has returned.
        QTimer::singleShot(0, this, [this] { closeWindow(); });
        return false;
    }
    setWindowTitle(kFindTitle + QStringLiteral(" - Protocollo N. ") + shownNumber(detail_->number()));
    return true;
}

void FrmVaiProtocollo::ELABORATBAR(const QString &key)
{
    if (key == QLatin1String("ESCI"))
        closeWindow();
}

QSize FrmVaiProtocollo::sizeHint() const { return detail_->sizeHint(); }

QWidget *goToProtocol(const QString &typed)
{
    const auto target = parseTarget(typed, QDate::currentDate().year());
    if (!target) {
        showBox(kFindTitle, kBadInput, Icon::Warning);
        return nullptr;
    }
    const auto found = visible(*target);
    if (!found)
        return nullptr;
    if (found->isEmpty()) {
        showBox(kFindTitle, kNotFound, Icon::Warning);
        return nullptr;
    }
    auto chosen = found->first();
    // Incoming and outgoing protocols may share a number: the operator says
    // which one.
    if (found->size() > 1) {
        const Answer a = showBox(kFindTitle,
                                 QStringLiteral("Il numero indicato corrisponde a più protocolli.\nAprire il protocollo "
                                                "in entrata %1 (Sì) o quello in uscita (No)?")
                                     .arg(shownNumber(chosen.second)),
                                 Icon::Question, Buttons::YesNo);
        if (a != Answer::Yes)
            chosen = found->at(1);
    }
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmVaiProtocollo"));
    auto *window = qobject_cast<FrmVaiProtocollo *>(w);
    if (!window || !window->setProtocol(chosen.first, chosen.second))
        return nullptr;
    return window;
}

} // namespace nimbo::desk
