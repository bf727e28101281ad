#include "records/RecordStore.h"

#include "core/Error.h"
#include "core/Files.h"
#include "records/Fields.h"
#include "records/ListItems.h"
#include "records/RecoveryFile.h"
#include "shell/Services.h"
#include "shell/Trace.h"

#include <QByteArrayView>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QSettings>
#include <QTemporaryDir>
#include <QStringList>
#include <QVarLengthArray>

#include <cstdio>
#include <optional>
#include <system_error>

namespace records {

namespace {

constexpr char Organization[] = "Tallowind";
constexpr char Group[] = "Quorvale";
constexpr char Key[] = "Inventory List";
// The key as the settings file writes it.
constexpr char KeyInFile[] = "Inventory%20List=";

QString fullKey() { return QLatin1String(Group) + QLatin1Char('/') + QLatin1String(Key); }

quorvale::Error cannotSave(const QString& path, const QString& why)
{
    return quorvale::Error(QStringLiteral("The inventory list could not be saved to %1: %2.").arg(path, why));
}

// The settings files found damaged in this run. The settings store keeps
// what it has read of a file, so a later look at the same file does not
// find the damage again.
QStringList& damagedFiles()
{
    static QStringList files;
    return files;
}

// What a stored value is to this program: the text it writes (UTF-8 bytes,
// or text as an older writer kept it), bytes that are not UTF-8, no text at
// all (a list, a number, a kind of value unknown here), or the stored form
// of bytes or of a value that the settings store could not read, which it
// hands over as the text of that form: cut short, or written by another
// program.
enum class ValueKind { Missing, Text, NotUtf8, NotText, Damaged };

// The text of a stored form that the settings store did not read.
bool isUnreadForm(const QString& text)
{
    return text.startsWith(QLatin1String("@ByteArray(")) || text.startsWith(QLatin1String("@Variant("));
}

ValueKind kindOf(const QSettings& settings, const QVariant& value)
{
    if (!settings.contains(fullKey()))
        return ValueKind::Missing;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return isUnreadForm(value.toString()) ? ValueKind::Damaged : ValueKind::Text;
    case QMetaType::QByteArray:
        return QByteArrayView(value.toByteArray()).isValidUtf8() ? ValueKind::Text : ValueKind::NotUtf8;
    default:
        return ValueKind::NotText;
    }
}

QString whatItHolds(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("a value of a kind this program does not know");
    if (value.metaType().id() == QMetaType::QStringList)
        return QStringLiteral("a list of texts");
    return QStringLiteral("a value of type %1").arg(QLatin1String(value.metaType().name()));
}

// Copies the settings file at path beside it, under path + suffix or, when
// that is taken by an earlier copy, path + suffix + ".2", ".3" and so on. A
// copy never replaces a file, not even one made meanwhile.
void keepCopy(const QString& path, const QString& suffix)
{
    QString copy = path + suffix;
    for (int n = 2; QFileInfo::exists(copy) || QFileInfo(copy).isSymLink(); ++n)
        copy = path + suffix + QLatin1Char('.') + QString::number(n);
    try {
        quorvale::files::NewFile file(copy, quorvale::files::Access::AsReplaced, quorvale::files::Existing::Keep);
        file.write(quorvale::files::readPlainFile(path));
        file.commit();
    } catch (const quorvale::files::FileError& e) {
        throw cannotSave(path, QStringLiteral("a copy of the settings file as it was could not be kept as %1 (%2)")
                                   .arg(copy, e.reason()));
    }
}

// The line of the file that starts with prefix, at or after from; -1 when
// there is none.
qsizetype lineStartingWith(const QByteArray& contents, const QByteArray& prefix, qsizetype from)
{
    if (from == 0 && contents.startsWith(prefix))
        return 0;
    const qsizetype at = contents.indexOf(QByteArray(1, '\n') + prefix, from);
    return at < 0 ? -1 : at + 1;
}

// Whether the text of a settings file holds a stored value of valueBytes
// bytes whole: its line is there and ends, and so does the text. Qt's
// settings writer does not notice a last write that was cut short, as on a
// full disk, and hands over the cut file as written.
bool holdsWhole(const QByteArray& contents, qsizetype valueBytes)
{
    if (!contents.endsWith('\n'))
        return false;
    const qsizetype section = lineStartingWith(contents, QByteArray("[") + Group + "]", 0);
    const qsizetype line = section < 0 ? -1 : lineStartingWith(contents, KeyInFile, section);
    const qsizetype end = line < 0 ? -1 : contents.indexOf('\n', line);
    return end >= 0 && end - line >= qsizetype(sizeof KeyInFile - 1) + valueBytes;
}

// A folder of this run's own, the user's alone, for the working copy of the
// settings file.
const QTemporaryDir& workingFolder()
{
    static const QTemporaryDir folder(QDir(QDir::tempPath()).filePath(QStringLiteral("quorvale-store-XXXXXX")));
    return folder;
}

// The text of the settings file with the stored value set to bytes. Qt's
// settings writer makes it, in a working copy of the file's text now (none
// when what is there is not kept), so the file's format stays Qt's in every
// detail; the program's file writer then puts it in place.
QByteArray settingsTextWith(const QString& path, const QByteArray& now, const QByteArray& bytes)
{
    const QTemporaryDir& folder = workingFolder();
    if (!folder.isValid())
        throw cannotSave(path, QStringLiteral("no working copy of it can be made in %1 (%2)")
                                   .arg(QDir::toNativeSeparators(QDir::tempPath()), folder.errorString()));
    const QString copy = folder.filePath(QStringLiteral("Tallowind.conf"));
    const auto removeCopy = qScopeGuard([&] { QFile::remove(copy); });
    if (!now.isEmpty())
        quorvale::files::writeWhole(copy, now, quorvale::files::Access::UserOnly);
    {
        QSettings settings(copy, QSettings::IniFormat);
        settings.setValue(fullKey(), bytes);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            throw cannotSave(path, QStringLiteral("its new text could not be made in %1 (the disk may be full), so "
                                                  "the list stored before is kept")
                                       .arg(QDir::toNativeSeparators(folder.path())));
    }
    QByteArray text = quorvale::files::readOwnFile(copy);
    if (!holdsWhole(text, bytes.size()))
        throw cannotSave(path, QStringLiteral("the file could not be written whole (the disk may be full), so the "
                                              "list stored before is kept"));
    return text;
}

// The fields that stored records with fewer fields than a record has lack,
// told in one report rather than one a field.
class MissingFields {
public:
    // Field n of the record at position is missing; line is its step.
    void add(int line, int position, int n)
    {
        if (m_fields++ == 0) {
            m_line = line;
            m_first = QStringLiteral("Stored record %1 has no %2 field.")
                          .arg(position)
                          .arg(QLatin1String(Fields[std::size_t(n)].name));
        }
        if (position != m_lastRecord) {
            m_lastRecord = position;
            ++m_records;
        }
    }

    // One report at the step of the first missing field.
    void report(const shell::Trace& t) const
    {
        if (m_fields == 0)
            return;
        QString text = m_first;
        if (m_fields > 1)
            text = QStringLiteral("%1 In all, %2 stored records lack %3 fields. The missing fields are left empty; "
                                  "every text the records hold was loaded.")
                       .arg(m_first)
                       .arg(m_records)
                       .arg(m_fields);
        shell::ProcedureErrorReport(text, t.path(), m_line);
    }

private:
    int m_fields = 0;
    int m_records = 0;
    int m_lastRecord = 0;
    int m_line = 0;
    QString m_first;
};

QString keptQuestion(const QString& failure)
{
    return QStringLiteral("%1\r\n\r\nClose Quorvale anyway? The list is then kept in %2 and offered back at the "
                          "next start.\r\nChoose No to try again.")
        .arg(failure, QDir::toNativeSeparators(recoveryFilePath()));
}

QString lostQuestion(const QString& failure, const QString& keepFailure)
{
    return QStringLiteral("%1\r\n%2\r\n\r\nClose Quorvale anyway? The changes of this run are then lost.\r\n"
                          "Choose No to try again.")
        .arg(failure, keepFailure);
}

// Writes the list to the settings store. When it cannot, asks whether to
// try again or to close anyway, keeping the list in the recovery file (or
// keeps it there at once when nobody is to be asked), so that closing never
// loses it without the user's word.
void storeOrKeep(const QString& text, WhenStoreFails whenFails)
{
    QString keepFailure;
    for (;;) {
        QString failure;
        try {
            writeStoredList(text);
            storedListWritten();
            return;
        } catch (const quorvale::Error& e) {
            failure = e.description();
        }
        // Once the program has been ended (told to stop while this store
        // asked), nobody answers any more.
        if (whenFails == WhenStoreFails::KeepList || shell::Services::applicationEnded()) {
            try {
                writeRecoveryFile(text);
            } catch (const quorvale::Error& e) {
                // No box may hold up the end of a session: standard error is
                // what is left to tell.
                std::fprintf(stderr, "%s\n%s\n", qPrintable(failure), qPrintable(e.description()));
            }
            return;
        }
        const QString question = keepFailure.isEmpty() ? keptQuestion(failure) : lostQuestion(failure, keepFailure);
        if (shell::MsgBox(question, shell::MessageButtons::YesNo) != shell::MessageAnswer::Yes)
            continue;
        if (!keepFailure.isEmpty())
            return; // the user closes, knowing the changes are lost
        try {
            writeRecoveryFile(text);
            return;
        } catch (const quorvale::Error& e) {
            keepFailure = e.description();
        }
    }
}

// Step 172 of the restore, after the stored value is read: a list kept in
// the recovery file at an earlier close that could not store it is offered
// back, and replaces the stored text when the user takes it.
void offerRecoveredList(QString& stored)
{
    const std::optional<RecoveredList> recovered = recoveredListToOffer();
    if (!recovered)
        return;
    const QString question =
        QStringLiteral("When Quorvale last closed, the inventory list could not be saved, and it was kept in %1 "
                       "(%2).\r\n\r\nLoad that list instead of the stored one?\r\nChoose No to keep the stored list.")
            .arg(QDir::toNativeSeparators(recoveryFilePath()),
                 QLocale().toString(recovered->written, QLocale::ShortFormat));
    if (shell::MsgBox(question, shell::MessageButtons::YesNo) != shell::MessageAnswer::Yes)
        return;
    stored = recovered->text;
    noteRecoveredListLoaded();
}

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

} // namespace

QString settingsFilePath()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization)).fileName();
}

StoredValue readStoredValue()
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    settings.allKeys(); // reads every part of the file, so damage anywhere shows
    const QVariant value = settings.value(fullKey());
    const QString path = settings.fileName();
    StoredValue stored;
    QStringList faults;
    if (settings.status() == QSettings::AccessError)
        faults << QStringLiteral("The settings file %1 cannot be read, so no record was loaded.").arg(path);
    else if (settings.status() == QSettings::FormatError && !damagedFiles().contains(path))
        damagedFiles() << path;
    if (damagedFiles().contains(path))
        faults << QStringLiteral("The settings file %1 is damaged: parts of it are not in the settings format and "
                                 "were left out. When the list is stored, a copy of the file as it was is kept in "
                                 "the same folder.")
                      .arg(path);
    switch (kindOf(settings, value)) {
    case ValueKind::Missing:
        break;
    case ValueKind::Text:
        // Text and UTF-8 bytes both read as the text they hold.
        stored.text = value.toString();
        break;
    case ValueKind::NotUtf8:
        stored.text = value.toString();
        faults << QStringLiteral("The stored inventory list in %1 is not UTF-8 text: characters that could not be "
                                 "read show as %2. When the list is stored, a copy of the settings file as it was is "
                                 "kept in the same folder.")
                      .arg(path, QChar(QChar::ReplacementCharacter));
        break;
    case ValueKind::NotText:
        faults << QStringLiteral("The stored inventory list in %1 is not in this program's format (it holds %2), so "
                                 "no record was loaded. It stays as it is until records are stored over it; a copy of "
                                 "the settings file as it was is then kept in the same folder.")
                      .arg(path, whatItHolds(value));
        break;
    case ValueKind::Damaged:
        faults << QStringLiteral("The stored inventory list in %1 is damaged: it was cut short, or written by another "
                                 "program in a form this program cannot read, so no record was loaded. It stays as "
                                 "it is until records are stored over it; a copy of the settings file as it was is "
                                 "then kept in the same folder.")
                      .arg(path);
        break;
    }
    stored.fault = faults.join(QLatin1Char(' '));
    return stored;
}

QString readStoredList() { return readStoredValue().text; }

void writeStoredList(const QString& value)
{
    // Kept as UTF-8 bytes, which read back as the same text: the settings
    // file writer encodes a text value one character at a time, several times
    // slower than bytes for a long list.
    const QByteArray bytes = value.toUtf8();

    // What is there now decides what is kept of it.
    QSettings present(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    const QString path = present.fileName();
    present.allKeys();
    const ValueKind kind = kindOf(present, present.value(fullKey()));
    const bool damagedValue = kind == ValueKind::Damaged;
    const bool unreadable = kind == ValueKind::NotUtf8 || kind == ValueKind::NotText || damagedValue;
    // An empty list does not replace a value this program could not read.
    if (unreadable && value.isEmpty())
        return;
    const bool damaged = present.status() == QSettings::FormatError || damagedFiles().contains(path) || damagedValue;
    if (damaged)
        keepCopy(path, QStringLiteral(".damaged"));
    else if (unreadable)
        keepCopy(path, QStringLiteral(".unreadable"));

    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw cannotSave(path, QStringLiteral("its folder %1 cannot be made")
                                   .arg(QDir::toNativeSeparators(QFileInfo(path).absolutePath())));
    try {
        // What the store read of a damaged file besides the list is not the
        // program's: it stays in the copy alone. A file of the list alone,
        // as this program writes it, is made anew.
        const QStringList keys = present.allKeys();
        const bool others = !keys.isEmpty() && keys != QStringList{fullKey()};
        const QByteArray now = damaged || !others ? QByteArray() : quorvale::files::readPlainFile(path);
        quorvale::files::writeWhole(path, settingsTextWith(path, now, bytes));
    } catch (const quorvale::files::FileError& e) {
        throw cannotSave(path, e.reason());
    }
    if (damaged)
        damagedFiles().removeAll(path);
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

void storeList(shell::Trace& t, const ListItems& items, WhenStoreFails whenFails)
{
    QString text;
    t.line(100, [&] { text.clear(); });
    int count = 0;
    t.line(102, [&] { count = items.Count(); });
    for (int position = 1; position <= count; ++position)
        t.line(104, [&] { appendStoredRecord(text, items.record(position)); });
    t.line(108, [&] { storeOrKeep(text, whenFails); });
}

namespace {

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

// The pieces of text between the separators, read where they lie in it, as
// QString::split cuts them.
QList<QStringView> piecesBetween(QStringView text, QLatin1String separator, qsizetype expected = 0)
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

// Steps 180 to 198 of the restore: one stored record, its fields read where
// they lie in it.
void restoreRecord(shell::Trace& t, ListItems::Batch& restored, QStringView record, MissingFields& missing)
{
    QList<QStringView> fields;
    t.line(180, [&] { fields = piecesBetween(record, QLatin1String(FieldSeparator), InventoryRecord::FieldCount); });
    int position = 0;
    t.line(182, [&] { position = restored.Add(fields.value(0).toString()); });
    for (int n = 1; n < InventoryRecord::FieldCount; ++n) {
        const int line = 182 + 2 * n;
        t.line(line, [&] {
            if (n < fields.size())
                restored.setSubItem(position, n, fields[n].toString());
            else
                missing.add(line, position, n);
        });
    }
}

} // namespace

void restoreList(shell::Trace& t, ListItems& items)
{
    QString stored;
    t.line(172, [&] {
        StoredValue value = readStoredValue();
        stored = std::move(value.text);
        if (!value.fault.isEmpty())
            throw quorvale::Error(value.fault);
    });
    t.line(172, [&] { offerRecoveredList(stored); });
    // The records are read where they lie in the stored text.
    QList<QStringView> pieces;
    t.line(174, [&] { pieces = piecesBetween(stored, QLatin1String(RecordSeparator)); });
    qsizetype last = -1;
    t.line(176, [&] { last = pieces.size() - 1; });
    MissingFields missing;
    {
        ListItems::Batch restored(items);
        for (qsizetype i = 0; i <= last; ++i)
            if (t.test(178, [&] { return !pieces[i].isEmpty(); }))
                restoreRecord(t, restored, pieces[i], missing);
    }
    missing.report(t);
}

} // namespace records
