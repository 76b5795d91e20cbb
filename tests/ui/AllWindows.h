#pragma once
// Every window of the program registered by name, as the program's main
// does, for the tests that walk them all.

#include "addressbook/AddressBook.h"
#include "classification/Classification.h"
#include "codes/Codes.h"
#include "corrections/Corrections.h"
#include "deadlines/Deadlines.h"
#include "documents/Documents.h"
#include "email/Email.h"
#include "emergency/Emergency.h"
#include "iter/Iter.h"
#include "links/Links.h"
#include "municipalities/MunicipalityWindows.h"
#include "organisation/Organisation.h"
#include "protocol/FrmProtocollo.h"
#include "search/Search.h"
#include "startup/CreaTabMenu.h"

namespace nimbo::test {

inline void registerEveryWindow()
{
    nimbo::startup::registerStartupWindows();
    nimbo::protocol::registerProtocolWindows();
    nimbo::organisation::registerOrganisationWindows();
    nimbo::codes::registerCodeWindows();
    nimbo::municipalities::registerMunicipalityWindows();
    nimbo::addressbook::registerAddressBookWindows();
    nimbo::iter::registerIterWindows();
    nimbo::documents::registerDocumentWindows();
    nimbo::emergency::registerEmergencyWindows();
    nimbo::classification::registerClassificationWindows();
    nimbo::links::registerLinksWindows();
    nimbo::search::registerSearchWindows();
    nimbo::corrections::registerCorrectionWindows();
    nimbo::deadlines::registerDeadlineWindows();
    nimbo::email::registerEmailWindows();
}

} // namespace nimbo::test
