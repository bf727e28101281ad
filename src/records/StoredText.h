#pragma once

#include "records/InventoryRecord.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <span>
#include <vector>

// The stored form of the record list: every record is its nine fields
// joined by the field separator and ended by the record separator; nothing
// is escaped.
namespace records {

inline constexpr char FieldSeparator[] = "||SEP1||";
inline constexpr char RecordSeparator[] = "||SEP2||";

// Appends one record in the stored form, ended by the record separator.
void appendStoredRecord(QString& text, const InventoryRecord& record);
// The stored form of records.
QString storedTextOf(std::span<const InventoryRecord> records);
// The same as UTF-8 bytes, as the settings file keeps it.
QByteArray storedBytesOf(std::span<const InventoryRecord> records);

// The separator that text contains, or forms with the separators around it
// in the stored form, or the empty text. A field holding one would come back
// split at the next start.
QString separatorIn(const QString& text);

// The pieces of text between the separators, read where they lie in it, as
// QString::split cuts them.
QList<QStringView> piecesBetween(QStringView text, QLatin1String separator, qsizetype expected = 0);

// The records of a stored text as the restore reads them: empty pieces
// between record separators are no records, fields past the ninth are left
// out and missing ones left empty.
std::vector<InventoryRecord> recordsOf(QStringView text);

} // namespace records
