// Range addresses as the automation layer receives them: any text must parse
// to an area inside the sheet or raise AutomationError, never crash.
#include "automation/Error.h"
#include "spreadsheet/model/Address.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const ss::Area a = ss::parseAddress(text);
        if (a.top < 0 || a.left < 0 || a.bottom >= ss::MaxRows || a.right >= ss::MaxColumns || a.top > a.bottom
            || a.left > a.right)
            std::abort();
        // What Address gives back must parse to the same area.
        if (!(ss::parseAddress(ss::addressText(a)) == a))
            std::abort();
    } catch (const quorvale::AutomationError&) {
    }
    return 0;
}
