#include "workbook/Excel1.h"

namespace Excel1 {

bool IsExcelRunning() { return false; }
bool ExcelOpenWarning() { return false; }
std::int32_t GetSaveFileFormat(const automation::Object&) { return 56; }
automation::Object OpenWorkbookInNewExcel(const QString&) { return {}; }
void saveCellsActivesheet(const automation::Object&, const QString&) {}

} // namespace Excel1
