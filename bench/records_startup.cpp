// The main window with a full list: start-up from the stored value, a change
// stored in the background (how long the window is held up by it, and how
// long until it is stored), the store on close, the two ID searches of the
// record editor, and how much longer an import takes that waits for another
// program's store.

#include "BenchSupport.h"

#include "app/AppWindows.h"
#include "automation/Servers.h"
#include "records/InventoryIds.h"
#include "records/KeptList.h"
#include "records/RecordStore.h"
#include "shell/Services.h"
#include "shell/Trace.h"
#include "support/Headless.h"

#include <QApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>

namespace {

// A full list of items with realistic texts, in the stored form.
QString fullStoredList()
{
    QString text;
    for (int i = 1; i <= ListItems::Capacity; ++i) {
        InventoryRecord r;
        r[InventoryRecord::InventoryID] = QString::number(100000 + i);
        r[InventoryRecord::InventoryName] = QStringLiteral("Item %1").arg(i);
        r[InventoryRecord::Description] = QStringLiteral("fastening parts, box of %1").arg(i % 50);
        r[InventoryRecord::UnitPrice] = QStringLiteral("%1.99").arg(i % 100);
        r[InventoryRecord::QtyInStock] = QString::number(i % 900);
        r[InventoryRecord::ReorderLevel] = QString::number(i % 600);
        r[InventoryRecord::ReorderTime] = QString::number(i % 7);
        r[InventoryRecord::QuantityReorder] = QString::number(i % 1500);
        r[InventoryRecord::Discontinued] = i % 2 ? QStringLiteral("No") : QStringLiteral("Yes");
        records::appendStoredRecord(text, r);
    }
    return text;
}

using Clock = std::chrono::steady_clock;

double secondsBetween(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double>(to - from).count();
}

// One item of the full list changes; the window stores it a moment later in
// the background. The longest stretch in which the event loop did not come
// round (a timer of no interval ticks whenever it does) is how long the
// window was held up; the time until the store ended, how long the change
// took to reach the file.
void measureBackgroundStore(Form1& form)
{
    double untilStored = 0;
    int change = 0;
    bench::measureEach("records: longest stall of the window by a background store of 32,767 items", 5, [&] {
        QEventLoop loop;
        QObject::connect(&form.keptList(), &records::KeptList::storeEnded, &loop, &QEventLoop::quit);
        QTimer tick;
        tick.setInterval(0);
        Clock::time_point last = Clock::now();
        double longest = 0;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            longest = std::max(longest, secondsBetween(last, now));
            last = now;
        });
        tick.start();
        const Clock::time_point changed = Clock::now();
        form.items().setSubItem(form.items().Count(), 1, QStringLiteral("changed %1").arg(++change));
        last = Clock::now();
        loop.exec();
        untilStored = secondsBetween(changed, Clock::now());
        return std::max(longest, secondsBetween(last, Clock::now()));
    });
    bench::measureEach("records: from a change to the stored file, 32,767 items", 1, [&] { return untilStored; });
}

constexpr char HoldLock[] = "--hold-store-lock";
constexpr int HoldMs = 200;

// The child of measureLockWait: takes the store lock, says so, holds it a
// while as a store would, and says when it let go of it.
int holdLock(int argc, char* argv[])
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication app(argc, argv);
    Clock::time_point released;
    {
        const records::StoreLock lock;
        std::printf("held\n");
        std::fflush(stdout);
        std::this_thread::sleep_for(std::chrono::milliseconds(HoldMs));
        released = Clock::now();
    }
    std::printf("%lld\n", static_cast<long long>(released.time_since_epoch().count()));
    return 0;
}

// An import waits for the store lock of another program: how long after
// that program let go of it the import has it.
void measureLockWait(const QString& program)
{
    bench::measureEach("records: an import's wait for the store lock past its release", 5, [&] {
        QProcess holder;
        holder.start(program, {QString::fromLatin1(HoldLock)});
        if (!holder.waitForReadyRead(10000) || holder.readLine().trimmed() != "held")
            return -1.0;
        Clock::time_point acquired;
        {
            const records::StoreLock lock;
            acquired = Clock::now();
        }
        holder.waitForFinished(10000);
        const Clock::time_point released{Clock::duration(holder.readAll().trimmed().toLongLong())};
        return secondsBetween(released, acquired);
    });
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc == 2 && std::strcmp(argv[1], HoldLock) == 0)
        return holdLock(argc, argv);
    support::prepareHeadless();
    QApplication app(argc, argv);
    support::QuietServices services;
    shell::Services::install(&services);
    support::registerIdleSpreadsheet();

    const QString stored = fullStoredList();
    records::writeStoredList(stored);

    // A settings file changed since it was last read is read again, as a
    // new run of the program would read it.
    const QString settingsFile =
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tallowind")).fileName();
    int run = 0;
    std::unique_ptr<AppWindows> windows;
    Form1* form = nullptr;
    const auto coldStart = [&] {
        windows.reset();
        QFile file(settingsFile);
        file.open(QIODevice::ReadWrite);
        file.setFileTime(QDateTime::currentDateTime().addSecs(-60 - ++run), QFileDevice::FileModificationTime);
    };
    bench::measure("records: start-up with 32,767 items", 5, coldStart, [&] {
        windows = std::make_unique<AppWindows>();
        form = &windows->main();
        form->Form_Load();
        form->show();
        QApplication::processEvents();
    });
    measureBackgroundStore(*form);
    bench::measure("records: store 32,767 items", 5, [&] { form->Form_QueryUnload(); });
    if (records::readStoredList() != stored)
        std::fprintf(stderr, "the stored list did not come back unchanged\n");
    bench::measure("records: NextInventoryID of 32,767 items", 21, [&] { (void)form->NextInventoryID(); });
    bench::measure("records: InventoryIdExists of a missing ID", 21,
                   [&] { (void)form->InventoryIdExists(QStringLiteral("missing")); });
    windows.reset();
    measureLockWait(QCoreApplication::applicationFilePath());
    records::writeStoredList(QString());
    return 0;
}
