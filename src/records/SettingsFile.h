#pragma once

#include <QLockFile>
#include <QString>

#include <chrono>
#include <memory>
#include <mutex>

// The settings file that keeps the record list between runs: one text value
// in the per-user settings store (organization "Tallowind", group
// "Quorvale", key "Inventory List"), in the stored form of StoredText.h.
namespace records {

// The settings file that holds the stored value.
QString settingsFilePath();
// The settings file as it is now: which file it is, its size and its time,
// so that a store can tell whether another program stored the list since it
// looked; empty when there is none. Every writer replaces the file whole or
// at least changes its time.
QString settingsFileIdentity();

// The stored value as the restore reads it: its text, and a description of
// what is wrong with it or with the settings file, empty when nothing is.
// A value that is not text gives no text; bytes that are not UTF-8 give the
// characters that can be read. Damage that Qt's settings reader passes over
// in silence (a file cut short, the list's key twice, bytes that are not
// UTF-8, the program's group without its list) is damage as any other.
struct StoredValue {
    QString text;
    QString fault;
    // The value is there and is text (bytes that are not UTF-8 included):
    // the list stored. Otherwise the stored list is not known.
    bool isList = false;
};
StoredValue readStoredValue();
// The text of the stored value; the empty text when there is none.
QString readStoredList();

// Replaces the stored value, through the program's file writer: the old file
// stays whole until the new one is complete. A value that this program
// could not read is never replaced by the empty list, and before it is
// replaced by records, or before a damaged settings file is written anew, a
// copy of the file as it was is kept beside it. A damaged file (or one whose
// value is damaged) is written anew with the stored list alone: whatever
// else was read of it stays in the copy. Throws quorvale::Error when the
// value cannot be written.
void writeStoredList(const QString& value);
// The same with the value as UTF-8 bytes.
void writeStoredBytes(const QByteArray& bytes);

// The per-user lock of the stored list, which every read-modify-write of it
// holds (the window's stores, an import, a recovery), across threads and
// processes: a lock file beside the settings file, taken over when the
// process that held it is gone.
class StoreLock {
public:
    // Waits up to timeout for the lock. Throws quorvale::Error, in the
    // words of a store that failed, when it cannot be had.
    explicit StoreLock(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    ~StoreLock();
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    std::unique_lock<std::mutex> m_thisProcess;
    std::unique_ptr<QLockFile> m_file;
};

} // namespace records
