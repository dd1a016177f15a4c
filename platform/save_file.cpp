#include "platform/save_file.h"

#include <QSaveFile>

#include <unistd.h>

namespace platform {

bool saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile buffers small writes, so a full disk shows only when the buffer is flushed; and
    // commit() renames the file into place even after a failed flush. Check before committing.
    // The sync is checked too: a file system may report the lack of space only then.
    if (file.write(bytes) != bytes.size() || !file.flush() ||
        file.error() != QFileDevice::NoError || ::fsync(file.handle()) != 0) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace platform
