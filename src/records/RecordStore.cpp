#include "records/RecordStore.h"

#include "automation/Error.h"
#include "records/Fields.h"
#include "records/ListItems.h"
#include "shell/Trace.h"

#include <QSettings>
#include <QStringList>

namespace records {

namespace {

constexpr char Organization[] = "Tallowind";
constexpr char Group[] = "Quorvale";
constexpr char Key[] = "Inventory List";

QString statusText(QSettings::Status status)
{
    return status == QSettings::AccessError ? QStringLiteral("the file cannot be written")
                                            : QStringLiteral("the file is not in the settings format");
}

// The field piece n of a stored record; a record that ends early has none.
const QString& fieldPiece(const QStringList& pieces, int n, int position)
{
    if (n >= pieces.size())
        throw quorvale::Error(QStringLiteral("Stored record %1 has no %2 field.")
                                  .arg(position)
                                  .arg(QLatin1String(Fields[std::size_t(n)].name)));
    return pieces[n];
}

} // namespace

QString readStoredList()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    settings.beginGroup(QLatin1String(Group));
    // Text and UTF-8 bytes both read as the text they hold.
    return settings.value(QLatin1String(Key), QString()).toString();
}

void writeStoredList(const QString& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    settings.setAtomicSyncRequired(true);
    settings.beginGroup(QLatin1String(Group));
    // Kept as UTF-8 bytes, which read back as the same text: the settings
    // file writer encodes a text value one character at a time, several times
    // slower than bytes for a long list.
    settings.setValue(QLatin1String(Key), value.toUtf8());
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw quorvale::Error(QStringLiteral("The inventory list could not be saved to %1: %2.")
                                  .arg(settings.fileName(), statusText(settings.status())));
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
    // record there. Every separator begins and ends with "||".
    const QLatin1String bar("||");
    if ((text + bar).contains(field))
        return field;
    if ((bar + text + bar).contains(record))
        return record;
    return {};
}

void storeList(shell::Trace& t, const ListItems& items)
{
    QString text;
    t.line(100, [&] { text.clear(); });
    int count = 0;
    t.line(102, [&] { count = items.Count(); });
    for (int position = 1; position <= count; ++position)
        t.line(104, [&] { appendStoredRecord(text, items.record(position)); });
    t.line(108, [&] { writeStoredList(text); });
}

void restoreList(shell::Trace& t, ListItems& items)
{
    QString stored;
    t.line(172, [&] { stored = readStoredList(); });
    QStringList pieces;
    t.line(174, [&] { pieces = stored.split(QLatin1String(RecordSeparator)); });
    qsizetype last = -1;
    t.line(176, [&] { last = pieces.size() - 1; });
    for (qsizetype i = 0; i <= last; ++i) {
        if (!t.test(178, [&] { return !pieces[i].isEmpty(); }))
            continue;
        QStringList fields;
        t.line(180, [&] { fields = pieces[i].split(QLatin1String(FieldSeparator)); });
        int position = 0;
        t.line(182, [&] { position = items.Add(fields.value(0)); });
        for (int n = 1; n < InventoryRecord::FieldCount; ++n)
            t.line(182 + 2 * n, [&] { items.setSubItem(position, n, fieldPiece(fields, n, position)); });
    }
}

} // namespace records
