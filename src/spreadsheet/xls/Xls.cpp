#include "spreadsheet/xls/Xls.h"

#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/WorkbookReader.h"
#include "spreadsheet/xls/WorkbookWriter.h"

#include "automation/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace ss::xls {

namespace {

const std::string WorkbookStream = "Workbook";
const std::string OldWorkbookStream = "Book";

[[noreturn]] void cannotSave(const QString& path, const QString& why)
{
    throw quorvale::AutomationError(
        QStringLiteral("Cannot save the workbook as \"%1\": %2").arg(QDir::toNativeSeparators(path), why));
}

[[noreturn]] void cannotOpen(const QString& path, const QString& why)
{
    throw quorvale::AutomationError(
        QStringLiteral("Cannot open \"%1\": %2").arg(QDir::toNativeSeparators(path), why));
}

void writeFile(const QString& path, const Bytes& bytes)
{
    // QSaveFile writes beside the target and renames over it on commit; a
    // failure on the way leaves the path as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        cannotSave(path, file.errorString());
    // A write that stops short, as on a full disk, is followed by one for
    // the rest, which fails with the reason.
    const char* data = reinterpret_cast<const char*>(bytes.data());
    for (qint64 left = qint64(bytes.size()); left > 0;) {
        const qint64 n = file.write(data, left);
        if (n <= 0)
            cannotSave(path, file.errorString());
        data += n;
        left -= n;
    }
    if (!file.commit())
        cannotSave(path, file.errorString());
}

Bytes readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        cannotOpen(path, file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        cannotOpen(path, file.errorString());
    return Bytes(data.begin(), data.end());
}

// Whether a workbook stream starts with the BOF record of BIFF8.
bool isBiff8(const Bytes& stream)
{
    const auto u16At = [&](std::size_t at) { return std::uint16_t(stream[at] | stream[at + 1] << 8); };
    return stream.size() >= 6 && u16At(0) == rec::Bof && u16At(4) == rec::Biff8Version;
}

[[noreturn]] void notAWorkbook(const QString& path, const CompoundFileError& e)
{
    cannotOpen(path, QStringLiteral("it is not an Excel 97-2003 workbook: %1").arg(QString::fromUtf8(e.what())));
}

// The workbook stream: "Workbook", or "Book", where Excel 5.0 and 95 keep
// theirs and some writers an Excel 97-2003 one.
Bytes workbookStreamOf(const QString& path, const Bytes& file)
{
    if (file.empty())
        cannotOpen(path, QStringLiteral("the file is empty"));
    try {
        return readCompoundStream(file, WorkbookStream);
    } catch (const CompoundFileError& e) {
        if (!hasCompoundStream(file, OldWorkbookStream))
            notAWorkbook(path, e);
    }
    Bytes stream;
    try {
        stream = readCompoundStream(file, OldWorkbookStream);
    } catch (const CompoundFileError& e) {
        notAWorkbook(path, e);
    }
    if (!isBiff8(stream))
        cannotOpen(path, QStringLiteral("it is an Excel 5.0/95 workbook; only Excel 97-2003 workbooks open here"));
    return stream;
}

} // namespace

void save(const Workbook& book, const QString& path)
{
    Bytes file;
    try {
        file = writeCompoundFile(WorkbookStream, writeWorkbookStream(book));
    } catch (const quorvale::AutomationError& e) {
        cannotSave(path, e.description());
    } catch (const CompoundFileError& e) {
        cannotSave(path, QString::fromUtf8(e.what()));
    }
    writeFile(path, file);
}

std::unique_ptr<Workbook> open(const QString& path)
{
    if (!QFileInfo(path).isFile())
        cannotOpen(path, QStringLiteral("there is no such file"));
    const Bytes file = readFile(path);
    const Bytes stream = workbookStreamOf(path, file);
    try {
        std::unique_ptr<Workbook> book = readWorkbookStream(stream);
        book->fullName = QFileInfo(path).absoluteFilePath();
        return book;
    } catch (const quorvale::AutomationError& e) {
        cannotOpen(path, QStringLiteral("the workbook is damaged: %1").arg(e.description()));
    }
}

} // namespace ss::xls
