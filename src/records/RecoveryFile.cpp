#include "records/RecoveryFile.h"

#include "core/Error.h"
#include "core/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace records {

namespace {

bool g_recoveredListLoaded = false;

[[noreturn]] void cannotKeep(const QString& path, const QString& why)
{
    throw quorvale::Error(QStringLiteral("The inventory list could not be kept in %1 either: %2.")
                              .arg(QDir::toNativeSeparators(path), why));
}

} // namespace

QString recoveryFilePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("inventory-list-recovered.txt"));
}

void writeRecoveryFile(const QString& text)
{
    const QString path = recoveryFilePath();
    if (text.isEmpty()) {
        // An empty list cannot be offered back; an older list kept here
        // must not be offered in its place either.
        QFile::remove(path);
        return;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        cannotKeep(path, QStringLiteral("its folder cannot be made"));
    const QByteArray bytes = text.toUtf8();
    try {
        quorvale::files::writeWhole(path, bytes);
        // Only a list that reads back as it was written counts as kept.
        if (quorvale::files::readOwnFile(path) != bytes)
            cannotKeep(path, QStringLiteral("it did not read back as it was written"));
    } catch (const quorvale::files::FileError& e) {
        cannotKeep(path, e.reason());
    }
}

std::optional<RecoveredList> recoveredListToOffer()
{
    const QFileInfo recovery(recoveryFilePath());
    if (!recovery.isFile())
        return std::nullopt;
    QByteArray bytes;
    try {
        bytes = quorvale::files::readOwnFile(recovery.filePath());
    } catch (const quorvale::files::FileError& e) {
        throw quorvale::Error(QStringLiteral("The inventory list kept in %1 cannot be read: %2.")
                                  .arg(QDir::toNativeSeparators(recovery.filePath()), e.reason()));
    }
    if (bytes.isEmpty())
        return std::nullopt; // nothing to offer back
    return RecoveredList{QString::fromUtf8(bytes), recovery.lastModified()};
}

bool recoveredListWaiting()
{
    const QFileInfo recovery(recoveryFilePath());
    return recovery.isFile() && recovery.size() > 0;
}

void putRecoveredListAside()
{
    const QString path = recoveryFilePath();
    const QString aside = QFileInfo(path).dir().filePath(QStringLiteral("inventory-list-turned-down.txt"));
    QFile::remove(aside);
    QFile::rename(path, aside);
}

void noteRecoveredListLoaded() { g_recoveredListLoaded = true; }

void storedListWritten()
{
    if (!g_recoveredListLoaded)
        return;
    QFile::remove(recoveryFilePath());
    g_recoveredListLoaded = false;
}

} // namespace records
