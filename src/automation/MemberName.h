#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace automation {

// The number of a member name, the same for every spelling of the name that
// differs only in the case of ASCII letters ("Count", "count"). A server's
// member table is indexed by it, so a call that brings the number finds its
// member without comparing names.
using MemberId = std::uint32_t;

// The number of a call that names its member by text alone.
inline constexpr MemberId UnresolvedMember = std::numeric_limits<MemberId>::max();

// The number of a name, given out the first time the name is seen in any
// spelling; the same for the whole process.
MemberId internMember(std::string_view name);

// A member name numbered once, for a caller that makes the same call many
// times: the name's number travels with each call in place of a lookup by
// text. The text is kept by reference and must outlive the name, as a
// literal does.
class MemberName {
public:
    explicit MemberName(std::string_view text) : m_text(text), m_id(internMember(text)) {}

    std::string_view text() const { return m_text; }
    MemberId id() const { return m_id; }

private:
    std::string_view m_text;
    MemberId m_id;
};

// A member as a call names it: by its text as the caller spelt it, and by
// number when the caller has a MemberName. Small enough to be passed in
// registers.
class Member {
public:
    Member() = default; // the default member (dispatch identifier 0)
    Member(const char* text) : Member(std::string_view(text)) {} // NOLINT: members read naturally as literals
    Member(std::string_view text) : m_text(text.data()), m_size(std::uint32_t(text.size())) {} // NOLINT
    Member(const MemberName& name) : Member(name.text()) { m_id = name.id(); } // NOLINT

    std::string_view text() const { return {m_text, m_size}; }
    MemberId id() const { return m_id; }

private:
    const char* m_text = "";
    std::uint32_t m_size = 0;
    MemberId m_id = UnresolvedMember;
};

} // namespace automation
