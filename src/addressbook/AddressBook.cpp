#include "addressbook/AddressBook.h"

#include "addressbook/FrmGruppiRubrica.h"
#include "addressbook/FrmMittLight.h"
#include "addressbook/FrmRubrica.h"
#include "ui/WindowRegistry.h"

namespace nimbo::addressbook {

void registerAddressBookWindows()
{
    WindowRegistry::add(QStringLiteral("FrmRubrica"), [] { return new FrmRubrica; });
    WindowRegistry::add(QStringLiteral("FrmGruppiRubrica"), [] { return new FrmGruppiRubrica; });
    WindowRegistry::add(QStringLiteral("frmMittLight"), [] { return new FrmMittLight; });
}

} // namespace nimbo::addressbook
