#include "records/RecordEditor.h"

#include "records/Fields.h"
#include "records/InventoryIds.h"
#include "records/ListItems.h"
#include "records/ListView.h"
#include "records/RecordStore.h"
#include "records/SampleData.h"
#include "shell/Services.h"
#include "shell/Trace.h"

#include <QLineEdit>

#include <algorithm>

namespace {

const QString kForgotId = QStringLiteral("You forgot to input Inventory ID.");
const QString kIdExists = QStringLiteral("Inventory ID already exists.\r\nYou must select different inventory ID");

// The text without its leading and trailing spaces is empty.
bool blank(const QString& text)
{
    return std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c == QLatin1Char(' '); });
}

} // namespace

RecordEditor::RecordEditor(ListView& list, TextBoxes boxes, QString& selectedInventoryID)
    : m_items(list.items()), m_list(list), m_boxes(boxes), m_selected(selectedInventoryID)
{
}

bool RecordEditor::InventoryIdExists(const QString& id) const { return records::InventoryIdExists(m_items, id); }

std::int32_t RecordEditor::NextInventoryID() const { return records::NextInventoryID(m_items); }

QString RecordEditor::boxText(int field) const { return m_boxes[std::size_t(field)]->text(); }

void RecordEditor::PrepareNewRecord()
{
    m_selected.clear();
    m_editedRow = QPersistentModelIndex();
    m_boxes[InventoryRecord::InventoryID]->setText(QString::number(NextInventoryID()));
    for (int field = InventoryRecord::InventoryName; field < InventoryRecord::FieldCount; ++field)
        m_boxes[std::size_t(field)]->clear();
    m_boxes[InventoryRecord::InventoryName]->setFocus();
}

void RecordEditor::listChanged()
{
    if (!m_selected.isEmpty() && !InventoryIdExists(m_selected)) {
        m_list.selectNone();
        PrepareNewRecord();
    } else if (m_selected.isEmpty() && InventoryIdExists(boxText(InventoryRecord::InventoryID))) {
        m_boxes[InventoryRecord::InventoryID]->setText(QString::number(NextInventoryID()));
    }
}

void RecordEditor::ListView1_Click()
{
    const int position = m_items.Count() > 0 ? m_list.selectedPosition() : 0;
    if (position == 0)
        return;
    const InventoryRecord& r = m_items.record(position);
    m_selected = r[InventoryRecord::InventoryID];
    m_editedRow = QPersistentModelIndex(m_items.index(position - 1, 0));
    for (int field = 0; field < InventoryRecord::FieldCount; ++field)
        m_boxes[std::size_t(field)]->setText(r[field]);
}

void RecordEditor::PushButton2_Click()
{
    shell::Trace t{"Form1", "PushButton2_Click"};
    t.line(100, [&] { PrepareNewRecord(); });
}

void RecordEditor::PushButton3_Click()
{
    shell::Trace t{"Form1", "PushButton3_Click"};
    if (t.test(100, [&] { return m_items.Count() > 0; })) {
        t.line(102, [&] { m_items.Remove(m_list.SelectedItem()); });
        // The list selects no row while the boxes hold a new record, so a
        // second click (of a double-click, say) finds nothing to remove.
        t.line(104, [&] {
            m_list.selectNone();
            PrepareNewRecord();
        });
        t.line(106, [&] { m_list.setFocus(); });
    }
}

void RecordEditor::PushButton4_Click()
{
    shell::Trace t{"Form1", "PushButton4_Click"};
    if (t.test(100, [&] { return m_selected.isEmpty(); }))
        saveNew(t);
    else
        saveEdited(t);
}

void RecordEditor::saveNew(shell::Trace& t)
{
    if (t.test(102, [&] { return blank(boxText(InventoryRecord::InventoryID)); })) {
        t.line(104, [&] { shell::MsgBox(kForgotId); });
        return;
    }
    if (t.test(106, [&] { return InventoryIdExists(boxText(InventoryRecord::InventoryID)); })) {
        t.line(108, [&] { shell::MsgBox(kIdExists); });
        return;
    }
    bool toldFull = false;
    if (!boxesStorable() || !hasRoom(toldFull))
        return;
    appendFromBoxes(t, 110);
    t.line(128, [&] { PrepareNewRecord(); });
}

void RecordEditor::saveEdited(shell::Trace& t)
{
    const QString id = boxText(InventoryRecord::InventoryID);
    if (t.test(130, [&] { return id != m_selected; })) {
        if (t.test(132, [&] { return InventoryIdExists(id); })) {
            t.line(134, [&] { shell::MsgBox(kIdExists); });
            return;
        }
        if (blank(id)) {
            shell::MsgBox(kForgotId);
            return;
        }
    }
    if (boxesStorable())
        updateEditedRecord(t);
}

// The item taken from the list takes the text boxes; with a new ID in the
// ID box it is renamed, and the editor goes on editing it under that ID.
void RecordEditor::updateEditedRecord(shell::Trace& t)
{
    int count = 0;
    t.line(136, [&] { count = m_items.Count(); });
    const int edited = editedPosition();
    for (int position = 1; position <= count; ++position) {
        if (t.test(138, [&] { return position == edited || (edited == 0 && m_items.Text(position) == m_selected); })) {
            t.line(140, [&] {
                m_items.setText(position, boxText(InventoryRecord::InventoryID));
                m_selected = boxText(InventoryRecord::InventoryID);
            });
            for (int n = 1; n < InventoryRecord::FieldCount; ++n)
                t.line(140 + 2 * n, [&] { m_items.setSubItem(position, n, boxText(n)); });
            return;
        }
    }
}

void RecordEditor::PushButton7_Click()
{
    shell::Trace t{"Form1", "PushButton7_Click"};
    int firstLine = 100;
    bool toldFull = false;
    for (const InventoryRecord& sample : records::sampleRecords()) {
        addSample(t, firstLine, sample, toldFull);
        firstLine += 50;
    }
}

void RecordEditor::addSample(shell::Trace& t, int firstLine, const InventoryRecord& sample, bool& toldFull)
{
    const int b = firstLine;
    bool add = false;
    t.line(b, [&] { PrepareNewRecord(); });
    t.line(b + 2, [&] { add = true; });
    int line = b + 4;
    for (const InventoryRecord::Field field : records::SampleBoxOrder) {
        t.line(line, [&] { m_boxes[field]->setText(sample[field]); });
        line += 2;
    }
    int count = 0;
    t.line(b + 22, [&] { count = m_items.Count(); });
    for (int position = 1; position <= count; ++position) {
        if (t.test(b + 24, [&] { return m_items.Text(position) == boxText(InventoryRecord::InventoryID); })) {
            t.line(b + 26, [&] { add = false; });
            break;
        }
    }
    if (t.test(b + 30, [&] { return add; }) && hasRoom(toldFull))
        appendFromBoxes(t, b + 32);
}

void RecordEditor::appendFromBoxes(shell::Trace& t, int firstLine)
{
    int position = 0;
    t.line(firstLine, [&] { position = m_items.Add(boxText(InventoryRecord::InventoryID)); });
    for (int n = 1; n < InventoryRecord::FieldCount; ++n)
        t.line(firstLine + 2 * n, [&] { m_items.setSubItem(position, n, boxText(n)); });
}

// The position of the item taken from the list, which an ID that appears
// twice cannot tell; 0 when that item no longer carries the selected ID, and
// the first item with it is edited then.
int RecordEditor::editedPosition() const
{
    if (!m_editedRow.isValid() || m_items.Text(m_editedRow.row() + 1) != m_selected)
        return 0;
    return m_editedRow.row() + 1;
}

bool RecordEditor::hasRoom(bool& toldFull) const
{
    if (m_items.Count() < ListItems::Capacity)
        return true;
    if (!toldFull)
        shell::MsgBox(QStringLiteral("The list is full: it holds %1 items, and it can hold %2.\r\n"
                                     "Delete an item before you add a new one.")
                          .arg(m_items.Count())
                          .arg(ListItems::Capacity));
    toldFull = true;
    return false;
}

bool RecordEditor::boxesStorable() const
{
    for (int field = 0; field < InventoryRecord::FieldCount; ++field) {
        const qsizetype length = boxText(field).size();
        if (length > InventoryRecord::MaxFieldLength) {
            shell::MsgBox(QStringLiteral("%1 is %2 characters long, and a cell of the sheet holds at most %3.\r\n"
                                         "Please shorten it; nothing was saved.")
                              .arg(QLatin1String(records::Fields[std::size_t(field)].name))
                              .arg(length)
                              .arg(InventoryRecord::MaxFieldLength));
            return false;
        }
        const QString separator = records::separatorIn(boxText(field));
        if (!separator.isEmpty()) {
            shell::MsgBox(QStringLiteral("%1 cannot contain the text \"%2\", which separates the stored items, "
                                         "nor begin or end with a part of it.\r\n"
                                         "Please change it; nothing was saved.")
                              .arg(QLatin1String(records::Fields[std::size_t(field)].name), separator));
            return false;
        }
    }
    return true;
}
