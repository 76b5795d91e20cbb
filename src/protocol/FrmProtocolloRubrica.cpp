// The registration window and the address book: a correspondent that is
// not there yet is added through quick entry without leaving the form, and
// the one chosen is shown in the address book.

#include <QAction>
#include <QLineEdit>

#include "protocol/FrmProtocollo.h"
#include "protocol/FrmProtocolloTexts.h"
#include "platform/Dialogs.h"
#include "session/GECentr.h"
#include "ui/CodeLookup.h"
#include "ui/RecordEditor.h"
#include "ui/WindowRegistry.h"

namespace nimbo::protocol {

void FrmProtocollo::newCorrespondent()
{
    if (forCancellation() || (!isNew_ && !modifiable_))
        return;
    const QString typed = field("CodiceMitDest")->text().trimmed();
    auto *entry = qobject_cast<ui::RecordEditor *>(
        WindowRegistry::open(QStringLiteral("frmMittLight"), objectName().toUpper()));
    if (!entry)
        return;
    entry->setCallerWindow(this);
    entry->startNew();
    // The name typed and not found is the one to add.
    if (ui::searchesByDescription(typed))
        if (auto *name = entry->findChild<QLineEdit *>(QStringLiteral("txtNome")))
            name->setText(typed.toUpper());
}

void FrmProtocollo::showCorrespondentInBook()
{
    // The address book is opened only for an operator whose menu offers it.
    const QAction *item = window()->findChild<QAction *>(QStringLiteral("mnugestioneMD"));
    if (item && !item->isEnabled())
        return;
    const qlonglong id = field("CodiceMitDest")->text().trimmed().toLongLong();
    QWidget *book = WindowRegistry::open(QStringLiteral("FrmRubrica"));
    if (book && id > 0)
        book->setProperty("presetIdentifier", id);
}

void FrmProtocollo::openFurtherRecipients()
{
    const ProtocolForm f = form();
    if (f.direction != QLatin1String("U"))
        return;
    if (f.number.isEmpty()) {
        showBox(kCaption, QStringLiteral("Gli altri destinatari si indicano dopo la registrazione del protocollo."),
                Icon::Information);
        return;
    }
    // A protocol this operator may no longer change shows its list only.
    QWidget *w = WindowRegistry::open(QStringLiteral("FrmAltriDest"), modifiable_ && !forCancellation()
                                                                          ? QStringLiteral("MODIFICABILE")
                                                                          : QStringLiteral("CONSULTAZIONE"));
    if (!w || !QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number)))
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: FrmAltriDest"), QStringLiteral("openFurtherRecipients"),
                          objectName());
}

void FrmProtocollo::setCorrespondent(const QString &code, const QString &description)
{
    lookupOf(CodeField::Correspondent)->set(code, description);
    dirty()->setDirty();
}

} // namespace nimbo::protocol
