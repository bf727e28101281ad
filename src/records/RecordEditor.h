#pragma once

#include "records/InventoryRecord.h"

#include <QPersistentModelIndex>
#include <QString>

#include <array>
#include <cstdint>

class ListItems;
class ListView;
class QLineEdit;

namespace shell {
class Trace;
}

// The record editor of the main window: the nine text boxes, the list and
// the buttons "Create New", "Save Record", "Delete Selected Record" and "Load
// Sample/Example Data". The editor is in new-record mode while the selected
// ID is empty and edits the record with that ID otherwise.
class RecordEditor {
public:
    // The nine text boxes in InventoryRecord order.
    using TextBoxes = std::array<QLineEdit*, InventoryRecord::FieldCount>;

    RecordEditor(ListView& list, TextBoxes boxes, QString& selectedInventoryID);

    bool InventoryIdExists(const QString& id) const;
    std::int32_t NextInventoryID() const;
    // Empties the selected ID, proposes the next free ID, empties the other
    // boxes and puts the focus into the name box.
    void PrepareNewRecord();

    // The list was changed other than by the editor (an undo, an import):
    // an edited record that is gone leaves the editor for a new record, and
    // a proposed ID that is taken meanwhile is proposed anew.
    void listChanged();

    // A click on the list: takes the selected item into the text boxes.
    void ListView1_Click();
    // "Create New".
    void PushButton2_Click();
    // "Delete Selected Record".
    void PushButton3_Click();
    // "Save Record".
    void PushButton4_Click();
    // "Load Sample/Example Data".
    void PushButton7_Click();

private:
    QString boxText(int field) const;
    void saveNew(shell::Trace& t);
    void saveEdited(shell::Trace& t);
    void updateEditedRecord(shell::Trace& t);
    void addSample(shell::Trace& t, int firstLine, const InventoryRecord& sample, bool& toldFull);
    // Appends an item from the text boxes: the ID at firstLine, sub-items 1
    // to 8 at the following even numbers.
    void appendFromBoxes(shell::Trace& t, int firstLine);
    int editedPosition() const;
    // Whether the list has room for one more item; says so when it has not,
    // once for all the items of one click (toldFull).
    bool hasRoom(bool& toldFull) const;
    // Whether every box can be stored: none is longer than a cell holds or
    // holds a separator. Names the first that cannot.
    bool boxesStorable() const;

    ListItems& m_items;
    ListView& m_list;
    TextBoxes m_boxes;
    QString& m_selected;
    // The row taken from the list while editing, followed as rows move.
    QPersistentModelIndex m_editedRow;
};
