#include "organisation/FrmDipartimenti.h"
#include "organisation/FrmEnti.h"
#include "organisation/FrmUffici.h"
#include "organisation/Organisation.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

void registerEditorWindows()
{
    WindowRegistry::add(QStringLiteral("frmEnti"), [] { return new FrmEnti(FrmEnti::Variant::List); });
    WindowRegistry::add(QStringLiteral("frmGEnti"), [] { return new FrmEnti(FrmEnti::Variant::Detail); });
    WindowRegistry::add(QStringLiteral("frmDipartimenti"),
                        [] { return new FrmDipartimenti(FrmDipartimenti::Variant::List); });
    WindowRegistry::add(QStringLiteral("frmGDipartimenti"),
                        [] { return new FrmDipartimenti(FrmDipartimenti::Variant::Detail); });
    WindowRegistry::add(QStringLiteral("FrmUffici"), [] { return new FrmUffici(FrmUffici::Variant::List); });
    WindowRegistry::add(QStringLiteral("FrmGUffici"), [] { return new FrmUffici(FrmUffici::Variant::Detail); });
}

} // namespace nimbo::organisation
