#include "platform/save_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool saveFileAtomically(const QString& path, const QByteArray& bytes)
{
    // QSaveFile would write through a link to its target, wherever that is.
    const QFileInfo existing(path);
    if (existing.isSymLink())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // A new file is the owner's alone; an existing one keeps its exact mode (QSaveFile copies it
    // through QFileInfo, which for root reads every file as writable).
    struct stat before = {};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &before) == 0
                            ? before.st_mode & 07777
                            : S_IRUSR | S_IWUSR;
    if (::fchmod(file.handle(), mode) != 0) {
        file.cancelWriting();
        return false;
    }
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

bool makePrivateFolder(const QString& path)
{
    if (QFileInfo(path).isDir())
        return true;
    return QDir().mkpath(path) &&
           QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

} // namespace platform
