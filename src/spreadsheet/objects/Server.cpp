#include "spreadsheet/objects/Server.h"

#include "automation/Servers.h"
#include "spreadsheet/objects/Objects.h"

namespace ss {

void registerExcelApplication()
{
    automation::Servers::registerServer(
        QStringLiteral("Excel.Application"),
        [] {
            auto instance = std::make_shared<objects::Instance>();
            objects::registerRunning(instance);
            return objects::applicationObject(instance);
        },
        [] {
            const auto instance = objects::firstRunning();
            if (!instance)
                throw quorvale::AutomationError(QStringLiteral("No running instance of Excel.Application"));
            return objects::applicationObject(instance);
        });
}

Workbook* workbookModel(const automation::Object& workbook)
{
    objects::Book* book = objects::bookOf(workbook);
    return book ? &book->model : nullptr;
}

} // namespace ss
