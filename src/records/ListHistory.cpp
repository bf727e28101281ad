#include "records/ListHistory.h"

#include <QUndoCommand>

#include <algorithm>
#include <iterator>

namespace {

// The most changes kept: each holds only the records it changed.
constexpr int KeptChanges = 200;

ListItems::Splice reversed(const ListItems::Splice& s) { return {s.row, s.inserted, s.removed}; }

} // namespace

class ListHistory::Change final : public QUndoCommand {
public:
    Change(ListHistory& history, Splices splices, const QString& name)
        : QUndoCommand(name), m_history(history), m_splices(std::move(splices))
    {
    }

    void undo() override { m_failed = !m_history.apply(m_splices, true); }
    void redo() override
    {
        // Pushed after the action made it: the first redo has nothing to do.
        if (std::exchange(m_made, false))
            return;
        m_failed = !m_history.apply(m_splices, false);
    }
    bool failed() const { return m_failed; }

private:
    ListHistory& m_history;
    Splices m_splices;
    bool m_made = true;
    bool m_failed = false;
};

ListHistory::ListHistory(ListItems& items, QObject* parent) : QObject(parent), m_items(items)
{
    m_stack.setUndoLimit(KeptChanges);
    connect(&m_stack, &QUndoStack::indexChanged, this, &ListHistory::changed);
    connect(&m_stack, &QUndoStack::cleanChanged, this, &ListHistory::changed);
}

// The stack's changes as it empties on the way out are nobody's news: the
// window that listens is being taken down too.
ListHistory::~ListHistory() { m_stack.blockSignals(true); }

void ListHistory::record(const std::function<void()>& action, const std::function<QString(const Splices&)>& name)
{
    Splices splices;
    m_items.setJournal(&splices);
    try {
        action();
    } catch (...) {
        m_items.setJournal(nullptr);
        throw;
    }
    m_items.setJournal(nullptr);
    if (!splices.empty()) {
        const QString text = name(splices);
        m_stack.push(new Change(*this, std::move(splices), text));
    }
}

bool ListHistory::apply(const Splices& splices, bool backwards)
{
    Splices steps;
    if (backwards)
        std::transform(splices.rbegin(), splices.rend(), std::back_inserter(steps), reversed);
    else
        steps = splices;
    for (std::size_t done = 0; done < steps.size(); ++done) {
        const ListItems::Splice& s = steps[done];
        const std::vector<InventoryRecord>& list = m_items.records();
        const bool holds = s.row + s.removed.size() <= list.size()
            && std::equal(s.removed.begin(), s.removed.end(), list.begin() + s.row);
        if (!holds) {
            // Back to where the change started: the steps made are sound.
            while (done-- > 0)
                m_items.splice(steps[done].row, int(steps[done].inserted.size()), steps[done].removed);
            return false;
        }
        m_items.splice(s.row, int(s.removed.size()), s.inserted);
    }
    return true;
}

void ListHistory::step(bool backwards)
{
    const int at = m_stack.index() - (backwards ? 1 : 0);
    const auto* change = static_cast<const Change*>(m_stack.command(at));
    if (!change)
        return;
    const QString name = change->text();
    backwards ? m_stack.undo() : m_stack.redo();
    if (change->failed()) {
        m_stack.clear();
        emit outOfStep(name);
        return;
    }
    emit applied();
}

void ListHistory::undo()
{
    if (canUndo())
        step(true);
}

void ListHistory::redo()
{
    if (canRedo())
        step(false);
}
