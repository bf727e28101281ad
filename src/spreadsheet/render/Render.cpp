#include "spreadsheet/render/Render.h"

#include "automation/Error.h"

namespace ss::render {

QImage renderArea(const Workbook&, const Sheet&, const Area&, double) { return {}; }

void copyPicture(const Workbook&, const Sheet&, const Area&)
{
    throw quorvale::AutomationError(QStringLiteral("CopyPicture is not available yet"));
}

} // namespace ss::render
