#include "app/AppWindows.h"
#include "app/CommandLine.h"
#include "app/SingleWindow.h"
#include "shell/FileSystemObject.h"
#include "shell/StopSignals.h"
#include "spreadsheet/objects/Server.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

// The built-in spreadsheet application and the platform's file object.
void registerServers()
{
    ss::registerExcelApplication();
    shell::registerFileSystemObject();
}

// Whether a window can show: a display is named, or Qt is told which
// platform to use.
bool displayAvailable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    registerServers();
    if (CommandLine::wanted(argc, argv))
        return CommandLine::run(argc, argv);
    if (!displayAvailable()) {
        std::fputs("quorvale: the window needs a display, and none is set (DISPLAY and WAYLAND_DISPLAY are empty); "
                   "the command line works without one: quorvale --help\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvale.png")));
    // The windows end the application themselves (closing the main window
    // or the preview); hiding the main window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // A second start brings the window that is open forward instead.
    SingleWindow single;
    if (!single.claim())
        return 0;
    AppWindows windows;
    QObject::connect(&single, &SingleWindow::comeForward, [&] { windows.bringForward(); });
    // Logging off, shutting down and being told to stop end the program as
    // closing its window does: the list is stored first.
    shell::StopSignals stopSignals;
    QObject::connect(&stopSignals, &shell::StopSignals::stopRequested, [&] { windows.endUnattended(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&] { windows.endUnattended(); });
    if (!windows.start())
        return 0;
    return QApplication::exec();
}
