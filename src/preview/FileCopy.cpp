#include "preview/FileCopy.h"

#include "automation/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <filesystem>
#include <system_error>

namespace preview {

namespace {

[[noreturn]] void fail(const QString& description) { throw quorvale::Error(description); }

void copyContents(QFile& in, QFile& out)
{
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0)
            fail(in.errorString());
        if (n == 0)
            return;
        if (out.write(buffer, n) != n)
            fail(out.errorString());
    }
}

void renameOver(const QString& from, const QString& to)
{
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), error);
    if (error)
        fail(QString::fromLocal8Bit(error.message().c_str()));
}

} // namespace

void copyFileReplacing(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        fail(in.errorString());
    const QFileInfo targetInfo(target);
    QTemporaryFile out(targetInfo.absoluteDir().filePath(targetInfo.fileName() + QStringLiteral(".XXXXXX")));
    if (!out.open())
        fail(out.errorString());
    copyContents(in, out);
    if (!out.flush() || !out.setPermissions(in.permissions()))
        fail(out.errorString());
    out.close();
    renameOver(out.fileName(), target);
    out.setAutoRemove(false);
}

} // namespace preview
