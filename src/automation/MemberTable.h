#pragma once

#include "automation/Dispatch.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace automation {

// Hash and equality over member names without regard to ASCII case, so a
// server looks a member up by the name as the caller spelt it.
struct MemberNameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept
    {
        std::size_t h = 1469598103934665603ull;
        for (char c : s) {
            h ^= static_cast<unsigned char>(c | 0x20);
            h *= 1099511628211ull;
        }
        return h;
    }
};
struct MemberNameEqual {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const noexcept { return sameMember(a, b); }
};

// The members of a server class: one handler per name, which looks at the
// call's kind itself. Built once per class; a lookup costs one hash.
template <class Self>
class MemberTable {
public:
    using Handler = Variant (*)(Self&, const Call&);

    MemberTable(std::initializer_list<std::pair<std::string_view, Handler>> members)
        : m_members(members.begin(), members.end())
    {}

    Variant dispatch(Self& self, const Call& call) const
    {
        const auto it = m_members.find(call.member);
        if (it == m_members.end())
            throwUnknownMember(self.className(), call.member);
        return it->second(self, call);
    }

    bool has(std::string_view member) const { return m_members.find(member) != m_members.end(); }

private:
    std::unordered_map<std::string_view, Handler, MemberNameHash, MemberNameEqual> m_members;
};

} // namespace automation
