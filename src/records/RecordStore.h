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

// The stored value as the restore reads it: its text, and a description of
// what is wrong with it or with the settings file, empty when nothing is.
// A value that is not text gives no text; bytes that are not UTF-8 give the
// characters that can be read.
struct StoredValue {
    QString text;
    QString fault;
};
StoredValue readStoredValue();
// The text of the stored value; the empty text when there is none.
QString readStoredList();
// Replaces the stored value. The settings file is written to a temporary
// file and renamed over the old one, and checked afterwards: when it turns
// out cut short, the old one is put back, so it is never left half written.
// A value that this program could not read is never replaced by the empty
// list, and before it is replaced by records, or before a damaged settings
// file is written anew, a copy of the file as it was is kept beside it. A
// damaged file (or one whose value is damaged) is written anew with the
// stored list alone: whatever else was read of it stays in the copy.
// Throws quorvale::Error when the value cannot be written.
void writeStoredList(const QString& value);

// Appends one record in the stored form, ended by the record separator.
void appendStoredRecord(QString& text, const InventoryRecord& record);
// The separator that text contains, or forms with the separators around it
// in the stored form, or the empty text. A field holding one would come back
// split at the next start.
QString separatorIn(const QString& text);

// The settings file that holds the stored value.
QString settingsFilePath();

// What the store does when the settings store cannot take the list.
enum class WhenStoreFails {
    // Asks whether to try again or to close anyway; closing anyway keeps the
    // list in the recovery file, which the question names.
    Ask,
    // Nobody is there to ask (the session ends, the program is told to
    // stop): the list goes to the recovery file at once.
    KeepList,
};

// The store of the closing request, as its steps 100 to 108 of t.
void storeList(shell::Trace& t, const ListItems& items, WhenStoreFails whenFails = WhenStoreFails::Ask);
// The restore of the start-up sequence, as its steps 172 to 200 of t: appends
// the stored records to items, or those of a recovery file newer than them
// when the user takes that up. What is wrong with the stored value as a whole
// is a fault of step 172, after which the records that could be read are
// still restored. Missing fields of records stay empty and are reported
// once, at the step of the first, with how many records and fields lack.
void restoreList(shell::Trace& t, ListItems& items);

} // namespace records
