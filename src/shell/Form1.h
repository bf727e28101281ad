#pragma once

#include "records/ListItems.h"
#include "shell/MousePointer.h"

#include <QWidget>

// The main window: the record editor, the item list ListView1 and the
// buttons that start a generation run, load the examples and show help.
// (Skeleton: the full layout and handlers are being built.)
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The one main window of the run, or nullptr.
    static Form1* instance();

    // The start-up sequence (load handler).
    void Form_Load();
    // The closing request: stores the item list.
    void Form_QueryUnload();

    // The items of ListView1: the record list of the run.
    ListItems& items() { return *m_items; }

    MousePointer mousePointer() const { return m_pointer.kind(); }
    void setMousePointer(MousePointer kind) { m_pointer.set(this, kind); }

    QString SelectedInventoryID;

private:
    ListItems* m_items;
    PointerState m_pointer;
};
