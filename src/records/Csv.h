#pragma once

#include "records/InventoryRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

// Records as comma-separated text (RFC 4180): a header line of the nine
// captions of the inventory sheet, then a line a record. Fields with the
// separator, a quote or a line break in them are quoted, quotes doubled.
namespace records {

// What was found wrong with a file, where: its line (from 1) and the field
// (a caption), or 0 and "" when it is the file as a whole.
struct FileFault {
    int line = 0;
    QString field;
    QString what;
};

// A table of records read from a file, with the line each began on.
struct ReadTable {
    std::vector<InventoryRecord> records;
    std::vector<int> lines;
    std::vector<FileFault> faults;
    // The line of the captions (a row of a sheet).
    int headerLine = 1;
};

// The bytes of a file piece by piece, an empty piece at its end. A source
// throws (a FileError) when it cannot read.
using ByteSource = std::function<QByteArray()>;

// What an import holds of a file at most, so that no file, however large,
// takes more memory than these allow: the characters of one line (nine
// fields as long as a cell holds, quoted) and those of all its items
// together. A file past either is refused as soon as it is seen.
inline constexpr qsizetype MaxLineCharacters = 1 << 20;
inline constexpr qsizetype MaxItemCharacters = 1 << 25;
// The most lines read, blank ones too (as many as a sheet has rows): no
// stream, however long, is read for ever.
inline constexpr int MaxLines = 1 << 20;

// Reads UTF-8 text (a byte order mark is let pass) separated by commas or
// by semicolons, whichever the first line holds outside quotes. The header
// names the columns by the sheet's captions in any order and any case; a
// caption it leaves out is an empty field of every record, a caption it
// does not know is a fault, a column without a caption is passed over
// unless a line has something in it. The header is the first line, or,
// when that names a column the sheet does not have, the first of the next
// lines that holds all nine captions (a spreadsheet program's CSV of the
// inventory sheet has the title above them). Lines end in CRLF or LF; blank
// lines are passed over. Every line in fault is named, each for the first
// fault found in it. The text is read a piece at a time: a file of more
// items than the list holds is refused at the first one too many.
ReadTable readCsv(const ByteSource& source);
ReadTable readCsv(const QByteArray& bytes);

// The records as CSV: the captions, then the records in order, every line
// ended by CRLF, UTF-8 without a byte order mark.
QByteArray csvText(std::span<const InventoryRecord> records);

// The fault of a file that holds more items than the list can: it is
// refused as soon as the first item too many is read.
QString tooManyItems();

// The column of a caption of the sheet, in any case; -1 for another text.
int fieldOfCaption(const QString& caption);

} // namespace records
