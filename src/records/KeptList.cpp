#include "records/KeptList.h"

#include "core/Error.h"
#include "records/ListItems.h"
#include "records/RecoveryFile.h"
#include "records/SettingsFile.h"
#include "records/StoredText.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace records {

namespace {

// The settings file as a store last saw it: which file it is, its size and
// its time; empty when there is none.
QString identityOf(const QString& path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2:%3:%4.%5")
        .arg(info.st_dev)
        .arg(info.st_ino)
        .arg(info.st_size)
        .arg(info.st_mtim.tv_sec)
        .arg(info.st_mtim.tv_nsec);
}

struct Stored {
    QString text;        // as stored now
    TheirChanges theirs; // what another program changed since base
    QString seen;        // the settings file after the store
};

// Under the store lock, what is stored now is read again, and mine, with
// what another program changed since base, is written over it when the two
// differ (or always).
Stored storeMerged(const ListSnapshot& base, const QString& baseText, const ListSnapshot& mine, bool always)
{
    const StoreLock lock;
    const StoredValue now = readStoredValue();
    Stored stored;
    // A value that is not a list (damaged, or of another program) tells
    // nothing of what another program changed: the list goes over it, and
    // the store keeps a copy of it.
    if (now.isList && now.text != baseText)
        stored.theirs = theirChanges(base, mine, recordsOf(now.text));
    stored.text = storedTextOf(withTheirChanges(mine, stored.theirs));
    if (always || stored.text != now.text || !now.isList)
        writeStoredList(stored.text);
    stored.seen = identityOf(settingsFilePath());
    return stored;
}

} // namespace

struct KeptList::Job {
    ListSnapshot base;
    QString baseText;
    ListSnapshot mine;
    quint64 changes = 0; // of the list when it was taken
};

struct KeptList::Done {
    Stored stored;
    QString failure;
};

KeptList::KeptList(ListItems& items, QObject* parent) : QObject(parent), m_items(items)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &KeptList::startStore);
    connect(&items, &QAbstractItemModel::dataChanged, this, [this] { changed(); });
    connect(&items, &QAbstractItemModel::rowsInserted, this, [this] { changed(); });
    connect(&items, &QAbstractItemModel::rowsRemoved, this, [this] { changed(); });
    connect(&items, &QAbstractItemModel::modelReset, this, [this] { changed(); });
}

KeptList::~KeptList()
{
    // A store under way is let finish: the settings file is never left to a
    // thread that is cut off.
    m_closed = true;
    m_timer.stop();
    if (m_worker.joinable())
        m_worker.join();
}

void KeptList::startKeeping(const QString& storedText, bool itemsHoldIt)
{
    m_baseText = storedText;
    if (itemsHoldIt) {
        m_base = ListSnapshot::of(m_items);
    } else {
        m_base.records = recordsOf(storedText);
        m_base.ids.assign(m_base.records.size(), 0); // none of them is in the list
    }
    m_seen = identityOf(settingsFilePath());
    m_changes = m_storedChanges = 0;
    m_keeping = true;
    watchSettingsFolder();
    if (!itemsHoldIt)
        changed();
}

void KeptList::changed()
{
    if (!m_keeping || m_adopting)
        return;
    ++m_changes;
    storeSoon();
}

void KeptList::storeSoon()
{
    if (m_closed || m_running || m_timer.isActive())
        return; // a store under way looks again when it ends
    m_timer.start(m_retryMs > 0 ? m_retryMs : StoreDelayMs);
}

void KeptList::startStore()
{
    if (m_closed || m_running)
        return;
    if (m_changes == m_storedChanges && identityOf(settingsFilePath()) == m_seen)
        return; // nothing new here or there
    m_job = std::make_unique<Job>(Job{m_base, m_baseText, ListSnapshot::of(m_items), m_changes});
    m_running = true;
    m_worker = std::thread([this, job = m_job.get()] {
        auto done = std::make_unique<Done>();
        try {
            done->stored = storeMerged(job->base, job->baseText, job->mine, false);
        } catch (const quorvale::Error& e) {
            done->failure = e.description();
        } catch (const std::exception& e) {
            done->failure = QString::fromLocal8Bit(e.what());
        }
        {
            const std::lock_guard lock(m_doneMutex);
            m_done = std::move(done);
        }
        QMetaObject::invokeMethod(this, &KeptList::finishStore, Qt::QueuedConnection);
    });
}

void KeptList::finishStore()
{
    std::unique_ptr<Done> done;
    {
        const std::lock_guard lock(m_doneMutex);
        done = std::move(m_done);
    }
    if (!done)
        return; // taken up by the store of the close
    if (m_worker.joinable())
        m_worker.join();
    m_running = false;
    const std::unique_ptr<Job> job = std::move(m_job);
    if (!done->failure.isEmpty()) {
        // Told once; the store is tried again, less and less often, and the
        // close asks what to do when it fails then.
        if (m_retryMs == 0)
            std::fprintf(stderr, "quorvale: %s The list is stored again soon, and when the window closes.\n",
                         qPrintable(done->failure));
        m_retryMs = std::clamp(m_retryMs * 2, 1000, 60000);
    } else {
        m_retryMs = 0;
        takeIn(*job, done->stored.theirs);
        m_baseText = done->stored.text;
        m_seen = done->stored.seen;
        m_storedChanges = job->changes;
        storedListWritten();
        watchSettingsFolder();
    }
    if (m_changes != m_storedChanges || identityOf(settingsFilePath()) != m_seen)
        storeSoon();
    emit storeEnded();
}

// What another program changed comes into the list: the items it removed
// or changed go where this program has left them as they were, and the
// records it added or changed into are appended. The list as stored is then
// the job's list with those changes.
void KeptList::takeIn(const Job& job, const TheirChanges& theirs)
{
    if (theirs.empty()) {
        m_base = job.mine;
        return;
    }
    m_adopting = true;
    for (const TheirChanges::Removed& gone : theirs.removed)
        if (const int position = m_items.positionOf(gone.id); position > 0 && m_items.record(position) == gone.record)
            m_items.Remove(position);
    {
        ListItems::Batch batch(m_items);
        for (const InventoryRecord& record : theirs.added) {
            const int position = batch.Add(record[0]);
            for (int n = 1; n < InventoryRecord::FieldCount; ++n)
                batch.setSubItem(position, n, record[n]);
        }
    }
    m_adopting = false;

    std::unordered_set<ListItems::RowId> removed;
    for (const TheirChanges::Removed& gone : theirs.removed)
        removed.insert(gone.id);
    ListSnapshot base;
    for (std::size_t k = 0; k < job.mine.ids.size(); ++k) {
        if (removed.contains(job.mine.ids[k]))
            continue;
        base.ids.push_back(job.mine.ids[k]);
        base.records.push_back(job.mine.records[k]);
    }
    const std::vector<ListItems::RowId>& ids = m_items.rowIds();
    for (std::size_t i = 0; i < theirs.added.size(); ++i) {
        base.ids.push_back(ids[ids.size() - theirs.added.size() + i]);
        base.records.push_back(theirs.added[i]);
    }
    m_base = std::move(base);
}

void KeptList::storeNow()
{
    m_closed = true;
    m_timer.stop();
    if (m_worker.joinable()) {
        m_worker.join();
        finishStore();
    }
    const ListSnapshot mine = ListSnapshot::of(m_items);
    if (!m_keeping) { // never restored: the list is all there is
        const StoreLock lock;
        writeStoredList(storedTextOf(mine.records));
        return;
    }
    const Stored stored = storeMerged(m_base, m_baseText, mine, true);
    m_base = mine;
    m_baseText = stored.text;
    m_seen = stored.seen;
    m_storedChanges = m_changes;
}

// A change of the settings file by another program shows as a change of
// its folder: the file is replaced whole, never written in place.
void KeptList::watchSettingsFolder()
{
    const QString folder = QFileInfo(settingsFilePath()).absolutePath();
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &KeptList::settingsFolderChanged);
    }
    if (!m_watcher->directories().contains(folder) && QFileInfo(folder).isDir())
        m_watcher->addPath(folder);
}

void KeptList::settingsFolderChanged()
{
    if (m_keeping && identityOf(settingsFilePath()) != m_seen)
        storeSoon();
}

} // namespace records
