#include "spreadsheet/xls/Xls.h"

#include "automation/Error.h"

namespace ss::xls {

void save(const Workbook&, const QString&)
{
    throw quorvale::AutomationError(QStringLiteral("Saving .xls files is not available yet"));
}

std::unique_ptr<Workbook> open(const QString&)
{
    throw quorvale::AutomationError(QStringLiteral("Opening .xls files is not available yet"));
}

} // namespace ss::xls
