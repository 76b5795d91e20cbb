#include "classification/Classification.h"
#include "codes/Codes.h"
#include "corrections/Corrections.h"
#include "deadlines/Deadlines.h"
#include "municipalities/MunicipalityWindows.h"
#include "addressbook/AddressBook.h"
#include "documents/Documents.h"
#include "email/Email.h"
#include "history/History.h"
#include "emergency/Emergency.h"
#include "iter/Iter.h"
#include "links/Links.h"
#include "organisation/Organisation.h"
#include "search/Search.h"
#include "platform/FileSystem.h"
#include "protocol/FrmProtocollo.h"
#include "reports/PeriodicReports.h"
#include "registers/Registers.h"
#include "desk/Desk.h"
#include "session/Application.h"
#include "startup/CreaTabMenu.h"
#include "startup/StartUp.h"
#include "ui/Appearance.h"
#include "ui/Desktop.h"

int main(int argc, char **argv)
{
    // Register, local database, logs and opened documents: the operator's
    // account only, whatever the system's default mask.
    nimbo::fs::ownerOnlyFromNowOn();
    nimbo::Application app(argc, argv);
    // Qt's own buttons, dialogs and calendars speak the operators' language.
    nimbo::ui::installItalian();
    // The text size the operator chose last time.
    nimbo::ui::applyKeptFontSize();
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
    nimbo::history::registerHistoryWindows();
    nimbo::reports::registerPeriodicReportWindows();
    nimbo::registers::registerRegisterWindows();
    nimbo::desk::registerDeskWindows();
    return StartUp::run(QApplication::arguments());
}
