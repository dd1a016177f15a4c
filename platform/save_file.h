#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file beside
// it, which is renamed over the old file only when every byte was written, flushed and synced
// without an error. On any failure (no space, no permission, a missing folder) the temporary file
// is discarded, the old file (or its absence) stays byte for byte as it was, and false comes
// back. This is the only way the programs write a file they keep.
// A new file is readable by its owner only (0600: settings hold passwords); an existing file
// keeps its mode. A symbolic link at `path` is refused (false), never written through.
bool saveFileAtomically(const QString& path, const QByteArray& bytes);

// Creates the folder `path` (with its parents) for the user's own files, open to the owner only
// (0700). An existing folder is left as it is. False when it cannot be made.
bool makePrivateFolder(const QString& path);

} // namespace platform
