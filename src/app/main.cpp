#include "protocol/FrmProtocollo.h"
#include "session/Application.h"
#include "startup/CreaTabMenu.h"
#include "startup/StartUp.h"

int main(int argc, char **argv)
{
    nimbo::Application app(argc, argv);
    nimbo::startup::registerStartupWindows();
    nimbo::protocol::registerProtocolWindows();
    return StartUp::run(QApplication::arguments());
}
