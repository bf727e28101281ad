#include "records/KeptList.h"

#include "core/Error.h"
#include "records/ListItems.h"
#include "records/RecoveryFile.h"
#include "records/SettingsFile.h"
#include "records/StoredText.h"

#include <QFileInfo>
#include <QFileSystemWatcher>

#include <algorithm>
#include <cstdio>
#include <unordered_set>

namespace records {

struct KeptList::Stored {
    TheirChanges theirs; // what another program changed since base
    StoredItems mine;    // the list the store was given, as stored items
    QString seen;        // the settings file after the store
};

KeptList::Stored KeptList::storeMerged(const StoredItems& base, const QString& seen, const ListSnapshot& mine,
                                       bool mineChanged, bool always)
{
    const StoreLock lock;
    Stored stored;
    stored.mine = StoredItems::of(mine);
    bool othersStored = settingsFileIdentity() != seen;
    if (othersStored) {
        // A value that is not a list (damaged, or of another program) tells
        // nothing of what was changed: it stays until this list is stored
        // over it, and the store keeps a copy of it.
        const StoredValue now = readStoredValue();
        if (now.isList)
            stored.theirs = theirChanges(base, mine, recordsOf(now.text));
        othersStored = !stored.theirs.empty();
    }
    if (always || mineChanged || othersStored)
        writeStoredBytes(storedBytesOf(withTheirChanges(mine, stored.theirs)));
    stored.seen = settingsFileIdentity();
    return stored;
}

struct KeptList::Job {
    StoredItems base;
    QString seen;
    ListSnapshot mine;
    quint64 changes = 0; // of the list when it was taken
    bool mineChanged = false;
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

void KeptList::startKeeping(const QString& storedText, const QString& seen, bool itemsHoldIt)
{
    if (itemsHoldIt) {
        m_base = StoredItems::of(m_items.records());
        m_base.ids = m_items.rowIds();
    } else {
        m_base = StoredItems::of(recordsOf(storedText)); // none of them is in the list
    }
    m_seen = seen;
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
    const bool mineChanged = m_changes != m_storedChanges;
    if (!mineChanged && settingsFileIdentity() == m_seen)
        return; // nothing new here or there
    m_job = std::make_unique<Job>(Job{m_base, m_seen, ListSnapshot::of(m_items), m_changes, mineChanged});
    m_running = true;
    m_worker = std::thread([this, job = m_job.get()] {
        auto done = std::make_unique<Done>();
        try {
            done->stored = storeMerged(job->base, job->seen, job->mine, job->mineChanged, false);
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
        takeIn(done->stored);
        m_seen = done->stored.seen;
        m_storedChanges = job->changes;
        storedListWritten();
        watchSettingsFolder();
    }
    if (m_changes != m_storedChanges || settingsFileIdentity() != m_seen)
        storeSoon();
    emit storeEnded();
}

// What another program changed comes into the list: the items it removed
// or changed go where this program has left them as they were, and the
// records it added or changed into are appended. The list as stored is then
// the store's list with those changes.
void KeptList::takeIn(Stored& stored)
{
    const TheirChanges& theirs = stored.theirs;
    if (theirs.empty()) {
        m_base = std::move(stored.mine);
        return;
    }
    m_adopting = true;
    for (const TheirChanges::Removed& gone : theirs.removed)
        if (const int position = m_items.positionOf(gone.id);
            position > 0 && fingerprintOf(m_items.record(position)) == gone.fingerprint)
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
    StoredItems base;
    for (std::size_t k = 0; k < stored.mine.ids.size(); ++k) {
        if (removed.contains(stored.mine.ids[k]))
            continue;
        base.ids.push_back(stored.mine.ids[k]);
        base.fingerprints.push_back(stored.mine.fingerprints[k]);
    }
    const std::vector<ListItems::RowId>& ids = m_items.rowIds();
    for (std::size_t i = 0; i < theirs.added.size(); ++i) {
        base.ids.push_back(ids[ids.size() - theirs.added.size() + i]);
        base.fingerprints.push_back(fingerprintOf(theirs.added[i]));
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
    Stored stored = storeMerged(m_base, m_seen, mine, true, true);
    m_base = std::move(stored.mine);
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
    if (m_keeping && settingsFileIdentity() != m_seen)
        storeSoon();
}

} // namespace records
