#pragma once

#include "records/KeptList.h"
#include "records/ListItems.h"
#include "records/RecordEditor.h"
#include "records/RecordStore.h"
#include "shell/MousePointer.h"
#include "workbook/InventoryList.h"

#include <QWidget>

#include <cstdint>
#include <memory>

class ListHistory;
class ListView;
class QAction;
class QGroupBox;
class QLineEdit;
class QPushButton;

namespace shell {
class Trace;
}

// The main window: the record editor, the item list ListView1 and the
// buttons that start a generation run, load the examples and show help.
// Closing it stores the list and ends the application; hiding it does
// neither. A generation run reaches the other windows through runWindows.
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(InventoryList::RunWindows& runWindows, QWidget* parent = nullptr);
    ~Form1() override;

    // The start-up sequence (load handler).
    void Form_Load();
    // The closing request: stores the item list. It never cancels; a store
    // that fails asks whether to try again unless told that nobody can
    // answer, and keeps the list in the recovery file either way.
    void Form_QueryUnload(records::WhenStoreFails whenFails = records::WhenStoreFails::Ask);
    // "Start Creating Template": a generation run over the item list.
    void PushButton1_Click();
    // Imports a file of items (a CSV or a workbook) into the list, as a drop
    // of it on the window does.
    void importFile(const QString& path);

    // The changes made to the list here, to undo and redo.
    ListHistory& history() { return *m_history; }

    // The items of ListView1: the record list of the run.
    ListItems& items() { return *m_items; }
    // The same kept in step with the stored list.
    records::KeptList& keptList() { return *m_kept; }

    MousePointer mousePointer() const { return m_pointer.kind(); }
    void setMousePointer(MousePointer kind) { m_pointer.set(this, kind); }

    // The ID of the record last taken from the list into the text boxes;
    // empty while a new record is entered.
    QString SelectedInventoryID;

    bool InventoryIdExists(const QString& id) const { return m_editor->InventoryIdExists(id); }
    std::int32_t NextInventoryID() const { return m_editor->NextInventoryID(); }

signals:
    // "Start Creating Template" has done all it does.
    void generationRunEnded();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void createControls();
    void createFrameControls();
    RecordEditor::TextBoxes createTextBoxes();
    QPushButton* createButton(QWidget* parent, const char* name, const QString& caption, const QRect& twipsRect);
    void setTabOrder();
    void connectHandlers();
    void createActions();
    void nameForReaders();
    void watchMouseMoves();
    void showListMenu(const QPoint& at);
    void updateUndoActions();
    // Runs an editor's handler; what it changed in the list can be undone.
    void recorded(void (RecordEditor::*handler)(), const QString& what);
    // Undoes or redoes the last change, unless a run is under way.
    void undoOrRedo(bool undo);

    void addListColumns(shell::Trace& t);
    // "Help".
    void PushButton6_Click();

    ListItems* m_items;
    records::KeptList* m_kept;
    InventoryList::RunWindows& m_runWindows;
    PointerState m_pointer;
    bool m_shownOnce = false;
    bool m_running = false;

    QPushButton* PushButton1 = nullptr;
    QPushButton* PushButton2 = nullptr;
    QPushButton* PushButton3 = nullptr;
    QPushButton* PushButton4 = nullptr;
    QPushButton* PushButton6 = nullptr;
    QPushButton* PushButton7 = nullptr;
    QGroupBox* Frame5 = nullptr;
    ListView* ListView1 = nullptr;
    RecordEditor::TextBoxes m_textBoxes{};
    std::unique_ptr<RecordEditor> m_editor;
    ListHistory* m_history = nullptr;
    QAction* m_undoAction = nullptr;
    QAction* m_redoAction = nullptr;
    QAction* m_importAction = nullptr;
    QAction* m_exportAction = nullptr;
};
