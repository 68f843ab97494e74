#include "app/Startup.h"
#include "platform/ui/Application.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/gl/OpenGLSetup.h"
#include "platform/ui/TerminationSignals.h"
#include "platform/win/MessageWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // Whatever must be settled before the application object exists (the OpenGL surface
    // format and context sharing) is set here, first.
    platform::PrepareOpenGLBeforeApplication();
    QApplication app(argc, argv);
    platform::setEscapedExceptionHandler(platform::showException);
    try {
        platform::setApplicationTitle("Pelvaxon");
        platform::quitOnTerminationSignals();
        const auto windows = CreateStartupWindows();
        ShowMainWindow(*windows->mainForm);
        app.exec();
    } catch (...) {
        platform::showException();
    }
    return 0;
}
