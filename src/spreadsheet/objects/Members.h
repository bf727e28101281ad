#pragma once

#include "automation/MemberTable.h"

#include <QString>

#include <initializer_list>
#include <string_view>
#include <utility>

// The plumbing every object of the built-in spreadsheet application shares:
// how a call reaches its member and how a failing member reports itself.
namespace ss::objects {

using automation::Call;
using automation::CallKind;
using automation::Variant;

// An error whose description already names the member that failed.
class MemberError : public quorvale::AutomationError {
public:
    using AutomationError::AutomationError;
};

// The member as the caller spelt it; the class name for the default member.
QString memberLabel(const Call& call, const QString& className);

// Raises MemberError "member: what".
[[noreturn]] void fail(const QString& member, const QString& what);

// Runs a call on self: checks that the object can still be used, finds the
// member in table and makes every error name the member.
template <class Self>
Variant serve(const automation::MemberTable<Self>& table, Self& self, const Call& call)
{
    try {
        self.ref.check();
        return table.dispatch(self, call);
    } catch (const MemberError&) {
        throw;
    } catch (const quorvale::AutomationError& e) {
        fail(memberLabel(call, self.className()), e.description());
    }
}

// Raises the error of a property put on a member that takes none.
[[noreturn]] void notAssignable();

// A member that is read or called but never assigned.
template <class Self, Variant (*Get)(Self&, const Call&)>
Variant readOnly(Self& self, const Call& call)
{
    if (call.kind == CallKind::Put)
        notAssignable();
    return Get(self, call);
}

// A property with a getter and a setter, which receives the assigned value.
template <class Self, Variant (*Get)(Self&, const Call&), void (*Put)(Self&, const Call&, const Variant&)>
Variant property(Self& self, const Call& call)
{
    if (call.kind != CallKind::Put)
        return Get(self, call);
    Put(self, call, *call.value);
    return {};
}

// Raises the error "<what> <code> is not valid".
[[noreturn]] void notValid(const char* what, int code);

// The value of an automation constant among the given ones, or the error
// "<what> <value> is not valid".
template <class T>
T fromCode(const Variant& value, std::initializer_list<std::pair<int, T>> codes, const char* what)
{
    const int code = value.toInt32();
    for (const auto& [c, t] : codes)
        if (c == code)
            return t;
    notValid(what, code);
}

// The automation constant value when it is one of codes, or the error of
// fromCode.
int oneOf(const Variant& value, std::initializer_list<int> codes, const char* what);

// The automation constant of a value, the reverse of fromCode.
template <class T>
int toCode(T value, std::initializer_list<std::pair<int, T>> codes)
{
    for (const auto& [c, t] : codes)
        if (t == value)
            return c;
    return 0;
}

// The position of item index of a collection: index is a 1-based number or
// a name, compared without regard to case. Raises "<collection>: index 4 out
// of range" or "<collection>: no <kind> named "X"".
template <class Items, class NameOf>
std::size_t itemIndex(const Items& items, const Variant& index, NameOf nameOf, const char* collection,
                      const char* kind)
{
    const QString label = QLatin1String(collection);
    if (index.type() == automation::VarType::String) {
        const QString name = index.toString();
        for (std::size_t i = 0; i < items.size(); ++i)
            if (nameOf(items[i]).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        fail(label, QStringLiteral("no %1 named \"%2\"").arg(QLatin1String(kind), name));
    }
    const int i = index.toInt32();
    if (i < 1 || i > int(items.size()))
        fail(label, QStringLiteral("index %1 out of range").arg(i));
    return std::size_t(i - 1);
}

// A whole number in [low, high], or the error "<what> <value> is out of range".
int checkedInt(const Variant& value, int low, int high, const char* what);
// A finite number in [low, high], or the error "<what> <value> is out of range".
double checkedDouble(const Variant& value, double low, double high, const char* what);

} // namespace ss::objects
