#include "records/SettingsFile.h"

#include "core/Error.h"
#include "core/Files.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScopeGuard>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <mutex>
#include <thread>

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

// The settings files found damaged in this run, with what is wrong with
// each. The settings store keeps what it has read of a file, so a later look
// at the same file does not find the damage again.
QHash<QString, QString>& damagedFiles()
{
    static QHash<QString, QString> files;
    return files;
}

// The settings file is read and written by one thread at a time.
std::mutex& settingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

// One store of the list at a time within this program, as the lock file
// allows one a user across programs.
std::mutex& storeMutex()
{
    static std::mutex mutex;
    return mutex;
}

// Damage that Qt's settings reader passes over without a word: a file cut
// short (every settings file ends with a line break, and a value cut right
// after a ")" still reads as bytes), bytes that are not UTF-8 (read as
// replacement characters), the list's key twice (the last wins), or the
// program's group without its list (a file cut at the end of a line).
// Empty when there is none.
QString silentDamage(const QByteArray& file)
{
    if (file.isEmpty())
        return {};
    if (!file.endsWith('\n'))
        return QStringLiteral("it was cut short");
    if (!QByteArrayView(file).isValidUtf8())
        return QStringLiteral("it holds bytes that are not UTF-8 text");
    const QByteArray group = QByteArray("[") + Group + ']';
    int keys = 0;
    bool inGroup = false;
    bool groupSeen = false;
    for (qsizetype from = 0; from < file.size();) {
        const qsizetype end = file.indexOf('\n', from);
        const QByteArrayView line = QByteArrayView(file).sliced(from, end - from).trimmed();
        from = end + 1;
        if (line.startsWith('[')) {
            inGroup = line == group;
            groupSeen = groupSeen || inGroup;
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGroup && equals > 0 && line.first(equals).trimmed().toByteArray().replace("%20", " ") == Key)
            ++keys;
    }
    if (keys > 1)
        return QStringLiteral("it holds the inventory list %1 times, and only the last was read").arg(keys);
    if (groupSeen && keys == 0)
        return QStringLiteral("its group [%1] holds no inventory list").arg(QLatin1String(Group));
    return {};
}

// The bytes of the settings file at path; none when there is no file.
QByteArray settingsBytes(const QString& path)
{
    return QFileInfo::exists(path) ? quorvale::files::readPlainFile(path) : QByteArray();
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
        quorvale::files::NewFile file(copy, {.existing = quorvale::files::Existing::Keep});
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
    QByteArray text;
    if (!now.isEmpty())
        quorvale::files::writeWhole(
            copy, now, {.access = quorvale::files::Access::UserOnly, .durability = quorvale::files::Durability::Scratch});
    {
        QSettings settings(copy, QSettings::IniFormat);
        settings.setValue(fullKey(), bytes);
        settings.sync();
        if (settings.status() != QSettings::NoError)
            throw cannotSave(path, QStringLiteral("its new text could not be made in %1 (the disk may be full), so "
                                                  "the list stored before is kept")
                                       .arg(QDir::toNativeSeparators(folder.path())));
        text = quorvale::files::readOwnFile(copy);
        // Qt's settings store keeps what it last wrote of a file for as long
        // as the program runs, unless the file was left empty: the working
        // copy is emptied, so the list is not held a second time.
        settings.clear();
        settings.sync();
    }
    if (!holdsWhole(text, bytes.size()))
        throw cannotSave(path, QStringLiteral("the file could not be written whole (the disk may be full), so the "
                                              "list stored before is kept"));
    return text;
}

} // namespace

QString settingsFilePath()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization)).fileName();
}

QString settingsFileIdentity()
{
    struct stat info {};
    if (::stat(QFile::encodeName(settingsFilePath()).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(info.st_dev)
        .arg(info.st_ino)
        .arg(info.st_size)
        .arg(info.st_mtim.tv_sec)
        .arg(info.st_mtim.tv_nsec);
}

StoredValue readStoredValue()
{
    const std::lock_guard lock(settingsMutex());
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    settings.allKeys(); // reads every part of the file, so damage anywhere shows
    const QVariant value = settings.value(fullKey());
    const QString path = settings.fileName();
    const ValueKind kind = kindOf(settings, value);
    StoredValue stored;
    stored.isList = kind == ValueKind::Text || kind == ValueKind::NotUtf8;
    QStringList faults;
    if (settings.status() == QSettings::AccessError) {
        faults << QStringLiteral("The settings file %1 cannot be read, so no record was loaded.").arg(path);
    } else if (!damagedFiles().contains(path) && kind != ValueKind::Damaged) { // a damaged value tells it all
        QString damage;
        if (settings.status() == QSettings::FormatError)
            damage = QStringLiteral("parts of it are not in the settings format and were left out");
        else
            try {
                damage = silentDamage(settingsBytes(path));
            } catch (const quorvale::files::FileError& e) {
                damage = e.reason();
            }
        if (!damage.isEmpty())
            damagedFiles().insert(path, damage);
    }
    if (damagedFiles().contains(path))
        faults << QStringLiteral("The settings file %1 is damaged: %2. When the list is stored, a copy of the file "
                                 "as it was is kept in the same folder.")
                      .arg(path, damagedFiles().value(path));
    switch (kind) {
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
    writeStoredBytes(value.toUtf8());
}

void writeStoredBytes(const QByteArray& bytes)
{
    // What is there now decides what is kept of it.
    const std::lock_guard lock(settingsMutex());
    QSettings present(QSettings::NativeFormat, QSettings::UserScope, QLatin1String(Organization));
    const QString path = present.fileName();
    present.allKeys();
    QByteArray file;
    try {
        file = settingsBytes(path);
    } catch (const quorvale::files::FileError& e) {
        throw cannotSave(path, e.reason());
    }
    const ValueKind kind = kindOf(present, present.value(fullKey()));
    const bool damagedValue = kind == ValueKind::Damaged;
    const bool unreadable = kind == ValueKind::NotUtf8 || kind == ValueKind::NotText || damagedValue;
    // An empty list does not replace a value this program could not read.
    if (unreadable && bytes.isEmpty())
        return;
    const bool damaged = present.status() == QSettings::FormatError || damagedFiles().contains(path) || damagedValue
        || !silentDamage(file).isEmpty();
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
        const QByteArray now = damaged || !others ? QByteArray() : file;
        quorvale::files::writeWhole(path, settingsTextWith(path, now, bytes));
    } catch (const quorvale::files::FileError& e) {
        throw cannotSave(path, e.reason());
    }
    if (damaged)
        damagedFiles().remove(path);
}

StoreLock::StoreLock(std::chrono::milliseconds timeout) : m_thisProcess(storeMutex())
{
    const QString path = settingsFilePath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw cannotSave(path, QStringLiteral("its folder %1 cannot be made").arg(QDir::toNativeSeparators(folder)));
    m_file = std::make_unique<QLockFile>(path + QStringLiteral(".lock"));
    m_file->setStaleLockTime(0); // taken over only when its process is gone: a long store is no stale lock
    // Asked for often, as another store holds it for moments only: the lock
    // file's own wait doubles its pauses up to seconds.
    const auto until = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (m_file->tryLock(0))
            return;
        if (m_file->error() != QLockFile::LockFailedError || std::chrono::steady_clock::now() >= until)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    qint64 pid = 0;
    QString host;
    QString program;
    switch (m_file->error()) {
    case QLockFile::LockFailedError:
        m_file->getLockInfo(&pid, &host, &program);
        throw cannotSave(path, QStringLiteral("another program (%1, process %2) is storing the list and did not "
                                              "finish within %3 seconds")
                                   .arg(program.isEmpty() ? QStringLiteral("unknown") : program)
                                   .arg(pid)
                                   .arg(timeout.count() / 1000));
    case QLockFile::PermissionError:
        throw cannotSave(path, QStringLiteral("Permission denied"));
    default:
        throw cannotSave(path, QStringLiteral("its lock file %1 cannot be made").arg(m_file->fileName()));
    }
}

StoreLock::~StoreLock() = default;

} // namespace records
