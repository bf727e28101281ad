#pragma once

#include "records/InventoryRecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

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
};

// Reads UTF-8 text (a byte order mark is let pass) separated by commas or
// by semicolons, whichever the header line holds outside quotes. The header
// names the columns by the sheet's captions in any order and any case; a
// caption it leaves out is an empty field of every record, a caption it
// does not know is a fault. Lines end in CRLF or LF; blank lines are passed
// over.
ReadTable readCsv(const QByteArray& bytes);

// The records as CSV: the captions, then the records in order, every line
// ended by CRLF, UTF-8 without a byte order mark.
QByteArray csvText(std::span<const InventoryRecord> records);

// The column of a caption of the sheet, in any case; -1 for another text.
int fieldOfCaption(const QString& caption);

} // namespace records
