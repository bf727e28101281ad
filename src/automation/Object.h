#pragma once

#include "automation/Dispatch.h"

#include <initializer_list>
#include <memory>

namespace automation {

// A reference to an automation object, possibly Nothing. Calls go by member
// name at run time, as late-bound automation does; any failure of the server
// or a call on Nothing raises AutomationError.
class Object {
public:
    Object() = default;
    explicit Object(std::shared_ptr<Dispatch> d) : m_dispatch(std::move(d)) {}

    bool isNothing() const { return !m_dispatch; }
    explicit operator bool() const { return !isNothing(); }

    Variant get(Member member, std::initializer_list<Arg> args = {}) const;
    void put(Member member, const Variant& value, std::initializer_list<Arg> args = {}) const;
    Variant call(Member member, std::initializer_list<Arg> args = {}) const;

    // get(...) whose result must be an object reference.
    Object object(Member member, std::initializer_list<Arg> args = {}) const;

    // The default member (dispatch identifier 0), read with no arguments.
    Variant defaultValue() const { return get({}); }

    // Makes the call on the object. The call is put together by the caller
    // and handed on by reference, which costs less than its parts one by one.
    Variant invoke(const Call& call) const;

    const std::shared_ptr<Dispatch>& dispatch() const { return m_dispatch; }

    // Lets the reference go (Set x = Nothing).
    void release() { m_dispatch.reset(); }

    friend bool operator==(const Object& a, const Object& b) { return a.m_dispatch == b.m_dispatch; }

private:
    friend class Variant; // takes the reference of an Object it is made from
    std::shared_ptr<Dispatch> m_dispatch;
};

} // namespace automation
