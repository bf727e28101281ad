#pragma once

#include <memory>

class QMimeData;

namespace shell {

// Keeps what the clipboard holds while the program puts a picture of its
// own there for a moment, and puts it back when it goes, so taking the
// picture leaves the user's clipboard as it was.
class ClipboardKept {
public:
    ClipboardKept();
    ~ClipboardKept();
    ClipboardKept(const ClipboardKept&) = delete;
    ClipboardKept& operator=(const ClipboardKept&) = delete;

private:
    std::unique_ptr<QMimeData> m_kept;
};

} // namespace shell
