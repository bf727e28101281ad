#pragma once

#include "records/ListMerge.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class ListItems;
class QFileSystemWatcher;

namespace records {

// The window's list kept in step with the stored list: every change is
// stored a moment later, off the event loop, under the store lock; what
// another program (an import, another copy) stored meanwhile is taken into
// the list rather than written over, and a change of the settings file
// that this program did not make is taken in as soon as it is seen.
class KeptList : public QObject {
    Q_OBJECT

public:
    // How long after a change the list is stored, at most.
    static constexpr int StoreDelayMs = 200;

    explicit KeptList(ListItems& items, QObject* parent = nullptr);
    ~KeptList() override;

    ListItems& items() { return m_items; }

    // The restore has read storedText from the settings file, which was as
    // seen (settingsFileIdentity()) just before, and items hold it, or a
    // recovered list in its place (which is then stored soon, as any
    // change). From now on every change is stored.
    void startKeeping(const QString& storedText, const QString& seen, bool itemsHoldIt);

    // Stores the list at once, on this thread, taking in what another
    // program stored meanwhile: the store of the close. Nothing is stored in
    // the background afterwards. Throws quorvale::Error when it fails.
    void storeNow();

    // Whether a store is due or under way.
    bool storing() const { return m_timer.isActive() || m_running; }

signals:
    // A store in the background has ended, stored or not.
    void storeEnded();

private:
    struct Job;
    struct Done;
    struct Stored;

    void changed();
    void storeSoon();
    void startStore();
    void finishStore();
    // Under the store lock: when the settings file is no longer as this
    // program last saw it, what another program changed since base is read
    // from it; mine with those changes is written when it differs from what
    // is stored (or always).
    static Stored storeMerged(const StoredItems& base, const QString& seen, const ListSnapshot& mine,
                              bool mineChanged, bool always);
    void takeIn(Stored& stored);
    void settingsFolderChanged();
    void watchSettingsFolder();

    ListItems& m_items;
    QTimer m_timer;
    QFileSystemWatcher* m_watcher = nullptr;
    bool m_keeping = false;
    bool m_closed = false;
    bool m_adopting = false;
    quint64 m_changes = 0;       // of the list while it is kept
    quint64 m_storedChanges = 0; // of those, the ones stored

    // The list as last stored, or as read at the start, and the settings
    // file as it was then: a file seen otherwise was stored by another
    // program.
    StoredItems m_base;
    QString m_seen;

    std::thread m_worker;
    bool m_running = false;
    std::mutex m_doneMutex;
    std::unique_ptr<Job> m_job;
    std::unique_ptr<Done> m_done;
    int m_retryMs = 0;
};

} // namespace records
