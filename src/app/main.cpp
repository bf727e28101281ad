#include "app/AppWindows.h"
#include "shell/FileSystemObject.h"
#include "shell/Services.h"
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
    windows.main().Form_Load();
    if (shell::Services::applicationEnded())
        return 0;
    windows.main().show();
    return QApplication::exec();
}
