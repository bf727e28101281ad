#include "records/ListItems.h"

#include "core/Error.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {
[[noreturn]] void outOfBounds() { throw quorvale::Error(QStringLiteral("Index out of bounds")); }
} // namespace

ListItems::ListItems(QObject* parent) : QAbstractTableModel(parent) {}

std::size_t ListItems::checkedRow(int position) const
{
    if (position < 1 || position > Count())
        outOfBounds();
    return std::size_t(position - 1);
}

void ListItems::checkSubItem(int n)
{
    if (n < 1 || n >= InventoryRecord::FieldCount)
        outOfBounds();
}

const QString& ListItems::Text(int position) const { return m_records[checkedRow(position)][0]; }

void ListItems::noteSplice(int row, std::vector<InventoryRecord> removed, std::vector<InventoryRecord> inserted)
{
    if (m_journal)
        m_journal->push_back(Splice{row, std::move(removed), std::move(inserted)});
}

// An edit of a row that the last splice put in is part of that splice;
// field held was before the edit.
void ListItems::noteEdit(std::size_t row, int field, const QString& was)
{
    if (!m_journal)
        return;
    if (!m_journal->empty()) {
        Splice& last = m_journal->back();
        const std::size_t first = std::size_t(last.row);
        if (row >= first && row < first + last.inserted.size()) {
            last.inserted[row - first] = m_records[row];
            return;
        }
    }
    InventoryRecord before = m_records[row];
    before[field] = was;
    noteSplice(int(row), {std::move(before)}, {m_records[row]});
}

void ListItems::setText(int position, const QString& text)
{
    const std::size_t row = checkedRow(position);
    const QString was = std::exchange(m_records[row][0], text);
    noteEdit(row, 0, was);
    const QModelIndex i = index(int(row), 0);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

const QString& ListItems::SubItem(int position, int n) const
{
    const std::size_t row = checkedRow(position);
    checkSubItem(n);
    return m_records[row][n];
}

void ListItems::setSubItem(int position, int n, const QString& text)
{
    const std::size_t row = checkedRow(position);
    checkSubItem(n);
    const QString was = std::exchange(m_records[row][n], text);
    noteEdit(row, n, was);
    const QModelIndex i = index(int(row), n);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

int ListItems::Add(const QString& text)
{
    const int row = Count();
    beginInsertRows({}, row, row);
    InventoryRecord r;
    r[0] = text;
    m_records.push_back(std::move(r));
    m_rowIds.push_back(newRowId());
    endInsertRows();
    noteSplice(row, {}, {m_records.back()});
    return row + 1;
}

void ListItems::Remove(int position)
{
    const int row = int(checkedRow(position));
    noteSplice(row, {m_records[std::size_t(row)]}, {});
    beginRemoveRows({}, row, row);
    m_records.erase(m_records.begin() + row);
    m_rowIds.erase(m_rowIds.begin() + row);
    endRemoveRows();
}

void ListItems::Clear()
{
    if (!m_records.empty())
        noteSplice(0, m_records, {});
    beginResetModel();
    m_records.clear();
    m_rowIds.clear();
    endResetModel();
}

const InventoryRecord& ListItems::record(int position) const { return m_records[checkedRow(position)]; }

void ListItems::splice(int row, int removeCount, const std::vector<InventoryRecord>& inserted)
{
    if (row < 0 || removeCount < 0 || row + removeCount > Count())
        outOfBounds();
    const auto at = [&](int r) { return m_records.begin() + r; };
    std::vector<InventoryRecord> removed(at(row), at(row + removeCount));
    const int count = int(inserted.size());
    if (count == removeCount) {
        if (count == 0)
            return;
        std::copy(inserted.begin(), inserted.end(), at(row));
        emit dataChanged(index(row, 0), index(row + count - 1, columnCount() - 1), {Qt::DisplayRole});
    } else {
        if (removeCount > 0) {
            beginRemoveRows({}, row, row + removeCount - 1);
            m_records.erase(at(row), at(row + removeCount));
            m_rowIds.erase(m_rowIds.begin() + row, m_rowIds.begin() + row + removeCount);
            endRemoveRows();
        }
        if (count > 0) {
            beginInsertRows({}, row, row + count - 1);
            m_records.insert(at(row), inserted.begin(), inserted.end());
            std::vector<RowId> ids(inserted.size());
            for (RowId& id : ids)
                id = newRowId();
            m_rowIds.insert(m_rowIds.begin() + row, ids.begin(), ids.end());
            endInsertRows();
        }
    }
    noteSplice(row, std::move(removed), inserted);
}

int ListItems::positionOf(RowId id) const
{
    const auto at = std::find(m_rowIds.begin(), m_rowIds.end(), id);
    return at == m_rowIds.end() ? 0 : int(at - m_rowIds.begin()) + 1;
}

ListItems::Batch::~Batch()
{
    if (m_added.empty())
        return;
    const int first = m_items.Count();
    m_items.beginInsertRows({}, first, first + int(m_added.size()) - 1);
    // Kept for the journal when there is one: the texts are shared, not copied.
    if (m_items.m_journal)
        m_items.m_records.insert(m_items.m_records.end(), m_added.begin(), m_added.end());
    else
        m_items.m_records.insert(m_items.m_records.end(), std::make_move_iterator(m_added.begin()),
                                 std::make_move_iterator(m_added.end()));
    for (std::size_t i = 0; i < m_added.size(); ++i)
        m_items.m_rowIds.push_back(m_items.newRowId());
    m_items.endInsertRows();
    if (m_items.m_journal)
        m_items.noteSplice(first, {}, std::move(m_added));
}

int ListItems::Batch::Add(const QString& text)
{
    InventoryRecord r;
    r[0] = text;
    m_added.push_back(std::move(r));
    return m_items.Count() + int(m_added.size());
}

void ListItems::Batch::setSubItem(int position, int n, const QString& text)
{
    const int added = position - m_items.Count() - 1;
    if (added < 0 || added >= int(m_added.size()))
        outOfBounds();
    checkSubItem(n);
    m_added[std::size_t(added)][n] = text;
}

int ListItems::addColumn(const QString& caption)
{
    const int n = int(m_columns.size());
    beginInsertColumns({}, n, n);
    m_columns.push_back(Column{caption, 1440});
    endInsertColumns();
    return n + 1;
}

void ListItems::setColumnWidth(int column, int widthTwips)
{
    if (column < 1 || column > int(m_columns.size()))
        outOfBounds();
    m_columns[std::size_t(column - 1)].widthTwips = widthTwips;
    emit columnWidthChanged(column, widthTwips);
}

int ListItems::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int ListItems::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ListItems::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || index.column() >= InventoryRecord::FieldCount
        || index.column() >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return m_records[std::size_t(index.row())][index.column()];
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant ListItems::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0)
        return {};
    if (role == Qt::DisplayRole)
        return section < int(m_columns.size()) ? m_columns[std::size_t(section)].caption : QString();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
