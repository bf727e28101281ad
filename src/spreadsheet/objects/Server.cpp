#include "spreadsheet/objects/Server.h"

#include "automation/Servers.h"

namespace ss {

void registerExcelApplication()
{
    // Filled in by the Application object.
    automation::Servers::registerServer(QStringLiteral("Excel.Application"), []() -> automation::Object {
        throw automation::AutomationError(QStringLiteral("The built-in spreadsheet application is not available yet"));
    });
}

} // namespace ss
