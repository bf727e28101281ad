// The restore of the stored item list at start-up on any stored value. The
// bytes become the value in the settings store, as the program keeps it
// (UTF-8 bytes), and the start-up restore reads it into a list. Whatever the
// value, the restore makes records; the only reports it may give are those
// of a record that lacks a field and, for bytes that are not UTF-8, the one
// about the value as a whole. The records whose fields the program can store
// (records::separatorIn finds nothing) are written in the stored form by the
// program's own writer and restored a second time unchanged, without a
// report.
#include "records/ListItems.h"
#include "records/RecordStore.h"
#include "shell/Services.h"
#include "shell/Trace.h"

#include <QByteArray>
#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <cstdlib>
#include <vector>

namespace {

[[noreturn]] void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "restore_fuzz: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

// Message boxes are counted, never shown.
class Reports : public shell::Services {
public:
    shell::MessageAnswer showMessage(const shell::MessageRequest& request) override
    {
        shown.push_back(request);
        return shell::MessageAnswer::Ok;
    }
    std::vector<shell::MessageRequest> shown;
};

const QString TracePath = QStringLiteral("in Quorvale2021/08/31.Form1.Form_Load ");

// Where the settings of this run live; never the user's own.
QTemporaryDir* settingsHome = nullptr;

void storeBytes(const QByteArray& bytes)
{
    {
        QSettings settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tallowind"));
        if (!settings.fileName().startsWith(settingsHome->path()))
            fail("the settings file is not in the working folder", settings.fileName());
        settings.beginGroup(QStringLiteral("Quorvale"));
        settings.setValue(QStringLiteral("Inventory List"), bytes);
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError)
            fail("cannot write the settings file", settings.fileName());
    }
    if (records::readStoredList() != QString::fromUtf8(bytes))
        fail("the store reads another value than the one stored", QString::fromUtf8(bytes.left(200)));
}

// A report of the restore: "Stored record N has no FIELD field." at one of
// the steps of the fields, or the one about a value that is not UTF-8 at the
// step that reads it.
void checkReport(const shell::MessageRequest& report, bool utf8)
{
    const qsizetype end = report.text.indexOf(QStringLiteral("\r\n"));
    const QString description = report.text.left(end);
    const QString step = report.text.mid(end);
    const bool missingField = description.startsWith(QStringLiteral("Stored record "))
                              && description.contains(QStringLiteral(" has no "))
                              && description.endsWith(QStringLiteral(" field."));
    const bool notUtf8 = !utf8 && description.startsWith(QStringLiteral("The stored inventory list in "))
                         && step.contains(QStringLiteral("at line 172\r"));
    if (report.title != QStringLiteral("Application Error") || !(missingField || notUtf8)
        || !step.startsWith(QStringLiteral("\r\n") + TracePath + QStringLiteral("at line ")))
        fail("the restore gave an unexpected report", report.text);
}

bool storable(const InventoryRecord& record)
{
    return std::all_of(record.fields.begin(), record.fields.end(),
                       [](const QString& field) { return records::separatorIn(field).isEmpty(); });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static QTemporaryDir home(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                                  ? QStringLiteral("/dev/shm/quorvale-restore-fuzz-XXXXXX")
                                  : QDir::temp().filePath(QStringLiteral("quorvale-restore-fuzz-XXXXXX")));
    if (!home.isValid())
        fail("cannot make a working folder", home.errorString());
    settingsHome = &home;
    // Before the first settings object: the settings location is read once.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    static Reports reports;
    shell::Services::install(&reports);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto& reports = static_cast<Reports&>(shell::Services::current());
    reports.shown.clear();
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    storeBytes(bytes);

    ListItems items;
    {
        shell::Trace t{"Form1", "Form_Load"};
        records::restoreList(t, items);
    }
    const bool utf8 = bytes.isValidUtf8();
    for (const shell::MessageRequest& report : reports.shown)
        checkReport(report, utf8);

    std::vector<InventoryRecord> kept;
    std::copy_if(items.records().begin(), items.records().end(), std::back_inserter(kept), storable);
    QString stored;
    for (const InventoryRecord& record : kept)
        records::appendStoredRecord(stored, record);
    storeBytes(stored.toUtf8());
    reports.shown.clear();
    ListItems again;
    {
        shell::Trace t{"Form1", "Form_Load"};
        records::restoreList(t, again);
    }
    if (!reports.shown.empty())
        fail("the stored records restore with a report", reports.shown.front().text);
    if (again.records() != kept)
        fail("the stored records restore differently", stored.left(200));
    return 0;
}
