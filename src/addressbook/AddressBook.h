#pragma once
// The address book's windows: the entries, their groups and quick entry.

namespace nimbo::addressbook {

// Registers "FrmRubrica", "FrmGruppiRubrica" and "frmMittLight" with the
// window registry.
void registerAddressBookWindows();

} // namespace nimbo::addressbook
