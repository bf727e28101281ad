#include "workbook/InventoryList.h"

namespace InventoryList {

void PushButton1_Click(Form1&) {}
void GenerateReport0() {}
void BuildInventorySheet() {}

} // namespace InventoryList
