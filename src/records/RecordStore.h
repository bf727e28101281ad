#pragma once

#include <QString>

class ListItems;
struct InventoryRecord;

namespace shell {
class Trace;
}

// The record list between runs: one text value in the per-user settings
// store (organization "Tallowind", group "Quorvale", key "Inventory List").
// Every record is its nine fields joined by the field separator and ended by
// the record separator; nothing is escaped.
namespace records {

inline constexpr char FieldSeparator[] = "||SEP1||";
inline constexpr char RecordSeparator[] = "||SEP2||";

// The stored value; the empty text when there is none.
QString readStoredList();
// Replaces the stored value. The settings file is written to a temporary
// file and renamed over the old one, so it is never left half written;
// throws quorvale::Error when it cannot be written.
void writeStoredList(const QString& value);

// Appends one record in the stored form, ended by the record separator.
void appendStoredRecord(QString& text, const InventoryRecord& record);
// The separator that text contains, or forms with the separators around it
// in the stored form, or the empty text. A field holding one would come back
// split at the next start.
QString separatorIn(const QString& text);

// The store of the closing request, as its steps 100 to 108 of t.
void storeList(shell::Trace& t, const ListItems& items);
// The restore of the start-up sequence, as its steps 172 to 200 of t: appends
// the stored records to items. A missing field of a record is a fault of its
// own step; the sub-item stays empty.
void restoreList(shell::Trace& t, ListItems& items);

} // namespace records
