#include "email/Email.h"

#include "email/FrmCambiaEmail.h"
#include "email/FrmEmail.h"
#include "email/FrmEmailGen.h"
#include "email/FrmProtEmail.h"
#include "email/FrmProtEmailCanc.h"
#include "email/FrmVisEmail.h"
#include "ui/WindowRegistry.h"

namespace nimbo::email {

void registerEmailWindows()
{
    WindowRegistry::add(QStringLiteral("FrmProtEmail"), [] { return new FrmProtEmail; });
    WindowRegistry::add(QStringLiteral("frmProtEmailCanc"), [] { return new FrmProtEmailCanc; });
    WindowRegistry::add(QStringLiteral("FrmVisEmail"), [] { return new FrmVisEmail; });
    WindowRegistry::add(QStringLiteral("FrmEmail"), [] { return new FrmEmail; });
    WindowRegistry::add(QStringLiteral("FrmEmailGen"), [] { return new FrmEmailGen; });
    WindowRegistry::add(QStringLiteral("FrmCambiaEmail"), [] { return new FrmCambiaEmail; });
}

} // namespace nimbo::email
