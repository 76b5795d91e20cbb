#include "corrections/Corrections.h"
#include "corrections/LateWindow.h"

#include "ui/WindowRegistry.h"

namespace nimbo::corrections {

// Opened from "Recupera Protocolli" (MnuRecuperaProto), whose function right
// the menu applies; the protocol server asks for the same right again.
void registerLateWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRecuperaProto"), [] { return new FrmRecuperaProto; });
}

} // namespace nimbo::corrections
