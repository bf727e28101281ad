#include "automation/Servers.h"

#include <map>

namespace automation {

namespace {

struct Entry {
    Servers::Factory create;
    Servers::RunningLookup running;
};

std::map<QString, Entry>& registry()
{
    static std::map<QString, Entry> servers;
    return servers;
}

QString key(const QString& progId) { return progId.toLower(); }

[[noreturn]] void cannotCreate(const QString& progId)
{
    throw AutomationError(QStringLiteral("ActiveX component can't create object: %1").arg(progId));
}

} // namespace

void Servers::registerServer(const QString& progId, Factory create, RunningLookup running)
{
    registry()[key(progId)] = Entry{std::move(create), std::move(running)};
}

void Servers::unregisterServer(const QString& progId) { registry().erase(key(progId)); }

void Servers::clear() { registry().clear(); }

Object Servers::createObject(const QString& progId)
{
    const auto it = registry().find(key(progId));
    if (it == registry().end() || !it->second.create)
        cannotCreate(progId);
    Object o = it->second.create();
    if (o.isNothing())
        cannotCreate(progId);
    return o;
}

Object Servers::getObject(const QString& progId)
{
    const auto it = registry().find(key(progId));
    if (it == registry().end() || !it->second.running)
        cannotCreate(progId);
    Object o = it->second.running();
    if (o.isNothing())
        cannotCreate(progId);
    return o;
}

} // namespace automation
