#pragma once

#include "records/InventoryRecord.h"

#include <QAbstractTableModel>

#include <vector>

// The items of the list control ListView1, which are the record list of the
// run: a table model over a plain vector of records. Positions count from 1,
// as the list control numbers its items; column 0 shows the item text
// (InventoryID), columns 1 to 8 the sub-items. A position outside 1 to
// Count(), or a sub-item number outside 1 to 8, throws quorvale::Error.
class ListItems : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int Capacity = 32767;

    explicit ListItems(QObject* parent = nullptr);

    int Count() const { return int(m_records.size()); }
    const QString& Text(int position) const;
    void setText(int position, const QString& text);
    const QString& SubItem(int position, int n) const;
    void setSubItem(int position, int n, const QString& text);
    // Appends an item with the given text and empty sub-items; returns its
    // position.
    int Add(const QString& text);
    // Removes the item at position; the items after it move up by one.
    void Remove(int position);
    void Clear();

    const InventoryRecord& record(int position) const;
    const std::vector<InventoryRecord>& records() const { return m_records; }

    // One change of the list: at row (from 0), the records removed and the
    // records put in their place. An edit of an item is one record for one.
    struct Splice {
        int row = 0;
        std::vector<InventoryRecord> removed;
        std::vector<InventoryRecord> inserted;
    };
    // While a journal is set, every change made through the list is added
    // to it, the edits of one item in a row (its text, then its sub-items)
    // as one splice; nullptr ends the journal.
    void setJournal(std::vector<Splice>* journal) { m_journal = journal; }
    // Makes a change: removes removeCount records at row and inserts the
    // given ones there. Where as many come in as go, the items keep their
    // numbers and the views hear of an edit. Throws quorvale::Error for rows
    // outside the list.
    void splice(int row, int removeCount, const std::vector<InventoryRecord>& inserted);

    // Every item has a number of its own for as long as it is in the list,
    // never given to another: how a store tells the items it stored from
    // those added since, when another program changed the stored list
    // meanwhile.
    using RowId = quint64;
    const std::vector<RowId>& rowIds() const { return m_rowIds; }
    // The position of the item with that number; 0 when it is gone.
    int positionOf(RowId id) const;

    // Items appended in one pass, as the restore of the stored list appends
    // them: Add and setSubItem work as on the list, on the items added
    // through the batch, and the views hear of those items once, as one
    // insertion, when the batch ends.
    class Batch {
    public:
        explicit Batch(ListItems& items) : m_items(items) {}
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

        int Add(const QString& text);
        void setSubItem(int position, int n, const QString& text);

    private:
        ListItems& m_items;
        std::vector<InventoryRecord> m_added;
    };

    // The column captions and their widths in twips.
    struct Column {
        QString caption;
        int widthTwips = 1440;
    };
    // ColumnHeaders.Add: appends a column, returns its number (from 1). The
    // view shows as many columns as have been added.
    int addColumn(const QString& caption);
    void setColumnWidth(int column, int widthTwips);
    const std::vector<Column>& columns() const { return m_columns; }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void columnWidthChanged(int column, int widthTwips);

private:
    std::size_t checkedRow(int position) const;
    static void checkSubItem(int n);
    void noteEdit(std::size_t row, int field, const QString& was);
    void noteSplice(int row, std::vector<InventoryRecord> removed, std::vector<InventoryRecord> inserted);

    RowId newRowId() { return m_nextRowId++; }

    std::vector<InventoryRecord> m_records;
    std::vector<RowId> m_rowIds;
    RowId m_nextRowId = 1;
    std::vector<Splice>* m_journal = nullptr;
    std::vector<Column> m_columns;
};
