#include "records/RecoveryFile.h"

#include "core/Error.h"
#include "records/RecordStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        cannotKeep(path, QStringLiteral("its folder cannot be made"));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotKeep(path, file.errorString());
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size() || !file.commit())
        cannotKeep(path, file.errorString());
}

std::optional<RecoveredList> recoveredListToOffer()
{
    const QFileInfo recovery(recoveryFilePath());
    if (!recovery.isFile())
        return std::nullopt;
    const QFileInfo stored(settingsFilePath());
    if (stored.exists() && stored.lastModified() >= recovery.lastModified())
        return std::nullopt;
    QFile file(recovery.filePath());
    if (!file.open(QIODevice::ReadOnly))
        throw quorvale::Error(QStringLiteral("The inventory list kept in %1 cannot be read: %2.")
                                  .arg(QDir::toNativeSeparators(recovery.filePath()), file.errorString()));
    return RecoveredList{QString::fromUtf8(file.readAll()), recovery.lastModified()};
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
