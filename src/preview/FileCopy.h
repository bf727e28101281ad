#pragma once

#include <QString>

namespace preview {

// Copies source, a file this program made, to target byte for byte, through
// the program's file writer: an existing target stays whole when anything
// fails, target may name source itself, and a copy over an existing file
// (a read-only one too: the user has been asked) takes that file's access,
// never more open than it was. Source is read only
// when it is still the run's own plain file. Throws quorvale::Error naming
// the file that failed, with the platform's description, having left no
// partial file behind.
void copyFileReplacing(const QString& source, const QString& target);

} // namespace preview
