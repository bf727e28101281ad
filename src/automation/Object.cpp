#include "automation/Object.h"

namespace automation {

Variant Object::invoke(std::string_view member, CallKind kind, Args args, const Variant* value) const
{
    if (!m_dispatch)
        throw AutomationError(QStringLiteral("Object variable or With block variable not set"));
    return m_dispatch->invoke(Call{member, kind, args, value});
}

Variant Object::get(std::string_view member, std::initializer_list<Arg> args) const
{
    return invoke(member, CallKind::Get, Args(args.begin(), args.size()), nullptr);
}

void Object::put(std::string_view member, const Variant& value, std::initializer_list<Arg> args) const
{
    invoke(member, CallKind::Put, Args(args.begin(), args.size()), &value);
}

Variant Object::call(std::string_view member, std::initializer_list<Arg> args) const
{
    return invoke(member, CallKind::Method, Args(args.begin(), args.size()), nullptr);
}

Object Object::object(std::string_view member, std::initializer_list<Arg> args) const
{
    return get(member, args).toObject();
}

} // namespace automation
