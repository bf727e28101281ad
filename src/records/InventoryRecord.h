#pragma once

#include <QString>

#include <array>

// One inventory item: nine free-text fields in a fixed order, the order of
// the list columns, of the stored fields and of the workbook columns.
struct InventoryRecord {
    enum Field {
        InventoryID,
        InventoryName,
        Description,
        UnitPrice,
        QtyInStock,
        ReorderLevel,
        ReorderTime,
        QuantityReorder,
        Discontinued,
    };
    static constexpr int FieldCount = 9;
    // The most characters a field may hold: what a cell of the sheet holds.
    static constexpr int MaxFieldLength = 32767;

    std::array<QString, FieldCount> fields;

    const QString& operator[](int field) const { return fields[std::size_t(field)]; }
    QString& operator[](int field) { return fields[std::size_t(field)]; }

    friend bool operator==(const InventoryRecord&, const InventoryRecord&) = default;
};
