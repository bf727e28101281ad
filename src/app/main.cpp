#include "app/AppWindows.h"
#include "shell/FileSystemObject.h"
#include "shell/StopSignals.h"
#include "spreadsheet/objects/Server.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    Q_INIT_RESOURCE(resources);
    QCoreApplication::setOrganizationName(QStringLiteral("Tallowind"));
    QCoreApplication::setApplicationName(QStringLiteral("Quorvale"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/quorvale.png")));
    // The windows end the application themselves (closing the main window
    // or the preview); hiding the main window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    ss::registerExcelApplication();
    shell::registerFileSystemObject();

    AppWindows windows;
    // Logging off, shutting down and being told to stop end the program as
    // closing its window does: the list is stored first.
    shell::StopSignals stopSignals;
    QObject::connect(&stopSignals, &shell::StopSignals::stopRequested, [&] { windows.endUnattended(); });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, [&] { windows.endUnattended(); });
    if (!windows.start())
        return 0;
    return QApplication::exec();
}
