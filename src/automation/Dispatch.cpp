#include "automation/Dispatch.h"

namespace automation {

namespace {
const Variant kMissing;

constexpr char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
} // namespace

QString kindName(CallKind kind)
{
    switch (kind) {
    case CallKind::Get: return QStringLiteral("get");
    case CallKind::Put: return QStringLiteral("put");
    case CallKind::Method: return QStringLiteral("call");
    }
    return {};
}

const Variant& Call::positional(std::size_t i) const
{
    std::size_t n = 0;
    for (const Arg& a : args) {
        if (!a.name.empty())
            continue;
        if (n++ == i)
            return a.value;
    }
    return kMissing;
}

const Variant* Call::argument(std::size_t i, std::string_view name) const
{
    for (const Arg& a : args)
        if (!a.name.empty() && sameMember(a.name, name))
            return &a.value;
    std::size_t n = 0;
    for (const Arg& a : args) {
        if (!a.name.empty())
            continue;
        if (n++ == i)
            return &a.value;
    }
    return nullptr;
}

std::size_t Call::positionalCount() const
{
    std::size_t n = 0;
    for (const Arg& a : args)
        n += a.name.empty() ? 1 : 0;
    return n;
}

bool sameMember(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    return true;
}

void throwUnknownMember(const QString& className, std::string_view member)
{
    throw AutomationError(QStringLiteral("Object doesn't support this property or method: %1.%2")
                              .arg(className, QString::fromLatin1(member.data(), qsizetype(member.size()))));
}

} // namespace automation
