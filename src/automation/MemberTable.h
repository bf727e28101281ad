#pragma once

#include "automation/Dispatch.h"

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

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
// call's kind itself. Built once per class. A call that brings the number of
// its member name (see MemberName) finds the handler by that number; one that
// names the member by text alone costs a hash of the name.
template <class Self>
class MemberTable {
public:
    using Handler = Variant (*)(Self&, const Call&);

    MemberTable(std::initializer_list<std::pair<std::string_view, Handler>> members)
        : m_members(members.begin(), members.end())
    {
        for (const auto& [name, handler] : members) {
            const MemberId id = internMember(name);
            if (id >= m_byId.size())
                m_byId.resize(std::size_t(id) + 1);
            m_byId[id] = handler;
        }
    }

    Variant dispatch(Self& self, const Call& call) const
    {
        const Handler handler = find(call);
        if (!handler)
            throwUnknownMember(self.className(), call.member);
        return handler(self, call);
    }

    bool has(std::string_view member) const { return m_members.find(member) != m_members.end(); }

private:
    // The handler of the call's member, or nullptr when the class has none.
    Handler find(const Call& call) const
    {
        if (call.memberId < m_byId.size())
            return m_byId[call.memberId];
        if (call.memberId != UnresolvedMember)
            return nullptr; // numbered after every member of this class
        const auto it = m_members.find(call.member);
        return it == m_members.end() ? nullptr : it->second;
    }

    std::unordered_map<std::string_view, Handler, MemberNameHash, MemberNameEqual> m_members;
    std::vector<Handler> m_byId; // by member number; nullptr where the class has no such member
};

} // namespace automation
