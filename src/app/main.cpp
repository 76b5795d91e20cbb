#include <QApplication>

#include "startup/StartUp.h"

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    return StartUp::run(QApplication::arguments());
}
