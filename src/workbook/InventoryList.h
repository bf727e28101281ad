#pragma once

class Form1;

// The generation run and the inventory sheet layout.
namespace InventoryList {

// "Start Creating Template" on the main window.
void PushButton1_Click(Form1& form);
void GenerateReport0();
void BuildInventorySheet();

} // namespace InventoryList
