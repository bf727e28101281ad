#include "spreadsheet/xls/Xls.h"

#include "spreadsheet/xls/CompoundFile.h"
#include "spreadsheet/xls/Records.h"
#include "spreadsheet/xls/WorkbookReader.h"
#include "spreadsheet/xls/WorkbookWriter.h"

#include "automation/Error.h"
#include "core/Files.h"
#include "core/LittleEndian.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

// Whether path lies in a temporary folder: the system's, or the one TEMP
// names for programs such as this one.
bool inTemporaryFolder(const QString& path)
{
    const QString folder = QFileInfo(QFileInfo(path).absolutePath()).canonicalFilePath();
    for (const QString& temporary : {QDir::tempPath(), qEnvironmentVariable("TEMP")})
        if (!temporary.isEmpty() && QFileInfo(temporary).canonicalFilePath() == folder)
            return true;
    return false;
}

// A workbook saved into a temporary folder is a file of moments, which the
// system clears anyway: it is written and checked but not synced, as
// nothing in it need outlast a crash. Every other workbook is synced.
void writeFile(const QString& path, const Bytes& bytes)
{
    try {
        const quorvale::files::Durability durability =
            inTemporaryFolder(path) ? quorvale::files::Durability::Scratch : quorvale::files::Durability::Lasting;
        quorvale::files::writeWhole(path, QByteArrayView(bytes.data(), qsizetype(bytes.size())),
                                    {.durability = durability});
    } catch (const quorvale::files::FileError& e) {
        cannotSave(path, e.reason());
    }
}

// A workbook is read whole from a plain file, never waiting on a FIFO or a
// device put in its place.
Bytes readFile(const QString& path)
{
    try {
        const QByteArray data = quorvale::files::readPlainFile(path);
        return Bytes(data.begin(), data.end());
    } catch (const quorvale::files::FileError& e) {
        cannotOpen(path, e.reason());
    }
}

// Whether a workbook stream starts with the BOF record of BIFF8.
bool isBiff8(const Bytes& stream)
{
    const auto u16At = [&](std::size_t at) { return quorvale::le::u16(stream.data() + at); };
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

namespace {

std::unique_ptr<Workbook> readWorkbook(const QString& path, const Bytes& file)
{
    const Bytes stream = workbookStreamOf(path, file);
    try {
        std::unique_ptr<Workbook> book = readWorkbookStream(stream);
        book->fullName = QFileInfo(path).absoluteFilePath();
        return book;
    } catch (const quorvale::AutomationError& e) {
        cannotOpen(path, QStringLiteral("the workbook is damaged: %1").arg(e.description()));
    }
}

} // namespace

std::unique_ptr<Workbook> open(const QString& path)
{
    if (!QFileInfo::exists(path))
        cannotOpen(path, QStringLiteral("there is no such file"));
    return readWorkbook(path, readFile(path));
}

std::unique_ptr<Workbook> open(const QString& path, const QByteArray& contents)
{
    return readWorkbook(path, Bytes(contents.begin(), contents.end()));
}

} // namespace ss::xls
