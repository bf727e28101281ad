#pragma once

#include <QString>

namespace preview {

// Copies source to target byte for byte. The copy is written to a new file
// beside target and renamed over it only once complete, so an existing
// target stays whole when anything fails, and target may name source
// itself. A copy over an existing file keeps that file's mode and group, and
// is never open to more than it was; a new file gets the user's default mode.
// Throws quorvale::Error naming the file that failed, with the platform's
// description, having left no partial file behind.
void copyFileReplacing(const QString& source, const QString& target);

} // namespace preview
