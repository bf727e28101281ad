#pragma once

#include "automation/MemberName.h"
#include "automation/Variant.h"

#include <QString>

#include <span>
#include <string_view>

namespace automation {

enum class CallKind : std::uint8_t { Get, Put, Method };

QString kindName(CallKind kind);

// One argument of a call: positional when name is empty, named otherwise
// (as "FileFormat" in SaveAs). byRef marks an argument passed by reference.
struct Arg {
    Variant value;
    std::string_view name = {};
    bool byRef = false;

    Arg(Variant v) : value(std::move(v)) {} // NOLINT: positional arguments read naturally
    Arg(Variant v, std::string_view n, bool ref) : value(std::move(v)), name(n), byRef(ref) {}

    static Arg named(std::string_view n, Variant v) { return Arg(std::move(v), n, false); }
    static Arg byReference(Variant v) { return Arg(std::move(v), {}, true); }
};

using Args = std::span<const Arg>;

// What a server receives: the member name (to be compared without regard to
// case), the kind of call, the arguments and, for a property put, the value;
// and the number of the member name when the caller had one.
struct Call {
    std::string_view member;
    CallKind kind;
    Args args;
    const Variant* value = nullptr; // set for CallKind::Put only
    MemberId memberId = UnresolvedMember;

    // The positional argument at index i, or an empty Variant when missing.
    const Variant& positional(std::size_t i) const;
    // The argument at position i or with the given name, or nullptr.
    const Variant* argument(std::size_t i, std::string_view name) const;
    std::size_t positionalCount() const;
};

// The server side of an automation object: late-bound dispatch by name.
class Dispatch {
public:
    virtual ~Dispatch() = default;
    virtual Variant invoke(const Call& call) = 0;
    // The class name the object reports (for messages and transcripts).
    virtual QString className() const = 0;
};

// Compares two member names as automation does: ASCII letters without regard
// to case.
bool sameMember(std::string_view a, std::string_view b);

// The error a server raises for a member it does not have.
[[noreturn]] void throwUnknownMember(const QString& className, std::string_view member);

} // namespace automation
