#include <QApplication>

#include "protocol/FrmProtocollo.h"
#include "startup/StartUp.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    nimbo::protocol::registerProtocolWindows();
    return StartUp::run(QApplication::arguments());
}
