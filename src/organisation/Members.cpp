#include "organisation/FrmComponenti.h"
#include "organisation/FrmGruppiUffici.h"
#include "organisation/Organisation.h"
#include "session/DicAmbiente.h"
#include "ui/WindowRegistry.h"

namespace nimbo::organisation {

void registerMemberWindows()
{
    // The office list opens its members under one name; the body's
    // authority code decides which variant that is.
    WindowRegistry::add(QStringLiteral("FrmComponenti"), [] {
        const bool reduced =
            DicAmbiente::session().parm.enteCodiceAsl == QLatin1String(kReducedMembersAuthority);
        return new FrmComponenti(reduced ? MemberVariant::Reduced : MemberVariant::List);
    });
    WindowRegistry::add(QStringLiteral("FrmGComponenti"), [] { return new FrmComponenti(MemberVariant::Detail); });
    WindowRegistry::add(QStringLiteral("FrmComponentiASL4"),
                        [] { return new FrmComponenti(MemberVariant::Reduced); });
    WindowRegistry::add(QStringLiteral("FrmGruppiUffici"), [] { return new FrmGruppiUffici; });
}

} // namespace nimbo::organisation
