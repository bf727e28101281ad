#pragma once

#include "records/ListItems.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <functional>
#include <vector>

// The changes made to the list in the window, to be undone and redone: each
// is what one action (a saved record, a delete, the samples, an import)
// changed, named for the menu ("Delete 185532"). An undone or redone change
// is a change of the list like any other, and is stored as one.
class ListHistory : public QObject {
    Q_OBJECT

public:
    using Splices = std::vector<ListItems::Splice>;

    explicit ListHistory(ListItems& items, QObject* parent = nullptr);
    ~ListHistory() override;

    // Runs action and keeps what it changed in the list as one change, named
    // by name from its splices; an action that changed nothing is not kept.
    void record(const std::function<void()>& action, const std::function<QString(const Splices&)>& name);

    bool canUndo() const { return m_stack.canUndo(); }
    bool canRedo() const { return m_stack.canRedo(); }
    QString undoText() const { return m_stack.undoText(); }
    QString redoText() const { return m_stack.redoText(); }
    void undo();
    void redo();

signals:
    // What can be undone or redone is other than it was.
    void changed();
    // An undo or redo has changed the list.
    void applied();
    // The list no longer holds what a change left there (another program's
    // store was taken in over it), so it cannot be undone or redone; the
    // history is forgotten. name is the change's.
    void outOfStep(const QString& name);

private:
    class Change;
    // Makes the splices undone (backwards) or again; false, with the list
    // as it was, when the list does not hold what they expect.
    bool apply(const Splices& splices, bool backwards);
    void step(bool backwards);

    ListItems& m_items;
    QUndoStack m_stack;
};
