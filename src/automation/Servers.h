#pragma once

#include "automation/Object.h"

#include <QString>

#include <functional>

namespace automation {

// The automation servers of the process by programmatic identifier, as the
// platform's CreateObject and GetObject would find them. Servers are
// registered at start-up; tests register their own in their place.
class Servers {
public:
    // Makes a new instance; throws AutomationError when none can be made.
    using Factory = std::function<Object()>;
    // Finds a running instance; throws AutomationError when none runs.
    using RunningLookup = std::function<Object()>;

    static void registerServer(const QString& progId, Factory create, RunningLookup running = {});
    static void unregisterServer(const QString& progId);
    static void clear();

    // CreateObject(progId): a new instance.
    static Object createObject(const QString& progId);
    // GetObject(, progId): an instance that is already running.
    static Object getObject(const QString& progId);
};

} // namespace automation
