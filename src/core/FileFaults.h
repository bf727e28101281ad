#pragma once

#include <QString>

#include <functional>

// The seam under the file writer through which tests make its system calls
// fail, one at a time, as a full disk, a failing disk or a racing program
// would.
namespace quorvale::files {

// The calls of a write, in the order it makes them.
enum class FileCall {
    Create, // the new file beside the target
    Write,  // each write of bytes
    Sync,   // the new file's data
    Group,  // the replaced file's group
    Mode,   // the mode
    Acl,    // the replaced file's access control list
    Close,
    Rename, // over the target
};

// Asked before every call of the writer with the call and the new file's
// path: 0 lets the call go on, an errno makes it fail with that error. The
// seam may also act on the new file's name (a test swaps the file for a
// link there).
using FaultSeam = std::function<int(FileCall call, const QString& newFile)>;

// Installs seam for every later write; an empty seam lets every call go on.
void setFaultSeam(FaultSeam seam);

} // namespace quorvale::files
