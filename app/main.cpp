// The process entry: hands the course's description to the screen runtime,
// which shows the start-up screen and runs the event loop. The program reads
// no command line and no configuration of its own.

#include "runtime/qt/qt_host.h"
#include "runtime/runtime.h"
#include "screens/project.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv) {
    // Arguments are not the program's business: Qt sees only the program name,
    // so no option can change what the course shows.
    int qtArgc = argc > 0 ? 1 : 0;
    char* qtArgv[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    QApplication app(qtArgc, qtArgv);
    QApplication::setQuitOnLastWindowClosed(false);

    rtqt::MonotonicClock clock;
    rtqt::QtHost host;
    rt::Runtime runtime(screens::courseProject(), host, clock);
    runtime.setSystemColors(rtqt::systemColorsFromPalette());
    host.attach(runtime);

    QTimer::singleShot(0, [&runtime] { runtime.start(); });
    return app.exec();
}
