#include "records/ListItems.h"

#include "core/Error.h"

#include <algorithm>
#include <iterator>

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

void ListItems::setText(int position, const QString& text)
{
    const std::size_t row = checkedRow(position);
    m_records[row][0] = text;
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
    m_records[row][n] = text;
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
    return row + 1;
}

void ListItems::Remove(int position)
{
    const int row = int(checkedRow(position));
    beginRemoveRows({}, row, row);
    m_records.erase(m_records.begin() + row);
    m_rowIds.erase(m_rowIds.begin() + row);
    endRemoveRows();
}

void ListItems::Clear()
{
    beginResetModel();
    m_records.clear();
    m_rowIds.clear();
    endResetModel();
}

const InventoryRecord& ListItems::record(int position) const { return m_records[checkedRow(position)]; }

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
    m_items.m_records.insert(m_items.m_records.end(), std::make_move_iterator(m_added.begin()),
                             std::make_move_iterator(m_added.end()));
    for (std::size_t i = 0; i < m_added.size(); ++i)
        m_items.m_rowIds.push_back(m_items.newRowId());
    m_items.endInsertRows();
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
