#include "workbook/IsInstalled.h"

namespace IsInstalled {

void CheckExcelInstalled() {}

} // namespace IsInstalled
