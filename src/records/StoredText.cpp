#include "records/StoredText.h"

#include <QVarLengthArray>

#include <algorithm>

namespace records {

namespace {

// text with the bars of the stored form before and after it.
QVarLengthArray<QChar, 32> withBars(QStringView text, bool before, bool after)
{
    QVarLengthArray<QChar, 32> chars;
    const QChar bar(QLatin1Char('|'));
    if (before)
        chars << bar << bar;
    chars.append(text.data(), text.size());
    if (after)
        chars << bar << bar;
    return chars;
}

// Whether text holds separator at position at.
bool separatorAt(QStringView text, qsizetype at, QLatin1String separator)
{
    if (at + separator.size() > text.size())
        return false;
    for (qsizetype i = 0; i < separator.size(); ++i)
        if (text[at + i] != QLatin1Char(separator[i]))
            return false;
    return true;
}

} // namespace

QList<QStringView> piecesBetween(QStringView text, QLatin1String separator, qsizetype expected)
{
    QList<QStringView> pieces;
    pieces.reserve(expected);
    qsizetype from = 0;
    qsizetype at = 0;
    while (at < text.size()) {
        if (separatorAt(text, at, separator)) {
            pieces.append(text.sliced(from, at - from));
            at += separator.size();
            from = at;
        } else {
            ++at;
        }
    }
    pieces.append(text.sliced(from));
    return pieces;
}

void appendStoredRecord(QString& text, const InventoryRecord& record)
{
    for (int n = 0; n < InventoryRecord::FieldCount; ++n) {
        text += record[n];
        text += QLatin1String(n + 1 < InventoryRecord::FieldCount ? FieldSeparator : RecordSeparator);
    }
}

QString separatorIn(const QString& text)
{
    const QLatin1String field(FieldSeparator);
    const QLatin1String record(RecordSeparator);
    for (const QLatin1String separator : {field, record})
        if (text.contains(separator))
            return separator;
    // A separator that the text makes with the separators around it in the
    // stored form: "Size||SEP1" and the "||SEP1||" after it read back as
    // "Size" and a field "SEP1||..."; "SEP2||x" after a "||SEP1||" ends the
    // record there. Every separator begins and ends with "||", so such a
    // separator lies within the first or the last few characters of the
    // text and the bars beside them, which are looked at without a copy of
    // a long text.
    const QStringView view(text);
    const qsizetype end = std::min<qsizetype>(view.size(), field.size() - 1);
    const QVarLengthArray<QChar, 32> head = withBars(view.first(end), true, false);
    const QVarLengthArray<QChar, 32> tail = withBars(view.last(end), false, true);
    const QVarLengthArray<QChar, 32> whole = withBars(view.size() < field.size() ? view : QStringView(), true, true);
    const auto within = [](const QVarLengthArray<QChar, 32>& chars, QLatin1String separator) {
        return QStringView(chars.data(), chars.size()).contains(separator);
    };
    if (within(tail, field))
        return field;
    if (within(head, record) || within(tail, record) || (view.size() < field.size() && within(whole, record)))
        return record;
    return {};
}

QString storedTextOf(std::span<const InventoryRecord> records)
{
    QString text;
    for (const InventoryRecord& record : records)
        appendStoredRecord(text, record);
    return text;
}

QByteArray storedBytesOf(std::span<const InventoryRecord> records)
{
    QByteArray bytes;
    for (const InventoryRecord& record : records)
        for (int n = 0; n < InventoryRecord::FieldCount; ++n) {
            bytes += record[n].toUtf8();
            bytes += n + 1 < InventoryRecord::FieldCount ? FieldSeparator : RecordSeparator;
        }
    return bytes;
}

std::vector<InventoryRecord> recordsOf(QStringView text)
{
    std::vector<InventoryRecord> records;
    for (const QStringView piece : piecesBetween(text, QLatin1String(RecordSeparator))) {
        if (piece.isEmpty())
            continue;
        const QList<QStringView> fields =
            piecesBetween(piece, QLatin1String(FieldSeparator), InventoryRecord::FieldCount);
        InventoryRecord record;
        for (int n = 0; n < InventoryRecord::FieldCount && n < fields.size(); ++n)
            record[n] = fields[n].toString();
        records.push_back(std::move(record));
    }
    return records;
}

} // namespace records
