#include <QApplication>

#include "protocol/FrmProtocollo.h"
#include "startup/StartUp.h"
#include "ui/Desktop.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    // Qt's own buttons, dialogs and calendars speak the operators' language.
    nimbo::ui::installItalian();
    nimbo::protocol::registerProtocolWindows();
    return StartUp::run(QApplication::arguments());
}
