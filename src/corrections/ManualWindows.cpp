#include "corrections/Corrections.h"
#include "corrections/ManualWindow.h"

#include "ui/WindowRegistry.h"

namespace nimbo::corrections {

void registerManualWindows()
{
    WindowRegistry::add(QStringLiteral("FrmProtoManuale"), [] { return new FrmProtoManuale; });
}

} // namespace nimbo::corrections
