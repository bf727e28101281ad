#include "automation/Object.h"

namespace automation {

Variant Object::invoke(Member member, CallKind kind, Args args, const Variant* value) const
{
    if (!m_dispatch)
        throw AutomationError(QStringLiteral("Object variable or With block variable not set"));
    return m_dispatch->invoke(Call{member.text(), kind, args, value, member.id()});
}

Variant Object::get(Member member, std::initializer_list<Arg> args) const
{
    return invoke(member, CallKind::Get, Args(args.begin(), args.size()), nullptr);
}

void Object::put(Member member, const Variant& value, std::initializer_list<Arg> args) const
{
    invoke(member, CallKind::Put, Args(args.begin(), args.size()), &value);
}

Variant Object::call(Member member, std::initializer_list<Arg> args) const
{
    return invoke(member, CallKind::Method, Args(args.begin(), args.size()), nullptr);
}

Object Object::object(Member member, std::initializer_list<Arg> args) const
{
    return std::move(get(member, args)).toObject();
}

} // namespace automation
