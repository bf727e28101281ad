#include "workbook/Excel1.h"

#include "automation/ExcelConstants.h"
#include "automation/Servers.h"
#include "core/Error.h"
#include "core/Files.h"
#include "shell/Options.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "workbook/Bitmap.h"
#include "workbook/TempNames.h"

namespace Excel1 {

namespace {

automation::Object createInstance() { return automation::Servers::createObject(QString::fromLatin1(ProgId)); }

// Asks an instance that nobody else will get to quit, after a failure, so
// no invisible instance is left behind. The failure is the error to report.
void quitAfterFailure(const automation::Object& application)
{
    try {
        application.call("Quit");
    } catch (...) {
        // The first error stands.
    }
}

QString readVersion(const automation::Object& application) { return application.get("Version").toString(); }

QString versionOfOwnInstance()
{
    const automation::Object application = createInstance();
    QString version;
    try {
        version = readVersion(application);
    } catch (...) {
        quitAfterFailure(application);
        throw;
    }
    application.call("Quit");
    return version;
}

std::int32_t formatForVersion(const QString& version)
{
    // The conversion to a whole number reads the user's decimal separator.
    const std::int16_t major = automation::Variant(Options::ToLocaleDecimalText(version)).toInt16();
    return major > 11 ? excel::xlExcel8 : excel::xlWorkbookNormal;
}

QString warningText()
{
    return QStringLiteral("Excel may be open. It is recommended that you close Excel first.") + QStringLiteral("\r")
        + QStringLiteral("Use Ctrl+Alt+Del > Task Manager > EXCEL.EXE if necessary.") + QStringLiteral("\r\n\r\n")
        + QStringLiteral("Would you like to proceed anyway?");
}

[[noreturn]] void cannotWriteBitmap(const QString& path, const QString& reason)
{
    throw quorvale::Error(QStringLiteral("The picture of the sheet could not be written to %1: %2").arg(path, reason));
}

// Writes picture to path as a Windows bitmap, whole, in place of the run's
// own file that claimed the name, and for the user alone.
void writeSnapshot(const QImage& picture, const QString& path)
{
    if (picture.isNull())
        throw quorvale::Error(QStringLiteral("No picture of the sheet could be fetched from the clipboard"));
    try {
        // Read back at once and deleted: nothing of it need outlast a crash.
        quorvale::files::NewFile file(
            path, {.access = quorvale::files::Access::UserOnly, .durability = quorvale::files::Durability::Scratch});
        if (!writeBitmap(picture, [&](const char* bytes, qint64 size) { return file.write(bytes, size), true; }))
            cannotWriteBitmap(path, QStringLiteral("the picture is too large for a bitmap"));
        file.commit();
    } catch (const quorvale::files::FileError& e) {
        cannotWriteBitmap(path, e.reason());
    }
}

} // namespace

bool IsExcelRunning()
{
    try {
        const automation::Object running = automation::Servers::getObject(QString::fromLatin1(ProgId));
        return running.defaultValue().toString() == QLatin1String("Microsoft Excel");
    } catch (...) {
        return false;
    }
}

bool ExcelOpenWarning()
{
    if (!IsExcelRunning())
        return false;
    return shell::MsgBox(warningText(), shell::MessageButtons::YesNo) != shell::MessageAnswer::Yes;
}

std::int32_t GetSaveFileFormat(const automation::Object& application)
{
    const QString version = application ? readVersion(application) : versionOfOwnInstance();
    return formatForVersion(version);
}

automation::Object OpenWorkbookInNewExcel(const QString& path)
{
    automation::Object application = createInstance();
    try {
        application.object("Workbooks").call("Open", {automation::Arg::byReference(path)});
    } catch (...) {
        quitAfterFailure(application);
        throw;
    }
    return application;
}

void saveCellsActivesheet(const automation::Object& workbook, const QString& path)
{
    shell::Trace t{"Excel1", "saveCellsActivesheet"};
    automation::Object sheet;
    std::int32_t lastRow = 0;
    std::int32_t lastColumn = 0;

    t.line(100, [&] { sheet = workbook.object("ActiveSheet"); });
    t.line(102, [&] {
        const automation::Variant count = sheet.object("UsedRange").object("Rows").get("count");
        lastRow = sheet.object("UsedRange").object("Rows", {count}).get("Row").toInt32();
    });
    t.line(104, [&] {
        const automation::Variant count = sheet.object("UsedRange").object("Columns").get("count");
        lastColumn = sheet.object("UsedRange").object("Columns", {count}).get("Column").toInt32();
    });
    if (!t.test(106, [&] { return lastRow > 1 && lastColumn > 1; }))
        return;
    t.line(108, [&] { sheet.get("Name"); });
    t.line(110, [&] { sheet.object("UsedRange").call("CopyPicture"); });
    t.line(112, [&] { writeSnapshot(Options::FetchClipboardPicture(0), path); });
}

} // namespace Excel1
