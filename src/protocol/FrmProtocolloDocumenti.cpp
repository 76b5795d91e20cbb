// The registration window's doors to the scanned document, the
// registration notice by e-mail and the attachments of the protocol on
// screen. Those windows live in a library
// that builds on this one: they are reached by name and told the protocol
// through their invokables.

#include "protocol/FrmProtocollo.h"

#include "platform/Dialogs.h"
#include "protocol/FrmProtocolloTexts.h"
#include "session/GECentr.h"
#include "ui/FileDrop.h"
#include "ui/WindowRegistry.h"

namespace nimbo::protocol {

QString FrmProtocollo::documentWindow(int button)
{
    switch (button) {
    case 4: return QStringLiteral("FrmSCAN");
    case 5: return QStringLiteral("FrmVisDocu1");
    case 6: return QStringLiteral("FrmEmail");
    case 7: return QStringLiteral("frmProtAllegati");
    case 8: return QStringLiteral("frmArchivia");
    case 9: return QStringLiteral("FrmAssegna");
    case 10: return QStringLiteral("FrmStoricoScadenze");
    default: return {};
    }
}

void FrmProtocollo::openDocumentWindow(int button)
{
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(documentWindow(button));
    if (!w)
        return;
    // The attachment manager lets this window add and delete.
    if (button == 7)
        QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, QStringLiteral("FRMPROTOCOLLO")));
    if (!QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number)))
        GECentr::writeLog(QStringLiteral("Finestra non disponibile: ") + documentWindow(button),
                          QStringLiteral("openDocumentWindow"), objectName());
}

void FrmProtocollo::dropFiles(const QStringList &paths)
{
    const ProtocolForm f = form();
    if (f.number.isEmpty() || f.direction.isEmpty() || forCancellation()) {
        showBox(kCaption, QStringLiteral("Registrare il protocollo prima di allegarvi documenti."), Icon::Warning);
        return;
    }
    // Each file is checked before the attachment window opens, and stored
    // there exactly as one chosen with its "Scegli".
    QStringList refused, accepted;
    for (const QString &p : paths) {
        if (const auto why = ui::refuseDocument(p))
            refused << *why;
        else
            accepted << p;
    }
    if (!refused.isEmpty())
        showBox(kCaption, refused.join(QLatin1Char('\n')), Icon::Warning);
    if (accepted.isEmpty())
        return;
    QWidget *w = WindowRegistry::open(documentWindow(7));
    if (!w)
        return;
    QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, QStringLiteral("FRMPROTOCOLLO")));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, f.direction), Q_ARG(QString, f.number));
    for (const QString &p : accepted) {
        bool stored = false;
        QMetaObject::invokeMethod(w, "addFile", Q_RETURN_ARG(bool, stored), Q_ARG(QString, p));
    }
}

} // namespace nimbo::protocol
