#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Replaces the file at `path` with `bytes` in one step: the bytes go to a temporary file beside
// it, which is renamed over the old file only when every byte was written, flushed and synced
// without an error. On any failure (no space, no permission, a missing folder) the temporary file
// is discarded, the old file (or its absence) stays byte for byte as it was, and false comes
// back. This is the only way the programs write a file they keep.
bool saveFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace platform
