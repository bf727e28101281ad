#pragma once

namespace shell {

// Registers the platform's "Scripting.FileSystemObject" server, which offers
// DeleteFile(path, force): force also removes a read-only file.
void registerFileSystemObject();

} // namespace shell
