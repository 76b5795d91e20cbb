#include "iter/DocumentDoors.h"

#include <QMetaObject>
#include <QWidget>

#include "data/Funzioni_Com_1.h"
#include "platform/Dialogs.h"
#include "session/DicAmbiente.h"
#include "ui/WindowRegistry.h"

namespace F = Funzioni_Com_1;

namespace nimbo::iter {

const char *const kReservedRefusal =
    "Documento Riservato. L'utente non ha le autorizzazioni necessarie per visualizzarlo";

bool mayOpenDocuments(const QString &caption, const QString &direction, const QString &number)
{
    const auto &op = DicAmbiente::session().op;
    const F::LoadedRows r = F::loadRows(
        QStringLiteral("PROTOCOLLO"),
        QStringLiteral("SELECT Tab_SoggPrivacy, Tab_CodiceOpeReg FROM Tab_Protocollo WHERE Tab_Ente = '%1' AND "
                       "Tab_TipoProtocollo = '%2' AND Tab_NumeroProtocollo = '%3'")
            .arg(F::quote(op.ente), F::quote(direction), F::quote(number)));
    if (!r.ok || r.rowCount() == 0) {
        showBox(caption,
                r.noRows() ? QStringLiteral("Il protocollo N. %1 non è presente in archivio.").arg(number)
                           : QStringLiteral("Impossibile leggere il protocollo dall'archivio centrale: riprovare."),
                Icon::Warning);
        return false;
    }
    const bool reserved = r.value(0, 0).toString().trimmed().toUpper() == QLatin1String("S");
    const bool own = r.value(1, 0).toString().trimmed().compare(op.code, Qt::CaseInsensitive) == 0;
    if (reserved && !op.privacy && !own) {
        showBox(caption, QString::fromUtf8(kReservedRefusal), Icon::Warning);
        return false;
    }
    return true;
}

QWidget *openDocuments(const QString &caption, const QString &window, const QString &direction,
                       const QString &number, const QString &caller)
{
    if (!WindowRegistry::contains(window) || !mayOpenDocuments(caption, direction, number))
        return nullptr;
    QWidget *w = WindowRegistry::open(window);
    if (!w)
        return nullptr;
    if (w->metaObject()->indexOfMethod("setCaller(QString)") >= 0)
        QMetaObject::invokeMethod(w, "setCaller", Q_ARG(QString, caller));
    QMetaObject::invokeMethod(w, "setProtocol", Q_ARG(QString, direction), Q_ARG(QString, number));
    return w;
}

} // namespace nimbo::iter
