#include <QApplication>
#include <QIcon>

#include "app/norvane.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    application.setWindowIcon(QIcon(":/varnholt.svg"));
    Norvane window;
    window.show();
    return application.exec();
}
