#include "app/Application.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TMorvo3Application morvo3(QCoreApplication::arguments().mid(1));
    return morvo3.Run();
}
