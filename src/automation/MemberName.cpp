#include "automation/MemberName.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace automation {

namespace {

// The numbers given out so far, by name in lower case.
struct Names {
    std::mutex lock;
    std::unordered_map<std::string, MemberId> ids;
};

Names& names()
{
    static Names all;
    return all;
}

std::string folded(std::string_view name)
{
    std::string text(name);
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return text;
}

} // namespace

MemberId internMember(std::string_view name)
{
    Names& all = names();
    const std::lock_guard<std::mutex> held(all.lock);
    return all.ids.try_emplace(folded(name), MemberId(all.ids.size())).first->second;
}

} // namespace automation
