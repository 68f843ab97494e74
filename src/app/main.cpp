#include "platform/ui/Application.h"
#include "platform/ui/ExceptionGuard.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    platform::setApplicationTitle("Pelvaxon");
    QMainWindow window;
    window.setWindowTitle("Pelvaxon");
    window.show();
    return app.exec();
}
