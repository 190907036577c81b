#include <QApplication>

#include "app/norvane.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    Norvane window;
    window.show();
    return application.exec();
}
