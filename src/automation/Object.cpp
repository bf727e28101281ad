#include "automation/Object.h"

namespace automation {

Variant Object::invoke(const Call& call) const
{
    if (!m_dispatch)
        throw AutomationError(QStringLiteral("Object variable or With block variable not set"));
    return m_dispatch->invoke(call);
}

Variant Object::get(Member member, std::initializer_list<Arg> args) const
{
    return invoke(Call{member.text(), CallKind::Get, Args(args.begin(), args.size()), nullptr, member.id()});
}

void Object::put(Member member, const Variant& value, std::initializer_list<Arg> args) const
{
    invoke(Call{member.text(), CallKind::Put, Args(args.begin(), args.size()), &value, member.id()});
}

Variant Object::call(Member member, std::initializer_list<Arg> args) const
{
    return invoke(Call{member.text(), CallKind::Method, Args(args.begin(), args.size()), nullptr, member.id()});
}

Object Object::object(Member member, std::initializer_list<Arg> args) const
{
    return std::move(get(member, args)).toObject();
}

} // namespace automation
